## -*- texinfo -*-
## @deftypefn  {} {@var{z} =} spk_mtimes_add (@var{A}, @var{x}, @var{y}, @var{a})
## @deftypefnx {} {@var{z} =} spk_mtimes_add (@var{A}, @var{x}, @var{y}, @var{a}, "transpose")
## @deftypefnx {} {@var{z} =} spk_mtimes_add (@dots{}, @var{scheme})
## The scaled accumulation @code{@var{y} + @var{a} * @var{A} * @var{x}}, reproducible to the
## last bit.
##
## @var{A} is a real sparse double matrix, @var{x} and @var{y} are real full double column
## vectors with @code{columns (@var{A})} and @code{rows (@var{A})} elements, and @var{a} is a
## real double scalar. @var{z} has the shape of @var{y}; @var{y} itself is not changed.
##
## The scale is applied to every term before it is added, never to a finished sum: each
## stored entry @code{A(r,j)} adds @code{(a * x(j)) * A(r,j)} straight into @code{z(r)},
## which starts as @code{y(r)}, in ascending column and, within a column, ascending row.
## This is why the result can differ in the last bits from Octave's
## @code{y + a * A * x}, which scales the matrix and adds @var{y} last.
##
## With "transpose", @var{z} is @code{@var{y} + @var{a} * @var{A}.' * @var{x}} from the
## row-compressed kernel: Octave keeps @var{A} by columns, and the column arrays of @var{A}
## are the row arrays of @code{@var{A}.'}. Each column j of @var{A} gives one sum of the
## terms @code{(a * x(r)) * A(r,j)}, in ascending row, which is then added to @code{y(j)}.
## @var{x} then has @code{rows (@var{A})} elements and @var{y} @code{columns (@var{A})}.
##
## @var{scheme} is "fused" (the default: each product with a stored value is rounded once
## together with the addition that takes it; @code{a * x(j)} is rounded on its own) or
## "separate" (every operation rounded on its own).
##
## There is no complex form of this operation. Errors are raised as by @code{spk_mtimes}:
## @code{spkernels:badArgument}, @code{spkernels:tooLarge}, @code{spkernels:badOperand}.
##
## Example:
## @example
## A = sparse ([1 0; 2 3]);
## spk_mtimes_add (A, [1; 1], [10; 20], 2)               # [12; 30]
## spk_mtimes_add (A, [1; 1], [10; 20], 2, "transpose")  # [16; 26]
## @end example
## @seealso{spk_mtimes}
## @end deftypefn

function z = spk_mtimes_add (A, x, y, a, varargin)
  if (nargin < 4)
    print_usage ();
  endif
  [scheme, transpose] = spk_options ("spk_mtimes_add", {"transpose"}, varargin);
  if (transpose)
    kernel = "CSR_VecMult_CaABC_double";
  else
    kernel = "CSC_VecMult_CaABC_double";
  endif
  z = spk_call (kernel, scheme, A, x, y, a);
endfunction
