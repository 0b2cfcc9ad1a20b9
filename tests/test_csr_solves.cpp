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
  static constexpr spk::test::SolvePair solves{Layout::csr_lower, Layout::csr_upper, lower,
                                               upper, lower_ref, upper_ref};
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
TYPED_TEST(CsrSolves, NoOrderTouchesNothing) {
  spk::test::expect_no_order_touches_nothing(this->solves, {0, -1, -2});
}

// The most negative order too: a descending sweep must not start from n - 1, which overflows.
TYPED_TEST(CsrSolves, MostNegativeOrderTouchesNothing) {
  spk::test::expect_no_order_touches_nothing(this->solves, {std::numeric_limits<int32_t>::min()});
}

// Random well-conditioned triangles (unsorted and duplicate columns, the lower solve's divisor
// anywhere in its row and sometimes stored twice, entries from a non-zero Aptr[0]) with random
// right-hand sides, first finite, then with signed zeros, infinities, NaNs and subnormals in
// the values and odd divisors.
TYPED_TEST(CsrSolves, RandomTrianglesMatchReference) {
  spk::test::random_triangles_match_reference(this->solves, 2000, 0.1);
}

// Large orders, for any path a kernel takes only on big operands.
TYPED_TEST(CsrSolves, LargeTrianglesMatchReference) {
  spk::test::large_triangles_match_reference(this->solves, 6000);
}

// Any square operand whose indices lie in range, triangular or not: empty rows, rows without a
// diagonal, entries on either side of it, duplicates, special values. The kernels still follow
// the loops of the reference to the bit, reading C as they find it.
TYPED_TEST(CsrSolves, AnySquareOperandMatchesReference) {
  spk::test::any_square_operand_matches_reference(this->solves, 10000, false);
}

}  // namespace
