// Comparing doubles by their bits: results are fixed to the last bit, so no tolerance.
#ifndef SPK_TESTS_BITS_HPP
#define SPK_TESTS_BITS_HPP

#include <bit>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace spk::test {

// Equal bit patterns; any NaN equals any NaN (which NaN's payload survives is not fixed).
inline bool same_bits(double x, double y) {
  return (std::isnan(x) && std::isnan(y)) ||
         std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(y);
}

inline std::string describe(double x) {
  char text[64];
  std::snprintf(text, sizeof text, "%.17g (0x%016" PRIx64 ")", x, std::bit_cast<std::uint64_t>(x));
  return text;
}

// Passes when both vectors have the same length and every element the same bits; otherwise
// names the first element that differs.
inline ::testing::AssertionResult same_bits(const std::vector<double>& got,
                                            const std::vector<double>& want) {
  if (got.size() != want.size())
    return ::testing::AssertionFailure()
           << "length " << got.size() << ", expected " << want.size();
  for (std::size_t i = 0; i < got.size(); ++i)
    if (!same_bits(got[i], want[i]))
      return ::testing::AssertionFailure() << "element " << i << " is " << describe(got[i])
                                           << ", expected " << describe(want[i]);
  return ::testing::AssertionSuccess();
}

}  // namespace spk::test

#endif  // SPK_TESTS_BITS_HPP
