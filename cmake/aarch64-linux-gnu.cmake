# Cross-compiles for 64-bit ARM Linux with Debian's cross compiler (apt-get install
# g++-aarch64-linux-gnu), and runs what the build and the tests execute under qemu-aarch64
# (apt-get install qemu-user), called by name, so that no binfmt registration is needed.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

# Headers and libraries come from the target's tree only; programs run during the build, from
# the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The arm64 preset links statically, so that the emulator needs no target C library; -L lets it
# find Debian's (libc6-arm64-cross) for a program linked dynamically all the same.
find_program(VANTOREL_QEMU_AARCH64 qemu-aarch64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${VANTOREL_QEMU_AARCH64} -L ${CMAKE_FIND_ROOT_PATH})
