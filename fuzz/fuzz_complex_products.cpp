// Fuzz target: the two complex sparse-vector products.
#include "harness.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace spk::fuzz;
  Builder b(data, size);
  Call c{b.in().ConsumeBool() ? Kernel::CSC_CmplxVecMult_CAB : Kernel::CSR_CmplxVecMult_CAB};
  const int32_t m = b.dimension(), n = b.dimension();
  c.d[0] = m, c.d[1] = n;
  const bool csc = c.kernel == Kernel::CSC_CmplxVecMult_CAB;
  b.operand(c, n, m, true);
  b.dense(c, csc ? n : m, csc ? m : n, true);
  check_and_run(b, c);
  return 0;
}
