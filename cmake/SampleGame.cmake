# The sample game: game/ holds its sources (Shift-JIS texts with CR LF line ends,
# pictures, sounds) by archive folder; the build packs them into data/system.dat beside
# the velmira executable, so that running it without a game folder plays the sample.
file(GLOB_RECURSE sample_game_files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/game/*)
set(sample_game_archive ${CMAKE_BINARY_DIR}/data/system.dat)
add_custom_command(
  OUTPUT ${sample_game_archive}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/data
  COMMAND velmira-tool pack ${sample_game_archive} --revision 1 ${CMAKE_SOURCE_DIR}/game
  DEPENDS velmira-tool ${sample_game_files}
  COMMENT "Packing the sample game"
  VERBATIM)
add_custom_target(sample_game ALL DEPENDS ${sample_game_archive})
