// Random calls that keep every precondition of their kernel, each array exactly as long as the
// call needs: the compressed operand from random_operand (empty vectors, duplicates, unsorted
// indices, entries stored before Aptr[0] where the kernel reads absolute positions), triangular
// operands for the solves, dense arrays of the needed length. Arrays the call never touches
// are left empty.
#ifndef SPK_TESTS_VALID_CALLS_HPP
#define SPK_TESTS_VALID_CALLS_HPP

#include <algorithm>
#include <cstdint>
#include <vector>

#include "support/kernel_call.hpp"
#include "support/operands.hpp"

namespace spk::test {

// A triangular operand of order n for a solve: every vector stores its divisor where the
// solve takes it (first of a column, last of a column, anywhere in a row by its index, first
// of a row) and its other entries strictly on the solve's side of the diagonal, unsorted and
// possibly repeated. Positions before Aptr[0] hold entries that belong to no vector.
inline Operand random_triangular(Rng& rng, Kernel k, int32_t n, int32_t lead,
                                 const ValueMix& mix = {}) {
  Operand a;
  a.Aind.assign(lead, -1);
  a.Aval.assign(lead, kNaN);
  a.Aptr.push_back(lead);
  // The other entries lie after the diagonal (below it, or right of it) or before it.
  const bool after = k == Kernel::CSC_VecTriangSlvLD_CAB || k == Kernel::CSR_VecTriangSlvUD_CAB;
  for (int32_t j = 0; j < n; ++j) {
    Idx others;
    const int32_t side = after ? n - 1 - j : j;  // indices available on the solve's side
    if (side > 0) {
      const int32_t count = int32_t(rng() % 5);
      for (int32_t t = 0; t < count; ++t) {
        const int32_t offset = int32_t(rng() % side);
        others.push_back(after ? j + 1 + offset : offset);
      }
    }
    Idx column;
    switch (k) {
      case Kernel::CSC_VecTriangSlvLD_CAB:
      case Kernel::CSR_VecTriangSlvUD_CAB:
        column.push_back(j);
        column.insert(column.end(), others.begin(), others.end());
        break;
      case Kernel::CSC_VecTriangSlvUD_CAB:
        column = others;
        column.push_back(j);
        break;
      default: {  // CSR lower: the diagonal anywhere in the row
        column = others;
        column.insert(column.begin() + int32_t(rng() % (others.size() + 1)), j);
        break;
      }
    }
    for (int32_t r : column) {
      a.Aind.push_back(r);
      a.Aval.push_back(random_value(rng, mix));
    }
    a.Aptr.push_back(static_cast<int32_t>(a.Aind.size()));
  }
  return a;
}

// A random call of kernel k that the checker must accept. Dimensions up to max_dim.
inline Arrays random_valid_call(Rng& rng, Kernel k, int32_t max_dim = 8,
                                const ValueMix& mix = {}) {
  Arrays c{k};
  const auto dim = [&] { return int32_t(rng() % (max_dim + 1)); };
  const int32_t vectors = dim(), extent = dim();
  const int32_t lead = reads_values_by_cursor(k) ? 0 : int32_t(rng() % 3);
  Operand a;
  if (is_solve(k)) {
    a = random_triangular(rng, k, vectors, lead, mix);
  } else {
    Shape shape;
    shape.vectors = vectors;
    shape.extent = extent;
    shape.first_position = lead;
    shape.complex = is_complex(k);
    shape.values = mix;
    a = random_operand(rng, shape);
    if (k == Kernel::CSRsymm_VecMult_CAB || k == Kernel::CSRsymm_CmplxVecMult_CAB) {
      // Entries left of the diagonal, a negative index among them, are passed over.
      for (int32_t i = 0; i < vectors; ++i)
        for (int32_t p = a.Aptr[i]; p < a.Aptr[i + 1]; ++p)
          if (rng() % 8 == 0) a.Aind[p] = i > 0 ? -1 - int32_t(rng() % 3) : a.Aind[p];
    }
  }
  c.a = random_value(rng, mix);
  const auto vec = [&](int32_t length) { return random_vector(rng, std::size_t(length), mix); };
  const bool any = vectors > 0;
  int32_t count = vectors;  // compressed vectors, whose Aptr the kernel reads when any
  switch (k) {
    case Kernel::CSC_VecMult_CAB:
    case Kernel::CSC_VecMult_CaABC:
    case Kernel::CSC_CmplxVecMult_CAB:
      c.d[0] = extent;
      c.d[1] = vectors;
      c.B = vec(vectors);
      if (is_complex(k)) c.BIm = vec(vectors);
      if (any || k != Kernel::CSC_VecMult_CaABC) c.C = vec(extent);
      if (is_complex(k)) c.CIm = vec(extent);
      break;
    case Kernel::CSR_VecMult_CAB:
    case Kernel::CSR_VecMult_CaABC:
    case Kernel::CSR_CmplxVecMult_CAB:
      c.d[0] = extent;
      c.d[1] = vectors;
      if (any) c.B = vec(extent);
      if (any && is_complex(k)) c.BIm = vec(extent);
      c.C = vec(vectors);
      if (is_complex(k)) c.CIm = vec(vectors);
      break;
    case Kernel::CSRsymm_VecMult_CAB:
    case Kernel::CSRsymm_CmplxVecMult_CAB:
      c.d[0] = vectors;
      c.d[1] = extent;
      if (any) c.B = vec(extent);
      if (any && is_complex(k)) c.BIm = vec(extent);
      c.C = vec(extent);
      if (is_complex(k)) c.CIm = vec(extent);
      break;
    case Kernel::CSC_MatMult_CAB: {
      const int32_t n = int32_t(rng() % 4);
      c.d[0] = extent;
      c.d[1] = n;
      c.d[2] = vectors;
      if (n == 0) count = 0;
      if (n > 0 && vectors > 0) c.B = vec((n - 1) * extent + vectors);
      c.C = vec(extent * n);
      break;
    }
    default:
      c.d[0] = vectors;
      c.B = vec(vectors);
      c.C = vec(vectors);
      break;
  }
  if (count > 0) {
    c.Aptr = a.Aptr;
    c.Aind = a.Aind;
    c.Aval = a.Aval;
    c.AvalIm = a.AvalIm;
  }
  return c;
}

}  // namespace spk::test

#endif  // SPK_TESTS_VALID_CALLS_HPP
