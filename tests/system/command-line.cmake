# The app's command line: help, version, usage errors, no display, the input
# list, offscreen. No sound server or display needed.
if(TARGET quillon)
  add_test(NAME app_command_line
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/command-line.sh $<TARGET_FILE:quillon> ${PROJECT_VERSION})
  set_tests_properties(app_command_line PROPERTIES LABELS unit TIMEOUT 60)
endif()
