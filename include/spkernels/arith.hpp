// The two rounding schemes, expressed once. Every kernel takes one of these as its `Arith`
// parameter and performs each multiply-add that the fusing rule names through it; all other
// operations are written out plainly and rounded on their own. Build with -ffp-contract=off so
// the compiler never fuses or reorders anything by itself.
#ifndef SPKERNELS_ARITH_HPP
#define SPKERNELS_ARITH_HPP

#include <cstdint>
#include <bit>

namespace spk {

// Flips the sign bit. Written on the bits so that no compiler can merge the negation into a
// neighbouring fused operation (g++ turns -fma(a, b, -c) into a negated multiply-add, which
// gives +0.0 instead of -0.0 on an exact cancellation).
inline double flip_sign(double x) {
  return std::bit_cast<double>(std::bit_cast<std::uint64_t>(x) ^ (std::uint64_t{1} << 63));
}

// a * b + c with a single rounding. Where the target has a fused multiply-add instruction this
// is that instruction; elsewhere it is a correctly rounded software version of our own, so that
// the bundle never calls into a maths library.
inline double fused_multiply_add(double a, double b, double c);

// Every operation rounded on its own.
struct Separate {
  static constexpr const char* name = "separate";
  // (a * b) + c
  static double madd(double a, double b, double c) { return a * b + c; }
  // (a * b) - c
  static double msub(double a, double b, double c) { return a * b - c; }
  // c - (a * b): an exact cancellation gives +0.0
  static double nmsub(double a, double b, double c) { return c - a * b; }
};

// A product and the addition or subtraction that consumes it rounded once.
struct Fused {
  static constexpr const char* name = "fused";
  static double madd(double a, double b, double c) { return fused_multiply_add(a, b, c); }
  // Negating c is exact, so this is (a * b) - c rounded once.
  static double msub(double a, double b, double c) { return fused_multiply_add(a, b, -c); }
  // -((a * b) - c), rounded once before the sign changes: an exact cancellation gives -0.0.
  static double nmsub(double a, double b, double c) {
    return flip_sign(fused_multiply_add(a, b, -c));
  }
};

// The complex term of an input element x + iy and a stored value a + ib, each part formed as
// written: both products, then their difference or sum. Under Fused the product with x is
// fused into the difference or sum and the product with y is rounded on its own. Adding a
// finished part into an output or a row sum is a separate operation, left to the caller.
template <class Arith>
inline double term_re(double x, double y, double a, double b) {
  const double yb = y * b;
  return Arith::msub(x, a, yb);  // (x * a) - (y * b)
}
template <class Arith>
inline double term_im(double x, double y, double a, double b) {
  const double ya = y * a;
  return Arith::madd(x, b, ya);  // (x * b) + (y * a)
}

}  // namespace spk

#if defined(__FP_FAST_FMA) && !defined(SPK_SOFTWARE_FMA)
inline double spk::fused_multiply_add(double a, double b, double c) {
  return __builtin_fma(a, b, c);
}
#else
#include "spkernels/soft_fma.hpp"
inline double spk::fused_multiply_add(double a, double b, double c) {
  return soft_fma(a, b, c);
}
#endif

// The scheme a bundle is built with, chosen once for all its kernels by the build.
namespace spk {
#if defined(SPK_ROUNDING_FUSED)
using BuildArith = Fused;
#elif defined(SPK_ROUNDING_SEPARATE)
using BuildArith = Separate;
#endif
}  // namespace spk

#endif  // SPKERNELS_ARITH_HPP
