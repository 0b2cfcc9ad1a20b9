// The two symmetric products, real and complex symmetric, bit for bit: literal cases, the
// kernels against the literal reference loops on random operands under both rounding schemes,
// and the products compared with the general row-compressed products on the matrix stored in
// full.
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "complex_vec.hpp"
#include "real_vec.hpp"
#include "reference/products.hpp"
#include "support/bits.hpp"
#include "support/guard_pages.hpp"
#include "support/operands.hpp"
#include "support/schemes.hpp"
#include "symm_vec.hpp"

namespace {

using namespace spk::test;

enum class Kernel { Real, Complex };
const char* const kKernelName[] = {"CSRsymm_VecMult_CAB", "CSRsymm_CmplxVecMult_CAB"};

// Split vectors; the real kernel uses the real parts only.
struct Split {
  Vec re, im;
};

::testing::AssertionResult same_bits(const Split& got, const Split& want) {
  if (auto re = spk::test::same_bits(got.re, want.re); !re) return re << " (real part)";
  if (auto im = spk::test::same_bits(got.im, want.im); !im) return im << " (imaginary part)";
  return ::testing::AssertionSuccess();
}

// One call on copies of the outputs; with B_is_C the inputs are the output arrays. An empty
// array is passed as a null pointer.
template <class Arith, bool Reference>
Split call(Kernel k, int32_t n, int32_t m, const Operand& A, const Split& B, const Split& C,
           bool B_is_C) {
  Split out = C;
  double* c = data_or_null(out.re);
  double* cIm = data_or_null(out.im);
  const double* b = B_is_C ? c : data_or_null(B.re);
  const double* bIm = B_is_C ? cIm : data_or_null(B.im);
  const double* Aval = data_or_null(A.Aval);
  const double* AvalIm = data_or_null(A.AvalIm);
  const int32_t* Aind = data_or_null(A.Aind);
  const int32_t* Aptr = data_or_null(A.Aptr);
  if (k == Kernel::Real) {
    if constexpr (Reference)
      spk::ref::csr_symm_vec_mult<Arith>(n, m, Aval, Aind, Aptr, b, c);
    else
      spk::csr_symm_vec_mult<Arith>(n, m, Aval, Aind, Aptr, b, c);
  } else {
    if constexpr (Reference)
      spk::ref::csr_symm_cmplx_vec_mult<Arith>(n, m, Aval, AvalIm, Aind, Aptr, b, bIm, c, cIm);
    else
      spk::csr_symm_cmplx_vec_mult<Arith>(n, m, Aval, AvalIm, Aind, Aptr, b, bIm, c, cIm);
  }
  return out;
}

const double N = kNaN;
const double E = std::ldexp(1.0, -53);  // half an ulp of 1
const int32_t kMinIndex = std::numeric_limits<int32_t>::min();

struct Case {
  const char* what;
  Kernel kernel;
  int32_t n, m;  // rows visited, elements cleared: in the kernels' order
  Operand A;
  Split B;
  Split C;     // before the call
  Split want;  // after the call
  bool B_is_C = false;
};

// [[2, 1], [1, 3]] by its upper triangle, and stored in full with a lower value that must not
// be used (its place in the value cursor is still taken).
const Operand kUpper = compressed({0, 2, 3}, {0, 1, 1}, {2, 1, 3});
const Operand kFull = compressed({0, 2, 4}, {0, 1, 0, 1}, {2, 1, 99, 3});
// [[1 + i, 2 - i], [2 - i, 3]] by its upper triangle.
const Operand kComplexUpper = compressed({0, 2, 3}, {0, 1, 1}, {1, 2, 3}, {1, -1, 0});

const Case kCases[] = {
    {"worked", Kernel::Real, 2, 2, kUpper, {{1, 2}}, {{N, N}}, {{4, 7}}},
    {"worked, row 0 alone", Kernel::Real, 1, 2, kUpper, {{1, 2}}, {{N, N}}, {{4, 1}}},
    {"stored in full: the lower entry is passed over", Kernel::Real, 2, 2, kFull, {{1, 2}},
     {{N, N}}, {{4, 7}}},
    // Taking the mirror as the conjugate 2 + i would give CIm[1] = 4.
    {"complex symmetric, not Hermitian", Kernel::Complex, 2, 2, kComplexUpper, {{1, 0}, {0, 1}},
     {{N, N}, {N, N}}, {{2, 2}, {3, 2}}},
    {"n=1 m=3: element 2 gets the mirror only", Kernel::Real, 1, 3,
     compressed({0, 1}, {2}, {5}), {{1, 2, 3}}, {{N, N, N}}, {{15, +0.0, 5}}},
    {"n=1 m=3: element 2 gets the mirror only", Kernel::Complex, 1, 3,
     compressed({0, 1}, {2}, {5}, {1}), {{1, 2, 3}, {0, 0, 0}}, {{N, N, N}, {N, N, N}},
     {{15, +0.0, 5}, {3, +0.0, 1}}},
    {"n > m: the rows past m hold only lower entries", Kernel::Real, 3, 2,
     compressed({0, 1, 2, 3}, {0, 1, 0}, {1, 1, N}), {{3, 4}}, {{N, N}}, {{3, 4}}},

    // Zero dimensions.
    {"n=0 clears over m, reads nothing else", Kernel::Real, 0, 2, {}, {}, {{N, -0.0}},
     {{+0.0, +0.0}}},
    {"n=0 clears over m, reads nothing else", Kernel::Complex, 0, 2, {}, {}, {{N, -0.0}, {1, N}},
     {{+0.0, +0.0}, {+0.0, +0.0}}},
    {"n=m=0 touches nothing", Kernel::Real, 0, 0, {}, {}, {{7}}, {{7}}},
    {"n=m=0 touches nothing", Kernel::Complex, 0, 0, {}, {}, {{7}, {-0.0}}, {{7}, {-0.0}}},

    // Negative column indices are below every row: passed over, their values never used.
    {"negative columns are passed over", Kernel::Real, 2, 2,
     compressed({0, 2, 4}, {-1, 0, kMinIndex, 1}, {N, 2, N, 3}), {{1, 2}}, {{N, N}}, {{2, 6}}},
    {"negative columns are passed over", Kernel::Complex, 2, 2,
     compressed({0, 2, 4}, {-1, 0, kMinIndex, 1}, {N, 2, N, 3}, {N, 0, N, 1}),
     {{1, 2}, {0, 0}}, {{N, N}, {N, N}}, {{2, 6}, {+0.0, 2}}},

    // Duplicates and the order of accumulation. Element 1 takes row 0's two mirrored halves
    // first (2^-52 together) and then row 1's own 1; the other way round they would vanish.
    {"duplicate upper entry applied twice", Kernel::Real, 2, 2,
     compressed({0, 2, 2}, {1, 1}, {1, 2}), {{1, 10}}, {{N, N}}, {{30, 3}}},
    {"duplicates in storage order", Kernel::Real, 1, 1, compressed({0, 3}, {0, 0, 0}, {1, E, E}),
     {{1}}, {{N}}, {{1}}},
    {"mirrored contributions before the row's own", Kernel::Real, 2, 2,
     compressed({0, 2, 3}, {1, 1, 1}, {E, E, 1}), {{1, 1}}, {{N, N}}, {{2 * E, 1 + 2 * E}}},
    {"mirrored contributions before the row's own", Kernel::Complex, 2, 2,
     compressed({0, 2, 3}, {1, 1, 1}, {E, E, 1}, {0, 0, 0}), {{1, 1}, {0, 0}},
     {{N, N}, {N, N}}, {{2 * E, 1 + 2 * E}, {+0.0, +0.0}}},

    // Signed zeros, and a stored zero times infinity.
    {"-0.0 terms end +0.0", Kernel::Real, 1, 1, compressed({0, 1}, {0}, {-0.0}), {{1}}, {{N}},
     {{+0.0}}},
    {"-0.0 terms end +0.0", Kernel::Complex, 1, 1, compressed({0, 1}, {0}, {-0.0}, {0.0}),
     {{1}, {-0.0}}, {{N}, {N}}, {{+0.0}, {+0.0}}},
    {"stored 0 times inf is NaN", Kernel::Real, 2, 2, compressed({0, 1, 1}, {1}, {0}),
     {{1, kInf}}, {{N, N}}, {{N, 0}}},

    // B passed as C: the clearing comes first, so every update reads +0.0.
    {"B as C is read after the clearing", Kernel::Real, 2, 2, kUpper, {}, {{1, 2}},
     {{+0.0, +0.0}}, true},
    {"B as C is read after the clearing", Kernel::Complex, 2, 2, kComplexUpper, {},
     {{1, 2}, {-1, 3}}, {{+0.0, +0.0}, {+0.0, +0.0}}, true},
};

template <class Arith>
class SymmProducts : public ::testing::Test {};
TYPED_TEST_SUITE(SymmProducts, Schemes, SchemeName);

TYPED_TEST(SymmProducts, LiteralCases) {
  for (const Case& t : kCases) {
    SCOPED_TRACE(std::string(kKernelName[int(t.kernel)]) + ": " + t.what);
    EXPECT_TRUE(same_bits(call<TypeParam, false>(t.kernel, t.n, t.m, t.A, t.B, t.C, t.B_is_C),
                          t.want))
        << "kernel";
    EXPECT_TRUE(same_bits(call<TypeParam, true>(t.kernel, t.n, t.m, t.A, t.B, t.C, t.B_is_C),
                          t.want))
        << "reference";
  }
}

// A negative column index addresses no array: the vectors start right after an inaccessible
// page, so B[-1] or C[-1] would fault, and the values of those entries are NaN.
TYPED_TEST(SymmProducts, NegativeColumnsAddressNothing) {
  GuardedArena arena;
  const Operand A = compressed({0, 2, 4}, {-1, 0, kMinIndex, 1}, {N, 2, N, 3}, {N, 0, N, 1});
  const double* B = arena.copy(Vec{1, 2}, Flush::start, false);
  const double* BIm = arena.copy(Vec{0, 0}, Flush::start, false);
  double* C = arena.copy(Vec{N, N}, Flush::start, true);
  double* CIm = arena.copy(Vec{N, N}, Flush::start, true);
  spk::csr_symm_vec_mult<TypeParam>(2, 2, A.Aval.data(), A.Aind.data(), A.Aptr.data(), B, C);
  EXPECT_TRUE(spk::test::same_bits(Vec(C, C + 2), Vec{2, 6}));
  spk::csr_symm_cmplx_vec_mult<TypeParam>(2, 2, A.Aval.data(), A.AvalIm.data(), A.Aind.data(),
                                          A.Aptr.data(), B, BIm, C, CIm);
  EXPECT_TRUE(same_bits(Split{Vec(C, C + 2), Vec(CIm, CIm + 2)}, Split{{2, 6}, {+0.0, 2}}));
}

struct RandomCall {
  Kernel kernel;
  int32_t n, m;
  Operand A;
  Split B, C;
  bool B_is_C;
};

// n rows and m elements drawn independently, so n < m and n > m both occur. Columns lie in
// 0 .. m - 1 (diagonal and upper ones must), and some are made negative; the outputs carry two
// spare elements at the end that nothing may touch.
RandomCall random_call(Rng& rng, Kernel kernel, const ValueMix& mix, bool allow_alias,
                       bool allow_lead) {
  Shape shape;
  // Mostly small, so that empty and one-element cases are frequent; now and then large.
  const bool large = rng() % 40 == 0;
  shape.vectors = int32_t(rng() % (large ? 300 : 9));
  shape.extent = int32_t(rng() % (large ? 300 : 9));
  shape.max_per_vector = 1 + int32_t(rng() % (large ? 24 : 6));
  shape.sorted = rng() % 4 == 0;
  shape.duplicate = 0.15;
  shape.complex = kernel == Kernel::Complex;
  shape.values = mix;
  // The value cursor starts at Aval[0] whatever Aptr[0] is; callers pass 0.
  if (allow_lead && rng() % 6 == 0) shape.first_position = 1 + int32_t(rng() % 3);
  RandomCall c{kernel, shape.vectors, shape.extent, random_operand(rng, shape), {}, {}, false};
  for (std::size_t p = c.A.Aptr.front(); p < c.A.Aind.size(); ++p)
    if (rng() % 10 == 0) c.A.Aind[p] = rng() % 2 ? -1 - int32_t(rng() % 5) : kMinIndex;
  const std::size_t len = c.m;
  const bool complex = kernel == Kernel::Complex;
  c.B_is_C = allow_alias && rng() % 6 == 0;
  c.C.re = random_vector(rng, len + 2, mix);
  if (complex) c.C.im = random_vector(rng, len + 2, mix);
  if (!c.B_is_C) {
    c.B.re = random_vector(rng, len, mix);
    if (complex) c.B.im = random_vector(rng, len, mix);
  }
  return c;
}

TYPED_TEST(SymmProducts, MatchReferenceOnRandomOperands) {
  const int iterations = scaled(20000);
  for (int it = 0; it < iterations; ++it) {
    const std::uint64_t seed = 0x5a3300u + it;
    Rng rng(seed);
    const Kernel kernel = Kernel(it % 2);
    const RandomCall c = random_call(rng, kernel, ValueMix{}, true, true);
    const auto same = same_bits(call<TypeParam, false>(kernel, c.n, c.m, c.A, c.B, c.C, c.B_is_C),
                                call<TypeParam, true>(kernel, c.n, c.m, c.A, c.B, c.C, c.B_is_C));
    if (!same) {
      ADD_FAILURE() << kKernelName[int(kernel)] << ", " << seed_note(seed) << ": "
                    << same.message();
      break;
    }
  }
}

// The matrix that a symmetric operand stands for, stored in full, row-compressed with m rows:
// every diagonal and upper entry of row i goes to row i, and every upper entry also to row col.
Operand stored_in_full(const Operand& A, int32_t n, int32_t m) {
  struct Entry { int32_t col; double re, im; };
  std::vector<std::vector<Entry>> rows(m);
  const bool complex = !A.AvalIm.empty();
  for (int32_t i = 0, v = 0; i < n; ++i)
    for (int32_t q = A.Aptr[i]; q < A.Aptr[i + 1]; ++q, ++v) {
      const int32_t col = A.Aind[q];
      const Entry e{col, A.Aval[v], complex ? A.AvalIm[v] : 0.0};
      if (col < i) continue;
      rows[i].push_back(e);
      if (col > i) rows[col].push_back({i, e.re, e.im});
    }
  Operand full = compressed({0}, {}, {}, {});
  for (const auto& row : rows) {
    for (const Entry& e : row) {
      full.Aind.push_back(e.col);
      full.Aval.push_back(e.re);
      if (complex) full.AvalIm.push_back(e.im);
    }
    full.Aptr.push_back(int32_t(full.Aind.size()));
  }
  return full;
}

// The symmetric product equals the general row-compressed product of the full matrix in value.
// The two add the same terms in a different order (mirrored terms arrive early in one, in row
// order in the other), so the bits may differ: the comparison allows for rounding, bounded by
// the number of terms and the sum of their magnitudes.
TYPED_TEST(SymmProducts, AgreeWithGeneralProductOfFullMatrix) {
  using Arith = TypeParam;
  for (int it = 0; it < scaled(2000); ++it) {
    const std::uint64_t seed = 0xf0110u + it;
    Rng rng(seed);
    const Kernel kernel = Kernel(it % 2);
    const bool complex = kernel == Kernel::Complex;
    RandomCall c = random_call(rng, kernel, kFinite, false, false);
    c.n = std::min(c.n, c.m);  // rows past m would hold only lower entries
    c.A.Aptr.resize(c.n + 1);
    const Operand full = stored_in_full(c.A, c.n, c.m);
    const Split got = call<Arith, false>(kernel, c.n, c.m, c.A, c.B, c.C, false);
    Split want{Vec(c.m), Vec(c.m)};
    if (complex)
      spk::csr_cmplx_vec_mult<Arith>(c.m, full.Aval.data(), full.AvalIm.data(), full.Aind.data(),
                                     full.Aptr.data(), c.B.re.data(), c.B.im.data(),
                                     want.re.data(), want.im.data());
    else
      spk::csr_vec_mult<Arith>(c.m, full.Aval.data(), full.Aind.data(), full.Aptr.data(),
                               c.B.re.data(), want.re.data());
    for (int32_t r = 0; r < c.m; ++r) {
      double bound = 0;
      const int32_t terms = full.Aptr[r + 1] - full.Aptr[r];
      for (int32_t q = full.Aptr[r]; q < full.Aptr[r + 1]; ++q) {
        const int32_t col = full.Aind[q];
        bound += (std::fabs(full.Aval[q]) + (complex ? std::fabs(full.AvalIm[q]) : 0)) *
                 (std::fabs(c.B.re[col]) + (complex ? std::fabs(c.B.im[col]) : 0));
      }
      // Each of the two sums is off by at most (terms + 1) roundings of at most eps * bound.
      const double tolerance = 2 * (terms + 2) * std::numeric_limits<double>::epsilon() * bound;
      EXPECT_NEAR(got.re[r], want.re[r], tolerance) << "real part " << r << ", " << seed_note(seed);
      if (complex)
        EXPECT_NEAR(got.im[r], want.im[r], tolerance) << "imaginary part " << r << ", "
                                                      << seed_note(seed);
    }
    if (this->HasFailure()) break;
  }
}

// The randomised comparison would pass if both schemes computed the same thing: they must not.
TEST(SymmProductsSchemes, DifferOnRandomData) {
  for (int k = 0; k < 2; ++k) {
    int differ = 0;
    for (int it = 0; it < 200; ++it) {
      Rng rng(0xd1ffu + it);
      const RandomCall c = random_call(rng, Kernel(k), kFinite, false, false);
      if (!same_bits(call<spk::Separate, false>(Kernel(k), c.n, c.m, c.A, c.B, c.C, false),
                     call<spk::Fused, false>(Kernel(k), c.n, c.m, c.A, c.B, c.C, false)))
        ++differ;
    }
    EXPECT_GT(differ, 0) << kKernelName[k];
  }
}

}  // namespace
