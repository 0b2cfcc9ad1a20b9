// Literal reference versions of the nine product kernels, for the tests to compare against.
//
// Each one is the plainest loop that computes its kernel: the same parameters in the same
// order as the exported function (including the dimensions that are never read), every
// multiply-add that the fused scheme rounds once written through Arith, every other
// operation written out and rounded on its own. Nothing is held in a local from one update
// to the next unless the kernel holds it too (the row sums and the value cursor), so these
// also give the outcome when an input shares storage with an output.
#ifndef SPK_TESTS_REFERENCE_PRODUCTS_HPP
#define SPK_TESTS_REFERENCE_PRODUCTS_HPP

#include <cstddef>
#include <cstdint>

namespace spk::ref {

// ---- Real products --------------------------------------------------------------------------

// C = A * B, A m x n column-compressed. C is cleared over m even when n is 0; then every
// stored entry adds B[j] * Aval[p] into C[Aind[p]].
template <class Arith>
void csc_vec_mult(int32_t m, int32_t n, const double* Aval, const int32_t* Aind,
                  const int32_t* Aptr, const double* B, double* C) {
  for (int32_t r = 0; r < m; r++) C[r] = +0.0;
  if (n == 0) return;
  for (int32_t j = 0; j < n; j++) {
    if (Aptr[j] == Aptr[j + 1]) continue;
    for (int32_t p = Aptr[j]; p < Aptr[j + 1]; p++) {
      const int32_t r = Aind[p];
      C[r] = Arith::madd(B[j], Aval[p], C[r]);
    }
  }
}

// C = a * A * B + C, A column-compressed; m is not read. Each term is (a * B[j]) * Aval[p].
template <class Arith>
void csc_vec_mult_add(int32_t /*m*/, int32_t n, double a, const double* Aval,
                      const int32_t* Aind, const int32_t* Aptr, const double* B, double* C) {
  if (n == 0) return;
  for (int32_t j = 0; j < n; j++) {
    if (Aptr[j] == Aptr[j + 1]) continue;
    for (int32_t p = Aptr[j]; p < Aptr[j + 1]; p++) {
      const int32_t r = Aind[p];
      const double aB = a * B[j];
      C[r] = Arith::madd(aB, Aval[p], C[r]);
    }
  }
}

// C = A * B, A n x m row-compressed; m is not read, n = 0 touches nothing. Values come
// through a cursor that starts at Aval[0], indices from the positions Aptr gives.
template <class Arith>
void csr_vec_mult(int32_t /*m*/, int32_t n, const double* Aval, const int32_t* Aind,
                  const int32_t* Aptr, const double* B, double* C) {
  if (n == 0) return;
  for (int32_t i = 0; i < n; i++) C[i] = +0.0;
  int32_t v = 0;
  for (int32_t i = 0; i < n; i++) {
    double s = +0.0;
    for (int32_t q = Aptr[i]; q < Aptr[i + 1]; q++) {
      const int32_t col = Aind[q];
      s = Arith::madd(B[col], Aval[v], s);
      v++;
    }
    C[i] = s + C[i];
  }
}

// C = a * A * B + C, A row-compressed; m is not read. Each term (a * B[col]) * Aval[v]
// enters the row sum; the finished sum is added to C[i] even for an empty row.
template <class Arith>
void csr_vec_mult_add(int32_t /*m*/, int32_t n, double a, const double* Aval,
                      const int32_t* Aind, const int32_t* Aptr, const double* B, double* C) {
  if (n == 0) return;
  int32_t v = 0;
  for (int32_t i = 0; i < n; i++) {
    double s = +0.0;
    for (int32_t q = Aptr[i]; q < Aptr[i + 1]; q++) {
      const int32_t col = Aind[q];
      const double aB = a * B[col];
      s = Arith::madd(aB, Aval[v], s);
      v++;
    }
    C[i] = s + C[i];
  }
}

// ---- The complex term -----------------------------------------------------------------------
// Input element x + iy times stored value a + ib: the product with y is rounded alone, the
// product with x is the one that a fused scheme merges into the difference or sum.

template <class Arith>
double complex_re(double x, double y, double a, double b) {
  const double yb = y * b;
  return Arith::msub(x, a, yb);  // (x * a) - (y * b)
}

template <class Arith>
double complex_im(double x, double y, double a, double b) {
  const double ya = y * a;
  return Arith::madd(x, b, ya);  // (x * b) + (y * a)
}

// ---- Complex products -----------------------------------------------------------------------

// C + i CIm = A * (B + i BIm), A m x n column-compressed. Both parts cleared over m; then for
// each stored entry the real part is updated, then the imaginary part, each reading its
// inputs afresh.
template <class Arith>
void csc_cmplx_vec_mult(int32_t m, int32_t n, const double* Aval, const double* AvalIm,
                        const int32_t* Aind, const int32_t* Aptr, const double* B,
                        const double* BIm, double* C, double* CIm) {
  for (int32_t r = 0; r < m; r++) {
    C[r] = +0.0;
    CIm[r] = +0.0;
  }
  for (int32_t j = 0; j < n; j++) {
    if (Aptr[j] == Aptr[j + 1]) continue;
    for (int32_t p = Aptr[j]; p < Aptr[j + 1]; p++) {
      int32_t r = Aind[p];
      C[r] = complex_re<Arith>(B[j], BIm[j], Aval[p], AvalIm[p]) + C[r];
      r = Aind[p];
      CIm[r] = complex_im<Arith>(B[j], BIm[j], Aval[p], AvalIm[p]) + CIm[r];
    }
  }
}

// C + i CIm = A * (B + i BIm), A n x m row-compressed; m is not read, n = 0 touches nothing.
// One cursor serves Aval and AvalIm; two row sums per row.
template <class Arith>
void csr_cmplx_vec_mult(int32_t /*m*/, int32_t n, const double* Aval, const double* AvalIm,
                        const int32_t* Aind, const int32_t* Aptr, const double* B,
                        const double* BIm, double* C, double* CIm) {
  if (n == 0) return;
  for (int32_t r = 0; r < n; r++) {
    C[r] = +0.0;
    CIm[r] = +0.0;
  }
  int32_t v = 0;
  for (int32_t i = 0; i < n; i++) {
    double sRe = +0.0, sIm = +0.0;
    for (int32_t q = Aptr[i]; q < Aptr[i + 1]; q++) {
      const int32_t col = Aind[q];
      sRe = sRe + complex_re<Arith>(B[col], BIm[col], Aval[v], AvalIm[v]);
      sIm = sIm + complex_im<Arith>(B[col], BIm[col], Aval[v], AvalIm[v]);
      v++;
    }
    C[i] = sRe + C[i];
    CIm[i] = sIm + CIm[i];
  }
}

// ---- Symmetric products ---------------------------------------------------------------------
// n rows visited, m elements cleared. An entry is classed by its column against its row as
// signed integers: diagonal applied once, upper twice (mirror first), lower passed over. The
// cursor advances for every entry, lower ones included.

template <class Arith>
void csr_symm_vec_mult(int32_t n, int32_t m, const double* Aval, const int32_t* Aind,
                       const int32_t* Aptr, const double* B, double* C) {
  for (int32_t r = 0; r < m; r++) C[r] = +0.0;
  int32_t v = 0;
  for (int32_t i = 0; i < n; i++) {
    for (int32_t q = Aptr[i]; q < Aptr[i + 1]; q++) {
      const int32_t col = Aind[q];
      if (col == i) {
        C[i] = Arith::madd(B[i], Aval[v], C[i]);
      } else if (col > i) {
        C[col] = Arith::madd(B[i], Aval[v], C[col]);
        C[i] = Arith::madd(B[col], Aval[v], C[i]);
      }
      v++;
    }
  }
}

// Complex symmetric (not Hermitian): the mirror uses the stored value unchanged.
template <class Arith>
void csr_symm_cmplx_vec_mult(int32_t n, int32_t m, const double* Aval, const double* AvalIm,
                             const int32_t* Aind, const int32_t* Aptr, const double* B,
                             const double* BIm, double* C, double* CIm) {
  for (int32_t r = 0; r < m; r++) {
    C[r] = +0.0;
    CIm[r] = +0.0;
  }
  int32_t v = 0;
  for (int32_t i = 0; i < n; i++) {
    for (int32_t q = Aptr[i]; q < Aptr[i + 1]; q++) {
      const int32_t col = Aind[q];
      if (col == i) {
        C[i] = complex_re<Arith>(B[i], BIm[i], Aval[v], AvalIm[v]) + C[i];
        CIm[i] = complex_im<Arith>(B[i], BIm[i], Aval[v], AvalIm[v]) + CIm[i];
      } else if (col > i) {
        C[col] = complex_re<Arith>(B[i], BIm[i], Aval[v], AvalIm[v]) + C[col];
        CIm[col] = complex_im<Arith>(B[i], BIm[i], Aval[v], AvalIm[v]) + CIm[col];
        C[i] = complex_re<Arith>(B[col], BIm[col], Aval[v], AvalIm[v]) + C[i];
        CIm[i] = complex_im<Arith>(B[col], BIm[col], Aval[v], AvalIm[v]) + CIm[i];
      }
      v++;
    }
  }
}

// ---- Sparse times dense matrix --------------------------------------------------------------
// A m x k column-compressed, B and C column-major with column stride m (not k), C m x n.
// n = 0 touches nothing; otherwise C is cleared, then one full pass over A per column of C.
template <class Arith>
void csc_mat_mult(int32_t m, int32_t n, int32_t k, const double* Aval, const int32_t* Aind,
                  const int32_t* Aptr, const double* B, int32_t /*spare*/, double* C) {
  if (n == 0) return;
  const std::ptrdiff_t stride = m;
  for (int32_t col = 0; col < n; col++)
    for (int32_t r = 0; r < m; r++) C[r + col * stride] = +0.0;
  for (int32_t col = 0; col < n; col++) {
    for (int32_t j = 0; j < k; j++) {
      if (Aptr[j] == Aptr[j + 1]) continue;
      for (int32_t p = Aptr[j]; p < Aptr[j + 1]; p++) {
        const std::ptrdiff_t r = Aind[p];
        C[r + col * stride] = Arith::madd(B[j + col * stride], Aval[p], C[r + col * stride]);
      }
    }
  }
}

}  // namespace spk::ref

#endif  // SPK_TESTS_REFERENCE_PRODUCTS_HPP
