"""Shared helpers: bit comparison, random operands and the real matrices."""

import pathlib
import zlib

import numpy as np
import pytest
import scipy.io
import scipy.sparse as sp

MATRICES_DIR = pathlib.Path(__file__).resolve().parents[3] / "shared" / "matrices"
EPS = np.finfo(np.float64).eps


def same_bits(actual, expected):
    """True when the two arrays have one dtype and shape and hold the same bits (signed zeros
    and NaN payloads included)."""
    actual = np.ascontiguousarray(actual)
    expected = np.ascontiguousarray(expected)
    return (actual.shape == expected.shape and actual.dtype == expected.dtype
            and actual.tobytes() == expected.tobytes())


def assert_same_bits(actual, expected):
    if same_bits(actual, expected):
        return
    actual = np.ascontiguousarray(actual)
    expected = np.ascontiguousarray(expected)
    if actual.shape != expected.shape or actual.dtype != expected.dtype:
        raise AssertionError(f"{actual.dtype}{actual.shape} and {expected.dtype}{expected.shape}")
    a = actual.ravel().view(np.uint8).reshape(actual.size, -1)
    e = expected.ravel().view(np.uint8).reshape(expected.size, -1)
    differ = np.flatnonzero(np.any(a != e, axis=1))
    first = int(differ[0])
    raise AssertionError(f"{differ.size} of {actual.size} elements differ; first at flat index "
                         f"{first}: {actual.ravel()[first]!r} != {expected.ravel()[first]!r}")


def assert_close(actual, expected, scale, terms):
    """|actual - expected| within 2 * terms * eps of the sum of the absolute terms (scale):
    the bound on how far two orderings or roundings of the same sums can lie apart."""
    actual = np.asarray(actual)
    expected = np.asarray(expected)
    bound = 2.0 * max(terms, 1) * EPS * np.asarray(scale) + np.finfo(np.float64).tiny
    error = np.abs(actual - expected)
    bad = np.flatnonzero(~(error <= bound))
    assert bad.size == 0, (f"{bad.size} elements outside the bound; first at {bad[0]}: "
                           f"{actual.ravel()[bad[0]]!r} vs {expected.ravel()[bad[0]]!r}")


def abs_matrix(A):
    """|A| entry by entry, duplicates kept (abs() of a scipy matrix sums them in place)."""
    cls = sp.csr_matrix if A.format == "csr" else sp.csc_matrix
    return cls((np.abs(A.data), A.indices.copy(), A.indptr.copy()), shape=A.shape)


def max_row_length(A):
    A = A.tocsr()
    return int(np.diff(A.indptr).max()) if A.shape[0] else 0


def random_sparse(rng, rows, cols, density, fmt="csr", complex_values=False, unsorted=False,
                  duplicates=False, array=False):
    """A random CSR or CSC matrix (or array) with full-mantissa values, a few empty vectors,
    and on request unsorted and duplicate indices (kept as stored, never summed)."""
    A = sp.random(rows, cols, density=density, format=fmt, random_state=rng,
                  data_rvs=lambda k: rng.standard_normal(k))
    if complex_values:
        A = A.astype(np.complex128)
        A.data += 1j * rng.standard_normal(A.data.size)
    if duplicates and A.nnz:
        # Store the first entry of every non-empty vector twice, with a new value.
        indptr, indices, data = A.indptr, A.indices, A.data
        new_indices, new_data, new_indptr = [], [], [0]
        for v in range(len(indptr) - 1):
            seg = slice(indptr[v], indptr[v + 1])
            idx, val = list(indices[seg]), list(data[seg])
            if idx:
                idx.append(idx[0])
                val.append(val[0] * -0.75 + 0.1)
            new_indices += idx
            new_data += val
            new_indptr.append(len(new_indices))
        cls = sp.csr_matrix if fmt == "csr" else sp.csc_matrix
        A = cls((np.array(new_data, dtype=A.dtype), np.array(new_indices, dtype=np.int32),
                 np.array(new_indptr, dtype=np.int32)), shape=A.shape)
    if unsorted:
        for v in range(len(A.indptr) - 1):
            seg = slice(A.indptr[v], A.indptr[v + 1])
            order = rng.permutation(A.indptr[v + 1] - A.indptr[v])
            A.indices[seg] = A.indices[seg][order]
            A.data[seg] = A.data[seg][order]
        A.has_sorted_indices = False
    if array:
        A = sp.csr_array(A) if fmt == "csr" else sp.csc_array(A)
    return A


def random_vector(rng, n, complex_values=False):
    x = rng.standard_normal(n)
    if complex_values:
        x = x + 1j * rng.standard_normal(n)
    return x


# Real matrices used by the tests: small to medium, every shape and field that occurs.
PRODUCT_MATRICES = ["west0067.mtx", "impcol_a.mtx", "west0479.mtx", "rajat19.mtx",
                    "adder_dcop_05.mtx", "mbeacxc.mtx", "lp_afiro.mtx", "lp_e226.mtx",
                    "ash219.mtx", "494_bus.mtx", "nos5.mtx", "hangGlider_2.mtx", "karate.mtx",
                    "Erdos971.mtx", "plskz362.mtx", "lpi_galenet.mtx", "young1c.mtx",
                    "qc324.mtx", "mhd1280b.mtx", "sherman3.mtx", "cage10.mtx.gz"]
SOLVE_MATRICES = ["494_bus.mtx", "nos5.mtx", "bcsstk13.mtx", "sherman3.mtx", "Pd.mtx"]


def load_matrix(name):
    """The matrix as float64 or complex128 CSR with sorted indices; skips where the folder or
    file is absent."""
    if not MATRICES_DIR.is_dir():
        pytest.skip(f"the matrix folder {MATRICES_DIR} is absent")
    path = MATRICES_DIR / name
    if not path.is_file():
        pytest.skip(f"{path} is absent")
    A = sp.csr_matrix(scipy.io.mmread(str(path)))
    dtype = np.complex128 if np.iscomplexobj(A.data) else np.float64
    A = A.astype(dtype)
    A.sort_indices()
    return A


@pytest.fixture
def rng(request):
    # A stable seed per test, so that every failure reruns as it was.
    return np.random.default_rng(zlib.crc32(request.node.nodeid.encode()))
