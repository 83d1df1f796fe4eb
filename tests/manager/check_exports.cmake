# What libquenloft.so shows the world: exactly its three entry points.
#   cmake -DNM=<nm> -DLIBRARY=<libquenloft.so> -P check_exports.cmake
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY}
  OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${NM} could not read ${LIBRARY}")
endif()
# Each line ends with the symbol's name.
string(REGEX MATCHALL "[^ \n]+\n" names "${listing}")
string(REPLACE "\n" "" names "${names}")
list(SORT names)
set(expected CreateTemplateManagerInstance CreateTemplateResolversInstance InitTemplateFilesToCache)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "${LIBRARY} exports ${names}, not ${expected}")
endif()
