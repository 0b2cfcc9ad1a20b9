// The exported triangular solves under the build's rounding scheme. The public header comes
// first so that every definition sees its exported declaration.
#include "spkernels/spkernels.h"

#include "csc_triangular.hpp"
#include "csr_triangular.hpp"

using spk::BuildArith;

extern "C" {

void CSC_VecTriangSlvLD_CAB_double(int32_t n, const double* Aval, const int32_t* Aind,
                                   const int32_t* Aptr, const double* B, double* C) {
  spk::csc_lower_solve<BuildArith>(n, Aval, Aind, Aptr, B, C);
}

void CSC_VecTriangSlvUD_CAB_double(int32_t n, const double* Aval, const int32_t* Aind,
                                   const int32_t* Aptr, const double* B, double* C) {
  spk::csc_upper_solve<BuildArith>(n, Aval, Aind, Aptr, B, C);
}

void CSR_VecTriangSlvLD_CAB_double(int32_t n, const double* Aval, const int32_t* Aind,
                                   const int32_t* Aptr, const double* B, double* C) {
  spk::csr_lower_solve<BuildArith>(n, Aval, Aind, Aptr, B, C);
}

void CSR_VecTriangSlvUD_CAB_double(int32_t n, const double* Aval, const int32_t* Aind,
                                   const int32_t* Aptr, const double* B, double* C) {
  spk::csr_upper_solve<BuildArith>(n, Aval, Aind, Aptr, B, C);
}

}  // extern "C"
