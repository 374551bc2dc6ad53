# Fails where a vector unit (an object built for one instruction set, see
# dsp/simd/vector_units.cmake) defines code the linker may pick for another
# unit's calls: a weak or indirect function symbol. Inline functions the
# units share with the rest of the program (an inline function of a header
# that was not inlined) show up as such; an AVX build of one could then run
# on a processor without AVX.
#   cmake -DNM=nm -DOBJECTS="a.o;b.o" -P check_vector_units.cmake
set(checked 0)
foreach(object ${OBJECTS})
  if(NOT object MATCHES "/vector_units/")
    continue()
  endif()
  math(EXPR checked "${checked} + 1")
  execute_process(COMMAND ${NM} --defined-only -C "${object}" OUTPUT_VARIABLE symbols
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${NM} failed on ${object}")
  endif()
  string(REGEX MATCHALL "[^\n]* [Wwi] [^\n]*" shared "${symbols}")
  if(shared)
    string(REPLACE ";" "\n  " shared "${shared}")
    message(SEND_ERROR "${object} shares code with other units:\n  ${shared}")
  endif()
endforeach()
if(checked EQUAL 0)
  message(FATAL_ERROR "no vector unit among the objects")
endif()
message(STATUS "${checked} vector units define no shared code")
