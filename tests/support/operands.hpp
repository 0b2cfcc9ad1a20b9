// Compressed operands for tests: literal ones written out in a case table, and random ones
// that hold the awkward cases (empty vectors, duplicate and unsorted indices, signed zeros,
// infinities, NaNs, subnormals, entries stored before Aptr[0]).
#ifndef SPK_TESTS_OPERANDS_HPP
#define SPK_TESTS_OPERANDS_HPP

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace spk::test {

using Vec = std::vector<double>;
using Idx = std::vector<int32_t>;

// A compressed operand as the kernels take it. AvalIm is empty for real operands.
struct Operand {
  Idx Aptr;
  Idx Aind;
  Vec Aval;
  Vec AvalIm;
  int32_t vectors() const { return static_cast<int32_t>(Aptr.size()) - 1; }
  int32_t stored() const { return Aptr.empty() ? 0 : Aptr.back() - Aptr.front(); }
};

inline Operand compressed(Idx Aptr, Idx Aind, Vec Aval, Vec AvalIm = {}) {
  return Operand{std::move(Aptr), std::move(Aind), std::move(Aval), std::move(AvalIm)};
}

using Rng = std::mt19937_64;

inline const double kInf = std::numeric_limits<double>::infinity();
inline const double kNaN = std::numeric_limits<double>::quiet_NaN();

// How often a random value is special. With specials off, values are finite and nonzero.
struct ValueMix {
  double zero = 0.04;       // +0.0 or -0.0
  double infinity = 0.01;   // +inf or -inf
  double nan = 0.01;
  double subnormal = 0.01;
  double small_int = 0.15;  // exact small integers, whose sums are exact too
};
inline constexpr ValueMix kFinite{0, 0, 0, 0, 0.15};

// A value with a full random mantissa (so that fused and separate rounding differ), or one of
// the special kinds at the rates of mix.
inline double random_value(Rng& rng, const ValueMix& mix = {}) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const double pick = unit(rng);
  const bool negative = rng() & 1;
  double x;
  double edge = mix.zero;
  if (pick < edge) {
    x = 0.0;
  } else if (pick < (edge += mix.infinity)) {
    x = kInf;
  } else if (pick < (edge += mix.nan)) {
    return kNaN;
  } else if (pick < (edge += mix.subnormal)) {
    x = std::numeric_limits<double>::denorm_min() * double(1 + rng() % 1000000);
  } else if (pick < (edge += mix.small_int)) {
    x = double(1 + rng() % 8);
  } else {
    x = std::ldexp(1.0 + unit(rng), int(rng() % 9) - 4);
  }
  return negative ? -x : x;
}

inline Vec random_vector(Rng& rng, std::size_t length, const ValueMix& mix = {}) {
  Vec v(length);
  for (double& x : v) x = random_value(rng, mix);
  return v;
}

// The shape of a random compressed operand.
struct Shape {
  int32_t vectors = 8;          // number of compressed vectors (Aptr holds vectors + 1)
  int32_t extent = 8;           // indices lie in 0 .. extent - 1
  int32_t max_per_vector = 6;   // stored entries per vector, before duplicates
  double empty = 0.2;           // chance that a vector stores nothing
  double duplicate = 0.1;       // chance that an entry repeats the previous index
  bool sorted = false;          // indices ascending within each vector
  int32_t first_position = 0;   // Aptr[0]; the positions before it hold NaN, never read
  bool complex = false;         // fill AvalIm too
  ValueMix values{};
};

inline Operand random_operand(Rng& rng, const Shape& shape) {
  Operand a;
  const int32_t lead = shape.first_position;
  a.Aind.assign(lead, -1);
  a.Aval.assign(lead, kNaN);
  a.Aptr.push_back(lead);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int32_t j = 0; j < shape.vectors; ++j) {
    Idx indices;
    if (shape.extent > 0 && unit(rng) >= shape.empty) {
      const int32_t count = 1 + int32_t(rng() % std::max(shape.max_per_vector, 1));
      for (int32_t t = 0; t < count; ++t) {
        if (!indices.empty() && unit(rng) < shape.duplicate)
          indices.push_back(indices.back());
        else
          indices.push_back(int32_t(rng() % shape.extent));
      }
      if (shape.sorted) std::sort(indices.begin(), indices.end());
    }
    for (int32_t r : indices) {
      a.Aind.push_back(r);
      a.Aval.push_back(random_value(rng, shape.values));
    }
    a.Aptr.push_back(static_cast<int32_t>(a.Aind.size()));
  }
  if (shape.complex) {
    a.AvalIm = random_vector(rng, a.Aval.size(), shape.values);
    std::fill_n(a.AvalIm.begin(), lead, kNaN);
  }
  return a;
}

// The values that a kernel reading through the value cursor pairs with the indices from
// Aptr[0] on: callers of those kernels pass Aptr[0] == 0, so tests strip any lead.
inline Operand without_lead(const Operand& a) {
  Operand b = a;
  const int32_t lead = a.Aptr.front();
  for (int32_t& p : b.Aptr) p -= lead;
  b.Aind.erase(b.Aind.begin(), b.Aind.begin() + lead);
  b.Aval.erase(b.Aval.begin(), b.Aval.begin() + lead);
  if (!b.AvalIm.empty()) b.AvalIm.erase(b.AvalIm.begin(), b.AvalIm.begin() + lead);
  return b;
}

// An array's elements, or a null pointer when it is empty: an array that a call must not
// read is passed as nothing it could read.
template <class T>
const T* data_or_null(const std::vector<T>& v) { return v.empty() ? nullptr : v.data(); }
template <class T>
T* data_or_null(std::vector<T>& v) { return v.empty() ? nullptr : v.data(); }

// Iteration counts of randomised tests, scaled by SPK_TEST_SCALE (default 1): emulated
// cross-architecture runs set it below 1.
inline int scaled(int count) {
  const char* text = std::getenv("SPK_TEST_SCALE");
  const double scale = text ? std::atof(text) : 1.0;
  return std::max(1, static_cast<int>(count * (scale > 0 ? scale : 1.0)));
}

// A readable seed in the failure message of every randomised test.
inline std::string seed_note(std::uint64_t seed) { return "seed " + std::to_string(seed); }

}  // namespace spk::test

#endif  // SPK_TESTS_OPERANDS_HPP
