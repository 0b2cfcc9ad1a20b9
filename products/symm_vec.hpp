// Symmetric matrix times vector from the diagonal and upper triangle stored by rows. An entry
// above the diagonal stands for itself and its mirror and is applied twice, mirror first; an
// entry below the diagonal is passed over but still consumes its place in the value cursor.
#ifndef SPKERNELS_PRODUCTS_SYMM_VEC_HPP
#define SPKERNELS_PRODUCTS_SYMM_VEC_HPP

#include <cstdint>

#include "spkernels/arith.hpp"

namespace spk {

// C = A * B with n rows visited and C cleared over m. Entries are classed by a signed
// comparison of column and row, so a negative column index counts as below the diagonal.
template <class Arith>
void csr_symm_vec_mult(int32_t n, int32_t m, const double* Aval, const int32_t* Aind,
                       const int32_t* Aptr, const double* B, double* C) {
  for (int32_t r = 0; r < m; ++r) C[r] = 0.0;
  int32_t v = 0;
  for (int32_t i = 0; i < n; ++i) {
    const int32_t end = Aptr[i + 1];
    for (int32_t q = Aptr[i]; q < end; ++q, ++v) {
      const int32_t col = Aind[q];
      if (col < i) continue;
      // An upper entry updates its mirror a(col, i) first; the update of C[i] then reads
      // B[col] afresh. A diagonal entry (col == i) has only the second update.
      if (col > i) C[col] = Arith::madd(B[i], Aval[v], C[col]);
      C[i] = Arith::madd(B[col], Aval[v], C[i]);
    }
  }
}

// The complex symmetric product (A equals its transpose, the mirror is the stored value
// itself, not its conjugate). Each update forms its term from operands read afresh.
template <class Arith>
void csr_symm_cmplx_vec_mult(int32_t n, int32_t m, const double* Aval, const double* AvalIm,
                             const int32_t* Aind, const int32_t* Aptr, const double* B,
                             const double* BIm, double* C, double* CIm) {
  for (int32_t r = 0; r < m; ++r) {
    C[r] = 0.0;
    CIm[r] = 0.0;
  }
  int32_t v = 0;
  for (int32_t i = 0; i < n; ++i) {
    const int32_t end = Aptr[i + 1];
    for (int32_t q = Aptr[i]; q < end; ++q, ++v) {
      const int32_t col = Aind[q];
      if (col < i) continue;
      if (col > i) {
        C[col] = term_re<Arith>(B[i], BIm[i], Aval[v], AvalIm[v]) + C[col];
        CIm[col] = term_im<Arith>(B[i], BIm[i], Aval[v], AvalIm[v]) + CIm[col];
      }
      // For the diagonal col == i, and this is its one update; for an upper entry it is the
      // second, reading B[col] after C[col] has been stored.
      C[i] = term_re<Arith>(B[col], BIm[col], Aval[v], AvalIm[v]) + C[i];
      CIm[i] = term_im<Arith>(B[col], BIm[col], Aval[v], AvalIm[v]) + CIm[i];
    }
  }
}

}  // namespace spk

#endif  // SPKERNELS_PRODUCTS_SYMM_VEC_HPP
