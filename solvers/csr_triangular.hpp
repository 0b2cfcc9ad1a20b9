// Triangular solves A * C = B with A row-compressed: one local sum per row, in storage order,
// and C[i] = (B[i] - row_sum) / divisor written once. C is read only where already solved, so
// B and C may be the same array.
#ifndef SPKERNELS_SOLVERS_CSR_TRIANGULAR_HPP
#define SPKERNELS_SOLVERS_CSR_TRIANGULAR_HPP

#include <cstdint>

#include "spkernels/arith.hpp"

namespace spk {

// Forward substitution, rows ascending. The divisor is found by its column index wherever it
// stands in the row (the last one if stored twice) and never enters the sum; a row without it
// divides by +0.0.
template <class Arith>
void csr_lower_solve(int32_t n, const double* Aval, const int32_t* Aind, const int32_t* Aptr,
                     const double* B, double* C) {
  for (int32_t i = 0; i < n; ++i) {
    double row_sum = 0.0, divisor = 0.0;
    const int32_t end = Aptr[i + 1];
    for (int32_t p = Aptr[i]; p < end; ++p) {
      if (Aind[p] == i)
        divisor = Aval[p];
      else
        row_sum = Arith::madd(C[Aind[p]], Aval[p], row_sum);
    }
    C[i] = (B[i] - row_sum) / divisor;
  }
}

// Backward substitution, rows descending. The divisor is the first stored entry of the row,
// whatever its column index; a row that stores nothing divides by +0.0.
template <class Arith>
void csr_upper_solve(int32_t n, const double* Aval, const int32_t* Aind, const int32_t* Aptr,
                     const double* B, double* C) {
  // Returning first for n <= 0 keeps n - 1 from overflowing for the most negative n.
  if (n <= 0) return;
  for (int32_t i = n - 1; i >= 0; --i) {
    const int32_t first = Aptr[i], end = Aptr[i + 1];
    double row_sum = 0.0, divisor = 0.0;
    if (first < end) {
      divisor = Aval[first];
      for (int32_t p = first + 1; p < end; ++p) row_sum = Arith::madd(C[Aind[p]], Aval[p], row_sum);
    }
    C[i] = (B[i] - row_sum) / divisor;
  }
}

}  // namespace spk

#endif  // SPKERNELS_SOLVERS_CSR_TRIANGULAR_HPP
