# 32-bit big-endian PowerPC with Debian's cross compiler (g++-powerpc-linux-gnu). Programs run
# under qemu-ppc, which finds the target's loader and libraries under /usr/powerpc-linux-gnu;
# CTest and test discovery go through the same emulator.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR powerpc)

set(SPK_CROSS_TRIPLE powerpc-linux-gnu)
set(SPK_CROSS_SYSROOT /usr/${SPK_CROSS_TRIPLE})
set(CMAKE_C_COMPILER ${SPK_CROSS_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${SPK_CROSS_TRIPLE}-g++)

set(CMAKE_FIND_ROOT_PATH ${SPK_CROSS_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(SPK_QEMU_PPC qemu-ppc REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${SPK_QEMU_PPC} -L ${SPK_CROSS_SYSROOT})
