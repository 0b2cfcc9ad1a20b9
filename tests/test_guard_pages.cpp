// Checked calls stay inside their arrays. Every kernel runs (the templates under both rounding
// schemes, and the exports of the fused bundle) on calls the checker accepts, with every array
// exactly as long as the checker requires and bordered by inaccessible pages; arrays the call
// needs nothing of get an inaccessible pointer. A read or write beyond an end faults; the
// bytes around each output and every input are compared afterwards.
#include <csignal>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "support/bits.hpp"
#include "support/bundle.hpp"
#include "support/guard_pages.hpp"
#include "support/kernel_call.hpp"
#include "support/operands.hpp"
#include "support/valid_calls.hpp"

namespace {

using namespace spk::test;

// What is running, for the report of a fault (written from the signal handler).
char g_running[256] = "";

void report_fault(int signal) {
  const char prefix[] = "\nfault outside the arrays while running: ";
  (void)!write(STDERR_FILENO, prefix, sizeof prefix - 1);
  (void)!write(STDERR_FILENO, g_running, std::strlen(g_running));
  (void)!write(STDERR_FILENO, "\n", 1);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

class GuardPages : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::signal(SIGSEGV, report_fault);
    std::signal(SIGBUS, report_fault);
  }
};

enum class Runner { separate, fused, bundle };

const char* runner_name(Runner r) {
  return r == Runner::separate ? "template, separate" : r == Runner::fused ? "template, fused" : "powerpc bundle";
}

struct Outputs {
  std::vector<double> C, CIm;
};

// Runs one call on guarded copies of its arrays, B and C the same array when in_place.
// Returns the outputs; records failures for a broken border or a changed input.
Outputs run_guarded(const Arrays& arrays, Flush flush, bool in_place, Runner runner,
                    const Bundle& bundle, const std::string& what) {
  GuardedArena arena;
  Arrays a = arrays;
  Call c = a.bind();
  c.Aval = arena.copy(a.Aval, flush, false);
  c.AvalIm = arena.copy(a.AvalIm, flush, false);
  c.Aind = arena.copy(a.Aind, flush, false);
  c.Aptr = arena.copy(a.Aptr, flush, false);
  c.BIm = arena.copy(a.BIm, flush, false);
  c.CIm = arena.copy(a.CIm, flush, true);
  if (in_place) {
    c.C = arena.copy(a.B, flush, true);
    c.B = c.C;
  } else {
    c.B = arena.copy(a.B, flush, false);
    c.C = arena.copy(a.C, flush, true);
  }
  char message[512];
  EXPECT_EQ(check(c, message, sizeof message), SPK_OK) << what << ": " << message;

  std::snprintf(g_running, sizeof g_running, "%s", what.c_str());
  switch (runner) {
    case Runner::separate: run_template<spk::Separate>(c); break;
    case Runner::fused: run_template<spk::Fused>(c); break;
    case Runner::bundle: run_symbol(bundle.find(symbol(c.kernel)), c); break;
  }
  g_running[0] = '\0';

  std::string broken;
  EXPECT_TRUE(arena.borders_intact(&broken)) << what << ": " << broken;
  const auto unchanged = [&](const char* name, const void* now, const void* before, std::size_t bytes) {
    EXPECT_EQ(bytes == 0 || std::memcmp(now, before, bytes) == 0, true) << what << ": " << name << " changed";
  };
  unchanged("Aval", c.Aval, a.Aval.data(), a.Aval.size() * sizeof(double));
  unchanged("AvalIm", c.AvalIm, a.AvalIm.data(), a.AvalIm.size() * sizeof(double));
  unchanged("Aind", c.Aind, a.Aind.data(), a.Aind.size() * sizeof(int32_t));
  unchanged("Aptr", c.Aptr, a.Aptr.data(), a.Aptr.size() * sizeof(int32_t));
  unchanged("BIm", c.BIm, a.BIm.data(), a.BIm.size() * sizeof(double));
  if (!in_place) unchanged("B", c.B, a.B.data(), a.B.size() * sizeof(double));
  Outputs out;
  out.C.assign(c.C, c.C + (in_place ? a.B.size() : a.C.size()));
  out.CIm.assign(c.CIm, c.CIm + a.CIm.size());
  return out;
}

void expect_same_bits(const std::vector<double>& got, const std::vector<double>& want,
                      const std::string& what) {
  ASSERT_EQ(got.size(), want.size()) << what;
  for (std::size_t i = 0; i < got.size(); ++i)
    EXPECT_TRUE(same_bits(got[i], want[i])) << what << ": element " << i << " is " << got[i]
                                            << ", the fused template gives " << want[i];
}

// Every kernel with all dimensions 0 and every array inaccessible, and with only what a call
// of no compressed vectors still writes.
std::vector<Arrays> edge_calls(Kernel k) {
  std::vector<Arrays> calls;
  calls.push_back(Arrays{k});
  Arrays clears{k};
  switch (k) {
    case Kernel::CSC_VecMult_CAB:
      clears.d[0] = 3, clears.C = {1, 2, 3};
      break;
    case Kernel::CSC_CmplxVecMult_CAB:
      clears.d[0] = 3, clears.C = {1, 2, 3}, clears.CIm = {4, 5, 6};
      break;
    case Kernel::CSRsymm_VecMult_CAB:
      clears.d[1] = 3, clears.C = {1, 2, 3};
      break;
    case Kernel::CSRsymm_CmplxVecMult_CAB:
      clears.d[1] = 3, clears.C = {1, 2, 3}, clears.CIm = {4, 5, 6};
      break;
    case Kernel::CSC_MatMult_CAB:  // k == 0: C alone is cleared
      clears.d[0] = 2, clears.d[1] = 2, clears.C = {1, 2, 3, 4};
      break;
    default:  // no compressed vectors, any m: nothing touched
      clears.d[0] = 5;
      if (is_solve(k)) clears.d[0] = 0;
      break;
  }
  calls.push_back(clears);
  return calls;
}

TEST_F(GuardPages, EveryKernelStaysInsideItsCheckedArrays) {
  Bundle bundle("spkernels_powerpc");
  ASSERT_TRUE(bundle.loaded()) << bundle.error();
  const int iterations = scaled(40);
  for (Kernel k : kAllKernels) {
    ASSERT_NE(bundle.find(symbol(k)), nullptr) << symbol(k);
    std::vector<Arrays> calls = edge_calls(k);
    for (int t = 0; t < iterations; ++t) {
      Rng rng(7000 + 100 * static_cast<int>(k) + t);
      calls.push_back(random_valid_call(rng, k));
    }
    for (std::size_t t = 0; t < calls.size(); ++t) {
      for (bool in_place : {false, true}) {
        if (in_place && !is_solve(k)) continue;
        for (Flush flush : {Flush::end, Flush::start}) {
          Outputs fused;
          for (Runner runner : {Runner::fused, Runner::separate, Runner::bundle}) {
            const std::string what = std::string(symbol(k)) + ", call " + std::to_string(t) +
                                     (in_place ? ", in place" : "") +
                                     (flush == Flush::end ? ", flush at the end" : ", flush at the start") +
                                     ", " + runner_name(runner);
            Outputs out = run_guarded(calls[t], flush, in_place, runner, bundle, what);
            if (runner == Runner::fused) fused = out;
            if (runner == Runner::bundle) {
              expect_same_bits(out.C, fused.C, what + ", C");
              expect_same_bits(out.CIm, fused.CIm, what + ", CIm");
            }
          }
          if (HasFailure()) return;
        }
      }
    }
  }
}

}  // namespace
