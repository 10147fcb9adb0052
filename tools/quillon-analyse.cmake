# quillon-analyse: replays an AIFF/AIFC recording through the tuner's analysis.
file(GLOB analyse_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/analyse/*.cpp)
add_executable(quillon-analyse ${analyse_sources})
target_link_libraries(quillon-analyse PRIVATE quillon_audio quillon_common quillon_platform)
target_compile_definitions(quillon-analyse PRIVATE QUILLON_VERSION="${PROJECT_VERSION}")
install(TARGETS quillon-analyse RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
