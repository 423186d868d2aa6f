# The sample game: game/ holds its sources (Shift-JIS texts with CR LF line ends, layer
# definitions, the splash picture) by archive folder; its other pictures are drawn by
# tools/sample_art at build time. The build gathers both in sample_game/ and packs that
# into data/system.dat beside the velmira executable, so that running it without a game
# folder plays the sample. sample_game/ has the layout of a game folder (data/ inside), so
# velmira-tool lint checks it as it stands.
add_executable(make_sample_art ${CMAKE_SOURCE_DIR}/tools/sample_art/make_sample_art.cpp)
target_link_libraries(make_sample_art PRIVATE PkgConfig::LIBPNG)

file(GLOB_RECURSE sample_game_files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/game/*)
set(sample_game_dir ${CMAKE_BINARY_DIR}/sample_game/data)
set(sample_game_stamp ${CMAKE_BINARY_DIR}/sample_game.stamp)
set(sample_game_archive ${CMAKE_BINARY_DIR}/data/system.dat)
add_custom_command(
  OUTPUT ${sample_game_stamp}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${CMAKE_BINARY_DIR}/sample_game
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/game ${sample_game_dir}
  COMMAND make_sample_art ${sample_game_dir}/img
  COMMAND ${CMAKE_COMMAND} -E touch ${sample_game_stamp}
  DEPENDS make_sample_art ${sample_game_files}
  COMMENT "Gathering the sample game and drawing its pictures"
  VERBATIM)
add_custom_command(
  OUTPUT ${sample_game_archive}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/data
  COMMAND velmira-tool pack ${sample_game_archive} --revision 1 ${sample_game_dir}
  DEPENDS velmira-tool ${sample_game_stamp}
  COMMENT "Packing the sample game"
  VERBATIM)
add_custom_target(sample_game ALL DEPENDS ${sample_game_archive})
