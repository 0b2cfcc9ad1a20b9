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
%!      assert (! isempty (regexp (err.message, ["^spk_mtimes_add: " cases{i, 2}], "once")),
%!              sprintf ("case %d: %s", i, err.message));
%!    end_try_catch
%!  endfor
%!endfunction

%!test
%! A = sparse ([1 0; 2 3]);
%! y = [10; 20];
%! assert (spk_mtimes_add (A, [1; 1], y, 2), [12; 30]);
%! assert (spk_mtimes_add (A, [1; 1], y, 2, "transpose"), [16; 26]);
%! assert (y, [10; 20]);

## From y = 0 the terms (a*x(j))*A(r,j) are summed as Octave sums A*(a*x): equal bits with
## separate rounding, in both layouts. From any y, a tight bound around y + a*(A*x).
%!test
%! rand ("state", 12); randn ("state", 12);
%! for t = 1:40
%!   m = randi ([0 30]); n = randi ([2 30]);       # (a 1-by-1 A is a scalar to Octave)
%!   A = sprandn (m, n, 0.2); a = randn ();
%!   x = randn (n, 1); xt = randn (m, 1);
%!   assert (bits (spk_mtimes_add (A, x, zeros (m, 1), a, "separate")), bits (A * (a * x)));
%!   assert (bits (spk_mtimes_add (A, xt, zeros (n, 1), a, "separate", "transpose")),
%!           bits (A.' * (a * xt)));
%!   y = randn (m, 1); yt = randn (n, 1);
%!   k = max ([full(sum (A != 0, 2)); full(sum (A != 0, 1))'; 0]) + 2;
%!   for scheme = {"fused", "separate"}
%!     z = spk_mtimes_add (A, x, y, a, scheme{1});
%!     assert (all (abs (z - (y + a * (A * x))) <= k * eps * (abs (y) + abs (A) * abs (a * x))));
%!     z = spk_mtimes_add (A, xt, yt, a, scheme{1}, "transpose");
%!     assert (all (abs (z - (yt + a * (A.' * xt))) <= k * eps * (abs (yt) + abs (A.') * abs (a * xt))));
%!   endfor
%! endfor

## The scale is rounded alone, the product with the stored value fused with the sum:
## a*x = 1 + 2^-30 exactly, times 1 - 2^-30, minus 1. The row-compressed kernel fuses into
## its row sum, which it adds to y on its own.
%!test
%! A = sparse ([1 - 2^-30]);
%! assert (spk_mtimes_add (A, 0.5 + 2^-31, -1, 2), -2^-60);
%! assert (spk_mtimes_add (A, 0.5 + 2^-31, -1, 2, "separate"), 0);
%! At = sparse ([-1; 1 - 2^-30]);
%! assert (spk_mtimes_add (At, [0.5; 0.5 + 2^-31], 0, 2, "transpose"), -2^-60);
%! assert (spk_mtimes_add (At, [0.5; 0.5 + 2^-31], 0, 2, "transpose", "separate"), 0);

## An element that no entry reaches: left alone by the column-compressed kernel (-0 stays
## -0); rewritten as 0 + y(j) by the row-compressed one (-0 becomes +0).
%!test
%! A = sparse ([1 0; 0 0]);
%! assert (bits (spk_mtimes_add (A, [1; 1], [1; -0], 3)), bits ([4; -0]));
%! assert (bits (spk_mtimes_add (A, [1; 1], [1; -0], 3, "transpose")), bits ([4; 0]));

%!error <Invalid call> spk_mtimes_add (speye (2), [1; 2], [1; 2])

%!test
%! expect_errors ({
%!   "badArgument", "A must be real; this operation has no complex kernel", @() spk_mtimes_add (speye (2) * 1i, [1; 2], [0; 0], 1)
%!   "badArgument", "x must be real", @() spk_mtimes_add (speye (2), [1; 2i], [0; 0], 1)
%!   "badArgument", "y must be real", @() spk_mtimes_add (speye (2), [1; 2], [0; 1i], 1)
%!   "badArgument", "y must be 3-by-1, not 2-by-1", @() spk_mtimes_add (sparse (3, 2), [1; 2], [0; 0], 1)
%!   "badArgument", "y must be 2-by-1, not 3-by-1", @() spk_mtimes_add (sparse (3, 2), [1; 2; 3], [0; 0; 0], 1, "transpose")
%!   "badArgument", "x must be 2-by-1, not 3-by-1", @() spk_mtimes_add (sparse (3, 2), [1; 2; 3], [0; 0; 0], 1)
%!   "badArgument", "a must be a real double scalar, not a 1-by-2 double", @() spk_mtimes_add (speye (2), [1; 2], [0; 0], [1 2])
%!   "badArgument", "a must be a real double scalar, not a 1-by-1 complex double", @() spk_mtimes_add (speye (2), [1; 2], [0; 0], 1i)
%!   "badArgument", "a must be a real double scalar, not a 1-by-1 int32", @() spk_mtimes_add (speye (2), [1; 2], [0; 0], int32 (1))
%!   "badArgument", "unknown option 'lower'", @() spk_mtimes_add (speye (2), [1; 2], [0; 0], 1, "lower")
%!   "tooLarge", "A has 2147483648 rows", @() spk_mtimes_add (sparse (2^31, 1), 1, zeros (2^31, 0), 1, "transpose")
%! });
