// Fuzz target: the four triangular solves, mostly on operands of the triangular form each
// needs, in place now and then.
#include "harness.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace spk::fuzz;
  Builder b(data, size);
  const Kernel kernels[] = {Kernel::CSC_VecTriangSlvLD_CAB, Kernel::CSC_VecTriangSlvUD_CAB,
                            Kernel::CSR_VecTriangSlvLD_CAB, Kernel::CSR_VecTriangSlvUD_CAB};
  Call c{kernels[b.in().ConsumeIntegralInRange<int>(0, 3)]};
  const int32_t n = b.dimension();
  c.d[0] = n;
  if (n >= 0 && n <= 12 && b.in().ConsumeIntegralInRange<int>(0, 3) != 0)
    b.triangular(c, n);
  else
    b.operand(c, n, n, false);
  b.dense(c, n, n, false);
  check_and_run(b, c);
  return 0;
}
