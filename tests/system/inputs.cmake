# Choosing where the app listens, on a real PulseAudio server with two
# listed input devices and a real X window: --list-inputs, --input, and the
# chosen device going away while the app listens.
if(TARGET quillon AND TARGET quillon_screen_probe)
  add_test(NAME app_listens_on_the_chosen_input
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/inputs.sh
      $<TARGET_FILE:quillon> $<TARGET_FILE:quillon_screen_probe>)
  set_tests_properties(app_listens_on_the_chosen_input PROPERTIES
    LABELS "system;realtime" TIMEOUT 90)
endif()
