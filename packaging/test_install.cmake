# Installs the build into a fresh temporary prefix and uses it as a customer would:
#   1. the C and C++ examples configured, built and run through find_package(spkernels);
#   2. the C example compiled and run through pkg-config;
#   3. the Python example run from the installed Python package;
# and checks that the README shows each example as it is here.
# Inputs (-D): BUILD_DIR WORK_DIR SOURCE_DIR README GENERATOR C_COMPILER CXX_COMPILER
#              PKG_CONFIG PYTHON PYTHON_DIR LIBDIR SANITIZE
set(examples ${SOURCE_DIR}/examples)
set(prefix ${WORK_DIR}/prefix)

function(run what)
  cmake_parse_arguments(PARSE_ARGV 1 R "" "OUTPUT" "COMMAND")
  execute_process(COMMAND ${R_COMMAND} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${R_COMMAND}\n${out}\n${err}")
  endif()
  if(R_OUTPUT)
    set(${R_OUTPUT} "${out}" PARENT_SCOPE)
  endif()
endfunction()

function(expect what actual expected)
  if(NOT actual STREQUAL expected)
    message(FATAL_ERROR "${what} printed\n${actual}\nnot\n${expected}")
  endif()
  message(STATUS "${what}: ok")
endfunction()

# The README shows every example verbatim.
if(EXISTS ${README})
  file(READ ${README} readme)
  foreach(example IN ITEMS example.c example.cpp example.py)
    file(READ ${examples}/${example} text)
    string(FIND "${readme}" "${text}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "${README} does not show ${examples}/${example} as it stands")
    endif()
  endforeach()
endif()

file(REMOVE_RECURSE ${WORK_DIR})
run("install" COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
foreach(file IN ITEMS include/spkernels/spkernels.h include/spkernels/check.h
                      ${LIBDIR}/libspkernels.so.0 ${LIBDIR}/libspkernels_check.so
                      ${LIBDIR}/pkgconfig/spkernels.pc ${LIBDIR}/cmake/spkernels/spkernelsConfig.cmake
                      ${LIBDIR}/spkernels/spkernels_powerpc.so ${LIBDIR}/spkernels/spkernels_separate.so)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "the install put no ${file} under ${prefix}")
  endif()
endforeach()

# An instrumented checker (SPK_SANITIZE) needs instrumented programs around it.
set(sanitize_flags "")
if(SANITIZE)
  set(sanitize_flags -fsanitize=${SANITIZE})
endif()

set(c_expected "MATLAB R13 native: y = [3, 3]\n")
set(cpp_expected "x = [1, 1, 2]\nSPK_ERR_ZERO_DIVISOR\n")

# 1. find_package
run("configure the find_package consumer" COMMAND ${CMAKE_COMMAND} -G ${GENERATOR}
    -S ${SOURCE_DIR}/consumer -B ${WORK_DIR}/consumer
    -DCMAKE_C_COMPILER=${C_COMPILER} -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
    -DCMAKE_PREFIX_PATH=${prefix} -DEXAMPLES_DIR=${examples}
    "-DCMAKE_C_FLAGS=${sanitize_flags}" "-DCMAKE_CXX_FLAGS=${sanitize_flags}")
run("build the find_package consumer" COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
run("example_c (find_package)" COMMAND ${WORK_DIR}/consumer/example_c OUTPUT out)
expect("example_c (find_package)" "${out}" "${c_expected}")
run("example_cpp (find_package)" COMMAND ${WORK_DIR}/consumer/example_cpp OUTPUT out)
expect("example_cpp (find_package)" "${out}" "${cpp_expected}")

# 2. pkg-config
if(NOT PKG_CONFIG)
  message(FATAL_ERROR "pkg-config was not found when the build was configured (apt-get install pkg-config)")
endif()
set(ENV{PKG_CONFIG_PATH} ${prefix}/${LIBDIR}/pkgconfig)
run("pkg-config" COMMAND ${PKG_CONFIG} --cflags --libs spkernels spkernels_check OUTPUT flags)
string(STRIP "${flags}" flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
run("compile example.c (pkg-config)" COMMAND ${C_COMPILER} ${sanitize_flags} ${examples}/example.c ${flags}
    -o ${WORK_DIR}/example_c_pc)
set(ENV{LD_LIBRARY_PATH} ${prefix}/${LIBDIR})
run("example_c (pkg-config)" COMMAND ${WORK_DIR}/example_c_pc OUTPUT out)
expect("example_c (pkg-config)" "${out}" "${c_expected}")
run("readelf" COMMAND readelf -d ${WORK_DIR}/example_c_pc OUTPUT dynamic)
if(NOT dynamic MATCHES "\\[libspkernels\\.so\\.0\\]")
  message(FATAL_ERROR "example_c_pc does not record libspkernels.so.0:\n${dynamic}")
endif()
unset(ENV{LD_LIBRARY_PATH})

# 3. Python, from the installed package alone.
execute_process(COMMAND ${PYTHON} -c "import numpy, scipy" RESULT_VARIABLE rc
                OUTPUT_QUIET ERROR_QUIET)
if(SANITIZE)
  message(STATUS "example.py skipped: the checker is instrumented (SPK_SANITIZE)")
elseif(rc EQUAL 0)
  set(ENV{PYTHONPATH} ${prefix}/${PYTHON_DIR})
  unset(ENV{SPKERNELS_LIB_DIR})
  run("example.py (installed)" COMMAND ${PYTHON} ${examples}/example.py OUTPUT out)
  if(NOT out MATCHES "^MATLAB R13 native True\nrefused: spkernels.matvec: x has dtype float32")
    message(FATAL_ERROR "example.py printed\n${out}")
  endif()
  message(STATUS "example.py (installed): ok")
else()
  message(STATUS "example.py skipped: ${PYTHON} has no numpy and scipy")
endif()
