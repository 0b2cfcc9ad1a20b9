// The product kernels as a caller of the bundle reaches them: loaded with dlopen, looked up
// by name and called through the plain C interface. Their results must equal the reference
// loops under the bundle's rounding scheme bit for bit, which also proves that the exported
// layer passes every argument to the right place (n before m in the symmetric products, the
// spare between B and C in the matrix product). Dimensions and the spare that the kernels
// never read are passed with arbitrary values, negative ones included.
#include <cstdint>
#include <limits>
#include <string>

#include "reference/products.hpp"
#include "spkernels/arith.hpp"
#include "spkernels/spkernels.h"
#include "support/bits.hpp"
#include "support/bundle.hpp"
#include "support/operands.hpp"

namespace {

using namespace spk::test;

struct PowerPCBundle {
  using Arith = spk::Fused;
  static constexpr const char* name = "spkernels_powerpc";
};
struct SeparateBundle {
  using Arith = spk::Separate;
  static constexpr const char* name = "spkernels_separate";
};

// Values for a parameter that is never read.
const int32_t kIgnored[] = {0, -1, std::numeric_limits<int32_t>::min(),
                            std::numeric_limits<int32_t>::max(), 12345};

template <class TheBundle>
class BundleProducts : public ::testing::Test {};
using Bundles = ::testing::Types<PowerPCBundle, SeparateBundle>;
struct BundleName {
  template <class TheBundle>
  static std::string GetName(int) { return TheBundle::name; }
};
TYPED_TEST_SUITE(BundleProducts, Bundles, BundleName);

// The declared type only: the test itself never links against the kernels.
#define SPK_FIND(name) bundle.kernel<decltype(name)>(#name)

TYPED_TEST(BundleProducts, MatchReferenceThroughExportedNames) {
  using Arith = typename TypeParam::Arith;
  const Bundle bundle(TypeParam::name);
  ASSERT_TRUE(bundle.loaded()) << "cannot load " << bundle.path() << ": " << bundle.error();
  auto* csc_cab = SPK_FIND(CSC_VecMult_CAB_double);
  auto* csr_cab = SPK_FIND(CSR_VecMult_CAB_double);
  auto* csc_cabc = SPK_FIND(CSC_VecMult_CaABC_double);
  auto* csr_cabc = SPK_FIND(CSR_VecMult_CaABC_double);
  auto* csc_cmplx = SPK_FIND(CSC_CmplxVecMult_CAB_double);
  auto* csr_cmplx = SPK_FIND(CSR_CmplxVecMult_CAB_double);
  auto* symm = SPK_FIND(CSRsymm_VecMult_CAB_double);
  auto* symm_cmplx = SPK_FIND(CSRsymm_CmplxVecMult_CAB_double);
  auto* mat_mult = SPK_FIND(CSC_MatMult_CAB_double);
  if (this->HasFailure()) return;

  for (int it = 0; it < scaled(3000); ++it) {
    const std::uint64_t seed = 0xb0d1e00u + it;
    SCOPED_TRACE(seed_note(seed));
    Rng rng(seed);
    Shape shape;
    shape.vectors = int32_t(rng() % 8);
    shape.extent = int32_t(rng() % 8);
    shape.complex = true;
    shape.first_position = int32_t(rng() % 3);
    const Operand A = random_operand(rng, shape);  // read at absolute positions
    const Operand A0 = without_lead(A);             // read through the value cursor
    const int32_t m = shape.extent, n = shape.vectors;
    const int32_t ignored = kIgnored[it % 5];
    const double a = random_value(rng);
    const Vec Bn = random_vector(rng, n), BnIm = random_vector(rng, n);
    const Vec Bm = random_vector(rng, m), BmIm = random_vector(rng, m);
    const Vec Cm = random_vector(rng, m + 2), CmIm = random_vector(rng, m + 2);
    const Vec Cn = random_vector(rng, n + 2), CnIm = random_vector(rng, n + 2);

    // Real products: C has m elements in the column-compressed kernels, n in the others.
    {
      Vec got = Cm, want = Cm;
      csc_cab(m, n, A.Aval.data(), A.Aind.data(), A.Aptr.data(), Bn.data(), got.data());
      spk::ref::csc_vec_mult<Arith>(m, n, A.Aval.data(), A.Aind.data(), A.Aptr.data(), Bn.data(),
                                    want.data());
      EXPECT_TRUE(same_bits(got, want)) << "CSC_VecMult_CAB_double";
    }
    {
      Vec got = Cm, want = Cm;
      csc_cabc(ignored, n, a, A.Aval.data(), A.Aind.data(), A.Aptr.data(), Bn.data(), got.data());
      spk::ref::csc_vec_mult_add<Arith>(m, n, a, A.Aval.data(), A.Aind.data(), A.Aptr.data(),
                                        Bn.data(), want.data());
      EXPECT_TRUE(same_bits(got, want)) << "CSC_VecMult_CaABC_double, m passed as " << ignored;
    }
    {
      Vec got = Cn, want = Cn;
      csr_cab(ignored, n, A0.Aval.data(), A0.Aind.data(), A0.Aptr.data(), Bm.data(), got.data());
      spk::ref::csr_vec_mult<Arith>(m, n, A0.Aval.data(), A0.Aind.data(), A0.Aptr.data(),
                                    Bm.data(), want.data());
      EXPECT_TRUE(same_bits(got, want)) << "CSR_VecMult_CAB_double, m passed as " << ignored;
    }
    {
      Vec got = Cn, want = Cn;
      csr_cabc(ignored, n, a, A0.Aval.data(), A0.Aind.data(), A0.Aptr.data(), Bm.data(),
               got.data());
      spk::ref::csr_vec_mult_add<Arith>(m, n, a, A0.Aval.data(), A0.Aind.data(), A0.Aptr.data(),
                                        Bm.data(), want.data());
      EXPECT_TRUE(same_bits(got, want)) << "CSR_VecMult_CaABC_double, m passed as " << ignored;
    }

    // Complex products.
    {
      Vec got = Cm, gotIm = CmIm, want = Cm, wantIm = CmIm;
      csc_cmplx(m, n, A.Aval.data(), A.AvalIm.data(), A.Aind.data(), A.Aptr.data(), Bn.data(),
                BnIm.data(), got.data(), gotIm.data());
      spk::ref::csc_cmplx_vec_mult<Arith>(m, n, A.Aval.data(), A.AvalIm.data(), A.Aind.data(),
                                          A.Aptr.data(), Bn.data(), BnIm.data(), want.data(),
                                          wantIm.data());
      EXPECT_TRUE(same_bits(got, want)) << "CSC_CmplxVecMult_CAB_double, real part";
      EXPECT_TRUE(same_bits(gotIm, wantIm)) << "CSC_CmplxVecMult_CAB_double, imaginary part";
    }
    {
      Vec got = Cn, gotIm = CnIm, want = Cn, wantIm = CnIm;
      csr_cmplx(ignored, n, A0.Aval.data(), A0.AvalIm.data(), A0.Aind.data(), A0.Aptr.data(),
                Bm.data(), BmIm.data(), got.data(), gotIm.data());
      spk::ref::csr_cmplx_vec_mult<Arith>(m, n, A0.Aval.data(), A0.AvalIm.data(), A0.Aind.data(),
                                          A0.Aptr.data(), Bm.data(), BmIm.data(), want.data(),
                                          wantIm.data());
      EXPECT_TRUE(same_bits(got, want)) << "CSR_CmplxVecMult_CAB_double, real part, m passed as "
                                        << ignored;
      EXPECT_TRUE(same_bits(gotIm, wantIm))
          << "CSR_CmplxVecMult_CAB_double, imaginary part, m passed as " << ignored;
    }

    // Symmetric products: n rows first, then m; the vectors hold m elements.
    {
      Vec got = Cm, want = Cm;
      symm(n, m, A0.Aval.data(), A0.Aind.data(), A0.Aptr.data(), Bm.data(), got.data());
      spk::ref::csr_symm_vec_mult<Arith>(n, m, A0.Aval.data(), A0.Aind.data(), A0.Aptr.data(),
                                         Bm.data(), want.data());
      EXPECT_TRUE(same_bits(got, want)) << "CSRsymm_VecMult_CAB_double";
    }
    {
      Vec got = Cm, gotIm = CmIm, want = Cm, wantIm = CmIm;
      symm_cmplx(n, m, A0.Aval.data(), A0.AvalIm.data(), A0.Aind.data(), A0.Aptr.data(),
                 Bm.data(), BmIm.data(), got.data(), gotIm.data());
      spk::ref::csr_symm_cmplx_vec_mult<Arith>(n, m, A0.Aval.data(), A0.AvalIm.data(),
                                               A0.Aind.data(), A0.Aptr.data(), Bm.data(),
                                               BmIm.data(), want.data(), wantIm.data());
      EXPECT_TRUE(same_bits(got, want)) << "CSRsymm_CmplxVecMult_CAB_double, real part";
      EXPECT_TRUE(same_bits(gotIm, wantIm)) << "CSRsymm_CmplxVecMult_CAB_double, imaginary part";
    }

    // Matrix product: A is m x k with k = n compressed vectors here, times a dense B of
    // `columns` columns with stride m.
    {
      const int32_t k = n, columns = int32_t(rng() % 4);
      const std::size_t lenB = columns >= 1 && k >= 1 ? std::size_t(columns - 1) * m + k : 0;
      const Vec B = random_vector(rng, lenB);
      const Vec C = random_vector(rng, std::size_t(m) * columns + 2);
      Vec got = C, want = C;
      mat_mult(m, columns, k, A.Aval.data(), A.Aind.data(), A.Aptr.data(), B.data(), ignored,
               got.data());
      spk::ref::csc_mat_mult<Arith>(m, columns, k, A.Aval.data(), A.Aind.data(), A.Aptr.data(),
                                    B.data(), 0, want.data());
      EXPECT_TRUE(same_bits(got, want)) << "CSC_MatMult_CAB_double, spare passed as " << ignored;
    }
    if (this->HasFailure()) break;
  }
}

}  // namespace
