# 32-bit x86 with the host's multilib compiler (Debian g++-12-multilib). Doubles are computed in
# SSE2 registers only: x87 arithmetic would hold intermediates in extended precision.
# The programs run directly on an x86-64 kernel; no emulator is needed.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER gcc-12)
set(CMAKE_CXX_COMPILER g++-12)
set(CMAKE_C_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")

# The kernel's user-space headers serve both word sizes, but g++-12-multilib alone does not
# make <asm/...> reachable from -m32 compiles: the unversioned gcc-multilib package would link
# /usr/include/asm to them, and it conflicts with the PowerPC cross compiler. So the build keeps
# that link in an include directory of its own, searched after the system's.
if(NOT EXISTS /usr/include/asm AND EXISTS /usr/include/x86_64-linux-gnu/asm)
  set(SPK_I386_INCLUDE ${CMAKE_BINARY_DIR}/i386-include)
  if(NOT EXISTS ${SPK_I386_INCLUDE}/asm)
    file(MAKE_DIRECTORY ${SPK_I386_INCLUDE})
    file(CREATE_LINK /usr/include/x86_64-linux-gnu/asm ${SPK_I386_INCLUDE}/asm SYMBOLIC)
  endif()
  string(APPEND CMAKE_C_FLAGS_INIT " -idirafter ${SPK_I386_INCLUDE}")
  string(APPEND CMAKE_CXX_FLAGS_INIT " -idirafter ${SPK_I386_INCLUDE}")
endif()

set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-m32")

# Libraries and packages of the 32-bit multilib, never the 64-bit ones of the host.
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
