# Fails when a source file outside platform/ includes an operating-system or toolkit header:
# the engine core, its tools and the program's entry use standard C++ and the engine's own
# libraries (zlib, Ogg Vorbis) only, and reach the system through the platform interface.
#   cmake -DSOURCE_DIR=<repository> -P cmake/CheckCoreIncludes.cmake
cmake_minimum_required(VERSION 3.25)
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR is not set")
endif()

set(folders resource script graphics text audio save ui app tools)

# Every header of standard C++20 (the C library through its <c...> names).
set(standard
  algorithm any array atomic barrier bit bitset cassert cctype cerrno cfenv cfloat charconv
  chrono cinttypes climits clocale cmath codecvt compare complex concepts condition_variable
  coroutine csetjmp csignal cstdarg cstddef cstdint cstdio cstdlib cstring ctime cuchar cwchar
  cwctype deque exception execution filesystem format forward_list fstream functional future
  initializer_list iomanip ios iosfwd iostream istream iterator latch limits list locale map
  memory memory_resource mutex new numbers numeric optional ostream queue random ranges ratio
  regex scoped_allocator semaphore set shared_mutex source_location span sstream stack
  stdexcept stop_token streambuf string string_view syncstream system_error thread tuple
  type_traits typeindex typeinfo unordered_map unordered_set utility valarray variant vector
  version)
# The libraries the engine core links.
set(libraries zlib.h ogg/ogg.h vorbis/codec.h vorbis/vorbisfile.h)

set(offending)
foreach(folder ${folders})
  file(GLOB_RECURSE sources ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp
       ${SOURCE_DIR}/${folder}/*.inc)
  # The sample game's picture and sound generators are build steps, not part of the
  # engine: they write their PNG files with libpng and their Ogg files with libvorbisenc.
  list(FILTER sources EXCLUDE REGEX "/tools/sample_(art|sound)/")
  foreach(source ${sources})
    file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*<")
    foreach(line ${lines})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*<([^>]*)>.*$" "\\1" header "${line}")
      if(NOT header IN_LIST standard AND NOT header IN_LIST libraries)
        file(RELATIVE_PATH shown ${SOURCE_DIR} ${source})
        list(APPEND offending "${shown}: <${header}>")
      endif()
    endforeach()
  endforeach()
endforeach()

if(offending)
  list(JOIN offending "\n  " text)
  message(FATAL_ERROR "Outside platform/ only standard C++ headers and the engine's "
                      "libraries may be included; found:\n  ${text}\n"
                      "Reach the system through the platform interface instead.")
endif()
message(STATUS "Only standard headers outside platform/")
