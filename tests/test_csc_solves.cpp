// Column-compressed triangular solves: B copied into C, then one division per column by the
// entry at the divisor's position and one update C[r] - x * Aval[p] per other entry, each
// stored before the next. Every case runs under both rounding schemes, bit for bit.
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "csc_triangular.hpp"
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
const double e53 = std::ldexp(1.0, -53);  // 1 + e53 is a tie that rounds back to 1

// The lower triangle (2, 0, 0), (1, 4, 0), (3, -1, 5) column by column, divisor first.
Operand worked_lower(Vec Aval = {2, 1, 3, 4, -1, 5}) {
  return compressed({0, 3, 5, 6}, {0, 1, 2, 1, 2, 2}, std::move(Aval));
}
// The upper triangle (2, 1, 3), (0, 4, -1), (0, 0, 5) column by column, divisor last.
Operand worked_upper(Vec Aval = {2, 1, 4, 3, -1, 5}) {
  return compressed({0, 1, 3, 6}, {0, 0, 1, 0, 1, 2}, std::move(Aval));
}
// (1, 0), (1, 1): the update of C[1] cancels whenever C[0] = B[1].
Operand unit_lower(Vec Aval = {1, 1, 1}) { return compressed({0, 2, 3}, {0, 1, 1}, std::move(Aval)); }

const SolveCase kLowerCases[] = {
    {"worked 3x3", worked_lower(), {2, 5, 12}, {1, 1, 2}},
    {"order 1", compressed({0, 1}, {0}, {4}), {2}, {0.5}},
    {"order 1 keeps the sign of a zero", compressed({0, 1}, {0}, {1}), {-0.0}, {-0.0}},
    {"columns holding only their divisor", compressed({0, 1, 2, 3}, {0, 1, 2}, {2, -4, 8}),
     {1, 1, -3}, {0.5, -0.25, -0.375}},
    // Column 0 stored as rows 1, 0, 2: the first entry (row 1, value 1) divides, x = 2, the
    // diagonal's 2 updates C[0] like any other entry; C = (-2, 5, 6) after column 0.
    {"first entry divides whatever its row",
     compressed({0, 3, 5, 6}, {1, 0, 2, 1, 2, 2}, {1, 2, 3, 4, -1, 5}), {2, 5, 12},
     {-2, 1.25, 7.25 / 5}},
    {"zero divisor: infinities, the sweep goes on", worked_lower({0, 1, 3, 4, -1, 5}),
     {2, 5, 12}, {kInf, -kInf, -kInf}},
    {"zero divisor over zero: NaN spreads", worked_lower({0, 1, 3, 4, -1, 5}), {0, 5, 12},
     {kNaN, kNaN, kNaN}},
    {"update cancels exactly", unit_lower(), {1, 1}, {1, +0.0}, Vec{1, -0.0}},
    {"+0.0 minus a +0.0 product", unit_lower(), {0, 0}, {+0.0, +0.0}, Vec{+0.0, -0.0}},
    {"+0.0 minus a -0.0 product", unit_lower({1, -1, 1}), {0, 0}, {+0.0, +0.0}},
    {"-0.0 minus a +0.0 product", unit_lower(), {0, -0.0}, {+0.0, -0.0}},
    {"update rounded once when fused", unit_lower({1, 1 - e30, 1}), {1 + e30, 1},
     {1 + e30, +0.0}, Vec{1 + e30, std::ldexp(1.0, -60)}},
    // C[1] = 1 - (1 * -2^-53) rounds to 1, then 1 - 1 = 0; the other order would give 2^-53.
    {"a row named twice is updated twice in storage order",
     compressed({0, 3, 4}, {0, 1, 1, 1}, {1, -e53, 1, 1}), {1, 1}, {1, +0.0}, Vec{1, -0.0}},
    {"an entry on the divisor's row after it updates the solved component",
     compressed({0, 1, 3}, {0, 1, 1}, {2, 4, 1}), {2, 8}, {1, +0.0}, Vec{1, -0.0}},
    {"an entry above the diagonal updates a solved component",
     compressed({0, 1, 3}, {0, 1, 0}, {2, 4, 1}), {2, 8}, {-1, 2}},
};

const SolveCase kUpperCases[] = {
    {"worked 3x3", worked_upper(), {9, 2, 10}, {1, 1, 2}},
    {"order 1", compressed({0, 1}, {0}, {-8}), {2}, {-0.25}},
    {"order 1 keeps the sign of a zero", compressed({0, 1}, {0}, {1}), {-0.0}, {-0.0}},
    // Column 2 stored as rows 0, 2, 1: the last entry (row 1, value -1) divides, x = -10, and
    // the diagonal's 5 updates C[2] after its division: C[2] = -10 + 50.
    {"last entry divides whatever its row",
     compressed({0, 1, 3, 6}, {0, 0, 1, 0, 2, 1}, {2, 1, 4, 3, 5, -1}), {9, 2, 10},
     {19.25, 0.5, 40}},
    {"zero divisor: infinities, the sweep goes on", worked_upper({2, 1, 4, 3, -1, 0}),
     {9, 2, 10}, {-kInf, kInf, kInf}},
    {"zero divisor over zero: NaN spreads", worked_upper({2, 1, 4, 3, -1, 0}), {9, 2, 0},
     {kNaN, kNaN, kNaN}},
    {"update cancels exactly", compressed({0, 1, 3}, {0, 0, 1}, {1, 1, 1}), {1, 1},
     {+0.0, 1}, Vec{-0.0, 1}},
    {"update rounded once when fused", compressed({0, 1, 3}, {0, 0, 1}, {1, 1 - e30, 1}),
     {1, 1 + e30}, {+0.0, 1 + e30}, Vec{std::ldexp(1.0, -60), 1 + e30}},
    {"an entry below the diagonal updates a solved component",
     compressed({0, 2, 3}, {1, 0, 1}, {1, 2, 4}), {2, 8}, {1, 1}},
};

// Operands that break the contract in ways the kernels still handle soundly: a column without
// entries is solved as if its divisor were +0.0 and updates nothing, and nothing outside
// Aptr[0] .. Aptr[n] - 1 is read (the arrays are exact in size, so a sanitizer sees a stray
// read; the values around a vector that stores nothing would also show in the results).
const SolveCase kLowerCorners[] = {
    {"first column stores nothing", compressed({0, 0, 2, 3}, {1, 2, 2}, {4, -1, 5}),
     {-2, 5, 12}, {-kInf, 1.25, 13.25 / 5}},
    {"last column stores nothing", compressed({0, 3, 5, 5}, {0, 1, 2, 1, 2}, {2, 1, 3, 4, -1}),
     {2, 5, -8}, {1, 1, -kInf}},
    {"middle column stores nothing", compressed({0, 2, 2, 3}, {0, 1, 2}, {2, 1, 5}),
     {2, -5, 10}, {1, -kInf, 2}},
    {"column storing nothing over zero gives NaN and no updates",
     compressed({0, 2, 2, 3}, {0, 1, 2}, {2, 1, 5}), {2, 1, 10}, {1, kNaN, 2}},
    {"start positions that decrease leave the column empty", compressed({0, 1, 0, 1}, {0}, {2}),
     {2, -3, 8}, {1, -kInf, 4}},
    {"the divisor's row index is never read",
     compressed({0, 2, 3}, {-7, 1, 123456}, {2, 1, 4}), {2, 9}, {1, 2}},
    {"positions before Aptr[0] are never read",
     compressed({2, 5, 7, 8}, {-1, -1, 0, 1, 2, 1, 2, 2}, {kNaN, kNaN, 2, 1, 3, 4, -1, 5}),
     {2, 5, 12}, {1, 1, 2}},
};

const SolveCase kUpperCorners[] = {
    {"first column stores nothing", compressed({0, 0, 1}, {1}, {4}), {-3, 8}, {-kInf, 2}},
    {"last column stores nothing", compressed({0, 1, 3, 3}, {0, 0, 1}, {2, 1, 4}), {9, 2, -10},
     {4.25, 0.5, -kInf}},
    {"middle column stores nothing", compressed({0, 1, 1, 3}, {0, 0, 2}, {2, 1, 5}),
     {3, -2, 10}, {0.5, -kInf, 2}},
    {"start positions that decrease leave the column empty", compressed({0, 1, 0, 1}, {0}, {2}),
     {2, -3, 8}, {1, -kInf, 4}},
    {"the divisor's row index is never read",
     compressed({0, 1, 3}, {99999, 0, -5}, {2, 1, 4}), {4, 8}, {1, 2}},
    {"positions from Aptr[n] on are never read",
     compressed({0, 1, 3, 6}, {0, 0, 1, 0, 1, 2, -1}, {2, 1, 4, 3, -1, 5, kNaN}), {9, 2, 10},
     {1, 1, 2}},
    {"positions before Aptr[0] are never read",
     compressed({3, 4, 6, 9}, {-1, -1, -1, 0, 0, 1, 0, 1, 2}, {kNaN, kNaN, kNaN, 2, 1, 4, 3, -1, 5}),
     {9, 2, 10}, {1, 1, 2}},
};

template <class Arith>
class CscSolves : public ::testing::Test {
 protected:
  static constexpr bool fused = spk::test::is_fused<Arith>;
  static constexpr spk::test::SolveFn* lower = &spk::csc_lower_solve<Arith>;
  static constexpr spk::test::SolveFn* upper = &spk::csc_upper_solve<Arith>;
  static constexpr spk::test::SolveFn* lower_ref = &spk::ref::csc_lower_solve<Arith>;
  static constexpr spk::test::SolveFn* upper_ref = &spk::ref::csc_upper_solve<Arith>;
  static constexpr spk::test::SolvePair solves{Layout::csc_lower, Layout::csc_upper, lower,
                                               upper, lower_ref, upper_ref};
};
TYPED_TEST_SUITE(CscSolves, spk::test::Schemes, spk::test::SchemeName);

TYPED_TEST(CscSolves, LowerCases) {
  for (const SolveCase& c : kLowerCases)
    spk::test::check_case(c, this->fused, this->lower, this->lower_ref);
}

TYPED_TEST(CscSolves, UpperCases) {
  for (const SolveCase& c : kUpperCases)
    spk::test::check_case(c, this->fused, this->upper, this->upper_ref);
}

TYPED_TEST(CscSolves, LowerCorners) {
  for (const SolveCase& c : kLowerCorners)
    spk::test::check_case(c, this->fused, this->lower, this->lower_ref);
}

TYPED_TEST(CscSolves, UpperCorners) {
  for (const SolveCase& c : kUpperCorners)
    spk::test::check_case(c, this->fused, this->upper, this->upper_ref);
}

// An order of 0 or less reads and writes nothing: every input is a null pointer, and C keeps
// its content.
TYPED_TEST(CscSolves, NoOrderTouchesNothing) {
  spk::test::expect_no_order_touches_nothing(this->solves, {0, -1, -2});
}

// The most negative order too: a descending sweep must not start from n - 1, which overflows.
TYPED_TEST(CscSolves, MostNegativeOrderTouchesNothing) {
  spk::test::expect_no_order_touches_nothing(this->solves, {std::numeric_limits<int32_t>::min()});
}

// Random well-conditioned triangles (duplicate and unsorted rows, entries from a non-zero
// Aptr[0]) with random right-hand sides, first finite, then with signed zeros, infinities,
// NaNs and subnormals in the values and odd divisors.
TYPED_TEST(CscSolves, RandomTrianglesMatchReference) {
  spk::test::random_triangles_match_reference(this->solves, 1000, 0.0);
}

// Large orders, for any path a kernel takes only on big operands.
TYPED_TEST(CscSolves, LargeTrianglesMatchReference) {
  spk::test::large_triangles_match_reference(this->solves, 5000);
}

// Any square operand whose indices lie in range, triangular or not: empty columns, entries on
// either side of the diagonal, duplicates, special values. The kernels still follow the loops
// of the reference to the bit; since B is copied into C first, C on entry never matters even
// here, and in place still equals out of place.
TYPED_TEST(CscSolves, AnySquareOperandMatchesReference) {
  spk::test::any_square_operand_matches_reference(this->solves, 9000, true);
}

}  // namespace
