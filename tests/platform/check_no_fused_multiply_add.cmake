# Checks that built 64-bit ARM code (libraries or object files) holds no
# fused multiply-add: every product is rounded before it is added, as in the
# scalar code (GCC contracts a * b + c into fmadd or fmla unless told not
# to, which changes the bits). The files must hold four-lane float arithmetic
# too, so that the check has something to see.
#
#   cmake -DOBJDUMP=... -DLIBRARY="x.so;y.o" -P check_no_fused_multiply_add.cmake

cmake_minimum_required(VERSION 3.25)

foreach(v OBJDUMP LIBRARY)
  if(NOT DEFINED ${v})
    message(FATAL_ERROR "${v} not given")
  endif()
endforeach()

set(failed FALSE)
set(total 0)
foreach(file ${LIBRARY})
  execute_process(COMMAND ${OBJDUMP} -d --no-show-raw-insn ${file}
                  OUTPUT_VARIABLE code RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR NOT code)
    message(FATAL_ERROR "${OBJDUMP} could not read ${file}")
  endif()
  string(REGEX MATCHALL "[^\n]*\t(fmla|fmls|fmadd|fmsub|fnmadd|fnmsub)[ \t][^\n]*" fused "${code}")
  string(REGEX MATCHALL "\tf[a-z]+[ \t]+v[0-9]+\\.4s" vector "${code}")
  list(LENGTH fused n)
  list(LENGTH vector vector_count)
  get_filename_component(name "${file}" NAME)
  if(n GREATER 0)
    list(SUBLIST fused 0 5 first)
    list(JOIN first "\n" text)
    message(SEND_ERROR "${file}: ${n} fused multiply-adds, first:\n${text}")
    set(failed TRUE)
  else()
    message(STATUS "${name}: ${vector_count} four-lane float instructions, no fused multiply-add")
  endif()
  math(EXPR total "${total} + ${vector_count}")
endforeach()
if(failed)
  message(FATAL_ERROR "fused multiply-adds found")
endif()
if(NOT total GREATER 0)
  message(FATAL_ERROR "no four-lane float arithmetic at all in ${LIBRARY}")
endif()
