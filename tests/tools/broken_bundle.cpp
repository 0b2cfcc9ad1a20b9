// A bundle with two deliberately wrong kernels, to show that the host's checks catch a
// wrong result: the product drops the last stored entry of every column, and the lower
// solve divides by the first entry of each row instead of the diagonal. Built with
// SPK_NO_VERSION it also lacks mexVersion, which makes it no bundle at all.
#include "spkernels/spkernels.h"

extern "C" {

#ifndef SPK_NO_VERSION
const char* mexVersion(void) { return "MATLAB R13 native"; }
#endif

void CSC_VecMult_CAB_double(int32_t m, int32_t n, const double* Aval, const int32_t* Aind,
                            const int32_t* Aptr, const double* B, double* C) {
  for (int32_t r = 0; r < m; ++r) C[r] = 0.0;
  for (int32_t j = 0; j < n; ++j)
    for (int32_t p = Aptr[j]; p < Aptr[j + 1] - 1; ++p) C[Aind[p]] += B[j] * Aval[p];
}

void CSR_VecTriangSlvLD_CAB_double(int32_t n, const double* Aval, const int32_t* Aind,
                                   const int32_t* Aptr, const double* B, double* C) {
  for (int32_t i = 0; i < n; ++i) {
    double sum = 0.0;
    for (int32_t p = Aptr[i]; p < Aptr[i + 1]; ++p)
      if (Aind[p] != i) sum += C[Aind[p]] * Aval[p];
    C[i] = (B[i] - sum) / Aval[Aptr[i]];
  }
}

}  // extern "C"
