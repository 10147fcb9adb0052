# quillon-tone: a pitch pipe on the sine tone generator. The argument parsing
# is a library of its own so that the unit tests can reach it.
add_library(quillon_tone_arguments STATIC ${CMAKE_CURRENT_LIST_DIR}/quillon-tone/ToneArguments.cpp)
target_link_libraries(quillon_tone_arguments PUBLIC quillon_audio quillon_common)
add_executable(quillon-tone ${CMAKE_CURRENT_LIST_DIR}/quillon-tone/main.cpp)
target_link_libraries(quillon-tone PRIVATE quillon_tone_arguments quillon_audio quillon_platform)
target_compile_definitions(quillon-tone PRIVATE QUILLON_VERSION="${PROJECT_VERSION}")
install(TARGETS quillon-tone RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
