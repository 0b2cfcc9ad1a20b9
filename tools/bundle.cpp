#include "bundle.hpp"

#include <dlfcn.h>

#include <cstring>

#include "errors.hpp"
#include "spkernels/spkernels.h"

namespace spk::host {

int kernel_index(const std::string& name) {
  for (std::size_t k = 0; k < kKernelNames.size(); ++k)
    if (name == kKernelNames[k]) return static_cast<int>(k);
  return -1;
}

std::string kernel_list() {
  std::string out;
  for (const char* name : kKernelNames) out += (out.empty() ? "" : ", ") + std::string(name);
  return out;
}

Bundle::Bundle(const std::string& path) : path_(path) {
  const std::string target = path.find('/') == std::string::npos ? "./" + path : path;
  dlerror();
  handle_ = dlopen(target.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* why = dlerror();
    throw InputError("cannot load bundle " + path + ": " + (why ? why : "unknown error"));
  }
  using MexVersion = decltype(&::mexVersion);
  auto version = reinterpret_cast<MexVersion>(dlsym(handle_, "mexVersion"));
  if (version == nullptr) {
    dlclose(handle_);
    handle_ = nullptr;
    throw InputError("bundle " + path + " loads but exports no mexVersion");
  }
  const char* tag = version();
  tag_ = tag ? tag : "";
}

Bundle::~Bundle() {
  if (handle_ != nullptr) dlclose(handle_);
}

Bundle::Bundle(Bundle&& other) noexcept
    : path_(std::move(other.path_)), handle_(other.handle_), tag_(std::move(other.tag_)) {
  other.handle_ = nullptr;
}

std::string Bundle::build() const {
  if (tag_ == "MATLAB R14 native") return "Intel build";
  if (tag_ == "MATLAB R13 native") return "PowerPC build";
  return "unknown build";
}

void* Bundle::lookup(const char* name) const {
  dlerror();
  return dlsym(handle_, name);
}

int Bundle::exported_kernels() const {
  int count = 0;
  for (const char* name : kKernelNames) count += lookup(name) != nullptr;
  return count;
}

std::string Bundle::rounding() const {
  auto kernel =
      reinterpret_cast<decltype(&::CSC_VecMult_CAB_double)>(lookup("CSC_VecMult_CAB_double"));
  if (kernel == nullptr) return "unknown";
  // Column 0 puts -1 into C[0]; column 1 adds (1 + 2^-30)(1 - 2^-30) = 1 - 2^-60. Rounded
  // on its own the product is 1 and the sum +0.0; fused, the sum is -2^-60.
  const double Aval[] = {-1.0, 1.0 - 0x1p-30};
  const std::int32_t Aind[] = {0, 0};
  const std::int32_t Aptr[] = {0, 1, 2};
  const double B[] = {1.0, 1.0 + 0x1p-30};
  double C[] = {42.0};
  kernel(1, 2, Aval, Aind, Aptr, B, C);
  if (C[0] == -0x1p-60) return "fused";
  if (C[0] == 0.0) return "separate";
  return "unknown";
}

}  // namespace spk::host
