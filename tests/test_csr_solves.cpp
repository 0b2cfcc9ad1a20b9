// Row-compressed triangular solves: one local sum per row from +0.0 in storage order, then
// C[i] = (B[i] - sum) / divisor written once. The lower solve finds its divisor by column index,
// the upper solve takes the first entry of the row. Every case runs under both rounding
// schemes, bit for bit.
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "csr_triangular.hpp"
#include "reference/solves.hpp"
#include "support/bits.hpp"
#include "support/operands.hpp"
#include "support/schemes.hpp"
#include "support/triangular.hpp"

namespace {

using spk::test::compressed;
using spk::test::kInf;
using spk::test::kNaN;
using spk::test::Layout;
using spk::test::Operand;
using spk::test::same_bits;
using spk::test::SolveCase;
using spk::test::Vec;

const double e30 = std::ldexp(1.0, -30);  // (1 + e30) * (1 - e30) = 1 - 2^-60 exactly

// The lower triangle (2, 0, 0), (1, 4, 0), (3, -1, 5) row by row, columns ascending.
Operand worked_lower(Vec Aval = {2, 1, 4, 3, -1, 5}) {
  return compressed({0, 1, 3, 6}, {0, 0, 1, 0, 1, 2}, std::move(Aval));
}
// The upper triangle (2, 1, 3), (0, 4, -1), (0, 0, 5) row by row, columns ascending.
Operand worked_upper(Vec Aval = {2, 1, 3, 4, -1, 5}) {
  return compressed({0, 3, 5, 6}, {0, 1, 2, 1, 2, 2}, std::move(Aval));
}

const SolveCase kLowerCases[] = {
    {"worked 3x3", worked_lower(), {2, 5, 12}, {1, 1, 2}},
    {"divisor found by its column wherever it stands",
     compressed({0, 1, 3, 6}, {0, 0, 1, 2, 0, 1}, {2, 1, 4, 5, 3, -1}), {2, 5, 12}, {1, 1, 2}},
    {"divisor stored twice: the later one divides, neither is summed",
     compressed({0, 1, 4, 7}, {0, 0, 1, 1, 0, 1, 2}, {2, 1, 8, 4, 3, -1, 5}), {2, 5, 12},
     {1, 1, 2}},
    {"order 1", compressed({0, 1}, {0}, {4}), {2}, {0.5}},
    {"order 1 keeps the sign of a zero", compressed({0, 1}, {0}, {1}), {-0.0}, {-0.0}},
    {"the divisor divides, no reciprocal", compressed({0, 1}, {0}, {3}), {5}, {5.0 / 3}},
    // Row 1 sums -0.0 * 1 into +0.0, giving +0.0; then -0.0 - +0.0 = -0.0.
    {"the row sum starts at +0.0", compressed({0, 1, 3}, {0, 0, 1}, {1, 1, 1}), {-0.0, -0.0},
     {-0.0, -0.0}},
    {"zero divisor: infinities, the sweep goes on", worked_lower({0, 1, 4, 3, -1, 5}),
     {2, 5, 12}, {kInf, -kInf, -kInf}},
    {"zero divisor over zero: NaN spreads", worked_lower({0, 1, 4, 3, -1, 5}), {0, 5, 12},
     {kNaN, kNaN, kNaN}},
    // Row 2 sums -1 * 1, then (1 + e30) * (1 - e30): rounded alone that product is 1 and the
    // sum +0.0; fused into the sum it leaves -2^-60.
    {"products fused into the row sum",
     compressed({0, 1, 2, 5}, {0, 1, 1, 0, 2}, {1, 1, 1, 1 - e30, 1}), {1 + e30, -1, 0},
     {1 + e30, -1, +0.0}, Vec{1 + e30, -1, std::ldexp(1.0, -60)}},
};

const SolveCase kUpperCases[] = {
    {"worked 3x3", worked_upper(), {9, 2, 10}, {1, 1, 2}},
    {"order 1", compressed({0, 1}, {0}, {-8}), {2}, {-0.25}},
    {"order 1 keeps the sign of a zero", compressed({0, 1}, {0}, {-1}), {0.0}, {-0.0}},
    {"the divisor divides, no reciprocal", compressed({0, 1}, {0}, {3}), {5}, {5.0 / 3}},
    {"the row sum starts at +0.0", compressed({0, 2, 3}, {0, 1, 1}, {1, 1, 1}), {-0.0, -0.0},
     {-0.0, -0.0}},
    {"zero divisor: infinities, the sweep goes on", worked_upper({2, 1, 3, 4, -1, 0}),
     {9, 2, 10}, {-kInf, kInf, kInf}},
    {"zero divisor over zero: NaN spreads", worked_upper({2, 1, 3, 4, -1, 0}), {9, 2, 0},
     {kNaN, kNaN, kNaN}},
    {"products fused into the row sum",
     compressed({0, 3, 4, 5}, {0, 2, 1, 1, 2}, {1, 1, 1 - e30, 1, 1}), {0, 1 + e30, -1},
     {+0.0, 1 + e30, -1}, Vec{std::ldexp(1.0, -60), 1 + e30, -1}},
};

// Operands that break the contract in ways the kernels still handle soundly: a row with no
// divisor (no entries; in the lower solve, no entry in its own column) divides by +0.0, and
// nothing outside Aptr[0] .. Aptr[n] - 1 is read (the arrays are exact in size, so a sanitizer
// sees a stray read; values next to an empty row would also show in the results).
const SolveCase kLowerCorners[] = {
    {"row without its diagonal divides by +0.0",
     compressed({0, 1, 2, 5}, {0, 0, 0, 1, 2}, {2, 1, 3, -1, 5}), {2, -5, 12},
     {1, -kInf, -kInf}},
    {"first row stores nothing", compressed({0, 0, 1}, {1}, {4}), {-2, 8}, {-kInf, 2}},
    {"last row stores nothing", compressed({0, 1, 1}, {0}, {2}), {2, -3}, {1, -kInf}},
    {"row storing nothing over zero gives NaN", compressed({0, 1, 1, 2}, {0, 2}, {2, 4}),
     {2, 0, 8}, {1, kNaN, 2}},
    // Row 1 is empty; row 2 holds position 0 (column 0): summed, with no divisor of its own.
    {"start positions that decrease leave the row empty", compressed({0, 1, 0, 1}, {0}, {2}),
     {2, -3, 8}, {1, -kInf, kInf}},
    {"positions before Aptr[0] are never read",
     compressed({2, 3, 5, 8}, {0, 0, 0, 0, 1, 0, 1, 2}, {kNaN, kNaN, 2, 1, 4, 3, -1, 5}),
     {2, 5, 12}, {1, 1, 2}},
    {"positions from Aptr[n] on are never read",
     compressed({0, 1, 3, 6}, {0, 0, 1, 0, 1, 2, 0}, {2, 1, 4, 3, -1, 5, kNaN}), {2, 5, 12},
     {1, 1, 2}},
};

const SolveCase kUpperCorners[] = {
    {"first row stores nothing", compressed({0, 0, 1}, {1}, {4}), {-3, 8}, {-kInf, 2}},
    {"last row stores nothing", compressed({0, 2, 2}, {0, 1}, {2, 1}), {3, -4}, {kInf, -kInf}},
    {"middle row stores nothing", compressed({0, 2, 2, 3}, {0, 2, 2}, {2, 1, 5}), {3, -2, 10},
     {0.5, -kInf, 2}},
    {"start positions that decrease leave the row empty", compressed({0, 1, 0, 1}, {0}, {2}),
     {2, -3, 8}, {1, -kInf, 4}},
    {"the divisor's column index is never read",
     compressed({0, 3, 5, 6}, {-3, 1, 2, 777, 2, 1 << 20}, {2, 1, 3, 4, -1, 5}), {9, 2, 10},
     {1, 1, 2}},
    {"positions before Aptr[0] are never read",
     compressed({1, 4, 6, 7}, {2, 0, 1, 2, 1, 2, 2}, {kNaN, 2, 1, 3, 4, -1, 5}), {9, 2, 10},
     {1, 1, 2}},
    {"positions from Aptr[n] on are never read",
     compressed({0, 3, 5, 6}, {0, 1, 2, 1, 2, 2, 1}, {2, 1, 3, 4, -1, 5, kNaN}), {9, 2, 10},
     {1, 1, 2}},
};

template <class Arith>
class CsrSolves : public ::testing::Test {
 protected:
  static constexpr bool fused = spk::test::is_fused<Arith>;
  static constexpr spk::test::SolveFn* lower = &spk::csr_lower_solve<Arith>;
  static constexpr spk::test::SolveFn* upper = &spk::csr_upper_solve<Arith>;
  static constexpr spk::test::SolveFn* lower_ref = &spk::ref::csr_lower_solve<Arith>;
  static constexpr spk::test::SolveFn* upper_ref = &spk::ref::csr_upper_solve<Arith>;
};
TYPED_TEST_SUITE(CsrSolves, spk::test::Schemes, spk::test::SchemeName);

TYPED_TEST(CsrSolves, LowerCases) {
  for (const SolveCase& c : kLowerCases)
    spk::test::check_case(c, this->fused, this->lower, this->lower_ref);
}

TYPED_TEST(CsrSolves, UpperCases) {
  for (const SolveCase& c : kUpperCases)
    spk::test::check_case(c, this->fused, this->upper, this->upper_ref);
}

TYPED_TEST(CsrSolves, LowerCorners) {
  for (const SolveCase& c : kLowerCorners)
    spk::test::check_case(c, this->fused, this->lower, this->lower_ref);
}

TYPED_TEST(CsrSolves, UpperCorners) {
  for (const SolveCase& c : kUpperCorners)
    spk::test::check_case(c, this->fused, this->upper, this->upper_ref);
}

// An entry on the wrong side of the diagonal (or, in the upper solve, a divisor that is not the
// row's first entry) takes the component it names as the call finds it: the content of C on
// entry out of place, the right-hand side in place.
TYPED_TEST(CsrSolves, WrongSideEntriesReadCAsFound) {
  struct Case {
    const char* what;
    spk::test::SolveFn* kernel;
    spk::test::SolveFn* reference;
    Operand a;
    Vec b, c_on_entry, want, want_in_place;
  };
  const Case cases[] = {
      // Row 0 stores column 1, right of its diagonal.
      {"lower, an entry right of the diagonal", this->lower, this->lower_ref,
       compressed({0, 2, 4}, {0, 1, 0, 1}, {2, 1, 1, 4}), {2, 5}, {7, 7}, {-2.5, 1.875},
       {-1.5, 1.625}},
      // Row 1 stored as (column 2: -1, column 1: 4): -1 divides, 4 multiplies C[1].
      {"upper, the diagonal not first", this->upper, this->upper_ref,
       compressed({0, 3, 5, 6}, {0, 1, 2, 2, 1, 2}, {2, 1, 3, -1, 4, 5}), {9, 2, 10}, {7, 7, 7},
       {-11.5, 26, 2}, {-1.5, 6, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_TRUE(same_bits(spk::test::solve_into(c.kernel, c.a, c.b, c.c_on_entry), c.want));
    EXPECT_TRUE(same_bits(spk::test::solve_in_place(c.kernel, c.a, c.b), c.want_in_place));
    EXPECT_TRUE(same_bits(spk::test::solve_into(c.reference, c.a, c.b, c.c_on_entry), c.want));
    EXPECT_TRUE(same_bits(spk::test::solve_in_place(c.reference, c.a, c.b), c.want_in_place));
  }
}

// An order of 0 or less reads and writes nothing: every input is a null pointer, and C keeps
// its content.
void expect_untouched(spk::test::SolveFn* solve, int32_t n) {
  Vec C = {7.0, -7.0};
  solve(n, nullptr, nullptr, nullptr, nullptr, C.data());
  EXPECT_TRUE(same_bits(C, Vec{7.0, -7.0})) << "n = " << n;
  solve(n, nullptr, nullptr, nullptr, nullptr, nullptr);
}

TYPED_TEST(CsrSolves, NoOrderTouchesNothing) {
  for (int32_t n : {0, -1, -2})
    for (spk::test::SolveFn* solve : {this->lower, this->upper, this->lower_ref, this->upper_ref})
      expect_untouched(solve, n);
}

// The most negative order too: a descending sweep must not start from n - 1, which overflows.
TYPED_TEST(CsrSolves, MostNegativeOrderTouchesNothing) {
  for (spk::test::SolveFn* solve : {this->lower, this->upper, this->lower_ref, this->upper_ref})
    expect_untouched(solve, std::numeric_limits<int32_t>::min());
}

// Random well-conditioned triangles (unsorted and duplicate columns, the lower solve's divisor
// anywhere in its row and sometimes stored twice, entries from a non-zero Aptr[0]) with random
// right-hand sides, first finite, then with signed zeros, infinities, NaNs and subnormals in
// the values and odd divisors.
TYPED_TEST(CsrSolves, RandomTrianglesMatchReference) {
  struct Run { Layout layout; spk::test::SolveFn* kernel; spk::test::SolveFn* reference; };
  const Run runs[] = {{Layout::csr_lower, this->lower, this->lower_ref},
                      {Layout::csr_upper, this->upper, this->upper_ref}};
  const int count = spk::test::scaled(400);
  for (const Run& run : runs) {
    for (int t = 0; t < count; ++t) {
      const std::uint64_t seed = 2000 + t;
      spk::test::Rng rng(seed);
      const bool special = t % 2 == 1;
      spk::test::TriangularShape shape;
      shape.order = 1 + int32_t(rng() % 24);
      shape.max_others = 1 + int32_t(rng() % 6);
      shape.first_position = int32_t(rng() % 3);
      shape.divisor_twice = 0.1;
      if (special) {
        shape.values = spk::test::ValueMix{};
        shape.odd_divisor = 0.05;
      }
      const Operand a = spk::test::random_triangular(rng, run.layout, shape);
      const Vec b = spk::test::random_vector(rng, shape.order,
                                             special ? spk::test::ValueMix{} : spk::test::kFinite);
      const Vec c = spk::test::random_vector(rng, shape.order);
      spk::test::compare_with_reference(run.kernel, run.reference, a, b, c, true,
                                        std::string(name_of(run.layout)) + ", " +
                                            spk::test::seed_note(seed));
    }
  }
}

// Large orders, for any path a kernel takes only on big operands.
TYPED_TEST(CsrSolves, LargeTrianglesMatchReference) {
  const int count = spk::test::scaled(4);
  for (int t = 0; t < count; ++t) {
    const std::uint64_t seed = 6000 + t;
    spk::test::Rng rng(seed);
    spk::test::TriangularShape shape;
    shape.order = 20000 + int32_t(rng() % 1000);
    shape.max_others = 8;
    shape.first_position = t % 2;
    const Vec b = spk::test::random_vector(rng, shape.order, spk::test::kFinite);
    const Vec c = spk::test::random_vector(rng, shape.order);
    const Operand lower = spk::test::random_triangular(rng, Layout::csr_lower, shape);
    spk::test::compare_with_reference(this->lower, this->lower_ref, lower, b, c, true,
                                      "lower, " + spk::test::seed_note(seed));
    const Operand upper = spk::test::random_triangular(rng, Layout::csr_upper, shape);
    spk::test::compare_with_reference(this->upper, this->upper_ref, upper, b, c, true,
                                      "upper, " + spk::test::seed_note(seed));
  }
}

// Any square operand whose indices lie in range, triangular or not: empty rows, rows without a
// diagonal, entries on either side of it, duplicates, special values. The kernels still follow
// the loops of the reference to the bit, reading C as they find it.
TYPED_TEST(CsrSolves, AnySquareOperandMatchesReference) {
  const int count = spk::test::scaled(400);
  for (int t = 0; t < count; ++t) {
    const std::uint64_t seed = 10000 + t;
    spk::test::Rng rng(seed);
    spk::test::Shape shape;
    shape.vectors = shape.extent = 1 + int32_t(rng() % 16);
    shape.first_position = int32_t(rng() % 3);
    const Operand a = spk::test::random_operand(rng, shape);
    const Vec b = spk::test::random_vector(rng, shape.vectors);
    const Vec c = spk::test::random_vector(rng, shape.vectors);
    const std::string note = spk::test::seed_note(seed);
    spk::test::compare_with_reference(this->lower, this->lower_ref, a, b, c, false, "lower, " + note);
    spk::test::compare_with_reference(this->upper, this->upper_ref, a, b, c, false, "upper, " + note);
  }
}

}  // namespace
