# Reference notes: one synthesised CAF per sound name of the tuning catalogue,
# written into the bundle resources at build time.
add_library(quillon_notesynth STATIC ${CMAKE_CURRENT_LIST_DIR}/notes/NoteSynth.cpp)
target_include_directories(quillon_notesynth PUBLIC ${CMAKE_SOURCE_DIR})

add_executable(quillon_notes ${CMAKE_CURRENT_LIST_DIR}/notes/main.cpp)
target_link_libraries(quillon_notes PRIVATE quillon_notesynth quillon_common PkgConfig::SNDFILE)

# The sound names of the catalogue (common/Tuning); the generator writes one
# file for each distinct name it finds there.
set(QUILLON_NOTE_NAMES
  E2g A2g D3g G3g B3g E4g D2g G5b D4b G4b B4b D5b G3v D4v A4v E5v G4u C4u E4u A4u)
set(quillon_note_files "")
foreach(name ${QUILLON_NOTE_NAMES})
  list(APPEND quillon_note_files ${QUILLON_RESOURCE_DIR}/${name}.caf)
endforeach()
add_custom_command(
  OUTPUT ${quillon_note_files}
  COMMAND quillon_notes ${QUILLON_RESOURCE_DIR}
  DEPENDS quillon_notes
  COMMENT "Synthesising the reference notes"
  VERBATIM)
add_custom_target(quillon_note_resources DEPENDS ${quillon_note_files})

add_dependencies(quillon_resources quillon_note_resources)
