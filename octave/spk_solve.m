## -*- texinfo -*-
## @deftypefn  {} {@var{x} =} spk_solve (@var{T}, @var{b}, "lower")
## @deftypefnx {} {@var{x} =} spk_solve (@var{T}, @var{b}, "upper")
## @deftypefnx {} {@var{x} =} spk_solve (@dots{}, "transpose")
## @deftypefnx {} {@var{x} =} spk_solve (@dots{}, @var{scheme})
## Solve the triangular system @code{@var{T} * @var{x} = @var{b}}, reproducibly to the last
## bit.
##
## @var{T} is a real square sparse double matrix, lower or upper triangular as the third
## argument says, with every diagonal entry stored and nonzero; @var{b} is a real full double
## column vector with @code{rows (@var{T})} elements.
##
## The solve runs column by column (column-compressed kernels). "lower": for each column j in
## ascending order, @code{x(j)} is divided by @code{T(j,j)}, the column's first stored entry,
## and @code{x(j) * T(r,j)} is subtracted from @code{x(r)} for each entry below it. "upper":
## the columns in descending order, the divisor being the column's last stored entry.
## Octave keeps every column in ascending row order, so the diagonal stands where the solve
## looks for it whenever @var{T} is triangular.
##
## With "transpose", the system is @code{@var{T}.' * @var{x} = @var{b}} (never conjugated),
## solved by the row-compressed kernels: Octave keeps @var{T} by columns, and the column
## arrays of @var{T} are the row arrays of @code{@var{T}.'}. "lower" and "upper" still describe
## @var{T}, so a lower @var{T} gives an upper @code{@var{T}.'}, solved row by row from the
## last: @code{x(j)} is @code{(b(j) - s) / T(j,j)}, where s sums the products of the solved
## components with the other entries of column j of @var{T}, in ascending row.
##
## @var{scheme} is "fused" (the default: each product is rounded once together with the
## subtraction or addition that takes it) or "separate" (every operation rounded on its own).
## In the column-compressed solves a fused update that cancels exactly gives -0 where the
## separate one gives +0.
##
## A @var{T} that is not of the stated form (an entry on the wrong side of the diagonal, a
## diagonal entry missing) raises @code{spkernels:badOperand} with the operand checker's
## message; bad arguments raise @code{spkernels:badArgument}.
##
## Example:
## @example
## L = sparse ([2 0 0; 1 4 0; 3 -1 5]);
## spk_solve (L, [2; 5; 12], "lower")                 # [1; 1; 2]
## spk_solve (L, [9; 2; 10], "lower", "transpose")    # L.' \ [9; 2; 10]
## @end example
## @seealso{spk_mtimes}
## @end deftypefn

function x = spk_solve (T, b, shape, varargin)
  if (nargin < 3)
    print_usage ();
  endif
  if (! ischar (shape) || ! any (strcmpi (shape, {"lower", "upper"})))
    error ("spkernels:badArgument",
           "spk_solve: the third argument must be 'lower' or 'upper'");
  endif
  [scheme, transpose] = spk_options ("spk_solve", {"transpose"}, varargin);
  lower_T = strcmpi (shape, "lower");
  if (transpose)
    ## The kernel sees T.', which is upper when T is lower.
    layout = "CSR";
    lower_system = ! lower_T;
  else
    layout = "CSC";
    lower_system = lower_T;
  endif
  if (lower_system)
    kernel = [layout "_VecTriangSlvLD_CAB_double"];
  else
    kernel = [layout "_VecTriangSlvUD_CAB_double"];
  endif
  x = spk_call (kernel, scheme, T, b);
endfunction
