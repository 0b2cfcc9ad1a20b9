// The common body of the fuzz targets. From the fuzzer's bytes it builds one call of a kernel
// of the target's family: dimensions, Aptr, Aind, values and dense arrays, each array
// allocated on the heap with exactly the length the bytes choose (so that AddressSanitizer
// sees any access beyond it), sometimes null when empty, sometimes with C laid over B. Most
// inputs are near a valid call (lengths that match the dimensions, indices in range, the
// triangular form a solve needs) with a small deviation, so that both the checker's refusals
// and the kernels are exercised. The checker decides; only an accepted call runs, under both
// rounding schemes, and its outputs must have the bits of the literal reference.
#ifndef SPK_FUZZ_HARNESS_HPP
#define SPK_FUZZ_HARNESS_HPP

#include <fuzzer/FuzzedDataProvider.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <vector>

#include "reference.hpp"
#include "support/kernel_call.hpp"

namespace spk::fuzz {

using spk::test::Call;
using spk::test::Kernel;

// Heap arrays of exact length, freed at the end of one input.
class Heap {
 public:
  template <class T>
  T* array(std::size_t length, bool null_when_empty) {
    if (length == 0 && null_when_empty) return nullptr;
    void* p = std::malloc(length == 0 ? 1 : length * sizeof(T));  // 0: a pointer to nothing usable
    blocks_.emplace_back(p, &std::free);
    return static_cast<T*>(p);
  }

 private:
  std::vector<std::unique_ptr<void, void (*)(void*)>> blocks_;
};

class Builder {
 public:
  Builder(const uint8_t* data, std::size_t size) : in_(data, size) {}

  FuzzedDataProvider& in() { return in_; }

  // A small dimension, now and then any 32-bit value.
  int32_t dimension() {
    if (in_.ConsumeIntegralInRange<int>(0, 15) == 0) return in_.ConsumeIntegral<int32_t>();
    return in_.ConsumeIntegralInRange<int32_t>(0, 12);
  }
  // The natural length, mostly; now and then one less or one more, or anything.
  std::size_t length(int64_t natural) {
    if (natural < 0 || natural > 4096) natural = 0;
    switch (in_.ConsumeIntegralInRange<int>(0, 15)) {
      case 0: return natural > 0 ? std::size_t(natural - 1) : 0;
      case 1: return std::size_t(natural + 1);
      case 2: return in_.ConsumeIntegralInRange<std::size_t>(0, 64);
      default: return std::size_t(natural);
    }
  }
  double value() {
    switch (in_.ConsumeIntegralInRange<int>(0, 7)) {
      case 0: return std::bit_cast<double>(in_.ConsumeIntegral<uint64_t>());  // any bits
      case 1: return double(in_.ConsumeIntegralInRange<int>(-4, 4));          // exact sums
      case 2: return in_.ConsumeBool() ? -0.0 : 0.0;
      default: return std::ldexp(1.0 + in_.ConsumeProbability<double>(),
                                 in_.ConsumeIntegralInRange<int>(-8, 8)) *
                      (in_.ConsumeBool() ? -1 : 1);
    }
  }
  // An index near the range 0 .. extent - 1.
  int32_t index(int32_t extent) {
    if (in_.ConsumeIntegralInRange<int>(0, 31) == 0) return in_.ConsumeIntegral<int32_t>();
    const int32_t high = extent > 0 && extent < 4096 ? extent : 1;
    return in_.ConsumeIntegralInRange<int32_t>(-1, high);  // -1 and high out of range
  }

  double* doubles(std::size_t length) {
    double* p = heap_.array<double>(length, in_.ConsumeBool());
    for (std::size_t i = 0; i < length; ++i) p[i] = value();
    return p;
  }

  // Aptr for count vectors starting near lead, each vector holding a few entries.
  void operand(Call& c, int32_t count, int32_t extent, bool complex) {
    const std::size_t aptr_len = length(int64_t(count) + 1);
    int32_t* Aptr = heap_.array<int32_t>(aptr_len, in_.ConsumeBool());
    int32_t position = in_.ConsumeIntegralInRange<int>(0, 7) == 0 ? in_.ConsumeIntegralInRange<int32_t>(-1, 3) : 0;
    for (std::size_t j = 0; j < aptr_len; ++j) {
      Aptr[j] = position;
      if (in_.ConsumeIntegralInRange<int>(0, 63) == 0)
        position -= 1;  // a decrease
      else
        position += in_.ConsumeIntegralInRange<int32_t>(0, 4);
    }
    const int32_t last = aptr_len > 0 ? Aptr[aptr_len - 1] : 0;
    const std::size_t entries = length(last);
    int32_t* Aind = heap_.array<int32_t>(entries, in_.ConsumeBool());
    for (std::size_t p = 0; p < entries; ++p) Aind[p] = index(extent);
    c.Aptr = Aptr, c.Aptr_len = aptr_len;
    c.Aind = Aind, c.Aind_len = entries;
    c.Aval_len = length(last);
    c.Aval = doubles(c.Aval_len);
    if (complex) {
      c.AvalIm_len = length(last);
      c.AvalIm = doubles(c.AvalIm_len);
    }
  }

  // A triangular operand of order n in the form the solve needs, then perhaps one index
  // changed: most such calls are accepted, and the rest probe the structure checks.
  void triangular(Call& c, int32_t n) {
    const bool after = c.kernel == Kernel::CSC_VecTriangSlvLD_CAB || c.kernel == Kernel::CSR_VecTriangSlvUD_CAB;
    std::vector<int32_t> Aptr{in_.ConsumeIntegralInRange<int32_t>(0, 2)};
    std::vector<int32_t> Aind(Aptr[0], -1);
    for (int32_t j = 0; j < n; ++j) {
      std::vector<int32_t> others;
      const int32_t side = after ? n - 1 - j : j;
      const int count = side > 0 ? in_.ConsumeIntegralInRange<int>(0, 3) : 0;
      for (int t = 0; t < count; ++t) {
        const int32_t offset = in_.ConsumeIntegralInRange<int32_t>(0, side - 1);
        others.push_back(after ? j + 1 + offset : offset);
      }
      switch (c.kernel) {
        case Kernel::CSC_VecTriangSlvLD_CAB:
        case Kernel::CSR_VecTriangSlvUD_CAB: others.insert(others.begin(), j); break;
        case Kernel::CSC_VecTriangSlvUD_CAB: others.push_back(j); break;
        default: others.insert(others.begin() + in_.ConsumeIntegralInRange<std::size_t>(0, others.size()), j);
      }
      Aind.insert(Aind.end(), others.begin(), others.end());
      Aptr.push_back(int32_t(Aind.size()));
    }
    if (!Aind.empty() && in_.ConsumeIntegralInRange<int>(0, 3) == 0)
      Aind[in_.ConsumeIntegralInRange<std::size_t>(0, Aind.size() - 1)] = index(n);
    int32_t* aptr = heap_.array<int32_t>(Aptr.size(), false);
    std::memcpy(aptr, Aptr.data(), Aptr.size() * sizeof(int32_t));
    int32_t* aind = heap_.array<int32_t>(Aind.size(), in_.ConsumeBool());
    if (!Aind.empty()) std::memcpy(aind, Aind.data(), Aind.size() * sizeof(int32_t));
    c.Aptr = aptr, c.Aptr_len = Aptr.size();
    c.Aind = aind, c.Aind_len = Aind.size();
    c.Aval_len = Aind.size();
    c.Aval = doubles(c.Aval_len);
  }

  // The dense arrays with their natural lengths, C laid over B now and then.
  void dense(Call& c, int64_t b, int64_t cc, bool complex) {
    c.B_len = length(b);
    c.B = doubles(c.B_len);
    c.C_len = length(cc);
    if (in_.ConsumeIntegralInRange<int>(0, 7) == 0) {
      // In place, or an overlap to refuse: C over B, or over B from its second element.
      const std::size_t shift = c.B_len > 0 && in_.ConsumeBool() ? 1 : 0;
      c.C = const_cast<double*>(c.B) + shift;
      c.C_len = c.B_len - shift;
    } else {
      c.C = doubles(c.C_len);
    }
    if (complex) {
      c.BIm_len = length(b);
      c.BIm = doubles(c.BIm_len);
      c.CIm_len = length(cc);
      c.CIm = doubles(c.CIm_len);
    }
  }

  Heap& heap() { return heap_; }

 private:
  FuzzedDataProvider in_;
  Heap heap_;
};

inline bool same_bits(double x, double y) {
  return (std::isnan(x) && std::isnan(y)) ||
         std::bit_cast<uint64_t>(x) == std::bit_cast<uint64_t>(y);
}

// Runs an accepted call under one scheme on fresh exact-size copies of its outputs (B shares
// C's copy when the call is in place), the kernel template and the reference each on their
// own, and stops the fuzzer when any bit differs.
template <class Arith>
void run_and_compare(const Call& call, Heap& heap, const char* scheme) {
  const bool in_place = call.C != nullptr && call.C == call.B;
  Call runs[2] = {call, call};
  for (Call& r : runs) {
    r.C = heap.array<double>(call.C_len, false);
    if (call.C_len) std::memcpy(r.C, call.C, call.C_len * sizeof(double));
    if (in_place) r.B = r.C;
    r.CIm = heap.array<double>(call.CIm_len, false);
    if (call.CIm_len) std::memcpy(r.CIm, call.CIm, call.CIm_len * sizeof(double));
  }
  spk::test::run_template<Arith>(runs[0]);
  spk::fuzz_ref::reference<Arith>(runs[1]);
  const auto compare = [&](const double* got, const double* want, std::size_t n, const char* name) {
    for (std::size_t i = 0; i < n; ++i)
      if (!same_bits(got[i], want[i])) {
        std::fprintf(stderr, "%s, %s: %s[%zu] is %a, the reference gives %a\n",
                     spk::test::symbol(call.kernel), scheme, name, i, got[i], want[i]);
        std::abort();
      }
  };
  compare(runs[0].C, runs[1].C, call.C_len, "C");
  compare(runs[0].CIm, runs[1].CIm, call.CIm_len, "CIm");
}

// Checks the call; runs it under both schemes only when the checker accepts (and the caller
// allows it: a valid call can still take very long, e.g. a matrix product with m = 0 and
// n near 2^31, which fills no array but loops n times).
inline void check_and_run(Builder& b, Call& call, bool may_run = true) {
  call.flags = b.in().ConsumeBool() ? SPK_CHECK_ZERO_DIVISOR : 0u;
  char message[256];
  const int code = spk::test::check(call, message, sizeof message);
  if (code != SPK_OK) {
    // A refusal names its reason; the message is always terminated.
    if (code < SPK_ERR_DIMENSION || code > SPK_ERR_NULL || std::strlen(message) == 0) std::abort();
    return;
  }
  if (!may_run) return;
  run_and_compare<spk::Separate>(call, b.heap(), "separate");
  run_and_compare<spk::Fused>(call, b.heap(), "fused");
}

}  // namespace spk::fuzz

#endif  // SPK_FUZZ_HARNESS_HPP
