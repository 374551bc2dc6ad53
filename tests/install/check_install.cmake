# Installs the build into a prefix, moves the prefix elsewhere, then builds
# and runs a small C program against it twice: through find_package(Ostrelle)
# and through pkg-config. Run with cmake -P and:
#   BUILD_DIR      the project's build tree
#   WORK_DIR       scratch folder (emptied first)
#   CONSUMER_DIR   tests/install/consumer
#   C_COMPILER     the C compiler of the build
#   GENERATOR      the CMake generator of the build
#   TOOLCHAIN_FILE optional, for a cross build
#   EMULATOR       optional, runs the consumer (wine, qemu-aarch64, ...)
#   TARGET_WINDOWS true when the build is for Windows

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    string(REPLACE ";" " " cmd "${ARGN}")
    message(FATAL_ERROR "failed (${rc}): ${cmd}\n${out}\n${err}")
  endif()
  set(run_output "${out}" PARENT_SCOPE)
endfunction()

# A consumer built beside a Windows DLL needs the DLL next to it.
function(run_consumer exe)
  get_filename_component(dir "${exe}" DIRECTORY)
  file(GLOB dlls "${WORK_DIR}/prefix/bin/*.dll")
  if(dlls)
    file(COPY ${dlls} DESTINATION "${dir}")
  endif()
  set(cmd "${exe}")
  if(EMULATOR)
    set(cmd ${EMULATOR} "${exe}")
  endif()
  run(${cmd})
  if(NOT run_output MATCHES "^ok")
    message(FATAL_ERROR "${exe} printed: ${run_output}")
  endif()
endfunction()

file(REMOVE_RECURSE "${WORK_DIR}")
run(${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${WORK_DIR}/staging")
# Everything found from now on must come from the moved tree.
file(RENAME "${WORK_DIR}/staging" "${WORK_DIR}/prefix")
set(prefix "${WORK_DIR}/prefix")
if(NOT EXISTS "${prefix}/include/pluvessa.h")
  message(FATAL_ERROR "the header was not installed")
endif()

# find_package(Ostrelle)
set(cross)
if(TOOLCHAIN_FILE)
  set(cross "-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE}")
endif()
run(${CMAKE_COMMAND} -S "${CONSUMER_DIR}" -B "${WORK_DIR}/consumer" -G "${GENERATOR}"
    "-DCMAKE_C_COMPILER=${C_COMPILER}" "-DCMAKE_PREFIX_PATH=${prefix}"
    "-DCMAKE_FIND_ROOT_PATH=${prefix}" -DCMAKE_BUILD_TYPE=Release ${cross})
run(${CMAKE_COMMAND} --build "${WORK_DIR}/consumer")
file(GLOB_RECURSE built "${WORK_DIR}/consumer/consumer" "${WORK_DIR}/consumer/consumer.exe")
if(NOT built)
  message(FATAL_ERROR "the find_package consumer was not built")
endif()
list(GET built 0 exe)
run_consumer("${exe}")

# pkg-config
find_program(PKG_CONFIG NAMES pkg-config pkgconf REQUIRED)
file(GLOB_RECURSE pc_files "${prefix}/*/pluvessa.pc")
if(NOT pc_files)
  message(FATAL_ERROR "pluvessa.pc was not installed")
endif()
list(GET pc_files 0 pc_file)
get_filename_component(pc_dir "${pc_file}" DIRECTORY)
set(ENV{PKG_CONFIG_PATH} "${pc_dir}")
set(ENV{PKG_CONFIG_LIBDIR} "${pc_dir}")
run(${PKG_CONFIG} --cflags --libs pluvessa)
string(STRIP "${run_output}" flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
run(${PKG_CONFIG} --variable=libdir pluvessa)
string(STRIP "${run_output}" libdir)
get_filename_component(libdir "${libdir}" REALPATH)
string(FIND "${libdir}/" "${prefix}/" at)
if(NOT at EQUAL 0)
  message(FATAL_ERROR "pkg-config's libdir ${libdir} is outside the moved prefix ${prefix}")
endif()
# ELF programs find the library through their run path (under qemu as
# well); Windows ones find the DLL copied beside them.
set(rpath)
if(NOT TARGET_WINDOWS)
  set(rpath "-Wl,-rpath,${libdir}")
endif()
file(MAKE_DIRECTORY "${WORK_DIR}/pkgconfig")
set(exe "${WORK_DIR}/pkgconfig/consumer")
run("${C_COMPILER}" -std=c11 "${CONSUMER_DIR}/consumer.c" ${flags} -lm ${rpath} -o "${exe}")
if(EXISTS "${exe}.exe")
  set(exe "${exe}.exe")
endif()
run_consumer("${exe}")
message(STATUS "installed package consumed through find_package and pkg-config")
