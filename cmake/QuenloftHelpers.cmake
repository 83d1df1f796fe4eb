# Shared CMake helpers.

# Version, soversion and the $ORIGIN run path of a shared library of ours.
# On Windows: the DLL is named without the "lib" prefix and exports only
# what DEF_FILE lists. A DEF_FILE ending in ".in" is configured first:
# @STDCALL_0@ and @STDCALL_4@ stand for the "@N" that 32-bit stdcall names
# carry (empty on 64-bit), @SIZE_T@ for the mangled size_t. The DLL
# exports them undecorated (--kill-at); its import library, made again by
# dlltool from the same list, keeps the decorated names that callers link
# against (the linker's own would lose them).
function(quenloft_setup_shared_library target)
  cmake_parse_arguments(ARG "" "DEF_FILE" "" ${ARGN})
  if(WIN32)
    set_target_properties(${target} PROPERTIES PREFIX "")
    if(ARG_DEF_FILE MATCHES "\\.in$")
      if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        set(STDCALL_0 "@0")
        set(STDCALL_4 "@4")
        set(SIZE_T j)
      else()
        set(STDCALL_0 "")
        set(STDCALL_4 "")
        set(SIZE_T y)
      endif()
      get_filename_component(_name ${ARG_DEF_FILE} NAME_WLE)
      configure_file(${ARG_DEF_FILE} ${CMAKE_CURRENT_BINARY_DIR}/${_name} @ONLY)
      target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${_name})
    elseif(ARG_DEF_FILE)
      target_sources(${target} PRIVATE ${ARG_DEF_FILE})
    endif()
    if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND _name)
      target_link_options(${target} PRIVATE -Wl,--kill-at)
      add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_DLLTOOL} --kill-at -d ${CMAKE_CURRENT_BINARY_DIR}/${_name}
                -D $<TARGET_FILE_NAME:${target}> -l $<TARGET_LINKER_FILE:${target}>
        VERBATIM)
    endif()
    target_link_options(${target} PRIVATE -Wl,--no-undefined)
    return()
  endif()
  set_target_properties(${target} PROPERTIES
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR}
    BUILD_RPATH "$ORIGIN"
    INSTALL_RPATH "$ORIGIN")
  if(NOT QUENLOFT_SANITIZE)
    target_link_options(${target} PRIVATE -Wl,--no-undefined)
  endif()
endfunction()

# An internal static library of libquenloft (compiled PIC, hidden symbols).
function(quenloft_add_internal_library target)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${target} STATIC ${ARG_SOURCES})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/include)
  target_link_libraries(${target} PUBLIC ${ARG_DEPS})
endfunction()

# A GoogleTest executable; each test runs as its own ctest entry (its own
# process, so process-wide state such as the file cache starts fresh).
function(quenloft_add_test target)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${target} ${ARG_SOURCES})
  # On Windows the tests' main initialises the component runtime first.
  if(WIN32)
    set(_main quenloft_test_main)
  else()
    set(_main GTest::gtest_main)
  endif()
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock ${_main})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  set_target_properties(${target} PROPERTIES BUILD_RPATH "$ORIGIN/../lib")
  set(_properties TIMEOUT 120)
  if(ARG_LABELS)
    list(APPEND _properties LABELS "${ARG_LABELS}")
  endif()
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES ${_properties})
endfunction()

# An executable of ours that runs from bin/ against the libraries in lib/.
function(quenloft_setup_executable target)
  set_target_properties(${target} PROPERTIES
    BUILD_RPATH "$ORIGIN/../lib"
    INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
endfunction()
