# The browser build, configured with Emscripten's toolchain
# (`emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release`, as
# scripts/web.sh does): the whole app on the web backend in platform/web/, and
# the site around it (target quillon_site, cmake/QuillonSite.cmake). None of the desktop libraries is looked for.
include(cmake/QuillonLayer.cmake)
include_directories(${CMAKE_SOURCE_DIR})

# The C++20 library parts Emscripten's libc++ lacks (see the header).
add_compile_options("SHELL:-include ${CMAKE_SOURCE_DIR}/platform/web/LibcxxCompat.h")
# WebAssembly SIMD (every current browser and Node has it): the FFT's and the
# analysis pass's loops vectorise.
add_compile_options(-msimd128)

add_subdirectory(platform/web)
add_subdirectory(common)
add_subdirectory(audio)
add_subdirectory(views)
add_subdirectory(Classes)
add_subdirectory(tests/web)
include(cmake/QuillonSite.cmake)
