// Running one kernel of a loaded bundle on a matrix: the operands in the layout the kernel
// takes, repeated timed calls, and the check of the result.
#ifndef SPK_TOOLS_RUNNERS_HPP
#define SPK_TOOLS_RUNNERS_HPP

#include <cstdint>
#include <string>

#include "bundle.hpp"
#include "checks.hpp"
#include "matrix_market.hpp"

namespace spk::host {

struct RunOptions {
  int repeat = 11;         // timed calls; the median is reported
  int columns = 4;         // columns of the dense B of CSC_MatMult_CAB_double
  std::uint64_t seed = 1;  // of the generated dense operands
  double scale = 0.75;     // the scalar a of the CaABC kernels
};

struct RunReport {
  std::string kernel;
  std::int64_t rows = 0;  // of the matrix the kernel works with
  std::int64_t cols = 0;
  std::int64_t stored = 0;  // entries passed to the kernel
  int columns = 1;          // dense columns (CSC_MatMult_CAB_double), 1 otherwise
  bool solve = false;
  double median_seconds = 0.0;
  double entries_per_second = 0.0;
  bool repeatable = true;  // every call gave the same bits
  CheckResult check;       // for solves: the residual check
  double relative_residual = 0.0;
  bool passed() const { return repeatable && check.passed; }
  std::string failure() const {
    return !check.passed ? check.failure : repeatable ? "" : "repeated calls wrote different bits";
  }
};

// The exported symbol KERNEL of BUNDLE. Throws InputError for a name that is not a kernel
// and for a kernel the bundle does not export.
void* require_kernel(const Bundle& bundle, const std::string& kernel);

// Runs KERNEL from BUNDLE on A. Throws InputError for a name that is not a kernel, a
// kernel the bundle does not export and a matrix the kernel cannot take; a wrong result is
// reported, not thrown.
RunReport run_kernel(const Bundle& bundle, const std::string& kernel, const CoordMatrix& a,
                     const RunOptions& options);

// One line: dimensions, entries, time, rate, check, PASS or FAIL.
std::string summary(const RunReport& report);

}  // namespace spk::host

#endif  // SPK_TOOLS_RUNNERS_HPP
