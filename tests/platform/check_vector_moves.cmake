# Checks that a built DLL holds 256-bit vector code (its AVX units) and no
# aligned vector move with a memory operand: GCC for Windows does not align
# the stack for 256- and 512-bit spills, so such a move could fault.
#
#   cmake -DOBJDUMP=... -DLIBRARY=x.dll -P check_vector_moves.cmake

cmake_minimum_required(VERSION 3.25)

foreach(v OBJDUMP LIBRARY)
  if(NOT DEFINED ${v})
    message(FATAL_ERROR "${v} not given")
  endif()
endforeach()

# The disassembly runs to tens of megabytes: grep filters it.
execute_process(COMMAND ${OBJDUMP} -d --no-show-raw-insn ${LIBRARY}
                COMMAND grep -cE "%[yz]mm[0-9]"
                OUTPUT_VARIABLE wide_count OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT wide_count GREATER 0)
  message(FATAL_ERROR "${LIBRARY}: no 256- or 512-bit vector instruction; were the AVX units built?")
endif()

# VEX and EVEX aligned moves (and non-temporal ones, aligned by definition)
# with a memory operand, which AT&T syntax writes in parentheses.
execute_process(COMMAND ${OBJDUMP} -d --no-show-raw-insn ${LIBRARY}
                COMMAND grep -E "\tvmov(aps|apd|dqa|dqa32|dqa64|ntps|ntpd|ntdq|ntdqa)[ \t].*\\("
                OUTPUT_VARIABLE aligned)
if(aligned)
  string(REGEX MATCHALL "[^\n]+" rows "${aligned}")
  list(LENGTH rows n)
  list(SUBLIST rows 0 5 first)
  list(JOIN first "\n" text)
  message(FATAL_ERROR "${LIBRARY}: ${n} aligned vector moves with a memory operand, first:\n${text}")
endif()
message(STATUS "${LIBRARY}: ${wide_count} instructions on 256/512-bit registers, no aligned vector move to or from memory")
