// Triangular operands for the solves: random well-conditioned ones with the divisor where each
// solve takes it, and the harness that runs a solve on exact-size copies of its arrays (so that
// AddressSanitizer sees any read past an end) out of place and in place.
#ifndef SPK_TESTS_TRIANGULAR_HPP
#define SPK_TESTS_TRIANGULAR_HPP

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/bits.hpp"
#include "support/operands.hpp"

namespace spk::test {

// Every solve has the same parameter list: n, Aval, Aind, Aptr, B, C.
using SolveFn = void(int32_t, const double*, const int32_t*, const int32_t*, const double*,
                     double*);

// Where a solve finds its divisor and on which side of it the other entries of a vector lie.
enum class Layout {
  csc_lower,  // column: divisor first, other rows below
  csc_upper,  // column: divisor last, other rows above
  csr_lower,  // row: divisor anywhere, found by its column; other columns to the left
  csr_upper,  // row: divisor first, other columns to the right
};

inline const char* name_of(Layout layout) {
  switch (layout) {
    case Layout::csc_lower: return "csc lower";
    case Layout::csc_upper: return "csc upper";
    case Layout::csr_lower: return "csr lower";
    case Layout::csr_upper: return "csr upper";
  }
  return "?";
}

struct TriangularShape {
  int32_t order = 8;
  int32_t max_others = 4;      // entries besides the divisor in one vector, at most
  double duplicate = 0.15;     // chance that an entry repeats the index of the one before
  int32_t first_position = 0;  // Aptr[0]; the positions before it hold NaN and index -1
  ValueMix values = kFinite;   // kind of the values besides the divisors
  double odd_divisor = 0.0;    // chance that a divisor is 0, an infinity or NaN
  double divisor_twice = 0.0;  // csr lower only: chance of a row storing its divisor twice
};

// A triangular operand for the solve of the given layout. The divisors lie in 1 .. 8 in
// magnitude with full random mantissas and every other value is scaled to at most
// 1 / (2 * max_others) of that range, so each vector is diagonally dominant and the solution
// stays well away from overflow; the rounding of every operation still matters. Other entries
// come in random order, with duplicates.
inline Operand random_triangular(Rng& rng, Layout layout, const TriangularShape& shape) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const int32_t n = shape.order;
  const int32_t others_max = std::max(shape.max_others, 1);
  const double scale = std::ldexp(1.0, -6) / others_max;  // |random_value| < 32

  Operand a;
  a.Aind.assign(shape.first_position, -1);
  a.Aval.assign(shape.first_position, kNaN);
  a.Aptr.push_back(shape.first_position);

  auto divisor = [&]() {
    if (unit(rng) < shape.odd_divisor) {
      const double odd[] = {0.0, -0.0, kInf, -kInf, kNaN};
      return odd[rng() % 5];
    }
    const double d = std::ldexp(1.0 + unit(rng), int(rng() % 3));
    return (rng() & 1) ? -d : d;
  };

  for (int32_t j = 0; j < n; ++j) {
    // Indices allowed besides the divisor: [low, high).
    const bool below_or_right = layout == Layout::csc_lower || layout == Layout::csr_upper;
    const int32_t low = below_or_right ? j + 1 : 0;
    const int32_t high = below_or_right ? n : j;
    Idx others;
    if (high > low) {
      const int32_t count = int32_t(rng() % (others_max + 1));
      for (int32_t t = 0; t < count; ++t) {
        if (!others.empty() && unit(rng) < shape.duplicate)
          others.push_back(others.back());
        else
          others.push_back(low + int32_t(rng() % (high - low)));
      }
    }
    std::vector<std::pair<int32_t, double>> entries;
    for (int32_t r : others) entries.emplace_back(r, random_value(rng, shape.values) * scale);

    const std::pair<int32_t, double> diagonal{j, divisor()};
    switch (layout) {
      case Layout::csc_lower:
      case Layout::csr_upper:
        entries.insert(entries.begin(), diagonal);
        break;
      case Layout::csc_upper:
        entries.push_back(diagonal);
        break;
      case Layout::csr_lower: {
        const auto at = entries.begin() + std::ptrdiff_t(rng() % (entries.size() + 1));
        if (unit(rng) < shape.divisor_twice) {
          // An earlier copy with another value: only the later one divides.
          const auto second = entries.insert(at, diagonal);
          entries.insert(second, {j, divisor()});
        } else {
          entries.insert(at, diagonal);
        }
        break;
      }
    }
    for (const auto& [index, value] : entries) {
      a.Aind.push_back(index);
      a.Aval.push_back(value);
    }
    a.Aptr.push_back(static_cast<int32_t>(a.Aind.size()));
  }
  return a;
}

// Copies with capacity equal to size: any read past either end leaves the allocation.
template <class T>
std::vector<T> exact(const std::vector<T>& v) {
  return std::vector<T>(v.begin(), v.end());
}

// C after solve(n, ...) with separate B and C, C holding c_on_entry when called; n is the
// operand's number of vectors.
inline Vec solve_into(SolveFn* solve, const Operand& a, const Vec& b, const Vec& c_on_entry) {
  const Idx Aptr = exact(a.Aptr), Aind = exact(a.Aind);
  const Vec Aval = exact(a.Aval), B = exact(b);
  Vec C = exact(c_on_entry);
  solve(a.vectors(), Aval.data(), Aind.data(), Aptr.data(), B.data(), C.data());
  return C;
}

// C after the same solve with B and C one array, holding b on entry.
inline Vec solve_in_place(SolveFn* solve, const Operand& a, const Vec& b) {
  const Idx Aptr = exact(a.Aptr), Aind = exact(a.Aind);
  const Vec Aval = exact(a.Aval);
  Vec BC = exact(b);
  solve(a.vectors(), Aval.data(), Aind.data(), Aptr.data(), BC.data(), BC.data());
  return BC;
}

// A solve with a literal operand and its expected solution; want_fused where fused rounding
// gives other bits than separate rounding.
struct SolveCase {
  const char* what;
  Operand a;
  Vec b;
  Vec want;
  std::optional<Vec> want_fused = std::nullopt;

  const Vec& expected(bool fused) const { return fused && want_fused ? *want_fused : want; }
};

// The kernel gives the expected bits with C filled with NaN on entry and in place, and so does
// the reference loop (which the randomised comparisons trust).
inline void check_case(const SolveCase& c, bool fused, SolveFn* kernel, SolveFn* reference) {
  SCOPED_TRACE(c.what);
  const Vec& want = c.expected(fused);
  const Vec nan_filled(c.b.size(), kNaN);
  EXPECT_TRUE(same_bits(solve_into(kernel, c.a, c.b, nan_filled), want)) << "separate B and C";
  EXPECT_TRUE(same_bits(solve_in_place(kernel, c.a, c.b), want)) << "B and C one array";
  EXPECT_TRUE(same_bits(solve_into(reference, c.a, c.b, nan_filled), want)) << "reference";
}

// One randomised bit-for-bit comparison of a kernel with its reference loop, out of place and
// in place. With keeps_contract the kernel starts from C filled with NaN and the reference from
// c_on_entry, since neither may read C before writing it, and the in-place solve must equal
// the out-of-place one; otherwise (a row-compressed entry on the wrong side reads C as it finds
// it, or B in place) each run of the kernel starts from what the reference's run starts from.
inline void compare_with_reference(SolveFn* kernel, SolveFn* reference, const Operand& a,
                                   const Vec& b, const Vec& c_on_entry, bool keeps_contract,
                                   const std::string& note) {
  const Vec want = solve_into(reference, a, b, c_on_entry);
  const Vec kernel_c = keeps_contract ? Vec(b.size(), kNaN) : c_on_entry;
  EXPECT_TRUE(same_bits(solve_into(kernel, a, b, kernel_c), want)) << note << ", separate B and C";
  // In place equals out of place wherever the operand keeps the contract.
  const Vec want_in_place = keeps_contract ? want : solve_in_place(reference, a, b);
  EXPECT_TRUE(same_bits(solve_in_place(kernel, a, b), want_in_place))
      << note << ", B and C one array";
}


// A family's two solves, their reference loops and their layouts, for the sweeps below.
struct SolvePair {
  Layout lower_layout, upper_layout;
  SolveFn *lower, *upper, *lower_ref, *upper_ref;
};

// An order of 0 or less reads and writes nothing: every input is a null pointer, and C keeps
// its content; then the same with C null too. Each of the four loops, for each order given.
inline void expect_no_order_touches_nothing(const SolvePair& s, std::initializer_list<int32_t> orders) {
  for (int32_t n : orders)
    for (SolveFn* solve : {s.lower, s.upper, s.lower_ref, s.upper_ref}) {
      Vec C = {7.0, -7.0};
      solve(n, nullptr, nullptr, nullptr, nullptr, C.data());
      EXPECT_TRUE(same_bits(C, Vec{7.0, -7.0})) << "n = " << n;
      solve(n, nullptr, nullptr, nullptr, nullptr, nullptr);
    }
}

// Random well-conditioned triangles of order 1-24 with random right-hand sides, seeds from
// seed0: even ones finite, odd ones with signed zeros, infinities, NaNs and subnormals in the
// values and odd divisors; divisor_twice as in TriangularShape.
inline void random_triangles_match_reference(const SolvePair& s, std::uint64_t seed0,
                                             double divisor_twice) {
  struct Run { Layout layout; SolveFn* kernel; SolveFn* reference; };
  const Run runs[] = {{s.lower_layout, s.lower, s.lower_ref}, {s.upper_layout, s.upper, s.upper_ref}};
  const int count = scaled(400);
  for (const Run& run : runs) {
    for (int t = 0; t < count; ++t) {
      const std::uint64_t seed = seed0 + t;
      Rng rng(seed);
      const bool special = t % 2 == 1;
      TriangularShape shape;
      shape.order = 1 + int32_t(rng() % 24);
      shape.max_others = 1 + int32_t(rng() % 6);
      shape.first_position = int32_t(rng() % 3);
      shape.divisor_twice = divisor_twice;
      if (special) {
        shape.values = ValueMix{};
        shape.odd_divisor = 0.05;
      }
      const Operand a = random_triangular(rng, run.layout, shape);
      const Vec b = random_vector(rng, shape.order, special ? ValueMix{} : kFinite);
      const Vec c = random_vector(rng, shape.order);
      compare_with_reference(run.kernel, run.reference, a, b, c, true,
                             std::string(name_of(run.layout)) + ", " + seed_note(seed));
    }
  }
}

// Triangles of order 20000 and more, for any path a kernel takes only on big operands.
inline void large_triangles_match_reference(const SolvePair& s, std::uint64_t seed0) {
  const int count = scaled(4);
  for (int t = 0; t < count; ++t) {
    const std::uint64_t seed = seed0 + t;
    Rng rng(seed);
    TriangularShape shape;
    shape.order = 20000 + int32_t(rng() % 1000);
    shape.max_others = 8;
    shape.first_position = t % 2;
    const Vec b = random_vector(rng, shape.order, kFinite);
    const Vec c = random_vector(rng, shape.order);
    const Operand lower = random_triangular(rng, s.lower_layout, shape);
    compare_with_reference(s.lower, s.lower_ref, lower, b, c, true, "lower, " + seed_note(seed));
    const Operand upper = random_triangular(rng, s.upper_layout, shape);
    compare_with_reference(s.upper, s.upper_ref, upper, b, c, true, "upper, " + seed_note(seed));
  }
}

// Square operands of order 1-16 whose indices lie in range, triangular or not; keeps_contract
// as in compare_with_reference.
inline void any_square_operand_matches_reference(const SolvePair& s, std::uint64_t seed0,
                                                 bool keeps_contract) {
  const int count = scaled(400);
  for (int t = 0; t < count; ++t) {
    const std::uint64_t seed = seed0 + t;
    Rng rng(seed);
    Shape shape;
    shape.vectors = shape.extent = 1 + int32_t(rng() % 16);
    shape.first_position = int32_t(rng() % 3);
    const Operand a = random_operand(rng, shape);
    const Vec b = random_vector(rng, shape.vectors);
    const Vec c = random_vector(rng, shape.vectors);
    const std::string note = seed_note(seed);
    compare_with_reference(s.lower, s.lower_ref, a, b, c, keeps_contract, "lower, " + note);
    compare_with_reference(s.upper, s.upper_ref, a, b, c, keeps_contract, "upper, " + note);
  }
}

}  // namespace spk::test

#endif  // SPK_TESTS_TRIANGULAR_HPP
