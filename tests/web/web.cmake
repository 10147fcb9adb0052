# The web backend, tested from the native build.

# Its FFT against FFTW, in the unit tests (tests/platform/RealFFTTest.cpp).
if(TARGET quillon_unit_tests)
  target_link_libraries(quillon_unit_tests PRIVATE quillon_web_fft)
endif()

# The analysis built to WebAssembly against the native analyser, under Node
# (label "web"). Only where Emscripten is installed
# (scripts/install-web-deps.sh); the first test builds the module into
# build/web, the second compares.
find_program(QUILLON_EMCMAKE emcmake)
find_program(QUILLON_NODE node)
find_program(QUILLON_SOX sox)
if(QUILLON_EMCMAKE AND QUILLON_NODE AND QUILLON_SOX AND TARGET quillon-analyse)
  set(web_build ${CMAKE_BINARY_DIR}/web)
  add_test(NAME web_build_analysis
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/build-wasm.sh ${CMAKE_SOURCE_DIR} ${web_build})
  set_tests_properties(web_build_analysis PROPERTIES
    LABELS web FIXTURES_SETUP web_analysis TIMEOUT 900)
  add_test(NAME web_analysis_node
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/analysis-node.sh $<TARGET_FILE:quillon-analyse>
            ${web_build}/tests/web/quillon-analyse-wasm.js)
  set_tests_properties(web_analysis_node PROPERTIES
    LABELS web FIXTURES_REQUIRED web_analysis TIMEOUT 300)
endif()
