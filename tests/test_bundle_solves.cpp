// The four solves as a host reaches them: looked up by name in the built bundles that export
// them, and bit for bit equal to the reference loops under the bundle's rounding (fused in
// the PowerPC build, separate in the all-exporting separate build), zero signs included.
#include <cmath>
#include <cstdint>
#include <ostream>
#include <string>

#include "reference/solves.hpp"
#include "support/bits.hpp"
#include "support/bundle.hpp"
#include "support/operands.hpp"
#include "support/triangular.hpp"

namespace {

using spk::test::compressed;
using spk::test::kInf;
using spk::test::Layout;
using spk::test::Operand;
using spk::test::same_bits;
using spk::test::SolveCase;
using spk::test::SolveFn;
using spk::test::Vec;

struct Solve {
  const char* symbol;
  Layout layout;
  SolveFn* separate;
  SolveFn* fused;
};
const Solve kSolves[] = {
    {"CSC_VecTriangSlvLD_CAB_double", Layout::csc_lower, &spk::ref::csc_lower_solve<spk::Separate>,
     &spk::ref::csc_lower_solve<spk::Fused>},
    {"CSC_VecTriangSlvUD_CAB_double", Layout::csc_upper, &spk::ref::csc_upper_solve<spk::Separate>,
     &spk::ref::csc_upper_solve<spk::Fused>},
    {"CSR_VecTriangSlvLD_CAB_double", Layout::csr_lower, &spk::ref::csr_lower_solve<spk::Separate>,
     &spk::ref::csr_lower_solve<spk::Fused>},
    {"CSR_VecTriangSlvUD_CAB_double", Layout::csr_upper, &spk::ref::csr_upper_solve<spk::Separate>,
     &spk::ref::csr_upper_solve<spk::Fused>},
};

const double e30 = std::ldexp(1.0, -30);  // (1 + e30) * (1 - e30) = 1 - 2^-60 exactly

// Cases per solve, in the order of kSolves: a worked 3x3 example, and the results whose bits
// tell the two roundings apart.
const SolveCase kCscLower[] = {
    {"worked 3x3", compressed({0, 3, 5, 6}, {0, 1, 2, 1, 2, 2}, {2, 1, 3, 4, -1, 5}), {2, 5, 12},
     {1, 1, 2}},
    {"update cancels exactly", compressed({0, 2, 3}, {0, 1, 1}, {1, 1, 1}), {1, 1}, {1, +0.0},
     Vec{1, -0.0}},
    {"+0.0 minus a +0.0 product", compressed({0, 2, 3}, {0, 1, 1}, {1, 1, 1}), {0, 0},
     {+0.0, +0.0}, Vec{+0.0, -0.0}},
    {"+0.0 minus a -0.0 product", compressed({0, 2, 3}, {0, 1, 1}, {1, -1, 1}), {0, 0},
     {+0.0, +0.0}},
    {"zero divisor", compressed({0, 3, 5, 6}, {0, 1, 2, 1, 2, 2}, {0, 1, 3, 4, -1, 5}),
     {2, 5, 12}, {kInf, -kInf, -kInf}},
};
const SolveCase kCscUpper[] = {
    {"worked 3x3", compressed({0, 1, 3, 6}, {0, 0, 1, 0, 1, 2}, {2, 1, 4, 3, -1, 5}), {9, 2, 10},
     {1, 1, 2}},
    {"update cancels exactly", compressed({0, 1, 3}, {0, 0, 1}, {1, 1, 1}), {1, 1}, {+0.0, 1},
     Vec{-0.0, 1}},
    {"update rounded once when fused", compressed({0, 1, 3}, {0, 0, 1}, {1, 1 - e30, 1}),
     {1, 1 + e30}, {+0.0, 1 + e30}, Vec{std::ldexp(1.0, -60), 1 + e30}},
};
const SolveCase kCsrLower[] = {
    {"worked 3x3", compressed({0, 1, 3, 6}, {0, 0, 1, 0, 1, 2}, {2, 1, 4, 3, -1, 5}), {2, 5, 12},
     {1, 1, 2}},
    {"divisor stored twice", compressed({0, 1, 4, 7}, {0, 0, 1, 1, 0, 1, 2}, {2, 1, 8, 4, 3, -1, 5}),
     {2, 5, 12}, {1, 1, 2}},
    {"products fused into the row sum",
     compressed({0, 1, 2, 5}, {0, 1, 1, 0, 2}, {1, 1, 1, 1 - e30, 1}), {1 + e30, -1, 0},
     {1 + e30, -1, +0.0}, Vec{1 + e30, -1, std::ldexp(1.0, -60)}},
};
const SolveCase kCsrUpper[] = {
    {"worked 3x3", compressed({0, 3, 5, 6}, {0, 1, 2, 1, 2, 2}, {2, 1, 3, 4, -1, 5}), {9, 2, 10},
     {1, 1, 2}},
    {"row storing nothing divides by +0.0", compressed({0, 2, 2}, {0, 1}, {2, 1}), {3, -4},
     {kInf, -kInf}},
    {"products fused into the row sum",
     compressed({0, 3, 4, 5}, {0, 2, 1, 1, 2}, {1, 1, 1 - e30, 1, 1}), {0, 1 + e30, -1},
     {+0.0, 1 + e30, -1}, Vec{std::ldexp(1.0, -60), 1 + e30, -1}},
};

struct CaseList {
  const SolveCase* begin_;
  const SolveCase* end_;
  const SolveCase* begin() const { return begin_; }
  const SolveCase* end() const { return end_; }
};
template <std::size_t N>
CaseList list(const SolveCase (&cases)[N]) { return {cases, cases + N}; }
const CaseList kCases[] = {list(kCscLower), list(kCscUpper), list(kCsrLower), list(kCsrUpper)};

struct Build {
  const char* bundle;
  bool fused;
};
const Build kBuilds[] = {{"spkernels_powerpc", true}, {"spkernels_separate", false}};
void PrintTo(const Build& build, std::ostream* out) { *out << build.bundle; }

class BundleSolves : public ::testing::TestWithParam<Build> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(bundle_.loaded()) << "cannot load " << bundle_.path() << ": " << bundle_.error();
  }
  Build build_ = GetParam();
  spk::test::Bundle bundle_{build_.bundle};
};

TEST_P(BundleSolves, LiteralCasesByName) {
  for (std::size_t s = 0; s < std::size(kSolves); ++s) {
    const Solve& solve = kSolves[s];
    SCOPED_TRACE(solve.symbol);
    SolveFn* kernel = bundle_.kernel<SolveFn>(solve.symbol);
    if (!kernel) continue;
    for (const SolveCase& c : kCases[s])
      spk::test::check_case(c, build_.fused, kernel, build_.fused ? solve.fused : solve.separate);
  }
}

TEST_P(BundleSolves, RandomOperandsMatchReference) {
  const int count = spk::test::scaled(100);
  for (const Solve& solve : kSolves) {
    SolveFn* kernel = bundle_.kernel<SolveFn>(solve.symbol);
    if (!kernel) continue;
    SolveFn* reference = build_.fused ? solve.fused : solve.separate;
    // CSC solves copy B before reading C; the row-compressed ones read C as found only where
    // an operand breaks the contract.
    const bool copies_b = solve.layout == Layout::csc_lower || solve.layout == Layout::csc_upper;
    for (int t = 0; t < count; ++t) {
      const std::uint64_t seed = 3000 + t;
      const std::string note = std::string(solve.symbol) + ", " + spk::test::seed_note(seed);
      spk::test::Rng rng(seed);
      spk::test::TriangularShape shape;
      shape.order = 1 + int32_t(rng() % 40);
      shape.first_position = int32_t(rng() % 3);
      shape.divisor_twice = 0.1;
      if (t % 2 == 1) {
        shape.values = spk::test::ValueMix{};
        shape.odd_divisor = 0.05;
      }
      const Operand triangle = spk::test::random_triangular(rng, solve.layout, shape);
      const Vec b = spk::test::random_vector(rng, shape.order);
      const Vec c = spk::test::random_vector(rng, shape.order);
      spk::test::compare_with_reference(kernel, reference, triangle, b, c, true, note);

      spk::test::Shape any;
      any.vectors = any.extent = shape.order;
      any.first_position = shape.first_position;
      const Operand square = spk::test::random_operand(rng, any);
      spk::test::compare_with_reference(kernel, reference, square, b, c, copies_b,
                                        note + ", any square operand");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Builds, BundleSolves, ::testing::ValuesIn(kBuilds),
                         [](const auto& info) { return std::string(info.param.bundle); });

}  // namespace
