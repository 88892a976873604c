# `cmake --install build [--prefix DIR]`: the program, its data files, the
# manual, a desktop entry and an icon in the standard places.
#
# The program looks for its data files in ../share/pitkad and for the
# window's module in ../lib/pitkad beside the executable, so bin/,
# share/pitkad and lib/pitkad stay fixed relative to each other whatever
# CMAKE_INSTALL_BINDIR / DATADIR / LIBDIR say.

install(TARGETS pitkad RUNTIME DESTINATION bin)
# The window's module, where the program looks for it (../lib/pitkad).
install(TARGETS pitkad_window LIBRARY DESTINATION lib/pitkad)

# Generated at build time; OPTIONAL so that a build without one of the
# generators still installs the rest (the program then disables the menu
# items that need the missing file).
install(FILES
  ${PITKAD_DATA_DIR}/loudness.dat
  ${PITKAD_DATA_DIR}/Pitkafont.bmp
  ${PITKAD_DATA_DIR}/Pitkacolor.bmp
  ${PITKAD_DATA_DIR}/demo.wav
  DESTINATION share/pitkad
  OPTIONAL)

# The note model, when the build found it (with its own licence).
install(DIRECTORY ${PITKAD_DATA_DIR}/pitch-model DESTINATION share/pitkad OPTIONAL)

install(FILES ${PROJECT_SOURCE_DIR}/docs/manual.html ${PROJECT_SOURCE_DIR}/docs/manual_en.html
  ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION share/doc/pitkad OPTIONAL)
# The support pages the program opens (one per language), found like the
# data files.
install(FILES ${PROJECT_SOURCE_DIR}/docs/manual.html ${PROJECT_SOURCE_DIR}/docs/manual_en.html
  DESTINATION share/pitkad)

install(FILES ${PROJECT_SOURCE_DIR}/packaging/pitkad.desktop DESTINATION share/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/pitkad.svg
  DESTINATION share/icons/hicolor/scalable/apps)
