# Manual pages, the files a Debian package must carry, and the package itself
# (CPack's DEB generator; scripts/package.sh drives it).

set(QUILLON_MAINTAINER "The Quillon developers <quillon@users.noreply.github.com>")
set(QUILLON_HOMEPAGE "https://github.com/quillon/quillon")
set(QUILLON_DEBIAN_DIR ${CMAKE_SOURCE_DIR}/resources/debian)

# --- Manual pages: help2man reads each program's --help and --version, so a
# page says what the program says and cannot drift from it.
find_program(HELP2MAN help2man)
find_program(GZIP gzip REQUIRED)
set(QUILLON_MAN_DIR ${CMAKE_BINARY_DIR}/man)
add_custom_target(quillon_man_pages ALL)
if(HELP2MAN)
  # The tools list the user's own tunings in their help; the page is made
  # without any (an empty home and config directory).
  set(man_home ${QUILLON_MAN_DIR}/home)
  function(quillon_man_page program description)
    set(page ${QUILLON_MAN_DIR}/${program}.1)
    add_custom_command(
      OUTPUT ${page}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${man_home}
      COMMAND ${CMAKE_COMMAND} -E env HOME=${man_home} XDG_CONFIG_HOME=${man_home}
              ${HELP2MAN} --no-info --name=${description} --output=${page}
              $<TARGET_FILE:${program}>
      # -n: no name or time stamp inside, so the same page gives the same bytes.
      COMMAND ${GZIP} -9nf ${page}
      DEPENDS ${program}
      COMMENT "Writing the manual page of ${program}"
      VERBATIM)
    add_custom_target(quillon_man_${program} DEPENDS ${page}.gz)
    add_dependencies(quillon_man_pages quillon_man_${program})
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endfunction()
  quillon_man_page(quillon "instrument tuner for the desktop")
  quillon_man_page(quillon-analyse "replay a recording through Quillon's tuner analysis")
  quillon_man_page(quillon-tone "pitch pipe: play the reference tones of a tuning")
else()
  message(STATUS "help2man not found: no manual pages (scripts/install-deps.sh installs them)")
endif()

# --- The copyright file and the changelog, where Debian keeps them.
file(STRINGS ${QUILLON_DEBIAN_DIR}/changelog changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^quillon \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "resources/debian/changelog does not start with version ${PROJECT_VERSION}: "
                      "add an entry for it")
endif()
set(doc_build_dir ${CMAKE_BINARY_DIR}/doc)
add_custom_command(
  OUTPUT ${doc_build_dir}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${QUILLON_DEBIAN_DIR}/changelog ${doc_build_dir}/changelog
  COMMAND ${GZIP} -9nf ${doc_build_dir}/changelog
  DEPENDS ${QUILLON_DEBIAN_DIR}/changelog
  VERBATIM)
add_custom_target(quillon_doc ALL DEPENDS ${doc_build_dir}/changelog.gz)
install(FILES ${QUILLON_DEBIAN_DIR}/copyright ${doc_build_dir}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/quillon)

# Everything the package holds; scripts/package.sh builds this and no tests.
add_custom_target(quillon_package_contents)
add_dependencies(quillon_package_contents
  quillon quillon-analyse quillon-tone quillon_resources quillon_man_pages quillon_doc)

# --- The package.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillon)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${QUILLON_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/QuillonStrip.cmake)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # quillon_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${QUILLON_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The shared libraries come from what the programs link (dpkg-shlibdeps);
# the fonts are found through fontconfig at run time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "instrument tuner for the desktop
Quillon listens to the microphone, finds which string of the chosen tuning
is being played and shows how many cents it is off on a needle dial, with
flat, in-tune and sharp lights. Tone mode plays each string's reference
note.
.
Tunings are built in for guitar (standard, drop-D, 7-string, half-step
down, DADGAD, open G and D), bass, violin, viola, cello, banjo and ukulele,
and a chromatic mode names any note; tunings of your own are one line each
in a text file. The calibration of A runs from 420 to 460 Hz.
.
The package also holds quillon-analyse, which replays a recording through
the tuner's analysis, and quillon-tone, a pitch pipe.")
include(CPack)
