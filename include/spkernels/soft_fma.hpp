// a * b + c rounded once, in integer arithmetic, for targets without a fused multiply-add
// instruction. Header-only and self-contained: no maths library, no memcpy, no 128-bit integer
// type (it builds for 32-bit targets such as i386 and PowerPC32), so that a bundle built with
// it still imports nothing.
//
// The result is the correctly rounded IEEE 754 double for every input: signed zeros (an exact
// zero sum of opposite signs is +0.0), infinities, inf * 0 and inf - inf giving NaN, NaN
// propagation, subnormal operands and results, overflow to infinity.
//
// Limitation: it always rounds to nearest, ties to even, whatever rounding mode the caller has
// set, and it does not raise the inexact, underflow and overflow flags as the instruction would
// (the cases it hands to the hardware's own multiply and add may raise them). The kernels'
// results are defined for round-to-nearest; in any other mode a bundle built with this may differ
// from one built with the instruction.
#ifndef SPKERNELS_SOFT_FMA_HPP
#define SPKERNELS_SOFT_FMA_HPP

#include <bit>
#include <cstdint>

namespace spk {

namespace soft_fma_detail {

// An unsigned 128-bit integer as two 64-bit halves.
struct U128 {
  std::uint64_t hi, lo;
};

constexpr bool is_zero(U128 x) { return (x.hi | x.lo) == 0; }
constexpr bool less(U128 x, U128 y) { return x.hi < y.hi || (x.hi == y.hi && x.lo < y.lo); }
constexpr bool equal(U128 x, U128 y) { return x.hi == y.hi && x.lo == y.lo; }

constexpr U128 add(U128 x, U128 y) {
  const std::uint64_t lo = x.lo + y.lo;
  return {x.hi + y.hi + (lo < x.lo ? 1u : 0u), lo};
}

// x - y for x >= y.
constexpr U128 sub(U128 x, U128 y) {
  return {x.hi - y.hi - (x.lo < y.lo ? 1u : 0u), x.lo - y.lo};
}

// x * y in full, from four 32 x 32 -> 64 bit products.
constexpr U128 mul(std::uint64_t x, std::uint64_t y) {
  const std::uint64_t mask = 0xffffffffu;
  const std::uint64_t x0 = x & mask, x1 = x >> 32, y0 = y & mask, y1 = y >> 32;
  const std::uint64_t p00 = x0 * y0, p01 = x0 * y1, p10 = x1 * y0, p11 = x1 * y1;
  const std::uint64_t middle = (p00 >> 32) + (p01 & mask) + (p10 & mask);  // < 3 * 2^32
  return {p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32), (middle << 32) | (p00 & mask)};
}

// x << n for 0 <= n < 128.
constexpr U128 shift_left(U128 x, int n) {
  if (n == 0) return x;
  if (n >= 64) return {x.lo << (n - 64), 0};
  return {(x.hi << n) | (x.lo >> (64 - n)), x.lo << n};
}

// x >> n for n >= 0 (zero from n = 128 on).
constexpr U128 shift_right(U128 x, int n) {
  if (n == 0) return x;
  if (n >= 128) return {0, 0};
  if (n >= 64) return {0, x.hi >> (n - 64)};
  return {x.hi >> n, (x.lo >> n) | (x.hi << (64 - n))};
}

// x >> n with every bit shifted out ORed into bit 0 (a "sticky" bit).
constexpr U128 shift_right_sticky(U128 x, int n) {
  const U128 kept = shift_right(x, n);
  const bool lost = n >= 128 ? !is_zero(x) : !equal(shift_left(kept, n), x);
  return {kept.hi, kept.lo | (lost ? 1u : 0u)};
}

// Leading zeros of a 64-bit word, counted on 32-bit halves so that 32-bit targets need no
// runtime helper for it.
constexpr int leading_zeros(std::uint64_t x) {
  const std::uint32_t high = static_cast<std::uint32_t>(x >> 32);
  return high != 0 ? std::countl_zero(high)
                   : 32 + std::countl_zero(static_cast<std::uint32_t>(x));
}

// Index of the highest set bit of a nonzero x.
constexpr int top_bit(U128 x) {
  return x.hi != 0 ? 127 - leading_zeros(x.hi) : 63 - leading_zeros(x.lo);
}

inline constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63;
inline constexpr std::uint64_t kHiddenBit = std::uint64_t{1} << 52;
inline constexpr std::uint64_t kFractionMask = kHiddenBit - 1;

// A finite nonzero magnitude as significand * 2^exponent with the significand in
// [2^52, 2^53): subnormals are normalised too.
struct Unpacked {
  std::uint64_t significand;
  int exponent;
};

constexpr Unpacked unpack(std::uint64_t bits) {
  const int field = static_cast<int>((bits >> 52) & 0x7ff);
  const std::uint64_t fraction = bits & kFractionMask;
  if (field != 0) return {fraction | kHiddenBit, field - 1075};
  const int shift = leading_zeros(fraction) - 11;
  return {fraction << shift, -1074 - shift};
}

// The double nearest to (-1)^negative * value * 2^exponent, ties to even; value is nonzero.
constexpr double round_to_double(bool negative, U128 value, int exponent) {
  const std::uint64_t sign = negative ? kSignBit : 0;
  const int top = top_bit(value);
  // Keep 53 bits, or fewer where the result is subnormal: the last kept bit is never below
  // 2^-1074. `shift` is how many low bits of value are dropped.
  int shift = top - 52;
  if (shift < -1074 - exponent) shift = -1074 - exponent;
  std::uint64_t significand = 0;
  if (shift <= 0) {
    significand = value.lo << -shift;  // exact: value < 2^53 here
  } else if (shift < 128) {
    const U128 kept = shift_right(value, shift);
    const U128 dropped = sub(value, shift_left(kept, shift));
    const U128 half = shift_left(U128{0, 1}, shift - 1);
    significand = kept.lo;
    if (less(half, dropped) || (equal(dropped, half) && (significand & 1) != 0)) ++significand;
  }
  // From a shift of 128 on, value (below 2^127) is under half a unit and rounds to zero.
  int unit = shift + exponent;  // the weight of the significand's last bit is 2^unit
  if (significand == 2 * kHiddenBit) {  // rounding carried into a new leading bit
    significand = kHiddenBit;
    ++unit;
  }
  if (significand == 0) return std::bit_cast<double>(sign);
  if (significand >= kHiddenBit && unit > 1023 - 52)  // beyond the largest double
    return std::bit_cast<double>(sign | 0x7ff0000000000000u);
  // A normal significand's hidden bit adds one to the exponent field; a subnormal one (unit
  // -1074) leaves the field 0, or carries into 1 when it rounded up to 2^52.
  return std::bit_cast<double>(sign | ((static_cast<std::uint64_t>(unit + 1074) << 52) + significand));
}

}  // namespace soft_fma_detail

// a * b + c with a single rounding to nearest, ties to even.
constexpr double soft_fma(double a, double b, double c) {
  using namespace soft_fma_detail;
  const std::uint64_t bits_a = std::bit_cast<std::uint64_t>(a);
  const std::uint64_t bits_b = std::bit_cast<std::uint64_t>(b);
  const std::uint64_t bits_c = std::bit_cast<std::uint64_t>(c);
  const std::uint64_t field = 0x7ff0000000000000u;

  // An infinite or NaN factor makes the product infinite or NaN exactly, and a zero factor
  // makes it an exact signed zero: one rounding of the sum is then all there is.
  if ((bits_a & field) == field || (bits_b & field) == field || a == 0 || b == 0) return a * b + c;
  // The product is finite and nonzero, so it cannot cancel an infinite or NaN c.
  if ((bits_c & field) == field) return c + c;
  // Adding a zero leaves the nonzero product as it is, sign of an underflow included.
  if (c == 0) return a * b;

  // Exact product: a 105- or 106-bit integer times a power of two. Both it and c are moved
  // to the same scale, leading bit at 125, which leaves two bits of headroom for the sum and
  // at least 20 zero bits at the bottom.
  const Unpacked ua = unpack(bits_a), ub = unpack(bits_b), uc = unpack(bits_c);
  U128 product = mul(ua.significand, ub.significand);
  const int product_shift = 125 - top_bit(product);
  product = shift_left(product, product_shift);
  const int product_exponent = ua.exponent + ub.exponent - product_shift;
  const bool product_negative = ((bits_a ^ bits_b) & kSignBit) != 0;

  const U128 addend = shift_left(U128{0, uc.significand}, 73);
  const int addend_exponent = uc.exponent - 73;
  const bool addend_negative = (bits_c & kSignBit) != 0;

  // The larger magnitude first; the smaller one is aligned to it, the bits it loses kept as
  // a sticky bit. The larger one is even (its low bits are zero), so the sticky bit leaves
  // the sum strictly between the same two rounding boundaries as the exact sum.
  const bool product_larger =
      product_exponent > addend_exponent ||
      (product_exponent == addend_exponent && !less(product, addend));
  const U128 larger = product_larger ? product : addend;
  const U128 smaller = product_larger ? addend : product;
  const int exponent = product_larger ? product_exponent : addend_exponent;
  const int distance = product_larger ? product_exponent - addend_exponent
                                      : addend_exponent - product_exponent;
  const bool negative = product_larger ? product_negative : addend_negative;

  const U128 aligned = shift_right_sticky(smaller, distance);
  const U128 sum = product_negative == addend_negative ? add(larger, aligned) : sub(larger, aligned);
  if (is_zero(sum)) return 0.0;  // exact cancellation: +0.0 when rounding to nearest
  return round_to_double(negative, sum, exponent);
}

}  // namespace spk

#endif  // SPKERNELS_SOFT_FMA_HPP
