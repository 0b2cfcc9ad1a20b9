// The peers, each computing what one of our kernels computes, on its own storage built once
// per matrix outside the timing: Eigen (Map over our arrays), CXSparse (cs_di / cs_ci over our
// arrays) and librsb (its own recursive format, one thread).
#ifndef SPK_BENCH_PEERS_HPP
#define SPK_BENCH_PEERS_HPP

#include <complex>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include <Eigen/Dense>
#include <Eigen/Sparse>

#include <rsb.h>
#include <suitesparse/cs.h>

namespace spk::bench::peers {

using Complex = std::complex<double>;
using SpRow = Eigen::SparseMatrix<double, Eigen::RowMajor, int>;
using SpCol = Eigen::SparseMatrix<double, Eigen::ColMajor, int>;
using SpRowZ = Eigen::SparseMatrix<Complex, Eigen::RowMajor, int>;
using SpColZ = Eigen::SparseMatrix<Complex, Eigen::ColMajor, int>;

// A compressed operand as the kernels see it: `vectors` compressed vectors over `extent`.
struct View {
  int32_t vectors, extent;
  const int32_t* ptr;
  const int32_t* ind;
  const double* val;
  int64_t stored;
};

template <class Sp, class T>
Eigen::Map<const Sp> eigen_map(const View& a, const T* values, bool rows_compressed) {
  const int32_t r = rows_compressed ? a.vectors : a.extent, c = rows_compressed ? a.extent : a.vectors;
  return Eigen::Map<const Sp>(r, c, a.stored, a.ptr, a.ind, values);
}

inline cs_di cs_view(const View& a) {
  // column-compressed: extent rows, vectors columns
  return cs_di{int(a.stored), a.extent, a.vectors, const_cast<int*>(a.ptr),
               const_cast<int*>(a.ind), const_cast<double*>(a.val), -1};
}

inline cs_ci cs_view(const View& a, const Complex* values) {
  return cs_ci{int(a.stored), a.extent, a.vectors, const_cast<int*>(a.ptr),
               const_cast<int*>(a.ind), const_cast<Complex*>(values), -1};
}

// librsb, initialised once for one executing thread.
inline void rsb_start() {
  if (rsb_lib_init(RSB_NULL_INIT_OPTIONS) != RSB_ERR_NO_ERROR)
    throw std::runtime_error("librsb: rsb_lib_init failed");
  rsb_int_t one = 1;
  rsb_lib_set_opt(RSB_IO_WANT_EXECUTING_THREADS, &one);
}

struct RsbMatrix {
  rsb_mtx_t* m = nullptr;
  RsbMatrix() = default;
  RsbMatrix(const RsbMatrix&) = delete;
  RsbMatrix& operator=(const RsbMatrix&) = delete;
  ~RsbMatrix() {
    if (m) rsb_mtx_free(m);
  }
};

// Builds librsb's matrix from our row- or column-compressed arrays; flags for triangular or
// symmetric storage. Returns false when librsb refuses.
inline bool rsb_build(RsbMatrix& out, const View& a, const void* values, bool complex,
                      bool rows_compressed, rsb_flags_t flags) {
  rsb_err_t err = RSB_ERR_NO_ERROR;
  const rsb_type_t type = complex ? RSB_NUMERICAL_TYPE_DOUBLE_COMPLEX : RSB_NUMERICAL_TYPE_DOUBLE;
  if (rows_compressed)
    out.m = rsb_mtx_alloc_from_csr_const(values, a.ptr, a.ind, rsb_nnz_idx_t(a.stored), type,
                                         a.vectors, a.extent, 1, 1, flags, &err);
  else
    out.m = rsb_mtx_alloc_from_csc_const(values, a.ind, a.ptr, rsb_nnz_idx_t(a.stored), type,
                                         a.extent, a.vectors, 1, 1, flags, &err);
  return out.m && err == RSB_ERR_NO_ERROR;
}

}  // namespace spk::bench::peers

#endif  // SPK_BENCH_PEERS_HPP
