#include "compressed.hpp"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "errors.hpp"

namespace spk::host {

namespace {

constexpr std::int64_t kIndexLimit = std::numeric_limits<std::int32_t>::max();

std::string describe(const CoordMatrix& a) {
  return a.name + " (" + std::to_string(a.rows) + " x " + std::to_string(a.cols) + " " +
         field_name(a.field) + " " + symmetry_name(a.symmetry) + ")";
}

// "(i, i)", one-based as in the files.
std::string diagonal_at(std::int64_t i) {
  char text[64];
  std::snprintf(text, sizeof text, "(%lld, %lld)", static_cast<long long>(i + 1),
                static_cast<long long>(i + 1));
  return text;
}

void check_dimensions(const CoordMatrix& a, const std::string& who) {
  if (a.rows > kIndexLimit || a.cols > kIndexLimit)
    throw InputError(who + ": " + describe(a) +
                     " has more rows or columns than a 32-bit index holds (" +
                     std::to_string(kIndexLimit) + ")");
}

// Builds the operand from the entries `chosen` (positions in a.entries), in their vector in
// ascending `key` and, for equal keys, in reading order.
template <class Key>
Compressed build(const CoordMatrix& a, const std::vector<std::size_t>& chosen, Layout layout,
                 bool with_imaginary, const std::string& who, Key key) {
  check_dimensions(a, who);
  if (chosen.size() > static_cast<std::size_t>(kIndexLimit))
    throw InputError(who + ": " + describe(a) + " gives " + std::to_string(chosen.size()) +
                     " entries, more than a 32-bit index holds (" + std::to_string(kIndexLimit) +
                     ")");
  const bool by_rows = layout == Layout::by_rows;
  Compressed c;
  c.vectors = static_cast<std::int32_t>(by_rows ? a.rows : a.cols);
  c.extent = static_cast<std::int32_t>(by_rows ? a.cols : a.rows);
  auto vector_of = [&](const Entry& e) { return by_rows ? e.row : e.col; };
  auto index_of = [&](const Entry& e) { return by_rows ? e.col : e.row; };

  // Counting sort by vector keeps reading order within each vector.
  std::vector<std::int64_t> start(static_cast<std::size_t>(c.vectors) + 1, 0);
  for (std::size_t t : chosen) ++start[static_cast<std::size_t>(vector_of(a.entries[t])) + 1];
  for (std::size_t j = 0; j < static_cast<std::size_t>(c.vectors); ++j) start[j + 1] += start[j];
  std::vector<std::size_t> order(chosen.size());
  {
    std::vector<std::int64_t> next(start.begin(), start.end() - 1);
    for (std::size_t t : chosen)
      order[static_cast<std::size_t>(next[vector_of(a.entries[t])]++)] = t;
  }
  for (std::size_t j = 0; j < static_cast<std::size_t>(c.vectors); ++j)
    std::stable_sort(order.begin() + start[j], order.begin() + start[j + 1],
                     [&](std::size_t x, std::size_t y) {
                       return key(j, index_of(a.entries[x])) < key(j, index_of(a.entries[y]));
                     });

  c.Aptr.assign(start.begin(), start.end());
  c.Aind.reserve(order.size());
  c.Aval.reserve(order.size());
  if (with_imaginary) c.AvalIm.reserve(order.size());
  for (std::size_t t : order) {
    const Entry& e = a.entries[t];
    c.Aind.push_back(static_cast<std::int32_t>(index_of(e)));
    c.Aval.push_back(e.re);
    if (with_imaginary) c.AvalIm.push_back(e.im);
  }
  return c;
}

}  // namespace

Compressed compress(const CoordMatrix& a, Layout layout, bool with_imaginary,
                    const std::string& who) {
  std::vector<std::size_t> all(a.entries.size());
  for (std::size_t t = 0; t < all.size(); ++t) all[t] = t;
  return build(a, all, layout, with_imaginary, who,
               [](std::size_t, std::int64_t index) { return index; });
}

Compressed upper_by_rows(const CoordMatrix& a, bool with_imaginary, const std::string& who) {
  if (a.symmetry != Symmetry::symmetric) {
    std::string why =
        a.symmetry == Symmetry::hermitian
            ? "its mirrored entries are conjugates, and this kernel never conjugates"
        : a.symmetry == Symmetry::skew_symmetric
            ? "its mirrored entries are negated, and this kernel mirrors them unchanged"
            : "it is not declared symmetric";
    throw InputError(who + " takes a symmetric matrix (its diagonal and upper triangle); " +
                     describe(a) + " is refused: " + why);
  }
  std::vector<std::size_t> upper;
  for (std::size_t t = 0; t < a.entries.size(); ++t)
    if (a.entries[t].col >= a.entries[t].row) upper.push_back(t);
  return build(a, upper, Layout::by_rows, with_imaginary, who,
               [](std::size_t, std::int64_t index) { return index; });
}

Compressed triangle(const CoordMatrix& a, Triangle part, Layout layout, DiagonalAt diagonal,
                    const std::string& who) {
  if (!a.is_square())
    throw InputError(who + " solves with a square matrix; " + describe(a) + " is not square");
  check_dimensions(a, who);
  const bool lower = part == Triangle::lower;
  std::vector<std::size_t> chosen;
  std::vector<std::int64_t> diagonals(static_cast<std::size_t>(a.rows), -1);
  for (std::size_t t = 0; t < a.entries.size(); ++t) {
    const Entry& e = a.entries[t];
    if (lower ? e.col > e.row : e.col < e.row) continue;
    if (e.row == e.col) {
      if (diagonals[static_cast<std::size_t>(e.row)] >= 0)
        throw InputError(who + ": " + describe(a) + " stores its diagonal entry " +
                         diagonal_at(e.row) +
                         " more than once; refused, the solve would divide by one of them only");
      if (e.re == 0.0 && e.im == 0.0)
        throw InputError(who + ": " + describe(a) + " has a zero diagonal entry at " +
                         diagonal_at(e.row) + "; refused, the triangle is singular");
      diagonals[static_cast<std::size_t>(e.row)] = static_cast<std::int64_t>(t);
    }
    chosen.push_back(t);
  }
  for (std::size_t i = 0; i < diagonals.size(); ++i)
    if (diagonals[i] < 0)
      throw InputError(who + ": " + describe(a) + " stores no diagonal entry at " +
                       diagonal_at(static_cast<std::int64_t>(i)) +
                       "; refused, the triangle is singular");
  // The diagonal entry sorts before (or after) every other index of its vector.
  const std::int64_t before = -1, after = a.rows;
  const std::int64_t place = diagonal == DiagonalAt::first ? before : after;
  return build(a, chosen, layout, false, who, [place](std::size_t j, std::int64_t index) {
    return index == static_cast<std::int64_t>(j) ? place : index;
  });
}

}  // namespace spk::host
