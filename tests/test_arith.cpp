// The rounding policies themselves: the two schemes must really differ, and the negated
// update must give the zero sign each scheme promises, whatever the compiler does.
#include <cmath>

#include "support/bits.hpp"
#include "support/schemes.hpp"

namespace {

using spk::Fused;
using spk::Separate;
using spk::test::same_bits;

// a * b = 1 - 2^-60 exactly: rounded alone it is 1, so adding -1 gives +0.0; fused, the
// residue survives.
TEST(Arith, SchemesDifferOnARoundedProduct) {
  const double a = 1 + std::ldexp(1.0, -30), b = 1 - std::ldexp(1.0, -30);
  EXPECT_TRUE(same_bits(Separate::madd(a, b, -1.0), 0.0));
  EXPECT_TRUE(same_bits(Fused::madd(a, b, -1.0), -std::ldexp(1.0, -60)));
  EXPECT_TRUE(same_bits(Fused::msub(a, b, 1.0), -std::ldexp(1.0, -60)));
  EXPECT_TRUE(same_bits(Fused::nmsub(a, b, 1.0), std::ldexp(1.0, -60)));
}

// c - x * v on an exact cancellation: +0.0 separately rounded, -0.0 fused (the negation of
// x * v - c). When the two zeros differ in sign, both schemes agree.
TEST(Arith, NegatedUpdateZeroSigns) {
  struct Case { double x, v, c, separate, fused; };
  const Case cases[] = {
      {1.0, 1.0, 1.0, +0.0, -0.0},    // equal nonzero values
      {0.0, 1.0, 0.0, +0.0, -0.0},    // +0 product, +0 element
      {0.0, -1.0, 0.0, +0.0, +0.0},   // -0 product, +0 element
      {0.0, 1.0, -0.0, -0.0, -0.0},   // +0 product, -0 element
      {0.0, -1.0, -0.0, +0.0, -0.0},  // -0 product, -0 element
  };
  for (const Case& t : cases) {
    EXPECT_TRUE(same_bits(Separate::nmsub(t.x, t.v, t.c), t.separate)) << t.x << " " << t.v << " " << t.c;
    EXPECT_TRUE(same_bits(Fused::nmsub(t.x, t.v, t.c), t.fused)) << t.x << " " << t.v << " " << t.c;
  }
}

// The complex term: the product with y is rounded alone, the product with x fused into the
// difference or sum.
TEST(Arith, ComplexTermFusesTheProductWithX) {
  const double e = std::ldexp(1.0, -30);
  // x * a = 1 - 2^-60 exactly, y * b = 1: separately (1) - (1) = +0, fused -2^-60.
  EXPECT_TRUE(same_bits(spk::term_re<Separate>(1 + e, 1.0, 1 - e, 1.0), 0.0));
  EXPECT_TRUE(same_bits(spk::term_re<Fused>(1 + e, 1.0, 1 - e, 1.0), -std::ldexp(1.0, -60)));
  // x * b = 1 - 2^-60, y * a = -1.
  EXPECT_TRUE(same_bits(spk::term_im<Separate>(1 + e, 1.0, -1.0, 1 - e), 0.0));
  EXPECT_TRUE(same_bits(spk::term_im<Fused>(1 + e, 1.0, -1.0, 1 - e), -std::ldexp(1.0, -60)));
  // Swapping x and y changes which product is fused: y * b = 1 - 2^-60 rounds to 1 first.
  EXPECT_TRUE(same_bits(spk::term_re<Fused>(1.0, 1 + e, 1.0, 1 - e), 0.0));
}

}  // namespace
