# Reference notes: one synthesised CAF per sound name of the built-in tunings,
# written into the bundle resources at build time (audio/NoteSynth; a user
# tuning's notes are made by the app when they are played).
add_executable(quillon_notes ${CMAKE_CURRENT_LIST_DIR}/notes/main.cpp)
target_link_libraries(quillon_notes PRIVATE quillon_audio quillon_common PkgConfig::SNDFILE)

# Every file the generator writes is an output, so a clean removes them and a
# missing one is made again. The generator is handed this list and fails the
# build when the catalogue's sound names differ from it.
set(QUILLON_NOTE_NAMES
  E2g A2g D3g G3g B3g E4g           # guitar
  D2g                               # dropd
  G5b D4b G4b B4b D5b               # banjo
  G3v D4v A4v E5v                   # violin
  G4u C4u E4u A4u                   # ukulele
  E1e A1e D2e G2e                   # bass
  B0e                               # bass5
  C2c G2c D3c A3c                   # cello
  C3a G3a D4a A4a                   # viola
  B1p E2p A2p D3p G3p B3p E4p       # guitar7
  Eb2p Ab2p Db3p Gb3p Bb3p Eb4p     # guitar-eb
  D2p A3p D4p                       # dadgad
  G2p                               # open-g
  Fs3p                              # open-d
  D3n G3n B3n E4n                   # ukulele-baritone
  B0t)                              # chromatic: B0, then C1 to B5
foreach(octave 1 2 3 4 5)
  foreach(pitch C Cs D Ds E F Fs G Gs A As B)
    list(APPEND QUILLON_NOTE_NAMES ${pitch}${octave}t)
  endforeach()
endforeach()

set(quillon_note_files "")
foreach(name ${QUILLON_NOTE_NAMES})
  list(APPEND quillon_note_files ${QUILLON_RESOURCE_DIR}/${name}.caf)
endforeach()
add_custom_command(
  OUTPUT ${quillon_note_files}
  COMMAND quillon_notes ${QUILLON_RESOURCE_DIR} ${QUILLON_NOTE_NAMES}
  DEPENDS quillon_notes
  COMMENT "Synthesising the reference notes"
  VERBATIM)
add_custom_target(quillon_note_resources DEPENDS ${quillon_note_files})

add_dependencies(quillon_resources quillon_note_resources)
