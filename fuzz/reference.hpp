// The literal reference of the tests (tests/reference, namespace spk::ref) called with the
// arguments of one fuzzed call. The fuzzers compare the kernels' bits with it, so any faster
// path of a kernel is fuzzed against the plain loop.
#ifndef SPK_FUZZ_REFERENCE_HPP
#define SPK_FUZZ_REFERENCE_HPP

#include <cstdint>

#include "reference/products.hpp"
#include "reference/solves.hpp"
#include "support/kernel_call.hpp"

namespace spk::fuzz_ref {

template <class Arith>
void reference(const spk::test::Call& c) {
  using spk::test::Kernel;
  const int32_t d0 = c.d[0], d1 = c.d[1], d2 = c.d[2];
  switch (c.kernel) {
    case Kernel::CSC_VecMult_CAB:
      return ref::csc_vec_mult<Arith>(d0, d1, c.Aval, c.Aind, c.Aptr, c.B, c.C);
    case Kernel::CSR_VecMult_CAB:
      return ref::csr_vec_mult<Arith>(d0, d1, c.Aval, c.Aind, c.Aptr, c.B, c.C);
    case Kernel::CSC_VecMult_CaABC:
      return ref::csc_vec_mult_add<Arith>(d0, d1, c.a, c.Aval, c.Aind, c.Aptr, c.B, c.C);
    case Kernel::CSR_VecMult_CaABC:
      return ref::csr_vec_mult_add<Arith>(d0, d1, c.a, c.Aval, c.Aind, c.Aptr, c.B, c.C);
    case Kernel::CSC_CmplxVecMult_CAB:
      return ref::csc_cmplx_vec_mult<Arith>(d0, d1, c.Aval, c.AvalIm, c.Aind, c.Aptr, c.B, c.BIm,
                                            c.C, c.CIm);
    case Kernel::CSR_CmplxVecMult_CAB:
      return ref::csr_cmplx_vec_mult<Arith>(d0, d1, c.Aval, c.AvalIm, c.Aind, c.Aptr, c.B, c.BIm,
                                            c.C, c.CIm);
    case Kernel::CSRsymm_VecMult_CAB:
      return ref::csr_symm_vec_mult<Arith>(d0, d1, c.Aval, c.Aind, c.Aptr, c.B, c.C);
    case Kernel::CSRsymm_CmplxVecMult_CAB:
      return ref::csr_symm_cmplx_vec_mult<Arith>(d0, d1, c.Aval, c.AvalIm, c.Aind, c.Aptr, c.B,
                                                 c.BIm, c.C, c.CIm);
    case Kernel::CSC_MatMult_CAB:
      return ref::csc_mat_mult<Arith>(d0, d1, d2, c.Aval, c.Aind, c.Aptr, c.B, c.spare, c.C);
    case Kernel::CSC_VecTriangSlvLD_CAB:
      return ref::csc_lower_solve<Arith>(d0, c.Aval, c.Aind, c.Aptr, c.B, c.C);
    case Kernel::CSC_VecTriangSlvUD_CAB:
      return ref::csc_upper_solve<Arith>(d0, c.Aval, c.Aind, c.Aptr, c.B, c.C);
    case Kernel::CSR_VecTriangSlvLD_CAB:
      return ref::csr_lower_solve<Arith>(d0, c.Aval, c.Aind, c.Aptr, c.B, c.C);
    case Kernel::CSR_VecTriangSlvUD_CAB:
      return ref::csr_upper_solve<Arith>(d0, c.Aval, c.Aind, c.Aptr, c.B, c.C);
  }
}

}  // namespace spk::fuzz_ref

#endif  // SPK_FUZZ_REFERENCE_HPP
