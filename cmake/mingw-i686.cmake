# Cross build for 32-bit Windows with Debian's mingw-w64, in its win32 threads flavour: the
# program uses no C++ threads, and this flavour's runtime needs no winpthreads, which kept the
# posix flavour's exe about 27 KB larger. The i686 test programs use std::thread and take the posix
# flavour (PELVARO_MINGW_THREADS=posix, preset mingw-x86-tests), as the x86_64 build does.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(PELVARO_MINGW_PREFIX i686-w64-mingw32)
if(NOT PELVARO_MINGW_THREADS)
    set(PELVARO_MINGW_THREADS win32)
endif()
set(CMAKE_C_COMPILER ${PELVARO_MINGW_PREFIX}-gcc-${PELVARO_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${PELVARO_MINGW_PREFIX}-g++-${PELVARO_MINGW_THREADS})
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
