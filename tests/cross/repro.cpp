// spk_repro: one 64-bit digest per kernel and rounding scheme, from operands that every
// architecture builds alike.
//
// The operands come from a fixed seed through an integer generator of our own (splitmix64) and
// values assembled from their bits, so neither the standard library's distributions nor the
// platform's floating-point conversions take part in making them. Each kernel runs on a few
// hundred operands: empty and duplicate vectors, unsorted indices, stored entries before Aptr[0]
// where the kernel reads absolute positions, signed zeros, infinities, NaNs, subnormals, values
// that overflow, and exact small integers whose cancellations give zeros of either sign. Every
// output element is folded into the kernel's digest with its bits written in a fixed byte
// order; a NaN is folded as one canonical pattern, since which NaN's payload survives is not
// fixed. Two builds that print the same digest for a kernel computed the same bits.
//
//   spk_repro                                   the kernel templates, both schemes
//   spk_repro --bundle FILE --scheme SCHEME     the kernels FILE exports, labelled SCHEME
//   options: --seed N  --cases N                (defaults 1 and 300)
#include <dlfcn.h>

#include <bit>
#include <cerrno>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "spkernels/spkernels.h"

#include "complex_vec.hpp"
#include "csc_triangular.hpp"
#include "csr_triangular.hpp"
#include "mat_mult.hpp"
#include "real_vec.hpp"
#include "symm_vec.hpp"
#include "spkernels/kernel_names.hpp"

namespace {

// ---- The kernels, through their exported signatures ---------------------------------------

using VecMult = void (*)(int32_t, int32_t, const double*, const int32_t*, const int32_t*,
                         const double*, double*);
using VecMultAdd = void (*)(int32_t, int32_t, double, const double*, const int32_t*,
                            const int32_t*, const double*, double*);
using CmplxVecMult = void (*)(int32_t, int32_t, const double*, const double*, const int32_t*,
                              const int32_t*, const double*, const double*, double*, double*);
using MatMult = void (*)(int32_t, int32_t, int32_t, const double*, const int32_t*,
                         const int32_t*, const double*, int32_t, double*);
using Solve = void (*)(int32_t, const double*, const int32_t*, const int32_t*, const double*,
                       double*);

struct Kernels {
  VecMult csc_vec_mult, csr_vec_mult;
  VecMultAdd csc_vec_mult_add, csr_vec_mult_add;
  CmplxVecMult csc_cmplx, csr_cmplx;
  VecMult csr_symm;
  CmplxVecMult csr_symm_cmplx;
  MatMult csc_mat_mult;
  Solve csc_lower, csc_upper, csr_lower, csr_upper;
};

template <class A>
Kernels template_kernels() {
  Kernels k;
  k.csc_vec_mult = [](int32_t m, int32_t n, const double* v, const int32_t* i, const int32_t* p,
                      const double* B, double* C) { spk::csc_vec_mult<A>(m, n, v, i, p, B, C); };
  k.csr_vec_mult = [](int32_t, int32_t n, const double* v, const int32_t* i, const int32_t* p,
                      const double* B, double* C) { spk::csr_vec_mult<A>(n, v, i, p, B, C); };
  k.csc_vec_mult_add = [](int32_t, int32_t n, double a, const double* v, const int32_t* i,
                          const int32_t* p, const double* B, double* C) {
    spk::csc_vec_mult_add<A>(n, a, v, i, p, B, C);
  };
  k.csr_vec_mult_add = [](int32_t, int32_t n, double a, const double* v, const int32_t* i,
                          const int32_t* p, const double* B, double* C) {
    spk::csr_vec_mult_add<A>(n, a, v, i, p, B, C);
  };
  k.csc_cmplx = [](int32_t m, int32_t n, const double* v, const double* vi, const int32_t* i,
                   const int32_t* p, const double* B, const double* BIm, double* C, double* CIm) {
    spk::csc_cmplx_vec_mult<A>(m, n, v, vi, i, p, B, BIm, C, CIm);
  };
  k.csr_cmplx = [](int32_t, int32_t n, const double* v, const double* vi, const int32_t* i,
                   const int32_t* p, const double* B, const double* BIm, double* C, double* CIm) {
    spk::csr_cmplx_vec_mult<A>(n, v, vi, i, p, B, BIm, C, CIm);
  };
  k.csr_symm = [](int32_t n, int32_t m, const double* v, const int32_t* i, const int32_t* p,
                  const double* B, double* C) { spk::csr_symm_vec_mult<A>(n, m, v, i, p, B, C); };
  k.csr_symm_cmplx = [](int32_t n, int32_t m, const double* v, const double* vi,
                        const int32_t* i, const int32_t* p, const double* B, const double* BIm,
                        double* C, double* CIm) {
    spk::csr_symm_cmplx_vec_mult<A>(n, m, v, vi, i, p, B, BIm, C, CIm);
  };
  k.csc_mat_mult = [](int32_t m, int32_t n, int32_t kk, const double* v, const int32_t* i,
                      const int32_t* p, const double* B, int32_t, double* C) {
    spk::csc_mat_mult<A>(m, n, kk, v, i, p, B, C);
  };
  k.csc_lower = [](int32_t n, const double* v, const int32_t* i, const int32_t* p,
                   const double* B, double* C) { spk::csc_lower_solve<A>(n, v, i, p, B, C); };
  k.csc_upper = [](int32_t n, const double* v, const int32_t* i, const int32_t* p,
                   const double* B, double* C) { spk::csc_upper_solve<A>(n, v, i, p, B, C); };
  k.csr_lower = [](int32_t n, const double* v, const int32_t* i, const int32_t* p,
                   const double* B, double* C) { spk::csr_lower_solve<A>(n, v, i, p, B, C); };
  k.csr_upper = [](int32_t n, const double* v, const int32_t* i, const int32_t* p,
                   const double* B, double* C) { spk::csr_upper_solve<A>(n, v, i, p, B, C); };
  return k;
}

[[noreturn]] void fail(const std::string& message) {
  std::fprintf(stderr, "spk_repro: %s\n", message.c_str());
  std::exit(2);
}

template <class F>
void look_up(void* bundle, const char* file, const char* name, F& slot) {
  void* symbol = dlsym(bundle, name);
  if (!symbol) fail(std::string(file) + " exports no symbol " + name);
  slot = reinterpret_cast<F>(symbol);
}

Kernels bundle_kernels(const char* file) {
  void* bundle = dlopen(file, RTLD_NOW | RTLD_LOCAL);
  if (!bundle) fail(std::string("cannot load bundle: ") + dlerror());
  Kernels k;
  look_up(bundle, file, "CSC_VecMult_CAB_double", k.csc_vec_mult);
  look_up(bundle, file, "CSR_VecMult_CAB_double", k.csr_vec_mult);
  look_up(bundle, file, "CSC_VecMult_CaABC_double", k.csc_vec_mult_add);
  look_up(bundle, file, "CSR_VecMult_CaABC_double", k.csr_vec_mult_add);
  look_up(bundle, file, "CSC_CmplxVecMult_CAB_double", k.csc_cmplx);
  look_up(bundle, file, "CSR_CmplxVecMult_CAB_double", k.csr_cmplx);
  look_up(bundle, file, "CSRsymm_VecMult_CAB_double", k.csr_symm);
  look_up(bundle, file, "CSRsymm_CmplxVecMult_CAB_double", k.csr_symm_cmplx);
  look_up(bundle, file, "CSC_MatMult_CAB_double", k.csc_mat_mult);
  look_up(bundle, file, "CSC_VecTriangSlvLD_CAB_double", k.csc_lower);
  look_up(bundle, file, "CSC_VecTriangSlvUD_CAB_double", k.csc_upper);
  look_up(bundle, file, "CSR_VecTriangSlvLD_CAB_double", k.csr_lower);
  look_up(bundle, file, "CSR_VecTriangSlvUD_CAB_double", k.csr_upper);
  return k;
}

// ---- Operands -------------------------------------------------------------------------------

// splitmix64: the same sequence from the same seed on every platform.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15u);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
    return z ^ (z >> 31);
  }
  // 0 .. n - 1 (0 when n is 0); the slight bias of the remainder does not matter here.
  int32_t below(int32_t n) { return n > 0 ? static_cast<int32_t>(next() % std::uint64_t(n)) : 0; }
  bool chance(int per_mille) { return static_cast<int>(next() % 1000) < per_mille; }

 private:
  std::uint64_t state_;
};

constexpr std::uint64_t kSign = std::uint64_t{1} << 63;
constexpr std::uint64_t kMantissa = (std::uint64_t{1} << 52) - 1;

double from_bits(std::uint64_t bits) { return std::bit_cast<double>(bits); }
std::uint64_t exponent_bits(int e) { return std::uint64_t(1023 + e) << 52; }

// A value assembled from its bits. `exact` cases draw only signed zeros and small integers, so
// that sums cancel exactly and the sign of the resulting zero tells the schemes apart.
double random_value(Rng& rng, bool exact) {
  const std::uint64_t sign = (rng.next() & 1) ? kSign : 0;
  const int pick = rng.below(1000);
  if (exact) {
    if (pick < 250) return from_bits(sign);
    constexpr std::uint64_t half = std::uint64_t{1} << 51;
    const std::uint64_t small[4] = {exponent_bits(0), exponent_bits(1), exponent_bits(1) | half,
                                    exponent_bits(2)};  // 1, 2, 3, 4
    return from_bits(sign | small[rng.below(4)]);
  }
  if (pick < 40) return from_bits(sign);                                     // +-0
  if (pick < 55) return from_bits(sign | exponent_bits(1024));               // +-inf
  if (pick < 70)                                                             // NaN, any payload
    return from_bits(sign | exponent_bits(1024) | (std::uint64_t{1} << 51) | (rng.next() & kMantissa));
  if (pick < 85) return from_bits(sign | (1 + (rng.next() & kMantissa) % kMantissa));  // subnormal
  if (pick < 100)                                                            // overflows when multiplied
    return from_bits(sign | exponent_bits(1000 + rng.below(24)) | (rng.next() & kMantissa));
  if (pick < 250) return from_bits(sign | exponent_bits(rng.below(3)));      // 1, 2, 4
  return from_bits(sign | exponent_bits(rng.below(9) - 4) | (rng.next() & kMantissa));
}

std::vector<double> random_vector(Rng& rng, std::size_t length, bool exact) {
  std::vector<double> v(length);
  for (double& x : v) x = random_value(rng, exact);
  return v;
}

// A compressed operand built vector by vector from the index lists that `indices(j)` gives.
// `lead` positions before Aptr[0] hold values that no kernel reads.
struct Operand {
  std::vector<int32_t> Aptr, Aind;
  std::vector<double> Aval, AvalIm;
};

template <class Indices>
Operand compressed(Rng& rng, int32_t vectors, int32_t lead, bool exact, Indices indices) {
  Operand a;
  a.Aind.assign(lead, -7);
  a.Aptr.push_back(lead);
  for (int32_t j = 0; j < vectors; ++j) {
    for (int32_t r : indices(j)) a.Aind.push_back(r);
    a.Aptr.push_back(static_cast<int32_t>(a.Aind.size()));
  }
  a.Aval = random_vector(rng, a.Aind.size(), exact);
  a.AvalIm = random_vector(rng, a.Aind.size(), exact);
  return a;
}

// Up to `most` indices drawn by `draw`, each repeating the previous one one time in eight.
template <class Draw>
std::vector<int32_t> some_indices(Rng& rng, int32_t most, Draw draw) {
  std::vector<int32_t> out;
  const int32_t count = rng.below(most + 1);
  for (int32_t t = 0; t < count; ++t)
    out.push_back(!out.empty() && rng.chance(125) ? out.back() : draw());
  return out;
}

// ---- Digests --------------------------------------------------------------------------------

class Digest {
 public:
  void word(std::uint64_t w) {  // FNV-1a over the bytes of w, least significant first
    for (int i = 0; i < 8; ++i) {
      hash_ ^= (w >> (8 * i)) & 0xff;
      hash_ *= 0x100000001b3u;
    }
  }
  void value(double x) {
    std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
    if ((bits & ~kSign) > exponent_bits(1024)) bits = exponent_bits(1024) | (std::uint64_t{1} << 51);
    word(bits);
  }
  void values(const std::vector<double>& v) {
    word(v.size());
    for (double x : v) value(x);
  }
  std::uint64_t hash() const { return hash_; }

 private:
  std::uint64_t hash_ = 0xcbf29ce484222325u;
};

// ---- One case of each kernel ----------------------------------------------------------------

struct Case {
  Rng& rng;
  bool exact;
  int32_t lead() { return rng.chance(300) ? 1 + rng.below(3) : 0; }
  std::vector<double> vec(std::size_t n) { return random_vector(rng, n, exact); }
  double scalar() { return random_value(rng, exact); }
};

// CSC products: A of m rows and n columns, indices in 0 .. m - 1.
Operand csc_operand(Case& c, int32_t m, int32_t n, int32_t lead) {
  return compressed(c.rng, n, lead, c.exact, [&](int32_t) {
    return some_indices(c.rng, m > 0 ? 6 : 0, [&] { return c.rng.below(m); });
  });
}

void run_vec_mult(const Kernels& k, Case& c, Digest& csc, Digest& csr, Digest& csc_add,
                  Digest& csr_add) {
  const int32_t m = c.rng.below(13), n = c.rng.below(13);
  {
    const Operand a = csc_operand(c, m, n, c.lead());
    const std::vector<double> B = c.vec(n);
    std::vector<double> C = c.vec(m);
    k.csc_vec_mult(m, n, a.Aval.data(), a.Aind.data(), a.Aptr.data(), B.data(), C.data());
    csc.values(C);
    C = c.vec(m);
    k.csc_vec_mult_add(m, n, c.scalar(), a.Aval.data(), a.Aind.data(), a.Aptr.data(), B.data(),
                       C.data());
    csc_add.values(C);
  }
  {
    // Rows of a CSR operand: n of them, column indices in 0 .. m - 1, values from position 0.
    const Operand a = csc_operand(c, m, n, 0);
    const std::vector<double> B = c.vec(m);
    std::vector<double> C = c.vec(n);
    k.csr_vec_mult(m, n, a.Aval.data(), a.Aind.data(), a.Aptr.data(), B.data(), C.data());
    csr.values(C);
    C = c.vec(n);
    k.csr_vec_mult_add(m, n, c.scalar(), a.Aval.data(), a.Aind.data(), a.Aptr.data(), B.data(),
                       C.data());
    csr_add.values(C);
  }
}

void run_cmplx(const Kernels& k, Case& c, Digest& csc, Digest& csr) {
  const int32_t m = c.rng.below(13), n = c.rng.below(13);
  {
    const Operand a = csc_operand(c, m, n, c.lead());
    const std::vector<double> B = c.vec(n), BIm = c.vec(n);
    std::vector<double> C = c.vec(m), CIm = c.vec(m);
    k.csc_cmplx(m, n, a.Aval.data(), a.AvalIm.data(), a.Aind.data(), a.Aptr.data(), B.data(),
                BIm.data(), C.data(), CIm.data());
    csc.values(C);
    csc.values(CIm);
  }
  {
    const Operand a = csc_operand(c, m, n, 0);
    const std::vector<double> B = c.vec(m), BIm = c.vec(m);
    std::vector<double> C = c.vec(n), CIm = c.vec(n);
    k.csr_cmplx(m, n, a.Aval.data(), a.AvalIm.data(), a.Aind.data(), a.Aptr.data(), B.data(),
                BIm.data(), C.data(), CIm.data());
    csr.values(C);
    csr.values(CIm);
  }
}

// Symmetric products: n rows, vectors of m elements. Column indices from -2 to m - 1: those
// below the row (negative ones included) are passed over, so a row from m on holds only them.
void run_symm(const Kernels& k, Case& c, Digest& real, Digest& cmplx) {
  const int32_t n = c.rng.below(13);
  const int32_t m = c.rng.chance(700) ? n : c.rng.below(13);
  const Operand a = compressed(c.rng, n, 0, c.exact, [&](int32_t) {
    return some_indices(c.rng, 6, [&] { return c.rng.below(m + 2) - 2; });
  });
  const std::vector<double> B = c.vec(m), BIm = c.vec(m);
  std::vector<double> C = c.vec(m), CIm = c.vec(m);
  k.csr_symm(n, m, a.Aval.data(), a.Aind.data(), a.Aptr.data(), B.data(), C.data());
  real.values(C);
  C = c.vec(m);
  k.csr_symm_cmplx(n, m, a.Aval.data(), a.AvalIm.data(), a.Aind.data(), a.Aptr.data(), B.data(),
                   BIm.data(), C.data(), CIm.data());
  cmplx.values(C);
  cmplx.values(CIm);
}

// C (m x n) = A (m x k) * B, B read with column stride m: columns overlap when m < k.
void run_mat_mult(const Kernels& k, Case& c, Digest& d) {
  const int32_t m = c.rng.below(9), n = c.rng.below(5), kk = c.rng.below(9);
  const Operand a = csc_operand(c, m, kk, c.lead());
  const std::vector<double> B = c.vec(n > 0 && kk > 0 ? std::size_t(n - 1) * m + kk : 0);
  std::vector<double> C = c.vec(std::size_t(m) * n);
  k.csc_mat_mult(m, n, kk, a.Aval.data(), a.Aind.data(), a.Aptr.data(), B.data(),
                 c.rng.below(1000), C.data());
  d.values(C);
}

// Triangular operands of order n that keep the divisor where each solve takes it: CSC lower
// first in its column, CSC upper last, CSR lower anywhere in its row (found by index), CSR
// upper first. The other entries lie strictly on the solved side, in any order.
void run_solves(const Kernels& k, Case& c, Digest& csc_lower, Digest& csc_upper,
                Digest& csr_lower, Digest& csr_upper) {
  const int32_t n = c.rng.below(13);
  auto below_diagonal = [&](int32_t j) {
    return some_indices(c.rng, n - 1 - j > 0 ? 4 : 0, [&] { return j + 1 + c.rng.below(n - 1 - j); });
  };
  auto above_diagonal = [&](int32_t j) {
    return some_indices(c.rng, j > 0 ? 4 : 0, [&] { return c.rng.below(j); });
  };
  auto solve = [&](Solve kernel, Digest& d, const Operand& a) {
    const std::vector<double> B = c.vec(n);
    std::vector<double> C = c.vec(n);
    kernel(n, a.Aval.data(), a.Aind.data(), a.Aptr.data(), B.data(), C.data());
    d.values(C);
  };
  solve(k.csc_lower, csc_lower, compressed(c.rng, n, c.lead(), c.exact, [&](int32_t j) {
          std::vector<int32_t> column{j};
          for (int32_t r : below_diagonal(j)) column.push_back(r);
          return column;
        }));
  solve(k.csc_upper, csc_upper, compressed(c.rng, n, c.lead(), c.exact, [&](int32_t j) {
          std::vector<int32_t> column = above_diagonal(j);
          column.push_back(j);
          return column;
        }));
  solve(k.csr_lower, csr_lower, compressed(c.rng, n, c.lead(), c.exact, [&](int32_t i) {
          std::vector<int32_t> row = above_diagonal(i);  // columns left of the diagonal
          row.insert(row.begin() + c.rng.below(static_cast<int32_t>(row.size()) + 1), i);
          return row;
        }));
  solve(k.csr_upper, csr_upper, compressed(c.rng, n, c.lead(), c.exact, [&](int32_t i) {
          std::vector<int32_t> row{i};
          for (int32_t col : below_diagonal(i)) row.push_back(col);  // columns right of it
          return row;
        }));
}

constexpr auto kNames = spk::kernel_names;

void print_digests(const Kernels& k, const char* scheme, std::uint64_t seed, long cases) {
  Digest d[13];
  Rng rng(seed);
  for (long t = 0; t < cases; ++t) {
    Case c{rng, rng.chance(250)};
    run_vec_mult(k, c, d[0], d[1], d[2], d[3]);
    run_cmplx(k, c, d[4], d[5]);
    run_symm(k, c, d[6], d[7]);
    run_mat_mult(k, c, d[8]);
    run_solves(k, c, d[9], d[10], d[11], d[12]);
  }
  for (int i = 0; i < 13; ++i)
    std::printf("%s %s %016" PRIx64 "\n", scheme, kNames[i], d[i].hash());
}

long parse_count(const char* option, const char* text, long least) {
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(text, &end, 0);
  if (errno != 0 || end == text || *end != '\0' || value < least || value > 1000000000LL)
    fail(std::string(option) + " '" + text + "': expected a whole number from " +
         std::to_string(least) + " to 1000000000");
  return static_cast<long>(value);
}

}  // namespace

int main(int argc, char** argv) {
  const char* bundle = nullptr;
  const char* scheme = nullptr;
  std::uint64_t seed = 1;
  long cases = 300;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg != "--bundle" && arg != "--scheme" && arg != "--seed" && arg != "--cases")
      fail("unknown argument '" + arg +
           "' (usage: spk_repro [--bundle FILE --scheme separate|fused] [--seed N] [--cases N])");
    if (i + 1 == argc) fail(arg + " needs a value");
    const char* value = argv[++i];
    if (arg == "--bundle") bundle = value;
    if (arg == "--scheme") scheme = value;
    if (arg == "--seed") seed = static_cast<std::uint64_t>(parse_count("--seed", value, 0));
    if (arg == "--cases") cases = parse_count("--cases", value, 1);
  }
  if (scheme && std::strcmp(scheme, "separate") != 0 && std::strcmp(scheme, "fused") != 0)
    fail(std::string("--scheme '") + scheme + "': expected separate or fused");
  if ((bundle != nullptr) != (scheme != nullptr))
    fail("--bundle and --scheme go together: the scheme names the rounding the bundle was built with");

  if (bundle) {
    const Kernels kernels = bundle_kernels(bundle);  // fails before anything is printed
    std::printf("# seed %" PRIu64 ", %ld cases per kernel, %s\n", seed, cases, bundle);
    print_digests(kernels, scheme, seed, cases);
  } else {
    std::printf("# seed %" PRIu64 ", %ld cases per kernel, kernel templates\n", seed, cases);
    print_digests(template_kernels<spk::Separate>(), "separate", seed, cases);
    print_digests(template_kernels<spk::Fused>(), "fused", seed, cases);
  }
  return std::fflush(stdout) == 0 ? 0 : 2;
}
