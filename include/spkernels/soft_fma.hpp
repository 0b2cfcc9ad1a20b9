// Placeholder: correctly rounded a * b + c for targets without a fused instruction.
#ifndef SPKERNELS_SOFT_FMA_HPP
#define SPKERNELS_SOFT_FMA_HPP
#include <cmath>
namespace spk {
inline double soft_fma(double a, double b, double c) { return std::fma(a, b, c); }
}  // namespace spk
#endif
