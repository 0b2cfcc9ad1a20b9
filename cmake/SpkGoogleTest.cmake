# GoogleTest for the test programs, as the targets GTest::gtest and GTest::gtest_main.
#
# A native build uses the installed package. A cross build cannot (Debian's libgtest-dev is
# built for the host only), so it compiles GoogleTest from its sources (Debian package
# `googletest`, in /usr/src/googletest) with the target's compiler, inside this build.
if(CMAKE_CROSSCOMPILING)
  set(SPK_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH
      "GoogleTest sources, compiled for the target in cross builds")
  if(NOT EXISTS ${SPK_GTEST_SOURCE_DIR}/CMakeLists.txt)
    message(FATAL_ERROR "SPK_GTEST_SOURCE_DIR: no GoogleTest sources in '${SPK_GTEST_SOURCE_DIR}' "
            "(no CMakeLists.txt there). Install them with 'apt-get install googletest' or set "
            "-DSPK_GTEST_SOURCE_DIR=<path>.")
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${SPK_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  foreach(lib IN ITEMS gtest gtest_main)
    # Its own warnings under the target's compiler are not ours to fix.
    target_compile_options(${lib} PRIVATE -w)
    if(NOT TARGET GTest::${lib})
      add_library(GTest::${lib} ALIAS ${lib})
    endif()
  endforeach()
else()
  find_package(GTest REQUIRED)
endif()
