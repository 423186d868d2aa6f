# The sample game: game/ holds its sources (Shift-JIS texts with CR LF line ends, layer
# definitions, the splash picture) by archive folder; its other pictures are drawn by
# tools/sample_art and its sounds made by tools/sample_sound at build time. The build
# gathers all of it in sample_game/ and packs that into data/system.dat beside the velmira
# executable, so that running it without a game folder plays the sample. sample_game/ has
# the layout of a game folder (data/ inside), so velmira-tool lint checks it as it stands.
add_executable(make_sample_art ${CMAKE_SOURCE_DIR}/tools/sample_art/make_sample_art.cpp)
target_link_libraries(make_sample_art PRIVATE PkgConfig::LIBPNG)

# The sounds are made once per build folder and kept in sample_sound/, so that editing a
# script does not synthesise them again. The generator is a build tool: it is optimised
# and left out of the sanitizers in every preset, which would only slow the build down.
find_package(Threads REQUIRED)
pkg_check_modules(VORBISENC REQUIRED IMPORTED_TARGET vorbisenc vorbis ogg)
add_executable(make_sample_sound ${CMAKE_SOURCE_DIR}/tools/sample_sound/make_sample_sound.cpp)
target_link_libraries(make_sample_sound PRIVATE PkgConfig::VORBISENC Threads::Threads)
target_compile_options(make_sample_sound PRIVATE -O2 -fno-sanitize=all)
target_link_options(make_sample_sound PRIVATE -fno-sanitize=all)

set(sample_sound_dir ${CMAKE_BINARY_DIR}/sample_sound)
set(sample_sound_stamp ${sample_sound_dir}/sounds.stamp)
add_custom_command(
  OUTPUT ${sample_sound_stamp}
  COMMAND make_sample_sound ${sample_sound_dir}
  COMMAND ${CMAKE_COMMAND} -E touch ${sample_sound_stamp}
  DEPENDS make_sample_sound
  COMMENT "Synthesising the sample game's music, ambience and effects"
  VERBATIM)

# The keeper's voice: espeak-ng's Japanese voice reads each line of voices.txt (name, tab,
# reading) and the generator shapes and encodes it as voice/keeper/<name>.ogg (the scripts
# set the voice folder "keeper").
find_program(ESPEAK_NG espeak-ng REQUIRED)
set(voice_lines ${CMAKE_SOURCE_DIR}/tools/sample_sound/voices.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${voice_lines})
file(STRINGS ${voice_lines} voice_entries ENCODING UTF-8 REGEX "^[a-z][a-z]_[0-9]+\t")
set(voice_files)
foreach(entry ${voice_entries})
  string(REGEX MATCH "^([a-z][a-z]_[0-9]+)\t([^\t]+)" _ "${entry}")
  set(name ${CMAKE_MATCH_1})
  set(reading ${CMAKE_MATCH_2})
  set(voice_ogg ${sample_sound_dir}/voice/keeper/${name}.ogg)
  set(voice_wav ${sample_sound_dir}/spoken/${name}.wav)
  add_custom_command(
    OUTPUT ${voice_ogg}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${sample_sound_dir}/spoken
            ${sample_sound_dir}/voice/keeper
    COMMAND ${ESPEAK_NG} -v ja+grandpa -s 135 -p 30 -w ${voice_wav} ${reading}
    COMMAND make_sample_sound --voice ${voice_wav} ${voice_ogg}
    DEPENDS make_sample_sound ${voice_lines}
    COMMENT "Speaking voice/keeper/${name}.ogg"
    VERBATIM)
  list(APPEND voice_files ${voice_ogg})
endforeach()

file(GLOB_RECURSE sample_game_files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/game/*)
set(sample_game_dir ${CMAKE_BINARY_DIR}/sample_game/data)
set(sample_game_stamp ${CMAKE_BINARY_DIR}/sample_game.stamp)
set(sample_game_archive ${CMAKE_BINARY_DIR}/data/system.dat)
add_custom_command(
  OUTPUT ${sample_game_stamp}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${CMAKE_BINARY_DIR}/sample_game
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/game ${sample_game_dir}
  COMMAND make_sample_art ${sample_game_dir}/img
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${sample_sound_dir}/bgm ${sample_game_dir}/bgm
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${sample_sound_dir}/env ${sample_game_dir}/env
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${sample_sound_dir}/se ${sample_game_dir}/se
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${sample_sound_dir}/voice ${sample_game_dir}/voice
  COMMAND ${CMAKE_COMMAND} -E touch ${sample_game_stamp}
  DEPENDS make_sample_art ${sample_game_files} ${sample_sound_stamp} ${voice_files}
  COMMENT "Gathering the sample game, drawing its pictures and adding its sounds"
  VERBATIM)
add_custom_command(
  OUTPUT ${sample_game_archive}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/data
  COMMAND velmira-tool pack ${sample_game_archive} --revision 1 ${sample_game_dir}
  DEPENDS velmira-tool ${sample_game_stamp}
  COMMENT "Packing the sample game"
  VERBATIM)
add_custom_target(sample_game ALL DEPENDS ${sample_game_archive})
