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

# The same, chosen with clicks in the settings' Input section: kept across a
# restart, and shown (not connected) when it goes away while listened to.
if(TARGET quillon AND TARGET quillon_screen_probe)
  add_test(NAME app_listens_on_the_input_chosen_in_the_settings
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/input-settings.sh
      $<TARGET_FILE:quillon> $<TARGET_FILE:quillon_screen_probe>
      ${CMAKE_BINARY_DIR}/screenshots)
  set_tests_properties(app_listens_on_the_input_chosen_in_the_settings PROPERTIES
    LABELS "system;realtime" TIMEOUT 120)
endif()
