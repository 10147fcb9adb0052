# Drop-D's low D played as a real one sounds (its fundamental 25 dB under
# its 2nd partial) into the PulseAudio null sink: the tuner screen in a real
# window rings the first button (the 6th string), never the D3 string's.
if(TARGET quillon)
  add_executable(quillon_plucked_string ${CMAKE_CURRENT_LIST_DIR}/PluckedString.cpp)
  add_test(NAME tuner_screen_rings_the_low_d_of_drop_d
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/low-string.sh $<TARGET_FILE:quillon>
      $<TARGET_FILE:quillon_screen_probe> $<TARGET_FILE:quillon_plucked_string>)
  set_tests_properties(tuner_screen_rings_the_low_d_of_drop_d PROPERTIES
    LABELS "system;realtime" TIMEOUT 120)
endif()
