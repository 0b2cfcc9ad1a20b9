/*
 * spkernels operand checker.
 *
 * The kernels check nothing: every precondition is the caller's. This library decides, for one
 * intended call, whether every precondition of that kernel holds, given the kernel's own
 * arguments plus the length (in elements) of every array the caller owns. It never calls a
 * kernel, never writes to the caller's arrays and keeps no state.
 *
 * Each spk_check_<kernel> takes the kernel's parameters in the kernel's order, every array
 * pointer followed by its length in elements, then flags, then a message buffer. It returns
 * SPK_OK when the call is safe; otherwise an error code, and writes a NUL-terminated message
 * (truncated to message_size bytes; message may be NULL when message_size is 0) naming the
 * array, the position and the broken rule, e.g.
 *   "Aptr[6] = 7 is less than Aptr[5] = 9: start positions must not decrease".
 *
 * A null pointer is accepted only for an array of length 0 that the call never reads.
 */
#ifndef SPKERNELS_CHECK_H
#define SPKERNELS_CHECK_H

#include <stddef.h>
#include <stdint.h>

#if defined(__GNUC__)
#define SPK_CHECK_API __attribute__((visibility("default")))
#else
#define SPK_CHECK_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

enum {
  SPK_OK = 0,
  SPK_ERR_DIMENSION = 1,    /* a dimension is negative, or a size overflows */
  SPK_ERR_APTR = 2,         /* Aptr too short, not starting at 0, decreasing, or past Aind/Aval */
  SPK_ERR_INDEX = 3,        /* an index the kernel uses is out of its range */
  SPK_ERR_LENGTH = 4,       /* a dense array is shorter than the call reads or writes */
  SPK_ERR_OVERLAP = 5,      /* an output overlaps an input or another output */
  SPK_ERR_STRUCTURE = 6,    /* a solve's operand is not of the triangular form it needs */
  SPK_ERR_ZERO_DIVISOR = 7, /* a solve's divisor is zero (reported only on request) */
  SPK_ERR_NULL = 8          /* a null pointer where the call reads or writes */
};

/* flags (other bits are ignored) */
#define SPK_CHECK_ZERO_DIVISOR 1u /* also report a zero divisor of a solve */

/* The name of an error code, e.g. "SPK_ERR_INDEX"; "SPK_OK" for 0, "unknown" otherwise. */
SPK_CHECK_API const char* spk_check_error_name(int code);

/* ---- Real products ---- */
SPK_CHECK_API int spk_check_CSC_VecMult_CAB_double(
    int32_t m, int32_t n, const double* Aval, size_t Aval_len, const int32_t* Aind,
    size_t Aind_len, const int32_t* Aptr, size_t Aptr_len, const double* B, size_t B_len,
    const double* C, size_t C_len, unsigned flags, char* message, size_t message_size);
SPK_CHECK_API int spk_check_CSR_VecMult_CAB_double(
    int32_t m, int32_t n, const double* Aval, size_t Aval_len, const int32_t* Aind,
    size_t Aind_len, const int32_t* Aptr, size_t Aptr_len, const double* B, size_t B_len,
    const double* C, size_t C_len, unsigned flags, char* message, size_t message_size);
SPK_CHECK_API int spk_check_CSC_VecMult_CaABC_double(
    int32_t m, int32_t n, double a, const double* Aval, size_t Aval_len, const int32_t* Aind,
    size_t Aind_len, const int32_t* Aptr, size_t Aptr_len, const double* B, size_t B_len,
    const double* C, size_t C_len, unsigned flags, char* message, size_t message_size);
SPK_CHECK_API int spk_check_CSR_VecMult_CaABC_double(
    int32_t m, int32_t n, double a, const double* Aval, size_t Aval_len, const int32_t* Aind,
    size_t Aind_len, const int32_t* Aptr, size_t Aptr_len, const double* B, size_t B_len,
    const double* C, size_t C_len, unsigned flags, char* message, size_t message_size);

/* ---- Complex products ---- */
SPK_CHECK_API int spk_check_CSC_CmplxVecMult_CAB_double(
    int32_t m, int32_t n, const double* Aval, size_t Aval_len, const double* AvalIm,
    size_t AvalIm_len, const int32_t* Aind, size_t Aind_len, const int32_t* Aptr,
    size_t Aptr_len, const double* B, size_t B_len, const double* BIm, size_t BIm_len,
    const double* C, size_t C_len, const double* CIm, size_t CIm_len, unsigned flags,
    char* message, size_t message_size);
SPK_CHECK_API int spk_check_CSR_CmplxVecMult_CAB_double(
    int32_t m, int32_t n, const double* Aval, size_t Aval_len, const double* AvalIm,
    size_t AvalIm_len, const int32_t* Aind, size_t Aind_len, const int32_t* Aptr,
    size_t Aptr_len, const double* B, size_t B_len, const double* BIm, size_t BIm_len,
    const double* C, size_t C_len, const double* CIm, size_t CIm_len, unsigned flags,
    char* message, size_t message_size);

/* ---- Symmetric products (n before m, as in the kernels) ---- */
SPK_CHECK_API int spk_check_CSRsymm_VecMult_CAB_double(
    int32_t n, int32_t m, const double* Aval, size_t Aval_len, const int32_t* Aind,
    size_t Aind_len, const int32_t* Aptr, size_t Aptr_len, const double* B, size_t B_len,
    const double* C, size_t C_len, unsigned flags, char* message, size_t message_size);
SPK_CHECK_API int spk_check_CSRsymm_CmplxVecMult_CAB_double(
    int32_t n, int32_t m, const double* Aval, size_t Aval_len, const double* AvalIm,
    size_t AvalIm_len, const int32_t* Aind, size_t Aind_len, const int32_t* Aptr,
    size_t Aptr_len, const double* B, size_t B_len, const double* BIm, size_t BIm_len,
    const double* C, size_t C_len, const double* CIm, size_t CIm_len, unsigned flags,
    char* message, size_t message_size);

/* ---- Sparse times dense matrix ---- */
SPK_CHECK_API int spk_check_CSC_MatMult_CAB_double(
    int32_t m, int32_t n, int32_t k, const double* Aval, size_t Aval_len, const int32_t* Aind,
    size_t Aind_len, const int32_t* Aptr, size_t Aptr_len, const double* B, size_t B_len,
    int32_t spare, const double* C, size_t C_len, unsigned flags, char* message,
    size_t message_size);

/* ---- Triangular solves (B and C may be the same array) ---- */
SPK_CHECK_API int spk_check_CSC_VecTriangSlvLD_CAB_double(
    int32_t n, const double* Aval, size_t Aval_len, const int32_t* Aind, size_t Aind_len,
    const int32_t* Aptr, size_t Aptr_len, const double* B, size_t B_len, const double* C,
    size_t C_len, unsigned flags, char* message, size_t message_size);
SPK_CHECK_API int spk_check_CSC_VecTriangSlvUD_CAB_double(
    int32_t n, const double* Aval, size_t Aval_len, const int32_t* Aind, size_t Aind_len,
    const int32_t* Aptr, size_t Aptr_len, const double* B, size_t B_len, const double* C,
    size_t C_len, unsigned flags, char* message, size_t message_size);
SPK_CHECK_API int spk_check_CSR_VecTriangSlvLD_CAB_double(
    int32_t n, const double* Aval, size_t Aval_len, const int32_t* Aind, size_t Aind_len,
    const int32_t* Aptr, size_t Aptr_len, const double* B, size_t B_len, const double* C,
    size_t C_len, unsigned flags, char* message, size_t message_size);
SPK_CHECK_API int spk_check_CSR_VecTriangSlvUD_CAB_double(
    int32_t n, const double* Aval, size_t Aval_len, const int32_t* Aind, size_t Aind_len,
    const int32_t* Aptr, size_t Aptr_len, const double* B, size_t B_len, const double* C,
    size_t C_len, unsigned flags, char* message, size_t message_size);

#ifdef __cplusplus
}
#endif

#endif /* SPKERNELS_CHECK_H */
