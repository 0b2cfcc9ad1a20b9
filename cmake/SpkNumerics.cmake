# Floating-point settings for everything that computes: nothing fused or reordered by the
# compiler, no fast-math, and on x86 only SSE2 arithmetic (never x87 extended precision).
#
# SPK_FMA selects how the fused scheme gets its single-rounding multiply-add:
#   hardware  the target's fused instruction (on x86-64 this adds -mfma: CPUs since 2013)
#   software  a correctly rounded integer implementation of our own, for CPUs without one
set(SPK_FMA "hardware" CACHE STRING "Fused multiply-add: hardware or software")
set_property(CACHE SPK_FMA PROPERTY STRINGS hardware software)

add_library(spk_numerics INTERFACE)
target_compile_options(spk_numerics INTERFACE -ffp-contract=off -fno-fast-math)
# Every loop starts on a 64-byte boundary. A kernel's inner loop is a handful of instructions;
# where it happens to fall across fetch blocks changed its speed by up to 1.8x between
# otherwise identical builds (and made the benchmark compare code placement, not schedules).
target_compile_options(spk_numerics INTERFACE -falign-loops=64)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|i[3-6]86)$")
  target_compile_options(spk_numerics INTERFACE -msse2 -mfpmath=sse)
  # Only the 64-bit build asks for the instruction. The 32-bit x86 build is the separately
  # rounded one and targets CPUs older than FMA; its fused scheme, where wanted, is software.
  if(SPK_FMA STREQUAL "hardware" AND CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64)$")
    target_compile_options(spk_numerics INTERFACE -mfma)
  endif()
endif()
if(SPK_FMA STREQUAL "software")
  target_compile_definitions(spk_numerics INTERFACE SPK_SOFTWARE_FMA)
endif()
