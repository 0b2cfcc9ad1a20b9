#include "generators.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include "errors.hpp"

namespace spk::host {

namespace {

// Uniform in [-1, 1) from 53 random bits, the same on every platform.
double unit_value(std::mt19937_64& rng) { return static_cast<double>(rng() >> 11) * 0x1p-52 - 1.0; }

constexpr double kIndexLimit = std::numeric_limits<std::int32_t>::max();

}  // namespace

CoordMatrix laplace2d(std::int64_t n) {
  if (n < 0 || 5.0 * double(n) * double(n) - 4.0 * double(n) > kIndexLimit)
    throw InputError("laplace2d(" + std::to_string(n) +
                     "): the grid side must be 0 or more, and the 5n^2 - 4n entries must fit "
                     "a 32-bit index (n <= 20724)");
  CoordMatrix a;
  a.name = "laplace2d(" + std::to_string(n) + ")";
  a.rows = a.cols = n * n;
  a.field = Field::real;
  a.symmetry = Symmetry::symmetric;
  a.entries.reserve(static_cast<std::size_t>(5 * n * n));
  for (std::int64_t gy = 0; gy < n; ++gy)
    for (std::int64_t gx = 0; gx < n; ++gx) {
      const std::int64_t i = gy * n + gx;
      if (gy > 0) a.entries.push_back({i, i - n, -1.0, 0.0});
      if (gx > 0) a.entries.push_back({i, i - 1, -1.0, 0.0});
      a.entries.push_back({i, i, 4.0, 0.0});
      if (gx + 1 < n) a.entries.push_back({i, i + 1, -1.0, 0.0});
      if (gy + 1 < n) a.entries.push_back({i, i + n, -1.0, 0.0});
    }
  // The stored triangle of a symmetric file: the diagonal and one of each mirrored pair.
  a.file_entries = static_cast<std::int64_t>(a.entries.size() + n * n) / 2;
  return a;
}

CoordMatrix random_matrix(const RandomShape& shape) {
  if (shape.rows < 0 || shape.cols < 0 || shape.rows > kIndexLimit || shape.cols > kIndexLimit)
    throw InputError("random matrix: rows and columns must lie in 0.." +
                     std::to_string(std::numeric_limits<std::int32_t>::max()));
  if (!(shape.density >= 0.0 && shape.density <= 1.0))
    throw InputError("random matrix: the density must lie in 0..1");
  if (shape.symmetric && shape.rows != shape.cols)
    throw InputError("random matrix: a symmetric matrix must be square, not " +
                     std::to_string(shape.rows) + "x" + std::to_string(shape.cols));
  CoordMatrix a;
  char density[32];
  std::snprintf(density, sizeof density, "%g", shape.density);
  a.name = std::string("random") + (shape.complex ? " complex" : "") +
           (shape.symmetric ? " symmetric" : "") + "(" + std::to_string(shape.rows) + "x" +
           std::to_string(shape.cols) + ", density " + density + ", seed " +
           std::to_string(shape.seed) + ")";
  a.rows = shape.rows;
  a.cols = shape.cols;
  a.field = shape.complex ? Field::complex : Field::real;
  a.symmetry = shape.symmetric ? Symmetry::symmetric : Symmetry::general;
  std::mt19937_64 rng(shape.seed);
  const bool square = shape.rows == shape.cols;
  auto value = [&](Entry e) {
    e.re = unit_value(rng);
    e.im = shape.complex ? unit_value(rng) : 0.0;
    return e;
  };
  std::int64_t stored = 0;
  if (square)
    for (std::int64_t i = 0; i < shape.rows; ++i) {
      Entry d = value({i, i, 0.0, 0.0});
      d.re = std::copysign(1.0 + std::fabs(d.re), d.re);
      a.entries.push_back(d);
      ++stored;
    }
  if (shape.rows > 0 && shape.cols > 0) {
    // Positions off the diagonal: all of them for a general matrix, the strict lower
    // triangle for a symmetric one.
    const double offdiag = shape.symmetric ? 0.5 * double(shape.rows) * double(shape.rows - 1)
                           : square        ? double(shape.rows) * double(shape.cols - 1)
                                           : double(shape.rows) * double(shape.cols);
    const double wanted = std::round(shape.density * offdiag);
    if (double(stored) + (shape.symmetric ? 2 : 1) * wanted > kIndexLimit)
      throw InputError("random matrix: " + std::to_string(static_cast<long long>(wanted)) +
                       " entries off the diagonal are more than a 32-bit index holds");
    const auto count = static_cast<std::int64_t>(wanted);
    a.entries.reserve(static_cast<std::size_t>(stored + (shape.symmetric ? 2 : 1) * count));
    for (std::int64_t t = 0; t < count; ++t) {
      std::int64_t r = static_cast<std::int64_t>(rng() % std::uint64_t(shape.rows));
      std::int64_t c = static_cast<std::int64_t>(rng() % std::uint64_t(shape.cols));
      if (square && r == c) {  // redraw the column among the others
        if (shape.rows == 1) break;
        c = static_cast<std::int64_t>(rng() % std::uint64_t(shape.cols - 1));
        if (c >= r) ++c;
      }
      if (shape.symmetric && c > r) std::swap(r, c);
      const Entry e = value({r, c, 0.0, 0.0});
      a.entries.push_back(e);
      if (shape.symmetric) a.entries.push_back({c, r, e.re, e.im});
      ++stored;
    }
  }
  a.file_entries = stored;
  return a;
}

std::vector<double> random_vector(std::size_t n, std::uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::vector<double> v(n);
  for (double& x : v) x = unit_value(rng);
  return v;
}

}  // namespace spk::host
