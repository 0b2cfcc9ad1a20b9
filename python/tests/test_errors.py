"""Every way to call wrongly: the exception, its message, and that nothing was written."""

import re

import numpy as np
import pytest
import scipy.sparse as sp

import spkernels
from conftest import assert_same_bits

DENSE = np.array([[1.0, 0.0, 2.0], [0.0, 0.0, 3.0], [4.0, 5.0, 0.0], [0.0, 6.0, 0.0]])


def csr():
    return sp.csr_matrix(DENSE)


def csc():
    return sp.csc_matrix(DENSE)


def lower_csr():
    return sp.csr_matrix(np.array([[2.0, 0.0, 0.0], [1.0, 4.0, 0.0], [3.0, -1.0, 5.0]]))


def upper_csr():
    return sp.csr_matrix(np.array([[2.0, 1.0, 3.0], [0.0, 4.0, -1.0], [0.0, 0.0, 5.0]]))


def broken(matrix, **arrays):
    """A valid matrix whose arrays are then changed in place, past scipy's own checks."""
    for name, (position, value) in arrays.items():
        getattr(matrix, name)[position] = value
    return matrix


def with_index_dtype(matrix, dtype):
    matrix.indices = matrix.indices.astype(dtype)
    return matrix


class Case:
    """One wrong call. ``make`` returns (function, args, kwargs); every numpy array among the
    args and kwargs is watched and must hold the same bits after the exception."""

    def __init__(self, make, error, pattern, code=None):
        self.make, self.error, self.pattern, self.code = make, error, pattern, code


def nan(n):
    return np.full(n, np.nan)


f = spkernels
CASES = {
    # Not a CSR or CSC matrix, or not of the dtypes the kernels take.
    "dense A": Case(lambda: (f.matvec, (DENSE, np.ones(3), nan(4)), {}), TypeError,
                    r"A must be a scipy.sparse CSR or CSC matrix or array, not ndarray"),
    "COO A": Case(lambda: (f.matvec, (csr().tocoo(), np.ones(3), nan(4)), {}), TypeError,
                  r"not COO coo_matrix"),
    "float32 values": Case(lambda: (f.matvec, (csr().astype(np.float32), np.ones(3), nan(4)), {}),
                           TypeError, r"A.data has dtype float32"),
    "int16 indices": Case(lambda: (f.matvec, (with_index_dtype(csr(), np.int16), np.ones(3),
                                              nan(4)), {}),
                          TypeError, r"A.indices has dtype int16"),
    "list x": Case(lambda: (f.matvec, (csr(), [1.0, 1.0, 1.0], nan(4)), {}), TypeError,
                   r"x must be a numpy array, not list"),
    "float32 x": Case(lambda: (f.matvec, (csr(), np.ones(3, np.float32), nan(4)), {}), TypeError,
                      r"x has dtype float32"),
    "complex out of a real product": Case(
        lambda: (f.matvec, (csr(), np.ones(3), np.zeros(4, np.complex128)), {}), TypeError,
        r"out has dtype complex128; expected float64"),
    "real out of a complex product": Case(
        lambda: (f.matvec, (csr(), np.ones(3, np.complex128), nan(4)), {}), TypeError,
        r"out has dtype float64; expected complex128"),
    "complex matvec_add": Case(lambda: (f.matvec_add, (csr() * 1j, np.ones(3), nan(4)), {}),
                               TypeError, r"A.data has dtype complex128; expected float64"),
    "complex alpha": Case(lambda: (f.matvec_add, (csr(), np.ones(3), nan(4), 1j), {}), TypeError,
                          r"alpha must be a real number"),
    "CSC symmetric": Case(lambda: (f.symmetric_matvec, (csc()[:3], np.ones(3), nan(3)), {}),
                          TypeError, r"U must be a scipy.sparse CSR"),
    "CSR matmat": Case(lambda: (f.matmat, (csr(), np.ones((3, 2), order="F"),
                                           np.full((4, 2), np.nan, order="F")), {}),
                       TypeError, r"A must be a scipy.sparse CSC"),
    "vector as matmat B": Case(lambda: (f.matmat, (csc(), np.ones(3)), {}), TypeError,
                               r"B must be a two-dimensional numpy array"),
    "complex solve": Case(lambda: (f.solve_triangular, (lower_csr() * 1j, np.ones(3), True,
                                                        nan(3)), {}),
                          TypeError, r"T.data has dtype complex128; expected float64"),
    # Shapes, layout and writability, refused before the checker is asked.
    "x too short": Case(lambda: (f.matvec, (csr(), np.ones(2), nan(4)), {}), ValueError,
                        r"x has shape \(2,\); expected \(3,\)"),
    "strided x": Case(lambda: (f.matvec, (csr(), np.ones(6)[::2], nan(4)), {}), ValueError,
                      r"x is not contiguous"),
    "strided out": Case(lambda: (f.matvec, (csr(), np.ones(3), nan(8)[::2]), {}), ValueError,
                        r"out is not contiguous"),
    "read-only out": Case(lambda: (f.matvec, (csr(), np.ones(3), read_only(nan(4))), {}),
                          ValueError, r"out is read-only"),
    "read-only y": Case(lambda: (f.matvec_add, (csr(), np.ones(3), read_only(nan(4))), {}),
                        ValueError, r"y is read-only"),
    "C-ordered matmat B": Case(lambda: (f.matmat, (csc(), np.ones((3, 2)),
                                                   np.full((4, 2), np.nan, order="F")), {}),
                               ValueError, r"B is not Fortran-ordered"),
    "C-ordered matmat out": Case(lambda: (f.matmat, (csc(), np.ones((3, 2), order="F"),
                                                     np.full((4, 2), np.nan)), {}),
                                 ValueError, r"out is not Fortran-ordered"),
    "int64 index beyond 32 bits": Case(
        lambda: (f.matvec, (broken(with_index_dtype(csr(), np.int64), indices=(2, 2**31)),
                            np.ones(3), nan(4)), {}),
        ValueError, r"A.indices\[2\] = 2147483648 does not fit in 32 bits"),
    "non-square solve": Case(lambda: (f.solve_triangular, (csr(), np.ones(4), True, nan(4)), {}),
                             ValueError, r"T must be square, not 4 x 3"),
    "non-square symmetric": Case(lambda: (f.symmetric_matvec, (csr(), np.ones(3), nan(4)), {}),
                                 ValueError, r"U must be square, not 4 x 3"),
    "unknown scheme": Case(lambda: (f.matvec, (csr(), np.ones(3), nan(4)), {"scheme": "exact"}),
                           ValueError, r"scheme must be \"fused\" or \"separate\", not 'exact'"),
    "matmat out sharing B": Case(lambda: shared_matmat(), ValueError,
                                 r"out shares memory with B"),
    # Broken operands, refused by the checker with its own message and code.
    "out is x": Case(lambda: (f.matvec, (csr()[:3], *same_array(3)), {}), spkernels.OperandError,
                     r"kernel CSR_VecMult_CAB_double", "SPK_ERR_OVERLAP"),
    "y is x": Case(lambda: (f.matvec_add, (csc()[:3], *same_array(3)), {}),
                   spkernels.OperandError, r"kernel CSC_VecMult_CaABC_double", "SPK_ERR_OVERLAP"),
    "out overlapping b": Case(lambda: overlapping_solve(3),
                              spkernels.OperandError, r"", "SPK_ERR_OVERLAP"),
    "CSR column index out of range": Case(
        lambda: (f.matvec, (broken(csr(), indices=(0, 7)), np.ones(3), nan(4)), {}),
        spkernels.OperandError, r"Aind\[0\] = 7.*A.indices", "SPK_ERR_INDEX"),
    "CSC row index out of range": Case(
        lambda: (f.matvec, (broken(csc(), indices=(1, -1)), np.ones(3), nan(4)), {}),
        spkernels.OperandError, r"Aind\[1\] = -1", "SPK_ERR_INDEX"),
    "decreasing start positions": Case(
        lambda: (f.matvec, (broken(csr(), indptr=(2, 1)), np.ones(3), nan(4)), {}),
        spkernels.OperandError, r"Aptr\[2\]", "SPK_ERR_APTR"),
    "start positions past the entries": Case(
        lambda: (f.matvec, (broken(csc(), indptr=(3, 9)), np.ones(3), nan(4)), {}),
        spkernels.OperandError, r"Aptr", None),
    "missing diagonal": Case(
        lambda: (f.solve_triangular, (broken(lower_csr(), indices=(2, 0)), np.ones(3), True,
                                      nan(3)), {}),
        spkernels.OperandError, r"row 1", "SPK_ERR_STRUCTURE"),
    "entry on the wrong side": Case(
        lambda: (f.solve_triangular, (lower_csr(), np.ones(3), False, nan(3)), {}),
        spkernels.OperandError, r"kernel CSR_VecTriangSlvUD_CAB_double", "SPK_ERR_STRUCTURE"),
    "entry right of the diagonal in a lower row": Case(
        lambda: (f.solve_triangular, (upper_csr(), np.ones(3), True, nan(3)), {}),
        spkernels.OperandError, r"Aind\[1\] = 1 in row 0 is not left of the diagonal",
        "SPK_ERR_STRUCTURE"),
    "CSC entry on the wrong side": Case(
        lambda: (f.solve_triangular, (lower_csr().tocsc(), np.ones(3), False, nan(3)), {}),
        spkernels.OperandError, r"kernel CSC_VecTriangSlvUD_CAB_double", "SPK_ERR_STRUCTURE"),
    "zero divisor": Case(
        lambda: (f.solve_triangular, (broken(lower_csr(), data=(2, 0.0)), np.ones(3), True,
                                      nan(3)), {}),
        spkernels.OperandError, r"divisor", "SPK_ERR_ZERO_DIVISOR"),
    "unsorted upper row": Case(
        lambda: (f.solve_triangular, (unsorted_upper(), np.ones(3), False, nan(3)), {}),
        spkernels.OperandError, r"T.sort_indices\(\) may put every divisor in place",
        "SPK_ERR_STRUCTURE"),
}


def read_only(array):
    array.flags.writeable = False
    return array


def same_array(n):
    x = np.ones(n)
    return x, x


def overlapping_solve(n):
    storage = np.arange(n + 1.0)
    return f.solve_triangular, (lower_csr(), storage[:n]), {"out": storage[1:]}


def shared_matmat():
    # B (3 x 2) and out (4 x 2) in one buffer: the per-column calls (m != k) would read
    # columns of B that earlier columns of out have overwritten.
    storage = np.ones(20)
    return (f.matmat, (csc(), storage[:6].reshape((3, 2), order="F"),
                       storage[4:12].reshape((4, 2), order="F")), {})


def unsorted_upper():
    T = sp.csr_matrix(np.array([[2.0, 1.0, 3.0], [0.0, 4.0, -1.0], [0.0, 0.0, 5.0]]))
    T.indices[0:3] = [1, 0, 2]
    T.data[0:3] = [1.0, 2.0, 3.0]
    T.has_sorted_indices = False
    return T


def watched(args, kwargs):
    arrays = [a for a in list(args) + list(kwargs.values()) if isinstance(a, np.ndarray)]
    for a in list(args):
        if sp.issparse(a) and a.format in ("csr", "csc"):
            arrays += [a.data, a.indices, a.indptr]
    return arrays


@pytest.mark.parametrize("scheme", ["fused", "separate"])
@pytest.mark.parametrize("name", list(CASES))
def test_refused_and_nothing_written(name, scheme):
    case = CASES[name]
    function, args, kwargs = case.make()
    kwargs = {"scheme": scheme, **kwargs}
    arrays = watched(args, kwargs)
    before = [a.copy() for a in arrays]
    with pytest.raises(case.error) as caught:
        function(*args, **kwargs)
    assert re.search(case.pattern, str(caught.value)), str(caught.value)
    if case.code is not None:
        assert caught.value.code == case.code, str(caught.value)
    assert isinstance(caught.value, (TypeError, ValueError))
    for array, copy in zip(arrays, before):
        assert_same_bits(array, copy)


def test_int64_indices_that_fit_are_taken_as_int32():
    A = csr()
    wide = csr()  # scipy's constructor would narrow int64 indices itself
    wide.indices = wide.indices.astype(np.int64)
    wide.indptr = wide.indptr.astype(np.int64)
    x = np.array([0.5, -2.0, 3.0])
    assert_same_bits(spkernels.matvec(wide, x), spkernels.matvec(A, x))
    assert wide.indices.dtype == np.int64  # the caller's matrix is left as it was


def test_checker_message_names_the_array_position_and_rule():
    with pytest.raises(spkernels.OperandError) as caught:
        spkernels.matvec(broken(csr(), indptr=(2, 1)), np.ones(3))
    message = str(caught.value)
    assert message.startswith("Aptr[2] = 1 is less than Aptr[1] = 2: start positions must not "
                              "decrease"), message
    assert "Aval, Aind, Aptr are A.data, A.indices, A.indptr" in message
