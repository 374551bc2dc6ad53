# Checks that a built 64-bit ARM library holds no fused multiply-add: every
# product is rounded before it is added, as in the scalar code (GCC contracts
# a * b + c into fmadd or fmla unless told not to, which changes the bits).
# It must hold vector arithmetic too, so that the check has something to see.
#
#   cmake -DOBJDUMP=... -DLIBRARY=x.so -P check_no_fused_multiply_add.cmake

cmake_minimum_required(VERSION 3.25)

foreach(v OBJDUMP LIBRARY)
  if(NOT DEFINED ${v})
    message(FATAL_ERROR "${v} not given")
  endif()
endforeach()

execute_process(COMMAND ${OBJDUMP} -d --no-show-raw-insn ${LIBRARY}
                COMMAND grep -E "\t(fmla|fmls|fmadd|fmsub|fnmadd|fnmsub)[ \t]"
                OUTPUT_VARIABLE fused)
if(fused)
  string(REGEX MATCHALL "[^\n]+" rows "${fused}")
  list(LENGTH rows n)
  list(SUBLIST rows 0 5 first)
  list(JOIN first "\n" text)
  message(FATAL_ERROR "${LIBRARY}: ${n} fused multiply-adds, first:\n${text}")
endif()
execute_process(COMMAND ${OBJDUMP} -d --no-show-raw-insn ${LIBRARY}
                COMMAND grep -cE "\tf[a-z]+[ \t]+v[0-9]+\\.4s"
                OUTPUT_VARIABLE vector_count OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT vector_count GREATER 0)
  message(FATAL_ERROR "${LIBRARY}: no four-lane float arithmetic at all")
endif()

message(STATUS "${LIBRARY}: ${vector_count} four-lane float instructions, no fused multiply-add")
