// The Matrix Market reader: each field and symmetry expanded as the format says, and every
// malformed file refused with its name, line and what is wrong.
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "matrix_market.hpp"

namespace spk::host {
namespace {

namespace fs = std::filesystem;

class MatrixMarketFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/spk_mtx_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string write(const std::string& name, const std::string& text) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  std::string write_gz(const std::string& name, const std::string& text) {
    const std::string path = (dir_ / name).string();
    gzFile file = gzopen(path.c_str(), "wb");
    gzwrite(file, text.data(), static_cast<unsigned>(text.size()));
    gzclose(file);
    return path;
  }
  fs::path dir_;
};

struct Want {
  std::int64_t row, col;
  double re, im;
};

void expect_entries(const CoordMatrix& a, const std::vector<Want>& want) {
  ASSERT_EQ(a.entries.size(), want.size());
  for (std::size_t t = 0; t < want.size(); ++t) {
    SCOPED_TRACE("entry " + std::to_string(t));
    EXPECT_EQ(a.entries[t].row, want[t].row);
    EXPECT_EQ(a.entries[t].col, want[t].col);
    EXPECT_EQ(a.entries[t].re, want[t].re);
    EXPECT_EQ(a.entries[t].im, want[t].im);
  }
}

struct ExpandCase {
  const char* what;
  const char* text;
  Field field;
  Symmetry symmetry;
  std::int64_t file_entries;
  std::vector<Want> entries;  // zero-based, in reading order, mirrors right after
};

const ExpandCase kExpandCases[] = {
    {"real general",
     "%%MatrixMarket matrix coordinate real general\n2 3 2\n1 3 1.5\n2 1 -2e0\n",
     Field::real,
     Symmetry::general,
     2,
     {{0, 2, 1.5, 0}, {1, 0, -2, 0}}},
    {"real symmetric",
     "%%MatrixMarket matrix coordinate real symmetric\n3 3 2\n1 1 4\n3 1 5\n",
     Field::real,
     Symmetry::symmetric,
     2,
     {{0, 0, 4, 0}, {2, 0, 5, 0}, {0, 2, 5, 0}}},
    {"real skew-symmetric",
     "%%MatrixMarket matrix coordinate real skew-symmetric\n3 3 1\n3 2 5\n",
     Field::real,
     Symmetry::skew_symmetric,
     1,
     {{2, 1, 5, 0}, {1, 2, -5, 0}}},
    {"integer general",
     "%%MatrixMarket matrix coordinate integer general\n2 2 2\n1 1 -7\n2 2 +3\n",
     Field::integer,
     Symmetry::general,
     2,
     {{0, 0, -7, 0}, {1, 1, 3, 0}}},
    {"pattern symmetric",
     "%%MatrixMarket matrix coordinate pattern symmetric\n2 2 2\n1 1\n2 1\n",
     Field::pattern,
     Symmetry::symmetric,
     2,
     {{0, 0, 1, 0}, {1, 0, 1, 0}, {0, 1, 1, 0}}},
    {"complex general",
     "%%MatrixMarket matrix coordinate complex general\n2 2 1\n1 2 1 -2\n",
     Field::complex,
     Symmetry::general,
     1,
     {{0, 1, 1, -2}}},
    {"complex symmetric: mirror unchanged",
     "%%MatrixMarket matrix coordinate complex symmetric\n2 2 1\n2 1 1 2\n",
     Field::complex,
     Symmetry::symmetric,
     1,
     {{1, 0, 1, 2}, {0, 1, 1, 2}}},
    {"complex hermitian: mirror conjugated",
     "%%MatrixMarket matrix coordinate complex hermitian\n2 2 2\n1 1 3 0\n2 1 1 2\n",
     Field::complex,
     Symmetry::hermitian,
     2,
     {{0, 0, 3, 0}, {1, 0, 1, 2}, {0, 1, 1, -2}}},
    {"complex skew-symmetric: mirror negated",
     "%%MatrixMarket matrix coordinate complex skew-symmetric\n2 2 1\n2 1 1 2\n",
     Field::complex,
     Symmetry::skew_symmetric,
     1,
     {{1, 0, 1, 2}, {0, 1, -1, -2}}},
    {"comments, blank lines, tabs, CRLF and capitals",
     "%%MatrixMarket Matrix Coordinate REAL General\r\n% a comment\r\n\r\n  2\t2   2  \r\n"
     "1 1 0.5\r\n\r\n2\t2\t-0.25\r\n",
     Field::real,
     Symmetry::general,
     2,
     {{0, 0, 0.5, 0}, {1, 1, -0.25, 0}}},
    {"repeated positions kept apart",
     "%%MatrixMarket matrix coordinate real general\n1 1 2\n1 1 1\n1 1 2\n",
     Field::real,
     Symmetry::general,
     2,
     {{0, 0, 1, 0}, {0, 0, 2, 0}}},
    {"no entries",
     "%%MatrixMarket matrix coordinate real general\n0 5 0\n",
     Field::real,
     Symmetry::general,
     0,
     {}},
    {"values read to the last bit",
     "%%MatrixMarket matrix coordinate real general\n1 1 3\n1 1 0.1\n1 1 4.9406564584124654e-324\n"
     "1 1 -0\n",
     Field::real,
     Symmetry::general,
     3,
     {{0, 0, 0.1, 0}, {0, 0, 0x1p-1074, 0}, {0, 0, -0.0, 0}}},
};

TEST_F(MatrixMarketFiles, ExpandsEachFieldAndSymmetry) {
  for (const ExpandCase& c : kExpandCases) {
    SCOPED_TRACE(c.what);
    const CoordMatrix a = read_matrix_market(write("m.mtx", c.text));
    EXPECT_EQ(a.field, c.field);
    EXPECT_EQ(a.symmetry, c.symmetry);
    EXPECT_EQ(a.file_entries, c.file_entries);
    expect_entries(a, c.entries);
    if (!c.entries.empty() && c.entries.back().re == 0.0)  // the sign of a zero survives
      EXPECT_TRUE(std::signbit(a.entries.back().re));
  }
}

TEST_F(MatrixMarketFiles, ReadsGzipLikePlain) {
  const std::string text =
      "%%MatrixMarket matrix coordinate real symmetric\n3 3 3\n1 1 2\n2 1 -1\n3 3 2\n";
  const CoordMatrix plain = read_matrix_market(write("m.mtx", text));
  const CoordMatrix packed = read_matrix_market(write_gz("m.mtx.gz", text));
  EXPECT_EQ(packed.rows, 3);
  EXPECT_EQ(packed.cols, 3);
  ASSERT_EQ(packed.entries.size(), 4u);
  for (std::size_t t = 0; t < 4; ++t) {
    EXPECT_EQ(packed.entries[t].row, plain.entries[t].row);
    EXPECT_EQ(packed.entries[t].col, plain.entries[t].col);
    EXPECT_EQ(packed.entries[t].re, plain.entries[t].re);
  }
}

struct ErrorCase {
  const char* what;
  const char* text;
  const char* message;  // after "PATH:"
};

const ErrorCase kErrorCases[] = {
    {"empty file", "", "1: empty file"},
    {"not a banner", "%MatrixMarket matrix coordinate real general\n1 1 0\n", "1: bad banner"},
    {"banner too short", "%%MatrixMarket matrix coordinate real\n1 1 0\n", "1: bad banner"},
    {"not a matrix", "%%MatrixMarket vector coordinate real general\n1 1 0\n",
     "1: bad banner: object 'vector' is not 'matrix'"},
    {"dense format", "%%MatrixMarket matrix array real general\n1 1\n1\n",
     "1: bad banner: format 'array' (dense) is not supported"},
    {"unknown field", "%%MatrixMarket matrix coordinate double general\n1 1 0\n",
     "1: bad banner: field 'double'"},
    {"unknown symmetry", "%%MatrixMarket matrix coordinate real diagonal\n1 1 0\n",
     "1: bad banner: symmetry 'diagonal'"},
    {"real hermitian", "%%MatrixMarket matrix coordinate real hermitian\n1 1 0\n",
     "1: bad banner: a hermitian matrix must be complex"},
    {"pattern skew", "%%MatrixMarket matrix coordinate pattern skew-symmetric\n1 1 0\n",
     "1: bad banner: a pattern matrix cannot be skew-symmetric"},
    {"no size line", "%%MatrixMarket matrix coordinate real general\n% only comments\n",
     "3: file ends before the size line"},
    {"size line short", "%%MatrixMarket matrix coordinate real general\n3 3\n",
     "2: bad size line '3 3'"},
    {"size line negative", "%%MatrixMarket matrix coordinate real general\n3 -3 1\n",
     "2: bad size line '3 -3 1': '-3' is not a non-negative integer"},
    {"size line not a number", "%%MatrixMarket matrix coordinate real general\n3 3 x\n",
     "2: bad size line '3 3 x': 'x' is not a non-negative integer"},
    {"symmetric not square", "%%MatrixMarket matrix coordinate real symmetric\n3 4 0\n",
     "2: bad size line: a symmetric matrix must be square, this one is 3 x 4"},
    {"row out of range", "%%MatrixMarket matrix coordinate real general\n3 3 1\n4 1 1.0\n",
     "3: row index 4 out of range 1..3"},
    {"column zero", "%%MatrixMarket matrix coordinate real general\n3 3 1\n1 0 1.0\n",
     "3: column index 0 out of range 1..3"},
    {"index not a number", "%%MatrixMarket matrix coordinate real general\n3 3 1\n1 1.5 1.0\n",
     "3: bad column index '1.5'"},
    {"bad number", "%%MatrixMarket matrix coordinate real general\n3 3 1\n1 1 abc\n",
     "3: bad number 'abc'"},
    {"number with junk", "%%MatrixMarket matrix coordinate real general\n3 3 1\n1 1 1.0e\n",
     "3: bad number '1.0e'"},
    {"number too large", "%%MatrixMarket matrix coordinate real general\n3 3 1\n1 1 1e999\n",
     "3: number '1e999' overflows a double"},
    {"bad integer", "%%MatrixMarket matrix coordinate integer general\n3 3 1\n1 1 1.5\n",
     "3: bad integer value '1.5'"},
    {"too few fields", "%%MatrixMarket matrix coordinate real general\n3 3 1\n1 1\n",
     "3: entry 1 has 2 fields, expected 3 'row column value'"},
    {"too many fields", "%%MatrixMarket matrix coordinate complex general\n3 3 1\n1 1 1 2 3\n",
     "3: entry 1 has 5 fields, expected 4 'row column real imaginary'"},
    {"too few entries", "%%MatrixMarket matrix coordinate real general\n3 3 3\n1 1 1\n2 2 2\n",
     "5: file ends after 2 of the 3 entries the size line announces"},
    {"too many entries", "%%MatrixMarket matrix coordinate real general\n3 3 1\n1 1 1\n2 2 2\n",
     "4: more entries than the 1 the size line announces"},
    {"upper entry in symmetric file",
     "%%MatrixMarket matrix coordinate real symmetric\n3 3 1\n1 2 1\n",
     "3: entry (1, 2) lies above the diagonal; a symmetric file stores only the lower triangle"},
    {"diagonal in skew-symmetric file",
     "%%MatrixMarket matrix coordinate real skew-symmetric\n3 3 1\n2 2 1\n",
     "3: entry (2, 2) lies on the diagonal; a skew-symmetric file stores none"},
    {"complex hermitian diagonal",
     "%%MatrixMarket matrix coordinate complex hermitian\n3 3 1\n2 2 1 1\n",
     "3: diagonal entry (2, 2) has a nonzero imaginary part"},
};

TEST_F(MatrixMarketFiles, RefusesMalformedFilesWithLineAndReason) {
  for (const ErrorCase& c : kErrorCases) {
    SCOPED_TRACE(c.what);
    const std::string path = write("bad.mtx", c.text);
    try {
      read_matrix_market(path);
      ADD_FAILURE() << "no error";
    } catch (const MatrixMarketError& e) {
      EXPECT_EQ(std::string(e.what()).rfind(path + ":" + c.message, 0), 0u) << e.what();
    }
  }
}

TEST_F(MatrixMarketFiles, RefusesWhatCannotBeRead) {
  const std::string missing = (dir_ / "missing.mtx").string();
  EXPECT_THROW(
      {
        try {
          read_matrix_market(missing);
        } catch (const MatrixMarketError& e) {
          EXPECT_EQ(std::string(e.what()), missing + ": cannot open: No such file or directory");
          throw;
        }
      },
      MatrixMarketError);
  EXPECT_THROW(read_matrix_market(dir_.string()), MatrixMarketError);

  // A gzip stream cut short: what was read so far ends in the middle of the entries.
  std::string text = "%%MatrixMarket matrix coordinate real general\n200 200 200\n";
  for (int i = 1; i <= 200; ++i) text += std::to_string(i) + " " + std::to_string(i) + " 1.25\n";
  const std::string packed = write_gz("cut.mtx.gz", text);
  fs::resize_file(packed, fs::file_size(packed) / 2);
  try {
    read_matrix_market(packed);
    ADD_FAILURE() << "no error";
  } catch (const MatrixMarketError& e) {
    EXPECT_EQ(std::string(e.what()).rfind(packed + ":", 0), 0u) << e.what();
  }
}

}  // namespace
}  // namespace spk::host
