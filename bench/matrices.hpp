// Matrices for the benchmark: deterministic generators (stencils, random rows, R-MAT graphs)
// and a small Matrix Market reader, all giving row-compressed matrices with ascending column
// indices and no duplicates, plus the triangular and symmetric forms the kernels need.
#ifndef SPK_BENCH_MATRICES_HPP
#define SPK_BENCH_MATRICES_HPP

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace spk::bench {

struct Csr {
  int32_t rows = 0, cols = 0;
  std::vector<int32_t> ptr{0}, ind;
  std::vector<double> val, im;  // im empty unless the matrix is complex
  int64_t stored() const { return ptr.back(); }
};

// A value in [0.5, 1.5) with a full mantissa, fixed by the pair (i, j) and a salt, so that
// symmetric positions get equal values and every run gets the same matrix.
inline double hashed_value(uint64_t i, uint64_t j, uint64_t salt) {
  uint64_t x = (i * 0x9E3779B97F4A7C15ull) ^ (j + 0x632BE59BD9B4E019ull) ^ (salt << 32);
  x ^= x >> 33;
  x *= 0xff51afd7ed558ccdull;
  x ^= x >> 33;
  x *= 0xc4ceb9fe1a85ec53ull;
  x ^= x >> 33;
  return 0.5 + double(x >> 11) * 0x1p-53;
}

// Off-diagonal values negative and symmetric, the diagonal dominant: solves stay finite.
inline double stencil_value(int64_t i, int64_t j) {
  if (i == j) return 0.0;  // set once the row is known
  return -hashed_value(uint64_t(std::min(i, j)), uint64_t(std::max(i, j)), 1);
}

inline void finish_dominant_diagonal(Csr& a) {
  for (int32_t i = 0; i < a.rows; ++i) {
    double sum = 0.0;
    int32_t diag = -1;
    for (int32_t p = a.ptr[i]; p < a.ptr[i + 1]; ++p) {
      if (a.ind[p] == i) diag = p;
      else sum += std::fabs(a.val[p]);
    }
    if (diag >= 0) a.val[diag] = sum + hashed_value(uint64_t(i), uint64_t(i), 2);
  }
}

// 2D 5-point Laplacian on an n x n grid.
inline Csr laplacian_2d(int32_t n) {
  Csr a;
  a.rows = a.cols = n * n;
  a.ind.reserve(size_t(5) * a.rows);
  for (int32_t y = 0; y < n; ++y)
    for (int32_t x = 0; x < n; ++x) {
      const int32_t i = y * n + x;
      const int32_t cand[5] = {y > 0 ? i - n : -1, x > 0 ? i - 1 : -1, i, x + 1 < n ? i + 1 : -1,
                               y + 1 < n ? i + n : -1};
      for (int32_t j : cand)
        if (j >= 0) {
          a.ind.push_back(j);
          a.val.push_back(stencil_value(i, j));
        }
      a.ptr.push_back(int32_t(a.ind.size()));
    }
  finish_dominant_diagonal(a);
  return a;
}

// 3D 27-point stencil on an n x n x n grid.
inline Csr stencil_27(int32_t n) {
  Csr a;
  a.rows = a.cols = n * n * n;
  a.ind.reserve(size_t(27) * a.rows);
  for (int32_t z = 0; z < n; ++z)
    for (int32_t y = 0; y < n; ++y)
      for (int32_t x = 0; x < n; ++x) {
        const int32_t i = (z * n + y) * n + x;
        for (int32_t dz = -1; dz <= 1; ++dz)
          for (int32_t dy = -1; dy <= 1; ++dy)
            for (int32_t dx = -1; dx <= 1; ++dx) {
              const int32_t zz = z + dz, yy = y + dy, xx = x + dx;
              if (zz < 0 || yy < 0 || xx < 0 || zz >= n || yy >= n || xx >= n) continue;
              const int32_t j = (zz * n + yy) * n + xx;
              a.ind.push_back(j);
              a.val.push_back(stencil_value(i, j));
            }
        a.ptr.push_back(int32_t(a.ind.size()));
      }
  finish_dominant_diagonal(a);
  return a;
}

// Square, lo .. hi entries per row at uniformly random columns (duplicates dropped), the
// diagonal always stored.
inline Csr random_rows(int32_t rows, int32_t lo, int32_t hi, uint64_t seed) {
  std::mt19937_64 rng(seed);
  Csr a;
  a.rows = a.cols = rows;
  a.ind.reserve(size_t(rows) * (lo + hi) / 2);
  std::vector<int32_t> row;
  for (int32_t i = 0; i < rows; ++i) {
    const int32_t count = lo + int32_t(rng() % uint64_t(hi - lo + 1));
    row.assign(1, i);
    for (int32_t t = 1; t < count; ++t) row.push_back(int32_t(rng() % uint64_t(rows)));
    std::sort(row.begin(), row.end());
    row.erase(std::unique(row.begin(), row.end()), row.end());
    for (int32_t j : row) {
      a.ind.push_back(j);
      a.val.push_back((j == i ? 1.0 : -1.0) * hashed_value(uint64_t(i), uint64_t(j), 3));
    }
    a.ptr.push_back(int32_t(a.ind.size()));
  }
  finish_dominant_diagonal(a);
  return a;
}

// R-MAT power-law graph (a, b, c, d) = (0.57, 0.19, 0.19, 0.05) on 2^scale vertices with
// edge_factor edges per vertex, vertex labels randomly permuted, duplicate edges dropped.
inline Csr rmat(int scale, int edge_factor, uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const int32_t nv = int32_t(1) << scale;
  const int64_t ne = int64_t(nv) * edge_factor;
  std::vector<int32_t> perm(nv);
  for (int32_t v = 0; v < nv; ++v) perm[v] = v;
  std::shuffle(perm.begin(), perm.end(), rng);
  std::vector<uint64_t> edges(ne);
  for (int64_t e = 0; e < ne; ++e) {
    uint32_t r = 0, c = 0;
    for (int bit = scale - 1; bit >= 0; --bit) {
      const double u = unit(rng);
      if (u < 0.57) {
      } else if (u < 0.76) {
        c |= 1u << bit;
      } else if (u < 0.95) {
        r |= 1u << bit;
      } else {
        r |= 1u << bit;
        c |= 1u << bit;
      }
    }
    edges[e] = (uint64_t(uint32_t(perm[r])) << 32) | uint32_t(perm[c]);
  }
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
  Csr a;
  a.rows = a.cols = nv;
  a.ptr.assign(size_t(nv) + 1, 0);
  a.ind.reserve(edges.size());
  for (uint64_t e : edges) {
    const int32_t i = int32_t(e >> 32), j = int32_t(e & 0xffffffffu);
    ++a.ptr[size_t(i) + 1];
    a.ind.push_back(j);
    a.val.push_back((i == j ? 1.0 : -1.0) * hashed_value(uint64_t(i), uint64_t(j), 4));
  }
  for (int32_t i = 0; i < nv; ++i) a.ptr[size_t(i) + 1] += a.ptr[i];
  return a;
}

// ---- Matrix Market -------------------------------------------------------------------------

struct ReadError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Reads a coordinate Matrix Market file (gzipped when the name ends in .gz) into a full
// row-compressed matrix: symmetric, skew-symmetric and Hermitian files are expanded, pattern
// files get hashed values. Throws ReadError naming the file, the line and the broken rule.
inline Csr read_matrix_market(const std::string& path, bool& symmetric_file) {
  const bool gz = path.size() > 3 && path.compare(path.size() - 3, 3, ".gz") == 0;
  FILE* f = gz ? popen(("gzip -dc '" + path + "'").c_str(), "r") : std::fopen(path.c_str(), "r");
  if (!f) throw ReadError(path + ": cannot open");
  auto closer = [gz](FILE* x) { gz ? pclose(x) : std::fclose(x); };
  std::unique_ptr<FILE, decltype(closer)> file(f, closer);
  auto fail = [&](long line, const std::string& rule) -> ReadError {
    return ReadError(path + ", line " + std::to_string(line) + ": " + rule);
  };
  std::vector<char> buf(1 << 16);
  long line = 0;
  auto next_line = [&]() -> bool {
    if (!std::fgets(buf.data(), int(buf.size()), file.get())) return false;
    ++line;
    return true;
  };
  if (!next_line()) throw fail(1, "empty file, expected a %%MatrixMarket banner");
  char object[64] = {}, format[64] = {}, field[64] = {}, symmetry[64] = {};
  if (std::sscanf(buf.data(), "%%%%MatrixMarket %63s %63s %63s %63s", object, format, field,
                  symmetry) != 4)
    throw fail(line, "banner must read %%MatrixMarket matrix coordinate <field> <symmetry>");
  auto lower = [](char* s) { for (; *s; ++s) *s = char(std::tolower(*s)); };
  lower(object), lower(format), lower(field), lower(symmetry);
  if (std::string(object) != "matrix" || std::string(format) != "coordinate")
    throw fail(line, "only 'matrix coordinate' files are read");
  const std::string fld = field, sym = symmetry;
  const bool complex = fld == "complex", pattern = fld == "pattern";
  if (!complex && !pattern && fld != "real" && fld != "integer")
    throw fail(line, "field must be real, integer, complex or pattern, not '" + fld + "'");
  if (sym != "general" && sym != "symmetric" && sym != "skew-symmetric" && sym != "hermitian")
    throw fail(line, "unknown symmetry '" + sym + "'");
  symmetric_file = sym == "symmetric";
  do {
    if (!next_line()) throw fail(line, "missing size line");
  } while (buf[0] == '%' || buf[0] == '\n');
  long long rows, cols, entries;
  if (std::sscanf(buf.data(), "%lld %lld %lld", &rows, &cols, &entries) != 3 || rows < 0 ||
      cols < 0 || entries < 0 || rows > INT32_MAX || cols > INT32_MAX)
    throw fail(line, "size line must hold rows, columns and entries (non-negative, 32-bit)");
  struct Triple { int32_t i, j; double re, im; };
  std::vector<Triple> t;
  t.reserve(size_t(entries) * (sym == "general" ? 1 : 2));
  for (long long e = 0; e < entries; ++e) {
    do {
      if (!next_line())
        throw fail(line, "file ends after " + std::to_string(e) + " of " +
                             std::to_string(entries) + " entries");
    } while (buf[0] == '%');
    long long i, j;
    double re = 0, im = 0;
    int want = pattern ? 2 : complex ? 4 : 3;
    const int got = std::sscanf(buf.data(), "%lld %lld %lf %lf", &i, &j, &re, &im);
    if (got < want) throw fail(line, "entry needs " + std::to_string(want) + " numbers");
    if (i < 1 || i > rows || j < 1 || j > cols)
      throw fail(line, "index (" + std::to_string(i) + ", " + std::to_string(j) +
                           ") outside the " + std::to_string(rows) + " x " + std::to_string(cols) +
                           " matrix");
    if (pattern) re = hashed_value(uint64_t(i), uint64_t(j), 5);
    t.push_back({int32_t(i - 1), int32_t(j - 1), re, im});
    if (sym != "general" && i != j) {
      const double sign = sym == "skew-symmetric" ? -1.0 : 1.0;
      t.push_back({int32_t(j - 1), int32_t(i - 1), sign * re, sym == "hermitian" ? -im : sign * im});
    }
  }
  std::stable_sort(t.begin(), t.end(),
                   [](const Triple& x, const Triple& y) { return x.i != y.i ? x.i < y.i : x.j < y.j; });
  Csr a;
  a.rows = int32_t(rows);
  a.cols = int32_t(cols);
  a.ptr.assign(size_t(rows) + 1, 0);
  for (const Triple& x : t) {
    ++a.ptr[size_t(x.i) + 1];
    a.ind.push_back(x.j);
    a.val.push_back(x.re);
    if (complex) a.im.push_back(x.im);
  }
  for (int64_t i = 0; i < rows; ++i) a.ptr[size_t(i) + 1] += a.ptr[size_t(i)];
  return a;
}

// ---- Derived forms -------------------------------------------------------------------------

// Lower (or upper) triangle of a square matrix with every diagonal entry stored and made
// dominant, so the solves stay finite; rows keep ascending columns, so the diagonal stands
// last in each row of the lower form and first in each row of the upper form.
inline Csr triangle(const Csr& a, bool lower) {
  Csr t;
  t.rows = t.cols = a.rows;
  for (int32_t i = 0; i < a.rows; ++i) {
    double sum = 0.0;
    if (!lower) {
      t.ind.push_back(i);
      t.val.push_back(0.0);
    }
    const size_t diag = lower ? 0 : t.val.size() - 1;
    for (int32_t p = a.ptr[i]; p < a.ptr[i + 1]; ++p) {
      const int32_t j = a.ind[p];
      if (j == i || (lower ? j > i : j < i)) continue;
      t.ind.push_back(j);
      t.val.push_back(a.val[p]);
      sum += std::fabs(a.val[p]);
    }
    const double d = sum + hashed_value(uint64_t(i), uint64_t(i), 6);
    if (lower) {
      t.ind.push_back(i);
      t.val.push_back(d);
    } else {
      t.val[diag] = d;
    }
    t.ptr.push_back(int32_t(t.ind.size()));
  }
  return t;
}

// The diagonal and upper triangle, values (and imaginary parts) unchanged.
inline Csr upper_part(const Csr& a) {
  Csr t;
  t.rows = a.rows;
  t.cols = a.cols;
  for (int32_t i = 0; i < a.rows; ++i) {
    for (int32_t p = a.ptr[i]; p < a.ptr[i + 1]; ++p)
      if (a.ind[p] >= i) {
        t.ind.push_back(a.ind[p]);
        t.val.push_back(a.val[p]);
        if (!a.im.empty()) t.im.push_back(a.im[p]);
      }
    t.ptr.push_back(int32_t(t.ind.size()));
  }
  return t;
}

// Whether the matrix equals its transpose, values included.
inline bool is_symmetric(const Csr& a) {
  if (a.rows != a.cols) return false;
  for (int32_t i = 0; i < a.rows; ++i)
    for (int32_t p = a.ptr[i]; p < a.ptr[i + 1]; ++p) {
      const int32_t j = a.ind[p];
      const auto b = a.ind.begin() + a.ptr[j], e = a.ind.begin() + a.ptr[j + 1];
      const auto it = std::lower_bound(b, e, i);
      if (it == e || *it != i || a.val[size_t(it - a.ind.begin())] != a.val[p]) return false;
    }
  return true;
}

// Imaginary parts for a real matrix: hashed, fixed by position.
inline std::vector<double> imaginary_parts(const Csr& a) {
  if (!a.im.empty()) return a.im;
  std::vector<double> im(a.val.size());
  for (int32_t i = 0; i < a.rows; ++i)
    for (int32_t p = a.ptr[i]; p < a.ptr[i + 1]; ++p)
      im[p] = hashed_value(uint64_t(std::min(i, a.ind[p])), uint64_t(std::max(i, a.ind[p])), 7) - 1.0;
  return im;
}

}  // namespace spk::bench

#endif  // SPK_BENCH_MATRICES_HPP
