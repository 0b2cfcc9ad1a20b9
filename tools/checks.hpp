// Checking a kernel's result against the same computation in long double.
//
// Products: every output element is a sum of k terms (plus, where the kernel accumulates,
// the element's earlier value). Computed in double with any order, grouping and fusion, its
// error is at most gamma_k * (sum of |term|), gamma_k = k u / (1 - k u), u = 2^-53; k counts
// the terms plus the roundings a term takes before it is summed (one more for a complex term,
// two more in the scaled kernels, where a * B is rounded first). The long double reference
// carries its own, much smaller, error, which is added to the bound, and so is the absolute
// error that underflow may add to each rounding.
//
// Solves: for a triangular solve computed by substitution, each row's residual
// |B[i] - sum_j A(i,j) C[j]| is at most gamma_(k+1) * (|B[i]| + sum_j |A(i,j)| |C[j]|), with
// k the entries of row i. The normwise relative residual is reported beside it.
#ifndef SPK_TOOLS_CHECKS_HPP
#define SPK_TOOLS_CHECKS_HPP

#include <cstdint>
#include <string>
#include <vector>

namespace spk::host {

struct CheckResult {
  bool passed = true;
  double worst = 0.0;   // largest |error| / bound over the elements (0 where both are 0)
  std::string failure;  // the first element that broke its bound, empty if none
};

// The reference of one output array of a product, element by element.
class ProductReference {
 public:
  ProductReference(std::size_t elements, int extra_roundings);
  // The element's value before the kernel adds to it (scaled kernels).
  void start(std::size_t i, long double value);
  void add(std::size_t i, long double term);
  // A complex part: the sum or difference of two products, x + y, entering as one term.
  void add(std::size_t i, long double x, long double y);
  std::size_t size() const { return exact_.size(); }

  // Compares a kernel's output with the reference. NaN must meet NaN and an infinity the same
  // infinity; a finite reference allows an infinity or NaN only where the sum of magnitudes
  // reaches the overflow threshold. `what` names the array in the failure message.
  CheckResult compare(const std::vector<double>& got, const std::string& what) const;

 private:
  std::vector<long double> exact_;
  std::vector<long double> magnitude_;
  std::vector<std::int64_t> terms_;
  int extra_;
};

// One stored entry of a triangular matrix, zero-based.
struct TriangleEntry {
  std::int64_t row;
  std::int64_t col;
  double value;
};

struct SolveCheck : CheckResult {
  double relative_residual = 0.0;  // ||A C - B||_inf / (||A||_inf ||C||_inf)
};

SolveCheck check_solve(std::int64_t n, const std::vector<TriangleEntry>& entries,
                       const std::vector<double>& B, const std::vector<double>& C);

// Joins the checks of the two arrays of a complex result.
CheckResult both(const CheckResult& re, const CheckResult& im);

}  // namespace spk::host

#endif  // SPK_TOOLS_CHECKS_HPP
