// Generated matrices and dense operands, reproducible from a seed.
#ifndef SPK_TOOLS_GENERATORS_HPP
#define SPK_TOOLS_GENERATORS_HPP

#include <cstdint>
#include <vector>

#include "matrix_market.hpp"

namespace spk::host {

// The 5-point Laplacian of an n x n grid: order n*n, 4 on the diagonal and -1 for each
// neighbour, real symmetric (both triangles stored). Rows follow the grid row by row.
CoordMatrix laplace2d(std::int64_t n);

struct RandomShape {
  std::int64_t rows = 0;
  std::int64_t cols = 0;
  double density = 0.01;  // expected share of positions off the diagonal that are stored
  std::uint64_t seed = 1;
  bool complex = false;    // random imaginary parts too
  bool symmetric = false;  // square, mirrored (never conjugated)
};

// A random sparse matrix with values uniform in [-1, 1]. A square one also stores its whole
// diagonal, with values of magnitude in [1, 2], so that its triangles can be solved with.
// Positions off the diagonal are drawn independently and may repeat.
CoordMatrix random_matrix(const RandomShape& shape);

// n values uniform in [-1, 1] from the given seed.
std::vector<double> random_vector(std::size_t n, std::uint64_t seed);

}  // namespace spk::host

#endif  // SPK_TOOLS_GENERATORS_HPP
