// The two complex sparse-vector products, bit for bit: literal cases, then the kernels against
// the literal reference loops on random operands, under both rounding schemes.
#include <cmath>
#include <cstdint>
#include <string>

#include "complex_vec.hpp"
#include "reference/products.hpp"
#include "support/bits.hpp"
#include "support/guard_pages.hpp"
#include "support/operands.hpp"
#include "support/schemes.hpp"

namespace {

using namespace spk::test;

enum class Kernel { Csc, Csr };
const char* const kKernelName[] = {"CSC_CmplxVecMult_CAB", "CSR_CmplxVecMult_CAB"};

// Split complex vectors: real parts and imaginary parts.
struct Split {
  Vec re, im;
};

template <class Arith>
void run_kernel(Kernel k, int32_t m, int32_t n, const Operand& A, const double* B,
                const double* BIm, double* C, double* CIm) {
  const double* Aval = data_or_null(A.Aval);
  const double* AvalIm = data_or_null(A.AvalIm);
  const int32_t* Aind = data_or_null(A.Aind);
  const int32_t* Aptr = data_or_null(A.Aptr);
  if (k == Kernel::Csc)
    spk::csc_cmplx_vec_mult<Arith>(m, n, Aval, AvalIm, Aind, Aptr, B, BIm, C, CIm);
  else
    spk::csr_cmplx_vec_mult<Arith>(n, Aval, AvalIm, Aind, Aptr, B, BIm, C, CIm);
}

template <class Arith>
void run_reference(Kernel k, int32_t m, int32_t n, const Operand& A, const double* B,
                   const double* BIm, double* C, double* CIm) {
  const double* Aval = data_or_null(A.Aval);
  const double* AvalIm = data_or_null(A.AvalIm);
  const int32_t* Aind = data_or_null(A.Aind);
  const int32_t* Aptr = data_or_null(A.Aptr);
  if (k == Kernel::Csc)
    spk::ref::csc_cmplx_vec_mult<Arith>(m, n, Aval, AvalIm, Aind, Aptr, B, BIm, C, CIm);
  else
    spk::ref::csr_cmplx_vec_mult<Arith>(m, n, Aval, AvalIm, Aind, Aptr, B, BIm, C, CIm);
}

// Runs one call on copies of the output; with B_is_C the input is the output arrays.
template <class Arith, bool Reference>
Split call(Kernel k, int32_t m, int32_t n, const Operand& A, const Split& B, const Split& C,
           bool B_is_C) {
  Split out = C;
  double* c = data_or_null(out.re);
  double* cIm = data_or_null(out.im);
  const double* b = B_is_C ? c : data_or_null(B.re);
  const double* bIm = B_is_C ? cIm : data_or_null(B.im);
  if constexpr (Reference)
    run_reference<Arith>(k, m, n, A, b, bIm, c, cIm);
  else
    run_kernel<Arith>(k, m, n, A, b, bIm, c, cIm);
  return out;
}

::testing::AssertionResult same_bits(const Split& got, const Split& want) {
  if (auto re = spk::test::same_bits(got.re, want.re); !re) return re << " (real part)";
  if (auto im = spk::test::same_bits(got.im, want.im); !im) return im << " (imaginary part)";
  return ::testing::AssertionSuccess();
}

const double N = kNaN;
const int32_t J = 1 << 30;  // an index that must never be used

// One call with literal operands; an empty array is passed as a null pointer.
struct Case {
  const char* what;
  Kernel kernel;
  int32_t m, n;
  Operand A;
  Split B;
  Split C;     // before the call
  Split want;  // after the call
  bool B_is_C = false;
};

// (1 + 2i)(3 + 4i) = -5 + 10i.
const Operand kOne = compressed({0, 1}, {0}, {1}, {2});
// A with rows (1 + i, 2) and (0, 3i), times (1 + 2i, 3 - i): (5 + i, 3 + 9i).
const Operand kCsc2 = compressed({0, 1, 3}, {0, 0, 1}, {1, 2, 0}, {1, 0, 3});
const Operand kCsr2 = compressed({0, 2, 3}, {0, 1, 1}, {1, 2, 0}, {1, 0, 3});
const Split kB2{{1, 3}, {2, -1}};

const Case kCases[] = {
    {"one entry", Kernel::Csc, 1, 1, kOne, {{3}, {4}}, {{N}, {N}}, {{-5}, {10}}},
    {"one entry", Kernel::Csr, 1, 1, kOne, {{3}, {4}}, {{N}, {N}}, {{-5}, {10}}},
    {"2 x 2", Kernel::Csc, 2, 2, kCsc2, kB2, {{N, N}, {N, N}}, {{5, 3}, {1, 9}}},
    {"2 x 2", Kernel::Csr, 2, 2, kCsr2, kB2, {{N, N}, {N, N}}, {{5, 3}, {1, 9}}},
    {"2 x 2, column 0 alone; row 1 stays +0.0", Kernel::Csc, 2, 1, kCsc2, {{1}, {2}},
     {{N, N}, {N, N}}, {{-1, +0.0}, {3, +0.0}}},

    // Zero dimensions.
    {"n=0 clears both parts over m, reads nothing else", Kernel::Csc, 2, 0, {}, {},
     {{N, -0.0}, {7, N}}, {{+0.0, +0.0}, {+0.0, +0.0}}},
    {"m=0 writes nothing", Kernel::Csc, 0, 2, compressed({0, 0, 0}, {}, {}, {}), {}, {}, {}},
    {"n=0 touches nothing", Kernel::Csr, 4, 0, {}, {}, {{N, -0.0}, {7, N}}, {{N, -0.0}, {7, N}}},
    {"empty row ends +0.0", Kernel::Csr, 1, 2, compressed({0, 0, 1}, {0}, {1}, {2}),
     {{3}, {4}}, {{N, N}, {-0.0, N}}, {{+0.0, -5}, {+0.0, 10}}},

    // Signed zeros: -0.0 terms added to the cleared +0.0 give +0.0; with real inputs every
    // imaginary part is +0.0.
    {"real inputs give +0.0 imaginary parts", Kernel::Csc, 1, 1,
     compressed({0, 1}, {0}, {-2}, {0}), {{-3}, {0}}, {{N}, {N}}, {{6}, {+0.0}}},
    {"real inputs give +0.0 imaginary parts", Kernel::Csr, 1, 1,
     compressed({0, 1}, {0}, {-2}, {0}), {{-3}, {0}}, {{N}, {N}}, {{6}, {+0.0}}},
    {"zeros of either sign end +0.0", Kernel::Csc, 1, 2,
     compressed({0, 1, 2}, {0, 0}, {-0.0, 0.0}, {0.0, -0.0}), {{1, -1}, {0, -0.0}}, {{N}, {N}},
     {{+0.0}, {+0.0}}},

    // A stored zero times infinity.
    {"stored 0 times inf is NaN", Kernel::Csc, 1, 1, compressed({0, 1}, {0}, {0}, {0}),
     {{kInf}, {0}}, {{N}, {N}}, {{N}, {N}}},
    {"stored 0 times inf is NaN", Kernel::Csr, 1, 1, compressed({0, 1}, {0}, {0}, {0}),
     {{1}, {kInf}}, {{N}, {N}}, {{N}, {N}}},

    // Duplicates: (1 + i) + (1 + i)(2 + i) = 2 + 4i.
    {"duplicate index counts twice", Kernel::Csc, 1, 1,
     compressed({0, 2}, {0, 0}, {1, 2}, {0, 1}), {{1}, {1}}, {{N}, {N}}, {{2}, {4}}},
    {"duplicate index counts twice", Kernel::Csr, 1, 1,
     compressed({0, 2}, {0, 0}, {1, 2}, {0, 1}), {{1}, {1}}, {{N}, {N}}, {{2}, {4}}},

    // Aptr[0] = 2.
    {"reads the positions Aptr names", Kernel::Csc, 2, 2,
     compressed({2, 3, 5}, {J, J, 0, 0, 1}, {N, N, 1, 2, 0}, {N, N, 1, 0, 3}), kB2,
     {{N, N}, {N, N}}, {{5, 3}, {1, 9}}},
    {"pairs Aval[t], AvalIm[t] with Aind[Aptr[0] + t]", Kernel::Csr, 1, 1,
     compressed({2, 3}, {J, J, 0}, {1}, {2}), {{3}, {4}}, {{N}, {N}}, {{-5}, {10}}},

    // B passed as C, BIm as CIm. Column-compressed, m = 2 over arrays of 3: column 0 reads
    // the cleared element 0 and adds nothing; column 2 reads the caller's 3 + i.
    {"B as C is read after the clearing", Kernel::Csc, 2, 3,
     compressed({0, 1, 1, 3}, {1, 0, 1}, {5, 1, 2}, {5, 0, 1}), {}, {{1, 2, 3}, {0, 0, 1}},
     {{3, 5, 3}, {1, 5, 1}}, true},
    // Row-compressed, n = 2 over arrays of 3: row 0 reads the caller's 3 + i at column 2 and
    // the cleared +0.0 at column 1; row 1 reads row 0's result 3 + i at column 0.
    {"B as C reads earlier rows' results", Kernel::Csr, 3, 2,
     compressed({0, 2, 3}, {2, 1, 0}, {1, 7, 0}, {0, 7, 1}), {}, {{1, 2, 3}, {1, 1, 1}},
     {{3, -1, 3}, {1, 3, 1}}, true},
};

template <class Arith>
class ComplexProducts : public ::testing::Test {};
TYPED_TEST_SUITE(ComplexProducts, Schemes, SchemeName);

TYPED_TEST(ComplexProducts, LiteralCases) {
  for (const Case& t : kCases) {
    SCOPED_TRACE(std::string(kKernelName[int(t.kernel)]) + ": " + t.what);
    EXPECT_TRUE(same_bits(call<TypeParam, false>(t.kernel, t.m, t.n, t.A, t.B, t.C, t.B_is_C),
                          t.want))
        << "kernel";
    EXPECT_TRUE(same_bits(call<TypeParam, true>(t.kernel, t.m, t.n, t.A, t.B, t.C, t.B_is_C),
                          t.want))
        << "reference";
  }
}

// A column without stored entries leaves B[j] and BIm[j] unread: here the last column is
// empty and both arrays end just before an inaccessible page.
TYPED_TEST(ComplexProducts, EmptyColumnLeavesItsInputUnread) {
  GuardedArena arena;
  const Operand A = compressed({0, 1, 1}, {0}, {1}, {2});
  const double* B = arena.copy(Vec{3}, Flush::end, false);
  const double* BIm = arena.copy(Vec{4}, Flush::end, false);
  Vec C{N}, CIm{N};
  spk::csc_cmplx_vec_mult<TypeParam>(1, 2, A.Aval.data(), A.AvalIm.data(), A.Aind.data(),
                                     A.Aptr.data(), B, BIm, C.data(), CIm.data());
  EXPECT_TRUE(same_bits(Split{C, CIm}, Split{{-5}, {10}}));
}

// The same matrix held column-compressed and row-compressed gives the same product: a literal
// check that the conjugate is never taken and that the term has its sign in the right place.
TYPED_TEST(ComplexProducts, BothLayoutsAgreeOnExactData) {
  for (int it = 0; it < 200; ++it) {
    Rng rng(0xc0de + it);
    Shape shape{.vectors = 5, .extent = 4, .complex = true, .values = ValueMix{0, 0, 0, 0, 1}};
    const Operand csc = random_operand(rng, shape);  // 4 x 5, small integers
    // The transpose of the column-compressed operand, row by row, in column order.
    Operand csr = compressed({0}, {}, {}, {});
    for (int32_t r = 0; r < 4; ++r) {
      for (int32_t j = 0; j < 5; ++j)
        for (int32_t p = csc.Aptr[j]; p < csc.Aptr[j + 1]; ++p)
          if (csc.Aind[p] == r) {
            csr.Aind.push_back(j);
            csr.Aval.push_back(csc.Aval[p]);
            csr.AvalIm.push_back(csc.AvalIm[p]);
          }
      csr.Aptr.push_back(int32_t(csr.Aind.size()));
    }
    const Split B{random_vector(rng, 5, shape.values), random_vector(rng, 5, shape.values)};
    const Split C{Vec(4, N), Vec(4, N)};
    EXPECT_TRUE(same_bits(call<TypeParam, false>(Kernel::Csc, 4, 5, csc, B, C, false),
                          call<TypeParam, false>(Kernel::Csr, 5, 4, csr, B, C, false)))
        << seed_note(0xc0de + it);
  }
}

struct RandomCall {
  Kernel kernel;
  int32_t m, n;
  Operand A;
  Split B, C;
  bool B_is_C;
};

// Column-compressed: B holds n elements, C m. Row-compressed: B holds m, C n. The outputs
// carry two spare elements at the end that nothing may touch.
RandomCall random_call(Rng& rng, Kernel kernel, const ValueMix& mix, bool allow_alias) {
  Shape shape;
  // Mostly small, so that empty and one-element cases are frequent; now and then large.
  const bool large = rng() % 40 == 0;
  shape.vectors = int32_t(rng() % (large ? 300 : 9));
  shape.extent = int32_t(rng() % (large ? 300 : 9));
  shape.max_per_vector = 1 + int32_t(rng() % (large ? 24 : 6));
  shape.sorted = rng() % 4 == 0;
  shape.duplicate = 0.15;
  shape.complex = true;
  shape.values = mix;
  if (rng() % 3 == 0) shape.first_position = 1 + int32_t(rng() % 3);
  RandomCall c{kernel, shape.extent, shape.vectors, random_operand(rng, shape), {}, {}, false};
  const std::size_t lenB = kernel == Kernel::Csc ? c.n : c.m;
  const std::size_t lenC = kernel == Kernel::Csc ? c.m : c.n;
  c.B_is_C = allow_alias && rng() % 6 == 0;
  if (c.B_is_C) {
    const std::size_t len = std::max(lenB, lenC) + 2;
    c.C = {random_vector(rng, len, mix), random_vector(rng, len, mix)};
  } else {
    c.B = {random_vector(rng, lenB, mix), random_vector(rng, lenB, mix)};
    c.C = {random_vector(rng, lenC + 2, mix), random_vector(rng, lenC + 2, mix)};
  }
  return c;
}

TYPED_TEST(ComplexProducts, MatchReferenceOnRandomOperands) {
  const int iterations = scaled(20000);
  for (int it = 0; it < iterations; ++it) {
    const std::uint64_t seed = 0xc0ffee00u + it;
    Rng rng(seed);
    const Kernel kernel = Kernel(it % 2);
    const RandomCall c = random_call(rng, kernel, ValueMix{}, true);
    const auto same = same_bits(call<TypeParam, false>(kernel, c.m, c.n, c.A, c.B, c.C, c.B_is_C),
                                call<TypeParam, true>(kernel, c.m, c.n, c.A, c.B, c.C, c.B_is_C));
    if (!same) {
      ADD_FAILURE() << kKernelName[int(kernel)] << ", " << seed_note(seed) << ": "
                    << same.message();
      break;
    }
  }
}

// The randomised comparison would pass if both schemes computed the same thing: they must not.
TEST(ComplexProductsSchemes, DifferOnRandomData) {
  for (int k = 0; k < 2; ++k) {
    int differ = 0;
    for (int it = 0; it < 200; ++it) {
      Rng rng(0xd1ffu + it);
      const RandomCall c = random_call(rng, Kernel(k), kFinite, false);
      if (!same_bits(call<spk::Separate, false>(Kernel(k), c.m, c.n, c.A, c.B, c.C, false),
                     call<spk::Fused, false>(Kernel(k), c.m, c.n, c.A, c.B, c.C, false)))
        ++differ;
    }
    EXPECT_GT(differ, 0) << kKernelName[k];
  }
}

}  // namespace
