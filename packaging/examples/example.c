/* y = A x for a 2 x 2 matrix held by rows, after the checker has passed the operand. */
#include <stdio.h>

#include <spkernels/check.h>
#include <spkernels/spkernels.h>

int main(void) {
  /* A = [[1, 2], [0, 3]]: row i holds the entries at positions Aptr[i] .. Aptr[i+1] - 1 */
  const int32_t Aptr[] = {0, 2, 3}, Aind[] = {0, 1, 1};
  const double Aval[] = {1, 2, 3}, x[] = {1, 1};
  double y[2];
  char message[256];
  int rc = spk_check_CSR_VecMult_CAB_double(2, 2, Aval, 3, Aind, 3, Aptr, 3, x, 2, y, 2, 0,
                                            message, sizeof message);
  if (rc != SPK_OK) {
    fprintf(stderr, "%s: %s\n", spk_check_error_name(rc), message);
    return 1;
  }
  CSR_VecMult_CAB_double(2, 2, Aval, Aind, Aptr, x, y);
  printf("%s: y = [%g, %g]\n", mexVersion(), y[0], y[1]);
  return 0;
}
