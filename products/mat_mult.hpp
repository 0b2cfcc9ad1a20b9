// Sparse column-compressed matrix times dense column-major matrix.
#ifndef SPKERNELS_PRODUCTS_MAT_MULT_HPP
#define SPKERNELS_PRODUCTS_MAT_MULT_HPP

#include <cstddef>
#include <cstdint>

#include "spkernels/arith.hpp"

namespace spk {

// C = A * B, A of m rows and k columns, C of m rows and n columns. B and C share the column
// stride m: element (j, col) of B is B[j + col * m]. One full pass over A per output column;
// every output element starts from the +0.0 of the clearing and takes its terms in ascending
// column of A, then storage order. n == 0 touches nothing.
template <class Arith>
void csc_mat_mult(int32_t m, int32_t n, int32_t k, const double* Aval, const int32_t* Aind,
                  const int32_t* Aptr, const double* B, double* C) {
  if (n <= 0) return;
  const std::ptrdiff_t stride = m;
  for (std::ptrdiff_t col = 0; col < n; ++col)
    for (std::ptrdiff_t r = 0; r < stride; ++r) C[r + col * stride] = 0.0;
  // With no columns in A, B holds nothing and may be null: do not even form B + col * m.
  if (k <= 0) return;
  for (std::ptrdiff_t col = 0; col < n; ++col) {
    const double* B_col = B + col * stride;
    double* C_col = C + col * stride;
    for (int32_t j = 0; j < k; ++j) {
      const int32_t end = Aptr[j + 1];
      for (int32_t p = Aptr[j]; p < end; ++p)
        C_col[Aind[p]] = Arith::madd(B_col[j], Aval[p], C_col[Aind[p]]);
    }
  }
}

}  // namespace spk

#endif  // SPKERNELS_PRODUCTS_MAT_MULT_HPP
