// spk_bench: times the thirteen kernels of the fused and the separately rounded bundle against
// the plain literal loop (the baseline) and against Eigen, CXSparse and librsb, in one run,
// with the single-core memory ceiling measured alongside. Implementations are interleaved
// round-robin, each round in a rotated order, after a warm-up call that also compares every
// output with the literal loop bit for bit. Writes a Markdown table, a CSV and gnuplot charts.
//
//   spk_bench [--quick] [--check-only] [--rounds N] [--only TEXT] [--kernel TEXT]
//             [--matrices DIR] [--bundles DIR] [--out DIR]
#include <dlfcn.h>
#include <unistd.h>
#include <cerrno>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "literal.hpp"
#include "matrices.hpp"
#include "peers.hpp"
#include "spkernels/spkernels.h"
#include "spkernels/kernel_names.hpp"

namespace {

using namespace spk::bench;
using peers::Complex;
using peers::View;
using Vec = std::vector<double>;

// ---- Options -------------------------------------------------------------------------------

struct Options {
  bool quick = false, check_only = false;
  int rounds = 0;  // 0: the mode's default
  std::string only, kernel;
  std::string matrices = SPK_BENCH_MATRICES_DIR, bundles = SPK_BENCH_BUNDLE_DIR,
              out = SPK_BENCH_RESULTS_DIR;
};

[[noreturn]] void usage_error(const std::string& message) {
  std::fprintf(stderr,
               "spk_bench: %s\nusage: spk_bench [--quick] [--check-only] [--rounds N] "
               "[--only TEXT] [--kernel TEXT] [--matrices DIR] [--bundles DIR] [--out DIR]\n",
               message.c_str());
  std::exit(2);
}

Options parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) usage_error("option " + a + " needs a value");
      return argv[++i];
    };
    if (a == "--quick") o.quick = true;
    else if (a == "--check-only") o.check_only = true;
    else if (a == "--rounds") {
      const std::string v = value();
      char* end = nullptr;
      const long r = std::strtol(v.c_str(), &end, 10);
      if (v.empty() || *end || r < 1 || r > 1000)
        usage_error("--rounds takes a whole number from 1 to 1000, not '" + v + "'");
      o.rounds = int(r);
    } else if (a == "--only") o.only = value();
    else if (a == "--kernel") o.kernel = value();
    else if (a == "--matrices") o.matrices = value();
    else if (a == "--bundles") o.bundles = value();
    else if (a == "--out") o.out = value();
    else usage_error("unknown argument '" + a + "'");
  }
  return o;
}

// ---- The bundles ---------------------------------------------------------------------------

struct Bundle {
  std::string label;
  decltype(&CSC_VecMult_CAB_double) csc_vec_mult;
  decltype(&CSR_VecMult_CAB_double) csr_vec_mult;
  decltype(&CSC_VecMult_CaABC_double) csc_vec_mult_add;
  decltype(&CSR_VecMult_CaABC_double) csr_vec_mult_add;
  decltype(&CSC_CmplxVecMult_CAB_double) csc_cmplx;
  decltype(&CSR_CmplxVecMult_CAB_double) csr_cmplx;
  decltype(&CSRsymm_VecMult_CAB_double) symm;
  decltype(&CSRsymm_CmplxVecMult_CAB_double) symm_cmplx;
  decltype(&CSC_MatMult_CAB_double) mat_mult;
  decltype(&CSC_VecTriangSlvLD_CAB_double) csc_lower;
  decltype(&CSC_VecTriangSlvUD_CAB_double) csc_upper;
  decltype(&CSR_VecTriangSlvLD_CAB_double) csr_lower;
  decltype(&CSR_VecTriangSlvUD_CAB_double) csr_upper;
};

Bundle load_bundle(const std::string& path, const std::string& label) {
  void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!h) {
    std::fprintf(stderr, "spk_bench: cannot load bundle %s: %s (build the bundles first)\n",
                 path.c_str(), dlerror());
    std::exit(1);
  }
  auto sym = [&](const char* name) {
    void* f = dlsym(h, name);
    if (!f) {
      std::fprintf(stderr, "spk_bench: bundle %s does not export %s\n", path.c_str(), name);
      std::exit(1);
    }
    return f;
  };
  Bundle b;
  b.label = label;
#define SPK_LOAD(field, name) b.field = reinterpret_cast<decltype(b.field)>(sym(#name))
  SPK_LOAD(csc_vec_mult, CSC_VecMult_CAB_double);
  SPK_LOAD(csr_vec_mult, CSR_VecMult_CAB_double);
  SPK_LOAD(csc_vec_mult_add, CSC_VecMult_CaABC_double);
  SPK_LOAD(csr_vec_mult_add, CSR_VecMult_CaABC_double);
  SPK_LOAD(csc_cmplx, CSC_CmplxVecMult_CAB_double);
  SPK_LOAD(csr_cmplx, CSR_CmplxVecMult_CAB_double);
  SPK_LOAD(symm, CSRsymm_VecMult_CAB_double);
  SPK_LOAD(symm_cmplx, CSRsymm_CmplxVecMult_CAB_double);
  SPK_LOAD(mat_mult, CSC_MatMult_CAB_double);
  SPK_LOAD(csc_lower, CSC_VecTriangSlvLD_CAB_double);
  SPK_LOAD(csc_upper, CSC_VecTriangSlvUD_CAB_double);
  SPK_LOAD(csr_lower, CSR_VecTriangSlvLD_CAB_double);
  SPK_LOAD(csr_upper, CSR_VecTriangSlvUD_CAB_double);
#undef SPK_LOAD
  return b;
}

// ---- Timing --------------------------------------------------------------------------------

double now() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t h = v.size() / 2;
  return v.size() % 2 ? v[h] : 0.5 * (v[h - 1] + v[h]);
}

// The memory ceiling: a read-only stream of 8-byte words, and a stream of 8-byte values with
// 4-byte indices, over arrays far larger than the last-level cache. Best of several passes, in
// GB/s. The sums are integer ones, which the compiler may vectorise and reorder: the loops
// must be bound by memory alone, not by a chain of floating-point additions (a ceiling that a
// kernel can beat is no ceiling).
struct Ceiling {
  double read_only = 0, value_index = 0;
};

Ceiling measure_ceiling(size_t words) {
  static std::vector<uint64_t> x;
  static std::vector<uint32_t> idx;
  if (x.size() != words) {
    x.assign(words, 1);
    idx.assign(words, 1);
    for (size_t t = 0; t < words; ++t) x[t] = t & 7, idx[t] = uint32_t(t & 15);
  }
  Ceiling c;
  volatile uint64_t sink = 0;
  for (int pass = 0; pass < 5; ++pass) {
    // Each array is read as four streams at once, its quarters side by side: a kernel reads
    // several arrays at a time, and one stream alone leaves bandwidth unused.
    const size_t q = words / 4;
    const uint64_t *x0 = x.data(), *x1 = x0 + q, *x2 = x1 + q, *x3 = x2 + q;
    const uint32_t *i0 = idx.data(), *i1 = i0 + q, *i2 = i1 + q, *i3 = i2 + q;
    double t0 = now();
    uint64_t words_sum = 0;
    for (size_t t = 0; t < q; ++t) words_sum += x0[t] + x1[t] + x2[t] + x3[t];
    double t1 = now();
    sink = sink + words_sum;
    c.read_only = std::max(c.read_only, 8.0 * double(4 * q) / (t1 - t0) * 1e-9);
    t0 = now();
    uint64_t values_sum = 0, index_sum = 0;
    for (size_t t = 0; t < q; ++t) {
      values_sum += x0[t] + x1[t] + x2[t] + x3[t];
      index_sum += i0[t] + i1[t] + i2[t] + i3[t];
    }
    t1 = now();
    sink = sink + values_sum + index_sum;
    c.value_index = std::max(c.value_index, 12.0 * double(4 * q) / (t1 - t0) * 1e-9);
  }
  return c;
}

// ---- Bit comparison ------------------------------------------------------------------------

bool same_bits(double a, double b) {
  return (std::isnan(a) && std::isnan(b)) ||
         std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
}

std::string compare(const Vec& got, const Vec& want, bool& identical) {
  if (got.size() != want.size()) {
    identical = false;
    return "length differs";
  }
  size_t differ = 0;
  double worst = 0;
  for (size_t t = 0; t < got.size(); ++t)
    if (!same_bits(got[t], want[t])) {
      ++differ;
      const double scale = std::max(std::fabs(want[t]), 1e-300);
      const double rel = std::fabs(got[t] - want[t]) / scale;
      worst = std::max(worst, std::isnan(rel) ? INFINITY : rel);
    }
  identical = differ == 0;
  if (identical) return "identical";
  char text[96];
  std::snprintf(text, sizeof text, "%zu of %zu differ, max rel %.1e", differ, got.size(), worst);
  return text;
}

// ---- Cases ---------------------------------------------------------------------------------

// Baseline: the literal loop, separately rounded, the reference of every ratio; FusedBaseline:
// the same loop under the fused scheme, what the fused bundle's schedule is measured against.
enum class Kind { Baseline, FusedBaseline, Ours, Peer };

struct Impl {
  std::string name;
  Kind kind;
  bool fused = false;               // which literal scheme an Ours entry must match
  std::function<void()> reset;      // restores the output (CaABC kernels accumulate)
  std::function<void()> run;
  std::function<Vec()> output;
};

struct Case {
  std::string kernel;
  double bytes = 0;  // compulsory traffic of one call
  Vec ref_separate, ref_fused;
  std::vector<Impl> impls;
};

struct Result {
  std::string matrix, kernel, impl;
  Kind kind;
  int64_t rows, stored;
  double med = 0, min = 0, bytes = 0;
  std::string bits;
  bool identical = true, ours_mismatch = false;
};

Vec concat(const Vec& a, const Vec& b) {
  Vec c = a;
  c.insert(c.end(), b.begin(), b.end());
  return c;
}

Vec random_vec(size_t n, uint64_t seed) {
  Vec v(n);
  for (size_t t = 0; t < n; ++t) v[t] = hashed_value(t, seed, 11) - 1.0;
  return v;
}

std::vector<Complex> interleave(const double* re, const double* im, size_t n) {
  std::vector<Complex> z(n);
  for (size_t t = 0; t < n; ++t) z[t] = Complex(re[t], im[t]);
  return z;
}

Vec split(const std::vector<Complex>& z) {
  Vec v(2 * z.size());
  for (size_t t = 0; t < z.size(); ++t) v[t] = z[t].real(), v[z.size() + t] = z[t].imag();
  return v;
}

// Everything one matrix needs for all thirteen kernels, built once.
struct Workspace {
  std::string name;
  bool symmetric = false, square = false;
  Csr general, lower, upper, upper_sym;
  Vec general_im, upper_sym_im;
  std::vector<Complex> general_z, upper_sym_z;
};

View view(const Csr& a) {
  return View{a.rows, a.cols, a.ptr.data(), a.ind.data(), a.val.data(), a.stored()};
}
// The same arrays read column-compressed: the columns are the rows above.
View view_csc(const Csr& a) { return view(a); }

constexpr double kScale = 0.75;
const double kOne = 1.0, kZero = 0.0;
constexpr int32_t kMatMultColumns = 16;

// Holds every buffer of a case alive for as long as the case runs.
struct Buffers {
  std::vector<std::unique_ptr<Vec>> real;
  std::vector<std::unique_ptr<std::vector<Complex>>> complex;
  std::vector<std::unique_ptr<peers::RsbMatrix>> rsb;
  Vec* make(size_t n, double fill = 0.0) {
    real.push_back(std::make_unique<Vec>(n, fill));
    return real.back().get();
  }
  std::vector<Complex>* make_z(size_t n) {
    complex.push_back(std::make_unique<std::vector<Complex>>(n));
    return complex.back().get();
  }
  peers::RsbMatrix* make_rsb() {
    rsb.push_back(std::make_unique<peers::RsbMatrix>());
    return rsb.back().get();
  }
};

using peers::SpCol;
using peers::SpColZ;
using peers::SpRow;
using peers::SpRowZ;
namespace lit = spk::bench::literal;

// Adds the baseline and our two bundles for a kernel whose only output is a real vector of
// length len (or two of them, complex), given one call per implementation.
struct Builder {
  Case& c;
  Buffers& buf;
  const Bundle& fused;
  const Bundle& separate;

  // A real output of length len; ours(bundle, out) runs a bundle into out and literal(arith,
  // out) the literal loop under the scheme of arith's type.
  template <class Literal>
  void ours_and_baseline(size_t len, const Vec* start,
                         std::function<void(const Bundle&, double*)> ours, Literal literal) {
    auto add = [&](std::string name, Kind kind, bool is_fused, std::function<void(double*)> call) {
      Vec* out = buf.make(len);
      Impl im;
      im.name = std::move(name);
      im.kind = kind;
      im.fused = is_fused;
      im.reset = [out, start] {
        if (start) *out = *start;
      };
      im.run = [call, out] { call(out->data()); };
      im.output = [out] { return *out; };
      c.impls.push_back(std::move(im));
    };
    add("baseline", Kind::Baseline, false, [literal](double* o) { literal(spk::Separate{}, o); });
    add("baseline fused", Kind::FusedBaseline, true, [literal](double* o) { literal(spk::Fused{}, o); });
    const Bundle* f = &fused;
    const Bundle* s = &separate;
    add("spkernels fused", Kind::Ours, true, [ours, f](double* o) { ours(*f, o); });
    add("spkernels separate", Kind::Ours, false, [ours, s](double* o) { ours(*s, o); });
  }

  void peer(std::string name, size_t len, const Vec* start, std::function<void(double*)> call) {
    Vec* out = buf.make(len);
    Impl im;
    im.name = std::move(name);
    im.kind = Kind::Peer;
    im.reset = [out, start] {
      if (start) *out = *start;
    };
    im.run = [call, out] { call(out->data()); };
    im.output = [out] { return *out; };
    c.impls.push_back(std::move(im));
  }

  // A complex peer writing interleaved complex numbers.
  void peer_z(std::string name, size_t len, std::function<void(Complex*)> call) {
    std::vector<Complex>* out = buf.make_z(len);
    Impl im;
    im.name = std::move(name);
    im.kind = Kind::Peer;
    im.reset = [] {};
    im.run = [call, out] { call(out->data()); };
    im.output = [out] { return split(*out); };
    c.impls.push_back(std::move(im));
  }
};

// Builds the case of one kernel on one matrix; returns false when the kernel does not apply.
bool build_case(const std::string& kernel, Workspace& w, const Bundle& fused,
                const Bundle& separate, Buffers& buf, Case& c) {
  c.kernel = kernel;
  Builder b{c, buf, fused, separate};
  const Csr& g = w.general;
  const View G = view(g);
  const int32_t rows = g.rows, cols = g.cols;
  const double A_bytes = 12.0 * double(g.stored()) + 4.0 * (double(rows) + 1);
  const double scale = kScale;

  if (kernel == "CSR_VecMult_CAB_double" || kernel == "CSR_VecMult_CaABC_double") {
    const bool add = kernel == "CSR_VecMult_CaABC_double";
    const Vec* B = buf.make(0);
    *const_cast<Vec*>(B) = random_vec(size_t(cols), 1);
    const Vec* C0 = add ? buf.make(0) : nullptr;
    if (add) *const_cast<Vec*>(C0) = random_vec(size_t(rows), 2);
    c.bytes = A_bytes + 8.0 * cols + 8.0 * rows * (add ? 2 : 1);
    auto ref = [&](auto arith) {
      using A = decltype(arith);
      Vec out = add ? *C0 : Vec(size_t(rows));
      if (add) lit::csr_vec_mult_add<A>(rows, scale, g.val.data(), g.ind.data(), g.ptr.data(), B->data(), out.data());
      else lit::csr_vec_mult<A>(rows, g.val.data(), g.ind.data(), g.ptr.data(), B->data(), out.data());
      return out;
    };
    c.ref_fused = ref(spk::Fused{});
    b.ours_and_baseline(
        size_t(rows), C0,
        [&g, B, add, rows, cols](const Bundle& k, double* o) {
          if (add) k.csr_vec_mult_add(cols, rows, kScale, g.val.data(), g.ind.data(), g.ptr.data(), B->data(), o);
          else k.csr_vec_mult(cols, rows, g.val.data(), g.ind.data(), g.ptr.data(), B->data(), o);
        },
        [&g, B, add, rows](auto arith, double* o) {
          using A = decltype(arith);
          if (add) lit::csr_vec_mult_add<A>(rows, kScale, g.val.data(), g.ind.data(), g.ptr.data(), B->data(), o);
          else lit::csr_vec_mult<A>(rows, g.val.data(), g.ind.data(), g.ptr.data(), B->data(), o);
        });
    b.peer("eigen row-major", size_t(rows), C0, [G, B, add, rows, cols](double* o) {
      auto A = peers::eigen_map<SpRow>(G, G.val, true);
      Eigen::Map<const Eigen::VectorXd> x(B->data(), cols);
      Eigen::Map<Eigen::VectorXd> y(o, rows);
      if (add) y.noalias() += kScale * (A * x);
      else y.noalias() = A * x;
    });
    peers::RsbMatrix* R = buf.make_rsb();
    if (peers::rsb_build(*R, G, G.val, false, true, RSB_FLAG_NOFLAGS))
      b.peer("librsb", size_t(rows), C0, [R, B, add](double* o) {
        const double beta = add ? 1.0 : 0.0, alpha = add ? kScale : 1.0;
        rsb_spmv(RSB_TRANSPOSITION_N, &alpha, R->m, B->data(), 1, &beta, o, 1);
      });
    return true;
  }

  if (kernel == "CSC_VecMult_CAB_double" || kernel == "CSC_VecMult_CaABC_double") {
    // The arrays read column-compressed: m = extent (cols of g), n = vectors (rows of g).
    const bool add = kernel == "CSC_VecMult_CaABC_double";
    const int32_t m = cols, n = rows;
    Vec* B = buf.make(0);
    *B = random_vec(size_t(n), 3);
    Vec* C0 = add ? buf.make(0) : nullptr;
    if (add) *C0 = random_vec(size_t(m), 4);
    c.bytes = A_bytes + 8.0 * n + 16.0 * m;
    auto ref = [&](auto arith) {
      using A = decltype(arith);
      Vec out = add ? *C0 : Vec(size_t(m));
      if (add) lit::csc_vec_mult_add<A>(n, scale, g.val.data(), g.ind.data(), g.ptr.data(), B->data(), out.data());
      else lit::csc_vec_mult<A>(m, n, g.val.data(), g.ind.data(), g.ptr.data(), B->data(), out.data());
      return out;
    };
    c.ref_fused = ref(spk::Fused{});
    b.ours_and_baseline(
        size_t(m), C0,
        [&g, B, add, m, n](const Bundle& k, double* o) {
          if (add) k.csc_vec_mult_add(m, n, kScale, g.val.data(), g.ind.data(), g.ptr.data(), B->data(), o);
          else k.csc_vec_mult(m, n, g.val.data(), g.ind.data(), g.ptr.data(), B->data(), o);
        },
        [&g, B, add, m, n](auto arith, double* o) {
          using A = decltype(arith);
          if (add) lit::csc_vec_mult_add<A>(n, kScale, g.val.data(), g.ind.data(), g.ptr.data(), B->data(), o);
          else lit::csc_vec_mult<A>(m, n, g.val.data(), g.ind.data(), g.ptr.data(), B->data(), o);
        });
    b.peer("eigen col-major", size_t(m), C0, [G, B, add, m, n](double* o) {
      auto A = peers::eigen_map<SpCol>(G, G.val, false);
      Eigen::Map<const Eigen::VectorXd> x(B->data(), n);
      Eigen::Map<Eigen::VectorXd> y(o, m);
      if (add) y.noalias() += kScale * (A * x);
      else y.noalias() = A * x;
    });
    if (!add)
      b.peer("cs_gaxpy", size_t(m), nullptr, [G, B, m](double* o) {
        cs_di A = peers::cs_view(G);
        std::fill(o, o + m, 0.0);
        cs_di_gaxpy(&A, B->data(), o);
      });
    peers::RsbMatrix* R = buf.make_rsb();
    if (peers::rsb_build(*R, G, G.val, false, false, RSB_FLAG_NOFLAGS))
      b.peer("librsb", size_t(m), C0, [R, B, add](double* o) {
        const double beta = add ? 1.0 : 0.0, alpha = add ? kScale : 1.0;
        rsb_spmv(RSB_TRANSPOSITION_N, &alpha, R->m, B->data(), 1, &beta, o, 1);
      });
    return true;
  }

  if (kernel == "CSR_CmplxVecMult_CAB_double" || kernel == "CSC_CmplxVecMult_CAB_double") {
    const bool rowwise = kernel == "CSR_CmplxVecMult_CAB_double";
    const int32_t in_len = rowwise ? cols : rows, out_len = rowwise ? rows : cols;
    if (w.general_im.empty()) w.general_im = imaginary_parts(g);
    if (w.general_z.empty()) w.general_z = interleave(g.val.data(), w.general_im.data(), g.val.size());
    const double* im = w.general_im.data();
    Vec* B = buf.make(0);
    *B = random_vec(size_t(in_len), 5);
    Vec* BIm = buf.make(0);
    *BIm = random_vec(size_t(in_len), 6);
    std::vector<Complex>* Bz = buf.make_z(0);
    *Bz = interleave(B->data(), BIm->data(), B->size());
    c.bytes = 20.0 * double(g.stored()) + 4.0 * (rows + 1) + 16.0 * in_len +
              16.0 * out_len * (rowwise ? 1 : 2);
    auto ref = [&](auto arith) {
      using A = decltype(arith);
      Vec re(static_cast<size_t>(out_len)), imo(static_cast<size_t>(out_len));
      if (rowwise) lit::csr_cmplx_vec_mult<A>(rows, g.val.data(), im, g.ind.data(), g.ptr.data(), B->data(), BIm->data(), re.data(), imo.data());
      else lit::csc_cmplx_vec_mult<A>(cols, rows, g.val.data(), im, g.ind.data(), g.ptr.data(), B->data(), BIm->data(), re.data(), imo.data());
      return concat(re, imo);
    };
    c.ref_fused = ref(spk::Fused{});
    const size_t len = size_t(out_len);
    b.ours_and_baseline(
        2 * len, nullptr,
        [&g, im, B, BIm, rowwise, rows, cols, len](const Bundle& k, double* o) {
          if (rowwise) k.csr_cmplx(cols, rows, g.val.data(), im, g.ind.data(), g.ptr.data(), B->data(), BIm->data(), o, o + len);
          else k.csc_cmplx(cols, rows, g.val.data(), im, g.ind.data(), g.ptr.data(), B->data(), BIm->data(), o, o + len);
        },
        [&g, im, B, BIm, rowwise, rows, cols, len](auto arith, double* o) {
          using A = decltype(arith);
          if (rowwise) lit::csr_cmplx_vec_mult<A>(rows, g.val.data(), im, g.ind.data(), g.ptr.data(), B->data(), BIm->data(), o, o + len);
          else lit::csc_cmplx_vec_mult<A>(cols, rows, g.val.data(), im, g.ind.data(), g.ptr.data(), B->data(), BIm->data(), o, o + len);
        });
    const Complex* z = w.general_z.data();
    b.peer_z(rowwise ? "eigen row-major" : "eigen col-major", len, [G, z, Bz, rowwise, in_len, out_len](Complex* o) {
      Eigen::Map<const Eigen::VectorXcd> x(Bz->data(), in_len);
      Eigen::Map<Eigen::VectorXcd> y(o, out_len);
      if (rowwise) y.noalias() = peers::eigen_map<SpRowZ>(G, z, true) * x;
      else y.noalias() = peers::eigen_map<SpColZ>(G, z, false) * x;
    });
    if (!rowwise)
      b.peer_z("cs_gaxpy", len, [G, z, Bz, out_len](Complex* o) {
        cs_ci A = peers::cs_view(G, z);
        std::fill(o, o + out_len, Complex(0.0, 0.0));
        cs_ci_gaxpy(&A, Bz->data(), o);
      });
    peers::RsbMatrix* R = buf.make_rsb();
    if (peers::rsb_build(*R, G, z, true, rowwise, RSB_FLAG_NOFLAGS))
      b.peer_z("librsb", len, [R, Bz](Complex* o) {
        const Complex alpha(1.0, 0.0), beta(0.0, 0.0);
        rsb_spmv(RSB_TRANSPOSITION_N, &alpha, R->m, Bz->data(), 1, &beta, o, 1);
      });
    return true;
  }

  if (kernel == "CSRsymm_VecMult_CAB_double" || kernel == "CSRsymm_CmplxVecMult_CAB_double") {
    if (!w.square) return false;
    const bool complex = kernel == "CSRsymm_CmplxVecMult_CAB_double";
    if (w.upper_sym.rows == 0) w.upper_sym = upper_part(g);
    const Csr& u = w.upper_sym;
    const View U = view(u);
    const int32_t n = u.rows;
    const size_t len = size_t(n);
    Vec* B = buf.make(0);
    *B = random_vec(len, 7);
    if (!complex) {
      c.bytes = 12.0 * double(u.stored()) + 4.0 * (n + 1) + 8.0 * n + 16.0 * n;
      auto ref = [&](auto arith) {
        using A = decltype(arith);
        Vec out(len);
        lit::csr_symm_vec_mult<A>(n, n, u.val.data(), u.ind.data(), u.ptr.data(), B->data(), out.data());
        return out;
      };
        c.ref_fused = ref(spk::Fused{});
      b.ours_and_baseline(
          len, nullptr,
          [&u, B, n](const Bundle& k, double* o) { k.symm(n, n, u.val.data(), u.ind.data(), u.ptr.data(), B->data(), o); },
          [&u, B, n](auto arith, double* o) {
            lit::csr_symm_vec_mult<decltype(arith)>(n, n, u.val.data(), u.ind.data(), u.ptr.data(), B->data(), o);
          });
      b.peer("eigen selfadjoint upper", len, nullptr, [U, B, n](double* o) {
        auto A = peers::eigen_map<SpRow>(U, U.val, true);
        Eigen::Map<const Eigen::VectorXd> x(B->data(), n);
        Eigen::Map<Eigen::VectorXd> y(o, n);
        y.noalias() = A.selfadjointView<Eigen::Upper>() * x;
      });
      peers::RsbMatrix* R = buf.make_rsb();
      if (peers::rsb_build(*R, U, U.val, false, true, RSB_FLAG_UPPER_SYMMETRIC))
        b.peer("librsb", len, nullptr, [R, B](double* o) {
          rsb_spmv(RSB_TRANSPOSITION_N, &kOne, R->m, B->data(), 1, &kZero, o, 1);
        });
      return true;
    }
    if (w.upper_sym_im.empty()) {
      if (w.general_im.empty()) w.general_im = imaginary_parts(g);
      Csr with_im = g;
      with_im.im = w.general_im;
      w.upper_sym_im = upper_part(with_im).im;
      w.upper_sym_z = interleave(u.val.data(), w.upper_sym_im.data(), u.val.size());
    }
    const double* im = w.upper_sym_im.data();
    Vec* BIm = buf.make(0);
    *BIm = random_vec(len, 8);
    std::vector<Complex>* Bz = buf.make_z(0);
    *Bz = interleave(B->data(), BIm->data(), len);
    c.bytes = 20.0 * double(u.stored()) + 4.0 * (n + 1) + 16.0 * n + 32.0 * n;
    auto ref = [&](auto arith) {
      using A = decltype(arith);
      Vec re(len), imo(len);
      lit::csr_symm_cmplx_vec_mult<A>(n, n, u.val.data(), im, u.ind.data(), u.ptr.data(), B->data(), BIm->data(), re.data(), imo.data());
      return concat(re, imo);
    };
    c.ref_fused = ref(spk::Fused{});
    b.ours_and_baseline(
        2 * len, nullptr,
        [&u, im, B, BIm, n, len](const Bundle& k, double* o) {
          k.symm_cmplx(n, n, u.val.data(), im, u.ind.data(), u.ptr.data(), B->data(), BIm->data(), o, o + len);
        },
        [&u, im, B, BIm, n, len](auto arith, double* o) {
          lit::csr_symm_cmplx_vec_mult<decltype(arith)>(n, n, u.val.data(), im, u.ind.data(), u.ptr.data(), B->data(), BIm->data(), o, o + len);
        });
    // Eigen's selfadjointView is Hermitian for complex scalars: not the same product.
    peers::RsbMatrix* R = buf.make_rsb();
    const Complex* z = w.upper_sym_z.data();
    if (peers::rsb_build(*R, U, z, true, true, RSB_FLAG_UPPER_SYMMETRIC))
      b.peer_z("librsb", len, [R, Bz](Complex* o) {
        const Complex alpha(1.0, 0.0), beta(0.0, 0.0);
        rsb_spmv(RSB_TRANSPOSITION_N, &alpha, R->m, Bz->data(), 1, &beta, o, 1);
      });
    return true;
  }

  if (kernel == "CSC_MatMult_CAB_double") {
    // A is m x k column-compressed (our arrays read by columns), B and C have stride m.
    const int32_t m = cols, k = rows, n = kMatMultColumns;
    const size_t b_len = size_t(n - 1) * size_t(m) + size_t(k), c_len = size_t(m) * n;
    Vec* B = buf.make(0);
    *B = random_vec(b_len, 9);
    c.bytes = A_bytes + 8.0 * double(b_len) + 16.0 * double(c_len);
    auto ref = [&](auto arith) {
      using A = decltype(arith);
      Vec out(c_len);
      lit::csc_mat_mult<A>(m, n, k, g.val.data(), g.ind.data(), g.ptr.data(), B->data(), out.data());
      return out;
    };
    c.ref_fused = ref(spk::Fused{});
    b.ours_and_baseline(
        c_len, nullptr,
        [&g, B, m, n, k](const Bundle& kk, double* o) { kk.mat_mult(m, n, k, g.val.data(), g.ind.data(), g.ptr.data(), B->data(), 0, o); },
        [&g, B, m, n, k](auto arith, double* o) {
          lit::csc_mat_mult<decltype(arith)>(m, n, k, g.val.data(), g.ind.data(), g.ptr.data(), B->data(), o);
        });
    b.peer("eigen col-major", c_len, nullptr, [G, B, m, n, k](double* o) {
      auto A = peers::eigen_map<SpCol>(G, G.val, false);
      Eigen::Map<const Eigen::MatrixXd, 0, Eigen::OuterStride<>> x(B->data(), k, n, Eigen::OuterStride<>(m));
      Eigen::Map<Eigen::MatrixXd> y(o, m, n);
      y.noalias() = A * x;
    });
    b.peer("cs_gaxpy per column", c_len, nullptr, [G, B, m, n](double* o) {
      cs_di A = peers::cs_view(G);
      std::fill(o, o + size_t(m) * n, 0.0);
      for (int32_t col = 0; col < n; ++col) cs_di_gaxpy(&A, B->data() + size_t(col) * m, o + size_t(col) * m);
    });
    if (m == k) {  // librsb wants B with k rows at leading dimension k
      peers::RsbMatrix* R = buf.make_rsb();
      if (peers::rsb_build(*R, G, G.val, false, false, RSB_FLAG_NOFLAGS))
        b.peer("librsb", c_len, nullptr, [R, B, m, n](double* o) {
          rsb_spmm(RSB_TRANSPOSITION_N, &kOne, R->m, n, RSB_FLAG_WANT_COLUMN_MAJOR_ORDER, B->data(), m, &kZero, o, m);
        });
    }
    return true;
  }

  // ---- Solves ----
  const bool csc_lower = kernel == "CSC_VecTriangSlvLD_CAB_double",
             csc_upper = kernel == "CSC_VecTriangSlvUD_CAB_double",
             csr_lower = kernel == "CSR_VecTriangSlvLD_CAB_double",
             csr_upper = kernel == "CSR_VecTriangSlvUD_CAB_double";
  if (!(csc_lower || csc_upper || csr_lower || csr_upper)) return false;
  if (!w.square) return false;
  // The lower triangle by rows is the upper triangle by columns, and the other way round.
  const bool need_lower_rows = csr_lower || csc_upper;
  if (need_lower_rows && w.lower.rows == 0) w.lower = triangle(g, true);
  if (!need_lower_rows && w.upper.rows == 0) w.upper = triangle(g, false);
  const Csr& t = need_lower_rows ? w.lower : w.upper;
  const View T = view(t);
  const int32_t n = t.rows;
  const size_t len = size_t(n);
  Vec* B = buf.make(0);
  *B = random_vec(len, 10);
  c.bytes = 12.0 * double(t.stored()) + 4.0 * (n + 1) + 8.0 * n + 16.0 * n;
  using Solve = void (*)(int32_t, const double*, const int32_t*, const int32_t*, const double*, double*);
  Solve lit_sep = csc_lower ? lit::csc_lower_solve<spk::Separate> : csc_upper ? lit::csc_upper_solve<spk::Separate>
                  : csr_lower ? lit::csr_lower_solve<spk::Separate> : lit::csr_upper_solve<spk::Separate>;
  Solve lit_fused = csc_lower ? lit::csc_lower_solve<spk::Fused> : csc_upper ? lit::csc_upper_solve<spk::Fused>
                    : csr_lower ? lit::csr_lower_solve<spk::Fused> : lit::csr_upper_solve<spk::Fused>;
  c.ref_fused.resize(len);
  lit_fused(n, t.val.data(), t.ind.data(), t.ptr.data(), B->data(), c.ref_fused.data());
  auto pick = [csc_lower, csc_upper, csr_lower](const Bundle& k) {
    return csc_lower ? k.csc_lower : csc_upper ? k.csc_upper : csr_lower ? k.csr_lower : k.csr_upper;
  };
  b.ours_and_baseline(
      len, nullptr,
      [&t, B, n, pick](const Bundle& k, double* o) { pick(k)(n, t.val.data(), t.ind.data(), t.ptr.data(), B->data(), o); },
      [&t, B, n, lit_sep, lit_fused](auto arith, double* o) {
        const Solve solve = std::is_same_v<decltype(arith), spk::Fused> ? lit_fused : lit_sep;
        solve(n, t.val.data(), t.ind.data(), t.ptr.data(), B->data(), o);
      });
  const bool rowwise = csr_lower || csr_upper;
  // Which triangle the matrix is, as the peer sees it.
  const bool lower_matrix = csc_lower || csr_lower;
  b.peer(rowwise ? "eigen row-major" : "eigen col-major", len, nullptr, [T, B, n, rowwise, lower_matrix](double* o) {
    Eigen::Map<Eigen::VectorXd> x(o, n);
    x = Eigen::Map<const Eigen::VectorXd>(B->data(), n);
    if (rowwise) {
      auto A = peers::eigen_map<SpRow>(T, T.val, true);
      if (lower_matrix) A.triangularView<Eigen::Lower>().solveInPlace(x);
      else A.triangularView<Eigen::Upper>().solveInPlace(x);
    } else {
      auto A = peers::eigen_map<SpCol>(T, T.val, false);
      if (lower_matrix) A.triangularView<Eigen::Lower>().solveInPlace(x);
      else A.triangularView<Eigen::Upper>().solveInPlace(x);
    }
  });
  // CXSparse is column-compressed: a row-compressed triangle is the transpose of the
  // column-compressed one, solved with the transposed solves.
  const char* cs_name = csc_lower ? "cs_lsolve" : csc_upper ? "cs_usolve"
                        : csr_lower ? "cs_utsolve (transposed)" : "cs_ltsolve (transposed)";
  b.peer(cs_name, len, nullptr, [T, B, n, csc_lower, csc_upper, csr_lower](double* o) {
    std::copy(B->data(), B->data() + n, o);
    cs_di A = peers::cs_view(T);
    if (csc_lower) cs_di_lsolve(&A, o);
    else if (csc_upper) cs_di_usolve(&A, o);
    else if (csr_lower) cs_di_utsolve(&A, o);
    else cs_di_ltsolve(&A, o);
  });
  peers::RsbMatrix* R = buf.make_rsb();
  const rsb_flags_t tri = lower_matrix ? RSB_FLAG_LOWER_TRIANGULAR : RSB_FLAG_UPPER_TRIANGULAR;
  if (peers::rsb_build(*R, T, T.val, false, rowwise, tri))
    b.peer("librsb", len, nullptr, [R, B](double* o) {
      rsb_spsv(RSB_TRANSPOSITION_N, &kOne, R->m, B->data(), 1, o, 1);
    });
  return true;
}

constexpr auto kKernels = spk::kernel_names;

// ---- The matrices --------------------------------------------------------------------------

struct MatrixSource {
  std::string name, group;  // group: "large", "in-cache" or "real"
  std::function<Csr(bool&)> make;
};

std::vector<MatrixSource> matrix_list(const Options& o) {
  std::vector<MatrixSource> list;
  auto gen = [&](std::string name, std::string group, std::function<Csr()> f) {
    list.push_back({std::move(name), std::move(group), [f](bool& sym) {
                      Csr a = f();
                      sym = is_symmetric(a);
                      return a;
                    }});
  };
  if (!o.quick) {
    gen("lap2d-1000", "large", [] { return laplacian_2d(1000); });
    gen("stencil27-100", "large", [] { return stencil_27(100); });
    gen("random10-50-1M", "large", [] { return random_rows(1 << 20, 10, 50, 42); });
    gen("rmat-20", "large", [] { return rmat(20, 16, 43); });
  }
  gen("lap2d-64", "in-cache", [] { return laplacian_2d(64); });
  gen("stencil27-12", "in-cache", [] { return stencil_27(12); });
  gen("random10-50-2k", "in-cache", [] { return random_rows(2048, 10, 50, 44); });
  gen("rmat-12", "in-cache", [] { return rmat(12, 16, 45); });
  // The real matrices, where present.
  struct stat st;
  if (stat(o.matrices.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    std::vector<std::string> files;
    std::unique_ptr<FILE, int (*)(FILE*)> ls(popen(("ls '" + o.matrices + "'").c_str(), "r"), pclose);
    char line[4096];
    while (ls && std::fgets(line, sizeof line, ls.get())) {
      std::string f = line;
      while (!f.empty() && (f.back() == '\n' || f.back() == '\r')) f.pop_back();
      if (f.size() > 4 && (f.ends_with(".mtx") || f.ends_with(".mtx.gz"))) files.push_back(f);
    }
    std::sort(files.begin(), files.end());
    const std::vector<std::string> quick_set = {"west0479.mtx", "bcsstk13.mtx", "young1c.mtx"};
    for (const std::string& f : files) {
      if (o.quick && std::find(quick_set.begin(), quick_set.end(), f) == quick_set.end()) continue;
      const std::string path = o.matrices + "/" + f;
      std::string name = f.substr(0, f.find(".mtx"));
      list.push_back({name, "real", [path](bool& sym) {
                        bool symmetric_file = false;
                        Csr a = read_matrix_market(path, symmetric_file);
                        sym = is_symmetric(a);
                        return a;
                      }});
    }
  } else {
    std::fprintf(stderr, "spk_bench: %s is absent: the real matrices are skipped\n", o.matrices.c_str());
  }
  return list;
}

// ---- Running a case ------------------------------------------------------------------------

std::vector<Result> run_case(const std::string& matrix, const Csr& g, Case& c, const Options& o,
                             bool& failed) {
  std::vector<Result> results;
  const double target = o.quick ? 1e-3 : 4e-3;  // seconds per sample
  std::vector<int> reps(c.impls.size(), 1);
  std::vector<std::string> bits(c.impls.size());
  std::vector<bool> ident(c.impls.size(), true);
  double round_cost = 0;
  // Warm-up and check: each implementation once, from its starting state.
  for (size_t t = 0; t < c.impls.size(); ++t) {
    Impl& im = c.impls[t];
    im.reset();
    const double t0 = now();
    im.run();
    const double dt = std::max(now() - t0, 1e-7);
    reps[t] = std::clamp(int(target / dt), 1, 100000);
    round_cost += dt * reps[t];
    const Vec out = im.output();
    // The baseline is the separately rounded literal loop: its output is the reference.
    if (im.kind == Kind::Baseline) c.ref_separate = out;
    bool same = true;
    const Vec& want = im.kind != Kind::Peer && im.fused ? c.ref_fused : c.ref_separate;
    bits[t] = compare(out, want, same);
    ident[t] = same;
    if (im.kind != Kind::Peer && !same) {
      failed = true;
      std::fprintf(stderr, "spk_bench: MISMATCH %s on %s, %s: %s\n", c.kernel.c_str(),
                   matrix.c_str(), im.name.c_str(), bits[t].c_str());
    }
  }
  std::vector<std::vector<double>> samples(c.impls.size());
  if (!o.check_only) {
    const int wanted = o.rounds ? o.rounds : (o.quick ? 3 : 7);
    const double budget = o.quick ? 0.3 : 4.0;  // seconds of timing per case
    const int rounds = o.rounds ? o.rounds : std::clamp(int(budget / std::max(round_cost, 1e-9)), 3, wanted);
    for (int r = 0; r < rounds; ++r)
      for (size_t s = 0; s < c.impls.size(); ++s) {
        const size_t t = (s + size_t(r)) % c.impls.size();
        Impl& im = c.impls[t];
        const double t0 = now();
        for (int k = 0; k < reps[t]; ++k) im.run();
        samples[t].push_back((now() - t0) / reps[t]);
      }
  }
  for (size_t t = 0; t < c.impls.size(); ++t) {
    Result r;
    r.matrix = matrix;
    r.kernel = c.kernel;
    r.impl = c.impls[t].name;
    r.kind = c.impls[t].kind;
    r.rows = g.rows;
    r.stored = g.stored();
    r.bytes = c.bytes;
    r.bits = bits[t];
    r.identical = ident[t];
    if (!samples[t].empty()) {
      r.med = median(samples[t]);
      r.min = *std::min_element(samples[t].begin(), samples[t].end());
    }
    results.push_back(r);
  }
  return results;
}

// ---- Output --------------------------------------------------------------------------------

std::string fmt(double x, const char* f = "%.3f") {
  if (!(x > 0) || !std::isfinite(x)) return "";
  char b[64];
  std::snprintf(b, sizeof b, f, x);
  return b;
}

struct Summary {
  const Result* base = nullptr;
  const Result* base_fused = nullptr;
  const Result* fused = nullptr;
  const Result* separate = nullptr;
  const Result* best_peer = nullptr;   // by median
  const Result* best_peer_min = nullptr;
};

std::map<std::pair<std::string, std::string>, Summary> summarise(const std::vector<Result>& all) {
  std::map<std::pair<std::string, std::string>, Summary> s;
  for (const Result& r : all) {
    Summary& x = s[{r.matrix, r.kernel}];
    if (r.kind == Kind::Baseline) x.base = &r;
    else if (r.kind == Kind::FusedBaseline) x.base_fused = &r;
    else if (r.kind == Kind::Ours) (r.impl == "spkernels fused" ? x.fused : x.separate) = &r;
    else {
      if (!x.best_peer || r.med < x.best_peer->med) x.best_peer = &r;
      if (!x.best_peer_min || r.min < x.best_peer_min->min) x.best_peer_min = &r;
    }
  }
  return s;
}

bool write_atomically(const std::string& path, const std::string& text) {
  const std::string tmp = path + ".tmp";
  {
    std::ofstream f(tmp, std::ios::binary);
    if (!(f << text)) {
      std::fprintf(stderr, "spk_bench: cannot write %s\n", tmp.c_str());
      return false;
    }
  }
  if (std::rename(tmp.c_str(), path.c_str()) != 0) {
    std::fprintf(stderr, "spk_bench: cannot rename %s to %s\n", tmp.c_str(), path.c_str());
    return false;
  }
  return true;
}

std::string csv(const std::vector<Result>& all, const Ceiling& ceil) {
  auto s = summarise(all);
  std::ostringstream o;
  o << "matrix,rows,stored,kernel,implementation,median_ms,min_ms,gb_per_s_median,"
       "fraction_of_value_index_ceiling,speedup_vs_baseline_median,speedup_vs_baseline_min,"
       "speedup_vs_best_peer_median,speedup_vs_best_peer_min,bits_vs_literal\n";
  for (const Result& r : all) {
    const Summary& x = s[{r.matrix, r.kernel}];
    const double gbs = r.med > 0 ? r.bytes / r.med * 1e-9 : 0;
    o << r.matrix << ',' << r.rows << ',' << r.stored << ',' << r.kernel << ",\"" << r.impl << "\","
      << fmt(r.med * 1e3, "%.6f") << ',' << fmt(r.min * 1e3, "%.6f") << ',' << fmt(gbs, "%.2f") << ','
      << fmt(gbs / ceil.value_index, "%.3f") << ','
      << (x.base ? fmt(x.base->med / r.med) : "") << ',' << (x.base ? fmt(x.base->min / r.min) : "") << ','
      << (x.best_peer ? fmt(x.best_peer->med / r.med) : "") << ','
      << (x.best_peer_min ? fmt(x.best_peer_min->min / r.min) : "") << ",\"" << r.bits << "\"\n";
  }
  return o.str();
}

std::string markdown(const std::vector<Result>& all, const Ceiling& ceil, const Options& opt) {
  auto s = summarise(all);
  std::ostringstream o;
  o << "# spkernels benchmark" << (opt.quick ? " (quick)" : "") << "\n\n";
  o << "Single core, one thread everywhere. Memory ceiling measured in the same run: read-only "
       "stream " << fmt(ceil.read_only, "%.1f") << " GB/s, 8-byte values + 4-byte indices "
    << fmt(ceil.value_index, "%.1f") << " GB/s.\n\n";
  o << "Times are milliseconds per call, median (minimum) over interleaved rounds. Speed-ups are "
       "medians: baseline time / our time, best peer time / our time; `fused/base fused` "
       "compares the fused bundle with the literal loop under the same fused scheme. `ceiling` "
       "is our fused bundle's compulsory traffic rate as a fraction of the value-and-index "
       "ceiling. `bits`: ours compared with the literal loop in the same scheme, the best peer "
       "with the separately rounded literal loop.\n\n";
  o << "| matrix | kernel | baseline | ours fused | ours separate | best peer | fused/base | "
       "fused/base fused | fused/peer | separate/base | ceiling | bits (ours; peer) |\n";
  o << "|---|---|---:|---:|---:|---|---:|---:|---:|---:|---:|---|\n";
  for (const auto& [key, x] : s) (void)key, (void)x;
  std::vector<std::pair<std::string, std::string>> order;
  for (const Result& r : all)
    if (r.kind == Kind::Baseline) order.push_back({r.matrix, r.kernel});
  for (const auto& key : order) {
    const Summary& x = s[key];
    auto t = [](const Result* r) {
      return r ? fmt(r->med * 1e3, "%.3f") + " (" + fmt(r->min * 1e3, "%.3f") + ")" : std::string("—");
    };
    const bool ours_ok = (!x.fused || x.fused->identical) && (!x.separate || x.separate->identical) &&
                         (!x.base_fused || x.base_fused->identical);
    o << "| " << key.first << " | " << key.second << " | " << t(x.base) << " | " << t(x.fused) << " | "
      << t(x.separate) << " | " << (x.best_peer ? x.best_peer->impl + " " + t(x.best_peer) : "—") << " | "
      << (x.base && x.fused ? fmt(x.base->med / x.fused->med, "%.2f") : "") << " | "
      << (x.base_fused && x.fused ? fmt(x.base_fused->med / x.fused->med, "%.2f") : "") << " | "
      << (x.best_peer && x.fused ? fmt(x.best_peer->med / x.fused->med, "%.2f") : "") << " | "
      << (x.base && x.separate ? fmt(x.base->med / x.separate->med, "%.2f") : "") << " | "
      << (x.fused ? fmt(x.fused->bytes / x.fused->med * 1e-9 / ceil.value_index, "%.2f") : "") << " | "
      << (ours_ok ? "identical" : "DIFFER") << "; " << (x.best_peer ? x.best_peer->bits : "—") << " |\n";
  }
  o << "\nEvery peer's bit comparison is in the CSV.\n";
  return o.str();
}

// One chart per large or in-cache generated matrix: each kernel's throughput as a fraction
// of the value-and-index ceiling, ours beside the peers.
void charts(const std::vector<Result>& all, const Ceiling& ceil, const std::string& dir,
            const std::string& stem) {
  if (std::system("command -v gnuplot > /dev/null 2>&1") != 0) {
    std::fprintf(stderr, "spk_bench: gnuplot not found: no chart written\n");
    return;
  }
  // Ours and the baselines by name, the peers by the start of their names.
  const std::vector<std::string> columns = {"baseline", "baseline fused", "spkernels fused",
                                            "spkernels separate", "eigen", "cs", "librsb"};
  auto in_column = [](const Result& r, const std::string& c) {
    return r.kind == Kind::Peer ? r.impl.rfind(c, 0) == 0 : r.impl == c;
  };
  std::vector<std::string> matrices;
  for (const Result& r : all)
    if (r.kind == Kind::Baseline && std::find(matrices.begin(), matrices.end(), r.matrix) == matrices.end())
      matrices.push_back(r.matrix);
  std::ostringstream gp;
  gp << "set terminal pngcairo size 1600,900 font ',10'\nset style data histograms\n"
        "set style histogram clustered gap 1\nset style fill solid 0.9 border -1\n"
        "set boxwidth 0.9\nset xtics rotate by -35 nomirror\nset key top right\n"
        "set termoption noenhanced\nset yrange [0:*]\n"
        "set ylabel 'fraction of the value+index streaming ceiling (median)'\nset grid ytics\n";
  int charts_written = 0;
  for (const std::string& m : matrices) {
    if (m.find("lap2d") == std::string::npos && m.find("stencil") == std::string::npos &&
        m.find("random") == std::string::npos && m.find("rmat") == std::string::npos)
      continue;
    const std::string dat = dir + "/" + stem + "-" + m + ".dat";
    std::ostringstream d;
    d << "kernel";
    for (const auto& c : columns) d << "\t\"" << c << "\"";
    d << "\n";
    for (const char* k : kKernels) {
      bool any = false;
      std::ostringstream row;
      row << std::string(k).substr(0, std::string(k).size() - 7);
      for (const auto& c : columns) {
        double best = -1;
        for (const Result& r : all)
          if (r.matrix == m && r.kernel == k && r.med > 0 && in_column(r, c)) {
            const double f = r.bytes / r.med * 1e-9 / ceil.value_index;
            best = std::max(best, f);
            any = true;
          }
        row << '\t' << (best >= 0 ? fmt(best, "%.4f") : std::string("?"));
      }
      if (any) d << row.str() << "\n";
    }
    if (!write_atomically(dat, d.str())) continue;
    // Paths in the script are relative to the results folder, where gnuplot runs.
    gp << "set output '" << stem << "-" << m << ".png'\n"
       << "set title 'spkernels vs peers on " << m << " (one core)'\n"
       << "plot '" << stem << "-" << m << ".dat' using 2:xtic(1) title columnhead(2)";
    for (size_t c = 1; c < columns.size(); ++c) gp << ", '' using " << c + 2 << " title columnhead(" << c + 2 << ")";
    gp << "\n";
    ++charts_written;
  }
  const std::string script = dir + "/" + stem + ".gp";
  if (charts_written && write_atomically(script, gp.str()))
    if (std::system(("cd '" + dir + "' && gnuplot '" + stem + ".gp'").c_str()) != 0)
      std::fprintf(stderr, "spk_bench: gnuplot failed on %s\n", script.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const Options opt = parse(argc, argv);
  // librsb runs on OpenMP, which reads its thread count when the library loads: start over
  // with one thread fixed in the environment.
  const char* threads = std::getenv("OMP_NUM_THREADS");
  if (!threads || std::string(threads) != "1") {
    setenv("OMP_NUM_THREADS", "1", 1);
    setenv("OMP_WAIT_POLICY", "PASSIVE", 1);
    execv("/proc/self/exe", argv);
    std::fprintf(stderr, "spk_bench: cannot restart with OMP_NUM_THREADS=1: %s\n", std::strerror(errno));
    return 1;
  }
  const Bundle fused = load_bundle(opt.bundles + "/spkernels_powerpc.so", "fused");
  const Bundle separate = load_bundle(opt.bundles + "/spkernels_separate.so", "separate");
  try {
    peers::rsb_start();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "spk_bench: %s\n", e.what());
    return 1;
  }
  Ceiling ceil;
  if (!opt.check_only) {
    ceil = measure_ceiling(size_t(1) << 26);  // 512 MiB of doubles
    std::printf("ceiling: read-only %.1f GB/s, values+indices %.1f GB/s\n", ceil.read_only, ceil.value_index);
  }
  std::vector<Result> all;
  bool failed = false;
  for (const MatrixSource& source : matrix_list(opt)) {
    if (!opt.only.empty() && source.name.find(opt.only) == std::string::npos) continue;
    Workspace w;
    w.name = source.name;
    try {
      w.general = source.make(w.symmetric);
    } catch (const ReadError& e) {
      std::fprintf(stderr, "spk_bench: %s\n", e.what());
      return 1;
    }
    w.square = w.general.rows == w.general.cols;
    std::printf("%s: %d x %d, %lld stored%s\n", source.name.c_str(), w.general.rows, w.general.cols,
                (long long)w.general.stored(), w.symmetric ? ", symmetric" : "");
    std::fflush(stdout);
    for (const char* k : kKernels) {
      if (!opt.kernel.empty() && std::string(k).find(opt.kernel) == std::string::npos) continue;
      Buffers buf;
      Case c;
      if (!build_case(k, w, fused, separate, buf, c)) continue;
      std::vector<Result> r = run_case(source.name, w.general, c, opt, failed);
      if (!opt.check_only) {
        const Result* base = nullptr;
        for (const Result& x : r)
          if (x.kind == Kind::Baseline) base = &x;
        for (const Result& x : r)
          std::printf("  %-32s %-26s %9.3f ms (min %9.3f)  x%.2f  %s\n", k, x.impl.c_str(), x.med * 1e3,
                      x.min * 1e3, base ? base->med / x.med : 0.0, x.bits.c_str());
        std::fflush(stdout);
      }
      all.insert(all.end(), r.begin(), r.end());
    }
    if (!opt.check_only && source.group == "large") {
      const Ceiling again = measure_ceiling(size_t(1) << 26);
      ceil.read_only = std::max(ceil.read_only, again.read_only);
      ceil.value_index = std::max(ceil.value_index, again.value_index);
    }
  }
  size_t ours = 0, ours_same = 0;
  for (const Result& r : all)
    if (r.kind != Kind::Peer) ++ours, ours_same += r.identical;
  std::printf("bit check: %zu of %zu baseline and spkernels outputs identical to the literal loop\n",
              ours_same, ours);
  if (!opt.check_only) {
    mkdir(opt.out.c_str(), 0755);
    const std::string stem = opt.quick ? "bench-quick" : "bench";
    const bool ok = write_atomically(opt.out + "/" + stem + ".csv", csv(all, ceil)) &&
                    write_atomically(opt.out + "/" + stem + ".md", markdown(all, ceil, opt));
    if (!ok) return 1;
    charts(all, ceil, opt.out, stem);
    std::printf("wrote %s/%s.md, .csv and charts\n", opt.out.c_str(), stem.c_str());
  }
  return failed ? 3 : 0;
}
