// Solve L x = b with a lower triangular L held by columns; then let the checker refuse a
// zero divisor before any kernel sees it.
#include <cstdio>
#include <vector>

#include <spkernels/check.h>
#include <spkernels/spkernels.h>

static int check(const std::vector<double>& Aval, const std::vector<int32_t>& Aind,
                 const std::vector<int32_t>& Aptr, const std::vector<double>& b,
                 const std::vector<double>& x, char (&message)[256]) {
  return spk_check_CSC_VecTriangSlvLD_CAB_double(
      static_cast<int32_t>(b.size()), Aval.data(), Aval.size(), Aind.data(), Aind.size(),
      Aptr.data(), Aptr.size(), b.data(), b.size(), x.data(), x.size(), SPK_CHECK_ZERO_DIVISOR,
      message, sizeof message);
}

int main() {
  // L = [[2, 0, 0], [1, 4, 0], [3, -1, 5]]; the divisor of each column is its first entry.
  std::vector<int32_t> Aptr{0, 3, 5, 6}, Aind{0, 1, 2, 1, 2, 2};
  std::vector<double> Aval{2, 1, 3, 4, -1, 5}, b{2, 5, 12}, x(3);
  char message[256];
  if (int rc = check(Aval, Aind, Aptr, b, x, message); rc != SPK_OK) {
    std::fprintf(stderr, "%s: %s\n", spk_check_error_name(rc), message);
    return 1;
  }
  CSC_VecTriangSlvLD_CAB_double(3, Aval.data(), Aind.data(), Aptr.data(), b.data(), x.data());
  std::printf("x = [%g, %g, %g]\n", x[0], x[1], x[2]);

  Aval[0] = 0;  // column 0 now divides by zero
  std::printf("%s\n", spk_check_error_name(check(Aval, Aind, Aptr, b, x, message)));
  return 0;
}
