// The sparse times dense matrix product, bit for bit: literal cases (both stride cases among
// them), then the kernel against the literal reference loop on random operands, under both
// rounding schemes.
#include <cmath>
#include <cstdint>
#include <string>

#include "mat_mult.hpp"
#include "reference/products.hpp"
#include "support/bits.hpp"
#include "support/guard_pages.hpp"
#include "support/operands.hpp"
#include "support/schemes.hpp"

namespace {

using namespace spk::test;

// One call on a copy of C; with B_is_C the input is C itself. An empty array is passed as a
// null pointer, so a call that reads it fails.
template <class Arith, bool Reference>
Vec call(int32_t m, int32_t n, int32_t k, const Operand& A, const Vec& B, const Vec& C,
         bool B_is_C = false) {
  Vec out = C;
  double* c = data_or_null(out);
  const double* b = B_is_C ? c : data_or_null(B);
  if constexpr (Reference)
    spk::ref::csc_mat_mult<Arith>(m, n, k, data_or_null(A.Aval), data_or_null(A.Aind),
                                  data_or_null(A.Aptr), b, /*spare=*/0, c);
  else
    spk::csc_mat_mult<Arith>(m, n, k, data_or_null(A.Aval), data_or_null(A.Aind),
                             data_or_null(A.Aptr), b, c);
  return out;
}

const double N = kNaN;
const double E = std::ldexp(1.0, -53);  // half an ulp of 1
const int32_t J = 1 << 30;               // an index that must never be used

struct Case {
  const char* what;
  int32_t m, n, k;
  Operand A;
  Vec B;
  Vec C;     // before the call
  Vec want;  // after the call
  bool B_is_C = false;
};

// A 3 x 2 with columns (1, 0, 2) and (0, 3, 0); the same from position 2; and a 2 x 3 with
// rows (1, -1, 0) and (0, 2, 5).
const Operand kTall = compressed({0, 2, 3}, {0, 2, 1}, {1, 2, 3});
const Operand kTallFrom2 = compressed({2, 4, 5}, {J, J, 0, 2, 1}, {N, N, 1, 2, 3});
const Operand kWide = compressed({0, 1, 3, 4}, {0, 1, 0, 1}, {1, 2, -1, 5});

const Case kCases[] = {
    // m > k: each column of B fills the first k of m slots; the rest are never read.
    {"m > k: the last m - k slots of each column of B are never read", 3, 2, 2, kTall,
     {10, 20, N, 30, 40, N}, Vec(6, N), {10, 60, 20, 30, 120, 60}},
    // m < k: column 1 of B starts m slots after column 0, so B[2] is read by both.
    {"m < k: columns of B overlap", 2, 2, 3, kWide, {1, 2, 3, 4, 5, N}, Vec(4, N),
     {-1, 19, -1, 33}},
    {"stored from position 2", 3, 2, 2, kTallFrom2, {10, 20, N, 30, 40, N}, Vec(6, N),
     {10, 60, 20, 30, 120, 60}},

    // Zero dimensions.
    {"n=0 touches nothing", 3, 0, 2, {}, {}, {7, -0.0, N}, {7, -0.0, N}},
    {"k=0 clears all of C and reads nothing else", 2, 2, 0, {}, {}, {7, -0.0, N, 1},
     {+0.0, +0.0, +0.0, +0.0}},
    {"m=0 writes nothing", 0, 2, 2, compressed({0, 0, 0}, {}, {}), {}, {}, {}},

    // Empty columns, untouched elements, signed zeros, a stored zero times infinity.
    {"an empty column's row of B is not used", 2, 1, 2, compressed({0, 0, 1}, {0}, {2}), {N, 3},
     {N, N}, {6, +0.0}},
    {"-0.0 products end +0.0", 1, 1, 1, compressed({0, 1}, {0}, {-1}), {0}, {N}, {+0.0}},
    {"stored 0 times inf is NaN", 2, 2, 1, compressed({0, 1}, {1}, {0}), {1, N, kInf}, Vec(4, 5),
     {+0.0, 0, +0.0, N}},

    // Duplicates add into the same element in storage order; reversed, the halves would
    // survive as one ulp.
    {"duplicate rows both count", 1, 1, 1, compressed({0, 2}, {0, 0}, {1, 2}), {3}, {N}, {9}},
    {"duplicates in storage order", 1, 2, 1, compressed({0, 3}, {0, 0, 0}, {1, E, E}), {1, 1},
     {N, N}, {1, 1}},

    // B passed as C: the clearing comes first, so B is read as +0.0.
    {"B as C is read after the clearing", 2, 1, 2, compressed({0, 1, 2}, {1, 0}, {3, 4}), {},
     {1, 2}, {+0.0, +0.0}, true},
};

template <class Arith>
class MatMult : public ::testing::Test {};
TYPED_TEST_SUITE(MatMult, Schemes, SchemeName);

TYPED_TEST(MatMult, LiteralCases) {
  for (const Case& t : kCases) {
    SCOPED_TRACE(t.what);
    EXPECT_TRUE(same_bits(call<TypeParam, false>(t.m, t.n, t.k, t.A, t.B, t.C, t.B_is_C), t.want))
        << "kernel";
    EXPECT_TRUE(same_bits(call<TypeParam, true>(t.m, t.n, t.k, t.A, t.B, t.C, t.B_is_C), t.want))
        << "reference";
  }
}

// A column of A without stored entries leaves its row of B unread. Column 1 of A is empty,
// so B's element (1, 1), the last of B, is never read: B ends before an inaccessible page
// where it would be. Element (1, 0) is never read either and holds NaN.
TYPED_TEST(MatMult, EmptyColumnLeavesItsRowOfBUnread) {
  GuardedArena arena;
  const Operand A = compressed({0, 1, 1}, {1}, {2});
  const double* B = arena.copy(Vec{1, N, 3}, Flush::end, false);
  Vec C(4, N);
  spk::csc_mat_mult<TypeParam>(2, 2, 2, A.Aval.data(), A.Aind.data(), A.Aptr.data(), B, C.data());
  EXPECT_TRUE(same_bits(C, Vec{+0.0, 2, +0.0, 6}));
}

// Each column of the product is the vector product of A with that column of B: the kernel
// agrees bit for bit with itself called one column at a time, since nothing is carried from
// one output column to the next.
TYPED_TEST(MatMult, EachColumnIsIndependent) {
  for (int it = 0; it < 200; ++it) {
    Rng rng(0xc01 + it);
    const int32_t m = 1 + int32_t(rng() % 5), k = 1 + int32_t(rng() % 5), n = 3;
    const Operand A = random_operand(rng, {.vectors = k, .extent = m});
    const Vec B = random_vector(rng, (n - 1) * m + k);
    const Vec whole = call<TypeParam, false>(m, n, k, A, B, Vec(m * n, N));
    for (int32_t col = 0; col < n; ++col) {
      const Vec one = call<TypeParam, false>(m, 1, k, A, Vec(B.begin() + col * m, B.end()),
                                             Vec(m, N));
      EXPECT_TRUE(same_bits(Vec(whole.begin() + col * m, whole.begin() + (col + 1) * m), one))
          << "column " << col << ", " << seed_note(0xc01 + it);
    }
  }
}

struct RandomCall {
  int32_t m, n, k;
  Operand A;
  Vec B, C;
  bool B_is_C;
};

// B holds exactly the (n - 1) * m + k doubles the kernel may read; C holds m * n and two spare
// elements at the end that nothing may touch, and starts out holding garbage.
RandomCall random_call(Rng& rng, const ValueMix& mix, bool allow_alias) {
  Shape shape;
  // Mostly small, so that empty and one-element cases are frequent; now and then large.
  const bool large = rng() % 40 == 0;
  shape.vectors = int32_t(rng() % (large ? 100 : 7));  // k
  shape.extent = int32_t(rng() % (large ? 100 : 7));   // m
  shape.max_per_vector = 1 + int32_t(rng() % (large ? 16 : 5));
  shape.sorted = rng() % 4 == 0;
  shape.duplicate = 0.15;
  shape.values = mix;
  if (rng() % 3 == 0) shape.first_position = 1 + int32_t(rng() % 3);
  const int32_t columns = int32_t(rng() % (large ? 9 : 5));
  RandomCall c{shape.extent, columns, shape.vectors, random_operand(rng, shape), {}, {}, false};
  const std::size_t lenB = c.n >= 1 && c.k >= 1 ? std::size_t(c.n - 1) * c.m + c.k : 0;
  const std::size_t lenC = std::size_t(c.m) * c.n;
  c.B_is_C = allow_alias && rng() % 8 == 0;
  c.C = random_vector(rng, (c.B_is_C ? std::max(lenB, lenC) : lenC) + 2, mix);
  if (!c.B_is_C) c.B = random_vector(rng, lenB, mix);
  return c;
}

TYPED_TEST(MatMult, MatchReferenceOnRandomOperands) {
  const int iterations = scaled(10000);
  for (int it = 0; it < iterations; ++it) {
    const std::uint64_t seed = 0x3a7000u + it;
    Rng rng(seed);
    const RandomCall c = random_call(rng, ValueMix{}, true);
    const auto same = same_bits(call<TypeParam, false>(c.m, c.n, c.k, c.A, c.B, c.C, c.B_is_C),
                                call<TypeParam, true>(c.m, c.n, c.k, c.A, c.B, c.C, c.B_is_C));
    if (!same) {
      ADD_FAILURE() << "m " << c.m << " n " << c.n << " k " << c.k << ", " << seed_note(seed)
                    << ": " << same.message();
      break;
    }
  }
}

// The randomised comparison would pass if both schemes computed the same thing: they must not.
TEST(MatMultSchemes, DifferOnRandomData) {
  int differ = 0;
  for (int it = 0; it < 200; ++it) {
    Rng rng(0xd1ffu + it);
    const RandomCall c = random_call(rng, kFinite, false);
    if (!same_bits(call<spk::Separate, false>(c.m, c.n, c.k, c.A, c.B, c.C),
                   call<spk::Fused, false>(c.m, c.n, c.k, c.A, c.B, c.C)))
      ++differ;
  }
  EXPECT_GT(differ, 0);
}

}  // namespace
