## -*- texinfo -*-
## @deftypefn  {} {@var{y} =} spk_mtimes (@var{A}, @var{x})
## @deftypefnx {} {@var{y} =} spk_mtimes (@var{A}, @var{x}, "transpose")
## @deftypefnx {} {@var{y} =} spk_mtimes (@dots{}, @var{scheme})
## The product @code{@var{A} * @var{x}} of a sparse matrix and a column vector, reproducible
## to the last bit.
##
## @var{A} is a sparse double matrix, real or complex; @var{x} a full double column vector,
## real or complex, with @code{columns (@var{A})} elements. @var{y} is a full column vector
## with @code{rows (@var{A})} elements.
##
## The product runs column by column (column-compressed kernels): every stored entry
## @code{A(r,j)} adds @code{x(j) * A(r,j)} into @code{y(r)} at once, in ascending column and,
## within a column, ascending row. A complex term @code{(x + iy)(a + ib)} is formed as
## @code{x*a - y*b} and @code{x*b + y*a}.
##
## With "transpose", @var{y} is @code{@var{A}.' * @var{x}}, never conjugated, from the
## row-compressed kernels: Octave keeps @var{A} by columns, and the column arrays of @var{A}
## are the row arrays of @code{@var{A}.'}, so each element of @var{y} is one sum over a
## column of @var{A}, in ascending row order, added to @var{y} when the column is done.
## @var{x} then has @code{rows (@var{A})} elements and @var{y} @code{columns (@var{A})}.
##
## @var{scheme} chooses the rounding: "fused" (the default; each product is rounded once
## together with the addition that takes it) or "separate" (every operation rounded on its
## own). The results are fixed to the bit for each scheme.
##
## Every operand is checked before the kernel runs. A bad argument raises
## @code{spkernels:badArgument}, a matrix too large for 32-bit indices
## @code{spkernels:tooLarge}, and an operand the kernel cannot take
## @code{spkernels:badOperand}, with the operand checker's message.
##
## Example:
## @example
## A = sparse ([1 0; 2 3]);
## spk_mtimes (A, [1; 1])                  # [1; 5]
## spk_mtimes (A, [1; 1], "transpose")     # A.' * [1; 1] = [3; 3]
## @end example
## @seealso{spk_mtimes_add, spk_symm, spk_matmat, spk_solve, spk_version}
## @end deftypefn

function y = spk_mtimes (A, x, varargin)
  if (nargin < 2)
    print_usage ();
  endif
  [scheme, transpose] = spk_options ("spk_mtimes", {"transpose"}, varargin);
  if (iscomplex (A) || iscomplex (x))
    kernel = "CmplxVecMult_CAB_double";
  else
    kernel = "VecMult_CAB_double";
  endif
  if (transpose)
    kernel = ["CSR_" kernel];
  else
    kernel = ["CSC_" kernel];
  endif
  y = spk_call (kernel, scheme, A, x);
endfunction
