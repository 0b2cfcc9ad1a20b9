"""The products against scipy's own, on random and real matrices.

scipy's sparse products (csr_matvec, csc_matvec, csc_matvecs for a dense right-hand side, and
the complex versions) take the same terms, with the same grouping, in the same order as our
kernels: CSR rows as gathered sums in storage order, CSC columns scattered in storage order.
Where scipy's compiled loops round every operation on their own (checked once, below), our
separately rounded results equal scipy's bit for bit, for sorted, unsorted and duplicate indices
alike. The symmetric product equals scipy's product with the full matrix in sorted CSR form,
whose rows hold the mirrored entries first, in ascending row. Everything else is compared within
a bound of a few roundings per term.
"""

import numpy as np
import pytest
import scipy.sparse as sp

import spkernels
from conftest import (PRODUCT_MATRICES, abs_matrix, assert_close, assert_same_bits, load_matrix,
                      max_row_length, random_sparse, random_vector)

SCHEMES = ["separate", "fused"]


@pytest.fixture(scope="session")
def scipy_rounds_separately():
    """Whether scipy's CSR product rounds each product before adding it: in the row
    (-1, a) times (1, x) the product a*x is inexact, and a fused multiply-add keeps its tail."""
    a = x = 1.0 + 2.0**-30
    A = sp.csr_matrix((np.array([-1.0, a]), np.array([0, 1], dtype=np.int32),
                       np.array([0, 2], dtype=np.int32)), shape=(1, 2))
    return (A @ np.array([1.0, x]))[0] == 2.0**-29


def compare(actual, expected, scheme, exact, A, x):
    """Bit for bit where scipy computes the same separately rounded sums, else within the
    rounding bound; complex results part by part."""
    if scheme == "separate" and exact:
        assert_same_bits(actual, expected)
        return
    scale = abs_matrix(A) @ np.abs(x)
    terms = 2 * max_row_length(A) + 2
    if np.iscomplexobj(actual) or np.iscomplexobj(expected):
        assert_close(np.real(actual), np.real(expected), scale, terms)
        assert_close(np.imag(actual), np.imag(expected), scale, terms)
    else:
        assert_close(actual, expected, scale, terms)


# matrix kind, vector kind
KINDS = [(False, False), (True, True), (False, True), (True, False)]


@pytest.mark.parametrize("scheme", SCHEMES)
@pytest.mark.parametrize("variant", ["sorted matrix", "unsorted duplicates array"])
@pytest.mark.parametrize("complex_matrix,complex_vector", KINDS,
                         ids=["real", "complex", "real A complex x", "complex A real x"])
@pytest.mark.parametrize("fmt", ["csr", "csc"])
def test_matvec_random(rng, fmt, complex_matrix, complex_vector, variant, scheme,
                       scipy_rounds_separately):
    unsorted = variant.startswith("unsorted")
    A = random_sparse(rng, 120, 90, 0.08, fmt, complex_values=complex_matrix,
                      unsorted=unsorted, duplicates=unsorted, array=unsorted)
    x = random_vector(rng, 90, complex_vector)
    out = spkernels.matvec(A, x, scheme=scheme)
    assert out.dtype == (np.complex128 if complex_matrix or complex_vector else np.float64)
    compare(out, A @ x, scheme, scipy_rounds_separately, A, x)

    # The same product into a given out, which is returned and fully overwritten.
    given = np.full(120, np.nan, dtype=out.dtype)
    assert spkernels.matvec(A, x, out=given, scheme=scheme) is given
    assert_same_bits(given, out)


@pytest.mark.parametrize("scheme", SCHEMES)
@pytest.mark.parametrize("fmt", ["csr", "csc"])
def test_matvec_empty_vectors_and_shapes(fmt, scheme):
    # Rows and columns without entries, and matrices with no rows or no columns: every element
    # of the product is written, an empty sum as +0.0.
    for shape in [(4, 3), (0, 3), (3, 0), (0, 0)]:
        A = (sp.csr_matrix if fmt == "csr" else sp.csc_matrix)(shape)
        out = np.full(shape[0], np.nan)
        spkernels.matvec(A, np.ones(shape[1]), out=out, scheme=scheme)
        assert_same_bits(out, np.zeros(shape[0]))
    A = sp.csr_matrix(np.array([[0.0, 2.0], [0.0, 0.0], [-1.0, 0.0]]))
    A = A if fmt == "csr" else A.tocsc()
    assert_same_bits(spkernels.matvec(A, np.array([3.0, 5.0]), scheme=scheme),
                     np.array([10.0, 0.0, -3.0]))


@pytest.mark.parametrize("scheme", SCHEMES)
@pytest.mark.parametrize("alpha", [0.7, -3.0, 1.0])
@pytest.mark.parametrize("fmt", ["csr", "csc"])
def test_matvec_add(rng, fmt, alpha, scheme, scipy_rounds_separately):
    A = random_sparse(rng, 80, 60, 0.1, fmt, unsorted=True, duplicates=True)
    x = random_vector(rng, 60)
    y0 = random_vector(rng, 80)
    y = y0.copy()
    assert spkernels.matvec_add(A, x, y, alpha, scheme=scheme) is y
    # Every term is (alpha * x[j]) * a. A CSR row sum is added to y[i] once; a CSC product
    # scatters each term into y, which scipy's own csc_matvec does when it starts from y.
    if fmt == "csr":
        expected = y0 + A @ (alpha * x)
    else:
        expected = y0.copy()
        from scipy.sparse import _sparsetools
        _sparsetools.csc_matvec(80, 60, A.indptr, A.indices, A.data, alpha * x, expected)
    scale = np.abs(y0) + abs(alpha) * (abs_matrix(A) @ np.abs(x))
    if scheme == "separate" and scipy_rounds_separately:
        assert_same_bits(y, expected)
    else:
        assert_close(y, expected, scale, max_row_length(A) + 2)


def full_from_upper(U):
    """The symmetric matrix whose diagonal and upper triangle U holds, sorted CSR."""
    F = (U + sp.triu(U, 1).T).tocsr()
    F.sort_indices()
    return F


@pytest.mark.parametrize("scheme", SCHEMES)
@pytest.mark.parametrize("complex_values", [False, True], ids=["real", "complex"])
def test_symmetric_matvec_random(rng, complex_values, scheme, scipy_rounds_separately):
    F = random_sparse(rng, 70, 70, 0.1, "csr", complex_values=complex_values)
    F = full_from_upper(sp.triu(F).tocsr())
    U = sp.triu(F).tocsr()
    U.sort_indices()
    x = random_vector(rng, 70, complex_values)
    out = spkernels.symmetric_matvec(U, x, scheme=scheme)
    compare(out, F @ x, scheme, scipy_rounds_separately, F, x)
    # Entries below the diagonal are passed over: the full matrix gives the same bits.
    assert_same_bits(spkernels.symmetric_matvec(F, x, scheme=scheme), out)
    # Complex symmetric, not Hermitian: the mirror is never conjugated.
    if complex_values:
        assert not np.allclose(out, (U + sp.triu(U, 1).conj().T) @ x)


@pytest.mark.parametrize("scheme", SCHEMES)
@pytest.mark.parametrize("m,k,n", [(50, 50, 6), (70, 40, 5), (40, 70, 5), (30, 20, 1),
                                   (30, 20, 0), (0, 5, 3), (5, 0, 3)])
def test_matmat(rng, m, k, n, scheme, scipy_rounds_separately):
    A = random_sparse(rng, m, k, 0.15, "csc", unsorted=True, duplicates=True)
    B = np.asfortranarray(rng.standard_normal((k, n)))
    out = spkernels.matmat(A, B, scheme=scheme)
    assert out.shape == (m, n) and out.flags.f_contiguous
    expected = np.asfortranarray(A @ B)
    if scheme == "separate" and scipy_rounds_separately:
        assert_same_bits(out, expected)
    else:
        assert_close(out, expected, abs_matrix(A) @ np.abs(B), max_row_length(A))
    given = np.asfortranarray(np.full((m, n), np.nan))
    assert spkernels.matmat(A, B, out=given, scheme=scheme) is given
    assert_same_bits(given, out)


@pytest.mark.parametrize("scheme", SCHEMES)
@pytest.mark.parametrize("name", PRODUCT_MATRICES)
def test_real_matrices(name, scheme, scipy_rounds_separately):
    A = load_matrix(name)
    rng = np.random.default_rng(len(name))
    rows, cols = A.shape
    complex_values = np.iscomplexobj(A.data)
    x = random_vector(rng, cols, complex_values)
    for M in (A, A.tocsc()):
        compare(spkernels.matvec(M, x, scheme=scheme), M @ x, scheme, scipy_rounds_separately,
                M, x)
    if not complex_values:
        B = np.asfortranarray(rng.standard_normal((cols, 3)))
        C = A.tocsc()
        expected = np.asfortranarray(C @ B)
        out = spkernels.matmat(C, B, scheme=scheme)
        if scheme == "separate" and scipy_rounds_separately:
            assert_same_bits(out, expected)
        else:
            assert_close(out, expected, abs_matrix(C) @ np.abs(B), max_row_length(C))
    if rows == cols and (A != A.T).nnz == 0:
        U = sp.triu(A).tocsr()
        U.sort_indices()
        compare(spkernels.symmetric_matvec(U, x, scheme=scheme), A @ x, scheme,
                scipy_rounds_separately, A, x)
