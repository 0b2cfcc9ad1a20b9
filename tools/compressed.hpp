// Converting a list of entries into the compressed layouts the kernels take.
#ifndef SPK_TOOLS_COMPRESSED_HPP
#define SPK_TOOLS_COMPRESSED_HPP

#include <cstdint>
#include <string>
#include <vector>

#include "matrix_market.hpp"

namespace spk::host {

// A compressed operand: Aptr[0] == 0, entries of each vector in ascending index except where
// a triangle puts its diagonal first or last. AvalIm is empty for a real operand.
struct Compressed {
  std::int32_t vectors = 0;  // compressed vectors: columns (by columns) or rows (by rows)
  std::int32_t extent = 0;   // the other dimension
  std::vector<std::int32_t> Aptr;
  std::vector<std::int32_t> Aind;
  std::vector<double> Aval;
  std::vector<double> AvalIm;
  std::int32_t stored() const { return static_cast<std::int32_t>(Aind.size()); }
};

enum class Layout { by_columns, by_rows };
enum class Triangle { lower, upper };
enum class DiagonalAt { first, last };

// Every entry. `who` names the caller in messages (a kernel). Refuses (InputError) a matrix
// whose dimensions or number of entries do not fit a 32-bit index.
Compressed compress(const CoordMatrix& a, Layout layout, bool with_imaginary,
                    const std::string& who);

// The diagonal and the upper triangle, by rows. Refuses anything but a symmetric matrix
// (real or complex symmetric): the mirror of a stored entry is taken unchanged, so a
// Hermitian or skew-symmetric matrix would be read wrongly.
Compressed upper_by_rows(const CoordMatrix& a, bool with_imaginary, const std::string& who);

// The lower or upper triangle, diagonal included, with each vector's diagonal entry placed
// first or last and the other entries in ascending index. Refuses a matrix that is not
// square or whose triangle misses a diagonal entry, stores one twice or stores a zero.
Compressed triangle(const CoordMatrix& a, Triangle part, Layout layout, DiagonalAt diagonal,
                    const std::string& who);

}  // namespace spk::host

#endif  // SPK_TOOLS_COMPRESSED_HPP
