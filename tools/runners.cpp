#include "runners.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <limits>
#include <type_traits>
#include <vector>

#include "compressed.hpp"
#include "errors.hpp"
#include "generators.hpp"
#include "spkernels/check.hpp"
#include "spkernels/spkernels.h"

namespace spk::host {

namespace {

using Vec = std::vector<double>;

// Makes the first call through the operand checker (`checked_call`, which refuses the call
// before the kernel runs if any precondition fails), keeps what it wrote, then times `repeat`
// more plain calls (each after `prepare`, untimed) and checks that every call wrote the same
// bits.
template <class Prepare, class CheckedCall, class Call>
void time_calls(RunReport& report, int repeat, std::vector<Vec*> outputs, Prepare prepare,
                CheckedCall checked_call, Call call) {
  prepare();
  try {
    checked_call();
  } catch (const spk::operand_error& refused) {
    throw InputError("the operand checker refuses the call of " + report.kernel + ": " +
                     refused.what());
  }
  std::vector<Vec> first;
  for (Vec* out : outputs) first.push_back(*out);
  std::vector<double> seconds;
  for (int r = 0; r < repeat; ++r) {
    prepare();
    const auto start = std::chrono::steady_clock::now();
    call();
    const auto stop = std::chrono::steady_clock::now();
    seconds.push_back(std::chrono::duration<double>(stop - start).count());
  }
  for (std::size_t t = 0; t < outputs.size(); ++t)
    if (!first[t].empty() &&
        std::memcmp(first[t].data(), outputs[t]->data(), first[t].size() * sizeof(double)) != 0)
      report.repeatable = false;
  if (!seconds.empty()) {
    std::sort(seconds.begin(), seconds.end());
    const std::size_t mid = seconds.size() / 2;
    report.median_seconds =
        seconds.size() % 2 ? seconds[mid] : 0.5 * (seconds[mid - 1] + seconds[mid]);
  }
  const double work = static_cast<double>(report.stored) * report.columns;
  report.entries_per_second = report.median_seconds > 0 ? work / report.median_seconds : 0.0;
}

void refuse_complex(const CoordMatrix& a, const std::string& kernel) {
  if (a.is_complex())
    throw InputError(kernel + " is a real kernel; " + a.name +
                     " is complex (the complex kernels are CSC_CmplxVecMult_CAB_double, "
                     "CSR_CmplxVecMult_CAB_double and CSRsymm_CmplxVecMult_CAB_double)");
}

using CscVecMult = decltype(&::CSC_VecMult_CAB_double);
using CscVecMultScaled = decltype(&::CSC_VecMult_CaABC_double);
using CscCmplx = decltype(&::CSC_CmplxVecMult_CAB_double);
using SymmVecMult = decltype(&::CSRsymm_VecMult_CAB_double);
using SymmCmplx = decltype(&::CSRsymm_CmplxVecMult_CAB_double);
using MatMult = decltype(&::CSC_MatMult_CAB_double);
using Solve = decltype(&::CSC_VecTriangSlvLD_CAB_double);
static_assert(std::is_same_v<CscVecMult, decltype(&::CSR_VecMult_CAB_double)>);
static_assert(std::is_same_v<CscVecMultScaled, decltype(&::CSR_VecMult_CaABC_double)>);
static_assert(std::is_same_v<CscCmplx, decltype(&::CSR_CmplxVecMult_CAB_double)>);
static_assert(std::is_same_v<Solve, decltype(&::CSR_VecTriangSlvUD_CAB_double)>);

// The four real vector products. Row-compressed kernels take the same group as the
// transpose: (m, n) = (columns, rows).
void real_product(RunReport& report, void* symbol, bool by_rows, bool scaled, const CoordMatrix& a,
                  const RunOptions& options) {
  refuse_complex(a, report.kernel);
  const Compressed c =
      compress(a, by_rows ? Layout::by_rows : Layout::by_columns, false, report.kernel);
  report.stored = c.stored();
  const std::int32_t m = c.extent;  // index extent: rows (CSC) or columns (CSR)
  const std::int32_t n = c.vectors;
  const Vec B = random_vector(static_cast<std::size_t>(a.cols), options.seed);
  const Vec start =
      scaled ? random_vector(static_cast<std::size_t>(a.rows), options.seed + 1)
             : Vec(static_cast<std::size_t>(a.rows), std::numeric_limits<double>::quiet_NaN());
  Vec C = start;
  const double alpha = options.scale;
  const spk::compressed_view A{c.Aval, c.Aind, c.Aptr};
  if (scaled) {
    auto f = reinterpret_cast<CscVecMultScaled>(symbol);
    auto checked = by_rows ? &spk::checked::CSR_VecMult_CaABC_double
                           : &spk::checked::CSC_VecMult_CaABC_double;
    time_calls(
        report, options.repeat, {&C}, [&] { C = start; },
        [&] { checked(f, m, n, alpha, A, B, C, 0); },
        [&] { f(m, n, alpha, c.Aval.data(), c.Aind.data(), c.Aptr.data(), B.data(), C.data()); });
  } else {
    auto f = reinterpret_cast<CscVecMult>(symbol);
    auto checked =
        by_rows ? &spk::checked::CSR_VecMult_CAB_double : &spk::checked::CSC_VecMult_CAB_double;
    time_calls(
        report, options.repeat, {&C}, [] {}, [&] { checked(f, m, n, A, B, C, 0); },
        [&] { f(m, n, c.Aval.data(), c.Aind.data(), c.Aptr.data(), B.data(), C.data()); });
  }
  ProductReference ref(C.size(), scaled ? 2 : 0);
  if (scaled)
    for (std::size_t i = 0; i < C.size(); ++i) ref.start(i, start[i]);
  for (const Entry& e : a.entries) {
    const long double b = B[static_cast<std::size_t>(e.col)];
    ref.add(static_cast<std::size_t>(e.row),
            scaled ? static_cast<long double>(alpha) * b * e.re : b * e.re);
  }
  report.check = ref.compare(C, "C");
}

void complex_product(RunReport& report, void* symbol, bool by_rows, const CoordMatrix& a,
                     const RunOptions& options) {
  const Compressed c =
      compress(a, by_rows ? Layout::by_rows : Layout::by_columns, true, report.kernel);
  report.stored = c.stored();
  const Vec B = random_vector(static_cast<std::size_t>(a.cols), options.seed);
  const Vec BIm = random_vector(static_cast<std::size_t>(a.cols), options.seed + 2);
  Vec C(static_cast<std::size_t>(a.rows), std::numeric_limits<double>::quiet_NaN());
  Vec CIm = C;
  auto f = reinterpret_cast<CscCmplx>(symbol);
  auto checked = by_rows ? &spk::checked::CSR_CmplxVecMult_CAB_double
                         : &spk::checked::CSC_CmplxVecMult_CAB_double;
  const spk::compressed_view A{c.Aval, c.Aind, c.Aptr, c.AvalIm};
  time_calls(
      report, options.repeat, {&C, &CIm}, [] {},
      [&] { checked(f, c.extent, c.vectors, A, B, BIm, C, CIm, 0); },
      [&] {
        f(c.extent, c.vectors, c.Aval.data(), c.AvalIm.data(), c.Aind.data(), c.Aptr.data(),
          B.data(), BIm.data(), C.data(), CIm.data());
      });
  ProductReference re(C.size(), 1), im(C.size(), 1);
  for (const Entry& e : a.entries) {
    const auto i = static_cast<std::size_t>(e.row);
    const long double x = B[static_cast<std::size_t>(e.col)];
    const long double y = BIm[static_cast<std::size_t>(e.col)];
    re.add(i, x * e.re, -(y * e.im));
    im.add(i, x * e.im, y * e.re);
  }
  report.check = both(re.compare(C, "C"), im.compare(CIm, "CIm"));
}

// Symmetric products: the upper triangle goes in, the whole matrix is what is computed.
void symmetric_product(RunReport& report, void* symbol, bool complex, const CoordMatrix& a,
                       const RunOptions& options) {
  if (!complex) refuse_complex(a, report.kernel);
  const Compressed c = upper_by_rows(a, complex, report.kernel);
  report.stored = c.stored();
  const std::int32_t n = c.vectors;
  const auto size = static_cast<std::size_t>(n);
  const Vec B = random_vector(size, options.seed);
  const Vec BIm = random_vector(size, options.seed + 2);
  Vec C(size, std::numeric_limits<double>::quiet_NaN());
  Vec CIm = C;
  const spk::compressed_view A{c.Aval, c.Aind, c.Aptr, c.AvalIm};
  if (complex) {
    auto f = reinterpret_cast<SymmCmplx>(symbol);
    time_calls(
        report, options.repeat, {&C, &CIm}, [] {},
        [&] { spk::checked::CSRsymm_CmplxVecMult_CAB_double(f, n, n, A, B, BIm, C, CIm); },
        [&] {
          f(n, n, c.Aval.data(), c.AvalIm.data(), c.Aind.data(), c.Aptr.data(), B.data(),
            BIm.data(), C.data(), CIm.data());
        });
  } else {
    auto f = reinterpret_cast<SymmVecMult>(symbol);
    time_calls(
        report, options.repeat, {&C}, [] {},
        [&] { spk::checked::CSRsymm_VecMult_CAB_double(f, n, n, A, B, C); },
        [&] { f(n, n, c.Aval.data(), c.Aind.data(), c.Aptr.data(), B.data(), C.data()); });
  }
  ProductReference re(size, complex ? 1 : 0), im(size, 1);
  for (const Entry& e : a.entries) {
    const auto i = static_cast<std::size_t>(e.row);
    const long double x = B[static_cast<std::size_t>(e.col)];
    const long double y = BIm[static_cast<std::size_t>(e.col)];
    if (complex) {
      re.add(i, x * e.re, -(y * e.im));
      im.add(i, x * e.im, y * e.re);
    } else {
      re.add(i, x * e.re);
    }
  }
  report.check = complex ? both(re.compare(C, "C"), im.compare(CIm, "CIm")) : re.compare(C, "C");
}

// C (m x K) = A (m x k) * B, where B is read with the column stride m of C: element (j, col)
// of B is B[j + col*m].
void matrix_product(RunReport& report, void* symbol, const CoordMatrix& a,
                    const RunOptions& options) {
  refuse_complex(a, report.kernel);
  const Compressed c = compress(a, Layout::by_columns, false, report.kernel);
  report.stored = c.stored();
  report.columns = options.columns;
  const std::int32_t m = c.extent, k = c.vectors, K = options.columns;
  const std::size_t stride = static_cast<std::size_t>(m);
  const std::size_t b_size = K > 0 && k > 0 ? (K - 1) * stride + static_cast<std::size_t>(k) : 0;
  const Vec B = random_vector(b_size, options.seed);
  Vec C(stride * static_cast<std::size_t>(K), std::numeric_limits<double>::quiet_NaN());
  auto f = reinterpret_cast<MatMult>(symbol);
  const spk::compressed_view A{c.Aval, c.Aind, c.Aptr};
  time_calls(
      report, options.repeat, {&C}, [] {},
      [&] { spk::checked::CSC_MatMult_CAB_double(f, m, K, k, A, B, 0, C); },
      [&] { f(m, K, k, c.Aval.data(), c.Aind.data(), c.Aptr.data(), B.data(), 0, C.data()); });
  ProductReference ref(C.size(), 0);
  for (std::size_t col = 0; col < static_cast<std::size_t>(K); ++col)
    for (const Entry& e : a.entries)
      ref.add(static_cast<std::size_t>(e.row) + col * stride,
              static_cast<long double>(B[static_cast<std::size_t>(e.col) + col * stride]) * e.re);
  report.check = ref.compare(C, "C");
}

void triangular_solve(RunReport& report, void* symbol, Triangle part, Layout layout,
                      DiagonalAt diagonal, const CoordMatrix& a, const RunOptions& options) {
  refuse_complex(a, report.kernel);
  report.solve = true;
  const Compressed c = triangle(a, part, layout, diagonal, report.kernel);
  report.stored = c.stored();
  const std::int32_t n = c.vectors;
  const Vec B = random_vector(static_cast<std::size_t>(n), options.seed);
  Vec C(static_cast<std::size_t>(n), std::numeric_limits<double>::quiet_NaN());
  auto f = reinterpret_cast<Solve>(symbol);
  auto checked = part == Triangle::lower
                     ? (layout == Layout::by_rows ? &spk::checked::CSR_VecTriangSlvLD_CAB_double
                                                  : &spk::checked::CSC_VecTriangSlvLD_CAB_double)
                     : (layout == Layout::by_rows ? &spk::checked::CSR_VecTriangSlvUD_CAB_double
                                                  : &spk::checked::CSC_VecTriangSlvUD_CAB_double);
  const spk::compressed_view A{c.Aval, c.Aind, c.Aptr};
  time_calls(
      report, options.repeat, {&C}, [] {},
      [&] { checked(f, n, A, B, C, SPK_CHECK_ZERO_DIVISOR); },
      [&] { f(n, c.Aval.data(), c.Aind.data(), c.Aptr.data(), B.data(), C.data()); });
  std::vector<TriangleEntry> entries;
  entries.reserve(c.Aind.size());
  for (std::int32_t j = 0; j < n; ++j)
    for (std::int32_t p = c.Aptr[j]; p < c.Aptr[j + 1]; ++p)
      entries.push_back(layout == Layout::by_rows ? TriangleEntry{j, c.Aind[p], c.Aval[p]}
                                                  : TriangleEntry{c.Aind[p], j, c.Aval[p]});
  SolveCheck check = check_solve(n, entries, B, C);
  report.relative_residual = check.relative_residual;
  report.check = check;
}

std::string duration(double seconds) {
  char text[32];
  if (seconds < 1e-6)
    std::snprintf(text, sizeof text, "%.0f ns", seconds * 1e9);
  else if (seconds < 1e-3)
    std::snprintf(text, sizeof text, "%.2f us", seconds * 1e6);
  else if (seconds < 1)
    std::snprintf(text, sizeof text, "%.2f ms", seconds * 1e3);
  else
    std::snprintf(text, sizeof text, "%.2f s", seconds);
  return text;
}

}  // namespace

void* require_kernel(const Bundle& bundle, const std::string& kernel) {
  if (kernel_index(kernel) < 0)
    throw InputError("'" + kernel + "' is not a kernel; the kernels are: " + kernel_list());
  void* symbol = bundle.lookup(kernel.c_str());
  if (symbol == nullptr)
    throw InputError("bundle " + bundle.path() + " (" + bundle.build() + ", tag \"" + bundle.tag() +
                     "\") does not export " + kernel + "; it exports " +
                     std::to_string(bundle.exported_kernels()) + " of the 13 kernels");
  return symbol;
}

RunReport run_kernel(const Bundle& bundle, const std::string& kernel, const CoordMatrix& a,
                     const RunOptions& options) {
  void* symbol = require_kernel(bundle, kernel);
  const int index = kernel_index(kernel);
  RunReport report;
  report.kernel = kernel;
  report.rows = a.rows;
  report.cols = a.cols;
  switch (index) {
    case 0:
      real_product(report, symbol, false, false, a, options);
      break;
    case 1:
      real_product(report, symbol, true, false, a, options);
      break;
    case 2:
      real_product(report, symbol, false, true, a, options);
      break;
    case 3:
      real_product(report, symbol, true, true, a, options);
      break;
    case 4:
      complex_product(report, symbol, false, a, options);
      break;
    case 5:
      complex_product(report, symbol, true, a, options);
      break;
    case 6:
      symmetric_product(report, symbol, false, a, options);
      break;
    case 7:
      symmetric_product(report, symbol, true, a, options);
      break;
    case 8:
      matrix_product(report, symbol, a, options);
      break;
    case 9:
      triangular_solve(report, symbol, Triangle::lower, Layout::by_columns, DiagonalAt::first, a,
                       options);
      break;
    case 10:
      triangular_solve(report, symbol, Triangle::upper, Layout::by_columns, DiagonalAt::last, a,
                       options);
      break;
    case 11:
      triangular_solve(report, symbol, Triangle::lower, Layout::by_rows, DiagonalAt::last, a,
                       options);
      break;
    case 12:
      triangular_solve(report, symbol, Triangle::upper, Layout::by_rows, DiagonalAt::first, a,
                       options);
      break;
  }
  return report;
}

std::string summary(const RunReport& r) {
  char text[512];
  std::string shape = std::to_string(r.rows) + " x " + std::to_string(r.cols);
  if (r.columns != 1) shape += ", " + std::to_string(r.columns) + " columns";
  char check[96];
  if (r.solve)
    std::snprintf(check, sizeof check, "residual %.1e, error/bound %.3f", r.relative_residual,
                  r.check.worst);
  else
    std::snprintf(check, sizeof check, "error/bound %.3f", r.check.worst);
  std::snprintf(text, sizeof text, "%-32s %-24s %9lld entries  %10s/call  %9.3g entries/s  %s  %s",
                r.kernel.c_str(), shape.c_str(), static_cast<long long>(r.stored),
                duration(r.median_seconds).c_str(), r.entries_per_second, check,
                r.passed() ? "PASS" : "FAIL");
  std::string line = text;
  if (!r.passed()) line += ": " + r.failure();
  return line;
}

}  // namespace spk::host
