// Real sparse matrix times dense vector. The CSC kernels scatter each stored entry's term
// straight into the output element it addresses; the CSR kernels gather a row's terms into a
// local sum and add that to the output once. The two orders give different bits.
#ifndef SPKERNELS_PRODUCTS_REAL_VEC_HPP
#define SPKERNELS_PRODUCTS_REAL_VEC_HPP

#include <cstdint>

#include "spkernels/arith.hpp"

namespace spk {

// C = A * B, A of m rows and n columns. C is cleared over m elements whatever n is, and
// the clearing is complete before B or A is read.
template <class Arith>
void csc_vec_mult(int32_t m, int32_t n, const double* Aval, const int32_t* Aind,
                  const int32_t* Aptr, const double* B, double* C) {
  for (int32_t r = 0; r < m; ++r) C[r] = 0.0;
  for (int32_t j = 0; j < n; ++j) {
    const int32_t end = Aptr[j + 1];
    // B[j] is read afresh for every entry: with B and C overlapping, an update made by an
    // earlier entry is seen by the next one.
    for (int32_t p = Aptr[j]; p < end; ++p) {
      const int32_t r = Aind[p];
      C[r] = Arith::madd(B[j], Aval[p], C[r]);  // (B[j] * Aval[p]) + C[r]
    }
  }
}

// C = a * A * B + C. Each term is (a * B[j]) * Aval[p]: the scale meets B first, and never a
// column's contribution as a whole. m is not read; C is not cleared.
template <class Arith>
void csc_vec_mult_add(int32_t n, double a, const double* Aval, const int32_t* Aind,
                      const int32_t* Aptr, const double* B, double* C) {
  for (int32_t j = 0; j < n; ++j) {
    const int32_t end = Aptr[j + 1];
    for (int32_t p = Aptr[j]; p < end; ++p) {
      const int32_t r = Aind[p];
      const double aB = a * B[j];
      C[r] = Arith::madd(aB, Aval[p], C[r]);  // ((a * B[j]) * Aval[p]) + C[r]
    }
  }
}

// C = A * B, A of n rows. Values are read through a cursor that starts at Aval[0] and moves
// one place per stored entry, indices at the positions Aptr gives. Nothing is touched when
// n == 0; otherwise C is cleared first and each C[i] becomes row_sum + C[i].
template <class Arith>
void csr_vec_mult(int32_t n, const double* Aval, const int32_t* Aind, const int32_t* Aptr,
                  const double* B, double* C) {
  for (int32_t i = 0; i < n; ++i) C[i] = 0.0;
  const double* value = Aval;
  for (int32_t i = 0; i < n; ++i) {
    double row_sum = 0.0;
    const int32_t end = Aptr[i + 1];
    for (int32_t q = Aptr[i]; q < end; ++q) row_sum = Arith::madd(B[Aind[q]], *value++, row_sum);
    C[i] = row_sum + C[i];
  }
}

// C = a * A * B + C, A of n rows. The scale is applied to each term before it enters the row
// sum; the finished sum is added to C[i] for every row, so an empty row turns -0.0 into +0.0.
template <class Arith>
void csr_vec_mult_add(int32_t n, double a, const double* Aval, const int32_t* Aind,
                      const int32_t* Aptr, const double* B, double* C) {
  const double* value = Aval;
  for (int32_t i = 0; i < n; ++i) {
    double row_sum = 0.0;
    const int32_t end = Aptr[i + 1];
    for (int32_t q = Aptr[i]; q < end; ++q) {
      const double aB = a * B[Aind[q]];
      row_sum = Arith::madd(aB, *value++, row_sum);
    }
    C[i] = row_sum + C[i];
  }
}

}  // namespace spk

#endif  // SPKERNELS_PRODUCTS_REAL_VEC_HPP
