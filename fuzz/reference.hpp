// Literal reference loops of the thirteen kernels for the fuzz targets: the plainest loop that
// computes each one, every fused pair written through Arith, nothing held from one update to
// the next unless the kernel holds it (row sums, the value cursor). The fuzzers compare the
// kernels' bits with these, so any faster path of a kernel is fuzzed against the plain one.
#ifndef SPK_FUZZ_REFERENCE_HPP
#define SPK_FUZZ_REFERENCE_HPP

#include <cstddef>
#include <cstdint>

#include "spkernels/arith.hpp"
#include "support/kernel_call.hpp"

namespace spk::fuzz_ref {

// re = (x * a) - (y * b), im = (x * b) + (y * a); the product with y rounded alone.
template <class Arith>
double re(double x, double y, double a, double b) {
  const double yb = y * b;
  return Arith::msub(x, a, yb);
}
template <class Arith>
double im(double x, double y, double a, double b) {
  const double ya = y * a;
  return Arith::madd(x, b, ya);
}

template <class Arith>
void reference(const spk::test::Call& c) {
  using spk::test::Kernel;
  const int32_t* Aptr = c.Aptr;
  const int32_t* Aind = c.Aind;
  const double* Aval = c.Aval;
  const double* AvalIm = c.AvalIm;
  const double* B = c.B;
  const double* BIm = c.BIm;
  double* C = c.C;
  double* CIm = c.CIm;
  switch (c.kernel) {
    case Kernel::CSC_VecMult_CAB: {
      const int32_t m = c.d[0], n = c.d[1];
      for (int32_t r = 0; r < m; ++r) C[r] = 0.0;
      for (int32_t j = 0; j < n; ++j)
        for (int32_t p = Aptr[j]; p < Aptr[j + 1]; ++p)
          C[Aind[p]] = Arith::madd(B[j], Aval[p], C[Aind[p]]);
      return;
    }
    case Kernel::CSC_VecMult_CaABC: {
      const int32_t n = c.d[1];
      for (int32_t j = 0; j < n; ++j)
        for (int32_t p = Aptr[j]; p < Aptr[j + 1]; ++p) {
          const double aB = c.a * B[j];
          C[Aind[p]] = Arith::madd(aB, Aval[p], C[Aind[p]]);
        }
      return;
    }
    case Kernel::CSR_VecMult_CAB:
    case Kernel::CSR_VecMult_CaABC: {
      const int32_t n = c.d[1];
      const bool scaled = c.kernel == Kernel::CSR_VecMult_CaABC;
      if (!scaled)
        for (int32_t i = 0; i < n; ++i) C[i] = 0.0;
      int32_t v = 0;
      for (int32_t i = 0; i < n; ++i) {
        double sum = 0.0;
        for (int32_t q = Aptr[i]; q < Aptr[i + 1]; ++q, ++v) {
          const double x = scaled ? c.a * B[Aind[q]] : B[Aind[q]];
          sum = Arith::madd(x, Aval[v], sum);
        }
        C[i] = sum + C[i];
      }
      return;
    }
    case Kernel::CSC_CmplxVecMult_CAB: {
      const int32_t m = c.d[0], n = c.d[1];
      for (int32_t r = 0; r < m; ++r) C[r] = 0.0, CIm[r] = 0.0;
      for (int32_t j = 0; j < n; ++j)
        for (int32_t p = Aptr[j]; p < Aptr[j + 1]; ++p) {
          const int32_t r = Aind[p];
          C[r] = re<Arith>(B[j], BIm[j], Aval[p], AvalIm[p]) + C[r];
          CIm[r] = im<Arith>(B[j], BIm[j], Aval[p], AvalIm[p]) + CIm[r];
        }
      return;
    }
    case Kernel::CSR_CmplxVecMult_CAB: {
      const int32_t n = c.d[1];
      for (int32_t i = 0; i < n; ++i) C[i] = 0.0, CIm[i] = 0.0;
      int32_t v = 0;
      for (int32_t i = 0; i < n; ++i) {
        double sum_re = 0.0, sum_im = 0.0;
        for (int32_t q = Aptr[i]; q < Aptr[i + 1]; ++q, ++v) {
          const int32_t col = Aind[q];
          sum_re = re<Arith>(B[col], BIm[col], Aval[v], AvalIm[v]) + sum_re;
          sum_im = im<Arith>(B[col], BIm[col], Aval[v], AvalIm[v]) + sum_im;
        }
        C[i] = sum_re + C[i];
        CIm[i] = sum_im + CIm[i];
      }
      return;
    }
    case Kernel::CSRsymm_VecMult_CAB:
    case Kernel::CSRsymm_CmplxVecMult_CAB: {
      const int32_t n = c.d[0], m = c.d[1];
      const bool complex = c.kernel == Kernel::CSRsymm_CmplxVecMult_CAB;
      for (int32_t r = 0; r < m; ++r) {
        C[r] = 0.0;
        if (complex) CIm[r] = 0.0;
      }
      int32_t v = 0;
      for (int32_t i = 0; i < n; ++i)
        for (int32_t q = Aptr[i]; q < Aptr[i + 1]; ++q, ++v) {
          const int32_t col = Aind[q];
          if (col < i) continue;  // below the diagonal: passed over
          if (!complex) {
            if (col > i) C[col] = Arith::madd(B[i], Aval[v], C[col]);  // the mirror first
            C[i] = Arith::madd(B[col], Aval[v], C[i]);
          } else {
            if (col > i) {
              C[col] = re<Arith>(B[i], BIm[i], Aval[v], AvalIm[v]) + C[col];
              CIm[col] = im<Arith>(B[i], BIm[i], Aval[v], AvalIm[v]) + CIm[col];
            }
            C[i] = re<Arith>(B[col], BIm[col], Aval[v], AvalIm[v]) + C[i];
            CIm[i] = im<Arith>(B[col], BIm[col], Aval[v], AvalIm[v]) + CIm[i];
          }
        }
      return;
    }
    case Kernel::CSC_MatMult_CAB: {
      const std::ptrdiff_t m = c.d[0], n = c.d[1], k = c.d[2];
      if (n == 0) return;
      for (std::ptrdiff_t e = 0; e < m * n; ++e) C[e] = 0.0;
      for (std::ptrdiff_t col = 0; col < n; ++col)
        for (std::ptrdiff_t j = 0; j < k; ++j)
          for (int32_t p = Aptr[j]; p < Aptr[j + 1]; ++p) {
            const std::ptrdiff_t r = Aind[p];
            C[r + col * m] = Arith::madd(B[j + col * m], Aval[p], C[r + col * m]);
          }
      return;
    }
    case Kernel::CSC_VecTriangSlvLD_CAB:
    case Kernel::CSC_VecTriangSlvUD_CAB: {
      const int32_t n = c.d[0];
      const bool lower = c.kernel == Kernel::CSC_VecTriangSlvLD_CAB;
      for (int32_t i = 0; i < n; ++i) C[i] = B[i];
      for (int32_t step = 0; step < n; ++step) {
        const int32_t j = lower ? step : n - 1 - step;
        const int32_t divisor = lower ? Aptr[j] : Aptr[j + 1] - 1;
        const double x = C[j] / Aval[divisor];
        C[j] = x;
        for (int32_t p = Aptr[j]; p < Aptr[j + 1]; ++p)
          if (p != divisor) C[Aind[p]] = Arith::nmsub(x, Aval[p], C[Aind[p]]);
      }
      return;
    }
    case Kernel::CSR_VecTriangSlvLD_CAB:
    case Kernel::CSR_VecTriangSlvUD_CAB: {
      const int32_t n = c.d[0];
      const bool lower = c.kernel == Kernel::CSR_VecTriangSlvLD_CAB;
      for (int32_t step = 0; step < n; ++step) {
        const int32_t i = lower ? step : n - 1 - step;
        double sum = 0.0, divisor = 0.0;
        for (int32_t p = Aptr[i]; p < Aptr[i + 1]; ++p) {
          const bool is_divisor = lower ? Aind[p] == i : p == Aptr[i];
          if (is_divisor)
            divisor = Aval[p];
          else
            sum = Arith::madd(C[Aind[p]], Aval[p], sum);
        }
        C[i] = (B[i] - sum) / divisor;
      }
      return;
    }
  }
}

}  // namespace spk::fuzz_ref

#endif  // SPK_FUZZ_REFERENCE_HPP
