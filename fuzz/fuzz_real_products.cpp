// Fuzz target: the four real sparse-vector products.
#include "harness.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace spk::fuzz;
  Builder b(data, size);
  const Kernel kernels[] = {Kernel::CSC_VecMult_CAB, Kernel::CSR_VecMult_CAB,
                            Kernel::CSC_VecMult_CaABC, Kernel::CSR_VecMult_CaABC};
  Call c{kernels[b.in().ConsumeIntegralInRange<int>(0, 3)]};
  const int32_t m = b.dimension(), n = b.dimension();
  c.d[0] = m, c.d[1] = n;
  c.a = b.value();
  const bool csc = c.kernel == Kernel::CSC_VecMult_CAB || c.kernel == Kernel::CSC_VecMult_CaABC;
  b.operand(c, n, m, false);
  b.dense(c, csc ? n : m, csc ? m : n, false);
  check_and_run(b, c);
  return 0;
}
