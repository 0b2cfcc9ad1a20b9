"""Loading of the built libraries and typed calls of the kernels and their operand checks.

Three shared objects are used:
  spkernels_powerpc.so    every kernel, multiply-add pairs fused   (scheme "fused")
  spkernels_separate.so   every kernel, each operation rounded     (scheme "separate")
  libspkernels_check.so   one operand check for each kernel

Where they are found:
  1. the directory named by the environment variable SPKERNELS_LIB_DIR, which must hold all three;
  2. otherwise the paths recorded in the module ``_locations``, which the build writes next to
     this file (build tree and installed copy alike).
Nothing else is searched.
"""

import ctypes
import os

import numpy as np

ENV_LIB_DIR = "SPKERNELS_LIB_DIR"
FILE_NAMES = {
    "fused": "spkernels_powerpc.so",
    "separate": "spkernels_separate.so",
    "check": "libspkernels_check.so",
}
SCHEMES = ("fused", "separate")

# Error codes of the checker.
OK = 0
ERROR_NAMES = {
    1: "SPK_ERR_DIMENSION",
    2: "SPK_ERR_APTR",
    3: "SPK_ERR_INDEX",
    4: "SPK_ERR_LENGTH",
    5: "SPK_ERR_OVERLAP",
    6: "SPK_ERR_STRUCTURE",
    7: "SPK_ERR_ZERO_DIVISOR",
    8: "SPK_ERR_NULL",
}
ERR_STRUCTURE = 6
CHECK_ZERO_DIVISOR = 1

# Parameter lists of the kernels, one letter a parameter:
#   i  32-bit signed integer      a  double by value
#   D  array of doubles           I  array of 32-bit signed integers
SIGNATURES = {
    "CSC_VecMult_CAB_double": "iiDIIDD",
    "CSR_VecMult_CAB_double": "iiDIIDD",
    "CSC_VecMult_CaABC_double": "iiaDIIDD",
    "CSR_VecMult_CaABC_double": "iiaDIIDD",
    "CSC_CmplxVecMult_CAB_double": "iiDDIIDDDD",
    "CSR_CmplxVecMult_CAB_double": "iiDDIIDDDD",
    "CSRsymm_VecMult_CAB_double": "iiDIIDD",
    "CSRsymm_CmplxVecMult_CAB_double": "iiDDIIDDDD",
    "CSC_MatMult_CAB_double": "iiiDIIDiD",
    "CSC_VecTriangSlvLD_CAB_double": "iDIIDD",
    "CSC_VecTriangSlvUD_CAB_double": "iDIIDD",
    "CSR_VecTriangSlvLD_CAB_double": "iDIIDD",
    "CSR_VecTriangSlvUD_CAB_double": "iDIIDD",
}

_SCALAR_TYPES = {"i": ctypes.c_int32, "a": ctypes.c_double}
_ARRAY_DTYPES = {"D": np.dtype(np.float64), "I": np.dtype(np.int32)}


class OperandError(ValueError):
    """An operand that breaks a precondition of the kernel it was meant for.

    ``code`` is the checker's error name, e.g. "SPK_ERR_INDEX"; the message is the checker's,
    followed by the kernel and by what its array names stand for in the call.
    """

    def __init__(self, message, code):
        super().__init__(message)
        self.code = code


def library_paths():
    """The paths of the three libraries, by role ("fused", "separate", "check")."""
    directory = os.environ.get(ENV_LIB_DIR)
    if directory:
        return {role: os.path.join(directory, name) for role, name in FILE_NAMES.items()}
    try:
        from . import _locations
    except ImportError:
        raise OSError(
            "spkernels: this copy of the package does not know where the libraries are (no "
            "_locations.py next to it); use the copy in <build>/python or the installed one, or "
            f"set {ENV_LIB_DIR} to a directory that holds "
            + ", ".join(FILE_NAMES.values())) from None
    return _locations.paths()


_loaded = {}


def _load(role):
    library = _loaded.get(role)
    if library is None:
        path = library_paths()[role]
        if not os.path.isfile(path):
            raise OSError(f"spkernels: the {role} library {path} does not exist (build it, or set "
                          f"{ENV_LIB_DIR} to a directory that holds {FILE_NAMES[role]})")
        library = _loaded[role] = ctypes.CDLL(path)
    return library


def _function(library, name, restype, argtypes):
    function = getattr(library, name)
    function.restype = restype
    function.argtypes = argtypes
    return function


def version(scheme):
    library = _load(scheme)
    function = _function(library, "mexVersion", ctypes.c_char_p, [])
    return function().decode("ascii")


def _kernel_argtypes(signature):
    return [_SCALAR_TYPES.get(letter, ctypes.c_void_p) for letter in signature]


def _check_argtypes(signature):
    types = []
    for letter in signature:
        if letter in _ARRAY_DTYPES:
            types += [ctypes.c_void_p, ctypes.c_size_t]
        else:
            types.append(_SCALAR_TYPES[letter])
    return types + [ctypes.c_uint, ctypes.c_char_p, ctypes.c_size_t]


def _arguments(name, args, with_lengths):
    signature = SIGNATURES[name]
    if len(args) != len(signature):
        raise AssertionError(f"{name} takes {len(signature)} parameters, {len(args)} given")
    converted = []
    for letter, value in zip(signature, args):
        if letter in _ARRAY_DTYPES:
            # Internal invariant: the public layer hands over only exact, contiguous arrays.
            if value.dtype != _ARRAY_DTYPES[letter] or not value.flags.c_contiguous:
                raise AssertionError(f"{name}: array of the wrong kind reached the call")
            converted.append(value.ctypes.data if value.size else None)
            if with_lengths:
                converted.append(value.size)
        else:
            converted.append(value)
    return converted


class Call:
    """One intended kernel call: its name and its arguments in the kernel's order (arrays as
    numpy arrays). ``check`` runs the operand check; ``run`` runs the kernel."""

    def __init__(self, name, *args, legend=""):
        self.name = name
        self.args = args
        self.legend = legend

    def check(self, flags=0):
        library = _load("check")
        function = _function(library, "spk_check_" + self.name, ctypes.c_int,
                             _check_argtypes(SIGNATURES[self.name]))
        message = ctypes.create_string_buffer(512)
        code = function(*_arguments(self.name, self.args, True), flags, message, len(message))
        if code != OK:
            text = message.value.decode("utf-8", "replace")
            detail = f"kernel {self.name}"
            if self.legend:
                detail += "; " + self.legend
            raise OperandError(f"{text} ({detail})", ERROR_NAMES.get(code, f"code {code}"))

    def run(self, scheme):
        library = _load(scheme)
        function = _function(library, self.name, None, _kernel_argtypes(SIGNATURES[self.name]))
        function(*_arguments(self.name, self.args, False))
