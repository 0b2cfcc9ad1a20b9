// The integer fused multiply-add must give the bits of a hardware one for every input. The
// reference is __builtin_fma: the fused instruction where the test is built with it (-mfma),
// the C library's correctly rounded fma otherwise.
#include <cstdint>
#include <limits>
#include <string>

#include "spkernels/soft_fma.hpp"
#include "support/bits.hpp"
#include "support/operands.hpp"

namespace {

using spk::soft_fma;
using spk::test::describe;
using spk::test::same_bits;

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kMax = std::numeric_limits<double>::max();

struct Triple {
  double a, b, c;
};

std::string show(const Triple& t) {
  return "fma(" + describe(t.a) + ", " + describe(t.b) + ", " + describe(t.c) + ")";
}

// Results worked out by hand, each at a point where a plausible implementation goes wrong.
TEST(SoftFma, LiteralHardCases) {
  struct Case {
    const char* what;
    double a, b, c, want;
  };
  const Case cases[] = {
      // Zeros: an exact zero sum is +0.0, except -0 + -0; an underflow keeps its sign.
      {"+0*1 + -0", +0.0, 1.0, -0.0, +0.0},
      {"1*1 - 1", 1.0, 1.0, -1.0, +0.0},
      {"-1*1 + 1", -1.0, 1.0, 1.0, +0.0},
      {"-0*1 + -0", -0.0, 1.0, -0.0, -0.0},
      {"+0*-1 + +0", +0.0, -1.0, +0.0, +0.0},
      {"-0*-0 + -0", -0.0, -0.0, -0.0, +0.0},
      {"positive underflow + -0", 0x1p-600, 0x1p-600, -0.0, +0.0},
      {"negative underflow + +0", -0x1p-600, 0x1p-600, +0.0, -0.0},
      {"2^-1075 - 2^-1074 ties to -0", 0x1p-600, 0x1p-475, -0x1p-1074, -0.0},
      {"2^-1074 - 2^-1075 ties to +0", 0x1p-1074, -0.5, 0x1p-1074, +0.0},
      // Infinities and NaN.
      {"inf*0 + 1", kInf, 0.0, 1.0, kNaN},
      {"0*-inf + NaN", 0.0, -kInf, kNaN, kNaN},
      {"inf*1 - inf", kInf, 1.0, -kInf, kNaN},
      {"inf*-1 - inf", kInf, -1.0, -kInf, -kInf},
      {"NaN*0 + inf", kNaN, 0.0, kInf, kNaN},
      {"1*1 + NaN", 1.0, 1.0, kNaN, kNaN},
      {"finite product beyond range - inf", 0x1p1000, 0x1p100, -kInf, -kInf},
      // Overflow boundary: the product itself may exceed the range.
      {"2*max - max", kMax, 2.0, -kMax, kMax},
      {"max + half an ulp ties up to inf", kMax, 1.0, 0x1p970, kInf},
      {"max + just under half an ulp", kMax, 1.0, 0x1.fffffffffffffp969, kMax},
      {"-max - half an ulp", kMax, -1.0, -0x1p970, -kInf},
      {"2^1024 - tiny", 0x1p512, 0x1p512, -0x1p-600, kInf},
      // Halfway cases, and the bit far below that decides them.
      {"1 + 2^-53 ties down", 1.0, 1.0, 0x1p-53, 1.0},
      {"1 + 2^-53 + 2^-105 rounds up", 1.0, 1.0, 0x1.0000000000001p-53, 0x1.0000000000001p0},
      {"odd + half ties up", 0x1.0000000000001p0, 1.0, 0x1p-53, 0x1.0000000000002p0},
      {"1 - 2^-54 ties to 1", 1.0, 1.0, -0x1p-54, 1.0},
      {"1 - 2^-54 - 2^-106", 1.0, 1.0, -0x1.0000000000001p-54, 0x1.fffffffffffffp-1},
      {"product tail makes a tie", 0x1.0000002p0, 0x1.0000004p0, -0x1.8p-26, 1.0},
      {"a tie in the product broken by c far below", 0x1.0000004p0, 0x1.0000002p0, 0x1p-200,
       0x1.0000006000001p0},
      {"a tie in the product, c far below on the other side", 0x1.0000004p0, 0x1.0000002p0,
       -0x1p-200, 0x1.0000006p0},
      {"1 + 2^-110", 1.0, 1.0, 0x1p-110, 1.0},
      {"1 - 2^-110", 1.0, 1.0, -0x1p-110, 1.0},
      // Cancellation: the rounding error of a product, exactly.
      {"error term of a product", 0x1.00000004p0, 0x1.00000004p0, -0x1.00000008p0, 0x1p-60},
      // Subnormal operands and results.
      {"subnormal factor", 0x1p-1074, 0x1p1023, 0x1p-51, 0x1p-50},
      {"exact subnormal result", 0x1p-1023, 1.5, -0x1p-1074, 0x0.bffffffffffffp-1022},
      {"1.5 * 2^-1074 ties up", 0x1p-1074, 0.5, 0x1p-1074, 0x1p-1073},
      {"tie just above the smallest normal", 0x1p-1022, 0x1.fffffffffffffp-1, 0x1p-1074, 0x1p-1022},
      {"tie just below the smallest normal", 0x1p-1022, 0x1.fffffffffffffp-1, -0x1p-1074,
       0x0.ffffffffffffep-1022},
      {"2.5 * 2^-1074 ties down", 0x1p-1074, 0.5, 0x1p-1073, 0x1p-1073},
      {"2.5 * 2^-1074 and a tail rounds up", 0x1p-1074, 0x1.0000000000001p-1, 0x1p-1073,
       0x0.0000000000003p-1022},
      {"negative product almost cancels 2^-1074", -0x1p-600, 0x1p-600, 0x1p-1074, 0x1p-1074},
  };
  for (const Case& t : cases) {
    const double got = soft_fma(t.a, t.b, t.c);
    EXPECT_TRUE(same_bits(got, t.want)) << t.what << ": got " << describe(got) << ", expected "
                                        << describe(t.want);
    // The table itself agrees with the reference.
    EXPECT_TRUE(same_bits(__builtin_fma(t.a, t.b, t.c), t.want)) << t.what << ": reference";
  }
}

// A fast generator: tens of millions of triples must cost seconds, not minutes.
struct SplitMix {
  std::uint64_t state;
  std::uint64_t operator()() {
    std::uint64_t z = (state += 0x9e3779b97f4a7c15u);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
    return z ^ (z >> 31);
  }
  int between(int low, int high) { return low + static_cast<int>((*this)() % (high - low + 1)); }
};

double from_fields(bool negative, int field, std::uint64_t fraction) {
  return std::bit_cast<double>((negative ? std::uint64_t{1} << 63 : 0) |
                               (static_cast<std::uint64_t>(field) << 52) |
                               (fraction & ((std::uint64_t{1} << 52) - 1)));
}

// A full random significand with the unbiased exponent given, random sign.
double with_exponent(SplitMix& rng, int exponent) {
  return from_fields(rng() & 1, exponent + 1023, rng());
}

int exponent_of(double x) {
  return static_cast<int>((std::bit_cast<std::uint64_t>(x) >> 52) & 0x7ff) - 1023;
}

// Some zero, infinite, NaN or boundary value.
double special(SplitMix& rng) {
  static const double values[] = {0.0,    kInf,      kNaN,    std::numeric_limits<double>::signaling_NaN(),
                                  0x1p-1074, 0x1p-1022, kMax, 1.0, 0x1.fffffffffffffp-1};
  const double x = values[rng() % (sizeof values / sizeof values[0])];
  return rng() & 1 ? -x : x;
}

// Each family aims at one kind of hard input.
Triple any_bits(SplitMix& rng) {
  Triple t{std::bit_cast<double>(rng()), std::bit_cast<double>(rng()), std::bit_cast<double>(rng())};
  const std::uint64_t pick = rng();
  if (pick & 7) {
    if ((pick >> 3) % 3 == 0) t.a = special(rng);
    if ((pick >> 5) % 3 == 0) t.b = special(rng);
    if ((pick >> 7) % 3 == 0) t.c = special(rng);
  }
  return t;
}

// c some distance below (or a little above) the product: the distances around 53..110 decide
// whether c only rounds, only sets the sticky bit, or vanishes.
Triple exponent_gap(SplitMix& rng) {
  const int ea = rng.between(-40, 40), eb = rng.between(-40, 40);
  return {with_exponent(rng, ea), with_exponent(rng, eb),
          with_exponent(rng, ea + eb - rng.between(-60, 120))};
}

// c near minus the rounded product: massive cancellation, down to exact zeros and the exact
// error of the product.
Triple cancellation(SplitMix& rng) {
  const double a = with_exponent(rng, rng.between(-30, 30));
  const double b = rng() % 4 == 0 ? from_fields(rng() & 1, 1023 + rng.between(-3, 3), 0)
                                  : with_exponent(rng, rng.between(-30, 30));
  const std::int64_t nudge = rng.between(-3, 3) * (rng() % 3 == 0 ? 1 : 0);
  const double c = std::bit_cast<double>(std::bit_cast<std::uint64_t>(-(a * b)) + nudge);
  return {a, b, c};
}

// Short significands make the product exact in 53 bits, or 54 with a final 1 (a tie of its
// own), or one bit longer. Then c is a power of two near half the last place, which lands the
// sum on a tie or one bit beside it, or any value so far below that only the sticky bit
// remembers it.
Triple halfway(SplitMix& rng) {
  auto short_value = [&](int width, int exponent) {
    const std::uint64_t odd = (rng() >> (64 - width)) | 1 | (std::uint64_t{1} << (width - 1));
    return from_fields(rng() & 1, 1023 + exponent, odd << (53 - width));
  };
  const bool long_product = rng() & 1;
  const int width_a = long_product ? rng.between(26, 28) : rng.between(1, 28);
  const int width_b = long_product ? 54 + rng.between(0, 1) - width_a : rng.between(1, 28);
  const double a = short_value(width_a, rng.between(-20, 20));
  const double b = short_value(width_b, rng.between(-20, 20));
  const int e = exponent_of(a) + exponent_of(b);
  if (rng() % 3 == 0) return {a, b, with_exponent(rng, e - rng.between(54, 200))};
  static const std::uint64_t nudges[] = {0, 0, 1, (std::uint64_t{1} << 52) - 1};
  const int near = e + rng.between(0, 1) - 53 + rng.between(-2, 1);
  return {a, b, from_fields(rng() & 1, 1023 + near, nudges[rng() % 4])};
}

// Products and sums in the subnormal range and around the smallest normal.
Triple subnormal(SplitMix& rng) {
  const int ea = rng.between(-600, -450);
  const int eb = rng.between(-1130, -1000) - ea;
  double c;
  switch (rng() % 4) {
    case 0: c = from_fields(rng() & 1, 0, rng() >> rng.between(0, 63)); break;  // subnormal
    case 1: c = with_exponent(rng, rng.between(-1022, -1000)); break;
    case 2: c = from_fields(rng() & 1, 0, std::uint64_t{1} << rng.between(0, 51)); break;
    default: c = with_exponent(rng, rng.between(-100, 0)) * 0x1p-1000; break;
  }
  const double a = rng() % 8 == 0 ? from_fields(rng() & 1, 0, rng()) : with_exponent(rng, ea);
  const double b = with_exponent(rng, rng() % 8 == 0 ? rng.between(1000, 1023) : eb);
  return {a, b, c};
}

// Products around the largest double and beyond, with c pulling them back or pushing them over.
Triple overflow(SplitMix& rng) {
  const int ea = rng.between(500, 523);
  const int eb = rng.between(1020, 1025) - ea;
  double c;
  switch (rng() % 3) {
    case 0: c = with_exponent(rng, rng.between(960, 1023)); break;
    case 1: c = from_fields(rng() & 1, 1023 + 970, rng() % 4 == 0 ? rng() : 0); break;
    default: c = rng() & 1 ? kMax : -kMax; break;
  }
  return {with_exponent(rng, ea), with_exponent(rng, eb), c};
}

// Zeros, exact zero sums and products that underflow to zero, with every combination of signs.
Triple signed_zeros(SplitMix& rng) {
  static const double values[] = {0.0, 0.0, 0x1p-1074, 0x1p-600, 1.0, 3.0, 0x1p600};
  auto pick = [&] {
    const double x = values[rng() % (sizeof values / sizeof values[0])];
    return rng() & 1 ? -x : x;
  };
  const double a = pick(), b = pick();
  const double c = rng() % 3 == 0 ? -(a * b) : pick();
  return {a, b, c};
}

struct Family {
  const char* name;
  Triple (*make)(SplitMix&);
  int count;
};

TEST(SoftFma, MatchesHardwareOnRandomHardCases) {
  const Family families[] = {
      {"any bits", any_bits, 5000000},         {"exponent gap", exponent_gap, 6000000},
      {"cancellation", cancellation, 6000000}, {"halfway", halfway, 6000000},
      {"subnormal", subnormal, 4000000},       {"overflow", overflow, 2000000},
      {"signed zeros", signed_zeros, 1000000},
  };
  for (const Family& family : families) {
    const std::uint64_t seed = 0x5eed0000u + static_cast<std::uint64_t>(&family - families);
    SplitMix rng{seed};
    const int count = spk::test::scaled(family.count);
    int failures = 0;
    for (int i = 0; i < count && failures < 5; ++i) {
      const Triple t = family.make(rng);
      const double got = soft_fma(t.a, t.b, t.c);
      const double want = __builtin_fma(t.a, t.b, t.c);
      if (!same_bits(got, want)) {
        ++failures;
        ADD_FAILURE() << family.name << ", " << spk::test::seed_note(seed) << ", draw " << i
                      << ": " << show(t) << " gave " << describe(got) << ", expected "
                      << describe(want);
      }
    }
  }
}

// The 64 x 64 -> 128 bit product that every result rests on, against the compiler's own
// 128-bit integers where this target has them.
#if defined(__SIZEOF_INT128__)
TEST(SoftFma, WideProductMatchesNativeIntegers) {
  SplitMix rng{42};
  const std::uint64_t all = ~std::uint64_t{0};
  const std::uint64_t edges[] = {0, 1, all, all >> 11, std::uint64_t{1} << 52, 0xffffffffu,
                                 std::uint64_t{0xffffffff} << 32};
  auto check = [](std::uint64_t x, std::uint64_t y) {
    const unsigned __int128 want = static_cast<unsigned __int128>(x) * y;
    const spk::soft_fma_detail::U128 got = spk::soft_fma_detail::mul(x, y);
    ASSERT_EQ(got.hi, static_cast<std::uint64_t>(want >> 64)) << x << " * " << y;
    ASSERT_EQ(got.lo, static_cast<std::uint64_t>(want)) << x << " * " << y;
  };
  for (std::uint64_t x : edges)
    for (std::uint64_t y : edges) check(x, y);
  for (int i = 0; i < 100000; ++i) check(rng(), rng());
}
#endif

}  // namespace
