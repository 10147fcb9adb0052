# The tuning editor end to end in the installed app: a tuning made with
# clicks and keys, saved, found again after a restart, chosen, and a note
# played into the null sink named on it (quillon_screen_probe from app.cmake).
add_test(NAME editor_makes_a_tuning_and_keeps_it
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/editor.sh
    ${CMAKE_COMMAND} ${CMAKE_BINARY_DIR} $<TARGET_FILE:quillon_screen_probe>
    ${CMAKE_BINARY_DIR}/screenshots)
set_tests_properties(editor_makes_a_tuning_and_keeps_it PROPERTIES
  LABELS "system;realtime" TIMEOUT 180)
