# The layering of src/, checked: a folder includes its own headers and
# those of folders below it, never one beside or above it. The tool and the
# examples are hosts and include no folder of src/ at all.
#
#   cmake -DSOURCE_DIR=<project root> -P cmake/CheckLayers.cmake
#
# Runs as the test Layering.IncludesPointDown; prints every offending
# include as FILE:LINE and fails.

# Folder and level, bottom up. Folders on one level do not include each
# other.
set(_layers
  frame 0  platform 0
  language 1
  patching 2  functions 2
  resolvers 3  cache 3
  manager 4
  library 5)

set(_folders "")
list(LENGTH _layers _count)
math(EXPR _last "${_count} - 1")
foreach(_i RANGE 0 ${_last} 2)
  math(EXPR _j "${_i} + 1")
  list(GET _layers ${_i} _folder)
  list(GET _layers ${_j} _level)
  set(_level_${_folder} ${_level})
  list(APPEND _folders ${_folder})
endforeach()
list(JOIN _folders "|" _folder_pattern)

set(_problems "")

# Appends "FILE:LINE: TEXT" to _problems for every include of a src/ folder
# in `file` that the layering forbids; a file without `own_folder` is a
# host and may include none.
function(_check_file file own_folder)
  file(STRINGS ${file} _lines)
  set(_number 0)
  foreach(_line IN LISTS _lines)
    math(EXPR _number "${_number} + 1")
    if(NOT _line MATCHES "^[ \t]*#[ \t]*include[ \t]+\"(${_folder_pattern})/")
      continue()
    endif()
    set(_target ${CMAKE_MATCH_1})
    set(_ok FALSE)
    if(own_folder)
      if(_target STREQUAL own_folder OR _level_${_target} LESS _level_${own_folder})
        set(_ok TRUE)
      endif()
    endif()
    if(NOT _ok)
      file(RELATIVE_PATH _shown ${SOURCE_DIR} ${file})
      string(APPEND _problems "${_shown}:${_number}: ${_line}\n")
    endif()
  endforeach()
  set(_problems "${_problems}" PARENT_SCOPE)
endfunction()

foreach(_folder IN LISTS _folders)
  file(GLOB_RECURSE _files ${SOURCE_DIR}/src/${_folder}/*.h ${SOURCE_DIR}/src/${_folder}/*.cpp)
  foreach(_file IN LISTS _files)
    _check_file(${_file} ${_folder})
  endforeach()
endforeach()

file(GLOB_RECURSE _hosts ${SOURCE_DIR}/tools/*.h ${SOURCE_DIR}/tools/*.cpp
     ${SOURCE_DIR}/examples/*.h ${SOURCE_DIR}/examples/*.cpp ${SOURCE_DIR}/include/*.h)
foreach(_file IN LISTS _hosts)
  _check_file(${_file} "")
endforeach()

if(_problems)
  message(FATAL_ERROR "Includes against the layering (see HACKING.md):\n${_problems}")
endif()
message(STATUS "Every include of src/ points down a layer.")
