// Complex sparse matrix times complex dense vector, all split into real and imaginary arrays.
// Each stored entry contributes the complex term of Arith (term_re, term_im); nothing is ever
// conjugated.
#ifndef SPKERNELS_PRODUCTS_COMPLEX_VEC_HPP
#define SPKERNELS_PRODUCTS_COMPLEX_VEC_HPP

#include <cstdint>

#include "spkernels/arith.hpp"

namespace spk {

// C + i CIm = A * (B + i BIm), A of m rows and n columns, by scatter update. Both outputs are
// cleared over m first. Each entry updates the real part, then the imaginary part, and each
// update reads every operand afresh: nothing is held from one update to the next.
template <class Arith>
void csc_cmplx_vec_mult(int32_t m, int32_t n, const double* Aval, const double* AvalIm,
                        const int32_t* Aind, const int32_t* Aptr, const double* B,
                        const double* BIm, double* C, double* CIm) {
  for (int32_t r = 0; r < m; ++r) {
    C[r] = 0.0;
    CIm[r] = 0.0;
  }
  for (int32_t j = 0; j < n; ++j) {
    const int32_t end = Aptr[j + 1];
    for (int32_t p = Aptr[j]; p < end; ++p) {
      C[Aind[p]] = term_re<Arith>(B[j], BIm[j], Aval[p], AvalIm[p]) + C[Aind[p]];
      CIm[Aind[p]] = term_im<Arith>(B[j], BIm[j], Aval[p], AvalIm[p]) + CIm[Aind[p]];
    }
  }
}

// C + i CIm = A * (B + i BIm), A of n rows, by two gathered row sums. m is never read. Values
// come through one cursor from Aval[0] and AvalIm[0]; indices from the positions Aptr gives.
template <class Arith>
void csr_cmplx_vec_mult(int32_t n, const double* Aval, const double* AvalIm,
                        const int32_t* Aind, const int32_t* Aptr, const double* B,
                        const double* BIm, double* C, double* CIm) {
  for (int32_t i = 0; i < n; ++i) {
    C[i] = 0.0;
    CIm[i] = 0.0;
  }
  int32_t v = 0;
  for (int32_t i = 0; i < n; ++i) {
    double sum_re = 0.0, sum_im = 0.0;
    const int32_t end = Aptr[i + 1];
    for (int32_t q = Aptr[i]; q < end; ++q, ++v) {
      const int32_t col = Aind[q];
      sum_re = sum_re + term_re<Arith>(B[col], BIm[col], Aval[v], AvalIm[v]);
      sum_im = sum_im + term_im<Arith>(B[col], BIm[col], Aval[v], AvalIm[v]);
    }
    C[i] = sum_re + C[i];
    CIm[i] = sum_im + CIm[i];
  }
}

}  // namespace spk

#endif  // SPKERNELS_PRODUCTS_COMPLEX_VEC_HPP
