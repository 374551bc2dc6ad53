# Linux on 64-bit ARM from an x86-64 Debian machine, with Debian's
# aarch64-linux-gnu GCC. Test programs run under qemu-user, which finds the
# target's loader and libraries under the cross sysroot.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(OSTRELLE_CROSS_TRIPLE aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${OSTRELLE_CROSS_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${OSTRELLE_CROSS_TRIPLE}-g++)

# The cross system's root, after any given on the command line (a program
# built against an unpacked or installed tree of ours names that tree).
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${OSTRELLE_CROSS_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(OSTRELLE_QEMU NAMES qemu-aarch64 qemu-aarch64-static)
if(OSTRELLE_QEMU)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${OSTRELLE_QEMU} -L /usr/${OSTRELLE_CROSS_TRIPLE})
endif()
