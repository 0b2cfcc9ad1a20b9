// Checked calls in C++: the kernel, looked up in the PowerPC build, runs only if the call
// keeps every precondition; otherwise spk::operand_error says why and nothing is written.
#include <dlfcn.h>

#include <cstdio>
#include <vector>

#include "spkernels/check.hpp"

int main(int argc, char** argv) {
  void* bundle = dlopen(argc > 1 ? argv[1] : "./spkernels_powerpc.so", RTLD_NOW);
  if (!bundle) { std::fprintf(stderr, "%s\n", dlerror()); return 1; }
  auto* mult = reinterpret_cast<spk::checked::RealVecMult*>(dlsym(bundle, "CSC_VecMult_CAB_double"));
  if (!mult) { std::fprintf(stderr, "%s\n", dlerror()); return 1; }

  const std::vector<int32_t> Aptr{0, 2, 3}, Aind{0, 1, 1};
  const std::vector<double> Aval{1, 2, 3}, B{1, 1};
  std::vector<double> C(2);
  int status = 0;
  try {
    spk::checked::CSC_VecMult_CAB_double(mult, 2, 2, {Aval, Aind, Aptr}, B, C);
    std::printf("C = [%g, %g]\n", C[0], C[1]);
    // The same call with C one element short is refused before anything is written.
    spk::checked::CSC_VecMult_CAB_double(mult, 2, 2, {Aval, Aind, Aptr}, B, std::span(C).first(1));
  } catch (const spk::operand_error& e) {
    std::printf("%s: %s\n", e.code_name(), e.what());
    status = 2;
  }
  dlclose(bundle);
  return status;
}
