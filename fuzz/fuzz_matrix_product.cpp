// Fuzz target: the sparse times dense matrix product (B and C with column stride m).
#include "harness.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace spk::fuzz;
  Builder b(data, size);
  Call c{Kernel::CSC_MatMult_CAB};
  const int32_t m = b.dimension(), n = b.dimension(), k = b.dimension();
  c.d[0] = m, c.d[1] = n, c.d[2] = k;
  c.spare = b.in().ConsumeIntegral<int32_t>();
  b.operand(c, k, m, false);
  const int64_t b_natural = n > 0 && k > 0 ? int64_t(n - 1) * m + k : 0;
  b.dense(c, b_natural, int64_t(m) * n, false);
  const int64_t work = int64_t(n) * (int64_t(k) + m + 1);
  check_and_run(b, c, n >= 0 && k >= 0 && m >= 0 && work <= (1 << 20));
  return 0;
}
