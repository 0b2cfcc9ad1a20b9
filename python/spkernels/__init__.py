"""spkernels: bit-reproducible sparse kernels on scipy.sparse matrices.

Every function takes scipy.sparse CSR or CSC matrices or arrays (``csr_matrix``, ``csc_matrix``,
``csr_array``, ``csc_array``) and numpy arrays, picks the kernel that fits the matrix's format,
checks every operand with the operand checker and only then runs the kernel. ``scheme`` chooses
the rounding: "fused" (each multiply-add pair rounded once) or "separate" (every operation
rounded on its own). Results are reproducible to the last bit for a given scheme.

What is accepted:
  * matrix values float64 (or complex128 where the function is complex); indices and start
    positions int32, or int64 whose values fit in 32 bits (converted; other values refused);
  * dense inputs and outputs: numpy arrays of exactly the dtype the call needs, contiguous
    (vectors) or Fortran-ordered (the dense matrices of ``matmat``). Nothing is converted or
    copied behind the caller's back: another dtype raises TypeError, a strided array ValueError.
    The one exception is complex data, which the kernels take as separate real and imaginary
    arrays: it is split into two new arrays and the result joined back into ``out``, and a real
    operand meeting a complex one is given zero imaginary parts.
  * ``out``: written only when every check has passed; never replaced by a copy.
A broken operand raises ``OperandError`` (a ValueError) with the checker's message and code.
"""

import numbers

import numpy as np
import scipy.sparse

from ._native import CHECK_ZERO_DIVISOR, ERR_STRUCTURE, SCHEMES, Call, OperandError
from . import _native

__all__ = ["matvec", "matvec_add", "symmetric_matvec", "matmat", "solve_triangular", "version",
           "OperandError"]

_INT32_MIN = -(2**31)
_INT32_MAX = 2**31 - 1
_FLOAT = np.dtype(np.float64)
_COMPLEX = np.dtype(np.complex128)


def _scheme(scheme, where):
    if scheme not in SCHEMES:
        raise ValueError(f"{where}: scheme must be \"fused\" or \"separate\", not {scheme!r}")
    return scheme


def _dimension(value, what, where):
    if value > _INT32_MAX:
        raise ValueError(f"{where}: {what} = {value} does not fit in a 32-bit index")
    return int(value)


def _index_array(array, what, where):
    if not isinstance(array, np.ndarray) or array.ndim != 1:
        raise TypeError(f"{where}: {what} must be a one-dimensional numpy array")
    if not array.flags.c_contiguous:
        raise ValueError(f"{where}: {what} is not contiguous")
    if array.dtype == np.int32:
        return array
    if array.dtype != np.int64:
        raise TypeError(f"{where}: {what} has dtype {array.dtype}; indices must be int32 or int64")
    outside = np.flatnonzero((array < _INT32_MIN) | (array > _INT32_MAX))
    if outside.size:
        p = int(outside[0])
        raise ValueError(f"{where}: {what}[{p}] = {int(array[p])} does not fit in 32 bits "
                         "(int64 indices are accepted only where every value does)")
    return array.astype(np.int32)


class _Sparse:
    """The arrays of a CSR or CSC matrix as the kernels take them."""

    def __init__(self, A, name, where, formats=("csr", "csc"), complex_ok=True):
        if not scipy.sparse.issparse(A) or A.format not in formats:
            kinds = " or ".join(f.upper() for f in formats)
            got = f"{A.format.upper()} " if scipy.sparse.issparse(A) else ""
            raise TypeError(f"{where}: {name} must be a scipy.sparse {kinds} matrix or array, "
                            f"not {got}{type(A).__name__}")
        self.format = A.format
        self.rows = _dimension(A.shape[0], f"{name}.shape[0]", where)
        self.cols = _dimension(A.shape[1], f"{name}.shape[1]", where)
        data = A.data
        if not isinstance(data, np.ndarray) or data.ndim != 1:
            raise TypeError(f"{where}: {name}.data must be a one-dimensional numpy array")
        allowed = (_FLOAT, _COMPLEX) if complex_ok else (_FLOAT,)
        if data.dtype not in allowed:
            names = " or ".join(str(d) for d in allowed)
            raise TypeError(f"{where}: {name}.data has dtype {data.dtype}; expected {names}")
        if not data.flags.c_contiguous:
            raise ValueError(f"{where}: {name}.data is not contiguous")
        self.is_complex = data.dtype == _COMPLEX
        self.data = data
        self.indices = _index_array(A.indices, f"{name}.indices", where)
        self.indptr = _index_array(A.indptr, f"{name}.indptr", where)
        self.legend = f"Aval, Aind, Aptr are {name}.data, {name}.indices, {name}.indptr"

    def real(self):
        return np.ascontiguousarray(self.data.real) if self.is_complex else self.data

    def imag(self):
        if self.is_complex:
            return np.ascontiguousarray(self.data.imag)
        return np.zeros(self.data.shape[0])


def _dense(x, name, shape, where, dtypes, fortran=False):
    if not isinstance(x, np.ndarray):
        raise TypeError(f"{where}: {name} must be a numpy array, not {type(x).__name__}")
    if x.dtype not in dtypes:
        names = " or ".join(str(d) for d in dtypes)
        raise TypeError(f"{where}: {name} has dtype {x.dtype}; expected {names}")
    if x.shape != shape:
        raise ValueError(f"{where}: {name} has shape {x.shape}; expected {shape}")
    if not (x.flags.f_contiguous if fortran else x.flags.c_contiguous):
        order = "Fortran-ordered (column-major)" if fortran else "contiguous"
        raise ValueError(f"{where}: {name} is not {order}; pass a {order} array "
                         f"(e.g. numpy.{'asfortranarray' if fortran else 'ascontiguousarray'})")
    return x


def _output(out, name, shape, dtype, where, fortran=False):
    if out is None:
        return np.zeros(shape, dtype=dtype, order="F" if fortran else "C")
    _dense(out, name, shape, where, (dtype,), fortran)
    if not out.flags.writeable:
        raise ValueError(f"{where}: {name} is read-only")
    return out


def _split(x):
    if x.dtype == _COMPLEX:
        return np.ascontiguousarray(x.real), np.ascontiguousarray(x.imag)
    return x, np.zeros(x.shape[0])


def _join(out, re, im):
    out.real[...] = re
    out.imag[...] = im


def _complex_product(name, dims, A, x, out, scheme, legend):
    """A complex kernel call: split operands, check, run into new arrays, join into out."""
    B, BIm = _split(x)
    C = np.empty(out.shape[0])
    CIm = np.empty(out.shape[0])
    call = Call(name, *dims, A.real(), A.imag(), A.indices, A.indptr, B, BIm, C, CIm,
                legend=legend)
    call.check()
    call.run(scheme)
    _join(out, C, CIm)
    return out


def matvec(A, x, out=None, scheme="fused"):
    """``A @ x`` for a CSR or CSC ``A``, real or complex; returns ``out``.

    ``x`` has ``A.shape[1]`` elements; ``out`` (new when None) has ``A.shape[0]``, float64 for a
    real product and complex128 when ``A`` or ``x`` is complex.
    """
    where = "spkernels.matvec"
    _scheme(scheme, where)
    S = _Sparse(A, "A", where)
    _dense(x, "x", (S.cols,), where, (_FLOAT, _COMPLEX))
    is_complex = S.is_complex or x.dtype == _COMPLEX
    out = _output(out, "out", (S.rows,), _COMPLEX if is_complex else _FLOAT, where)
    layout = "CSR" if S.format == "csr" else "CSC"
    # CSR kernels: n is the number of rows, m the index extent (columns); CSC the other way.
    dims = (S.cols, S.rows) if S.format == "csr" else (S.rows, S.cols)
    legend = S.legend + "; B is x; C is out"
    if is_complex:
        return _complex_product(f"{layout}_CmplxVecMult_CAB_double", dims, S, x, out, scheme,
                                S.legend + "; B, BIm are x split; C, CIm the result")
    call = Call(f"{layout}_VecMult_CAB_double", *dims, S.data, S.indices, S.indptr, x, out,
                legend=legend)
    call.check()
    call.run(scheme)
    return out


def matvec_add(A, x, y, alpha=1.0, scheme="fused"):
    """``y += alpha * (A @ x)`` in place, for a real CSR or CSC ``A``; returns ``y``.

    The scale is applied to every term before it enters a sum: each term is
    ``(alpha * x[j]) * a``, never ``alpha`` times a finished sum.
    """
    where = "spkernels.matvec_add"
    _scheme(scheme, where)
    if isinstance(alpha, bool) or not isinstance(alpha, numbers.Real):
        raise TypeError(f"{where}: alpha must be a real number, not {type(alpha).__name__}")
    S = _Sparse(A, "A", where, complex_ok=False)
    _dense(x, "x", (S.cols,), where, (_FLOAT,))
    _dense(y, "y", (S.rows,), where, (_FLOAT,))
    if not y.flags.writeable:
        raise ValueError(f"{where}: y is read-only")
    layout = "CSR" if S.format == "csr" else "CSC"
    dims = (S.cols, S.rows) if S.format == "csr" else (S.rows, S.cols)
    call = Call(f"{layout}_VecMult_CaABC_double", *dims, float(alpha), S.data, S.indices,
                S.indptr, x, y, legend=S.legend + "; B is x; C is y")
    call.check()
    call.run(scheme)
    return y


def symmetric_matvec(U, x, out=None, scheme="fused"):
    """The product with the symmetric matrix whose diagonal and upper triangle the CSR ``U``
    holds; returns ``out``. Entries below the diagonal are passed over, so a matrix stored in
    full gives the same product. Complex ``U`` is complex symmetric: never conjugated."""
    where = "spkernels.symmetric_matvec"
    _scheme(scheme, where)
    S = _Sparse(U, "U", where, formats=("csr",))
    if S.rows != S.cols:
        raise ValueError(f"{where}: U must be square, not {S.rows} x {S.cols}")
    _dense(x, "x", (S.cols,), where, (_FLOAT, _COMPLEX))
    is_complex = S.is_complex or x.dtype == _COMPLEX
    out = _output(out, "out", (S.rows,), _COMPLEX if is_complex else _FLOAT, where)
    dims = (S.rows, S.cols)
    if is_complex:
        return _complex_product("CSRsymm_CmplxVecMult_CAB_double", dims, S, x, out, scheme,
                                S.legend + "; B, BIm are x split; C, CIm the result")
    call = Call("CSRsymm_VecMult_CAB_double", *dims, S.data, S.indices, S.indptr, x, out,
                legend=S.legend + "; B is x; C is out")
    call.check()
    call.run(scheme)
    return out


def matmat(A, B, out=None, scheme="fused"):
    """``A @ B`` for a real CSC ``A`` (m x k) and a Fortran-ordered float64 ``B`` (k x n);
    returns ``out``, a Fortran-ordered float64 m x n matrix (new when None)."""
    where = "spkernels.matmat"
    _scheme(scheme, where)
    S = _Sparse(A, "A", where, formats=("csc",), complex_ok=False)
    if not isinstance(B, np.ndarray) or B.ndim != 2:
        raise TypeError(f"{where}: B must be a two-dimensional numpy array")
    m, k = S.rows, S.cols
    n = _dimension(B.shape[1], "B.shape[1]", where)
    _dense(B, "B", (k, n), where, (_FLOAT,), fortran=True)
    out = _output(out, "out", (m, n), _FLOAT, where, fortran=True)
    legend = S.legend + "; B is B; C is out"
    if m == k:
        # The kernel's B has column stride m, which is B's own stride here: one call does all.
        calls = [Call("CSC_MatMult_CAB_double", m, n, k, S.data, S.indices, S.indptr,
                      B.reshape(-1, order="F"), 0, out.reshape(-1, order="F"), legend=legend)]
    else:
        # With m != k the kernel's stride m is not B's stride k: one call per column of B
        # (n = 1), which takes the same terms in the same order for every element.
        if np.shares_memory(B, out):
            raise ValueError(f"{where}: out shares memory with B")
        calls = [Call("CSC_MatMult_CAB_double", m, 1, k, S.data, S.indices, S.indptr,
                      B[:, col], 0, out[:, col], legend=legend + f" column {col}")
                 for col in range(n)]
    for call in calls:
        call.check()
    for call in calls:
        call.run(scheme)
    return out


def solve_triangular(T, b, lower=True, out=None, scheme="fused"):
    """Solve ``T @ out = b`` for a real triangular CSR or CSC ``T``; returns ``out``.

    ``out`` may be ``b`` itself (solved in place). Every divisor must be stored and nonzero:
    CSR lower, the entry of row i in column i (at any position in the row); CSR upper, the
    first stored entry of each row; CSC lower, the first stored entry of each column; CSC upper,
    the last. Sorted indices meet all four rules; other entries must lie on the stated side.
    """
    where = "spkernels.solve_triangular"
    _scheme(scheme, where)
    S = _Sparse(T, "T", where, complex_ok=False)
    if S.rows != S.cols:
        raise ValueError(f"{where}: T must be square, not {S.rows} x {S.cols}")
    _dense(b, "b", (S.rows,), where, (_FLOAT,))
    out = _output(out, "out", (S.rows,), _FLOAT, where)
    name = ("CSR" if S.format == "csr" else "CSC") + "_VecTriangSlv" + \
        ("LD" if lower else "UD") + "_CAB_double"
    call = Call(name, S.rows, S.data, S.indices, S.indptr, b, out,
                legend=S.legend + "; B is b; C is out")
    try:
        call.check(CHECK_ZERO_DIVISOR)
    except OperandError as error:
        if error.code == _native.ERROR_NAMES[ERR_STRUCTURE] and not T.has_sorted_indices:
            raise OperandError(f"{error.args[0]}; T's indices are not sorted, and "
                               "T.sort_indices() may put every divisor in place", error.code) \
                from None
        raise
    call.run(scheme)
    return out


def version(scheme="fused"):
    """The version tag of the library behind ``scheme``."""
    return _native.version(_scheme(scheme, "spkernels.version"))
