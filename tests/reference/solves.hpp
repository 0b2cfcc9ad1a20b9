// Literal reference loops of the four triangular solves, written for plainness and nothing
// else: every step is a separate statement in the order the result depends on, loops stop on
// equality, and the one multiply-add of each step goes through the rounding policy.
//
// A vector that gives its solve no divisor (a vector that stores nothing, or a row-compressed
// lower row without an entry in its own column) is solved as if its divisor were +0.0, and a
// column-compressed vector without entries makes no updates. Start positions that decrease
// leave the vector empty.
#ifndef SPK_TESTS_REFERENCE_SOLVES_HPP
#define SPK_TESTS_REFERENCE_SOLVES_HPP

#include <cstdint>

#include "spkernels/arith.hpp"

namespace spk::ref {

// Stored entries of vector j: positions Aptr[j] .. Aptr[j+1] - 1; none when they decrease.
inline int32_t entries_of(const int32_t* Aptr, int32_t j) {
  return Aptr[j + 1] > Aptr[j] ? Aptr[j + 1] - Aptr[j] : 0;
}

// Column-compressed lower solve: copy B into C, then for j ascending divide C[j] by the first
// stored entry of column j and subtract x * Aval[p] of every later entry from C[Aind[p]].
template <class Arith>
void csc_lower_solve(int32_t n, const double* Aval, const int32_t* Aind, const int32_t* Aptr,
                     const double* B, double* C) {
  if (n <= 0) return;
  for (int32_t i = 0; i != n; ++i) C[i] = B[i];
  for (int32_t j = 0; j != n; ++j) {
    const int32_t count = entries_of(Aptr, j);
    if (count == 0) {
      C[j] = C[j] / +0.0;
      continue;
    }
    const double d = Aval[Aptr[j]];
    const double x = C[j] / d;
    C[j] = x;
    for (int32_t k = 1; k != count; ++k) {
      const int32_t p = Aptr[j] + k;
      const int32_t r = Aind[p];
      C[r] = Arith::nmsub(x, Aval[p], C[r]);  // C[r] - x * Aval[p]
    }
  }
}

// Column-compressed upper solve: copy B into C, then for j descending divide C[j] by the last
// stored entry of column j and subtract x * Aval[p] of every earlier entry from C[Aind[p]].
template <class Arith>
void csc_upper_solve(int32_t n, const double* Aval, const int32_t* Aind, const int32_t* Aptr,
                     const double* B, double* C) {
  if (n <= 0) return;
  for (int32_t i = 0; i != n; ++i) C[i] = B[i];
  for (int32_t j = n - 1;; --j) {
    const int32_t count = entries_of(Aptr, j);
    if (count == 0) {
      C[j] = C[j] / +0.0;
    } else {
      const double d = Aval[Aptr[j] + count - 1];
      const double x = C[j] / d;
      C[j] = x;
      for (int32_t k = 0; k != count - 1; ++k) {
        const int32_t p = Aptr[j] + k;
        const int32_t r = Aind[p];
        C[r] = Arith::nmsub(x, Aval[p], C[r]);  // C[r] - x * Aval[p]
      }
    }
    if (j == 0) break;
  }
}

// Row-compressed lower solve: for i ascending, sum C[j] * Aval[p] over the entries of row i
// whose column j is not i, in storage order; the entry in column i is the divisor (the last one
// when there are several). C[i] = (B[i] - sum) / divisor.
template <class Arith>
void csr_lower_solve(int32_t n, const double* Aval, const int32_t* Aind, const int32_t* Aptr,
                     const double* B, double* C) {
  if (n <= 0) return;
  for (int32_t i = 0; i != n; ++i) {
    double sum = +0.0;
    double d = +0.0;
    const int32_t count = entries_of(Aptr, i);
    for (int32_t k = 0; k != count; ++k) {
      const int32_t p = Aptr[i] + k;
      const int32_t j = Aind[p];
      if (j == i)
        d = Aval[p];
      else
        sum = Arith::madd(C[j], Aval[p], sum);  // sum + C[j] * Aval[p]
    }
    const double numerator = B[i] - sum;
    C[i] = numerator / d;
  }
}

// Row-compressed upper solve: for i descending, the first stored entry of row i is the divisor
// (its column never looked at); the later entries are summed as C[j] * Aval[p] in storage order.
template <class Arith>
void csr_upper_solve(int32_t n, const double* Aval, const int32_t* Aind, const int32_t* Aptr,
                     const double* B, double* C) {
  if (n <= 0) return;
  for (int32_t i = n - 1;; --i) {
    double sum = +0.0;
    double d = +0.0;
    const int32_t count = entries_of(Aptr, i);
    if (count != 0) d = Aval[Aptr[i]];
    for (int32_t k = 1; k < count; ++k) {
      const int32_t p = Aptr[i] + k;
      sum = Arith::madd(C[Aind[p]], Aval[p], sum);  // sum + C[j] * Aval[p]
    }
    const double numerator = B[i] - sum;
    C[i] = numerator / d;
    if (i == 0) break;
  }
}

}  // namespace spk::ref

#endif  // SPK_TESTS_REFERENCE_SOLVES_HPP
