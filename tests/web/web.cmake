# The web backend, tested from the native build.

# Its FFT against FFTW, its key mapping and its resampler, in the unit tests
# (tests/platform/RealFFTTest.cpp, BrowserKeysTest.cpp, ResamplerTest.cpp).
if(TARGET quillon_unit_tests)
  target_link_libraries(quillon_unit_tests PRIVATE quillon_web_fft quillon_web_keys
    quillon_web_resampler)
endif()

# Tests of the browser build (label "web"), only where Emscripten is
# installed (scripts/install-web-deps.sh). The first builds the web programs
# and the site (with the images this build drew) into build/web; the Node
# ones compare them with native ones: the analysis with quillon-analyse, the
# library stand-ins with the real library.
find_program(QUILLON_EMCMAKE emcmake)
find_program(QUILLON_NODE node)
find_program(QUILLON_SOX sox)
if(QUILLON_EMCMAKE AND QUILLON_NODE AND QUILLON_SOX AND TARGET quillon-analyse
   AND TARGET quillon_screen_probe)
  set(web_build ${CMAKE_BINARY_DIR}/web)
  add_test(NAME web_build
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/build-wasm.sh ${CMAKE_SOURCE_DIR} ${web_build}
            ${CMAKE_BINARY_DIR}/resources)
  set_tests_properties(web_build PROPERTIES LABELS web FIXTURES_SETUP web_build TIMEOUT 900)

  add_test(NAME web_analysis_node
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/analysis-node.sh $<TARGET_FILE:quillon-analyse>
            ${web_build}/tests/web/quillon-analyse-wasm.js)
  set_tests_properties(web_analysis_node PROPERTIES
    LABELS web FIXTURES_REQUIRED web_build TIMEOUT 300)

  add_executable(quillon_libcxx_compat_check ${CMAKE_CURRENT_LIST_DIR}/LibcxxCompatCheck.cpp)
  add_test(NAME web_libcxx_compat
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/libcxx-compat.sh $<TARGET_FILE:quillon_libcxx_compat_check>
            ${web_build}/tests/web/quillon-libcxx-compat-check.js)
  set_tests_properties(web_libcxx_compat PROPERTIES
    LABELS web FIXTURES_REQUIRED web_build TIMEOUT 120)

  # The app's page in headless chromium (tests/web/browser/): a fake
  # microphone heard, named and lit, a string played in tone mode, a tuning
  # kept over a reload, and a microphone refused. Screenshots are read by the
  # native screen probe. Real time, as the system tests that capture are;
  # scripts/test.sh runs them in its browser stage. Chromium is not looked
  # for: where it is missing they fail.
  foreach(test microphone settings refused)
    add_test(NAME web_browser_${test}
      COMMAND ${CMAKE_CURRENT_LIST_DIR}/browser.sh ${web_build}
              $<TARGET_FILE:quillon_screen_probe> ${test})
    set_tests_properties(web_browser_${test} PROPERTIES
      LABELS "web;browser;realtime" FIXTURES_REQUIRED web_build TIMEOUT 120)
  endforeach()
endif()
