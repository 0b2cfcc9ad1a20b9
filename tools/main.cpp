// spk_host: loads spkernels bundles the way the host does (dlopen, mexVersion, lookups by
// name) and runs their kernels on Matrix Market files or generated matrices, checking every
// result against a long double recomputation.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "bundle.hpp"
#include "errors.hpp"
#include "generators.hpp"
#include "matrix_market.hpp"
#include "runners.hpp"

#ifndef SPK_HOST_BUNDLE_DIR
#error "SPK_HOST_BUNDLE_DIR must name the directory of the build's bundles"
#endif
#ifndef SPK_HOST_BUNDLES
#error "SPK_HOST_BUNDLES must list the file names of the build's bundles, comma-separated"
#endif

namespace spk::host {
namespace {

constexpr int kPassed = 0, kFailed = 1, kBadInput = 2;

const char* const kUsage = R"(Usage: spk_host [OPTIONS]

Loads spkernels bundles with dlopen, as the host would, reports each bundle's version tag
(from mexVersion) and build, and runs its kernels, checking every result against the same
computation in long double.

With no --kernel: the main job. Loads every bundle this build made (or those given with
--bundle), reports each, and runs every kernel it exports on generated matrices, one line
per kernel with its check.

  --bundle PATH      bundle to load; repeat it for the main job. With --kernel the default
                     is the PowerPC build, spkernels_powerpc.so in the bundle directory.
  --bundle-dir DIR   directory of this build's bundles (default: @BUNDLE_DIR@)
  --scheme S         with --kernel and no --bundle: use the first of this build's bundles
                     whose rounding, probed with one call, is S (fused or separate)
  --list             only report the bundles: tag, build, rounding and which of the
                     thirteen kernel names each can look up
  --kernel NAME      run one kernel on one matrix, given by one of:
    --mtx FILE         a Matrix Market coordinate file (real, integer, pattern or complex;
                       general, symmetric, skew-symmetric or hermitian), plain or gzipped
    --laplace2d N      the 5-point Laplacian of an N x N grid (order N*N, symmetric)
    --random R[xC]     a random R x C matrix (R x R when C is left out) with values in
                       [-1, 1]; a square one also stores its whole diagonal
      --density D      share of the positions off the diagonal that are stored (0.01)
      --complex        with random imaginary parts
      --symmetric      symmetric (mirrored unchanged, never conjugated)
  --columns K        columns of the dense B and C of CSC_MatMult_CAB_double (4); B is laid
                     out with the column stride of C, the rows of A
  --repeat R         timed calls; the median is reported (11)
  --seed S           seed of the random matrix and of the dense operands (1)
  --help             this text

What each kernel is given:
  products           A as stored (CSC: by columns; CSR: by rows), a random dense input;
                     the scaled kernels take a = 0.75 and a random C to add to
  CSRsymm_*          the diagonal and upper triangle, by rows, of a symmetric matrix; a
                     hermitian, skew-symmetric or general matrix is refused
  complex kernels    a complex matrix, or a real one with zero imaginary parts stored;
                     the real kernels refuse a complex matrix
  solves             the lower (..LD..) or upper (..UD..) triangle with its diagonal, placed
                     first in each CSC lower / CSR upper vector and last in each CSC upper /
                     CSR lower vector, and a random right-hand side; a matrix that is not
                     square or whose triangle lacks a nonzero diagonal entry is refused
The check: every element of a product is within gamma_k * sum|a||b| of the long double
result (k: its terms plus the roundings of a term); every row of a solve has a residual
within gamma_(k+1) * (|B| + |A||C|), and the relative residual ||A*C - B|| / (||A||*||C||)
is printed. Repeated calls must write identical bits.

Kernels:@KERNELS@

Exit status: 0 when every check passed, 1 when a check failed, 2 for bad input (a bundle
that does not load, an unknown kernel or option, a malformed file, a matrix the kernel
cannot take), with a one-line message on stderr.
)";

struct Options {
  std::vector<std::string> bundles;
  std::string bundle_dir = SPK_HOST_BUNDLE_DIR;
  bool list = false;
  bool help = false;
  std::optional<std::string> kernel;
  std::optional<std::string> scheme;
  std::optional<std::string> mtx;
  std::optional<std::int64_t> laplace;
  std::optional<RandomShape> random;
  std::optional<double> density;
  bool complex = false;
  bool symmetric = false;
  RunOptions run;
};

template <class Int>
Int parse_int(const std::string& option, const std::string& text, Int least, Int most) {
  Int value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < least ||
      value > most)
    throw InputError("option " + option + ": '" + text + "' is not an integer in " +
                     std::to_string(least) + ".." + std::to_string(most));
  return value;
}

Options parse(int argc, char** argv) {
  Options o;
  std::vector<std::string> args(argv + 1, argv + argc);
  int sources = 0;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string option = args[i];
    std::optional<std::string> inline_value;
    if (option.rfind("--", 0) == 0) {
      const std::size_t eq = option.find('=');
      if (eq != std::string::npos) {
        inline_value = option.substr(eq + 1);
        option.resize(eq);
      }
    }
    auto value = [&]() -> std::string {
      if (inline_value) return *inline_value;
      if (i + 1 >= args.size()) throw InputError("option " + option + " needs a value");
      return args[++i];
    };
    auto flag = [&] {
      if (inline_value) throw InputError("option " + option + " takes no value");
    };
    constexpr std::int64_t kInt32 = 2147483647;
    if (option == "--help" || option == "-h") {
      flag();
      o.help = true;
    } else if (option == "--list") {
      flag();
      o.list = true;
    } else if (option == "--bundle") {
      o.bundles.push_back(value());
    } else if (option == "--bundle-dir") {
      o.bundle_dir = value();
    } else if (option == "--scheme") {
      o.scheme = value();
      if (*o.scheme != "fused" && *o.scheme != "separate") {
        throw InputError("option --scheme: '" + *o.scheme + "' is neither fused nor separate");
      }
    } else if (option == "--kernel") {
      if (o.kernel) throw InputError("option --kernel given twice");
      o.kernel = value();
    } else if (option == "--mtx") {
      o.mtx = value();
      ++sources;
    } else if (option == "--laplace2d") {
      o.laplace = parse_int<std::int64_t>(option, value(), 0, 20724);
      ++sources;
    } else if (option == "--random") {
      const std::string text = value();
      const std::size_t x = text.find('x');
      RandomShape shape;
      shape.rows = parse_int<std::int64_t>(option, text.substr(0, x), 0, kInt32);
      shape.cols = x == std::string::npos
                       ? shape.rows
                       : parse_int<std::int64_t>(option, text.substr(x + 1), 0, kInt32);
      o.random = shape;
      ++sources;
    } else if (option == "--density") {
      const std::string text = value();
      char* end = nullptr;
      const double d = std::strtod(text.c_str(), &end);
      if (text.empty() || *end != '\0' || !(d >= 0.0 && d <= 1.0)) {
        throw InputError("option --density: '" + text + "' is not a number in 0..1");
      }
      o.density = d;
    } else if (option == "--complex") {
      flag();
      o.complex = true;
    } else if (option == "--symmetric") {
      flag();
      o.symmetric = true;
    } else if (option == "--columns") {
      o.run.columns = parse_int<int>(option, value(), 1, 1 << 20);
    } else if (option == "--repeat") {
      o.run.repeat = parse_int<int>(option, value(), 1, 1000000);
    } else if (option == "--seed") {
      o.run.seed = parse_int<std::uint64_t>(option, value(), 0, ~std::uint64_t{0});
    } else if (option.rfind("-", 0) == 0) {
      throw InputError("unknown option '" + option + "' (see --help)");
    } else {
      throw InputError("unexpected argument '" + option + "' (see --help)");
    }
  }
  if (sources > 1) throw InputError("give one matrix: --mtx, --laplace2d or --random, not several");
  if (sources == 1 && !o.kernel)
    throw InputError("a matrix (--mtx, --laplace2d, --random) needs --kernel NAME");
  if (o.kernel && sources == 0)
    throw InputError("--kernel needs a matrix: --mtx FILE, --laplace2d N or --random R[xC]");
  if (!o.random && (o.density || o.complex || o.symmetric))
    throw InputError("--density, --complex and --symmetric apply only to --random");
  if (o.list && o.kernel) throw InputError("--list and --kernel do not go together");
  if (o.scheme && !o.kernel) throw InputError("--scheme applies only with --kernel");
  if (o.scheme && !o.bundles.empty())
    throw InputError(
        "give --bundle or --scheme, not both: --scheme picks one of this build's bundles");
  if (o.random) {
    if (o.density) o.random->density = *o.density;
    o.random->complex = o.complex;
    o.random->symmetric = o.symmetric;
    o.random->seed = o.run.seed;
  }
  return o;
}

std::vector<std::string> default_bundles(const Options& o) {
  std::vector<std::string> paths;
  std::string names = SPK_HOST_BUNDLES;
  std::size_t start = 0;
  while (start <= names.size()) {
    const std::size_t comma = std::min(names.find(',', start), names.size());
    if (comma > start) paths.push_back(o.bundle_dir + "/" + names.substr(start, comma - start));
    start = comma + 1;
  }
  return paths;
}

std::string describe(const Bundle& b) {
  const int count = b.exported_kernels();
  std::string line = "bundle " + b.path() + ": tag \"" + b.tag() + "\" (" + b.build() + "), ";
  if (count > 0) line += "rounding " + b.rounding() + ", ";
  line += "mexVersion and " + std::to_string(count) + " of 13 kernels can be looked up";
  return line;
}

std::string describe(const CoordMatrix& a) {
  return "matrix " + a.name + ": " + std::to_string(a.rows) + " x " + std::to_string(a.cols) + " " +
         field_name(a.field) + " " + symmetry_name(a.symmetry) + ", " +
         std::to_string(a.file_entries) + " entries stored, " + std::to_string(a.entries.size()) +
         " once expanded";
}

std::string kernel_names_line() {
  std::string out;
  for (const char* name : kKernelNames) out += "\n  " + std::string(name);
  return out;
}

std::string usage(const Options& o) {
  std::string text = kUsage;
  auto replace = [&](const std::string& key, const std::string& with) {
    text.replace(text.find(key), key.size(), with);
  };
  replace("@BUNDLE_DIR@", o.bundle_dir);
  replace("@KERNELS@", kernel_names_line());
  return text;
}

// The report of --list: each bundle and the names it can look up.
int list_bundles(const std::vector<Bundle>& bundles, std::string& out) {
  for (const Bundle& b : bundles) {
    out += describe(b) + "\n";
    for (const char* name : kKernelNames)
      out += std::string("  ") + (b.lookup(name) ? "found    " : "missing  ") + name + "\n";
  }
  return kPassed;
}

// The main job: every exported kernel of every bundle on generated matrices. The real
// products run on a rectangular matrix, the symmetric product and the solves on a 2D
// Laplacian, the complex products on a complex symmetric matrix.
int main_job(const std::vector<Bundle>& bundles, const RunOptions& run, std::string& out) {
  RandomShape rect;
  rect.rows = 900;
  rect.cols = 600;
  rect.density = 0.01;
  rect.seed = run.seed;
  const CoordMatrix rectangular = random_matrix(rect);
  const CoordMatrix laplace = laplace2d(40);
  RandomShape csym;
  csym.rows = csym.cols = 500;
  csym.density = 0.02;
  csym.complex = true;
  csym.symmetric = true;
  csym.seed = run.seed + 1;
  const CoordMatrix complex_symmetric = random_matrix(csym);

  int runs = 0, failed = 0;
  for (const Bundle& b : bundles) {
    out += describe(b) + "\n";
    for (int k = 0; k < static_cast<int>(kKernelNames.size()); ++k) {
      const char* name = kKernelNames[k];
      if (b.lookup(name) == nullptr) continue;
      const CoordMatrix& a = k <= 3 || k == 8             ? rectangular
                             : k == 4 || k == 5 || k == 7 ? complex_symmetric
                                                          : laplace;
      const RunReport report = run_kernel(b, name, a, run);
      out += "  " + summary(report) + "\n";
      ++runs;
      failed += !report.passed();
    }
  }
  out +=
      "matrices: " + rectangular.name + "; " + laplace.name + "; " + complex_symmetric.name + "\n";
  if (failed == 0)
    out += std::to_string(runs) + " kernel runs, all passed\n";
  else
    out += std::to_string(failed) + " of " + std::to_string(runs) + " kernel runs FAILED\n";
  return failed == 0 ? kPassed : kFailed;
}

int one_kernel(const Bundle& b, const Options& o, std::string& out) {
  require_kernel(b, *o.kernel);
  const CoordMatrix a = o.mtx       ? read_matrix_market(*o.mtx)
                        : o.laplace ? laplace2d(*o.laplace)
                                    : random_matrix(*o.random);
  const RunReport r = run_kernel(b, *o.kernel, a, o.run);
  char line[256];
  out += describe(b) + "\n";
  out += describe(a) + "\n";
  out += "kernel " + r.kernel + ": " + std::to_string(r.stored) + " entries passed";
  if (r.columns != 1) out += ", " + std::to_string(r.columns) + " dense columns";
  out += "\n";
  std::snprintf(line, sizeof line,
                "time   %.3g s per call (median of %d calls), %.3g stored entries per second\n",
                r.median_seconds, o.run.repeat, r.entries_per_second);
  out += line;
  if (r.solve)
    std::snprintf(line, sizeof line,
                  "check  relative residual ||A*C - B|| / (||A||*||C||) = %.3g; every row within "
                  "gamma_(k+1) * (|B| + |A||C|), worst error/bound %.3f\n",
                  r.relative_residual, r.check.worst);
  else
    std::snprintf(line, sizeof line,
                  "check  every element within gamma_k * sum|a||b| of the long double result, "
                  "worst error/bound %.3f\n",
                  r.check.worst);
  out += line;
  out += r.passed() ? "PASS\n" : "FAIL: " + r.failure() + "\n";
  return r.passed() ? kPassed : kFailed;
}

int run(int argc, char** argv) {
  const Options o = parse(argc, argv);
  if (o.help) {
    std::fputs(usage(o).c_str(), stdout);
    return kPassed;
  }
  std::vector<std::string> paths = o.bundles;
  if (paths.empty())
    paths = o.kernel && !o.scheme ? std::vector<std::string>{o.bundle_dir + "/spkernels_powerpc.so"}
                                  : default_bundles(o);
  if (o.kernel && !o.scheme && paths.size() > 1)
    throw InputError("--kernel runs on one --bundle, not several");
  std::vector<Bundle> bundles;
  for (const std::string& path : paths) bundles.emplace_back(path);
  if (o.scheme) {
    // Keep the first bundle that exports kernels and rounds the way asked.
    auto match = std::find_if(bundles.begin(), bundles.end(), [&](const Bundle& b) {
      return b.exported_kernels() > 0 && b.rounding() == *o.scheme;
    });
    if (match == bundles.end())
      throw InputError("no bundle in " + o.bundle_dir + " exports kernels with " + *o.scheme +
                       " rounding");
    std::vector<Bundle> chosen;
    chosen.push_back(std::move(*match));
    bundles = std::move(chosen);
  }

  // Everything is computed before anything is printed, so that an error leaves no partial
  // report behind.
  std::string out;
  const int status = o.list     ? list_bundles(bundles, out)
                     : o.kernel ? one_kernel(bundles.front(), o, out)
                                : main_job(bundles, o.run, out);
  std::fputs(out.c_str(), stdout);
  return status;
}

}  // namespace
}  // namespace spk::host

int main(int argc, char** argv) {
  try {
    return spk::host::run(argc, argv);
  } catch (const std::bad_alloc&) {
    std::fflush(stdout);
    std::fprintf(stderr, "spk_host: out of memory for the matrix or its dense operands\n");
    return spk::host::kBadInput;
  } catch (const std::exception& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "spk_host: %s\n", e.what());
    return spk::host::kBadInput;
  }
}
