# The installed application end to end: a real X window and the PulseAudio
# null sink as the microphone. Installs into a temporary prefix, tunes an A,
# changes the tuning and the calibration on the settings screen, and finds
# both again after a restart.
add_executable(quillon_screen_probe ${CMAKE_CURRENT_LIST_DIR}/ScreenProbe.cpp)
target_link_libraries(quillon_screen_probe PRIVATE quillon_classes PkgConfig::CAIRO)
if(TARGET quillon_resources)
  add_dependencies(quillon_screen_probe quillon_resources)
endif()
add_test(NAME app_tunes_and_keeps_its_settings
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/app.sh
    ${CMAKE_COMMAND} ${CMAKE_BINARY_DIR} $<TARGET_FILE:quillon_screen_probe>
    ${CMAKE_BINARY_DIR}/screenshots)
set_tests_properties(app_tunes_and_keeps_its_settings PROPERTIES
  LABELS "system;realtime" TIMEOUT 180)
