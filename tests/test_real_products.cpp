// The four real sparse-vector products, bit for bit: literal cases, then the kernels against
// the literal reference loops on random operands, under both rounding schemes.
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "real_vec.hpp"
#include "reference/products.hpp"
#include "support/bits.hpp"
#include "support/guard_pages.hpp"
#include "support/operands.hpp"
#include "support/schemes.hpp"

namespace {

using namespace spk::test;

enum class Kernel { CscCAB, CsrCAB, CscCaABC, CsrCaABC };
const char* const kKernelName[] = {"CSC_VecMult_CAB", "CSR_VecMult_CAB", "CSC_VecMult_CaABC",
                                   "CSR_VecMult_CaABC"};
bool is_csc(Kernel k) { return k == Kernel::CscCAB || k == Kernel::CscCaABC; }

template <class Arith>
void run_kernel(Kernel k, int32_t m, int32_t n, double a, const Operand& A, const double* B,
                double* C) {
  const double* Aval = data_or_null(A.Aval);
  const int32_t* Aind = data_or_null(A.Aind);
  const int32_t* Aptr = data_or_null(A.Aptr);
  switch (k) {
    case Kernel::CscCAB: spk::csc_vec_mult<Arith>(m, n, Aval, Aind, Aptr, B, C); break;
    case Kernel::CsrCAB: spk::csr_vec_mult<Arith>(n, Aval, Aind, Aptr, B, C); break;
    case Kernel::CscCaABC: spk::csc_vec_mult_add<Arith>(n, a, Aval, Aind, Aptr, B, C); break;
    case Kernel::CsrCaABC: spk::csr_vec_mult_add<Arith>(n, a, Aval, Aind, Aptr, B, C); break;
  }
}

template <class Arith>
void run_reference(Kernel k, int32_t m, int32_t n, double a, const Operand& A, const double* B,
                   double* C) {
  const double* Aval = data_or_null(A.Aval);
  const int32_t* Aind = data_or_null(A.Aind);
  const int32_t* Aptr = data_or_null(A.Aptr);
  switch (k) {
    case Kernel::CscCAB: spk::ref::csc_vec_mult<Arith>(m, n, Aval, Aind, Aptr, B, C); break;
    case Kernel::CsrCAB: spk::ref::csr_vec_mult<Arith>(m, n, Aval, Aind, Aptr, B, C); break;
    case Kernel::CscCaABC:
      spk::ref::csc_vec_mult_add<Arith>(m, n, a, Aval, Aind, Aptr, B, C);
      break;
    case Kernel::CsrCaABC:
      spk::ref::csr_vec_mult_add<Arith>(m, n, a, Aval, Aind, Aptr, B, C);
      break;
  }
}

const double N = kNaN;
const double E = std::ldexp(1.0, -53);  // half an ulp of 1: 1 + E rounds back to 1
const int32_t J = 1 << 30;               // an index that must never be used

// One call with literal operands. An empty array is passed as a null pointer, so a call that
// reads it fails. With B_is_C the input vector is the array C itself.
struct Case {
  const char* what;
  Kernel kernel;
  int32_t m, n;
  double a;
  Operand A;
  Vec B;
  Vec C;     // before the call
  Vec want;  // C after the call
  bool B_is_C = false;
};

// The 2 x 2 matrix [[1, 0], [2, 3]] column-compressed, which is its transpose [[1, 2], [0, 3]]
// to a row-compressed kernel; and the same stored from position 2 on.
const Operand kSmall = compressed({0, 2, 3}, {0, 1, 1}, {1, 2, 3});
const Operand kSmallFrom2 = compressed({2, 4, 5}, {J, J, 0, 1, 1}, {N, N, 1, 2, 3});

const Case kCases[] = {
    // Worked examples.
    {"CSC times ones", Kernel::CscCAB, 2, 2, 0, kSmall, {1, 1}, {N, N}, {1, 5}},
    {"CSR times ones (the transpose)", Kernel::CsrCAB, 2, 2, 0, kSmall, {1, 1}, {N, N}, {3, 3}},
    {"CSC scaled accumulate", Kernel::CscCaABC, 2, 2, 2, kSmall, {1, 1}, {10, 20}, {12, 30}},
    {"CSR scaled accumulate", Kernel::CsrCaABC, 2, 2, 2, kSmall, {1, 1}, {10, 20}, {16, 26}},

    // Zero dimensions: what is cleared, and what is left alone without being read.
    {"CSC CAB n=0 clears C over m and reads nothing else", Kernel::CscCAB, 3, 0, 0, {}, {},
     {7, -0.0, N}, {+0.0, +0.0, +0.0}},
    {"CSC CAB m=0 n=0", Kernel::CscCAB, 0, 0, 0, {}, {}, {7}, {7}},
    {"CSR CAB n=0 touches nothing", Kernel::CsrCAB, 5, 0, 0, {}, {}, {7, N}, {7, N}},
    {"CSC CaABC n=0 touches nothing", Kernel::CscCaABC, 5, 0, 2, {}, {}, {7, -0.0}, {7, -0.0}},
    {"CSR CaABC n=0 touches nothing", Kernel::CsrCaABC, 5, 0, 2, {}, {}, {7, -0.0}, {7, -0.0}},
    {"CSC CAB m=0 with empty columns", Kernel::CscCAB, 0, 2, 0, compressed({0, 0, 0}, {}, {}), {},
     {7}, {7}},

    // Clearing and empty vectors.
    {"CSC CAB: an element no entry reaches ends +0.0", Kernel::CscCAB, 3, 1, 0,
     compressed({0, 1}, {1}, {2}), {3}, {N, N, -0.0}, {+0.0, 6, +0.0}},
    {"CSR CAB rewrites the element of an empty row", Kernel::CsrCAB, 9, 3, 0,
     compressed({0, 0, 1, 1}, {0}, {2}), {3}, {N, -1, -0.0}, {+0.0, 6, +0.0}},
    {"CSR CaABC turns -0.0 into +0.0 in an empty row, keeps other values", Kernel::CsrCaABC, 1, 3,
     1, compressed({0, 0, 1, 1}, {0}, {2}), {3}, {-0.0, 4, 2.5}, {+0.0, 10, 2.5}},
    {"CSC CaABC leaves unaddressed elements alone, -0.0 included", Kernel::CscCaABC, 3, 2, 1,
     compressed({0, 0, 1}, {1}, {2}), {N, 3}, {-0.0, 4, -0.0}, {-0.0, 10, -0.0}},
    {"CSC CAB: terms of -0.0 added to the cleared +0.0 give +0.0", Kernel::CscCAB, 1, 2, 0,
     compressed({0, 1, 2}, {0, 0}, {-0.0, 3}), {1, -0.0}, {N}, {+0.0}},
    {"CSR CAB: terms of -0.0 give +0.0", Kernel::CsrCAB, 2, 1, 0,
     compressed({0, 2}, {0, 1}, {-0.0, 3}), {1, -0.0}, {N}, {+0.0}},

    // A stored zero is a value like any other.
    {"CSC CAB: stored 0 times inf is NaN", Kernel::CscCAB, 2, 2, 0,
     compressed({0, 1, 2}, {0, 1}, {0, 1}), {kInf, 2}, {N, N}, {N, 2}},
    {"CSR CAB: stored 0 times inf is NaN", Kernel::CsrCAB, 2, 2, 0,
     compressed({0, 1, 2}, {0, 1}, {0, 1}), {kInf, 2}, {N, N}, {N, 2}},
    {"CSC CaABC: stored 0 times inf is NaN", Kernel::CscCaABC, 2, 2, 1,
     compressed({0, 1, 2}, {0, 1}, {0, 1}), {kInf, 2}, {1, 1}, {N, 3}},
    {"CSR CaABC: stored 0 times inf is NaN", Kernel::CsrCaABC, 2, 2, 1,
     compressed({0, 1, 2}, {0, 1}, {0, 1}), {kInf, 2}, {1, 1}, {N, 3}},
    {"CaABC scales each term: (a * B) overflows before Aval shrinks it", Kernel::CscCaABC, 1, 1,
     1e300, compressed({0, 1}, {0}, {1e-300}), {1e300}, {0}, {kInf}},
    {"CSR CaABC scales each term, not the sum", Kernel::CsrCaABC, 1, 1, 1e300,
     compressed({0, 1}, {0}, {1e-300}), {1e300}, {0}, {kInf}},

    // Duplicate indices: each entry contributes, in storage order. Reversed, the two halves
    // would sum to an ulp first and survive.
    {"CSC CAB duplicates both count", Kernel::CscCAB, 1, 1, 0, compressed({0, 2}, {0, 0}, {1, 2}),
     {3}, {N}, {9}},
    {"CSC CAB duplicates in storage order", Kernel::CscCAB, 1, 1, 0,
     compressed({0, 3}, {0, 0, 0}, {1, E, E}), {1}, {N}, {1}},
    {"CSR CAB duplicates in storage order", Kernel::CsrCAB, 1, 1, 0,
     compressed({0, 3}, {0, 0, 0}, {1, E, E}), {1}, {N}, {1}},
    {"CSC CaABC duplicates in storage order", Kernel::CscCaABC, 1, 1, 1,
     compressed({0, 3}, {0, 0, 0}, {1, E, E}), {1}, {0}, {1}},
    {"CSR CaABC duplicates in storage order", Kernel::CsrCaABC, 1, 1, 1,
     compressed({0, 3}, {0, 0, 0}, {1, E, E}), {1}, {0}, {1}},

    // Where the values are read from when Aptr[0] is not 0.
    {"CSC CAB reads the positions Aptr names", Kernel::CscCAB, 2, 2, 0, kSmallFrom2, {1, 1},
     {N, N}, {1, 5}},
    {"CSC CaABC reads the positions Aptr names", Kernel::CscCaABC, 2, 2, 2, kSmallFrom2, {1, 1},
     {10, 20}, {12, 30}},
    {"CSR CAB pairs Aval[t] with Aind[Aptr[0] + t]", Kernel::CsrCAB, 2, 2, 0,
     compressed({2, 4, 5}, {J, J, 0, 1, 1}, {1, 2, 3}), {1, 1}, {N, N}, {3, 3}},
    {"CSR CaABC pairs Aval[t] with Aind[Aptr[0] + t]", Kernel::CsrCaABC, 2, 2, 2,
     compressed({2, 4, 5}, {J, J, 0, 1, 1}, {1, 2, 3, N, N}), {1, 1}, {10, 20}, {16, 26}},

    // B passed as C. CSC CaABC: every term reads B[j] as it is at that moment, so the second
    // entry of column 0 sees 30 and column 1 sees 140.
    {"CSC CaABC with B as C reads updated values", Kernel::CscCaABC, 2, 2, 2, kSmall, {},
     {10, 20}, {30, 980}, true},
    // CSR CaABC, A = [[1, 0], [2, 3]]: row 1 reads C[0] already updated to 30, C[1] not yet.
    {"CSR CaABC with B as C reads earlier rows' results", Kernel::CsrCaABC, 2, 2, 2,
     compressed({0, 1, 3}, {0, 0, 1}, {1, 2, 3}), {}, {10, 20}, {30, 260}, true},
    // CSR CAB, n = 2 over an array of 3: the clearing comes first, so row 0 reads +0.0 at
    // column 1 and the caller's 30 at column 2; row 1 reads row 0's result at column 0.
    {"CSR CAB with B as C is read after the clearing", Kernel::CsrCAB, 3, 2, 0,
     compressed({0, 2, 4}, {2, 1, 0, 2}, {1, 5, 2, 3}), {}, {10, 20, 30}, {30, 150, 30}, true},
    // CSC CAB, m = 2 over an array of 3: column 0 reads the cleared B[0]; column 2 reads 3.
    {"CSC CAB with B as C is read after the clearing", Kernel::CscCAB, 2, 3, 0,
     compressed({0, 1, 1, 3}, {1, 0, 1}, {5, 2, 1}), {}, {1, 2, 3}, {6, 3, 3}, true},
};

template <class Arith>
class RealProducts : public ::testing::Test {};
TYPED_TEST_SUITE(RealProducts, Schemes, SchemeName);

// Literal cases hold only exact arithmetic, so both schemes give the same bits. The reference
// loops are checked here too: the randomised test below trusts them.
TYPED_TEST(RealProducts, LiteralCases) {
  for (const Case& t : kCases) {
    SCOPED_TRACE(std::string(kKernelName[int(t.kernel)]) + ": " + t.what);
    Vec got = t.C, ref = t.C;
    run_kernel<TypeParam>(t.kernel, t.m, t.n, t.a, t.A, t.B_is_C ? got.data() : data_or_null(t.B),
                          data_or_null(got));
    EXPECT_TRUE(same_bits(got, t.want)) << "kernel";
    run_reference<TypeParam>(t.kernel, t.m, t.n, t.a, t.A,
                             t.B_is_C ? ref.data() : data_or_null(t.B), data_or_null(ref));
    EXPECT_TRUE(same_bits(ref, t.want)) << "reference";
  }
}

// A column without stored entries leaves its element of B unread: here the last column is
// empty and B ends just before an inaccessible page, so reading B[1] faults.
TYPED_TEST(RealProducts, EmptyColumnLeavesItsInputUnread) {
  GuardedArena arena;
  const Operand A = compressed({0, 1, 1}, {0}, {2});
  const double* B = arena.copy(Vec{3}, Flush::end, false);
  Vec C{N};
  spk::csc_vec_mult<TypeParam>(1, 2, A.Aval.data(), A.Aind.data(), A.Aptr.data(), B, C.data());
  EXPECT_TRUE(same_bits(C, Vec{6}));
  C = {1};
  spk::csc_vec_mult_add<TypeParam>(2, 1.0, A.Aval.data(), A.Aind.data(), A.Aptr.data(), B,
                                   C.data());
  EXPECT_TRUE(same_bits(C, Vec{7}));
}

// A random call of one kernel: operand, vectors, scale; C carries two spare elements at its
// end that no kernel may touch. With B_is_C the input is read from the output array.
struct RandomCall {
  Kernel kernel;
  int32_t m, n;
  double a;
  Operand A;
  Vec B, C;
  bool B_is_C;
};

RandomCall random_call(Rng& rng, Kernel kernel, const ValueMix& mix, bool allow_alias) {
  Shape shape;
  // Mostly small, so that empty and one-element cases are frequent; now and then large.
  const bool large = rng() % 40 == 0;
  shape.vectors = int32_t(rng() % (large ? 300 : 9));
  shape.extent = int32_t(rng() % (large ? 300 : 9));
  shape.max_per_vector = 1 + int32_t(rng() % (large ? 24 : 6));
  shape.sorted = rng() % 4 == 0;
  shape.duplicate = 0.15;
  shape.values = mix;
  // The column-compressed kernels read absolute positions; the row-compressed ones take their
  // values from Aval[0] on whatever Aptr[0] is. Both are exercised with a lead.
  if (rng() % 3 == 0) shape.first_position = 1 + int32_t(rng() % 3);
  RandomCall call{kernel, shape.extent, shape.vectors, random_value(rng, mix),
                  random_operand(rng, shape), {}, {}, false};
  const std::size_t lenB = is_csc(kernel) ? call.n : call.m;
  const std::size_t lenC = is_csc(kernel) ? call.m : call.n;
  call.B_is_C = allow_alias && rng() % 6 == 0;
  if (call.B_is_C) {
    call.C = random_vector(rng, std::max(lenB, lenC) + 2, mix);
  } else {
    call.B = random_vector(rng, lenB, mix);
    call.C = random_vector(rng, lenC + 2, mix);
  }
  return call;
}

template <class Arith>
Vec kernel_result(const RandomCall& c) {
  Vec C = c.C;
  run_kernel<Arith>(c.kernel, c.m, c.n, c.a, c.A, c.B_is_C ? C.data() : c.B.data(), C.data());
  return C;
}

template <class Arith>
Vec reference_result(const RandomCall& c) {
  Vec C = c.C;
  run_reference<Arith>(c.kernel, c.m, c.n, c.a, c.A, c.B_is_C ? C.data() : c.B.data(),
                       C.data());
  return C;
}

// Random operands hold empty vectors, duplicate and unsorted indices, signed zeros,
// infinities, NaNs, subnormals and leading unused positions; a sixth of the calls pass B as C.
TYPED_TEST(RealProducts, MatchReferenceOnRandomOperands) {
  const int iterations = scaled(20000);
  for (int it = 0; it < iterations; ++it) {
    const std::uint64_t seed = 0x5eed0000u + it;
    Rng rng(seed);
    const Kernel kernel = Kernel(it % 4);
    const RandomCall call = random_call(rng, kernel, ValueMix{}, true);
    const auto same = same_bits(kernel_result<TypeParam>(call), reference_result<TypeParam>(call));
    if (!same) {
      ADD_FAILURE() << kKernelName[int(kernel)] << ", " << seed_note(seed) << ": "
                    << same.message();
      break;
    }
  }
}

// Guards the test above against comparing a scheme with itself: on ordinary random data the
// two schemes must give different bits somewhere, for every kernel.
TEST(RealProductsSchemes, DifferOnRandomData) {
  for (int k = 0; k < 4; ++k) {
    int differ = 0;
    for (int it = 0; it < 200; ++it) {
      Rng rng(0xd1ffu + it);
      const RandomCall call = random_call(rng, Kernel(k), kFinite, false);
      if (!same_bits(kernel_result<spk::Separate>(call), kernel_result<spk::Fused>(call)))
        ++differ;
    }
    EXPECT_GT(differ, 0) << kKernelName[k];
  }
}

}  // namespace
