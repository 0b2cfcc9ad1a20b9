// A bundle loaded the way the host loads it: dlopen, then mexVersion and lookups by name.
#ifndef SPK_TOOLS_BUNDLE_HPP
#define SPK_TOOLS_BUNDLE_HPP

#include <array>
#include <string>

#include "spkernels/kernel_names.hpp"
namespace spk::host {

// The thirteen kernel names, in the order the host reports them.
inline constexpr auto kKernelNames = spk::kernel_names;

// Position of `name` in kKernelNames, or -1.
int kernel_index(const std::string& name);
// "A, B, ..." for messages.
std::string kernel_list();

class Bundle {
 public:
  // Loads PATH (a path without a slash is taken relative to the current directory, never
  // searched for) and calls its mexVersion. Throws InputError with dlerror's message.
  explicit Bundle(const std::string& path);
  ~Bundle();
  Bundle(Bundle&& other) noexcept;
  Bundle& operator=(Bundle&&) = delete;
  Bundle(const Bundle&) = delete;
  Bundle& operator=(const Bundle&) = delete;

  const std::string& path() const { return path_; }
  const std::string& tag() const { return tag_; }
  // "Intel build" for "MATLAB R14 native", "PowerPC build" for "MATLAB R13 native".
  std::string build() const;
  // The exported symbol NAME, or nullptr.
  void* lookup(const char* name) const;
  int exported_kernels() const;
  // "fused" or "separate", told apart by one call of CSC_VecMult_CAB_double on a product
  // whose rounding shows; "unknown" when that kernel is not exported.
  std::string rounding() const;

 private:
  std::string path_;
  void* handle_ = nullptr;
  std::string tag_;
};

}  // namespace spk::host

#endif  // SPK_TOOLS_BUNDLE_HPP
