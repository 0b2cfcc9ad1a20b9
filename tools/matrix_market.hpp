// Reading Matrix Market coordinate files (plain or gzip-compressed) into a list of entries,
// with the symmetric kinds expanded to both triangles.
#ifndef SPK_TOOLS_MATRIX_MARKET_HPP
#define SPK_TOOLS_MATRIX_MARKET_HPP

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace spk::host {

enum class Field { real, integer, pattern, complex };
enum class Symmetry { general, symmetric, skew_symmetric, hermitian };

const char* field_name(Field field);
const char* symmetry_name(Symmetry symmetry);

// One entry of the matrix, zero-based. `im` is 0 unless the field is complex.
struct Entry {
  std::int64_t row;
  std::int64_t col;
  double re;
  double im;
};

// A sparse matrix as a list of entries in reading order. For the symmetric kinds every
// entry off the diagonal is followed by its mirror: the same value (symmetric), its negation
// (skew-symmetric) or its conjugate (Hermitian). Entries that repeat a position are kept
// apart; they stand for their sum.
struct CoordMatrix {
  std::string name;  // where it came from, for messages
  std::int64_t rows = 0;
  std::int64_t cols = 0;
  Field field = Field::real;
  Symmetry symmetry = Symmetry::general;
  std::int64_t file_entries = 0;  // entries as stored (one triangle for the symmetric kinds)
  std::vector<Entry> entries;     // expanded

  bool is_complex() const { return field == Field::complex; }
  bool is_square() const { return rows == cols; }
};

// A malformed or unreadable file. what() is "FILE:LINE: what is wrong" (no line for errors
// that concern the whole file, such as one that cannot be opened).
class MatrixMarketError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads FILE, which may be gzip-compressed (recognised by its content, not its name).
// Accepted: "%%MatrixMarket matrix coordinate FIELD SYMMETRY" with FIELD real, integer,
// pattern or complex and SYMMETRY general, symmetric, skew-symmetric or hermitian (complex
// only; pattern is never skew-symmetric). The symmetric kinds must be square and store only
// the lower triangle; skew-symmetric files store no diagonal, Hermitian diagonals are real.
// Throws MatrixMarketError.
CoordMatrix read_matrix_market(const std::string& path);

}  // namespace spk::host

#endif  // SPK_TOOLS_MATRIX_MARKET_HPP
