// The host stand-in's parts: the layouts it builds for the solves, the checks it judges
// results with, and runs of every kernel kind from this build's bundles on real matrices.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "bundle.hpp"
#include "checks.hpp"
#include "compressed.hpp"
#include "errors.hpp"
#include "generators.hpp"
#include "matrix_market.hpp"
#include "runners.hpp"

namespace spk::host {
namespace {

// The 3 x 3 matrix with rows (2, 1, 3), (1, 4, -1), (3, -1, 5), its entries in no order.
CoordMatrix scrambled_3x3() {
  CoordMatrix a;
  a.name = "scrambled";
  a.rows = a.cols = 3;
  a.entries = {{2, 1, -1, 0}, {0, 2, 3, 0}, {1, 1, 4, 0}, {2, 2, 5, 0}, {0, 0, 2, 0},
               {1, 2, -1, 0}, {2, 0, 3, 0}, {0, 1, 1, 0}, {1, 0, 1, 0}};
  a.file_entries = 9;
  return a;
}

struct LayoutCase {
  const char* what;
  Triangle part;
  Layout layout;
  DiagonalAt diagonal;
  std::vector<std::int32_t> Aptr, Aind;
  std::vector<double> Aval;
};

const LayoutCase kLayouts[] = {
    {"CSC lower, diagonal first",
     Triangle::lower,
     Layout::by_columns,
     DiagonalAt::first,
     {0, 3, 5, 6},
     {0, 1, 2, 1, 2, 2},
     {2, 1, 3, 4, -1, 5}},
    {"CSC upper, diagonal last",
     Triangle::upper,
     Layout::by_columns,
     DiagonalAt::last,
     {0, 1, 3, 6},
     {0, 0, 1, 0, 1, 2},
     {2, 1, 4, 3, -1, 5}},
    {"CSR lower, diagonal last",
     Triangle::lower,
     Layout::by_rows,
     DiagonalAt::last,
     {0, 1, 3, 6},
     {0, 0, 1, 0, 1, 2},
     {2, 1, 4, 3, -1, 5}},
    {"CSR upper, diagonal first",
     Triangle::upper,
     Layout::by_rows,
     DiagonalAt::first,
     {0, 3, 5, 6},
     {0, 1, 2, 1, 2, 2},
     {2, 1, 3, 4, -1, 5}},
};

TEST(HostLayouts, TrianglesPlaceTheDiagonalWhereEachSolveTakesIt) {
  const CoordMatrix a = scrambled_3x3();
  for (const LayoutCase& c : kLayouts) {
    SCOPED_TRACE(c.what);
    const Compressed t = triangle(a, c.part, c.layout, c.diagonal, "solve");
    EXPECT_EQ(t.Aptr, c.Aptr);
    EXPECT_EQ(t.Aind, c.Aind);
    EXPECT_EQ(t.Aval, c.Aval);
  }
}

TEST(HostLayouts, SymmetricKernelsGetTheUpperTriangleByRows) {
  CoordMatrix a = scrambled_3x3();
  a.symmetry = Symmetry::symmetric;
  a.field = Field::complex;
  a.entries[1].im = 7;  // (0, 2)
  const Compressed u = upper_by_rows(a, true, "symm");
  EXPECT_EQ(u.Aptr, (std::vector<std::int32_t>{0, 3, 5, 6}));
  EXPECT_EQ(u.Aind, (std::vector<std::int32_t>{0, 1, 2, 1, 2, 2}));
  EXPECT_EQ(u.Aval, (std::vector<double>{2, 1, 3, 4, -1, 5}));
  EXPECT_EQ(u.AvalIm, (std::vector<double>{0, 0, 7, 0, 0, 0}));

  a.symmetry = Symmetry::general;
  EXPECT_THROW(upper_by_rows(a, true, "symm"), InputError);
}

TEST(HostLayouts, ADiagonalStoredTwiceIsRefused) {
  CoordMatrix a = scrambled_3x3();
  a.entries.push_back({1, 1, 0.5, 0});
  try {
    triangle(a, Triangle::lower, Layout::by_rows, DiagonalAt::last, "solve");
    ADD_FAILURE() << "no error";
  } catch (const InputError& e) {
    EXPECT_NE(std::string(e.what()).find("stores its diagonal entry (2, 2) more than once"),
              std::string::npos)
        << e.what();
  }
}

TEST(HostGenerators, LaplacianAndRandomMatricesHaveTheirShape) {
  const CoordMatrix lap = laplace2d(3);
  EXPECT_EQ(lap.rows, 9);
  EXPECT_EQ(lap.entries.size(), 33u);  // 5 per grid point, less 4 per side for the border
  EXPECT_EQ(lap.file_entries, 21);     // the diagonal and one triangle
  std::vector<double> row_sum(9, 0.0);
  for (const Entry& e : lap.entries) row_sum[static_cast<std::size_t>(e.row)] += e.re;
  EXPECT_EQ(row_sum, (std::vector<double>{2, 1, 2, 1, 0, 1, 2, 1, 2}));

  RandomShape shape;
  shape.rows = shape.cols = 50;
  shape.density = 0.1;
  shape.complex = shape.symmetric = true;
  shape.seed = 7;
  const CoordMatrix a = random_matrix(shape);
  std::vector<int> diagonals(50, 0);
  std::size_t mirrored = 0;
  for (std::size_t t = 0; t < a.entries.size(); ++t) {
    const Entry& e = a.entries[t];
    if (e.row == e.col) {
      ++diagonals[static_cast<std::size_t>(e.row)];
      EXPECT_GE(std::fabs(e.re), 1.0);
    } else if (t + 1 < a.entries.size() && e.row > e.col) {
      const Entry& m = a.entries[t + 1];  // the mirror follows, unchanged
      EXPECT_TRUE(m.row == e.col && m.col == e.row && m.re == e.re && m.im == e.im);
      ++mirrored;
    }
  }
  EXPECT_EQ(diagonals, std::vector<int>(50, 1));
  EXPECT_EQ(mirrored, static_cast<std::size_t>(std::llround(0.1 * 50 * 49 / 2)));
  const CoordMatrix again = random_matrix(shape);
  ASSERT_EQ(again.entries.size(), a.entries.size());
  EXPECT_EQ(again.entries.back().im, a.entries.back().im);
}

// The checks must fail a result that is off by more than rounding can explain.
TEST(HostChecks, ProductCheckFailsAWrongElementAndPassesARoundedOne) {
  // Element 0: 0.1 * 3 + 0.2 * 3, element 1: inf, element 2: no terms.
  ProductReference ref(3, 0);
  ref.add(0, 0.1L * 3);
  ref.add(0, static_cast<long double>(0.2) * 3);
  ref.add(1, std::numeric_limits<long double>::infinity());
  const double rounded = 0.1 * 3 + 0.2 * 3;
  EXPECT_TRUE(ref.compare({rounded, HUGE_VAL, 0.0}, "C").passed);

  const double off = std::nextafter(std::nextafter(std::nextafter(rounded, 1.0), 1.0), 1.0);
  const CheckResult wrong = ref.compare({off, HUGE_VAL, 0.0}, "C");
  EXPECT_FALSE(wrong.passed);
  EXPECT_EQ(wrong.failure.rfind("C[0] is ", 0), 0u) << wrong.failure;
  EXPECT_FALSE(ref.compare({rounded, -HUGE_VAL, 0.0}, "C").passed);
  EXPECT_FALSE(ref.compare({rounded, HUGE_VAL, 1e-300}, "C").passed);  // no term: exactly 0
  EXPECT_FALSE(ref.compare({rounded, HUGE_VAL, NAN}, "C").passed);
}

TEST(HostChecks, SolveCheckFailsAPerturbedSolution) {
  // Lower triangle (2, 0), (1, 4), right-hand side (2, 5): solution (1, 1).
  const std::vector<TriangleEntry> entries = {{0, 0, 2}, {1, 0, 1}, {1, 1, 4}};
  const SolveCheck good = check_solve(2, entries, {2, 5}, {1, 1});
  EXPECT_TRUE(good.passed);
  EXPECT_EQ(good.relative_residual, 0.0);
  // One ulp off is within rounding of a two-term row; a part in 10^12 is not.
  EXPECT_TRUE(check_solve(2, entries, {2, 5}, {1, std::nextafter(1.0, 2.0)}).passed);
  const SolveCheck bad = check_solve(2, entries, {2, 5}, {1, 1 + 1e-12});
  EXPECT_FALSE(bad.passed);
  EXPECT_GT(bad.relative_residual, 0.0);
  EXPECT_FALSE(check_solve(2, entries, {2, 5}, {1, NAN}).passed);
}

// ---- Real matrices, both rounding schemes -------------------------------------------------

const std::string kMatrices = SPK_MATRICES_DIR;

struct MatrixRun {
  const char* file;
  const char* kernel;
  const char* refusal;  // a piece of the refusal message, or nullptr when the run must pass
};

const MatrixRun kRuns[] = {
    {"young1c.mtx", "CSC_CmplxVecMult_CAB_double", nullptr},
    {"young1c.mtx", "CSR_CmplxVecMult_CAB_double", nullptr},
    {"young1c.mtx", "CSRsymm_CmplxVecMult_CAB_double", "it is not declared symmetric"},
    {"young1c.mtx", "CSC_VecMult_CAB_double", "is a real kernel"},
    {"qc324.mtx", "CSC_CmplxVecMult_CAB_double", nullptr},
    {"qc324.mtx", "CSR_CmplxVecMult_CAB_double", nullptr},
    {"qc324.mtx", "CSRsymm_CmplxVecMult_CAB_double", nullptr},
    {"494_bus.mtx", "CSRsymm_VecMult_CAB_double", nullptr},
    {"494_bus.mtx", "CSRsymm_CmplxVecMult_CAB_double", nullptr},
    {"nos5.mtx", "CSRsymm_VecMult_CAB_double", nullptr},
    {"nos5.mtx", "CSC_MatMult_CAB_double", nullptr},
    {"mhd1280b.mtx", "CSRsymm_CmplxVecMult_CAB_double", "never conjugates"},
    {"mhd1280b.mtx", "CSC_CmplxVecMult_CAB_double", nullptr},
    {"sherman3.mtx", "CSRsymm_VecMult_CAB_double", "it is not declared symmetric"},
    {"lp_afiro.mtx", "CSC_VecMult_CAB_double", nullptr},
    {"lp_afiro.mtx", "CSR_VecMult_CAB_double", nullptr},
    {"lp_afiro.mtx", "CSC_VecMult_CaABC_double", nullptr},
    {"lp_afiro.mtx", "CSR_VecMult_CaABC_double", nullptr},
    {"lp_afiro.mtx", "CSC_MatMult_CAB_double", nullptr},
    {"lp_afiro.mtx", "CSC_VecTriangSlvLD_CAB_double", "is not square"},
    {"plskz362.mtx", "CSR_VecMult_CAB_double", nullptr},
    {"plskz362.mtx", "CSR_VecTriangSlvUD_CAB_double", "stores no diagonal entry at (1, 1)"},
    {"lpi_galenet.mtx", "CSC_MatMult_CAB_double", nullptr},
    {"bcspwr10.mtx", "CSR_VecMult_CaABC_double", nullptr},
};

const char* const kSolves[] = {"CSC_VecTriangSlvLD_CAB_double", "CSC_VecTriangSlvUD_CAB_double",
                               "CSR_VecTriangSlvLD_CAB_double", "CSR_VecTriangSlvUD_CAB_double"};

class HostOnRealMatrices : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (!std::filesystem::is_directory(kMatrices))
      GTEST_SKIP() << "no matrices at " << kMatrices << "; the runs on real matrices are skipped";
  }
  Bundle load() const { return Bundle(std::string(SPK_BUNDLE_DIR) + "/" + GetParam()); }
  RunOptions options() const {
    RunOptions o;
    o.repeat = 2;
    return o;
  }
};

TEST_P(HostOnRealMatrices, EveryKernelKindPassesOrIsRefusedWithItsReason) {
  const Bundle bundle = load();
  for (const MatrixRun& run : kRuns) {
    SCOPED_TRACE(std::string(run.kernel) + " on " + run.file);
    const CoordMatrix a = read_matrix_market(kMatrices + "/" + run.file);
    if (run.refusal == nullptr) {
      const RunReport report = run_kernel(bundle, run.kernel, a, options());
      EXPECT_TRUE(report.passed()) << summary(report);
      EXPECT_GT(report.stored, 0);
    } else {
      try {
        run_kernel(bundle, run.kernel, a, options());
        ADD_FAILURE() << "not refused";
      } catch (const InputError& e) {
        EXPECT_NE(std::string(e.what()).find(run.refusal), std::string::npos) << e.what();
      }
    }
  }
}

TEST_P(HostOnRealMatrices, TriangularSolvesHaveSmallResiduals) {
  const Bundle bundle = load();
  for (const char* file : {"494_bus.mtx", "sherman3.mtx", "nos5.mtx"}) {
    const CoordMatrix a = read_matrix_market(kMatrices + "/" + file);
    for (const char* kernel : kSolves) {
      SCOPED_TRACE(std::string(kernel) + " on " + file);
      const RunReport report = run_kernel(bundle, kernel, a, options());
      EXPECT_TRUE(report.passed()) << summary(report);
      EXPECT_LT(report.relative_residual, 1e-14) << summary(report);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Bundles, HostOnRealMatrices,
                         ::testing::Values("spkernels_powerpc.so", "spkernels_separate.so"),
                         [](const auto& info) {
                           return std::string(info.param).find("powerpc") != std::string::npos
                                      ? "fused"
                                      : "separate";
                         });

}  // namespace
}  // namespace spk::host
