# Script mode (cmake -P), run by the target quillon_site: copies the site's
# files into SITE and writes the service worker's list of them, with a
# version that changes whenever any of them does.
foreach(var SITE PAGE PROGRAM IMAGES FONTS PYTHON)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "QuillonSiteAssemble: ${var} is not set")
  endif()
endforeach()
if(NOT IMAGES OR NOT EXISTS ${IMAGES}/Background@2x.png)
  message(FATAL_ERROR
    "No bundle images in '${IMAGES}': build the native target quillon_images_generate and "
    "configure with -DQUILLON_IMAGES_DIR=<native build>/resources (scripts/web.sh does both)")
endif()

file(REMOVE_RECURSE ${SITE})
file(MAKE_DIRECTORY ${SITE}/images ${SITE}/fonts)

# The page, its script, the manifest; the program.
file(GLOB page_files ${PAGE}/*)
list(FILTER page_files EXCLUDE REGEX "/sw\\.js\\.in$")
file(COPY ${page_files} DESTINATION ${SITE})
file(COPY ${PROGRAM}/quillon.js ${PROGRAM}/quillon.wasm DESTINATION ${SITE})

# The images at 2x only: a page is drawn at two or more pixels per point
# almost everywhere, and 2x pictures drawn smaller stay sharp. The icon.
file(GLOB images ${IMAGES}/*@2x.png)
file(COPY ${images} DESTINATION ${SITE}/images)
file(COPY ${IMAGES}/quillon.png DESTINATION ${SITE})
set(names "")
foreach(image ${images})
  get_filename_component(name ${image} NAME)
  string(APPEND names "\"${name}\",")
endforeach()
string(REGEX REPLACE ",$" "" names "${names}")
file(WRITE ${SITE}/images/index.json "[${names}]\n")

# The fonts: Liberation Sans as Debian ships it (GPL-2 with the font
# exception), and the signs of DejaVu Sans (♯, ♭, ✓ ...) that Liberation
# lacks, cut out with fontTools (the Bitstream Vera licence allows changed
# copies whose names hold neither "Bitstream" nor "Vera").
foreach(face Regular Bold)
  file(COPY ${FONTS}/liberation/LiberationSans-${face}.ttf DESTINATION ${SITE}/fonts)
endforeach()
foreach(face DejaVuSans DejaVuSans-Bold)
  execute_process(
    COMMAND ${PYTHON} -m fontTools.subset ${FONTS}/dejavu/${face}.ttf
      --unicodes=U+2190-21FF,U+2200-22FF,U+2460-24FF,U+25A0-25FF,U+2600-26FF,U+2700-27BF
      --output-file=${SITE}/fonts/${face}-Signs.ttf
    RESULT_VARIABLE failed ERROR_VARIABLE errors)
  if(failed)
    message(FATAL_ERROR "cannot cut ${face} (python3-fonttools missing?): ${errors}")
  endif()
endforeach()
configure_file(/usr/share/doc/fonts-liberation/copyright ${SITE}/fonts/LICENSE-Liberation.txt COPYONLY)
configure_file(/usr/share/doc/fonts-dejavu-core/copyright ${SITE}/fonts/LICENSE-DejaVu.txt COPYONLY)

# The service worker keeps every file of the site; its cache is named after
# their contents, so that a new build replaces the old one.
file(GLOB_RECURSE files RELATIVE ${SITE} ${SITE}/*)
list(SORT files)
set(list "")
set(digest "")
foreach(f ${files})
  file(MD5 ${SITE}/${f} sum)
  string(APPEND digest "${f}:${sum};")
  string(APPEND list "  './${f}',\n")
endforeach()
string(MD5 version "${digest}")
string(SUBSTRING ${version} 0 12 QUILLON_SITE_VERSION)
set(QUILLON_SITE_FILES "  './',\n${list}")
configure_file(${PAGE}/sw.js.in ${SITE}/sw.js @ONLY)
