// The MEX gateway between Octave and the spkernels libraries.
//
//   C = spkernels_gateway(kernel, scheme, A, B)            products and solves
//   C = spkernels_gateway(kernel, scheme, A, B, Cin, a)    the C = a*A*B + C kernels
//   tag = spkernels_gateway('mexVersion', scheme)
//
// kernel is a kernel's symbol name, scheme "fused" or "separate". It lives in the private
// folder of the spk_* functions, which choose the kernel and pass the operands; it validates
// every operand all the same, since it is the last line before native code.
//
// A is an Octave sparse matrix: column-compressed, 64-bit indices, real and imaginary parts in
// separate arrays. Its index arrays are narrowed to the kernels' 32-bit indices (a matrix whose
// dimensions or stored-entry count do not fit is refused) and its values are passed as they
// are. A row-compressed kernel given A's arrays works on A.'. Every call is checked by the
// operand checker before the kernel runs; the result is a new array, so a refused call leaves
// nothing behind.
//
// The kernels come from the two bundles that export them, loaded at the first call:
// spkernels_powerpc.so (multiply-add pairs fused) and spkernels_separate.so (every operation
// rounded alone), from the directory named by SPKERNELS_LIB_DIR, or else from the paths this
// build was configured with.
#include <dlfcn.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <span>
#include <string>
#include <vector>

#include "mex.h"
#include "spkernels/check.hpp"
#include "spkernels/spkernels.h"

// The build's bundle paths, when it wrote them.
#if __has_include("spkernels_gateway_paths.h")
#include "spkernels_gateway_paths.h"
#endif
#ifndef SPK_FUSED_LIBRARY
#define SPK_FUSED_LIBRARY "spkernels_powerpc.so"
#endif
#ifndef SPK_SEPARATE_LIBRARY
#define SPK_SEPARATE_LIBRARY "spkernels_separate.so"
#endif

namespace {

constexpr std::int64_t kMaxIndex = std::numeric_limits<std::int32_t>::max();

// A refusal: an Octave error identifier and the message. Raised as an Octave error by
// mexFunction once every local has been destroyed.
struct Failure {
  const char* id;
  std::string message;
};

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(buffer, sizeof buffer, fmt, args);
  va_end(args);
  return buffer;
}

[[noreturn]] void refuse(const char* id, std::string message) {
  throw Failure{id, std::move(message)};
}

// ---- The libraries ------------------------------------------------------------------------

enum class Scheme { fused, separate };

// A loaded bundle, kept for the rest of the session. The path is worked out at every call,
// so that a change of SPKERNELS_LIB_DIR takes effect; each path is loaded once.
struct Library {
  std::string path;
  void* handle = nullptr;
};

Library& library(Scheme scheme) {
  static std::vector<Library> loaded;
  const char* file = scheme == Scheme::fused ? "spkernels_powerpc.so" : "spkernels_separate.so";
  const char* dir = std::getenv("SPKERNELS_LIB_DIR");
  const std::string path = dir && *dir ? std::string(dir) + "/" + file
                                       : std::string(scheme == Scheme::fused
                                                         ? SPK_FUSED_LIBRARY
                                                         : SPK_SEPARATE_LIBRARY);
  for (Library& lib : loaded)
    if (lib.path == path) return lib;
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = dlerror();
    refuse("spkernels:libraryNotFound",
           format("spkernels: cannot load the %s kernels from %s (%s); build them, or set "
                  "SPKERNELS_LIB_DIR to a directory that holds %s",
                  scheme == Scheme::fused ? "fused" : "separate", path.c_str(),
                  why ? why : "no reason given", file));
  }
  loaded.push_back({path, handle});
  return loaded.back();
}

// The kernel `name` of the bundle behind `scheme`, as a pointer of the declared type.
// Only the declared type is taken from the header (unevaluated), so nothing here refers to
// the symbols themselves.
template <class Function>
Function* kernel(Scheme scheme, const char* name) {
  Library& lib = library(scheme);
  void* symbol = dlsym(lib.handle, name);
  if (!symbol)
    refuse("spkernels:libraryNotFound",
           format("spkernels: %s does not export %s", lib.path.c_str(), name));
  return reinterpret_cast<Function*>(symbol);
}
#define SPK_KERNEL(scheme, name) kernel<decltype(::name)>(scheme, #name)

// ---- Operands -----------------------------------------------------------------------------

std::string text(const mxArray* a) {
  char* chars = mxArrayToString(a);
  std::string s = chars ? chars : "";
  mxFree(chars);
  return s;
}

std::string describe(const mxArray* a) {
  const std::int64_t rows = static_cast<std::int64_t>(mxGetM(a));
  const std::int64_t cols = static_cast<std::int64_t>(mxGetN(a));
  std::string what = format("%lld-by-%lld ", static_cast<long long>(rows),
                            static_cast<long long>(cols));
  if (mxIsSparse(a)) what += "sparse ";
  if (mxIsComplex(a)) what += "complex ";
  return what + mxGetClassName(a);
}

std::int32_t dimension(std::int64_t value, const char* where, const char* name, const char* what) {
  if (value > kMaxIndex)
    refuse("spkernels:tooLarge",
           format("%s: %s has %lld %s; the kernels take at most %lld (32-bit indices)", where,
                  name, static_cast<long long>(value), what, static_cast<long long>(kMaxIndex)));
  return static_cast<std::int32_t>(value);
}

// A sparse double matrix with its indices narrowed to 32 bits and its values where Octave
// keeps them. im is null for a real matrix.
struct Sparse {
  std::int32_t rows = 0, cols = 0;
  std::size_t stored = 0;
  const double* re = nullptr;
  const double* im = nullptr;
  std::vector<std::int32_t> ind, ptr;
  std::vector<double> zeros;  // the imaginary parts of a real matrix in a complex kernel

  spk::compressed_view view() const {
    return {{re, stored}, {ind.data(), stored}, {ptr.data(), ptr.size()},
            {im ? im : zeros.data(), stored}};
  }
  void complexify() {
    if (!im) zeros.assign(stored, 0.0);
  }
};

Sparse sparse(const mxArray* a, const char* where, const char* name, bool complex_ok) {
  if (!mxIsSparse(a) || !mxIsDouble(a))
    refuse("spkernels:badArgument",
           format("%s: %s must be a sparse double matrix, not a %s", where, name,
                  describe(a).c_str()));
  if (mxIsComplex(a) && !complex_ok)
    refuse("spkernels:badArgument",
           format("%s: %s must be real; this operation has no complex kernel", where, name));
  Sparse s;
  s.rows = dimension(static_cast<std::int64_t>(mxGetM(a)), where, name, "rows");
  s.cols = dimension(static_cast<std::int64_t>(mxGetN(a)), where, name, "columns");
  const mwIndex* Jc = mxGetJc(a);
  const mwIndex* Ir = mxGetIr(a);
  const std::int64_t stored = static_cast<std::int64_t>(Jc[s.cols]);
  dimension(stored, where, name, "stored entries");
  s.stored = static_cast<std::size_t>(stored);
  s.ptr.resize(static_cast<std::size_t>(s.cols) + 1);
  for (std::size_t j = 0; j < s.ptr.size(); ++j) {
    const std::int64_t v = static_cast<std::int64_t>(Jc[j]);
    if (v < 0 || v > kMaxIndex)
      refuse("spkernels:tooLarge",
             format("%s: the start of column %zu of %s is %lld, which does not fit in 32 bits",
                    where, j + 1, name, static_cast<long long>(v)));
    s.ptr[j] = static_cast<std::int32_t>(v);
  }
  s.ind.resize(s.stored);
  for (std::size_t p = 0; p < s.stored; ++p) {
    const std::int64_t v = static_cast<std::int64_t>(Ir[p]);
    if (v < 0 || v > kMaxIndex)
      refuse("spkernels:tooLarge",
             format("%s: stored entry %zu of %s has row index %lld, which does not fit in "
                    "32 bits", where, p + 1, name, static_cast<long long>(v)));
    s.ind[p] = static_cast<std::int32_t>(v);
  }
  s.re = mxGetPr(a);
  s.im = mxIsComplex(a) ? mxGetPi(a) : nullptr;
  return s;
}

// A full double array; for a complex kernel a real one gets zero imaginary parts.
struct Dense {
  std::size_t rows = 0, cols = 0;
  const double* re = nullptr;
  const double* im = nullptr;
  std::vector<double> zeros;

  std::size_t size() const { return rows * cols; }
  spk::checked::dvec real() const { return {re, size()}; }
  spk::checked::dvec imag() {
    if (!im) {
      zeros.assign(size(), 0.0);
      return {zeros.data(), size()};
    }
    return {im, size()};
  }
};

Dense dense(const mxArray* a, const char* where, const char* name, std::size_t rows,
            std::size_t cols, bool fixed_cols, bool complex_ok) {
  const bool ok_class = mxIsDouble(a) && !mxIsSparse(a) && mxGetNumberOfDimensions(a) == 2;
  if (!ok_class)
    refuse("spkernels:badArgument",
           format("%s: %s must be a full double %s, not a %s", where, name,
                  fixed_cols && cols == 1 ? "column vector" : "matrix", describe(a).c_str()));
  if (mxIsComplex(a) && !complex_ok)
    refuse("spkernels:badArgument",
           format("%s: %s must be real; this operation has no complex kernel", where, name));
  Dense d;
  d.rows = mxGetM(a);
  d.cols = mxGetN(a);
  if (d.rows != rows || (fixed_cols && d.cols != cols)) {
    if (fixed_cols)
      refuse("spkernels:badArgument",
             format("%s: %s must be %zu-by-%zu, not %zu-by-%zu", where, name, rows, cols, d.rows,
                    d.cols));
    refuse("spkernels:badArgument",
           format("%s: %s must have %zu rows, not %zu", where, name, rows, d.rows));
  }
  d.re = mxGetPr(a);
  d.im = mxIsComplex(a) ? mxGetPi(a) : nullptr;
  return d;
}

double scalar(const mxArray* a, const char* where, const char* name) {
  if (!mxIsDouble(a) || mxIsSparse(a) || mxIsComplex(a) || mxGetNumberOfElements(a) != 1)
    refuse("spkernels:badArgument",
           format("%s: %s must be a real double scalar, not a %s", where, name,
                  describe(a).c_str()));
  return mxGetPr(a)[0];
}

// ---- The calls ----------------------------------------------------------------------------

// What the checker's message refers to, in the terms of the Octave call.
struct Legend {
  const char* where;  // the function the user called
  const char* names;  // what the kernel's arrays are
};

// Runs one checked call; a refusal becomes spkernels:badOperand with the checker's message.
template <class Call>
void checked(const char* kernel_name, const Legend& legend, Call&& call) {
  try {
    call();
  } catch (const spk::operand_error& error) {
    refuse("spkernels:badOperand",
           format("%s: %s [%s; kernel %s; %s; positions and indices count from 0]",
                  legend.where, error.what(), error.code_name(), kernel_name, legend.names));
  }
}

mxArray* new_vector(std::size_t n, bool complex) {
  return mxCreateDoubleMatrix(n, 1, complex ? mxCOMPLEX : mxREAL);
}
std::span<double> re_of(mxArray* a) { return {mxGetPr(a), mxGetNumberOfElements(a)}; }
std::span<double> im_of(mxArray* a) { return {mxGetPi(a), mxGetNumberOfElements(a)}; }

struct Args {
  Scheme scheme;
  int nrhs;
  const mxArray** prhs;
};

void expect_operands(const Args& args, int count, const char* kernel_name) {
  if (args.nrhs != count)
    refuse("spkernels:badArgument",
           format("spkernels_gateway: %s takes %d operands, not %d", kernel_name, count - 2,
                  args.nrhs - 2));
}

constexpr const char* kCscNames =
    "Aval, Aind, Aptr are A's values, row indices and column starts";
constexpr const char* kCsrNames =
    "Aval, Aind, Aptr are A's values, row indices and column starts, which are the values, "
    "column indices and row starts of A.'";

// C = A*x (csc) or C = A.'*x (csr), real.
mxArray* vec_mult(const Args& args, bool csr) {
  const char* name = csr ? "CSR_VecMult_CAB_double" : "CSC_VecMult_CAB_double";
  expect_operands(args, 4, name);
  const char* where = "spk_mtimes";
  const Sparse A = sparse(args.prhs[2], where, "A", false);
  const std::size_t in = csr ? A.rows : A.cols, out = csr ? A.cols : A.rows;
  const Dense x = dense(args.prhs[3], where, "x", in, 1, true, false);
  mxArray* C = new_vector(out, false);
  const Legend legend{where, csr ? kCsrNames : kCscNames};
  auto* fn = csr ? SPK_KERNEL(args.scheme, CSR_VecMult_CAB_double)
                 : SPK_KERNEL(args.scheme, CSC_VecMult_CAB_double);
  checked(name, legend, [&] {
    if (csr)
      spk::checked::CSR_VecMult_CAB_double(fn, A.rows, A.cols, A.view(), x.real(), re_of(C));
    else
      spk::checked::CSC_VecMult_CAB_double(fn, A.rows, A.cols, A.view(), x.real(), re_of(C));
  });
  return C;
}

// C = y + a*A*x (csc) or y + a*A.'*x (csr), real.
mxArray* vec_mult_add(const Args& args, bool csr) {
  const char* name = csr ? "CSR_VecMult_CaABC_double" : "CSC_VecMult_CaABC_double";
  expect_operands(args, 6, name);
  const char* where = "spk_mtimes_add";
  const Sparse A = sparse(args.prhs[2], where, "A", false);
  const std::size_t in = csr ? A.rows : A.cols, out = csr ? A.cols : A.rows;
  const Dense x = dense(args.prhs[3], where, "x", in, 1, true, false);
  const Dense y = dense(args.prhs[4], where, "y", out, 1, true, false);
  const double a = scalar(args.prhs[5], where, "a");
  mxArray* C = new_vector(out, false);
  std::span<double> c = re_of(C);
  for (std::size_t i = 0; i < out; ++i) c[i] = y.re[i];
  const Legend legend{where, csr ? kCsrNames : kCscNames};
  auto* fn = csr ? SPK_KERNEL(args.scheme, CSR_VecMult_CaABC_double)
                 : SPK_KERNEL(args.scheme, CSC_VecMult_CaABC_double);
  checked(name, legend, [&] {
    if (csr)
      spk::checked::CSR_VecMult_CaABC_double(fn, A.rows, A.cols, a, A.view(), x.real(), c);
    else
      spk::checked::CSC_VecMult_CaABC_double(fn, A.rows, A.cols, a, A.view(), x.real(), c);
  });
  return C;
}

// Complex C = A*x (csc) or A.'*x (csr, never conjugated); either operand may be real.
mxArray* cmplx_vec_mult(const Args& args, bool csr) {
  const char* name = csr ? "CSR_CmplxVecMult_CAB_double" : "CSC_CmplxVecMult_CAB_double";
  expect_operands(args, 4, name);
  const char* where = "spk_mtimes";
  Sparse A = sparse(args.prhs[2], where, "A", true);
  A.complexify();
  const std::size_t in = csr ? A.rows : A.cols, out = csr ? A.cols : A.rows;
  Dense x = dense(args.prhs[3], where, "x", in, 1, true, true);
  mxArray* C = new_vector(out, true);
  const Legend legend{where, csr ? "Aval, AvalIm, Aind, Aptr are A's real and imaginary parts, "
                                   "row indices and column starts, which are those of A.' by "
                                   "rows"
                                 : "Aval, AvalIm, Aind, Aptr are A's real and imaginary parts, "
                                   "row indices and column starts"};
  auto* fn = csr ? SPK_KERNEL(args.scheme, CSR_CmplxVecMult_CAB_double)
                 : SPK_KERNEL(args.scheme, CSC_CmplxVecMult_CAB_double);
  checked(name, legend, [&] {
    if (csr)
      spk::checked::CSR_CmplxVecMult_CAB_double(fn, A.rows, A.cols, A.view(), x.real(),
                                                x.imag(), re_of(C), im_of(C));
    else
      spk::checked::CSC_CmplxVecMult_CAB_double(fn, A.rows, A.cols, A.view(), x.real(),
                                                x.imag(), re_of(C), im_of(C));
  });
  return C;
}

// The symmetric product. The operand is U.' (passed so by spk_symm): its column-compressed
// arrays are U's row-compressed arrays, which is what the row-compressed kernel reads.
mxArray* symm_vec_mult(const Args& args, bool complex) {
  const char* name = complex ? "CSRsymm_CmplxVecMult_CAB_double" : "CSRsymm_VecMult_CAB_double";
  expect_operands(args, 4, name);
  const char* where = "spk_symm";
  Sparse Ut = sparse(args.prhs[2], where, "U", complex);
  if (Ut.rows != Ut.cols)
    refuse("spkernels:badArgument",
           format("%s: U must be square, not %d-by-%d", where, Ut.cols, Ut.rows));
  const std::int32_t order = Ut.rows;
  Dense x = dense(args.prhs[3], where, "x", static_cast<std::size_t>(order), 1, true, complex);
  mxArray* C = new_vector(static_cast<std::size_t>(order), complex);
  const Legend legend{where, complex ? "Aval, AvalIm, Aind, Aptr are U's real and imaginary "
                                       "parts, column indices and row starts"
                                     : "Aval, Aind, Aptr are U's values, column indices and row "
                                       "starts"};
  if (complex) {
    Ut.complexify();
    auto* fn = SPK_KERNEL(args.scheme, CSRsymm_CmplxVecMult_CAB_double);
    checked(name, legend, [&] {
      spk::checked::CSRsymm_CmplxVecMult_CAB_double(fn, order, order, Ut.view(), x.real(),
                                                    x.imag(), re_of(C), im_of(C));
    });
  } else {
    auto* fn = SPK_KERNEL(args.scheme, CSRsymm_VecMult_CAB_double);
    checked(name, legend, [&] {
      spk::checked::CSRsymm_VecMult_CAB_double(fn, order, order, Ut.view(), x.real(),
                                               re_of(C));
    });
  }
  return C;
}

// C = A*B, A sparse m-by-k, B full k-by-n. The kernel reads B with C's column stride m; when
// k differs from m it is called once per column (n = 1), which takes the same terms in the
// same order for every element.
mxArray* mat_mult(const Args& args) {
  const char* name = "CSC_MatMult_CAB_double";
  expect_operands(args, 4, name);
  const char* where = "spk_matmat";
  const Sparse A = sparse(args.prhs[2], where, "A", false);
  const Dense B = dense(args.prhs[3], where, "B", static_cast<std::size_t>(A.cols), 0, false,
                        false);
  const std::int32_t n = dimension(static_cast<std::int64_t>(B.cols), where, "B", "columns");
  const std::size_t m = static_cast<std::size_t>(A.rows), k = static_cast<std::size_t>(A.cols);
  mxArray* C = mxCreateDoubleMatrix(m, B.cols, mxREAL);
  const Legend legend{where, "Aval, Aind, Aptr are A's values, row indices and column starts"};
  auto* fn = SPK_KERNEL(args.scheme, CSC_MatMult_CAB_double);
  std::span<double> c = re_of(C);
  checked(name, legend, [&] {
    if (m == k) {
      spk::checked::CSC_MatMult_CAB_double(fn, A.rows, n, A.cols, A.view(), B.real(), 0, c);
      return;
    }
    for (std::size_t col = 0; col < B.cols; ++col)
      spk::checked::CSC_MatMult_CAB_double(fn, A.rows, 1, A.cols, A.view(),
                                           B.real().subspan(col * k, k), 0,
                                           c.subspan(col * m, m));
  });
  return C;
}

// Solve T*C = b (csc, T's own arrays) or T.'*C = b (csr: T's arrays are T.''s rows).
mxArray* solve(const Args& args, const char* name, bool csr, bool lower) {
  expect_operands(args, 4, name);
  const char* where = "spk_solve";
  const Sparse T = sparse(args.prhs[2], where, "T", false);
  if (T.rows != T.cols)
    refuse("spkernels:badArgument",
           format("%s: T must be square, not %d-by-%d", where, T.rows, T.cols));
  const Dense b = dense(args.prhs[3], where, "b", static_cast<std::size_t>(T.rows), 1, true,
                        false);
  mxArray* C = new_vector(static_cast<std::size_t>(T.rows), false);
  const Legend legend{where, csr ? "Aval, Aind, Aptr are T's values, row indices and column "
                                   "starts, which are the values, column indices and row "
                                   "starts of T.'"
                                 : "Aval, Aind, Aptr are T's values, row indices and column "
                                   "starts"};
  checked(name, legend, [&] {
    const auto view = T.view();
    const unsigned flags = SPK_CHECK_ZERO_DIVISOR;
    if (csr && lower)
      spk::checked::CSR_VecTriangSlvLD_CAB_double(
          SPK_KERNEL(args.scheme, CSR_VecTriangSlvLD_CAB_double), T.rows, view, b.real(),
          re_of(C), flags);
    else if (csr)
      spk::checked::CSR_VecTriangSlvUD_CAB_double(
          SPK_KERNEL(args.scheme, CSR_VecTriangSlvUD_CAB_double), T.rows, view, b.real(),
          re_of(C), flags);
    else if (lower)
      spk::checked::CSC_VecTriangSlvLD_CAB_double(
          SPK_KERNEL(args.scheme, CSC_VecTriangSlvLD_CAB_double), T.rows, view, b.real(),
          re_of(C), flags);
    else
      spk::checked::CSC_VecTriangSlvUD_CAB_double(
          SPK_KERNEL(args.scheme, CSC_VecTriangSlvUD_CAB_double), T.rows, view, b.real(),
          re_of(C), flags);
  });
  return C;
}

mxArray* dispatch(const std::string& name, const Args& args) {
  if (name == "mexVersion") {
    expect_operands(args, 2, "mexVersion");
    const char* tag = SPK_KERNEL(args.scheme, mexVersion)();
    return mxCreateString(tag);
  }
  if (name == "CSC_VecMult_CAB_double") return vec_mult(args, false);
  if (name == "CSR_VecMult_CAB_double") return vec_mult(args, true);
  if (name == "CSC_VecMult_CaABC_double") return vec_mult_add(args, false);
  if (name == "CSR_VecMult_CaABC_double") return vec_mult_add(args, true);
  if (name == "CSC_CmplxVecMult_CAB_double") return cmplx_vec_mult(args, false);
  if (name == "CSR_CmplxVecMult_CAB_double") return cmplx_vec_mult(args, true);
  if (name == "CSRsymm_VecMult_CAB_double") return symm_vec_mult(args, false);
  if (name == "CSRsymm_CmplxVecMult_CAB_double") return symm_vec_mult(args, true);
  if (name == "CSC_MatMult_CAB_double") return mat_mult(args);
  if (name == "CSC_VecTriangSlvLD_CAB_double") return solve(args, name.c_str(), false, true);
  if (name == "CSC_VecTriangSlvUD_CAB_double") return solve(args, name.c_str(), false, false);
  if (name == "CSR_VecTriangSlvLD_CAB_double") return solve(args, name.c_str(), true, true);
  if (name == "CSR_VecTriangSlvUD_CAB_double") return solve(args, name.c_str(), true, false);
  refuse("spkernels:badArgument", format("spkernels_gateway: no kernel is named '%s'",
                                         name.c_str()));
}

void run(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  if (nrhs < 2 || !mxIsChar(prhs[0]) || !mxIsChar(prhs[1]))
    refuse("spkernels:badArgument",
           "spkernels_gateway: usage: spkernels_gateway(kernel, scheme, operands...)");
  if (nlhs > 1)
    refuse("spkernels:badArgument", "spkernels_gateway: one output at most");
  const std::string name = text(prhs[0]), scheme = text(prhs[1]);
  if (scheme != "fused" && scheme != "separate")
    refuse("spkernels:badArgument",
           format("spkernels_gateway: the scheme must be 'fused' or 'separate', not '%s'",
                  scheme.c_str()));
  const Args args{scheme == "fused" ? Scheme::fused : Scheme::separate, nrhs, prhs};
  plhs[0] = dispatch(name, args);
}

}  // namespace

extern "C" void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  // Octave's error raising does not return. Everything this call owns is released before
  // it, so only the text of the error is kept.
  static char id[64];
  static char message[2048];
  try {
    run(nlhs, plhs, nrhs, prhs);
    return;
  } catch (const Failure& failure) {
    std::snprintf(id, sizeof id, "%s", failure.id);
    std::snprintf(message, sizeof message, "%s", failure.message.c_str());
  } catch (const std::bad_alloc&) {
    std::snprintf(id, sizeof id, "spkernels:outOfMemory");
    std::snprintf(message, sizeof message, "spkernels_gateway: out of memory");
  }
  mexErrMsgIdAndTxt(id, "%s", message);
}
