# The tuner screen in a real window, listening to the PulseAudio null sink:
# a sharp string lights the sharp light, and the mode, note and auto buttons
# change what they should when clicked.
if(TARGET quillon)
  add_test(NAME tuner_screen_listens_and_buttons_work
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/tuner-screen.sh $<TARGET_FILE:quillon>)
  set_tests_properties(tuner_screen_listens_and_buttons_work PROPERTIES
    LABELS "system;realtime" TIMEOUT 90)
endif()
