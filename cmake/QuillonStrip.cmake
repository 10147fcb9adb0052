# Run by CPack on the installed tree before it packs it: strips the programs
# as Debian's own packages are, symbols and the compiler's .comment and .note
# sections alike (CPACK_STRIP_FILES would leave the sections).
find_program(STRIP strip REQUIRED)
file(GLOB programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin/*")
foreach(program ${programs})
  execute_process(
    COMMAND ${STRIP} --remove-section=.comment --remove-section=.note ${program}
    RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot strip ${program}")
  endif()
endforeach()
if(NOT programs)
  message(FATAL_ERROR "no programs to strip under ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin")
endif()
