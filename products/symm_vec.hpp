// Symmetric matrix times vector from the diagonal and upper triangle stored by rows. An entry
// above the diagonal stands for itself and its mirror and is applied twice, mirror first; an
// entry below the diagonal is passed over but still consumes its place in the value cursor.
#ifndef SPKERNELS_PRODUCTS_SYMM_VEC_HPP
#define SPKERNELS_PRODUCTS_SYMM_VEC_HPP

#include <cstdint>

#include "spkernels/access.hpp"
#include "spkernels/arith.hpp"

namespace spk {

// Rows first_row .. n - 1 of the literal loop, the value cursor standing at value.
template <class Arith>
void csr_symm_rows(int32_t first_row, int32_t n, const double* value, const int32_t* Aind,
                   const int32_t* Aptr, const double* B, double* C) {
  for (int32_t i = first_row; i < n; ++i) {
    const int32_t end = Aptr[i + 1];
    for (int32_t q = Aptr[i]; q < end; ++q, ++value) {
      const int32_t col = Aind[q];
      if (col < i) continue;
      // An upper entry updates its mirror a(col, i) first; the update of C[i] then reads
      // B[col] afresh. A diagonal entry (col == i) has only the second update.
      if (col > i) C[col] = Arith::madd(B[i], *value, C[col]);
      C[i] = Arith::madd(B[col], *value, C[i]);
    }
  }
}

// C = A * B with n rows visited and C cleared over m. Entries are classed by a signed
// comparison of column and row, so a negative column index counts as below the diagonal.
template <class Arith>
void csr_symm_vec_mult_literal(int32_t n, int32_t m, const double* Aval, const int32_t* Aind,
                       const int32_t* Aptr, const double* B, double* C) {
  for (int32_t r = 0; r < m; ++r) C[r] = 0.0;
  csr_symm_rows<Arith>(0, n, Aval, Aind, Aptr, B, C);
}

// Rows first_row .. n - 1 of the complex literal loop, the value cursor standing at v.
template <class Arith>
void csr_symm_cmplx_rows(int32_t first_row, int32_t n, int32_t v, const double* Aval,
                         const double* AvalIm, const int32_t* Aind, const int32_t* Aptr,
                         const double* B, const double* BIm, double* C, double* CIm) {
  for (int32_t i = first_row; i < n; ++i) {
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

// The complex symmetric product (A equals its transpose, the mirror is the stored value
// itself, not its conjugate). Each update forms its term from operands read afresh.
template <class Arith>
void csr_symm_cmplx_vec_mult_literal(int32_t n, int32_t m, const double* Aval, const double* AvalIm,
                             const int32_t* Aind, const int32_t* Aptr, const double* B,
                             const double* BIm, double* C, double* CIm) {
  for (int32_t r = 0; r < m; ++r) {
    C[r] = 0.0;
    CIm[r] = 0.0;
  }
  csr_symm_cmplx_rows<Arith>(0, n, 0, Aval, AvalIm, Aind, Aptr, B, BIm, C, CIm);
}

// Whether the outputs share no storage with each other or with anything the loop reads, so
// that a row may hold its own output element and input element in registers. Also needs
// Aptr[0] == 0 for one position to serve values and indices.
inline bool symm_outputs_apart(int32_t n, int32_t m, const double* const* outputs, int outs,
                               const double* const* inputs, int ins, const int32_t* Aind,
                               const int32_t* Aptr, const double* Aval, const double* AvalIm) {
  if (n <= 0 || m <= 0) return false;
  const Span index_span = span_of(Aptr, int64_t{n} + 1);
  for (int o = 0; o < outs; ++o)
    if (overlap(span_of(outputs[o], m), index_span)) return false;
  if (Aptr[0] != 0) return false;
  const int32_t stored = Aptr[n];
  for (int o = 0; o < outs; ++o) {
    const Span out = span_of(outputs[o], m);
    for (int q = 0; q < outs; ++q)
      if (q != o && overlap(out, span_of(outputs[q], m))) return false;
    for (int q = 0; q < ins; ++q)
      if (overlap(out, span_of(inputs[q], m))) return false;
    if (overlap(out, span_of(Aind, stored)) || overlap(out, span_of(Aval, stored))) return false;
    if (AvalIm && overlap(out, span_of(AvalIm, stored))) return false;
  }
  return true;
}

// C = A * B as csr_symm_vec_mult_literal, with row i's own output element C[i] and input
// element B[i] held in registers for the length of the row. Within row i only C[i] and the
// elements C[col], col > i, change, so the register is what the literal loop would read back;
// its updates keep their order. Rows from m on may store only entries below the diagonal and
// address nothing. A row whose end lies before its start hands the rest to the literal loop.
template <class Arith>
void csr_symm_rows_held(int32_t n, int32_t m, const double* Aval, const int32_t* Aind,
                        const int32_t* Aptr, const double* B, double* C) {
  const int32_t held_rows = n < m ? n : m;
  const int32_t last = Aptr[n];
  int32_t i = 0;
  for (; i < held_rows; ++i) {
    const int32_t first = Aptr[i], end = Aptr[i + 1];
    if (end < first || end > last) break;
    const double b_i = B[i];
    double c_i = C[i];
    for (int32_t q = first; q < end; ++q) {
      const int32_t col = Aind[q];
      if (col < i) continue;
      const double value = Aval[q];
      if (col > i) C[col] = Arith::madd(b_i, value, C[col]);
      c_i = Arith::madd(B[col], value, c_i);
    }
    C[i] = c_i;
  }
  // The literal loop for what is left, its cursor at position Aptr[i].
  csr_symm_rows<Arith>(i, n, Aval + Aptr[i], Aind, Aptr, B, C);
}

template <class Arith>
void csr_symm_vec_mult(int32_t n, int32_t m, const double* Aval, const int32_t* Aind,
                       const int32_t* Aptr, const double* B, double* C) {
  const double* outputs[] = {C};
  const double* inputs[] = {B};
  if (symm_outputs_apart(n, m, outputs, 1, inputs, 1, Aind, Aptr, Aval, nullptr)) {
    for (int32_t r = 0; r < m; ++r) C[r] = 0.0;
    csr_symm_rows_held<Arith>(n, m, Aval, Aind, Aptr, B, C);
    return;
  }
  csr_symm_vec_mult_literal<Arith>(n, m, Aval, Aind, Aptr, B, C);
}

// The complex symmetric product with row i's output and input elements held in registers,
// under the same conditions as csr_symm_rows_held.
template <class Arith>
void csr_symm_cmplx_rows_held(int32_t n, int32_t m, const double* Aval, const double* AvalIm,
                              const int32_t* Aind, const int32_t* Aptr, const double* B,
                              const double* BIm, double* C, double* CIm) {
  const int32_t held_rows = n < m ? n : m;
  const int32_t last = Aptr[n];
  int32_t i = 0;
  for (; i < held_rows; ++i) {
    const int32_t first = Aptr[i], end = Aptr[i + 1];
    if (end < first || end > last) break;
    const double b_re = B[i], b_im = BIm[i];
    double c_re = C[i], c_im = CIm[i];
    for (int32_t q = first; q < end; ++q) {
      const int32_t col = Aind[q];
      if (col < i) continue;
      const double a = Aval[q], b = AvalIm[q];
      if (col > i) {
        C[col] = term_re<Arith>(b_re, b_im, a, b) + C[col];
        CIm[col] = term_im<Arith>(b_re, b_im, a, b) + CIm[col];
      }
      c_re = term_re<Arith>(B[col], BIm[col], a, b) + c_re;
      c_im = term_im<Arith>(B[col], BIm[col], a, b) + c_im;
    }
    C[i] = c_re;
    CIm[i] = c_im;
  }
  csr_symm_cmplx_rows<Arith>(i, n, Aptr[i], Aval, AvalIm, Aind, Aptr, B, BIm, C, CIm);
}

template <class Arith>
void csr_symm_cmplx_vec_mult(int32_t n, int32_t m, const double* Aval, const double* AvalIm,
                             const int32_t* Aind, const int32_t* Aptr, const double* B,
                             const double* BIm, double* C, double* CIm) {
  const double* outputs[] = {C, CIm};
  const double* inputs[] = {B, BIm};
  if (symm_outputs_apart(n, m, outputs, 2, inputs, 2, Aind, Aptr, Aval, AvalIm)) {
    for (int32_t r = 0; r < m; ++r) {
      C[r] = 0.0;
      CIm[r] = 0.0;
    }
    csr_symm_cmplx_rows_held<Arith>(n, m, Aval, AvalIm, Aind, Aptr, B, BIm, C, CIm);
    return;
  }
  csr_symm_cmplx_vec_mult_literal<Arith>(n, m, Aval, AvalIm, Aind, Aptr, B, BIm, C, CIm);
}

}  // namespace spk

#endif  // SPKERNELS_PRODUCTS_SYMM_VEC_HPP
