// Triangular solves A * C = B with A row-compressed: one local sum per row, in storage order,
// and C[i] = (B[i] - row_sum) / divisor written once. C is read only where already solved, so
// B and C may be the same array.
#ifndef SPKERNELS_SOLVERS_CSR_TRIANGULAR_HPP
#define SPKERNELS_SOLVERS_CSR_TRIANGULAR_HPP

#include <cstdint>

#include "spkernels/access.hpp"
#include "spkernels/arith.hpp"

namespace spk {

// Forward substitution, rows ascending. The divisor is found by its column index wherever it
// stands in the row (the last one if stored twice) and never enters the sum; a row without it
// divides by +0.0. With Prefetch, the component read a distance ahead in the sweep is
// prefetched (see AheadOfVectors); no value changes.
template <class Arith, bool Prefetch = false>
void csr_lower_solve_literal(int32_t n, const double* Aval, const int32_t* Aind, const int32_t* Aptr,
                     const double* B, double* C) {
  const auto ahead = Prefetch ? AheadOfVectors<true>(n, Aptr) : AheadOfVectors<true>();
  for (int32_t i = 0; i < n; ++i) {
    double row_sum = 0.0, divisor = 0.0;
    const int32_t first = Aptr[i], end = Aptr[i + 1];
    const bool prefetch = Prefetch && ahead.covers(first, end);
    for (int32_t p = first; p < end; ++p) {
      if (prefetch) __builtin_prefetch(C + Aind[p + ahead.step]);
      if (Aind[p] == i)
        divisor = Aval[p];
      else
        row_sum = Arith::madd(C[Aind[p]], Aval[p], row_sum);
    }
    C[i] = (B[i] - row_sum) / divisor;
  }
}

// Backward substitution, rows descending. The divisor is the first stored entry of the row,
// whatever its column index; a row that stores nothing divides by +0.0. Prefetch as above.
template <class Arith, bool Prefetch = false>
void csr_upper_solve_literal(int32_t n, const double* Aval, const int32_t* Aind, const int32_t* Aptr,
                     const double* B, double* C) {
  // Returning first for n <= 0 keeps n - 1 from overflowing for the most negative n.
  if (n <= 0) return;
  const auto ahead = Prefetch ? AheadOfVectors<false>(n, Aptr) : AheadOfVectors<false>();
  for (int32_t i = n - 1; i >= 0; --i) {
    const int32_t first = Aptr[i], end = Aptr[i + 1];
    double row_sum = 0.0, divisor = 0.0;
    if (first < end) {
      const bool prefetch = Prefetch && ahead.covers(first, end);
      divisor = Aval[first];
      for (int32_t p = first + 1; p < end; ++p) {
        if (prefetch) __builtin_prefetch(C + Aind[p + ahead.step]);
        row_sum = Arith::madd(C[Aind[p]], Aval[p], row_sum);
      }
    }
    C[i] = (B[i] - row_sum) / divisor;
  }
}

// The component solved by the previous row, held in a register. Rows read back solved
// components of C; the one just written is by far the most common and its reload would wait
// on the store, so it is taken from the register instead. The register always equals that
// element in memory (rows only ever store C[i], and the element just written is not written
// again), so this holds for any operands, B and C the same array included. The branch, not a
// conditional move, is what takes the load off the chain.
struct HeldComponent {
  int64_t index = INT64_MIN;  // matches no 32-bit column index before the first row
  double value = 0.0;
  double read(const double* C, int32_t j) const {
    // Laid out for the common case, another column: a branch not taken costs nothing, where
    // a taken one per entry would halve the pace of long rows.
    if (__builtin_expect(j == index, 0)) return value;
    return C[j];
  }
};

// Forward substitution, rows ascending, as csr_lower_solve_literal.
template <class Arith>
void csr_lower_solve(int32_t n, const double* Aval, const int32_t* Aind, const int32_t* Aptr,
                     const double* B, double* C) {
  if (n > 0 && worth_prefetching(n, Aind, Aptr)) {
    // A large scattered matrix: almost every read of a solved component misses the caches
    // and the component just solved is rarely among them; prefetching puts the misses in
    // flight early.
    csr_lower_solve_literal<Arith, true>(n, Aval, Aind, Aptr, B, C);
    return;
  }
  HeldComponent held;
  for (int32_t i = 0; i < n; ++i) {
    double row_sum = 0.0, divisor = 0.0;
    const int32_t end = Aptr[i + 1];
    for (int32_t p = Aptr[i]; p < end; ++p) {
      const int32_t j = Aind[p];
      if (j == i)
        divisor = Aval[p];
      else
        row_sum = Arith::madd(held.read(C, j), Aval[p], row_sum);
    }
    const double x = (B[i] - row_sum) / divisor;
    C[i] = x;
    held.index = i;
    held.value = x;
  }
}

// Backward substitution, rows descending, as csr_upper_solve_literal.
template <class Arith>
void csr_upper_solve(int32_t n, const double* Aval, const int32_t* Aind, const int32_t* Aptr,
                     const double* B, double* C) {
  // Returning first for n <= 0 keeps n - 1 from overflowing for the most negative n.
  if (n <= 0) return;
  if (worth_prefetching(n, Aind, Aptr)) {
    csr_upper_solve_literal<Arith, true>(n, Aval, Aind, Aptr, B, C);
    return;
  }
  HeldComponent held;
  for (int32_t i = n - 1; i >= 0; --i) {
    const int32_t first = Aptr[i], end = Aptr[i + 1];
    double row_sum = 0.0, divisor = 0.0;
    if (first < end) {
      divisor = Aval[first];
      for (int32_t p = first + 1; p < end; ++p)
        row_sum = Arith::madd(held.read(C, Aind[p]), Aval[p], row_sum);
    }
    const double x = (B[i] - row_sum) / divisor;
    C[i] = x;
    held.index = i;
    held.value = x;
  }
}

}  // namespace spk

#endif  // SPKERNELS_SOLVERS_CSR_TRIANGULAR_HPP
