# Installs the build into a temporary prefix, then builds and runs a host
# that finds the package with find_package(Quenloft), checks the .pc file
# and runs the installed tool on the installed stock skin.
# -DBUILD_DIR=... -DWORK_DIR=... -DSOURCE_DIR=... -DSANITIZE_FLAGS=...
set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/tool/consumer -B ${WORK_DIR}/consumer -G Ninja
    -DCMAKE_PREFIX_PATH=${prefix} "-DCMAKE_CXX_FLAGS=${SANITIZE_FLAGS}"
    "-DCMAKE_EXE_LINKER_FLAGS=${SANITIZE_FLAGS}")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
file(GLOB libdirs LIST_DIRECTORIES true ${prefix}/lib*)
list(GET libdirs 0 libdir)
if(EXISTS ${prefix}/lib/x86_64-linux-gnu)
  set(libdir ${prefix}/lib/x86_64-linux-gnu)
endif()
set(ENV{LD_LIBRARY_PATH} ${libdir})
run(${WORK_DIR}/consumer/consumer)
if(NOT last_output STREQUAL "installed ok\n")
  message(FATAL_ERROR "consumer printed '${last_output}'")
endif()

find_program(PKG_CONFIG pkg-config)
if(PKG_CONFIG)
  set(ENV{PKG_CONFIG_PATH} ${libdir}/pkgconfig)
  run(${PKG_CONFIG} --libs --cflags quenloft)
  if(NOT last_output MATCHES "-lquenloft" OR NOT last_output MATCHES "/include")
    message(FATAL_ERROR "pkg-config gave '${last_output}'")
  endif()
endif()

# The installed tool finds the installed library and its stock skin.
unset(ENV{LD_LIBRARY_PATH})
run(${prefix}/bin/quenloft build -o ${WORK_DIR}/out --set Title=Installed -q)
if(NOT EXISTS ${WORK_DIR}/out/index.htm)
  message(FATAL_ERROR "the installed tool did not build the stock skin")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
