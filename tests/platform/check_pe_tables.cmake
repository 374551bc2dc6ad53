# Checks a built DLL's PE tables as `objdump -p` prints them: it exports
# exactly the expected names and imports from nothing but the allowed DLLs
# (Windows' own and the C runtime; none of GCC's runtime DLLs).
#
#   cmake -DOBJDUMP=... -DLIBRARY=x.dll -DEXPORTS="A;B" [-DEXPORTS_HEADER=h]
#         -DALLOWED_IMPORTS="kernel32.dll;msvcrt.dll" -P check_pe_tables.cmake
#
# EXPORTS_HEADER adds every function the header declares with PLUVESSA_API.

cmake_minimum_required(VERSION 3.25)

foreach(v OBJDUMP LIBRARY ALLOWED_IMPORTS)
  if(NOT DEFINED ${v})
    message(FATAL_ERROR "${v} not given")
  endif()
endforeach()

execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY} OUTPUT_VARIABLE listing
                RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${LIBRARY} failed: ${err}")
endif()

set(expected ${EXPORTS})
if(DEFINED EXPORTS_HEADER)
  file(READ ${EXPORTS_HEADER} header)
  string(REGEX MATCHALL "PLUVESSA_API[ \t]+[A-Za-z0-9_ \t*]*[ \t*](pluvessa_[a-z0-9_]+)[ \t]*\\("
         declarations "${header}")
  foreach(d IN LISTS declarations)
    string(REGEX REPLACE ".*[ \t*](pluvessa_[a-z0-9_]+)[ \t]*\\($" "\\1" name "${d}")
    list(APPEND expected ${name})
  endforeach()
endif()
list(SORT expected)
list(LENGTH expected expected_count)
list(REMOVE_DUPLICATES expected)
list(LENGTH expected unique_count)
if(NOT expected_count EQUAL unique_count)
  message(FATAL_ERROR "a name is expected twice")
endif()

# The name pointer table: lines "\t[   n] name" after its heading.
string(FIND "${listing}" "[Ordinal/Name Pointer] Table" at)
if(at LESS 0)
  message(FATAL_ERROR "${LIBRARY} has no export name table")
endif()
string(SUBSTRING "${listing}" ${at} -1 names_part)
string(REGEX MATCHALL "\n\t\\[ *[0-9]+\\] [A-Za-z0-9_@?$]+" rows "${names_part}")
set(exported)
foreach(r IN LISTS rows)
  string(REGEX REPLACE ".*\\] " "" name "${r}")
  list(APPEND exported ${name})
endforeach()
list(SORT exported)

set(failures)
foreach(n IN LISTS expected)
  if(NOT n IN_LIST exported)
    list(APPEND failures "not exported: ${n}")
  endif()
endforeach()
foreach(n IN LISTS exported)
  if(NOT n IN_LIST expected)
    list(APPEND failures "exported but not expected: ${n}")
  endif()
endforeach()

string(REGEX MATCHALL "\tDLL Name: [^\n]+" dlls "${listing}")
set(imported)
foreach(d IN LISTS dlls)
  string(REGEX REPLACE "\tDLL Name: " "" name "${d}")
  string(TOLOWER "${name}" name)
  list(APPEND imported ${name})
endforeach()
string(TOLOWER "${ALLOWED_IMPORTS}" allowed)
foreach(d IN LISTS imported)
  if(NOT d IN_LIST allowed)
    list(APPEND failures "imports ${d}")
  endif()
endforeach()
if(NOT "kernel32.dll" IN_LIST imported)
  list(APPEND failures "no import of kernel32.dll: the import table was not read")
endif()

list(LENGTH exported exported_count)
if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "${LIBRARY}:\n  ${text}")
endif()
list(JOIN imported ", " imported_text)
message(STATUS "${LIBRARY}: ${exported_count} exports as expected; imports ${imported_text}")
