/*
 * spkernels: double-precision kernels on the arrays of a compressed sparse matrix.
 *
 * Every kernel is a plain function over arrays that the caller owns. It allocates nothing,
 * keeps no state, checks no argument and reports nothing: every precondition listed below is
 * the caller's. The traversal order, the grouping of every product and the order of every sum
 * are fixed, so results are reproducible to the last bit for a given rounding scheme.
 *
 * The compressed operand (m, n, Aval, [AvalIm,] Aind, Aptr):
 *   Aptr   n + 1 non-decreasing start positions; compressed vector j holds the stored
 *          entries at positions Aptr[j] .. Aptr[j+1] - 1.
 *   Aind   zero-based 32-bit index of each stored entry within the other dimension.
 *   Aval   value of each stored entry (real part in the complex kernels).
 *   AvalIm imaginary part of each stored entry (complex kernels only).
 * In CSC kernels a compressed vector is a column and Aind holds row indices (A is m x n);
 * in CSR and CSRsymm kernels it is a row and Aind holds column indices (A is n x m).
 * The CSR and CSRsymm products read values through a cursor that starts at Aval[0] and
 * advances once per stored entry visited, so they need Aptr[0] == 0. Every other kernel
 * reads Aval and Aind at the absolute positions Aptr gives.
 *
 * Dense vectors are contiguous; complex vectors are split into real and imaginary arrays
 * (B with BIm, C with CIm). Dense matrices are column-major. Nothing is ever conjugated.
 * Only C and CIm are written.
 */
#ifndef SPKERNELS_SPKERNELS_H
#define SPKERNELS_SPKERNELS_H

#include <stdint.h>

#if defined(__GNUC__)
#define SPK_API __attribute__((visibility("default")))
#else
#define SPK_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The version tag of the host interface this bundle was built for, e.g. "MATLAB R13 native".
 * Every call returns the same pointer; the string is owned by the bundle. */
SPK_API const char* mexVersion(void);

/* ---- Real products ------------------------------------------------------------------------
 *             m          n                 B        C
 * CSC CAB     rows of A  columns of A      n        m, cleared first (even when n == 0)
 * CSC CaABC   not read   columns of A      n        covers every row index; only updated
 * CSR CAB     not read   rows of A         > max    n, cleared first (nothing when n == 0)
 * CSR CaABC   not read   rows of A         > max    n, each updated once
 * Terms: C[r] += B[j] * Aval[p] (CSC), row_sum += B[col] * Aval[v] (CSR); in CaABC kernels
 * the term is (a * B[j]) * Aval[p], the scale applied to each term, never to a sum. */
SPK_API void CSC_VecMult_CAB_double(int32_t m, int32_t n, const double* Aval,
                                    const int32_t* Aind, const int32_t* Aptr,
                                    const double* B, double* C);
SPK_API void CSR_VecMult_CAB_double(int32_t m, int32_t n, const double* Aval,
                                    const int32_t* Aind, const int32_t* Aptr,
                                    const double* B, double* C);
SPK_API void CSC_VecMult_CaABC_double(int32_t m, int32_t n, double a, const double* Aval,
                                      const int32_t* Aind, const int32_t* Aptr,
                                      const double* B, double* C);
SPK_API void CSR_VecMult_CaABC_double(int32_t m, int32_t n, double a, const double* Aval,
                                      const int32_t* Aind, const int32_t* Aptr,
                                      const double* B, double* C);

/* ---- Complex products (split arrays) ------------------------------------------------------
 * CSC: m rows (C, CIm cleared over m), n columns (B, BIm hold n).
 * CSR: m not read, n rows (C, CIm cleared over n, nothing when n == 0).
 * Term of input x + iy and stored a + ib: re = x*a - y*b, im = x*b + y*a. */
SPK_API void CSC_CmplxVecMult_CAB_double(int32_t m, int32_t n, const double* Aval,
                                         const double* AvalIm, const int32_t* Aind,
                                         const int32_t* Aptr, const double* B,
                                         const double* BIm, double* C, double* CIm);
SPK_API void CSR_CmplxVecMult_CAB_double(int32_t m, int32_t n, const double* Aval,
                                         const double* AvalIm, const int32_t* Aind,
                                         const int32_t* Aptr, const double* B,
                                         const double* BIm, double* C, double* CIm);

/* ---- Symmetric products, from the diagonal and upper triangle stored by rows ---------------
 * Note the order: n (rows visited, Aptr holds n + 1) before m (length of B, C; C cleared over
 * m even when n == 0). Entries below the diagonal (signed col < row) are passed over but
 * still consume their place in the value cursor. The mirror is never conjugated. */
SPK_API void CSRsymm_VecMult_CAB_double(int32_t n, int32_t m, const double* Aval,
                                        const int32_t* Aind, const int32_t* Aptr,
                                        const double* B, double* C);
SPK_API void CSRsymm_CmplxVecMult_CAB_double(int32_t n, int32_t m, const double* Aval,
                                             const double* AvalIm, const int32_t* Aind,
                                             const int32_t* Aptr, const double* B,
                                             const double* BIm, double* C, double* CIm);

/* ---- Sparse times dense matrix -------------------------------------------------------------
 * A is m x k column-compressed (Aptr holds k + 1). B is read with column stride m (not k):
 * element (j, col) is B[j + col*m], so B holds (n - 1)*m + k doubles. C is m x n, stride m,
 * cleared first. n == 0 touches nothing. spare is never read. */
SPK_API void CSC_MatMult_CAB_double(int32_t m, int32_t n, int32_t k, const double* Aval,
                                    const int32_t* Aind, const int32_t* Aptr,
                                    const double* B, int32_t spare, double* C);

/* ---- Triangular solves A * C = B, A of order n --------------------------------------------
 * CSC lower: divisor is the first stored entry of each column, others below the diagonal.
 * CSC upper: divisor is the last stored entry of each column, others above the diagonal.
 * CSR lower: divisor is the entry whose column index equals the row (the last one if stored
 *            twice), others left of the diagonal.
 * CSR upper: divisor is the first stored entry of each row, others right of the diagonal.
 * B and C may be the same array (in-place solve); any other overlap is outside the contract.
 * A vector that stores no divisor is solved as if its divisor were +0.0. */
SPK_API void CSC_VecTriangSlvLD_CAB_double(int32_t n, const double* Aval, const int32_t* Aind,
                                           const int32_t* Aptr, const double* B, double* C);
SPK_API void CSC_VecTriangSlvUD_CAB_double(int32_t n, const double* Aval, const int32_t* Aind,
                                           const int32_t* Aptr, const double* B, double* C);
SPK_API void CSR_VecTriangSlvLD_CAB_double(int32_t n, const double* Aval, const int32_t* Aind,
                                           const int32_t* Aptr, const double* B, double* C);
SPK_API void CSR_VecTriangSlvUD_CAB_double(int32_t n, const double* Aval, const int32_t* Aind,
                                           const int32_t* Aptr, const double* B, double* C);

#ifdef __cplusplus
}
#endif

#endif /* SPKERNELS_SPKERNELS_H */
