// Cheap tests that a kernel makes at entry to choose between its literal loop and a faster
// schedule of the same operations. A fast schedule may hold values in registers, skip a
// clearing pass or visit entries through one index; that is only equal to the literal loop
// when the output shares no storage with what the loop reads, so these tests compare
// address ranges. Prefetching never changes a result; the scatter test only decides whether
// it is worth issuing.
#ifndef SPKERNELS_ACCESS_HPP
#define SPKERNELS_ACCESS_HPP

#include <cstddef>
#include <cstdint>

namespace spk {

// The byte range [p, p + count * sizeof(T)); an empty range overlaps nothing.
struct Span {
  std::uintptr_t begin = 0;
  std::uintptr_t end = 0;
};

template <class T>
inline Span span_of(const T* p, std::ptrdiff_t count) {
  const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(p);
  if (count <= 0) return Span{begin, begin};
  return Span{begin, begin + static_cast<std::uintptr_t>(count) * sizeof(T)};
}

inline bool overlap(Span x, Span y) {
  return x.begin < x.end && y.begin < y.end && x.begin < y.end && y.begin < x.end;
}

// Tells whether a double at an arbitrary address shares a byte with the doubles
// [base, base + count): one subtraction and one unsigned comparison.
class SlotGuard {
 public:
  SlotGuard(const double* base, std::ptrdiff_t count)
      : low_(reinterpret_cast<std::uintptr_t>(base) - (sizeof(double) - 1)),
        width_(count > 0 ? static_cast<std::uintptr_t>(count) * sizeof(double) + sizeof(double) - 1
                         : 0) {}
  bool hits(const double* x) const {
    return reinterpret_cast<std::uintptr_t>(x) - low_ < width_;
  }

 private:
  std::uintptr_t low_;
  std::uintptr_t width_;
};

// Whether no element of a gathered input can alias the n outputs from out: the input starts
// past their end, or, given the index extent (every index below it), ends before they start.
// An extent of 0 or less proves nothing.
inline bool gathered_apart(const double* in, int32_t extent, const double* out, int32_t n) {
  const Span o = span_of(out, n);
  const std::uintptr_t b = reinterpret_cast<std::uintptr_t>(in);
  return b >= o.end || (extent > 0 && span_of(in, extent).end <= o.begin);
}

// Below this many compressed vectors a kernel takes its literal loop at once: the entry
// tests would cost more than any faster schedule could gain.
inline constexpr int32_t kFewVectors = 16;

// How far ahead, in stored entries, the gathered or scattered dense element is prefetched.
inline constexpr int32_t kPrefetchDistance = 64;

// Which compressed vectors may prefetch a distance ahead of their entries in a sweep. Ahead
// means later in the sweep: higher positions when the vectors are visited from the first,
// lower ones when they are visited from the last. A vector qualifies only when it lies within
// the stored positions Aptr[0] .. Aptr[n] - 1 and every position a distance from it exists,
// so a prefetch never reads an index outside them.
template <bool Forward>
class AheadOfVectors {
 public:
  static constexpr int32_t step = Forward ? kPrefetchDistance : -kPrefetchDistance;
  AheadOfVectors() = default;  // covers nothing, reads nothing
  AheadOfVectors(int32_t n, const int32_t* Aptr) : low_(Aptr[0]), high_(Aptr[n]) {}
  bool covers(int32_t first, int32_t end) const {
    return first >= low_ && end <= high_ && int64_t{first} + step >= low_ &&
           int64_t{end} + step <= high_;
  }

 private:
  int32_t low_ = 0, high_ = 0;
};

// Whether a matrix is large and scattered enough for prefetching its dense accesses to pay:
// many stored entries, a dense extent beyond the private caches, and most sampled entries far
// from the diagonal (a banded or stencil matrix walks the dense vector in a few streams that
// the hardware already follows). Reads a few hundred entries of Aptr and Aind, all inside the
// positions Aptr names.
inline bool worth_prefetching(int32_t vectors, const int32_t* Aind, const int32_t* Aptr) {
  constexpr int32_t kMinStored = 1 << 20;
  constexpr int64_t kMinExtent = 1 << 17;   // doubles: 1 MiB
  constexpr int64_t kNear = 1 << 15;        // doubles either side of the diagonal
  constexpr int32_t kSamples = 64, kPerVector = 8;
  if (vectors < kSamples) return false;
  const int32_t lo = Aptr[0], hi = Aptr[vectors];
  if (hi - static_cast<int64_t>(lo) < kMinStored) return false;
  int64_t extent = 0;
  int32_t seen = 0, far = 0;
  int64_t index[kSamples * kPerVector];
  int64_t vector_of[kSamples * kPerVector];
  for (int32_t s = 0; s < kSamples; ++s) {
    const int32_t j = static_cast<int32_t>(static_cast<int64_t>(vectors) * s / kSamples);
    const int32_t first = Aptr[j], end = Aptr[j + 1];
    if (first < lo || end > hi) return false;
    for (int32_t p = first; p < end && p < first + kPerVector; ++p) {
      index[seen] = Aind[p];
      vector_of[seen] = j;
      if (index[seen] + 1 > extent) extent = index[seen] + 1;
      ++seen;
    }
  }
  if (extent < kMinExtent || seen == 0) return false;
  for (int32_t t = 0; t < seen; ++t) {
    const int64_t diagonal = vector_of[t] * extent / vectors;
    const int64_t distance = index[t] > diagonal ? index[t] - diagonal : diagonal - index[t];
    if (distance > kNear) ++far;
  }
  return 2 * far >= seen;
}

}  // namespace spk

#endif  // SPKERNELS_ACCESS_HPP
