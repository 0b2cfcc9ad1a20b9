// Sparse column-compressed matrix times dense column-major matrix.
#ifndef SPKERNELS_PRODUCTS_MAT_MULT_HPP
#define SPKERNELS_PRODUCTS_MAT_MULT_HPP

#include <cstddef>
#include <cstdint>

#include "spkernels/access.hpp"
#include "spkernels/arith.hpp"

namespace spk {

// C = A * B, A of m rows and k columns, C of m rows and n columns. B and C share the column
// stride m: element (j, col) of B is B[j + col * m]. One full pass over A per output column;
// every output element starts from the +0.0 of the clearing and takes its terms in ascending
// column of A, then storage order. n == 0 touches nothing.
template <class Arith>
void csc_mat_mult_literal(int32_t m, int32_t n, int32_t k, const double* Aval, const int32_t* Aind,
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

// Columns col0 .. col0 + Width - 1 of the product in one pass over A: each stored entry's
// index and value are read once and update the Width output elements of its row. Every
// output element (r, col) still takes its terms in ascending column of A and storage order,
// each read from and stored to C before the next, so it gets the bits of the literal loop.
// With Prefetch, the Width output elements of the entry a distance ahead are prefetched for
// writing (large scattered matrices), while that position exists.
template <class Arith, int Width, bool Prefetch = false>
void csc_mat_mult_block(std::ptrdiff_t stride, int32_t col0, int32_t k, const double* Aval,
                        const int32_t* Aind, const int32_t* Aptr, const double* B, double* C) {
  const int64_t ahead_limit = Prefetch ? int64_t{Aptr[k]} - kPrefetchDistance : 0;
  double* C_block = C + col0 * stride;
  const double* B_block = B + col0 * stride;
  for (std::ptrdiff_t r = 0; r < Width * stride; ++r) C_block[r] = 0.0;
  for (int32_t j = 0; j < k; ++j) {
    const int32_t first = Aptr[j], end = Aptr[j + 1];
    if (first >= end) continue;
    double b[Width];
#pragma GCC unroll 16
    for (int c = 0; c < Width; ++c) b[c] = B_block[j + c * stride];
    for (int32_t p = first; p < end; ++p) {
      if (Prefetch && p < ahead_limit) {
        double* ahead = C_block + Aind[p + kPrefetchDistance];
#pragma GCC unroll 16
        for (int c = 0; c < Width; ++c) __builtin_prefetch(ahead + c * stride, 1);
      }
      double* out = C_block + Aind[p];
      const double value = Aval[p];
      // All loads, then all stores: when the stride is a multiple of 4 KiB, a load issued
      // behind a store to the column before would wait on it for nothing.
      double sum[Width];
#pragma GCC unroll 16
      for (int c = 0; c < Width; ++c) sum[c] = out[c * stride];
#pragma GCC unroll 16
      for (int c = 0; c < Width; ++c) sum[c] = Arith::madd(b[c], value, sum[c]);
#pragma GCC unroll 16
      for (int c = 0; c < Width; ++c) out[c * stride] = sum[c];
    }
  }
}

// C = A * B as csc_mat_mult_literal, several output columns per pass over A when C shares no
// storage with B, Aval, Aind or Aptr (the clearing and the passes may then be regrouped by
// columns without any read seeing a different value). The entries of Aptr are checked once
// to be non-decreasing so that the positions read are known.
template <class Arith>
void csc_mat_mult(int32_t m, int32_t n, int32_t k, const double* Aval, const int32_t* Aind,
                  const int32_t* Aptr, const double* B, double* C) {
  if (n <= 0) return;
  const std::ptrdiff_t stride = m;
  bool apart = m > 0 && k > 0;
  if (apart) {
    const Span out = span_of(C, stride * n);
    apart = !overlap(out, span_of(Aptr, std::ptrdiff_t{k} + 1)) &&
            !overlap(out, span_of(B, (n - 1) * stride + k));
    for (int32_t j = 0; apart && j < k; ++j) apart = Aptr[j] <= Aptr[j + 1];
    if (apart) {
      const std::ptrdiff_t first = Aptr[0], stored = std::ptrdiff_t{Aptr[k]} - first;
      apart = first >= 0 && !overlap(out, span_of(Aval + first, stored)) &&
              !overlap(out, span_of(Aind + first, stored));
    }
  }
  if (!apart) {
    csc_mat_mult_literal<Arith>(m, n, k, Aval, Aind, Aptr, B, C);
    return;
  }
  // A large scattered matrix sends each column's updates all over C. One output column per
  // pass keeps the C elements being updated within the caches; a block of columns multiplies
  // that working set and its updates go to memory (on 2^20 rows, one column per pass with
  // prefetching ran 2.2-3.1x the literal loop, four columns per pass 1.2x).
  if (worth_prefetching(k, Aind, Aptr)) {
    for (int32_t col = 0; col < n; ++col)
      csc_mat_mult_block<Arith, 1, true>(stride, col, k, Aval, Aind, Aptr, B, C);
    return;
  }
  // Otherwise four columns per pass: wider blocks run out of registers for the B elements and
  // sums and, with strides near a multiple of 4 KiB, out of cache ways.
  int32_t col = 0;
  for (; col + 4 <= n; col += 4) csc_mat_mult_block<Arith, 4>(stride, col, k, Aval, Aind, Aptr, B, C);
  if (col + 2 <= n) {
    csc_mat_mult_block<Arith, 2>(stride, col, k, Aval, Aind, Aptr, B, C);
    col += 2;
  }
  if (col < n) csc_mat_mult_block<Arith, 1>(stride, col, k, Aval, Aind, Aptr, B, C);
}

}  // namespace spk

#endif  // SPKERNELS_PRODUCTS_MAT_MULT_HPP
