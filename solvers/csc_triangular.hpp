// Triangular solves A * C = B with A column-compressed: copy B into C, then eliminate column
// by column in C. The divisor is taken by its position in the column, never by its row index.
#ifndef SPKERNELS_SOLVERS_CSC_TRIANGULAR_HPP
#define SPKERNELS_SOLVERS_CSC_TRIANGULAR_HPP

#include <cstdint>

#include "spkernels/arith.hpp"

namespace spk {

// One column of the sweep: x = C[j] / divisor is stored into C[j], then every other entry of
// the column, positions [others, others_end), updates C[r] = C[r] - x * Aval[p], each stored
// before the next.
template <class Arith>
inline void csc_eliminate(int32_t j, double divisor, int32_t others, int32_t others_end,
                          const double* Aval, const int32_t* Aind, double* C) {
  const double x = C[j] / divisor;
  C[j] = x;
  for (int32_t p = others; p < others_end; ++p) C[Aind[p]] = Arith::nmsub(x, Aval[p], C[Aind[p]]);
}

// A column that stores nothing has no divisor: it is solved as if its divisor were +0.0 and
// makes no updates, so no value outside the column is ever read.
inline void csc_no_divisor(int32_t j, double* C) { C[j] = C[j] / 0.0; }

// Forward substitution, columns ascending; the divisor is the first stored entry of the column.
template <class Arith>
void csc_lower_solve(int32_t n, const double* Aval, const int32_t* Aind, const int32_t* Aptr,
                     const double* B, double* C) {
  for (int32_t i = 0; i < n; ++i) C[i] = B[i];
  for (int32_t j = 0; j < n; ++j) {
    const int32_t first = Aptr[j], end = Aptr[j + 1];
    if (first < end)
      csc_eliminate<Arith>(j, Aval[first], first + 1, end, Aval, Aind, C);
    else
      csc_no_divisor(j, C);
  }
}

// Backward substitution, columns descending; the divisor is the last stored entry of the column.
template <class Arith>
void csc_upper_solve(int32_t n, const double* Aval, const int32_t* Aind, const int32_t* Aptr,
                     const double* B, double* C) {
  for (int32_t i = 0; i < n; ++i) C[i] = B[i];
  // Returning first for n <= 0 keeps n - 1 from overflowing for the most negative n.
  if (n <= 0) return;
  for (int32_t j = n - 1; j >= 0; --j) {
    const int32_t first = Aptr[j], end = Aptr[j + 1];
    if (first < end)
      csc_eliminate<Arith>(j, Aval[end - 1], first, end - 1, Aval, Aind, C);
    else
      csc_no_divisor(j, C);
  }
}

}  // namespace spk

#endif  // SPKERNELS_SOLVERS_CSC_TRIANGULAR_HPP
