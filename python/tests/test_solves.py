"""Triangular solves: bit for bit against literal loops in both rounding schemes, against scipy's
spsolve_triangular within a tolerance, and the residual of every solve."""

from fractions import Fraction

import numpy as np
import pytest
import scipy.sparse as sp
import scipy.sparse.linalg

import spkernels
from conftest import (EPS, SOLVE_MATRICES, abs_matrix, assert_same_bits, load_matrix,
                      max_row_length)

SCHEMES = ["separate", "fused"]


def fma(a, b, c):
    """a * b + c rounded once (finite operands)."""
    exact = Fraction(a) * Fraction(b) + Fraction(c)
    if exact == 0:
        # An exact zero is -0.0 only when the product and c are both zeros of negative sign.
        product_negative = (np.signbit(a) != np.signbit(b))
        return -0.0 if (a * b == 0 and product_negative and np.signbit(c)) else 0.0
    return float(exact)


def madd(scheme, a, b, c):
    return fma(a, b, c) if scheme == "fused" else a * b + c


def nmsub(scheme, a, b, c):
    """c - a * b; the fused form is -(a * b - c), rounded once, so an exact cancellation
    gives -0.0."""
    return -fma(a, b, -c) if scheme == "fused" else c - a * b


def reference(T, b, lower, scheme):
    """The solve as literal loops over Python floats (each operation IEEE double)."""
    n = T.shape[0]
    Aval, Aind, Aptr = list(map(float, T.data)), list(map(int, T.indices)), list(map(int, T.indptr))
    B = list(map(float, b))
    if T.format == "csc":
        C = B[:]
        for j in (range(n) if lower else range(n - 1, -1, -1)):
            first, end = Aptr[j], Aptr[j + 1]
            divisor = first if lower else end - 1
            x = C[j] / Aval[divisor]
            C[j] = x
            for p in range(first, end):
                if p != divisor:
                    C[Aind[p]] = nmsub(scheme, x, Aval[p], C[Aind[p]])
        return np.array(C)
    C = [0.0] * n
    for i in (range(n) if lower else range(n - 1, -1, -1)):
        first, end = Aptr[i], Aptr[i + 1]
        total, divisor = 0.0, None
        for p in range(first, end):
            if (lower and Aind[p] == i) or (not lower and p == first):
                divisor = Aval[p]
            else:
                total = madd(scheme, C[Aind[p]], Aval[p], total)
        C[i] = (B[i] - total) / divisor
    return np.array(C)


def assert_small_residual(T, x, b):
    """Componentwise backward error of a few roundings per stored entry of a row."""
    assert np.all(np.isfinite(x))
    residual = np.abs(b - T @ x)
    scale = abs_matrix(T) @ np.abs(x) + np.abs(b)
    bound = 4.0 * (max_row_length(T) + 2) * EPS * scale
    assert np.all(residual <= bound), float(np.max(residual / np.maximum(scale, 1e-300)))


def random_triangular(rng, n, density, fmt, lower):
    """A triangular matrix with a dominant diagonal, sorted indices, in CSR or CSC."""
    S = sp.random(n, n, density=density, random_state=rng, data_rvs=rng.standard_normal)
    S = sp.tril(S, -1) if lower else sp.triu(S, 1)
    diagonal = (2.0 + rng.random(n)) * rng.choice([-1.0, 1.0], n)
    T = (S + sp.diags(diagonal)).asformat(fmt)
    T.sort_indices()
    return T


@pytest.mark.parametrize("scheme", SCHEMES)
@pytest.mark.parametrize("lower", [True, False], ids=["lower", "upper"])
@pytest.mark.parametrize("fmt", ["csr", "csc"])
def test_solve_random(rng, fmt, lower, scheme):
    n = 150
    T = random_triangular(rng, n, 0.05, fmt, lower)
    b = rng.standard_normal(n)
    b_before = b.copy()
    x = spkernels.solve_triangular(T, b, lower=lower, scheme=scheme)
    assert_same_bits(b, b_before)
    assert_same_bits(x, reference(T, b, lower, scheme))
    assert_small_residual(T, x, b)
    expected = scipy.sparse.linalg.spsolve_triangular(T.tocsr(), b, lower=lower)
    np.testing.assert_allclose(x, expected, rtol=1e-12, atol=1e-14)

    # out may be b itself, and a given out is written whatever it held.
    inplace = b.copy()
    assert spkernels.solve_triangular(T, inplace, lower=lower, out=inplace,
                                      scheme=scheme) is inplace
    assert_same_bits(inplace, x)
    given = np.full(n, np.nan)
    spkernels.solve_triangular(T, b, lower=lower, out=given, scheme=scheme)
    assert_same_bits(given, x)


@pytest.mark.parametrize("scheme", SCHEMES)
def test_csr_lower_takes_the_diagonal_anywhere_in_a_row(rng, scheme):
    # The CSR lower solve finds each divisor by its column index, so unsorted rows are
    # accepted; their entries enter the sum in storage order.
    T = random_triangular(rng, 80, 0.1, "csr", True)
    for i in range(80):
        seg = slice(T.indptr[i], T.indptr[i + 1])
        order = rng.permutation(T.indptr[i + 1] - T.indptr[i])
        T.indices[seg], T.data[seg] = T.indices[seg][order], T.data[seg][order]
    T.has_sorted_indices = False
    b = rng.standard_normal(80)
    x = spkernels.solve_triangular(T, b, lower=True, scheme=scheme)
    assert_same_bits(x, reference(T, b, True, scheme))
    assert_small_residual(T, x, b)


def test_schemes_differ_in_the_sign_of_an_exact_cancellation():
    # Rows (1, 0), (1, 1) and b = (1, 1): the update of x[1] cancels exactly. Separately rounded
    # it is +0.0; the fused update -(1*1 - 1) is -0.0. The CSR solve subtracts a sum: +0.0.
    T = sp.csc_matrix(np.array([[1.0, 0.0], [1.0, 1.0]]))
    b = np.ones(2)
    assert_same_bits(spkernels.solve_triangular(T, b, scheme="separate"), np.array([1.0, 0.0]))
    assert_same_bits(spkernels.solve_triangular(T, b, scheme="fused"), np.array([1.0, -0.0]))
    for scheme in SCHEMES:
        assert_same_bits(spkernels.solve_triangular(T.tocsr(), b, scheme=scheme),
                         np.array([1.0, 0.0]))


@pytest.mark.parametrize("scheme", SCHEMES)
def test_solve_order_zero_and_one(scheme):
    for fmt in ("csr", "csc"):
        for lower in (True, False):
            empty = sp.csr_matrix((0, 0)).asformat(fmt)
            assert spkernels.solve_triangular(empty, np.zeros(0), lower, scheme=scheme).size == 0
            one = sp.csr_matrix(np.array([[4.0]])).asformat(fmt)
            assert_same_bits(spkernels.solve_triangular(one, np.array([-0.0]), lower,
                                                        scheme=scheme), np.array([-0.0]))


@pytest.mark.parametrize("scheme", SCHEMES)
@pytest.mark.parametrize("name", SOLVE_MATRICES)
def test_real_matrices(name, scheme):
    # The lower and upper triangles of real matrices with a full nonzero diagonal.
    A = load_matrix(name)
    n = A.shape[0]
    rng = np.random.default_rng(len(name))
    b = rng.standard_normal(n)
    for lower in (True, False):
        T = (sp.tril(A) if lower else sp.triu(A)).tocsr()
        T.sort_indices()
        for M in (T, T.tocsc()):
            M.sort_indices()
            x = spkernels.solve_triangular(M, b, lower=lower, scheme=scheme)
            assert_same_bits(x, reference(M, b, lower, scheme))
            assert_small_residual(M, x, b)
