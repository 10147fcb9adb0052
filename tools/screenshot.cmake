# quillon-screenshot: the tuner screen showing a string 12 cents sharp,
# rendered offscreen for the README (docs/tuner.png).
add_executable(quillon-screenshot ${CMAKE_CURRENT_LIST_DIR}/screenshot/TunerScreenshot.cpp)
target_link_libraries(quillon-screenshot PRIVATE
  quillon_classes quillon_views quillon_audio quillon_common quillon_platform PkgConfig::CAIRO)
if(TARGET quillon_resources)
  add_dependencies(quillon-screenshot quillon_resources)
endif()
