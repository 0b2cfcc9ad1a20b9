// The two rounding schemes as GoogleTest types: one test body runs under each.
#ifndef SPK_TESTS_SCHEMES_HPP
#define SPK_TESTS_SCHEMES_HPP

#include <string>
#include <type_traits>

#include <gtest/gtest.h>

#include "spkernels/arith.hpp"

namespace spk::test {

using Schemes = ::testing::Types<spk::Separate, spk::Fused>;

struct SchemeName {
  template <class Arith>
  static std::string GetName(int) { return Arith::name; }
};

template <class Arith>
inline constexpr bool is_fused = std::is_same_v<Arith, spk::Fused>;

}  // namespace spk::test

#endif  // SPK_TESTS_SCHEMES_HPP
