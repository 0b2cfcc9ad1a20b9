#include "matrix_market.hpp"

#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <system_error>

namespace spk::host {

const char* field_name(Field field) {
  switch (field) {
    case Field::real:
      return "real";
    case Field::integer:
      return "integer";
    case Field::pattern:
      return "pattern";
    case Field::complex:
      return "complex";
  }
  return "?";
}

const char* symmetry_name(Symmetry symmetry) {
  switch (symmetry) {
    case Symmetry::general:
      return "general";
    case Symmetry::symmetric:
      return "symmetric";
    case Symmetry::skew_symmetric:
      return "skew-symmetric";
    case Symmetry::hermitian:
      return "hermitian";
  }
  return "?";
}

namespace {

// Lines of a plain or gzip-compressed file (zlib reads either), numbered from 1.
class LineReader {
 public:
  explicit LineReader(const std::string& path) : path_(path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
      throw MatrixMarketError(path + ": cannot open: " + std::strerror(errno));
    if (S_ISDIR(info.st_mode)) throw MatrixMarketError(path + ": cannot open: is a directory");
    file_ = gzopen(path.c_str(), "rb");
    if (file_ == nullptr)
      throw MatrixMarketError(path +
                              ": cannot open: " + (errno ? std::strerror(errno) : "out of memory"));
    gzbuffer(file_, 1 << 17);
  }
  ~LineReader() { gzclose(file_); }
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // The next line without its line break; false at the end of the file.
  bool next(std::string& line) {
    line.clear();
    char chunk[4096];
    bool any = false;
    while (gzgets(file_, chunk, sizeof chunk) != nullptr) {
      any = true;
      line.append(chunk);
      if (!line.empty() && line.back() == '\n') break;
    }
    if (!any) {
      int code = Z_OK;
      const char* message = gzerror(file_, &code);
      if (code != Z_OK && code != Z_STREAM_END)
        throw MatrixMarketError(where(number_ + 1) + "cannot read: " +
                                (code == Z_ERRNO ? std::strerror(errno) : message));
      return false;
    }
    ++number_;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return true;
  }

  std::int64_t number() const { return number_; }
  std::string where(std::int64_t line) const { return path_ + ":" + std::to_string(line) + ": "; }
  std::string here() const { return where(number_); }

 private:
  std::string path_;
  gzFile file_ = nullptr;
  std::int64_t number_ = 0;
};

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

void split(std::string_view line, std::vector<std::string_view>& tokens) {
  tokens.clear();
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && is_space(line[i])) ++i;
    const std::size_t start = i;
    while (i < line.size() && !is_space(line[i])) ++i;
    if (i > start) tokens.push_back(line.substr(start, i - start));
  }
}

bool blank(std::string_view line) {
  return std::all_of(line.begin(), line.end(), [](char c) { return is_space(c); });
}

std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string quoted(std::string_view text) {
  constexpr std::size_t kShown = 60;
  std::string out = "'";
  out.append(text.substr(0, kShown));
  if (text.size() > kShown) out += "...";
  return out + "'";
}

// A whole token as a non-negative decimal integer; false if it is anything else.
bool parse_count(std::string_view token, std::int64_t& value) {
  if (token.empty() || token.front() == '-' || token.front() == '+') return false;
  const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
  return error == std::errc() && end == token.data() + token.size();
}

class Parser {
 public:
  explicit Parser(const std::string& path) : reader_(path) { matrix_.name = path; }

  CoordMatrix run() {
    read_banner();
    read_size();
    read_entries();
    return std::move(matrix_);
  }

 private:
  [[noreturn]] void fail(const std::string& what) const {
    throw MatrixMarketError(reader_.here() + what);
  }

  void read_banner() {
    const std::string expected = "expected '%%MatrixMarket matrix coordinate FIELD SYMMETRY'";
    if (!reader_.next(line_)) throw MatrixMarketError(reader_.where(1) + "empty file, " + expected);
    split(line_, tokens_);
    if (tokens_.empty() || lower(tokens_[0]) != "%%matrixmarket")
      fail("bad banner " + quoted(line_) + ", " + expected);
    if (tokens_.size() != 5)
      fail("bad banner " + quoted(line_) + ": " + std::to_string(tokens_.size()) + " words, " +
           expected);
    if (lower(tokens_[1]) != "matrix")
      fail("bad banner: object " + quoted(tokens_[1]) + " is not 'matrix'");
    const std::string format = lower(tokens_[2]);
    if (format == "array")
      fail("bad banner: format 'array' (dense) is not supported, only 'coordinate'");
    if (format != "coordinate")
      fail("bad banner: format " + quoted(tokens_[2]) + " is not 'coordinate'");

    const std::string field = lower(tokens_[3]);
    if (field == "real")
      matrix_.field = Field::real;
    else if (field == "integer")
      matrix_.field = Field::integer;
    else if (field == "pattern")
      matrix_.field = Field::pattern;
    else if (field == "complex")
      matrix_.field = Field::complex;
    else
      fail("bad banner: field " + quoted(tokens_[3]) + " is not real, integer, pattern or complex");

    const std::string symmetry = lower(tokens_[4]);
    if (symmetry == "general")
      matrix_.symmetry = Symmetry::general;
    else if (symmetry == "symmetric")
      matrix_.symmetry = Symmetry::symmetric;
    else if (symmetry == "skew-symmetric")
      matrix_.symmetry = Symmetry::skew_symmetric;
    else if (symmetry == "hermitian")
      matrix_.symmetry = Symmetry::hermitian;
    else
      fail("bad banner: symmetry " + quoted(tokens_[4]) +
           " is not general, symmetric, skew-symmetric or hermitian");

    if (matrix_.symmetry == Symmetry::hermitian && matrix_.field != Field::complex)
      fail(std::string("bad banner: a hermitian matrix must be complex, not ") +
           field_name(matrix_.field));
    if (matrix_.symmetry == Symmetry::skew_symmetric && matrix_.field == Field::pattern)
      fail("bad banner: a pattern matrix cannot be skew-symmetric");
  }

  void read_size() {
    for (;;) {
      if (!reader_.next(line_))
        throw MatrixMarketError(reader_.where(reader_.number() + 1) +
                                "file ends before the size line 'rows columns entries'");
      if (!line_.empty() && line_[0] == '%') continue;
      if (blank(line_)) continue;
      break;
    }
    split(line_, tokens_);
    const std::string expected = ", expected 'rows columns entries' (three non-negative integers)";
    if (tokens_.size() != 3) fail("bad size line " + quoted(line_) + expected);
    std::int64_t sizes[3];
    for (int t = 0; t < 3; ++t)
      if (!parse_count(tokens_[t], sizes[t]))
        fail("bad size line " + quoted(line_) + ": " + quoted(tokens_[t]) +
             " is not a non-negative integer" + expected);
    matrix_.rows = sizes[0];
    matrix_.cols = sizes[1];
    matrix_.file_entries = sizes[2];
    if (matrix_.symmetry != Symmetry::general && matrix_.rows != matrix_.cols)
      fail(std::string("bad size line: a ") + symmetry_name(matrix_.symmetry) +
           " matrix must be square, this one is " + std::to_string(matrix_.rows) + " x " +
           std::to_string(matrix_.cols));
    const bool mirrored = matrix_.symmetry != Symmetry::general;
    // Reserve for what the file says, within reason: the count is not trusted until read.
    const std::int64_t expect = mirrored ? 2 * matrix_.file_entries : matrix_.file_entries;
    matrix_.entries.reserve(static_cast<std::size_t>(std::min<std::int64_t>(expect, 1 << 24)));
  }

  std::int64_t parse_index(std::string_view token, const char* what, std::int64_t extent) {
    std::int64_t value = 0;
    if (!parse_count(token, value))
      fail(std::string("bad ") + what + " index " + quoted(token) + ": not a positive integer");
    if (value < 1 || value > extent)
      fail(std::string(what) + " index " + std::to_string(value) + " out of range 1.." +
           std::to_string(extent));
    return value - 1;
  }

  double parse_value(std::string_view token) {
    if (matrix_.field == Field::integer) {
      std::string_view digits = token;
      if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
      std::int64_t value = 0;
      const auto [end, error] =
          std::from_chars(digits.data(), digits.data() + digits.size(), value);
      if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
        fail("bad integer value " + quoted(token));
      return static_cast<double>(value);
    }
    // The token is followed by whitespace or the end of the line, where strtod stops.
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(token.data(), &end);
    if (end != token.data() + token.size() || token.empty() || is_space(token.front()))
      fail("bad number " + quoted(token));
    if (errno == ERANGE && std::isinf(value))
      fail("number " + quoted(token) + " overflows a double");
    return value;
  }

  void read_entries() {
    const std::size_t want = matrix_.field == Field::pattern   ? 2
                             : matrix_.field == Field::complex ? 4
                                                               : 3;
    const char* form = matrix_.field == Field::pattern   ? "'row column'"
                       : matrix_.field == Field::complex ? "'row column real imaginary'"
                                                         : "'row column value'";
    std::int64_t count = 0;
    while (reader_.next(line_)) {
      if (blank(line_) || line_[0] == '%') continue;
      if (count == matrix_.file_entries)
        fail("more entries than the " + std::to_string(matrix_.file_entries) +
             " the size line announces");
      split(line_, tokens_);
      if (tokens_.size() != want)
        fail("entry " + std::to_string(count + 1) + " has " + std::to_string(tokens_.size()) +
             " fields, expected " + std::to_string(want) + " " + form);
      Entry e{};
      e.row = parse_index(tokens_[0], "row", matrix_.rows);
      e.col = parse_index(tokens_[1], "column", matrix_.cols);
      e.re = matrix_.field == Field::pattern ? 1.0 : parse_value(tokens_[2]);
      e.im = matrix_.field == Field::complex ? parse_value(tokens_[3]) : 0.0;
      add(e);
      ++count;
    }
    if (count < matrix_.file_entries)
      throw MatrixMarketError(
          reader_.where(reader_.number() + 1) + "file ends after " + std::to_string(count) +
          " of the " + std::to_string(matrix_.file_entries) + " entries the size line announces");
  }

  void add(const Entry& e) {
    const Symmetry kind = matrix_.symmetry;
    if (kind != Symmetry::general && e.col > e.row)
      fail(std::string("entry (") + std::to_string(e.row + 1) + ", " + std::to_string(e.col + 1) +
           ") lies above the diagonal; a " + symmetry_name(kind) +
           " file stores only the lower triangle");
    if (kind == Symmetry::skew_symmetric && e.row == e.col)
      fail("entry (" + std::to_string(e.row + 1) + ", " + std::to_string(e.col + 1) +
           ") lies on the diagonal; a skew-symmetric file stores none");
    if (kind == Symmetry::hermitian && e.row == e.col && e.im != 0.0)
      fail("diagonal entry (" + std::to_string(e.row + 1) + ", " + std::to_string(e.col + 1) +
           ") has a nonzero imaginary part; a hermitian diagonal is real");
    matrix_.entries.push_back(e);
    if (kind == Symmetry::general || e.row == e.col) return;
    Entry mirror{e.col, e.row, e.re, e.im};
    if (kind == Symmetry::skew_symmetric) {
      mirror.re = -e.re;
      mirror.im = -e.im;
    } else if (kind == Symmetry::hermitian) {
      mirror.im = -e.im;
    }
    matrix_.entries.push_back(mirror);
  }

  LineReader reader_;
  CoordMatrix matrix_;
  std::string line_;
  std::vector<std::string_view> tokens_;
};

}  // namespace

CoordMatrix read_matrix_market(const std::string& path) { return Parser(path).run(); }

}  // namespace spk::host
