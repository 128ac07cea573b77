# Cross build for 64-bit Windows with Debian's mingw-w64 (posix threads flavour).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(PELVARO_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PELVARO_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PELVARO_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${PELVARO_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${PELVARO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Same sources, same bytes: no link time in the PE header (nor the checksum that follows from it),
# and neither the source nor the build folder in what the compiler writes into the program.
get_filename_component(PELVARO_SOURCE_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
set(CMAKE_CXX_FLAGS_INIT
    "-ffile-prefix-map=${PELVARO_SOURCE_ROOT}/= -ffile-prefix-map=${CMAKE_BINARY_DIR}/=")
set(CMAKE_EXE_LINKER_FLAGS_INIT -Wl,--no-insert-timestamp)
