# Windows x64 from Linux with Debian's mingw-w64 GCC (the POSIX-threads
# variant, so that the tests have std::thread and std::mutex; the plug-in
# libraries link every runtime statically and import nothing of it).
# Test programs run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(OSTRELLE_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${OSTRELLE_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${OSTRELLE_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${OSTRELLE_MINGW_PREFIX}-windres)
set(CMAKE_OBJDUMP /usr/bin/${OSTRELLE_MINGW_PREFIX}-objdump)

# The cross system's root, after any given on the command line (a program
# built against an unpacked or installed tree of ours names that tree).
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${OSTRELLE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(OSTRELLE_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(OSTRELLE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${OSTRELLE_WINE})
endif()
