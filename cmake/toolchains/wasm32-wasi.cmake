# WebAssembly (wasm32) with Debian's clang and wasi-libc (packages clang,
# lld, wasi-libc, libc++-14-dev-wasm32, libc++abi-14-dev-wasm32,
# libclang-rt-14-dev-wasm32). The modules it builds import nothing: the page
# instantiates them directly, in the audio thread's scope as well.
#
#   cmake -S . -B build-wasm -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/wasm32-wasi.cmake

# CMake has no WASI platform of its own: Generic with the wasm32 processor.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR wasm32)

find_program(OSTRELLE_WASM_CLANG NAMES clang-14 clang REQUIRED)
find_program(OSTRELLE_WASM_CLANGXX NAMES clang++-14 clang++ REQUIRED)
set(CMAKE_C_COMPILER "${OSTRELLE_WASM_CLANG}")
set(CMAKE_CXX_COMPILER "${OSTRELLE_WASM_CLANGXX}")
set(CMAKE_C_COMPILER_TARGET wasm32-wasi)
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)

# The modules are libraries of exported functions, not programs: the
# compiler's own checks link no start-up code.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

# Only the wasi-libc headers and libraries, never the build machine's.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run under node's WASI (ctest, gtest_discover_tests).
find_program(OSTRELLE_WASM_NODE NAMES node nodejs)
if(OSTRELLE_WASM_NODE)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      "${OSTRELLE_WASM_NODE};--no-warnings;${CMAKE_CURRENT_LIST_DIR}/../../tests/wasm/run-wasi.mjs")
endif()
