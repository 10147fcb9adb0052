# quillon-tone through a real sound server: the violin's A string must come
# out of the null sink at 440 Hz within one cent.
if(TARGET quillon-tone)
  add_executable(quillon_measure_tone ${CMAKE_CURRENT_LIST_DIR}/ToneMeasure.cpp)
  add_test(NAME tone_violin_a_string_plays_440_hz
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/tone.sh
      $<TARGET_FILE:quillon-tone> $<TARGET_FILE:quillon_measure_tone>)
  set_tests_properties(tone_violin_a_string_plays_440_hz PROPERTIES
    LABELS "system;realtime" TIMEOUT 60)
  # The unit tests of its command line (tests/tools/ToneArgumentsTest.cpp).
  if(TARGET quillon_unit_tests)
    target_link_libraries(quillon_unit_tests PRIVATE quillon_tone_arguments)
  endif()
endif()

# Its usage errors and missing-device errors: no sound server needed.
if(TARGET quillon-tone)
  add_test(NAME tone_reports_bad_arguments_and_missing_devices
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/tone-errors.sh $<TARGET_FILE:quillon-tone>)
  set_tests_properties(tone_reports_bad_arguments_and_missing_devices PROPERTIES
    LABELS unit TIMEOUT 60)
endif()
