# Cross-compiling for 64-bit Windows with mingw-w64 (the -posix compilers of
# Debian's g++-mingw-w64-x86-64-posix).  Programs built here run under Wine:
# ctest and add_test() commands go through wine64 with a private prefix in
# the build folder, so nothing touches the user's ~/.wine.
#
#   cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(INKBAND_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${INKBAND_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${INKBAND_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${INKBAND_MINGW_TRIPLE}-windres)
find_program(CMAKE_OBJDUMP NAMES ${INKBAND_MINGW_TRIPLE}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${INKBAND_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Debian keeps the 64-bit loader out of PATH, in /usr/lib/wine.
find_program(INKBAND_WINE64 NAMES wine64 wine64-stable PATHS /usr/lib/wine /usr/lib64/wine
             DOC "Wine loader for 64-bit Windows programs")
if(NOT DEFINED INKBAND_WINEPREFIX)
  set(INKBAND_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
endif()
if(INKBAND_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${CMAKE_COMMAND} -E env WINEPREFIX=${INKBAND_WINEPREFIX} WINEDEBUG=-all ${INKBAND_WINE64})
endif()
