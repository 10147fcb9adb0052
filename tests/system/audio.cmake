# Capture from and playback to a real PulseAudio server (null sink "nullsink").
add_executable(quillon_audio_system_tests ${CMAKE_CURRENT_LIST_DIR}/AudioSystemTest.cpp)
target_link_libraries(quillon_audio_system_tests PRIVATE
  quillon_audio quillon_common quillon_platform GTest::gtest GTest::gtest_main)
if(TARGET quillon_resources)
  add_dependencies(quillon_audio_system_tests quillon_resources)
endif()
foreach(test PluckedNotePlayedIntoTheSinkIsCapturedAndNamed SystemSoundPlaysTheReferenceNoteInTune)
  add_test(NAME AudioSystemTest.${test}
    COMMAND quillon_audio_system_tests --gtest_filter=AudioSystemTest.${test})
  set_tests_properties(AudioSystemTest.${test} PROPERTIES LABELS "system;realtime" TIMEOUT 60
    SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
endforeach()
