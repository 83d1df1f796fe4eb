# The MinGW-w64 runtime DLLs that every module of the Windows build imports
# (the toolchain links with -shared-libgcc): the unwinder libgcc_s (DWARF-2
# on 32-bit, SEH on 64-bit), libstdc++ and winpthread. They are taken from
# the cross compiler in use, so they match it and its thread model, copied
# into bin beside quenloft.dll, the programs and the tests, and installed
# with the DLLs. Release copies lose their symbol tables and debug sections,
# as our own modules do.

# A build folder first configured while the toolchain linked with -static
# keeps that in its cache, and would link a runtime into every module again.
foreach(_kind EXE SHARED MODULE)
  if(" ${CMAKE_${_kind}_LINKER_FLAGS} " MATCHES " -static(-libgcc)? ")
    message(FATAL_ERROR "CMAKE_${_kind}_LINKER_FLAGS is '${CMAKE_${_kind}_LINKER_FLAGS}', "
      "but the Windows modules use the runtime DLLs: configure ${CMAKE_BINARY_DIR} "
      "afresh (remove its CMakeCache.txt).")
  endif()
endforeach()

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(_ql_libgcc libgcc_s_dw2-1.dll)
else()
  set(_ql_libgcc libgcc_s_seh-1.dll)
endif()
set(QUENLOFT_MINGW_RUNTIME ${_ql_libgcc} libstdc++-6.dll libwinpthread-1.dll)

set(_ql_runtime_copies)
foreach(_dll IN LISTS QUENLOFT_MINGW_RUNTIME)
  # The compiler answers the bare name when it has no such file.
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${_dll}
    OUTPUT_VARIABLE _source OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE _result)
  if(NOT _result EQUAL 0 OR NOT IS_ABSOLUTE "${_source}" OR NOT EXISTS "${_source}")
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} has no ${_dll} to ship")
  endif()
  cmake_path(NORMAL_PATH _source)
  set(_copy ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${_dll})
  set(_strip ${CMAKE_STRIP} --strip-unneeded -o ${_copy} ${_source})
  set(_plain ${CMAKE_COMMAND} -E copy ${_source} ${_copy})
  add_custom_command(OUTPUT ${_copy}
    COMMAND "$<IF:$<CONFIG:Release>,${_strip},${_plain}>"
    DEPENDS ${_source}
    COMMENT "Copying ${_dll} from the compiler beside the DLLs"
    COMMAND_EXPAND_LISTS VERBATIM)
  list(APPEND _ql_runtime_copies ${_copy})
endforeach()
add_custom_target(quenloft-mingw-runtime ALL DEPENDS ${_ql_runtime_copies})
install(PROGRAMS ${_ql_runtime_copies} DESTINATION ${CMAKE_INSTALL_BINDIR})
