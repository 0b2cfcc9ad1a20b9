// Checked kernel calls for C++: a thin layer over the C checker (check.h). Each function in
// spk::checked takes the kernel to call, the kernel's dimensions and scalars, the compressed
// operand as a view and the dense arrays as spans. It checks the call first and throws
// spk::operand_error, carrying the checker's code and message, when any precondition fails;
// then nothing has been called and nothing written. Otherwise it calls the kernel.
//
// The kernel is passed as a plain function pointer of the kernel's C type, so the same checked
// call serves a symbol looked up in a loaded bundle, a kernel linked in directly, or any
// function of that type (a captureless lambda around a kernel template under a chosen
// rounding scheme, for instance).
#ifndef SPKERNELS_CHECK_HPP
#define SPKERNELS_CHECK_HPP

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

#include "spkernels/check.h"

namespace spk {

// A refused call: code() is one of the SPK_ERR_* codes, what() the checker's message.
class operand_error : public std::invalid_argument {
 public:
  operand_error(int code, const std::string& message)
      : std::invalid_argument(message), code_(code) {}
  int code() const noexcept { return code_; }
  const char* code_name() const noexcept { return spk_check_error_name(code_); }

 private:
  int code_;
};

// The arrays of a compressed operand. AvalIm stays empty for the real kernels.
struct compressed_view {
  std::span<const double> Aval;
  std::span<const int32_t> Aind;
  std::span<const int32_t> Aptr;
  std::span<const double> AvalIm = {};
};

namespace checked {

using dvec = std::span<const double>;
using dout = std::span<double>;

using RealVecMult = void(int32_t, int32_t, const double*, const int32_t*, const int32_t*,
                         const double*, double*);
using RealVecMultAdd = void(int32_t, int32_t, double, const double*, const int32_t*,
                            const int32_t*, const double*, double*);
using CmplxVecMult = void(int32_t, int32_t, const double*, const double*, const int32_t*,
                          const int32_t*, const double*, const double*, double*, double*);
using MatMult = void(int32_t, int32_t, int32_t, const double*, const int32_t*, const int32_t*,
                     const double*, int32_t, double*);
using TriangSlv = void(int32_t, const double*, const int32_t*, const int32_t*, const double*,
                       double*);

namespace detail {
inline void raise_unless_ok(int code, const char* message) {
  if (code != SPK_OK) throw operand_error(code, message);
}
}  // namespace detail

#define SPK_CHECKED_MESSAGE char message[512]

inline void CSC_VecMult_CAB_double(RealVecMult* kernel, int32_t m, int32_t n,
                                   compressed_view A, dvec B, dout C, unsigned flags = 0) {
  SPK_CHECKED_MESSAGE;
  detail::raise_unless_ok(
      spk_check_CSC_VecMult_CAB_double(m, n, A.Aval.data(), A.Aval.size(), A.Aind.data(),
                                       A.Aind.size(), A.Aptr.data(), A.Aptr.size(), B.data(),
                                       B.size(), C.data(), C.size(), flags, message,
                                       sizeof message),
      message);
  kernel(m, n, A.Aval.data(), A.Aind.data(), A.Aptr.data(), B.data(), C.data());
}

inline void CSR_VecMult_CAB_double(RealVecMult* kernel, int32_t m, int32_t n,
                                   compressed_view A, dvec B, dout C, unsigned flags = 0) {
  SPK_CHECKED_MESSAGE;
  detail::raise_unless_ok(
      spk_check_CSR_VecMult_CAB_double(m, n, A.Aval.data(), A.Aval.size(), A.Aind.data(),
                                       A.Aind.size(), A.Aptr.data(), A.Aptr.size(), B.data(),
                                       B.size(), C.data(), C.size(), flags, message,
                                       sizeof message),
      message);
  kernel(m, n, A.Aval.data(), A.Aind.data(), A.Aptr.data(), B.data(), C.data());
}

inline void CSC_VecMult_CaABC_double(RealVecMultAdd* kernel, int32_t m, int32_t n, double a,
                                     compressed_view A, dvec B, dout C, unsigned flags = 0) {
  SPK_CHECKED_MESSAGE;
  detail::raise_unless_ok(
      spk_check_CSC_VecMult_CaABC_double(m, n, a, A.Aval.data(), A.Aval.size(), A.Aind.data(),
                                         A.Aind.size(), A.Aptr.data(), A.Aptr.size(), B.data(),
                                         B.size(), C.data(), C.size(), flags, message,
                                         sizeof message),
      message);
  kernel(m, n, a, A.Aval.data(), A.Aind.data(), A.Aptr.data(), B.data(), C.data());
}

inline void CSR_VecMult_CaABC_double(RealVecMultAdd* kernel, int32_t m, int32_t n, double a,
                                     compressed_view A, dvec B, dout C, unsigned flags = 0) {
  SPK_CHECKED_MESSAGE;
  detail::raise_unless_ok(
      spk_check_CSR_VecMult_CaABC_double(m, n, a, A.Aval.data(), A.Aval.size(), A.Aind.data(),
                                         A.Aind.size(), A.Aptr.data(), A.Aptr.size(), B.data(),
                                         B.size(), C.data(), C.size(), flags, message,
                                         sizeof message),
      message);
  kernel(m, n, a, A.Aval.data(), A.Aind.data(), A.Aptr.data(), B.data(), C.data());
}

#define SPK_CHECKED_COMPLEX(NAME)                                                              \
  inline void NAME(CmplxVecMult* kernel, int32_t d1, int32_t d2, compressed_view A, dvec B,    \
                   dvec BIm, dout C, dout CIm, unsigned flags = 0) {                           \
    SPK_CHECKED_MESSAGE;                                                                       \
    detail::raise_unless_ok(                                                                   \
        spk_check_##NAME(d1, d2, A.Aval.data(), A.Aval.size(), A.AvalIm.data(),                \
                         A.AvalIm.size(), A.Aind.data(), A.Aind.size(), A.Aptr.data(),         \
                         A.Aptr.size(), B.data(), B.size(), BIm.data(), BIm.size(), C.data(),  \
                         C.size(), CIm.data(), CIm.size(), flags, message, sizeof message),    \
        message);                                                                              \
    kernel(d1, d2, A.Aval.data(), A.AvalIm.data(), A.Aind.data(), A.Aptr.data(), B.data(),     \
           BIm.data(), C.data(), CIm.data());                                                  \
  }
// (m, n) for the CSC and CSR kernels, (n, m) for the symmetric one, as in the kernels.
SPK_CHECKED_COMPLEX(CSC_CmplxVecMult_CAB_double)
SPK_CHECKED_COMPLEX(CSR_CmplxVecMult_CAB_double)
SPK_CHECKED_COMPLEX(CSRsymm_CmplxVecMult_CAB_double)
#undef SPK_CHECKED_COMPLEX

// Note the order: n (rows visited) before m (length of B and C).
inline void CSRsymm_VecMult_CAB_double(RealVecMult* kernel, int32_t n, int32_t m,
                                       compressed_view A, dvec B, dout C, unsigned flags = 0) {
  SPK_CHECKED_MESSAGE;
  detail::raise_unless_ok(
      spk_check_CSRsymm_VecMult_CAB_double(n, m, A.Aval.data(), A.Aval.size(), A.Aind.data(),
                                           A.Aind.size(), A.Aptr.data(), A.Aptr.size(),
                                           B.data(), B.size(), C.data(), C.size(), flags,
                                           message, sizeof message),
      message);
  kernel(n, m, A.Aval.data(), A.Aind.data(), A.Aptr.data(), B.data(), C.data());
}

inline void CSC_MatMult_CAB_double(MatMult* kernel, int32_t m, int32_t n, int32_t k,
                                   compressed_view A, dvec B, int32_t spare, dout C,
                                   unsigned flags = 0) {
  SPK_CHECKED_MESSAGE;
  detail::raise_unless_ok(
      spk_check_CSC_MatMult_CAB_double(m, n, k, A.Aval.data(), A.Aval.size(), A.Aind.data(),
                                       A.Aind.size(), A.Aptr.data(), A.Aptr.size(), B.data(),
                                       B.size(), spare, C.data(), C.size(), flags, message,
                                       sizeof message),
      message);
  kernel(m, n, k, A.Aval.data(), A.Aind.data(), A.Aptr.data(), B.data(), spare, C.data());
}

// The solves: B and C may be the same array (pass the same memory as both spans).
#define SPK_CHECKED_SOLVE(NAME)                                                                \
  inline void NAME(TriangSlv* kernel, int32_t n, compressed_view A, dvec B, dout C,            \
                   unsigned flags = 0) {                                                       \
    SPK_CHECKED_MESSAGE;                                                                       \
    detail::raise_unless_ok(                                                                   \
        spk_check_##NAME(n, A.Aval.data(), A.Aval.size(), A.Aind.data(), A.Aind.size(),        \
                         A.Aptr.data(), A.Aptr.size(), B.data(), B.size(), C.data(), C.size(), \
                         flags, message, sizeof message),                                      \
        message);                                                                              \
    kernel(n, A.Aval.data(), A.Aind.data(), A.Aptr.data(), B.data(), C.data());                \
  }
SPK_CHECKED_SOLVE(CSC_VecTriangSlvLD_CAB_double)
SPK_CHECKED_SOLVE(CSC_VecTriangSlvUD_CAB_double)
SPK_CHECKED_SOLVE(CSR_VecTriangSlvLD_CAB_double)
SPK_CHECKED_SOLVE(CSR_VecTriangSlvUD_CAB_double)
#undef SPK_CHECKED_SOLVE
#undef SPK_CHECKED_MESSAGE

}  // namespace checked
}  // namespace spk

#endif  // SPKERNELS_CHECK_HPP
