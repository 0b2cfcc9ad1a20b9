// Triangular solves A * C = B with A column-compressed: copy B into C, then eliminate column
// by column in C. The divisor is taken by its position in the column, never by its row index.
#ifndef SPKERNELS_SOLVERS_CSC_TRIANGULAR_HPP
#define SPKERNELS_SOLVERS_CSC_TRIANGULAR_HPP

#include <cstdint>

#include "spkernels/access.hpp"
#include "spkernels/arith.hpp"

namespace spk {

// One column of the sweep: x = C[j] / divisor is stored into C[j], then every other entry of
// the column, positions [others, others_end), updates C[r] = C[r] - x * Aval[p], each stored
// before the next.
template <class Arith>
inline void csc_eliminate(int32_t j, double divisor, int32_t others, int32_t others_end,
                          const double* Aval, const int32_t* Aind, double* C) {
  const double x = C[j] / divisor;
  C[j] = x;
  for (int32_t p = others; p < others_end; ++p) C[Aind[p]] = Arith::nmsub(x, Aval[p], C[Aind[p]]);
}

// A column that stores nothing has no divisor: it is solved as if its divisor were +0.0 and
// makes no updates, so no value outside the column is ever read.
inline void csc_no_divisor(int32_t j, double* C) { C[j] = C[j] / 0.0; }

// Forward substitution, columns ascending; the divisor is the first stored entry of the column.
template <class Arith>
void csc_lower_solve_literal(int32_t n, const double* Aval, const int32_t* Aind, const int32_t* Aptr,
                     const double* B, double* C) {
  for (int32_t i = 0; i < n; ++i) C[i] = B[i];
  for (int32_t j = 0; j < n; ++j) {
    const int32_t first = Aptr[j], end = Aptr[j + 1];
    if (first < end)
      csc_eliminate<Arith>(j, Aval[first], first + 1, end, Aval, Aind, C);
    else
      csc_no_divisor(j, C);
  }
}

// Backward substitution, columns descending; the divisor is the last stored entry of the column.
template <class Arith>
void csc_upper_solve_literal(int32_t n, const double* Aval, const int32_t* Aind, const int32_t* Aptr,
                     const double* B, double* C) {
  for (int32_t i = 0; i < n; ++i) C[i] = B[i];
  // Returning first for n <= 0 keeps n - 1 from overflowing for the most negative n.
  if (n <= 0) return;
  for (int32_t j = n - 1; j >= 0; --j) {
    const int32_t first = Aptr[j], end = Aptr[j + 1];
    if (first < end)
      csc_eliminate<Arith>(j, Aval[end - 1], first, end - 1, Aval, Aind, C);
    else
      csc_no_divisor(j, C);
  }
}

// The same sweeps with the component that the next column divides held in a register: while
// column j makes its updates, the new value of C[j + 1] (C[j - 1] in the upper solve) is kept
// as it is stored, so that the next division need not wait for it to come back from memory.
// Every store of the literal loop still happens, in the same order, and the register always
// equals the element in memory (the only stores are to elements of C, and the tracked one is
// caught by its index), so this holds for any operands, B and C the same array included.
// Columns with more entries than this besides the divisor are updated without tracking.
inline constexpr int32_t kHeldColumnLength = 4;

template <class Arith, bool Lower>
void csc_solve_held(int32_t n, const double* Aval, const int32_t* Aind, const int32_t* Aptr,
                    const double* B, double* C) {
  for (int32_t i = 0; i < n; ++i) C[i] = B[i];
  if (n <= 0) return;
  int32_t j = Lower ? 0 : n - 1;
  double held = C[j];
  for (int32_t step = 0; step < n; ++step, j += Lower ? 1 : -1) {
    const int32_t next = Lower ? j + 1 : j - 1;
    const int32_t first = Aptr[j], end = Aptr[j + 1];
    double x;
    int32_t others, others_end;
    if (first < end) {
      x = held / (Lower ? Aval[first] : Aval[end - 1]);
      others = Lower ? first + 1 : first;
      others_end = Lower ? end : end - 1;
    } else {
      x = held / 0.0;  // no divisor stored: as csc_no_divisor
      others = others_end = 0;
    }
    C[j] = x;
    const bool has_next = Lower ? next < n : next >= 0;
    if (others_end - others > kHeldColumnLength) {
      // A long column: its updates hide the wait for the next component, so the loop stays
      // as lean as the literal one and the component is read back afterwards.
      for (int32_t p = others; p < others_end; ++p)
        C[Aind[p]] = Arith::nmsub(x, Aval[p], C[Aind[p]]);
      held = has_next ? C[next] : 0.0;
      continue;
    }
    double held_next = has_next ? C[next] : 0.0;
    for (int32_t p = others; p < others_end; ++p) {
      const int32_t r = Aind[p];
      const double updated = Arith::nmsub(x, Aval[p], C[r]);
      C[r] = updated;
      if (__builtin_expect(r == next, 0)) held_next = updated;
    }
    held = held_next;
  }
}

// The literal sweeps with the element that the update a distance ahead writes prefetched
// for writing (see AheadOfVectors). On a large scattered matrix almost every update misses
// the caches; the prefetches put those misses in flight early. Prefetching changes no value,
// so this holds for any operands.
template <class Arith, bool Lower>
void csc_solve_prefetched(int32_t n, const double* Aval, const int32_t* Aind,
                          const int32_t* Aptr, const double* B, double* C) {
  if (n <= 0) return;
  // Bounds taken before the copy into C, which may overwrite Aptr.
  const AheadOfVectors<Lower> ahead(n, Aptr);
  for (int32_t i = 0; i < n; ++i) C[i] = B[i];
  for (int32_t step = 0, j = Lower ? 0 : n - 1; step < n; ++step, j += Lower ? 1 : -1) {
    const int32_t first = Aptr[j], end = Aptr[j + 1];
    if (first >= end) {
      csc_no_divisor(j, C);
      continue;
    }
    const int32_t others = Lower ? first + 1 : first, others_end = Lower ? end : end - 1;
    const double x = C[j] / (Lower ? Aval[first] : Aval[end - 1]);
    C[j] = x;
    const bool prefetch = ahead.covers(first, end);
    for (int32_t p = others; p < others_end; ++p) {
      if (prefetch) __builtin_prefetch(C + Aind[p + ahead.step], 1);
      C[Aind[p]] = Arith::nmsub(x, Aval[p], C[Aind[p]]);
    }
  }
}

// Forward substitution, columns ascending; the divisor is the first stored entry of the column.
template <class Arith>
void csc_lower_solve(int32_t n, const double* Aval, const int32_t* Aind, const int32_t* Aptr,
                     const double* B, double* C) {
  if (n > 0 && worth_prefetching(n, Aind, Aptr))
    csc_solve_prefetched<Arith, true>(n, Aval, Aind, Aptr, B, C);
  else
    csc_solve_held<Arith, true>(n, Aval, Aind, Aptr, B, C);
}

// Backward substitution, columns descending; the divisor is the last stored entry of the column.
template <class Arith>
void csc_upper_solve(int32_t n, const double* Aval, const int32_t* Aind, const int32_t* Aptr,
                     const double* B, double* C) {
  if (n > 0 && worth_prefetching(n, Aind, Aptr))
    csc_solve_prefetched<Arith, false>(n, Aval, Aind, Aptr, B, C);
  else
    csc_solve_held<Arith, false>(n, Aval, Aind, Aptr, B, C);
}

}  // namespace spk

#endif  // SPKERNELS_SOLVERS_CSC_TRIANGULAR_HPP
