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

%!function b = bits (v)
%!  b = typecast (v(:), "uint64");
%!endfunction

%!function expect_errors (cases)
%!  for i = 1:rows (cases)
%!    try
%!      cases{i, 3} ();
%!      error ("case %d (%s) raised no error", i, cases{i, 2});
%!    catch err
%!      assert (err.identifier, ["spkernels:" cases{i, 1}]);
%!      assert (! isempty (regexp (err.message, ["^spk_solve: " cases{i, 2}], "once")),
%!              sprintf ("case %d: %s", i, err.message));
%!    end_try_catch
%!  endfor
%!endfunction

## A random well conditioned lower triangular matrix: nonzero diagonal, random entries below.
%!function L = random_lower (n)
%!  L = tril (sprandn (n, n, 0.2), -1) + spdiags (2 + rand (n, 1), 0, n, n);
%!endfunction

%!test
%! L = sparse ([2 0 0; 1 4 0; 3 -1 5]);
%! U = sparse ([2 1 3; 0 4 -1; 0 0 5]);
%! for scheme = {"fused", "separate"}
%!   assert (spk_solve (L, [2; 5; 12], "lower", scheme{1}), [1; 1; 2]);
%!   assert (spk_solve (U, [9; 2; 10], "upper", scheme{1}), [1; 1; 2]);
%!   assert (spk_solve (U.', [9; 2; 10], "lower", "transpose", scheme{1}), [1; 1; 2]);   # U*x
%!   assert (spk_solve (L.', [2; 5; 12], "upper", "transpose", scheme{1}), [1; 1; 2]);   # L*x
%! endfor
%! assert (size (spk_solve (sparse (0, 0), zeros (0, 1), "lower")), [0 1]);

## The column-compressed solves subtract in the order of Octave's own T\b: equal bits with
## separate rounding. The row-compressed ones (T.'\b) sum in another order, and the fused
## ones round otherwise: a tight bound there.
%!test
%! rand ("state", 15); randn ("state", 15);
%! for t = 1:40
%!   n = randi ([1 50]);
%!   L = random_lower (n); U = random_lower (n).';
%!   b = randn (n, 1);
%!   assert (bits (spk_solve (L, b, "lower", "separate")), bits (L \ b));
%!   assert (bits (spk_solve (U, b, "upper", "separate")), bits (U \ b));
%!   tol = 64 * n * eps;
%!   for scheme = {"fused", "separate"}
%!     s = scheme{1};
%!     assert (spk_solve (L, b, "lower", s), L \ b, -tol);
%!     assert (spk_solve (U, b, "upper", s), U \ b, -tol);
%!     assert (spk_solve (L, b, "lower", "transpose", s), L.' \ b, -tol);
%!     assert (spk_solve (U, b, "upper", "transpose", s), U.' \ b, -tol);
%!   endfor
%! endfor

## An exact cancellation in a column-compressed update: -0 fused, +0 separate.
%!test
%! T = sparse ([1 0; 1 1]);
%! assert (bits (spk_solve (T, [1; 1], "lower")), bits ([1; -0]));
%! assert (bits (spk_solve (T, [1; 1], "lower", "separate")), bits ([1; 0]));

%!error <Invalid call> spk_solve (speye (2), [1; 2])

%!test
%! L = sparse ([2 0 0; 1 4 0; 3 -1 5]);
%! expect_errors ({
%!   "badArgument", "the third argument must be 'lower' or 'upper'", @() spk_solve (L, [1; 2; 3], "diagonal")
%!   "badArgument", "the third argument must be 'lower' or 'upper'", @() spk_solve (L, [1; 2; 3], 1)
%!   "badArgument", "T must be square, not 2-by-3", @() spk_solve (sparse (2, 3), [1; 2], "lower")
%!   "badArgument", "T must be real", @() spk_solve (L * 1i, [1; 2; 3], "lower")
%!   "badArgument", "b must be real", @() spk_solve (L, [1; 2; 3i], "lower")
%!   "badArgument", "b must be 3-by-1, not 2-by-1", @() spk_solve (L, [1; 2], "lower")
%!   "badArgument", "T must be a sparse double matrix, not a 3-by-3 double", @() spk_solve (full (L), [1; 2; 3], "lower")
%!   "badArgument", "unknown option 'conjugate'", @() spk_solve (L, [1; 2; 3], "lower", "conjugate")
%!   "badOperand", "Aind\\[1\\] = 0 is the first entry of column 1 but not its diagonal.*CSC_VecTriangSlvLD_CAB_double", @() spk_solve (L.', [1; 2; 3], "lower")
%!   "badOperand", "Aind\\[2\\] = 2 is the last entry of column 0 but not its diagonal.*CSC_VecTriangSlvUD_CAB_double", @() spk_solve (L, [1; 2; 3], "upper")
%!   "badOperand", "Aind\\[1\\] = 1 in row 0 is not left of the diagonal.*CSR_VecTriangSlvLD_CAB_double", @() spk_solve (L, [1; 2; 3], "upper", "transpose")
%!   "badOperand", "Aind\\[1\\] = 0 is the first entry of row 1 but not its diagonal.*CSR_VecTriangSlvUD_CAB_double", @() spk_solve (L.', [1; 2; 3], "lower", "transpose")
%!   "badOperand", "Aptr\\[1\\] = Aptr\\[2\\] = 2: column 1 stores no entry", @() spk_solve (sparse ([1 0; 1 0]), [1; 2], "lower")
%!   "badOperand", "row 1 stores no entry with column index 1", @() spk_solve (sparse ([1 1; 0 0]), [1; 2], "upper", "transpose")
%! });
