// Every kernel entry may run a faster schedule than its literal loop (no clearing pass, values
// held in registers, several output columns per pass, prefetching); which one runs is decided
// at entry from where the arrays lie and from Aptr. Here each entry is run against its literal
// loop on random operands laid out so that each schedule is taken: arrays apart (fast), the
// output aliasing an input at different offsets (the literal loop, or a hand-over to it in the
// middle of the call), Aptr[0] != 0, and matrices large and scattered enough to prefetch.
// All arrays live in one arena, so an output that overlaps an input really does; after the
// two runs, on two copies of the arena, every double of the arena must have the same bits.
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "complex_vec.hpp"
#include "csc_triangular.hpp"
#include "csr_triangular.hpp"
#include "mat_mult.hpp"
#include "real_vec.hpp"
#include "symm_vec.hpp"
#include "support/bits.hpp"
#include "support/operands.hpp"
#include "support/schemes.hpp"

namespace {

using spk::test::Operand;
using spk::test::Rng;
using spk::test::Shape;
using spk::test::Vec;

// Offsets, in doubles, of every array in the arena; -1 for an array the kernel lacks. Index
// arrays take one double slot per two entries.
struct Layout {
  std::string name;
  std::ptrdiff_t Aval = -1, AvalIm = -1, Aind = -1, Aptr = -1, B = -1, BIm = -1, C = -1,
                 CIm = -1;
};

struct Arrays {
  double *Aval, *AvalIm, *B, *BIm, *C, *CIm;
  int32_t *Aind, *Aptr;
};

inline Arrays bind(std::vector<double>& arena, const Layout& at) {
  auto d = [&](std::ptrdiff_t o) { return o < 0 ? nullptr : arena.data() + o; };
  auto i = [&](std::ptrdiff_t o) {
    return o < 0 ? nullptr : reinterpret_cast<int32_t*>(arena.data() + o);
  };
  return {d(at.Aval), d(at.AvalIm), d(at.B), d(at.BIm), d(at.C), d(at.CIm), i(at.Aind), i(at.Aptr)};
}

inline std::ptrdiff_t slots(std::size_t ints) { return std::ptrdiff_t((ints + 1) / 2); }

// Fills an arena of the given size: the operand and the dense inputs written in place (an
// output that overlaps them starts with their content), the rest random.
struct Contents {
  const Operand* A;
  Vec B, BIm, C, CIm;
};

std::vector<double> fill(Rng& rng, std::ptrdiff_t size, const Layout& at, const Contents& in) {
  std::vector<double> arena = spk::test::random_vector(rng, std::size_t(size));
  Arrays a = bind(arena, at);
  auto put = [](double* to, const Vec& from) {
    if (to && !from.empty()) std::memcpy(to, from.data(), from.size() * sizeof(double));
  };
  put(a.C, in.C);
  put(a.CIm, in.CIm);
  put(a.B, in.B);
  put(a.BIm, in.BIm);
  put(a.Aval, in.A->Aval);
  put(a.AvalIm, in.A->AvalIm);
  if (a.Aind && !in.A->Aind.empty()) std::memcpy(a.Aind, in.A->Aind.data(), in.A->Aind.size() * sizeof(int32_t));
  if (a.Aptr) std::memcpy(a.Aptr, in.A->Aptr.data(), in.A->Aptr.size() * sizeof(int32_t));
  return arena;
}

// Runs the entry and the literal loop on two copies of the arena and compares every double.
void expect_same_arena(const std::vector<double>& start, const Layout& at,
                       const std::function<void(const Arrays&)>& entry,
                       const std::function<void(const Arrays&)>& literal,
                       const std::string& note) {
  std::vector<double> fast = start, plain = start;
  entry(bind(fast, at));
  literal(bind(plain, at));
  EXPECT_TRUE(spk::test::same_bits(fast, plain)) << at.name << ", " << note;
}

// Layouts of a kernel with one input vector B of length nb, one output C of length nc, and
// an operand; Aptr and the values come first, then the dense arrays at the listed overlaps.
// An output placed over Aptr is only safe for kernels that clear it first (Aptr then reads
// all zeros: no entries); any other write there would turn the operand into wild indices.
std::vector<Layout> vector_layouts(const Operand& A, std::ptrdiff_t nb, std::ptrdiff_t nc,
                                   bool complex, bool clears_first) {
  const std::ptrdiff_t values = std::ptrdiff_t(A.Aval.size()), ind = slots(A.Aind.size()),
                       ptr = slots(A.Aptr.size());
  Layout base;
  base.Aptr = 0;
  base.Aind = ptr;
  base.Aval = ptr + ind;
  std::ptrdiff_t at = base.Aval + values;
  if (complex) {
    base.AvalIm = at;
    at += values;
  }
  const std::ptrdiff_t dense = at + nc;  // room for an output placed before the inputs
  auto with = [&](std::string name, std::ptrdiff_t b, std::ptrdiff_t c) {
    Layout l = base;
    l.name = std::move(name);
    l.B = b;
    l.C = c;
    if (complex) {
      l.BIm = b + nb + nc + 8;
      l.CIm = c + nb + nc + 8;
    }
    return l;
  };
  std::vector<Layout> layouts = {
      with("apart", dense, dense + nb + 3),
      with("C before B", dense + nc + 5, dense),
      with("B is C", dense, dense),
      with("B starts inside C", dense + nc / 2, dense),
      with("B ends inside C", dense, dense + nb / 2),
      with("B one element past C's start", dense + 1, dense),
      with("C inside Aval", dense, values > 2 ? base.Aval + 1 : dense + nb),
  };
  // C[j] on the first value of vector j + 1: a schedule that reads the next vector's values
  // before it stores C[j] sees them unchanged, the literal loop rewritten.
  const std::ptrdiff_t j = std::ptrdiff_t(A.Aptr.size()) / 2 - 1;
  if (j >= 0 && A.Aptr[std::size_t(j) + 1] - A.Aptr.front() > j)
    layouts.push_back(with("C[j] on vector j + 1", dense,
                           base.Aval + (A.Aptr[std::size_t(j) + 1] - A.Aptr.front()) - j));
  if (clears_first) layouts.push_back(with("C over Aptr", dense, base.Aptr));
  if (complex) {
    Layout crossed = with("BIm is C", dense, dense + 3 * (nb + nc) + 20);
    crossed.BIm = crossed.C;
    layouts.push_back(crossed);
    Layout outs = with("CIm is C", dense, dense + 3 * (nb + nc) + 20);
    outs.CIm = outs.C;
    layouts.push_back(outs);
  }
  return layouts;
}

std::ptrdiff_t arena_size(const std::vector<Layout>& layouts, const Operand& A,
                          std::ptrdiff_t nb, std::ptrdiff_t nc) {
  std::ptrdiff_t size = 0;
  for (const Layout& l : layouts)
    for (std::ptrdiff_t o : {l.B + nb, l.BIm + nb, l.C + nc, l.CIm + nc,
                             l.Aval + std::ptrdiff_t(A.Aval.size())})
      size = std::max(size, o + 16);
  return size;
}

template <class Arith>
class FastPaths : public ::testing::Test {};
TYPED_TEST_SUITE(FastPaths, spk::test::Schemes, spk::test::SchemeName);

// Short vectors, or (long) vectors of about 30 entries on average, enough for the schedules
// that take several long rows side by side.
Shape small_shape(Rng& rng, int32_t vectors, int32_t extent, int32_t lead, bool complex,
                  bool long_vectors = false) {
  Shape s;
  s.vectors = vectors;
  s.extent = extent;
  s.max_per_vector = long_vectors ? 60 + int32_t(rng() % 40) : 1 + int32_t(rng() % 9);
  s.first_position = lead;
  s.complex = complex;
  return s;
}

using Kernel = std::function<void(const Arrays&)>;

// One randomised sweep over layouts and Aptr leads for a vector kernel.
template <class MakeKernels>
void sweep_vector_kernel(std::uint64_t seed0, bool complex, bool cursor, bool clears_first,
                         MakeKernels make) {
  for (int round = 0; round < spk::test::scaled(40); ++round) {
    const std::uint64_t seed = seed0 + round;
    Rng rng(seed);
    // Beyond the few vectors that go straight to the literal loop, most of the time.
    const int32_t n = 1 + int32_t(rng() % 48);
    const int32_t m = 1 + int32_t(rng() % 48);
    for (int32_t lead = 0; lead <= 2; lead += 2) {
      Operand A = spk::test::random_operand(rng, small_shape(rng, n, m, lead, complex, round % 2));
      // The lead positions are read once a cleared Aptr points at them: keep them in range.
      for (int32_t t = 0; t < lead; ++t) A.Aind[t] = 0;
      if (cursor && lead == 0 && round % 4 == 3 && n > 2) {
        // a row whose end lies before its start, in the middle: out of order, read by both
        A.Aptr[n / 2] = A.Aptr[n / 2 + 1] + 1 <= A.Aptr[n] ? A.Aptr[n / 2 + 1] + 1 : A.Aptr[n / 2];
      }
      const std::ptrdiff_t nb = std::max(m, n), nc = std::max(m, n);
      const std::vector<Layout> layouts = vector_layouts(A, nb, nc, complex, clears_first);
      const std::ptrdiff_t size = arena_size(layouts, A, nb, nc);
      Contents in{&A, spk::test::random_vector(rng, nb), spk::test::random_vector(rng, nb),
                  spk::test::random_vector(rng, nc), spk::test::random_vector(rng, nc)};
      for (const Layout& at : layouts) {
        const auto [entry, literal] = make(m, n);
        expect_same_arena(fill(rng, size, at, in), at, entry, literal,
                          spk::test::seed_note(seed) + ", Aptr[0] " + std::to_string(lead));
      }
    }
  }
}

TYPED_TEST(FastPaths, RealProducts) {
  using Arith = TypeParam;
  const double a = -1.5;
  // CSR: the cursor pairs Aval[0] with Aind[Aptr[0]], so leads reach the literal loop.
  sweep_vector_kernel(100, false, true, true, [](int32_t, int32_t n) {
    return std::pair<Kernel, Kernel>{
        [n](const Arrays& x) { spk::csr_vec_mult<Arith>(n, x.Aval, x.Aind, x.Aptr, x.B, x.C); },
        [n](const Arrays& x) {
          spk::csr_vec_mult_literal<Arith>(n, x.Aval, x.Aind, x.Aptr, x.B, x.C);
        }};
  });
  // The same with the column extent, which lets the entry skip the aliasing checks.
  sweep_vector_kernel(150, false, true, true, [](int32_t m, int32_t n) {
    return std::pair<Kernel, Kernel>{
        [m, n](const Arrays& x) { spk::csr_vec_mult<Arith>(m, n, x.Aval, x.Aind, x.Aptr, x.B, x.C); },
        [n](const Arrays& x) {
          spk::csr_vec_mult_literal<Arith>(n, x.Aval, x.Aind, x.Aptr, x.B, x.C);
        }};
  });
  sweep_vector_kernel(200, false, true, false, [a](int32_t, int32_t n) {
    return std::pair<Kernel, Kernel>{
        [n, a](const Arrays& x) {
          spk::csr_vec_mult_add<Arith>(n, a, x.Aval, x.Aind, x.Aptr, x.B, x.C);
        },
        [n, a](const Arrays& x) {
          spk::csr_vec_mult_add_literal<Arith>(n, a, x.Aval, x.Aind, x.Aptr, x.B, x.C);
        }};
  });
  sweep_vector_kernel(300, false, false, true, [](int32_t m, int32_t n) {
    return std::pair<Kernel, Kernel>{
        [m, n](const Arrays& x) {
          spk::csc_vec_mult<Arith>(m, n, x.Aval, x.Aind, x.Aptr, x.B, x.C);
        },
        [m, n](const Arrays& x) {
          spk::csc_vec_mult_literal<Arith>(m, n, x.Aval, x.Aind, x.Aptr, x.B, x.C);
        }};
  });
  sweep_vector_kernel(450, false, false, false, [a](int32_t m, int32_t n) {
    return std::pair<Kernel, Kernel>{
        [m, n, a](const Arrays& x) {
          spk::csc_vec_mult_add<Arith>(m, n, a, x.Aval, x.Aind, x.Aptr, x.B, x.C);
        },
        [n, a](const Arrays& x) {
          spk::csc_vec_mult_add_literal<Arith>(n, a, x.Aval, x.Aind, x.Aptr, x.B, x.C);
        }};
  });
  sweep_vector_kernel(400, false, false, false, [a](int32_t, int32_t n) {
    return std::pair<Kernel, Kernel>{
        [n, a](const Arrays& x) {
          spk::csc_vec_mult_add<Arith>(n, a, x.Aval, x.Aind, x.Aptr, x.B, x.C);
        },
        [n, a](const Arrays& x) {
          spk::csc_vec_mult_add_literal<Arith>(n, a, x.Aval, x.Aind, x.Aptr, x.B, x.C);
        }};
  });
}

TYPED_TEST(FastPaths, ComplexAndSymmetricProducts) {
  using Arith = TypeParam;
  sweep_vector_kernel(470, true, false, false, [](int32_t m, int32_t n) {
    return std::pair<Kernel, Kernel>{
        [m, n](const Arrays& x) {
          spk::csc_cmplx_vec_mult<Arith>(m, n, x.Aval, x.AvalIm, x.Aind, x.Aptr, x.B, x.BIm, x.C,
                                         x.CIm);
        },
        [m, n](const Arrays& x) {
          spk::csc_cmplx_vec_mult_literal<Arith>(m, n, x.Aval, x.AvalIm, x.Aind, x.Aptr, x.B,
                                                 x.BIm, x.C, x.CIm);
        }};
  });
  sweep_vector_kernel(500, true, true, true, [](int32_t, int32_t n) {
    return std::pair<Kernel, Kernel>{
        [n](const Arrays& x) {
          spk::csr_cmplx_vec_mult<Arith>(n, x.Aval, x.AvalIm, x.Aind, x.Aptr, x.B, x.BIm, x.C,
                                         x.CIm);
        },
        [n](const Arrays& x) {
          spk::csr_cmplx_vec_mult_literal<Arith>(n, x.Aval, x.AvalIm, x.Aind, x.Aptr, x.B, x.BIm,
                                                 x.C, x.CIm);
        }};
  });
  sweep_vector_kernel(550, true, true, true, [](int32_t m, int32_t n) {
    return std::pair<Kernel, Kernel>{
        [m, n](const Arrays& x) {
          spk::csr_cmplx_vec_mult<Arith>(m, n, x.Aval, x.AvalIm, x.Aind, x.Aptr, x.B, x.BIm, x.C,
                                         x.CIm);
        },
        [n](const Arrays& x) {
          spk::csr_cmplx_vec_mult_literal<Arith>(n, x.Aval, x.AvalIm, x.Aind, x.Aptr, x.B, x.BIm,
                                                 x.C, x.CIm);
        }};
  });
  // Symmetric: rows n and extent m independent, so rows beyond m and elements beyond n occur.
  sweep_vector_kernel(600, false, true, true, [](int32_t m, int32_t n) {
    return std::pair<Kernel, Kernel>{
        [m, n](const Arrays& x) {
          spk::csr_symm_vec_mult<Arith>(n, m, x.Aval, x.Aind, x.Aptr, x.B, x.C);
        },
        [m, n](const Arrays& x) {
          spk::csr_symm_vec_mult_literal<Arith>(n, m, x.Aval, x.Aind, x.Aptr, x.B, x.C);
        }};
  });
  sweep_vector_kernel(700, true, true, true, [](int32_t m, int32_t n) {
    return std::pair<Kernel, Kernel>{
        [m, n](const Arrays& x) {
          spk::csr_symm_cmplx_vec_mult<Arith>(n, m, x.Aval, x.AvalIm, x.Aind, x.Aptr, x.B, x.BIm,
                                              x.C, x.CIm);
        },
        [m, n](const Arrays& x) {
          spk::csr_symm_cmplx_vec_mult_literal<Arith>(n, m, x.Aval, x.AvalIm, x.Aind, x.Aptr, x.B,
                                                      x.BIm, x.C, x.CIm);
        }};
  });
}

// Triangular operands whose divisors stand where each solve takes them, with random extra
// entries on the wrong side now and then (those read unsolved components, by both loops).
TYPED_TEST(FastPaths, Solves) {
  using Arith = TypeParam;
  for (int round = 0; round < spk::test::scaled(60); ++round) {
    const std::uint64_t seed = 800 + round;
    Rng rng(seed);
    const int32_t n = 1 + int32_t(rng() % 30);
    Shape shape = small_shape(rng, n, n, int32_t(rng() % 3), false);
    shape.empty = round % 5 == 0 ? 0.1 : 0.0;
    const Operand A = spk::test::random_operand(rng, shape);
    // Near the diagonal most of the time, so that the held component is the one read.
    Operand banded = A;
    for (int32_t j = 0; j < n; ++j)
      for (int32_t p = banded.Aptr[j]; p < banded.Aptr[j + 1]; ++p)
        if (rng() % 2) banded.Aind[p] = std::min(n - 1, std::max(0, j + int32_t(rng() % 3) - 1));
    for (const Operand* op : {&A, static_cast<const Operand*>(&banded)}) {
      const std::vector<Layout> layouts = vector_layouts(*op, n, n, false, false);
      const std::ptrdiff_t size = arena_size(layouts, *op, n, n);
      Contents in{op, spk::test::random_vector(rng, n), {}, spk::test::random_vector(rng, n), {}};
      using Solve = void (*)(int32_t, const double*, const int32_t*, const int32_t*,
                             const double*, double*);
      const std::pair<Solve, Solve> solves[] = {
          {spk::csc_lower_solve<Arith>, spk::csc_lower_solve_literal<Arith>},
          {spk::csc_upper_solve<Arith>, spk::csc_upper_solve_literal<Arith>},
          {spk::csr_lower_solve<Arith>, spk::csr_lower_solve_literal<Arith>},
          {spk::csr_upper_solve<Arith>, spk::csr_upper_solve_literal<Arith>},
      };
      for (const auto& [entry, literal] : solves)
        for (const Layout& at : layouts)
          expect_same_arena(
              fill(rng, size, at, in), at,
              [&, entry = entry](const Arrays& x) { entry(n, x.Aval, x.Aind, x.Aptr, x.B, x.C); },
              [&, literal = literal](const Arrays& x) {
                literal(n, x.Aval, x.Aind, x.Aptr, x.B, x.C);
              },
              spk::test::seed_note(seed));
    }
  }
}

// Several output columns per pass: every block width and remainder (n = 1 .. 19), m above,
// equal to and below k (B's columns then overlap), and C placed over each input.
TYPED_TEST(FastPaths, MatMult) {
  using Arith = TypeParam;
  for (int round = 0; round < spk::test::scaled(40); ++round) {
    const std::uint64_t seed = 900 + round;
    Rng rng(seed);
    const int32_t m = 1 + int32_t(rng() % 12), k = 1 + int32_t(rng() % 12),
                  n = 1 + int32_t(round % 19);
    Operand A = spk::test::random_operand(rng, small_shape(rng, k, m, int32_t(rng() % 3), false));
    for (int32_t t = 0; t < A.Aptr[0]; ++t) A.Aind[t] = 0;  // read once C clears Aptr
    const std::ptrdiff_t nb = std::ptrdiff_t(n - 1) * m + k, nc = std::ptrdiff_t(m) * n;
    const std::ptrdiff_t values = std::ptrdiff_t(A.Aval.size());
    Layout base;
    base.Aptr = 0;
    base.Aind = slots(A.Aptr.size());
    base.Aval = base.Aind + slots(A.Aind.size());
    const std::ptrdiff_t dense = base.Aval + values;
    std::vector<Layout> layouts;
    auto add = [&](std::string name, std::ptrdiff_t b, std::ptrdiff_t c) {
      Layout l = base;
      l.name = std::move(name);
      l.B = b;
      l.C = c;
      layouts.push_back(l);
    };
    add("apart", dense, dense + nb + 1);
    add("C before B", dense + nc, dense);
    add("B inside C", dense + nc / 2, dense);
    add("C over Aval", dense, base.Aval);
    const std::ptrdiff_t size = dense + nb + nc + values + 32;
    Contents in{&A, spk::test::random_vector(rng, nb), {}, spk::test::random_vector(rng, nc), {}};
    for (const Layout& at : layouts)
      expect_same_arena(
          fill(rng, size, at, in), at,
          [&](const Arrays& x) { spk::csc_mat_mult<Arith>(m, n, k, x.Aval, x.Aind, x.Aptr, x.B, x.C); },
          [&](const Arrays& x) {
            spk::csc_mat_mult_literal<Arith>(m, n, k, x.Aval, x.Aind, x.Aptr, x.B, x.C);
          },
          spk::test::seed_note(seed) + ", n " + std::to_string(n));
  }
}

// Large scattered matrices take the prefetching loops (more than 2^20 stored entries over an
// extent of more than 2^17); a B that aliases C late in the call still hands over exactly.
TYPED_TEST(FastPaths, PrefetchedSchedules) {
  using Arith = TypeParam;
  Rng rng(1000);
  const int32_t n = 1 << 18, m = 1 << 18;
  Shape shape;
  shape.vectors = n;
  shape.extent = m;
  shape.max_per_vector = 8;
  shape.empty = 0.05;
  shape.values = spk::test::kFinite;
  const Operand A = spk::test::random_operand(rng, shape);
  ASSERT_GT(A.stored(), 1 << 20);
  const Vec B = spk::test::random_vector(rng, m), C0 = spk::test::random_vector(rng, n);
  auto check = [&](const char* what, auto entry, auto literal) {
    Vec fast = C0, plain = C0;
    entry(fast.data());
    literal(plain.data());
    EXPECT_TRUE(spk::test::same_bits(fast, plain)) << what;
  };
  check("csr", [&](double* C) { spk::csr_vec_mult<Arith>(n, A.Aval.data(), A.Aind.data(), A.Aptr.data(), B.data(), C); },
        [&](double* C) { spk::csr_vec_mult_literal<Arith>(n, A.Aval.data(), A.Aind.data(), A.Aptr.data(), B.data(), C); });
  check("csr add", [&](double* C) { spk::csr_vec_mult_add<Arith>(n, 0.75, A.Aval.data(), A.Aind.data(), A.Aptr.data(), B.data(), C); },
        [&](double* C) { spk::csr_vec_mult_add_literal<Arith>(n, 0.75, A.Aval.data(), A.Aind.data(), A.Aptr.data(), B.data(), C); });
  check("csc", [&](double* C) { spk::csc_vec_mult<Arith>(m, n, A.Aval.data(), A.Aind.data(), A.Aptr.data(), B.data(), C); },
        [&](double* C) { spk::csc_vec_mult_literal<Arith>(m, n, A.Aval.data(), A.Aind.data(), A.Aptr.data(), B.data(), C); });
  check("csc add", [&](double* C) { spk::csc_vec_mult_add<Arith>(m, n, 0.75, A.Aval.data(), A.Aind.data(), A.Aptr.data(), B.data(), C); },
        [&](double* C) { spk::csc_vec_mult_add_literal<Arith>(n, 0.75, A.Aval.data(), A.Aind.data(), A.Aptr.data(), B.data(), C); });
  {
    const int32_t columns = 5;  // a prefetching block of four, and one more column
    const Vec Bm = spk::test::random_vector(rng, std::size_t(columns) * m, spk::test::kFinite);
    Vec fast(std::size_t(columns) * m), plain(std::size_t(columns) * m);
    spk::csc_mat_mult<Arith>(m, columns, n, A.Aval.data(), A.Aind.data(), A.Aptr.data(), Bm.data(), fast.data());
    spk::csc_mat_mult_literal<Arith>(m, columns, n, A.Aval.data(), A.Aind.data(), A.Aptr.data(), Bm.data(), plain.data());
    EXPECT_TRUE(spk::test::same_bits(fast, plain)) << "mat mult";
  }
  // The solves on the same (not triangular) matrix: the sweeps are defined for any operand.
  // Each also with B and C the same array.
  using Solve = void (*)(int32_t, const double*, const int32_t*, const int32_t*, const double*, double*);
  const struct {
    const char* what;
    Solve entry, literal;
  } solves[] = {
      {"csc lower", spk::csc_lower_solve<Arith>, spk::csc_lower_solve_literal<Arith>},
      {"csc upper", spk::csc_upper_solve<Arith>, spk::csc_upper_solve_literal<Arith>},
      {"csr lower", spk::csr_lower_solve<Arith>, spk::csr_lower_solve_literal<Arith>},
      {"csr upper", spk::csr_upper_solve<Arith>, spk::csr_upper_solve_literal<Arith>},
  };
  for (const auto& solve : solves) {
    check(solve.what, [&](double* C) { solve.entry(n, A.Aval.data(), A.Aind.data(), A.Aptr.data(), B.data(), C); },
          [&](double* C) { solve.literal(n, A.Aval.data(), A.Aind.data(), A.Aptr.data(), B.data(), C); });
    check(solve.what, [&](double* C) { solve.entry(n, A.Aval.data(), A.Aind.data(), A.Aptr.data(), C, C); },
          [&](double* C) { solve.literal(n, A.Aval.data(), A.Aind.data(), A.Aptr.data(), C, C); });
  }
  // B is C shifted: the rows near the end read C elements not yet written.
  Vec shared(std::size_t(m) + n);
  for (std::size_t t = 0; t < shared.size(); ++t) shared[t] = B[t % m];
  Vec fast = shared, plain = shared;
  spk::csr_vec_mult<Arith>(n, A.Aval.data(), A.Aind.data(), A.Aptr.data(), fast.data(), fast.data() + m - 100);
  spk::csr_vec_mult_literal<Arith>(n, A.Aval.data(), A.Aind.data(), A.Aptr.data(), plain.data(), plain.data() + m - 100);
  EXPECT_TRUE(spk::test::same_bits(fast, plain)) << "csr, B overlapping the start of C";
}

}  // namespace
