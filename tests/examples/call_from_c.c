/* Look a kernel up in the PowerPC build and compute C = A * B for A = [1 0; 2 3]. */
#include <dlfcn.h>
#include <stdio.h>
#include "spkernels/spkernels.h"

typedef void CscVecMult(int32_t, int32_t, const double*, const int32_t*, const int32_t*,
                        const double*, double*);

int main(int argc, char** argv) {
  void* bundle = dlopen(argc > 1 ? argv[1] : "./spkernels_powerpc.so", RTLD_NOW);
  if (!bundle) { fprintf(stderr, "%s\n", dlerror()); return 1; }
  CscVecMult* mult = (CscVecMult*)dlsym(bundle, "CSC_VecMult_CAB_double");
  if (!mult) { fprintf(stderr, "%s\n", dlerror()); return 1; }
  const int32_t Aptr[] = {0, 2, 3}, Aind[] = {0, 1, 1};
  const double Aval[] = {1, 2, 3}, B[] = {1, 1};
  double C[2];
  mult(2, 2, Aval, Aind, Aptr, B, C);
  printf("%s: C = [%g, %g]\n", ((const char* (*)(void))dlsym(bundle, "mexVersion"))(), C[0], C[1]);
  dlclose(bundle);
  return 0;
}
