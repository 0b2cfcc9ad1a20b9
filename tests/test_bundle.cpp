// The bundles as the host and the loader see them: the tag behind mexVersion, the export set
// of each build, the symbols kept local, and nothing imported or run at load time.
#include <cstdio>
#include <cstring>
#include <set>
#include <sstream>
#include <string>

#include "spkernels/spkernels.h"
#include "support/bundle.hpp"

namespace {

using spk::test::Bundle;
using spk::test::bundle_path;
using spk::test::kKernelNames;

struct Build {
  const char* bundle;
  const char* tag;
  bool exports_kernels;
};
const Build kBuilds[] = {
    {"spkernels_intel", "MATLAB R14 native", false},
    {"spkernels_powerpc", "MATLAB R13 native", true},
    {"spkernels_separate", "MATLAB R14 native", true},
};

std::string name_of(const ::testing::TestParamInfo<Build>& info) { return info.param.bundle; }

// The output of a binutils command on the bundle, one line per element.
std::set<std::string> lines_of(const std::string& command) {
  std::set<std::string> lines;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return lines;
  char line[512];
  while (std::fgets(line, sizeof line, pipe)) {
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (!text.empty()) lines.insert(text);
  }
  pclose(pipe);
  return lines;
}

// Names (the last field) of nm's output.
std::set<std::string> nm_names(const std::string& options, const std::string& path) {
  std::set<std::string> names;
  for (const std::string& line : lines_of(std::string(SPK_NM) + " " + options + " " + path)) {
    const auto space = line.find_last_of(' ');
    names.insert(space == std::string::npos ? line : line.substr(space + 1));
  }
  return names;
}

class BundleTest : public ::testing::TestWithParam<Build> {};

TEST_P(BundleTest, LoadsAndReturnsItsTag) {
  const Build& build = GetParam();
  Bundle bundle(build.bundle);
  ASSERT_TRUE(bundle.loaded()) << bundle.error();
  auto* mex_version = bundle.kernel<const char*()>("mexVersion");
  ASSERT_NE(mex_version, nullptr);
  const char* first = mex_version();
  const char* second = mex_version();
  EXPECT_EQ(first, second) << "every call returns the same pointer";
  ASSERT_NE(first, nullptr);
  EXPECT_STREQ(first, build.tag);
  EXPECT_EQ(std::strlen(first), 17u);
}

TEST_P(BundleTest, LooksUpExactlyItsExports) {
  const Build& build = GetParam();
  Bundle bundle(build.bundle);
  ASSERT_TRUE(bundle.loaded()) << bundle.error();
  for (const char* name : kKernelNames)
    EXPECT_EQ(bundle.find(name) != nullptr, build.exports_kernels) << name;
  EXPECT_EQ(bundle.find("version"), nullptr) << "version is internal";
  EXPECT_EQ(bundle.find("mexFunction"), nullptr) << "no gateway is defined";
}

TEST_P(BundleTest, DynamicSymbolTableHoldsTheExportSetAlone) {
  const Build& build = GetParam();
  std::set<std::string> want = {"mexVersion"};
  if (build.exports_kernels) want.insert(kKernelNames.begin(), kKernelNames.end());
  EXPECT_EQ(nm_names("-D --defined-only", bundle_path(build.bundle)), want);
}

// Internal symbols stay in the symbol table: nm still lists every kernel and `version`.
TEST_P(BundleTest, SymbolTableListsKernelsAndVersion) {
  const Build& build = GetParam();
  const std::string path = bundle_path(build.bundle);
  std::set<std::string> local_text, local_data;
  for (const std::string& line : lines_of(std::string(SPK_NM) + " --defined-only " + path)) {
    std::istringstream fields(line);
    std::string address, type, name;
    if (!(fields >> address >> type >> name)) continue;
    if (type == "t") local_text.insert(name);
    if (type == "d" || type == "r") local_data.insert(name);
  }
  for (const char* name : kKernelNames)
    EXPECT_EQ(local_text.count(name), build.exports_kernels ? 0u : 1u) << name;
  EXPECT_EQ(local_data.count("version"), 1u);
  EXPECT_EQ(nm_names("--defined-only", path).count("mexFunction"), 0u);
}

// Nothing imported, no library recorded, no code run when the bundle is loaded or unloaded.
TEST_P(BundleTest, ImportsNothingAndRunsNothingAtLoad) {
  const std::string path = bundle_path(GetParam().bundle);
  EXPECT_EQ(nm_names("-D --undefined-only", path), std::set<std::string>{});
  std::set<std::string> load_time;
  for (const std::string& line : lines_of(std::string(SPK_READELF) + " --dynamic " + path))
    for (const char* tag : {"(NEEDED)", "(INIT)", "(FINI)", "(INIT_ARRAY)", "(FINI_ARRAY)",
                            "(PREINIT_ARRAY)", "(TEXTREL)"})
      if (line.find(tag) != std::string::npos) load_time.insert(line);
  EXPECT_EQ(load_time, std::set<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Builds, BundleTest, ::testing::ValuesIn(kBuilds), name_of);

}  // namespace
