// One kernel call of any of the thirteen kernels, as plain pointers and lengths, so that one
// test body can check it (C checker), run it under a rounding scheme (kernel templates) or run
// it through a bundle's exported symbol.
#ifndef SPK_TESTS_KERNEL_CALL_HPP
#define SPK_TESTS_KERNEL_CALL_HPP

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "spkernels/check.h"
#include "spkernels/spkernels.h"

#include "complex_vec.hpp"
#include "csc_triangular.hpp"
#include "csr_triangular.hpp"
#include "mat_mult.hpp"
#include "real_vec.hpp"
#include "symm_vec.hpp"
#include "spkernels/kernel_names.hpp"

namespace spk::test {

enum class Kernel {
  CSC_VecMult_CAB,
  CSR_VecMult_CAB,
  CSC_VecMult_CaABC,
  CSR_VecMult_CaABC,
  CSC_CmplxVecMult_CAB,
  CSR_CmplxVecMult_CAB,
  CSRsymm_VecMult_CAB,
  CSRsymm_CmplxVecMult_CAB,
  CSC_MatMult_CAB,
  CSC_VecTriangSlvLD_CAB,
  CSC_VecTriangSlvUD_CAB,
  CSR_VecTriangSlvLD_CAB,
  CSR_VecTriangSlvUD_CAB,
};

inline constexpr std::array<Kernel, 13> kAllKernels = {
    Kernel::CSC_VecMult_CAB,        Kernel::CSR_VecMult_CAB,
    Kernel::CSC_VecMult_CaABC,      Kernel::CSR_VecMult_CaABC,
    Kernel::CSC_CmplxVecMult_CAB,   Kernel::CSR_CmplxVecMult_CAB,
    Kernel::CSRsymm_VecMult_CAB,    Kernel::CSRsymm_CmplxVecMult_CAB,
    Kernel::CSC_MatMult_CAB,        Kernel::CSC_VecTriangSlvLD_CAB,
    Kernel::CSC_VecTriangSlvUD_CAB, Kernel::CSR_VecTriangSlvLD_CAB,
    Kernel::CSR_VecTriangSlvUD_CAB};

// The exported symbol of each kernel, in the order of Kernel.
inline const char* symbol(Kernel k) {
  return spk::kernel_names[static_cast<int>(k)];
}

inline bool is_complex(Kernel k) {
  return k == Kernel::CSC_CmplxVecMult_CAB || k == Kernel::CSR_CmplxVecMult_CAB ||
         k == Kernel::CSRsymm_CmplxVecMult_CAB;
}
inline bool is_solve(Kernel k) { return static_cast<int>(k) >= static_cast<int>(Kernel::CSC_VecTriangSlvLD_CAB); }
// The row-compressed products read values through a cursor from Aval[0]: Aptr[0] must be 0.
inline bool reads_values_by_cursor(Kernel k) {
  return k == Kernel::CSR_VecMult_CAB || k == Kernel::CSR_VecMult_CaABC ||
         k == Kernel::CSR_CmplxVecMult_CAB || k == Kernel::CSRsymm_VecMult_CAB ||
         k == Kernel::CSRsymm_CmplxVecMult_CAB;
}

// The arguments of one call. d holds the dimensions in the kernel's order: (m, n) for the
// vector products, (n, m) for the symmetric ones, (m, n, k) for the matrix product, (n) for
// the solves.
struct Call {
  Kernel kernel;
  int32_t d[3] = {0, 0, 0};
  double a = 0.0;
  int32_t spare = 0;
  const double* Aval = nullptr;
  std::size_t Aval_len = 0;
  const double* AvalIm = nullptr;
  std::size_t AvalIm_len = 0;
  const int32_t* Aind = nullptr;
  std::size_t Aind_len = 0;
  const int32_t* Aptr = nullptr;
  std::size_t Aptr_len = 0;
  const double* B = nullptr;
  std::size_t B_len = 0;
  const double* BIm = nullptr;
  std::size_t BIm_len = 0;
  double* C = nullptr;
  std::size_t C_len = 0;
  double* CIm = nullptr;
  std::size_t CIm_len = 0;
  unsigned flags = 0;
};

// The arrays of a call, owned. bind() gives the call with every pointer into them and every
// length their size.
struct Arrays {
  Kernel kernel;
  int32_t d[3] = {0, 0, 0};
  double a = 0.0;
  std::vector<int32_t> Aptr, Aind;
  std::vector<double> Aval, AvalIm, B, BIm, C, CIm;

  Call bind() {
    Call c{kernel};
    for (int t = 0; t < 3; ++t) c.d[t] = d[t];
    c.a = a;
    c.Aval = Aval.data();
    c.Aval_len = Aval.size();
    c.AvalIm = AvalIm.data();
    c.AvalIm_len = AvalIm.size();
    c.Aind = Aind.data();
    c.Aind_len = Aind.size();
    c.Aptr = Aptr.data();
    c.Aptr_len = Aptr.size();
    c.B = B.data();
    c.B_len = B.size();
    c.BIm = BIm.data();
    c.BIm_len = BIm.size();
    c.C = C.data();
    c.C_len = C.size();
    c.CIm = CIm.data();
    c.CIm_len = CIm.size();
    return c;
  }
};

// The checker's verdict on a call.
inline int check(const Call& c, char* message, std::size_t size) {
  const int32_t d0 = c.d[0], d1 = c.d[1], d2 = c.d[2];
  switch (c.kernel) {
    case Kernel::CSC_VecMult_CAB:
      return spk_check_CSC_VecMult_CAB_double(d0, d1, c.Aval, c.Aval_len, c.Aind, c.Aind_len,
                                              c.Aptr, c.Aptr_len, c.B, c.B_len, c.C, c.C_len,
                                              c.flags, message, size);
    case Kernel::CSR_VecMult_CAB:
      return spk_check_CSR_VecMult_CAB_double(d0, d1, c.Aval, c.Aval_len, c.Aind, c.Aind_len,
                                              c.Aptr, c.Aptr_len, c.B, c.B_len, c.C, c.C_len,
                                              c.flags, message, size);
    case Kernel::CSC_VecMult_CaABC:
      return spk_check_CSC_VecMult_CaABC_double(d0, d1, c.a, c.Aval, c.Aval_len, c.Aind,
                                                c.Aind_len, c.Aptr, c.Aptr_len, c.B, c.B_len,
                                                c.C, c.C_len, c.flags, message, size);
    case Kernel::CSR_VecMult_CaABC:
      return spk_check_CSR_VecMult_CaABC_double(d0, d1, c.a, c.Aval, c.Aval_len, c.Aind,
                                                c.Aind_len, c.Aptr, c.Aptr_len, c.B, c.B_len,
                                                c.C, c.C_len, c.flags, message, size);
    case Kernel::CSC_CmplxVecMult_CAB:
      return spk_check_CSC_CmplxVecMult_CAB_double(
          d0, d1, c.Aval, c.Aval_len, c.AvalIm, c.AvalIm_len, c.Aind, c.Aind_len, c.Aptr,
          c.Aptr_len, c.B, c.B_len, c.BIm, c.BIm_len, c.C, c.C_len, c.CIm, c.CIm_len, c.flags,
          message, size);
    case Kernel::CSR_CmplxVecMult_CAB:
      return spk_check_CSR_CmplxVecMult_CAB_double(
          d0, d1, c.Aval, c.Aval_len, c.AvalIm, c.AvalIm_len, c.Aind, c.Aind_len, c.Aptr,
          c.Aptr_len, c.B, c.B_len, c.BIm, c.BIm_len, c.C, c.C_len, c.CIm, c.CIm_len, c.flags,
          message, size);
    case Kernel::CSRsymm_VecMult_CAB:
      return spk_check_CSRsymm_VecMult_CAB_double(d0, d1, c.Aval, c.Aval_len, c.Aind,
                                                  c.Aind_len, c.Aptr, c.Aptr_len, c.B, c.B_len,
                                                  c.C, c.C_len, c.flags, message, size);
    case Kernel::CSRsymm_CmplxVecMult_CAB:
      return spk_check_CSRsymm_CmplxVecMult_CAB_double(
          d0, d1, c.Aval, c.Aval_len, c.AvalIm, c.AvalIm_len, c.Aind, c.Aind_len, c.Aptr,
          c.Aptr_len, c.B, c.B_len, c.BIm, c.BIm_len, c.C, c.C_len, c.CIm, c.CIm_len, c.flags,
          message, size);
    case Kernel::CSC_MatMult_CAB:
      return spk_check_CSC_MatMult_CAB_double(d0, d1, d2, c.Aval, c.Aval_len, c.Aind,
                                              c.Aind_len, c.Aptr, c.Aptr_len, c.B, c.B_len,
                                              c.spare, c.C, c.C_len, c.flags, message, size);
    case Kernel::CSC_VecTriangSlvLD_CAB:
      return spk_check_CSC_VecTriangSlvLD_CAB_double(d0, c.Aval, c.Aval_len, c.Aind,
                                                     c.Aind_len, c.Aptr, c.Aptr_len, c.B,
                                                     c.B_len, c.C, c.C_len, c.flags, message,
                                                     size);
    case Kernel::CSC_VecTriangSlvUD_CAB:
      return spk_check_CSC_VecTriangSlvUD_CAB_double(d0, c.Aval, c.Aval_len, c.Aind,
                                                     c.Aind_len, c.Aptr, c.Aptr_len, c.B,
                                                     c.B_len, c.C, c.C_len, c.flags, message,
                                                     size);
    case Kernel::CSR_VecTriangSlvLD_CAB:
      return spk_check_CSR_VecTriangSlvLD_CAB_double(d0, c.Aval, c.Aval_len, c.Aind,
                                                     c.Aind_len, c.Aptr, c.Aptr_len, c.B,
                                                     c.B_len, c.C, c.C_len, c.flags, message,
                                                     size);
    case Kernel::CSR_VecTriangSlvUD_CAB:
      return spk_check_CSR_VecTriangSlvUD_CAB_double(d0, c.Aval, c.Aval_len, c.Aind,
                                                     c.Aind_len, c.Aptr, c.Aptr_len, c.B,
                                                     c.B_len, c.C, c.C_len, c.flags, message,
                                                     size);
  }
  return -1;
}

// The kernel templates under one rounding scheme, called with the exported kernels' parameter
// lists (a parameter the kernel does not read is dropped here, as in the exported layer).
template <class Arith>
void run_template(const Call& c) {
  const int32_t d0 = c.d[0], d1 = c.d[1], d2 = c.d[2];
  switch (c.kernel) {
    case Kernel::CSC_VecMult_CAB:
      return csc_vec_mult<Arith>(d0, d1, c.Aval, c.Aind, c.Aptr, c.B, c.C);
    case Kernel::CSR_VecMult_CAB:
      return csr_vec_mult<Arith>(d1, c.Aval, c.Aind, c.Aptr, c.B, c.C);
    case Kernel::CSC_VecMult_CaABC:
      return csc_vec_mult_add<Arith>(d1, c.a, c.Aval, c.Aind, c.Aptr, c.B, c.C);
    case Kernel::CSR_VecMult_CaABC:
      return csr_vec_mult_add<Arith>(d1, c.a, c.Aval, c.Aind, c.Aptr, c.B, c.C);
    case Kernel::CSC_CmplxVecMult_CAB:
      return csc_cmplx_vec_mult<Arith>(d0, d1, c.Aval, c.AvalIm, c.Aind, c.Aptr, c.B, c.BIm,
                                       c.C, c.CIm);
    case Kernel::CSR_CmplxVecMult_CAB:
      return csr_cmplx_vec_mult<Arith>(d1, c.Aval, c.AvalIm, c.Aind, c.Aptr, c.B, c.BIm, c.C,
                                       c.CIm);
    case Kernel::CSRsymm_VecMult_CAB:
      return csr_symm_vec_mult<Arith>(d0, d1, c.Aval, c.Aind, c.Aptr, c.B, c.C);
    case Kernel::CSRsymm_CmplxVecMult_CAB:
      return csr_symm_cmplx_vec_mult<Arith>(d0, d1, c.Aval, c.AvalIm, c.Aind, c.Aptr, c.B,
                                            c.BIm, c.C, c.CIm);
    case Kernel::CSC_MatMult_CAB:
      return csc_mat_mult<Arith>(d0, d1, d2, c.Aval, c.Aind, c.Aptr, c.B, c.C);
    case Kernel::CSC_VecTriangSlvLD_CAB:
      return csc_lower_solve<Arith>(d0, c.Aval, c.Aind, c.Aptr, c.B, c.C);
    case Kernel::CSC_VecTriangSlvUD_CAB:
      return csc_upper_solve<Arith>(d0, c.Aval, c.Aind, c.Aptr, c.B, c.C);
    case Kernel::CSR_VecTriangSlvLD_CAB:
      return csr_lower_solve<Arith>(d0, c.Aval, c.Aind, c.Aptr, c.B, c.C);
    case Kernel::CSR_VecTriangSlvUD_CAB:
      return csr_upper_solve<Arith>(d0, c.Aval, c.Aind, c.Aptr, c.B, c.C);
  }
}

// An exported kernel found by name (address from dlsym), called with its C parameter list.
inline void run_symbol(void* address, const Call& c) {
  const int32_t d0 = c.d[0], d1 = c.d[1], d2 = c.d[2];
  using Real = void(int32_t, int32_t, const double*, const int32_t*, const int32_t*,
                    const double*, double*);
  using RealAdd = void(int32_t, int32_t, double, const double*, const int32_t*, const int32_t*,
                       const double*, double*);
  using Cmplx = void(int32_t, int32_t, const double*, const double*, const int32_t*,
                     const int32_t*, const double*, const double*, double*, double*);
  using Mat = void(int32_t, int32_t, int32_t, const double*, const int32_t*, const int32_t*,
                   const double*, int32_t, double*);
  using Solve = void(int32_t, const double*, const int32_t*, const int32_t*, const double*,
                     double*);
  switch (c.kernel) {
    case Kernel::CSC_VecMult_CAB:
    case Kernel::CSR_VecMult_CAB:
    case Kernel::CSRsymm_VecMult_CAB:
      return reinterpret_cast<Real*>(address)(d0, d1, c.Aval, c.Aind, c.Aptr, c.B, c.C);
    case Kernel::CSC_VecMult_CaABC:
    case Kernel::CSR_VecMult_CaABC:
      return reinterpret_cast<RealAdd*>(address)(d0, d1, c.a, c.Aval, c.Aind, c.Aptr, c.B, c.C);
    case Kernel::CSC_CmplxVecMult_CAB:
    case Kernel::CSR_CmplxVecMult_CAB:
    case Kernel::CSRsymm_CmplxVecMult_CAB:
      return reinterpret_cast<Cmplx*>(address)(d0, d1, c.Aval, c.AvalIm, c.Aind, c.Aptr, c.B,
                                               c.BIm, c.C, c.CIm);
    case Kernel::CSC_MatMult_CAB:
      return reinterpret_cast<Mat*>(address)(d0, d1, d2, c.Aval, c.Aind, c.Aptr, c.B, c.spare,
                                             c.C);
    default:
      return reinterpret_cast<Solve*>(address)(d0, c.Aval, c.Aind, c.Aptr, c.B, c.C);
  }
}

}  // namespace spk::test

#endif  // SPK_TESTS_KERNEL_CALL_HPP
