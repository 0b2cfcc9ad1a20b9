// The baseline: each kernel's loop written down plainly, exactly as its algorithm reads, with
// no tricks. It is timed in separate rounding and, in both schemes, gives the reference bits
// that every timed implementation is compared with.
#ifndef SPK_BENCH_LITERAL_HPP
#define SPK_BENCH_LITERAL_HPP

#include <cstddef>
#include <cstdint>

#include "spkernels/arith.hpp"

namespace spk::bench::literal {

template <class Arith>
void csc_vec_mult(int32_t m, int32_t n, const double* Aval, const int32_t* Aind,
                  const int32_t* Aptr, const double* B, double* C) {
  for (int32_t r = 0; r < m; ++r) C[r] = 0.0;
  for (int32_t j = 0; j < n; ++j)
    for (int32_t p = Aptr[j]; p < Aptr[j + 1]; ++p)
      C[Aind[p]] = Arith::madd(B[j], Aval[p], C[Aind[p]]);
}

template <class Arith>
void csr_vec_mult(int32_t n, const double* Aval, const int32_t* Aind, const int32_t* Aptr,
                  const double* B, double* C) {
  for (int32_t i = 0; i < n; ++i) C[i] = 0.0;
  int32_t v = 0;
  for (int32_t i = 0; i < n; ++i) {
    double s = 0.0;
    for (int32_t q = Aptr[i]; q < Aptr[i + 1]; ++q, ++v) s = Arith::madd(B[Aind[q]], Aval[v], s);
    C[i] = s + C[i];
  }
}

template <class Arith>
void csc_vec_mult_add(int32_t n, double a, const double* Aval, const int32_t* Aind,
                      const int32_t* Aptr, const double* B, double* C) {
  for (int32_t j = 0; j < n; ++j)
    for (int32_t p = Aptr[j]; p < Aptr[j + 1]; ++p) {
      const double aB = a * B[j];
      C[Aind[p]] = Arith::madd(aB, Aval[p], C[Aind[p]]);
    }
}

template <class Arith>
void csr_vec_mult_add(int32_t n, double a, const double* Aval, const int32_t* Aind,
                      const int32_t* Aptr, const double* B, double* C) {
  int32_t v = 0;
  for (int32_t i = 0; i < n; ++i) {
    double s = 0.0;
    for (int32_t q = Aptr[i]; q < Aptr[i + 1]; ++q, ++v) {
      const double aB = a * B[Aind[q]];
      s = Arith::madd(aB, Aval[v], s);
    }
    C[i] = s + C[i];
  }
}

template <class Arith>
void csc_cmplx_vec_mult(int32_t m, int32_t n, const double* Aval, const double* AvalIm,
                        const int32_t* Aind, const int32_t* Aptr, const double* B,
                        const double* BIm, double* C, double* CIm) {
  for (int32_t r = 0; r < m; ++r) {
    C[r] = 0.0;
    CIm[r] = 0.0;
  }
  for (int32_t j = 0; j < n; ++j)
    for (int32_t p = Aptr[j]; p < Aptr[j + 1]; ++p) {
      C[Aind[p]] = term_re<Arith>(B[j], BIm[j], Aval[p], AvalIm[p]) + C[Aind[p]];
      CIm[Aind[p]] = term_im<Arith>(B[j], BIm[j], Aval[p], AvalIm[p]) + CIm[Aind[p]];
    }
}

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
    double re = 0.0, im = 0.0;
    for (int32_t q = Aptr[i]; q < Aptr[i + 1]; ++q, ++v) {
      re = re + term_re<Arith>(B[Aind[q]], BIm[Aind[q]], Aval[v], AvalIm[v]);
      im = im + term_im<Arith>(B[Aind[q]], BIm[Aind[q]], Aval[v], AvalIm[v]);
    }
    C[i] = re + C[i];
    CIm[i] = im + CIm[i];
  }
}

template <class Arith>
void csr_symm_vec_mult(int32_t n, int32_t m, const double* Aval, const int32_t* Aind,
                       const int32_t* Aptr, const double* B, double* C) {
  for (int32_t r = 0; r < m; ++r) C[r] = 0.0;
  int32_t v = 0;
  for (int32_t i = 0; i < n; ++i)
    for (int32_t q = Aptr[i]; q < Aptr[i + 1]; ++q, ++v) {
      const int32_t col = Aind[q];
      if (col == i) {
        C[i] = Arith::madd(B[i], Aval[v], C[i]);
      } else if (col > i) {
        C[col] = Arith::madd(B[i], Aval[v], C[col]);
        C[i] = Arith::madd(B[col], Aval[v], C[i]);
      }
    }
}

template <class Arith>
void csr_symm_cmplx_vec_mult(int32_t n, int32_t m, const double* Aval, const double* AvalIm,
                             const int32_t* Aind, const int32_t* Aptr, const double* B,
                             const double* BIm, double* C, double* CIm) {
  for (int32_t r = 0; r < m; ++r) {
    C[r] = 0.0;
    CIm[r] = 0.0;
  }
  int32_t v = 0;
  for (int32_t i = 0; i < n; ++i)
    for (int32_t q = Aptr[i]; q < Aptr[i + 1]; ++q, ++v) {
      const int32_t col = Aind[q];
      if (col < i) continue;
      if (col > i) {
        C[col] = term_re<Arith>(B[i], BIm[i], Aval[v], AvalIm[v]) + C[col];
        CIm[col] = term_im<Arith>(B[i], BIm[i], Aval[v], AvalIm[v]) + CIm[col];
      }
      C[i] = term_re<Arith>(B[col], BIm[col], Aval[v], AvalIm[v]) + C[i];
      CIm[i] = term_im<Arith>(B[col], BIm[col], Aval[v], AvalIm[v]) + CIm[i];
    }
}

template <class Arith>
void csc_mat_mult(int32_t m, int32_t n, int32_t k, const double* Aval, const int32_t* Aind,
                  const int32_t* Aptr, const double* B, double* C) {
  if (n == 0) return;
  const std::ptrdiff_t s = m;
  for (std::ptrdiff_t t = 0; t < s * n; ++t) C[t] = 0.0;
  for (std::ptrdiff_t col = 0; col < n; ++col)
    for (int32_t j = 0; j < k; ++j)
      for (int32_t p = Aptr[j]; p < Aptr[j + 1]; ++p)
        C[Aind[p] + col * s] = Arith::madd(B[j + col * s], Aval[p], C[Aind[p] + col * s]);
}

template <class Arith>
void csc_lower_solve(int32_t n, const double* Aval, const int32_t* Aind, const int32_t* Aptr,
                     const double* B, double* C) {
  for (int32_t i = 0; i < n; ++i) C[i] = B[i];
  for (int32_t j = 0; j < n; ++j) {
    const double x = C[j] / Aval[Aptr[j]];
    C[j] = x;
    for (int32_t p = Aptr[j] + 1; p < Aptr[j + 1]; ++p)
      C[Aind[p]] = Arith::nmsub(x, Aval[p], C[Aind[p]]);
  }
}

template <class Arith>
void csc_upper_solve(int32_t n, const double* Aval, const int32_t* Aind, const int32_t* Aptr,
                     const double* B, double* C) {
  for (int32_t i = 0; i < n; ++i) C[i] = B[i];
  for (int32_t j = n - 1; j >= 0; --j) {
    const double x = C[j] / Aval[Aptr[j + 1] - 1];
    C[j] = x;
    for (int32_t p = Aptr[j]; p < Aptr[j + 1] - 1; ++p)
      C[Aind[p]] = Arith::nmsub(x, Aval[p], C[Aind[p]]);
  }
}

template <class Arith>
void csr_lower_solve(int32_t n, const double* Aval, const int32_t* Aind, const int32_t* Aptr,
                     const double* B, double* C) {
  for (int32_t i = 0; i < n; ++i) {
    double s = 0.0, d = 0.0;
    for (int32_t p = Aptr[i]; p < Aptr[i + 1]; ++p) {
      if (Aind[p] == i)
        d = Aval[p];
      else
        s = Arith::madd(C[Aind[p]], Aval[p], s);
    }
    C[i] = (B[i] - s) / d;
  }
}

template <class Arith>
void csr_upper_solve(int32_t n, const double* Aval, const int32_t* Aind, const int32_t* Aptr,
                     const double* B, double* C) {
  for (int32_t i = n - 1; i >= 0; --i) {
    double s = 0.0;
    for (int32_t p = Aptr[i] + 1; p < Aptr[i + 1]; ++p) s = Arith::madd(C[Aind[p]], Aval[p], s);
    C[i] = (B[i] - s) / Aval[Aptr[i]];
  }
}

}  // namespace spk::bench::literal

#endif  // SPK_BENCH_LITERAL_HPP
