// Kernels are reentrant: several threads call every kernel (and the checker) at once on shared
// read-only operands, each with its own outputs, and every result has the bits of the serial one.
// The stage script runs this under ThreadSanitizer as well.
#include <barrier>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/bits.hpp"
#include "support/bundle.hpp"
#include "support/kernel_call.hpp"
#include "support/operands.hpp"
#include "support/valid_calls.hpp"

namespace {

using namespace spk::test;

constexpr int kThreads = 4;

struct Result {
  std::vector<double> C, CIm;
};

enum class Runner { separate, fused, bundle };

// One call with its own outputs (copies of the starting C and CIm); the operands are shared.
Result run(const Arrays& shared, Runner runner, void* exported) {
  Result r{shared.C, shared.CIm};
  Call c = const_cast<Arrays&>(shared).bind();
  c.C = r.C.data();
  c.CIm = r.CIm.data();
  switch (runner) {
    case Runner::separate: run_template<spk::Separate>(c); break;
    case Runner::fused: run_template<spk::Fused>(c); break;
    case Runner::bundle: run_symbol(exported, c); break;
  }
  return r;
}

bool same(const std::vector<double>& x, const std::vector<double>& y) {
  if (x.size() != y.size()) return false;
  for (std::size_t i = 0; i < x.size(); ++i)
    if (!same_bits(x[i], y[i])) return false;
  return true;
}

TEST(Threads, EveryKernelAtOnceGivesTheSerialBits) {
  Bundle bundle("spkernels_powerpc");
  ASSERT_TRUE(bundle.loaded()) << bundle.error();
  // Shared operands: a few random calls of every kernel, large enough to overlap in time.
  std::vector<Arrays> calls;
  for (Kernel k : kAllKernels)
    for (int t = 0; t < 3; ++t) {
      Rng rng(9000 + 10 * static_cast<int>(k) + t);
      calls.push_back(random_valid_call(rng, k, 60));
    }
  const Runner runners[] = {Runner::separate, Runner::fused, Runner::bundle};
  // The serial results.
  std::vector<Result> serial;
  for (const Arrays& call : calls)
    for (Runner runner : runners) serial.push_back(run(call, runner, bundle.find(symbol(call.kernel))));

  const int rounds = scaled(100);
  std::vector<int> mismatches(kThreads, 0);
  std::vector<std::string> first_mismatch(kThreads);
  std::barrier start(kThreads);
  std::vector<std::thread> threads;
  for (int id = 0; id < kThreads; ++id) {
    threads.emplace_back([&, id] {
      start.arrive_and_wait();
      for (int round = 0; round < rounds; ++round)
        // Each thread walks the calls from a different place, so different kernels overlap.
        for (std::size_t t = 0; t < calls.size(); ++t) {
          const std::size_t i = (t + id * calls.size() / kThreads) % calls.size();
          // The checker too reads the shared operands from every thread at once.
          char message[256];
          Call shared = const_cast<Arrays&>(calls[i]).bind();
          if (check(shared, message, sizeof message) != SPK_OK && mismatches[id]++ == 0)
            first_mismatch[id] = std::string("the checker refused: ") + message;
          for (std::size_t r = 0; r < 3; ++r) {
            const Result got = run(calls[i], runners[r], bundle.find(symbol(calls[i].kernel)));
            const Result& want = serial[3 * i + r];
            if (!same(got.C, want.C) || !same(got.CIm, want.CIm))
              if (mismatches[id]++ == 0)
                first_mismatch[id] = std::string(symbol(calls[i].kernel)) + ", call " +
                                     std::to_string(i) + ", runner " + std::to_string(r);
          }
        }
    });
  }
  for (std::thread& t : threads) t.join();
  for (int id = 0; id < kThreads; ++id)
    EXPECT_EQ(mismatches[id], 0) << "thread " << id << ", first: " << first_mismatch[id];
}

}  // namespace
