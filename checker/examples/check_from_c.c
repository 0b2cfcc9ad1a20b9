/* Check a call before making it: a lower triangular solve whose second column misses its divisor. */
#include <dlfcn.h>
#include <stdio.h>
#include "spkernels/check.h"

typedef void TriangSlv(int32_t, const double*, const int32_t*, const int32_t*, const double*,
                       double*);

int main(int argc, char** argv) {
  void* bundle = dlopen(argc > 1 ? argv[1] : "./spkernels_powerpc.so", RTLD_NOW);
  if (!bundle) { fprintf(stderr, "%s\n", dlerror()); return 1; }
  TriangSlv* solve = (TriangSlv*)dlsym(bundle, "CSC_VecTriangSlvLD_CAB_double");
  if (!solve) { fprintf(stderr, "%s\n", dlerror()); return 1; }
  const int32_t Aptr[] = {0, 2, 2, 3}, Aind[] = {0, 1, 2};
  const double Aval[] = {2, 1, 5}, B[] = {2, 5, 10};
  double C[3];
  char message[256];
  int code = spk_check_CSC_VecTriangSlvLD_CAB_double(3, Aval, 3, Aind, 3, Aptr, 4, B, 3, C, 3,
                                                      SPK_CHECK_ZERO_DIVISOR, message,
                                                      sizeof message);
  if (code != SPK_OK) {
    printf("%s: %s\n", spk_check_error_name(code), message);
  } else {
    solve(3, Aval, Aind, Aptr, B, C);
    printf("C = [%g, %g, %g]\n", C[0], C[1], C[2]);
  }
  dlclose(bundle);
  return code == SPK_OK ? 0 : 2;
}
