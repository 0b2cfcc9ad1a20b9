// The exported product kernels: each a one-line call of its template under the build's
// rounding scheme. The public header comes first so that every definition sees its exported
// declaration; a definition that did not would be hidden and drop out of the export set.
#include "spkernels/spkernels.h"

#include "complex_vec.hpp"
#include "mat_mult.hpp"
#include "real_vec.hpp"
#include "symm_vec.hpp"

using spk::BuildArith;

extern "C" {

void CSC_VecMult_CAB_double(int32_t m, int32_t n, const double* Aval, const int32_t* Aind,
                            const int32_t* Aptr, const double* B, double* C) {
  spk::csc_vec_mult<BuildArith>(m, n, Aval, Aind, Aptr, B, C);
}

// m bounds the column indices; it only tells the kernel that B cannot reach into C, and so
// changes no result.
void CSR_VecMult_CAB_double(int32_t m, int32_t n, const double* Aval, const int32_t* Aind,
                            const int32_t* Aptr, const double* B, double* C) {
  spk::csr_vec_mult<BuildArith>(m, n, Aval, Aind, Aptr, B, C);
}

// m bounds the row indices; it only tells the kernel that C cannot reach into B, and so
// changes no result.
void CSC_VecMult_CaABC_double(int32_t m, int32_t n, double a, const double* Aval,
                              const int32_t* Aind, const int32_t* Aptr, const double* B,
                              double* C) {
  spk::csc_vec_mult_add<BuildArith>(m, n, a, Aval, Aind, Aptr, B, C);
}

void CSR_VecMult_CaABC_double(int32_t, int32_t n, double a, const double* Aval,
                              const int32_t* Aind, const int32_t* Aptr, const double* B,
                              double* C) {
  spk::csr_vec_mult_add<BuildArith>(n, a, Aval, Aind, Aptr, B, C);
}

void CSC_CmplxVecMult_CAB_double(int32_t m, int32_t n, const double* Aval, const double* AvalIm,
                                 const int32_t* Aind, const int32_t* Aptr, const double* B,
                                 const double* BIm, double* C, double* CIm) {
  spk::csc_cmplx_vec_mult<BuildArith>(m, n, Aval, AvalIm, Aind, Aptr, B, BIm, C, CIm);
}

void CSR_CmplxVecMult_CAB_double(int32_t m, int32_t n, const double* Aval, const double* AvalIm,
                                 const int32_t* Aind, const int32_t* Aptr, const double* B,
                                 const double* BIm, double* C, double* CIm) {
  spk::csr_cmplx_vec_mult<BuildArith>(m, n, Aval, AvalIm, Aind, Aptr, B, BIm, C, CIm);
}

void CSRsymm_VecMult_CAB_double(int32_t n, int32_t m, const double* Aval, const int32_t* Aind,
                                const int32_t* Aptr, const double* B, double* C) {
  spk::csr_symm_vec_mult<BuildArith>(n, m, Aval, Aind, Aptr, B, C);
}

void CSRsymm_CmplxVecMult_CAB_double(int32_t n, int32_t m, const double* Aval,
                                     const double* AvalIm, const int32_t* Aind,
                                     const int32_t* Aptr, const double* B, const double* BIm,
                                     double* C, double* CIm) {
  spk::csr_symm_cmplx_vec_mult<BuildArith>(n, m, Aval, AvalIm, Aind, Aptr, B, BIm, C, CIm);
}

void CSC_MatMult_CAB_double(int32_t m, int32_t n, int32_t k, const double* Aval,
                            const int32_t* Aind, const int32_t* Aptr, const double* B,
                            int32_t /*spare*/, double* C) {
  spk::csc_mat_mult<BuildArith>(m, n, k, Aval, Aind, Aptr, B, C);
}

}  // extern "C"
