// Real sparse matrix times dense vector. The CSC kernels scatter each stored entry's term
// straight into the output element it addresses; the CSR kernels gather a row's terms into a
// local sum and add that to the output once. The two orders give different bits.
//
// Each kernel has its literal loop (the *_literal functions) and an entry that may run a
// faster schedule of exactly the same operations, chosen by a cheap test: the same terms,
// grouped the same way, summed in the same order, so every result keeps its bits.
#ifndef SPKERNELS_PRODUCTS_REAL_VEC_HPP
#define SPKERNELS_PRODUCTS_REAL_VEC_HPP

#include <algorithm>
#include <cstdint>

#include "spkernels/access.hpp"
#include "spkernels/arith.hpp"

namespace spk {

// ---- CSC: scatter update -------------------------------------------------------------------

// C = A * B, A of m rows and n columns. C is cleared over m elements whatever n is, and
// the clearing is complete before B or A is read.
template <class Arith>
void csc_vec_mult_literal(int32_t m, int32_t n, const double* Aval, const int32_t* Aind,
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

// The scatter loop with B[j] (and a * B[j]) formed once per column instead of once per entry,
// which gives the same value when B does not alias C. With Prefetch, C[Aind[p + distance]]
// is prefetched for writing while that position exists (large scattered matrices). Identical
// operations in identical order.
template <class Arith, bool Scaled, bool Prefetch>
void csc_scatter_held(int32_t n, double a, const double* Aval, const int32_t* Aind,
                      const int32_t* Aptr, const double* B, double* C) {
  const int64_t ahead_limit = Prefetch ? int64_t{Aptr[n]} - kPrefetchDistance : 0;
  for (int32_t j = 0; j < n; ++j) {
    const int32_t first = Aptr[j], end = Aptr[j + 1];
    if (first >= end) continue;
    double factor = B[j];
    if constexpr (Scaled) factor = a * factor;
    int32_t p = first;
    if constexpr (Prefetch) {
      const int32_t ahead_end = end <= ahead_limit ? end : int32_t(std::max<int64_t>(first, ahead_limit));
      for (; p < ahead_end; ++p) {
        __builtin_prefetch(C + Aind[p + kPrefetchDistance], 1);
        const int32_t r = Aind[p];
        C[r] = Arith::madd(factor, Aval[p], C[r]);
      }
    }
    for (; p < end; ++p) {
      const int32_t r = Aind[p];
      C[r] = Arith::madd(factor, Aval[p], C[r]);
    }
  }
}

template <class Arith>
void csc_vec_mult(int32_t m, int32_t n, const double* Aval, const int32_t* Aind,
                  const int32_t* Aptr, const double* B, double* C) {
  // The clearing must not reach Aptr; B[j] may be held when no element of B aliases C.
  const Span out = span_of(C, m);
  if (m > 0 && n > 0 && !overlap(out, span_of(Aptr, int64_t{n} + 1)) &&
      !overlap(out, span_of(B, n))) {
    const bool prefetch = worth_prefetching(n, Aind, Aptr);
    for (int32_t r = 0; r < m; ++r) C[r] = 0.0;
    if (prefetch)
      csc_scatter_held<Arith, false, true>(n, 1.0, Aval, Aind, Aptr, B, C);
    else
      csc_scatter_held<Arith, false, false>(n, 1.0, Aval, Aind, Aptr, B, C);
    return;
  }
  csc_vec_mult_literal<Arith>(m, n, Aval, Aind, Aptr, B, C);
}

// C = a * A * B + C. Each term is (a * B[j]) * Aval[p]: the scale meets B first, and never a
// column's contribution as a whole. m is not read; C is not cleared.
template <class Arith>
void csc_vec_mult_add_literal(int32_t n, double a, const double* Aval, const int32_t* Aind,
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

// C = a * A * B + C by the fastest schedule that gives the literal loop's bits. extent, when
// positive, is the caller's promise that every row index lies below it: then, if B lies
// apart from C[0 .. extent - 1], B[j] may be held for the column.
template <class Arith>
void csc_vec_mult_add(int32_t extent, int32_t n, double a, const double* Aval,
                      const int32_t* Aind, const int32_t* Aptr, const double* B, double* C) {
  const Span out = span_of(C, extent);
  if (n > 0 && extent > 0 && !overlap(out, span_of(B, n))) {
    // The prefetch bound is read once, so Aptr must stay put under the stores.
    const bool prefetch =
        !overlap(out, span_of(Aptr, int64_t{n} + 1)) && worth_prefetching(n, Aind, Aptr);
    if (prefetch)
      csc_scatter_held<Arith, true, true>(n, a, Aval, Aind, Aptr, B, C);
    else
      csc_scatter_held<Arith, true, false>(n, a, Aval, Aind, Aptr, B, C);
    return;
  }
  csc_vec_mult_add_literal<Arith>(n, a, Aval, Aind, Aptr, B, C);
}

// The same without the row extent: the literal loop.
template <class Arith>
void csc_vec_mult_add(int32_t n, double a, const double* Aval, const int32_t* Aind,
                      const int32_t* Aptr, const double* B, double* C) {
  csc_vec_mult_add_literal<Arith>(n, a, Aval, Aind, Aptr, B, C);
}

// ---- CSR: gathered sum ---------------------------------------------------------------------

// Rows first_row .. n - 1 of the literal loop, the value cursor standing at value.
template <class Arith>
void csr_rows(int32_t first_row, int32_t n, const double* value, const int32_t* Aind,
              const int32_t* Aptr, const double* B, double* C) {
  for (int32_t i = first_row; i < n; ++i) {
    double row_sum = 0.0;
    const int32_t end = Aptr[i + 1];
    for (int32_t q = Aptr[i]; q < end; ++q) row_sum = Arith::madd(B[Aind[q]], *value++, row_sum);
    C[i] = row_sum + C[i];
  }
}

// C = A * B, A of n rows. Values are read through a cursor that starts at Aval[0] and moves
// one place per stored entry, indices at the positions Aptr gives. Nothing is touched when
// n == 0; otherwise C is cleared first and each C[i] becomes row_sum + C[i].
template <class Arith>
void csr_vec_mult_literal(int32_t n, const double* Aval, const int32_t* Aind,
                          const int32_t* Aptr, const double* B, double* C) {
  for (int32_t i = 0; i < n; ++i) C[i] = 0.0;
  csr_rows<Arith>(0, n, Aval, Aind, Aptr, B, C);
}

// Adds the terms of positions first .. end - 1 to sum, in order, one position serving values
// and indices: B[Aind[q]] * Aval[q], or with Scaled (a * B[Aind[q]]) * Aval[q]. With Prefetch
// the B element Aind[q + distance] is prefetched (the caller makes sure that position
// exists). When Guarded, returns false, leaving sum undefined, on meeting a B element that
// aliases the guarded range.
template <class Arith, bool Scaled, bool Prefetch, bool Guarded>
inline bool csr_add_terms(int32_t first, int32_t end, double a, const double* Aval,
                          const int32_t* Aind, const double* B, const SlotGuard& guard,
                          double& sum) {
  double row_sum = sum;
  for (int32_t q = first; q < end; ++q) {
    if constexpr (Prefetch) __builtin_prefetch(B + Aind[q + kPrefetchDistance]);
    const double* b = B + Aind[q];
    if (Guarded && guard.hits(b)) return false;
    double factor = *b;
    if constexpr (Scaled) factor = a * factor;
    row_sum = Arith::madd(factor, Aval[q], row_sum);
  }
  sum = row_sum;
  return true;
}

// The same rows without the clearing pass: each C[i] is written once, as row_sum + 0.0, the
// value the literal loop stores into a cleared element. Values and indices share one position
// (the cursor equals it while Aptr starts at 0 and does not go backwards). Valid as long as no
// B element read aliases C: unless the caller has ruled that out by where B and C lie, every
// B element is checked (Guarded), and the first that would alias, or a row whose end lies
// before its start, hands the rest of the call to the literal loop, which first clears what is
// not yet written: at that point C and the cursor are exactly as the literal loop would have
// them.
template <class Arith, bool Guarded, bool Prefetch>
void csr_vec_mult_once(int32_t n, const double* Aval, const int32_t* Aind, const int32_t* Aptr,
                       const double* B, double* C) {
  const SlotGuard output(C, n);
  const int32_t last = Aptr[n];
  const int64_t ahead_limit = int64_t{last} - kPrefetchDistance;
  int32_t i = 0;
  for (; i < n; ++i) {
    const int32_t first = Aptr[i], end = Aptr[i + 1];
    if (end < first || end > last) break;
    // Prefetching stops where the position a distance ahead would run past the last entry.
    if (Prefetch && end > ahead_limit) break;
    double row_sum = 0.0;
    if (!csr_add_terms<Arith, false, Prefetch, Guarded>(first, end, 1.0, Aval, Aind, B, output,
                                                        row_sum))
      break;
    C[i] = row_sum + 0.0;
  }
  if constexpr (Prefetch) {
    if (i < n && Aptr[i] <= Aptr[i + 1] && Aptr[i + 1] <= last) {
      // The last rows, without prefetching; Aptr + i and C + i keep positions absolute.
      csr_vec_mult_once<Arith, Guarded, false>(n - i, Aval, Aind, Aptr + i, B, C + i);
      return;
    }
  }
  if (i < n) {
    for (int32_t r = i; r < n; ++r) C[r] = 0.0;
    csr_rows<Arith>(i, n, Aval + Aptr[i], Aind, Aptr, B, C);
  }
}

// Rows summed side by side. A row's sum is one chain of dependent additions, so a long row
// held in cache runs at the latency of an addition, not at the speed of the loads. Summing
// four rows at once gives the core four independent chains; each row's sum is still built
// from its own entries in its own order, so every result keeps its bits. Rows of a few
// entries gain nothing (the row boundaries cost more than the chains save): the callers take
// this schedule when rows hold at least kLongRows entries on average. Measured in cache, with
// loops aligned: 1.2-1.3x the one-row loop on rows of 20-30 entries, 1.4-1.8x on 80; eight
// rows at once gained less, and rows of 11-13 entries lost 10 %.
inline constexpr int32_t kLongRows = 16;
inline constexpr int kRowsSideBySide = 4;

inline bool long_rows(int32_t n, const int32_t* Aptr) {
  return int64_t{Aptr[n]} - Aptr[0] >= int64_t{kLongRows} * n;
}

// The sums of the rows that start at row_ptr[0 .. kRowsSideBySide - 1]: their common length
// side by side, then the rest of each row on its own. Returns false, with sum undefined, if a
// row's end lies before its start or past last, or (Guarded) a B element read aliases the
// guarded range.
template <class Arith, bool Scaled, bool Guarded>
inline bool csr_block_sums(const int32_t* row_ptr, int32_t last, double a, const double* Aval,
                           const int32_t* Aind, const double* B, const SlotGuard& guard,
                           double (&sum)[kRowsSideBySide]) {
  constexpr int Rows = kRowsSideBySide;
  int32_t first[Rows], length[Rows];
  int32_t common = last;
  for (int r = 0; r < Rows; ++r) {
    first[r] = row_ptr[r];
    const int32_t end = row_ptr[r + 1];
    if (end < first[r] || end > last) return false;
    length[r] = end - first[r];
    common = std::min(common, length[r]);
  }
  // Local sums, which no store through C can reach, stay in registers.
  double row_sum[Rows] = {};
  for (int32_t t = 0; t < common; ++t) {
    for (int r = 0; r < Rows; ++r) {
      const int32_t q = first[r] + t;
      const double* b = B + Aind[q];
      if (Guarded && guard.hits(b)) return false;
      double factor = *b;
      if constexpr (Scaled) factor = a * factor;
      row_sum[r] = Arith::madd(factor, Aval[q], row_sum[r]);
    }
  }
  for (int r = 0; r < Rows; ++r) {
    sum[r] = row_sum[r];
    if (!csr_add_terms<Arith, Scaled, false, Guarded>(first[r] + common, first[r] + length[r], a,
                                                      Aval, Aind, B, guard, sum[r]))
      return false;
  }
  return true;
}

// Rows 0 .. n - 1 of a single-pass schedule, kRowsSideBySide at a time, one position serving
// values and indices: C[i] becomes row_sum + C[i] with Scaled (the product that accumulates)
// and row_sum + 0.0 otherwise (the value the literal loop stores into a cleared element).
// Nothing of a block is stored until all its sums are formed, so the caller must rule out C
// overlapping Aptr, Aval or Aind; a B element that aliases C is caught by the guard unless
// the caller has ruled it out (Guarded false). Returns the first row not done (where a test
// failed, or the last rows that do not fill a block) for the caller to take one at a time.
template <class Arith, bool Scaled, bool Guarded>
int32_t csr_rows_side_by_side(int32_t n, double a, const double* Aval, const int32_t* Aind,
                              const int32_t* Aptr, const double* B, double* C) {
  constexpr int Rows = kRowsSideBySide;
  const SlotGuard output(C, n);
  const int32_t last = Aptr[n];
  int32_t i = 0;
  for (; i <= n - Rows; i += Rows) {
    double sum[Rows];
    if (!csr_block_sums<Arith, Scaled, Guarded>(Aptr + i, last, a, Aval, Aind, B, output, sum))
      break;
    for (int r = 0; r < Rows; ++r) C[i + r] = sum[r] + (Scaled ? C[i + r] : 0.0);
  }
  return i;
}

// C = A * B, A of n rows, by the fastest schedule that gives the literal loop's bits. extent,
// when positive, is the caller's promise that every column index lies below it; it only
// spares the check of each gathered element for aliasing with C.
template <class Arith>
void csr_vec_mult_dispatch(int32_t extent, int32_t n, const double* Aval, const int32_t* Aind,
                           const int32_t* Aptr, const double* B, double* C) {
  if (n <= 0) return;
  // A few rows cost less than the tests below.
  if (n < kFewVectors) {
    csr_vec_mult_literal<Arith>(n, Aval, Aind, Aptr, B, C);
    return;
  }
  // The cursor equals the position only from Aptr[0] == 0, and only while Aptr, Aval and Aind
  // are not being cleared or rewritten under the loop.
  if (Aptr[0] == 0 && !overlap(span_of(C, n), span_of(Aptr, int64_t{n} + 1))) {
    const int32_t stored = Aptr[n];
    const Span out = span_of(C, n);
    if (!overlap(out, span_of(Aval, stored)) && !overlap(out, span_of(Aind, stored))) {
      const bool prefetch = worth_prefetching(n, Aind, Aptr);
      const bool apart = gathered_apart(B, extent, C, n);
      if (!prefetch && long_rows(n, Aptr)) {
        // The rows not taken side by side go one at a time; Aptr + done and C + done keep
        // positions absolute.
        const int32_t done =
            apart ? csr_rows_side_by_side<Arith, false, false>(n, 1.0, Aval, Aind, Aptr, B, C)
                  : csr_rows_side_by_side<Arith, false, true>(n, 1.0, Aval, Aind, Aptr, B, C);
        if (apart) csr_vec_mult_once<Arith, false, false>(n - done, Aval, Aind, Aptr + done, B, C + done);
        else csr_vec_mult_once<Arith, true, false>(n - done, Aval, Aind, Aptr + done, B, C + done);
        return;
      }
      if (apart && prefetch) csr_vec_mult_once<Arith, false, true>(n, Aval, Aind, Aptr, B, C);
      else if (apart) csr_vec_mult_once<Arith, false, false>(n, Aval, Aind, Aptr, B, C);
      else if (prefetch) csr_vec_mult_once<Arith, true, true>(n, Aval, Aind, Aptr, B, C);
      else csr_vec_mult_once<Arith, true, false>(n, Aval, Aind, Aptr, B, C);
      return;
    }
  }
  csr_vec_mult_literal<Arith>(n, Aval, Aind, Aptr, B, C);
}

// C = A * B, A of n rows and m columns: m bounds the column indices (the caller's contract).
template <class Arith>
void csr_vec_mult(int32_t m, int32_t n, const double* Aval, const int32_t* Aind,
                  const int32_t* Aptr, const double* B, double* C) {
  csr_vec_mult_dispatch<Arith>(m, n, Aval, Aind, Aptr, B, C);
}

// The same without the column extent: every gathered element that could alias C is checked.
template <class Arith>
void csr_vec_mult(int32_t n, const double* Aval, const int32_t* Aind, const int32_t* Aptr,
                  const double* B, double* C) {
  csr_vec_mult_dispatch<Arith>(0, n, Aval, Aind, Aptr, B, C);
}

// C = a * A * B + C, A of n rows. The scale is applied to each term before it enters the row
// sum; the finished sum is added to C[i] for every row, so an empty row turns -0.0 into +0.0.
template <class Arith>
void csr_add_rows(int32_t first_row, int32_t n, double a, const double* value,
                  const int32_t* Aind, const int32_t* Aptr, const double* B, double* C) {
  for (int32_t i = first_row; i < n; ++i) {
    double row_sum = 0.0;
    const int32_t end = Aptr[i + 1];
    for (int32_t q = Aptr[i]; q < end; ++q) {
      const double aB = a * B[Aind[q]];
      row_sum = Arith::madd(aB, *value++, row_sum);
    }
    C[i] = row_sum + C[i];
  }
}

template <class Arith>
void csr_vec_mult_add_literal(int32_t n, double a, const double* Aval, const int32_t* Aind,
                              const int32_t* Aptr, const double* B, double* C) {
  csr_add_rows<Arith>(0, n, a, Aval, Aind, Aptr, B, C);
}

// The same loop with one position for values and indices. B may alias C: each row still
// reads its B elements before it rewrites C[i], exactly as the literal loop does. A row
// whose end lies before its start hands the rest to the literal loop.
template <class Arith, bool Prefetch>
void csr_vec_mult_add_indexed(int32_t n, double a, const double* Aval, const int32_t* Aind,
                              const int32_t* Aptr, const double* B, double* C) {
  const int32_t last = Aptr[n];
  const int64_t ahead_limit = int64_t{last} - kPrefetchDistance;
  const SlotGuard unguarded(C, 0);  // B may alias C here, as in the literal loop
  int32_t i = 0;
  for (; i < n; ++i) {
    const int32_t first = Aptr[i], end = Aptr[i + 1];
    if (end < first || end > last) break;
    if (Prefetch && end > ahead_limit) break;
    double row_sum = 0.0;
    csr_add_terms<Arith, true, Prefetch, false>(first, end, a, Aval, Aind, B, unguarded, row_sum);
    C[i] = row_sum + C[i];
  }
  if constexpr (Prefetch) {
    if (i < n && Aptr[i] <= Aptr[i + 1] && Aptr[i + 1] <= last) {
      csr_vec_mult_add_indexed<Arith, false>(n - i, a, Aval, Aind, Aptr + i, B, C + i);
      return;
    }
  }
  if (i < n) csr_add_rows<Arith>(i, n, a, Aval + Aptr[i], Aind, Aptr, B, C);
}

template <class Arith>
void csr_vec_mult_add(int32_t n, double a, const double* Aval, const int32_t* Aind,
                      const int32_t* Aptr, const double* B, double* C) {
  if (n <= 0) return;
  if (n < kFewVectors) {
    csr_vec_mult_add_literal<Arith>(n, a, Aval, Aind, Aptr, B, C);
    return;
  }
  const Span out = span_of(C, n);
  if (Aptr[0] == 0 && !overlap(out, span_of(Aptr, int64_t{n} + 1))) {
    if (worth_prefetching(n, Aind, Aptr)) {
      csr_vec_mult_add_indexed<Arith, true>(n, a, Aval, Aind, Aptr, B, C);
      return;
    }
    // Side by side, a row reads its B elements before the rows ahead of it in its block have
    // stored: valid while C lies apart from the matrix arrays and from every B element read.
    // m is not read, so only B starting past the end of C proves the latter; checking each B
    // element instead cost more than the schedule gains (0.85x the one-row loop).
    int32_t done = 0;
    const int32_t stored = Aptr[n];
    if (long_rows(n, Aptr) && gathered_apart(B, 0, C, n) && !overlap(out, span_of(Aval, stored)) &&
        !overlap(out, span_of(Aind, stored)))
      done = csr_rows_side_by_side<Arith, true, false>(n, a, Aval, Aind, Aptr, B, C);
    // Aptr + done and C + done keep positions absolute.
    csr_vec_mult_add_indexed<Arith, false>(n - done, a, Aval, Aind, Aptr + done, B, C + done);
    return;
  }
  csr_vec_mult_add_literal<Arith>(n, a, Aval, Aind, Aptr, B, C);
}

}  // namespace spk

#endif  // SPKERNELS_PRODUCTS_REAL_VEC_HPP
