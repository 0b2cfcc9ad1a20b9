// Fuzz target: the two symmetric products (n rows visited, vectors of m elements).
#include "harness.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace spk::fuzz;
  Builder b(data, size);
  Call c{b.in().ConsumeBool() ? Kernel::CSRsymm_VecMult_CAB : Kernel::CSRsymm_CmplxVecMult_CAB};
  const bool complex = c.kernel == Kernel::CSRsymm_CmplxVecMult_CAB;
  const int32_t n = b.dimension(), m = b.dimension();
  c.d[0] = n, c.d[1] = m;
  b.operand(c, n, m, complex);
  b.dense(c, m, m, complex);
  check_and_run(b, c);
  return 0;
}
