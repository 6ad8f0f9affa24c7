# Cross-compiling for 64-bit Arm Linux with Debian's aarch64-linux-gnu
# compilers (package g++-aarch64-linux-gnu).  Programs built here run under
# qemu-user: ctest and add_test() commands go through qemu-aarch64, which
# takes the target's loader and libraries from the cross sysroot.
#
#   cmake -S . -B build/arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(INKBAND_ARM64_TRIPLE aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${INKBAND_ARM64_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${INKBAND_ARM64_TRIPLE}-g++)
find_program(CMAKE_OBJDUMP NAMES ${INKBAND_ARM64_TRIPLE}-objdump)

set(INKBAND_ARM64_SYSROOT /usr/${INKBAND_ARM64_TRIPLE})
set(CMAKE_FIND_ROOT_PATH ${INKBAND_ARM64_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# qemu-user's emulator; -L points it at the target's dynamic loader and
# shared libraries.
find_program(INKBAND_QEMU_AARCH64 NAMES qemu-aarch64 qemu-aarch64-static
             DOC "qemu-user emulator for 64-bit Arm programs")
if(INKBAND_QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${INKBAND_QEMU_AARCH64} -L ${INKBAND_ARM64_SYSROOT})
endif()
