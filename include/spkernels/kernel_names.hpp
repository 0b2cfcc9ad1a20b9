// The exported names of the thirteen kernels, in the order of the public header.
#ifndef SPKERNELS_KERNEL_NAMES_HPP
#define SPKERNELS_KERNEL_NAMES_HPP

#include <array>

namespace spk {

inline constexpr std::array<const char*, 13> kernel_names = {
    "CSC_VecMult_CAB_double",        "CSR_VecMult_CAB_double",
    "CSC_VecMult_CaABC_double",      "CSR_VecMult_CaABC_double",
    "CSC_CmplxVecMult_CAB_double",   "CSR_CmplxVecMult_CAB_double",
    "CSRsymm_VecMult_CAB_double",    "CSRsymm_CmplxVecMult_CAB_double",
    "CSC_MatMult_CAB_double",        "CSC_VecTriangSlvLD_CAB_double",
    "CSC_VecTriangSlvUD_CAB_double", "CSR_VecTriangSlvLD_CAB_double",
    "CSR_VecTriangSlvUD_CAB_double"};

}  // namespace spk

#endif  // SPKERNELS_KERNEL_NAMES_HPP
