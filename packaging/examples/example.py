import numpy as np
import scipy.sparse as sp
import spkernels

A = sp.random(300, 200, density=0.05, format="csr", random_state=1)
x = np.linspace(-1.0, 1.0, 200)
y = spkernels.matvec(A, x, scheme="separate")
assert np.array_equal(y, A @ x)  # on x86-64 scipy adds the same terms in the same order

T = (sp.tril(sp.random(300, 300, density=0.02, random_state=2)) + 4 * sp.eye(300)).tocsr()
b = np.ones(300)
spkernels.solve_triangular(T, b, lower=True, out=b)  # in place: b now holds the solution
print(spkernels.version(), np.abs(T @ b - 1.0).max() < 1e-12)

try:
    spkernels.matvec(A, x.astype(np.float32))
except TypeError as error:
    print("refused:", error)
