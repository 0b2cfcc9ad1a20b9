"""Which library each scheme loads, and where the libraries are looked for."""

import os
import pathlib
import shutil
import subprocess
import sys

import numpy as np
import scipy.sparse as sp

import spkernels
from spkernels import _native


def test_version_tags():
    assert spkernels.version() == "MATLAB R13 native"
    assert spkernels.version("fused") == "MATLAB R13 native"
    assert spkernels.version(scheme="separate") == "MATLAB R14 native"


def test_the_schemes_round_differently(rng):
    # Full-mantissa values: a fused multiply-add keeps the tail of a product that separate
    # rounding drops, so some elements differ in their last bits, and only there.
    A = sp.random(200, 200, density=0.05, format="csr", random_state=rng,
                  data_rvs=rng.standard_normal)
    x = rng.standard_normal(200)
    fused = spkernels.matvec(A, x, scheme="fused")
    separate = spkernels.matvec(A, x, scheme="separate")
    assert np.any(fused != separate)
    np.testing.assert_allclose(fused, separate, rtol=1e-12, atol=1e-12)


def run_python(code, cwd, **environment):
    env = {key: value for key, value in os.environ.items() if key != _native.ENV_LIB_DIR}
    env.update(environment)
    return subprocess.run([sys.executable, "-c", code], env=env, cwd=cwd, capture_output=True,
                          text=True)


def test_library_directory_from_the_environment(tmp_path):
    # A folder that holds the three libraries under their own names replaces the recorded paths.
    for role, path in _native.library_paths().items():
        os.symlink(path, tmp_path / _native.FILE_NAMES[role])
    done = run_python("import spkernels; print(spkernels.version('separate'))",
                      tmp_path, SPKERNELS_LIB_DIR=str(tmp_path))
    assert done.returncode == 0, done.stderr
    assert done.stdout == "MATLAB R14 native\n"

    os.remove(tmp_path / _native.FILE_NAMES["check"])
    done = run_python("import numpy, scipy.sparse, spkernels\n"
                      "spkernels.matvec(scipy.sparse.eye(2, format='csr'), numpy.ones(2))",
                      tmp_path, SPKERNELS_LIB_DIR=str(tmp_path))
    assert done.returncode != 0
    assert f"the check library {tmp_path / 'libspkernels_check.so'} does not exist" in done.stderr


def test_a_copy_without_recorded_locations(tmp_path):
    # The package sources alone, as in the source tree: import works, a call says what to do.
    source = pathlib.Path(spkernels.__file__).parent
    shutil.copytree(source, tmp_path / "spkernels",
                    ignore=shutil.ignore_patterns("_locations.py", "__pycache__"))
    done = run_python("import spkernels; spkernels.version()", tmp_path,
                      PYTHONPATH=str(tmp_path))
    assert done.returncode != 0
    assert "does not know where the libraries are" in done.stderr
    assert "SPKERNELS_LIB_DIR" in done.stderr
