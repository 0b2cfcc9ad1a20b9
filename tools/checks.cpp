#include "checks.hpp"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <limits>

namespace spk::host {

namespace {

constexpr long double kUnit = 0x1p-53L;
constexpr long double kWideUnit = std::numeric_limits<long double>::epsilon() / 2;
// A product or quotient that underflows loses up to half the smallest subnormal double,
// whatever its size: each rounding may add that much on top of the relative bound.
constexpr long double kUnderflow = 0x1p-1075L;

long double gamma(std::int64_t k, long double u) {
  const long double ku = static_cast<long double>(k) * u;
  return ku / (1 - ku);
}

std::string number(long double x) {
  char text[48];
  std::snprintf(text, sizeof text, "%.17Lg", x);
  return text;
}

// One element: updates `result` and returns false if it fails.
bool judge(CheckResult& result, const std::string& where, long double exact, long double bound,
           long double magnitude, double got) {
  std::string problem;
  if (std::isnan(exact)) {
    if (!std::isnan(got)) problem = "is " + number(got) + ", expected NaN";
  } else if (std::isinf(exact)) {
    if (static_cast<long double>(got) != exact)
      problem = "is " + number(got) + ", expected " + number(exact);
  } else if (!std::isfinite(got)) {
    if (magnitude + bound < static_cast<long double>(DBL_MAX))
      problem = "is " + number(got) + ", expected " + number(exact) + " (no overflow possible)";
  } else {
    const long double error = std::fabs(static_cast<long double>(got) - exact);
    if (error > bound)
      problem = "is " + number(got) + ", expected " + number(exact) + " within " + number(bound) +
                " (error " + number(error) + ")";
    else if (bound > 0)
      result.worst = std::max(result.worst, static_cast<double>(error / bound));
  }
  if (problem.empty()) return true;
  if (result.passed) result.failure = where + " " + problem;
  result.passed = false;
  return false;
}

}  // namespace

ProductReference::ProductReference(std::size_t elements, int extra_roundings)
    : exact_(elements, 0.0L),
      magnitude_(elements, 0.0L),
      terms_(elements, 0),
      extra_(extra_roundings) {}

void ProductReference::start(std::size_t i, long double value) {
  exact_[i] = value;
  magnitude_[i] = std::fabs(value);
}

void ProductReference::add(std::size_t i, long double term) {
  exact_[i] += term;
  magnitude_[i] += std::fabs(term);
  ++terms_[i];
}

void ProductReference::add(std::size_t i, long double x, long double y) {
  exact_[i] += x + y;
  magnitude_[i] += std::fabs(x) + std::fabs(y);
  ++terms_[i];
}

CheckResult ProductReference::compare(const std::vector<double>& got,
                                      const std::string& what) const {
  CheckResult result;
  for (std::size_t i = 0; i < exact_.size(); ++i) {
    const std::int64_t k = terms_[i] + extra_;
    const long double bound =
        (gamma(k, kUnit) + gamma(k + 1, kWideUnit)) * magnitude_[i] + 2 * k * kUnderflow;
    judge(result, what + "[" + std::to_string(i) + "]", exact_[i], bound, magnitude_[i], got[i]);
  }
  return result;
}

SolveCheck check_solve(std::int64_t n, const std::vector<TriangleEntry>& entries,
                       const std::vector<double>& B, const std::vector<double>& C) {
  const auto size = static_cast<std::size_t>(n);
  std::vector<long double> residual(size), magnitude(size), row_norm(size, 0.0L);
  std::vector<std::int64_t> count(size, 0);
  for (std::size_t i = 0; i < size; ++i) {
    residual[i] = B[i];
    magnitude[i] = std::fabs(static_cast<long double>(B[i]));
  }
  for (const TriangleEntry& e : entries) {
    const auto i = static_cast<std::size_t>(e.row);
    const long double term = static_cast<long double>(e.value) * C[static_cast<std::size_t>(e.col)];
    residual[i] -= term;
    magnitude[i] += std::fabs(term);
    row_norm[i] += std::fabs(static_cast<long double>(e.value));
    ++count[i];
  }
  SolveCheck result;
  long double residual_norm = 0, matrix_norm = 0, solution_norm = 0;
  for (std::size_t i = 0; i < size; ++i) {
    const long double k = count[i] + 1;
    const long double bound =
        (gamma(k, kUnit) + gamma(k + 1, kWideUnit)) * magnitude[i] + 2 * k * kUnderflow;
    const std::string where = "residual of row " + std::to_string(i);
    if (!std::isfinite(C[i])) {
      if (result.passed)
        result.failure = "C[" + std::to_string(i) + "] is " + number(C[i]) + ", not finite";
      result.passed = false;
    } else if (std::isfinite(residual[i])) {
      // The residual is checked against zero: the exact value it approximates.
      const long double error = std::fabs(residual[i]);
      if (error > bound) {
        if (result.passed)
          result.failure =
              where + " is " + number(residual[i]) + ", beyond its bound " + number(bound);
        result.passed = false;
      } else if (bound > 0) {
        result.worst = std::max(result.worst, static_cast<double>(error / bound));
      }
    } else {
      if (result.passed) result.failure = where + " is " + number(residual[i]);
      result.passed = false;
    }
    residual_norm = std::max(residual_norm, std::fabs(residual[i]));
    matrix_norm = std::max(matrix_norm, row_norm[i]);
    solution_norm = std::max(solution_norm, std::fabs(static_cast<long double>(C[i])));
  }
  const long double scale = matrix_norm * solution_norm;
  result.relative_residual =
      scale > 0 ? static_cast<double>(residual_norm / scale) : static_cast<double>(residual_norm);
  return result;
}

CheckResult both(const CheckResult& re, const CheckResult& im) {
  CheckResult out;
  out.passed = re.passed && im.passed;
  out.worst = std::max(re.worst, im.worst);
  out.failure = !re.passed ? re.failure : im.failure;
  return out;
}

}  // namespace spk::host
