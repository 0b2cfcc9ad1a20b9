// Arrays bordered by inaccessible pages: each array sits in its own mapping between two
// PROT_NONE pages, flush against one of them, so that a read or write one element beyond that
// end faults. Inputs are made read-only after they are filled, so a write to one faults too.
// The bytes between the array and the other guard hold a pattern that is compared afterwards.
// An array of length 0 gets a pointer into an inaccessible page: any access through it faults.
#ifndef SPK_TESTS_GUARD_PAGES_HPP
#define SPK_TESTS_GUARD_PAGES_HPP

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace spk::test {

// Which end of the array touches a guard page.
enum class Flush { end, start };

class GuardedArena {
 public:
  static constexpr unsigned char kPattern = 0xA5;

  GuardedArena() : page_(static_cast<std::size_t>(sysconf(_SC_PAGESIZE))) {
    void* p = mmap(nullptr, page_, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::runtime_error("mmap of the inaccessible page failed");
    inaccessible_ = static_cast<unsigned char*>(p);
  }
  ~GuardedArena() {
    for (const Mapping& m : mappings_) munmap(m.base, m.length);
    munmap(inaccessible_, page_);
  }
  GuardedArena(const GuardedArena&) = delete;
  GuardedArena& operator=(const GuardedArena&) = delete;

  // A guarded copy of values. Read-only unless writable.
  template <class T>
  T* copy(const std::vector<T>& values, Flush flush, bool writable) {
    if (values.empty()) return reinterpret_cast<T*>(inaccessible_);
    const std::size_t bytes = values.size() * sizeof(T);
    const std::size_t pages = (bytes + page_ - 1) / page_;
    const std::size_t length = (pages + 2) * page_;
    void* p = mmap(nullptr, length, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::runtime_error("mmap of a guarded array failed");
    unsigned char* base = static_cast<unsigned char*>(p);
    unsigned char* inside = base + page_;
    if (mprotect(inside, pages * page_, PROT_READ | PROT_WRITE) != 0)
      throw std::runtime_error("mprotect failed");
    std::memset(inside, kPattern, pages * page_);
    unsigned char* data = flush == Flush::end ? inside + pages * page_ - bytes : inside;
    std::memcpy(data, values.data(), bytes);
    if (!writable && mprotect(inside, pages * page_, PROT_READ) != 0)
      throw std::runtime_error("mprotect failed");
    mappings_.push_back({base, length, inside, pages * page_, data, bytes});
    return reinterpret_cast<T*>(data);
  }

  // The bytes of every mapping outside its array still hold the pattern.
  bool borders_intact(std::string* which) const {
    for (const Mapping& m : mappings_) {
      for (const unsigned char* b = m.inside; b < m.inside + m.inside_length; ++b) {
        if (b >= m.data && b < m.data + m.bytes) continue;
        if (*b != kPattern) {
          *which = "a byte at offset " + std::to_string(b - m.data) + " from an array of " +
                   std::to_string(m.bytes) + " bytes was written";
          return false;
        }
      }
    }
    return true;
  }

 private:
  struct Mapping {
    unsigned char* base;
    std::size_t length;
    unsigned char* inside;
    std::size_t inside_length;
    unsigned char* data;
    std::size_t bytes;
  };
  std::size_t page_;
  unsigned char* inaccessible_;
  std::vector<Mapping> mappings_;
};

}  // namespace spk::test

#endif  // SPK_TESTS_GUARD_PAGES_HPP
