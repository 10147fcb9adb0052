# The web backend, tested from the native build.

# Its FFT against FFTW, in the unit tests (tests/platform/RealFFTTest.cpp).
if(TARGET quillon_unit_tests)
  target_link_libraries(quillon_unit_tests PRIVATE quillon_web_fft)
endif()
