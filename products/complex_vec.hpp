// Complex sparse matrix times complex dense vector, all split into real and imaginary arrays.
// Each stored entry contributes the complex term of Arith (term_re, term_im); nothing is ever
// conjugated.
#ifndef SPKERNELS_PRODUCTS_COMPLEX_VEC_HPP
#define SPKERNELS_PRODUCTS_COMPLEX_VEC_HPP

#include <cstdint>

#include "spkernels/access.hpp"
#include "spkernels/arith.hpp"

namespace spk {

// C + i CIm = A * (B + i BIm), A of m rows and n columns, by scatter update. Both outputs are
// cleared over m first. Each entry updates the real part, then the imaginary part, and each
// update reads every operand afresh: nothing is held from one update to the next.
template <class Arith>
void csc_cmplx_vec_mult_literal(int32_t m, int32_t n, const double* Aval, const double* AvalIm,
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

// The column loop of csc_cmplx_vec_mult_literal with B[j] and BIm[j] held for the column and
// each entry's index and value parts read once for its two updates: the same values, as long
// as C and CIm are apart from each other and from everything the loop reads. With Prefetch,
// both output elements of the entry a distance ahead are prefetched for writing.
template <class Arith, bool Prefetch>
void csc_cmplx_columns_held(int32_t n, const double* Aval, const double* AvalIm,
                            const int32_t* Aind, const int32_t* Aptr, const double* B,
                            const double* BIm, double* C, double* CIm) {
  const int64_t ahead_limit = Prefetch ? int64_t{Aptr[n]} - kPrefetchDistance : 0;
  for (int32_t j = 0; j < n; ++j) {
    const int32_t first = Aptr[j], end = Aptr[j + 1];
    if (first >= end) continue;
    const double x = B[j], y = BIm[j];
    int32_t p = first;
    if constexpr (Prefetch) {
      const int32_t ahead_end =
          end <= ahead_limit ? end : int32_t(ahead_limit > first ? ahead_limit : first);
      for (; p < ahead_end; ++p) {
        __builtin_prefetch(C + Aind[p + kPrefetchDistance], 1);
        __builtin_prefetch(CIm + Aind[p + kPrefetchDistance], 1);
        const int32_t r = Aind[p];
        const double a = Aval[p], b = AvalIm[p];
        C[r] = term_re<Arith>(x, y, a, b) + C[r];
        CIm[r] = term_im<Arith>(x, y, a, b) + CIm[r];
      }
    }
    for (; p < end; ++p) {
      const int32_t r = Aind[p];
      const double a = Aval[p], b = AvalIm[p];
      C[r] = term_re<Arith>(x, y, a, b) + C[r];
      CIm[r] = term_im<Arith>(x, y, a, b) + CIm[r];
    }
  }
}

// C + i CIm = A * (B + i BIm), A of m rows and n columns, as csc_cmplx_vec_mult_literal, by
// the held loop when the outputs are apart from each other and from every input (Aptr is
// checked once to be non-decreasing, so the positions read are known).
template <class Arith>
void csc_cmplx_vec_mult(int32_t m, int32_t n, const double* Aval, const double* AvalIm,
                        const int32_t* Aind, const int32_t* Aptr, const double* B,
                        const double* BIm, double* C, double* CIm) {
  bool apart = m > 0 && n > 0;
  const Span re = span_of(C, m), im = span_of(CIm, m);
  if (apart) {
    const Span starts = span_of(Aptr, int64_t{n} + 1);
    apart = !overlap(re, im) && !overlap(re, starts) && !overlap(im, starts);
    for (const double* in : {B, BIm})
      apart = apart && !overlap(re, span_of(in, n)) && !overlap(im, span_of(in, n));
  }
  for (int32_t j = 0; apart && j < n; ++j) apart = Aptr[j] <= Aptr[j + 1];
  if (apart) {
    const int32_t lo = Aptr[0], stored = Aptr[n] - Aptr[0];
    apart = lo >= 0;
    if (apart) {
      const Span values = span_of(Aval + lo, stored), values_im = span_of(AvalIm + lo, stored),
                 indices = span_of(Aind + lo, stored);
      for (const Span out : {re, im})
        apart = apart && !overlap(out, values) && !overlap(out, values_im) &&
                !overlap(out, indices);
    }
  }
  if (!apart) {
    csc_cmplx_vec_mult_literal<Arith>(m, n, Aval, AvalIm, Aind, Aptr, B, BIm, C, CIm);
    return;
  }
  for (int32_t r = 0; r < m; ++r) {
    C[r] = 0.0;
    CIm[r] = 0.0;
  }
  if (worth_prefetching(n, Aind, Aptr))
    csc_cmplx_columns_held<Arith, true>(n, Aval, AvalIm, Aind, Aptr, B, BIm, C, CIm);
  else
    csc_cmplx_columns_held<Arith, false>(n, Aval, AvalIm, Aind, Aptr, B, BIm, C, CIm);
}

// Rows first_row .. n - 1 of the literal loop below, the value cursor standing at v: two
// gathered row sums, each added to its output element.
template <class Arith>
void csr_cmplx_rows(int32_t first_row, int32_t n, int32_t v, const double* Aval,
                    const double* AvalIm, const int32_t* Aind, const int32_t* Aptr,
                    const double* B, const double* BIm, double* C, double* CIm) {
  for (int32_t i = first_row; i < n; ++i) {
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

// C + i CIm = A * (B + i BIm), A of n rows, by two gathered row sums. m is never read. Values
// come through one cursor from Aval[0] and AvalIm[0]; indices from the positions Aptr gives.
template <class Arith>
void csr_cmplx_vec_mult_literal(int32_t n, const double* Aval, const double* AvalIm,
                        const int32_t* Aind, const int32_t* Aptr, const double* B,
                        const double* BIm, double* C, double* CIm) {
  for (int32_t i = 0; i < n; ++i) {
    C[i] = 0.0;
    CIm[i] = 0.0;
  }
  csr_cmplx_rows<Arith>(0, n, 0, Aval, AvalIm, Aind, Aptr, B, BIm, C, CIm);
}

// C + i CIm = A * (B + i BIm) as csr_cmplx_vec_mult_literal, without the clearing pass: each
// output element is written once, as row_sum + 0.0, the value the literal loop stores into a
// cleared element, and values and indices share one position. Valid while no input element
// read aliases an output; the first that would, or a row whose end lies before its start,
// hands the rest of the call to the literal loop after clearing what is not yet written.
template <class Arith, bool Guarded>
void csr_cmplx_vec_mult_once(int32_t n, const double* Aval, const double* AvalIm,
                             const int32_t* Aind, const int32_t* Aptr, const double* B,
                             const double* BIm, double* C, double* CIm) {
  const SlotGuard real_out(C, n), imag_out(CIm, n);
  const int32_t last = Aptr[n];
  int32_t i = 0;
  for (; i < n; ++i) {
    const int32_t first = Aptr[i], end = Aptr[i + 1];
    if (end < first || end > last) break;
    double sum_re = 0.0, sum_im = 0.0;
    int32_t q = first;
    for (; q < end; ++q) {
      const int32_t col = Aind[q];
      const double* x = B + col;
      const double* y = BIm + col;
      if (Guarded &&
          (real_out.hits(x) | real_out.hits(y) | imag_out.hits(x) | imag_out.hits(y)))
        break;
      sum_re = sum_re + term_re<Arith>(*x, *y, Aval[q], AvalIm[q]);
      sum_im = sum_im + term_im<Arith>(*x, *y, Aval[q], AvalIm[q]);
    }
    if (q < end) break;
    C[i] = sum_re + 0.0;
    CIm[i] = sum_im + 0.0;
  }
  if (i == n) return;
  for (int32_t r = i; r < n; ++r) {
    C[r] = 0.0;
    CIm[r] = 0.0;
  }
  csr_cmplx_rows<Arith>(i, n, Aptr[i], Aval, AvalIm, Aind, Aptr, B, BIm, C, CIm);
}

// The complex product by the fastest schedule that gives the literal loop's bits; extent, when
// positive, is the caller's promise that every column index lies below it, which may spare
// the aliasing check of every gathered element.
template <class Arith>
void csr_cmplx_vec_mult_dispatch(int32_t extent, int32_t n, const double* Aval,
                                 const double* AvalIm, const int32_t* Aind, const int32_t* Aptr,
                                 const double* B, const double* BIm, double* C, double* CIm) {
  if (n <= 0) return;
  const Span re = span_of(C, n), im = span_of(CIm, n), starts = span_of(Aptr, int64_t{n} + 1);
  if (!overlap(re, im) && !overlap(re, starts) && !overlap(im, starts) && Aptr[0] == 0) {
    const int32_t stored = Aptr[n];
    const Span values = span_of(Aval, stored), values_im = span_of(AvalIm, stored),
               indices = span_of(Aind, stored);
    if (!overlap(re, values) && !overlap(re, values_im) && !overlap(re, indices) &&
        !overlap(im, values) && !overlap(im, values_im) && !overlap(im, indices)) {
      if (gathered_apart(B, extent, C, n) && gathered_apart(B, extent, CIm, n) &&
          gathered_apart(BIm, extent, C, n) && gathered_apart(BIm, extent, CIm, n))
        csr_cmplx_vec_mult_once<Arith, false>(n, Aval, AvalIm, Aind, Aptr, B, BIm, C, CIm);
      else
        csr_cmplx_vec_mult_once<Arith, true>(n, Aval, AvalIm, Aind, Aptr, B, BIm, C, CIm);
      return;
    }
  }
  csr_cmplx_vec_mult_literal<Arith>(n, Aval, AvalIm, Aind, Aptr, B, BIm, C, CIm);
}

// C + i CIm = A * (B + i BIm), A of n rows and m columns: m bounds the column indices.
template <class Arith>
void csr_cmplx_vec_mult(int32_t m, int32_t n, const double* Aval, const double* AvalIm,
                        const int32_t* Aind, const int32_t* Aptr, const double* B,
                        const double* BIm, double* C, double* CIm) {
  csr_cmplx_vec_mult_dispatch<Arith>(m, n, Aval, AvalIm, Aind, Aptr, B, BIm, C, CIm);
}

// The same without the column extent: every gathered element that could alias an output is
// checked.
template <class Arith>
void csr_cmplx_vec_mult(int32_t n, const double* Aval, const double* AvalIm,
                        const int32_t* Aind, const int32_t* Aptr, const double* B,
                        const double* BIm, double* C, double* CIm) {
  csr_cmplx_vec_mult_dispatch<Arith>(0, n, Aval, AvalIm, Aind, Aptr, B, BIm, C, CIm);
}

}  // namespace spk

#endif  // SPKERNELS_PRODUCTS_COMPLEX_VEC_HPP
