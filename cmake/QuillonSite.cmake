# The static site of the browser build (target quillon_site), in
# ${CMAKE_BINARY_DIR}/site: the page and its script, the program (quillon.js
# and quillon.wasm), the bundle images at 2x (drawn by the native build's
# image generator: QUILLON_IMAGES_DIR names its resources folder), the fonts
# the desktop draws with (Liberation Sans whole, DejaVu Sans cut to the signs
# Liberation lacks) with their licences, the web-app manifest and icon, and
# the service worker that keeps it all for offline use. The reference notes
# are not among it: the browser's sound makes them at run time.
set(QUILLON_IMAGES_DIR "" CACHE PATH
    "The native build's resources folder, with the images the generator drew")
set(QUILLON_FONT_DIR /usr/share/fonts/truetype CACHE PATH "Where Debian keeps the fonts")
find_program(QUILLON_SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)

set(site_dir ${CMAKE_BINARY_DIR}/site)
file(GLOB site_page_files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/web/*)
add_custom_target(quillon_site
  COMMAND ${CMAKE_COMMAND}
    -DSITE=${site_dir}
    -DPAGE=${CMAKE_SOURCE_DIR}/resources/web
    -DPROGRAM=$<TARGET_FILE_DIR:quillon>
    -DIMAGES=${QUILLON_IMAGES_DIR}
    -DFONTS=${QUILLON_FONT_DIR}
    -DPYTHON=${QUILLON_SYSTEM_PYTHON}
    -P ${CMAKE_SOURCE_DIR}/cmake/QuillonSiteAssemble.cmake
  DEPENDS quillon ${site_page_files} ${CMAKE_SOURCE_DIR}/cmake/QuillonSiteAssemble.cmake
  COMMENT "Assembling the site in ${site_dir}"
  VERBATIM)

# The page: one script and its WebAssembly beside it, started by the page
# once its fonts and images are there (see resources/web/app.js).
target_link_options(quillon PRIVATE
  -sENVIRONMENT=web -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=33554432
  -sINVOKE_RUN=1 -sEXIT_RUNTIME=0)
