# The real window under X: clicks through the landscape presentation, a turn
# to upright at run time, timers in the window's loop, keys and Ctrl+Q.
add_executable(quillon_window_demo ${CMAKE_CURRENT_LIST_DIR}/WindowDemo.cpp)
target_link_libraries(quillon_window_demo PRIVATE quillon_platform)
add_test(NAME window_click_through_presentation
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/window.sh $<TARGET_FILE:quillon_window_demo>)
set_tests_properties(window_click_through_presentation PROPERTIES
  LABELS "system;realtime" TIMEOUT 60)
