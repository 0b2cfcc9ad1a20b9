// Loading a built bundle the way a host does: dlopen, then look names up with dlsym.
#ifndef SPK_TESTS_BUNDLE_HPP
#define SPK_TESTS_BUNDLE_HPP

#include <dlfcn.h>

#include <array>
#include <string>

#include <gtest/gtest.h>

#include "spkernels/kernel_names.hpp"
namespace spk::test {

inline constexpr auto kKernelNames = spk::kernel_names;

inline std::string bundle_path(const std::string& name) {
  return std::string(SPK_BUNDLE_DIR) + "/" + name + ".so";
}

// A loaded bundle, closed again when it goes out of scope.
class Bundle {
 public:
  explicit Bundle(const std::string& name) : path_(bundle_path(name)) {
    handle_ = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) error_ = dlerror();
  }
  ~Bundle() {
    if (handle_) dlclose(handle_);
  }
  Bundle(const Bundle&) = delete;
  Bundle& operator=(const Bundle&) = delete;

  bool loaded() const { return handle_ != nullptr; }
  const std::string& error() const { return error_; }
  const std::string& path() const { return path_; }
  void* find(const char* symbol) const { return handle_ ? dlsym(handle_, symbol) : nullptr; }

  // The named kernel as a typed function pointer; fails the test when it is not exported.
  template <class Fn>
  Fn* kernel(const char* symbol) const {
    void* address = find(symbol);
    EXPECT_NE(address, nullptr) << symbol << " is not exported by " << path_;
    return reinterpret_cast<Fn*>(address);
  }

 private:
  std::string path_;
  std::string error_;
  void* handle_ = nullptr;
};

}  // namespace spk::test

#endif  // SPK_TESTS_BUNDLE_HPP
