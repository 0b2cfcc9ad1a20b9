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

## The bits of a real or complex array, real parts first: equal bits, not a tolerance.
%!function b = bits (v)
%!  b = typecast ([real(v(:)); imag(v(:))], "uint64");
%!endfunction

## Each row of cases: the identifier after "spkernels:", a pattern the message must start
## with (after the function's name), and the call.
%!function expect_errors (cases)
%!  for i = 1:rows (cases)
%!    try
%!      cases{i, 3} ();
%!      error ("case %d (%s) raised no error", i, cases{i, 2});
%!    catch err
%!      assert (err.identifier, ["spkernels:" cases{i, 1}]);
%!      assert (! isempty (regexp (err.message, ["^spk_mtimes: " cases{i, 2}], "once")),
%!              sprintf ("case %d: %s", i, err.message));
%!    end_try_catch
%!  endfor
%!endfunction

## A random m-by-n sparse matrix with full 53-bit values, and a few empty rows and columns.
%!function A = random_sparse (m, n, density, complex_values)
%!  A = sprandn (m, n, density);
%!  if (complex_values)
%!    A = A + 1i * spfun (@(v) randn (size (v)), A);
%!  endif
%!endfunction

## The bound of a sum of k rounded terms: k * eps times the sum of magnitudes, by element.
%!function ok = close_to (y, ref, A, x)
%!  k = max ([full(sum (A != 0, 2)); 1]) + 1;
%!  bound = k * eps * (abs (A) * abs (x));
%!  ok = all (abs (y - ref) <= bound);
%!endfunction

%!test
%! A = sparse ([1 0; 2 3]);
%! assert (spk_mtimes (A, [1; 1]), [1; 5]);
%! assert (spk_mtimes (A, [1; 1], "transpose"), [3; 3]);
%! assert (spk_mtimes (sparse (1 + 2i), 3 + 4i), -5 + 10i);
%! ## rows (1+i, 2) and (0, 3i) times (1+2i, 3-i); A.' times the same vector
%! Ac = sparse ([1+1i 2; 0 3i]);
%! assert (spk_mtimes (Ac, [1+2i; 3-1i]), [5+1i; 3+9i]);
%! assert (spk_mtimes (Ac, [1+2i; 3-1i], "transpose", "separate"), Ac.' * [1+2i; 3-1i]);

## With separate rounding the column-compressed product takes the same terms in the same
## order as Octave's own A*x, and the row-compressed one on A's arrays the same as A.'*x:
## equal bits, real and complex, either operand complex, empty rows and columns included.
%!test
%! rand ("state", 11); randn ("state", 11);
%! for t = 1:60
%!   m = randi ([0 40]); n = randi ([2 40]);       # (a 1-by-1 A is a scalar to Octave)
%!   cA = mod (t, 3) == 1; cx = mod (t, 3) == 2;
%!   A = random_sparse (m, n, 0.15, cA);
%!   x = randn (n, 1) + cx * 1i * randn (n, 1);
%!   xt = randn (m, 1) + cx * 1i * randn (m, 1);
%!   assert (bits (spk_mtimes (A, x, "separate")), bits (A * x));
%!   assert (bits (spk_mtimes (A, xt, "transpose", "separate")), bits (A.' * xt));
%!   assert (close_to (spk_mtimes (A, x), A * x, A, x));
%!   assert (close_to (spk_mtimes (A, xt, "transpose"), A.' * xt, A.', xt));
%! endfor

## The fused scheme rounds a product once with its sum: here (1+2^-30)(1-2^-30) - 1 is
## -2^-60 fused and 0 separately, in both layouts.
%!test
%! a = 1 + 2^-30; b = 1 - 2^-30;
%! A = sparse ([-1 b]);
%! assert (spk_mtimes (A, [1; a]), -2^-60);
%! assert (spk_mtimes (A, [1; a], "separate"), 0);
%! assert (spk_mtimes (A.', [1; a], "transpose"), -2^-60);
%! assert (spk_mtimes (A.', [1; a], "transpose", "separate"), 0);
%! assert (spk_mtimes (A, [1; a], "SEPARATE"), 0);

## Empty dimensions: the product of an m-by-0 matrix is m zeros; nothing to compute gives
## an empty column.
%!test
%! assert (bits (spk_mtimes (sparse (3, 0), zeros (0, 1))), bits (zeros (3, 1)));
%! assert (size (spk_mtimes (sparse (3, 0), zeros (3, 1), "transpose")), [0 1]);
%! assert (size (spk_mtimes (sparse (0, 2), zeros (2, 1))), [0 1]);
%! assert (bits (spk_mtimes (sparse (0, 2), zeros (0, 1), "transpose")), bits (zeros (2, 1)));

%!error <Invalid call> spk_mtimes (sparse (1))

## Every refusal: its identifier and the words of its message.
%!test
%! expect_errors ({
%!   "badArgument", "x must be 2-by-1, not 3-by-1", @() spk_mtimes (speye (2), [1; 2; 3])
%!   "badArgument", "x must be 3-by-1, not 2-by-1", @() spk_mtimes (sparse (2, 3), [1; 2])
%!   "badArgument", "x must be 2-by-1, not 3-by-1", @() spk_mtimes (sparse (2, 3), [1; 2; 3], "transpose")
%!   "badArgument", "x must be 2-by-1, not 1-by-2", @() spk_mtimes (speye (2), [1 2])
%!   "badArgument", "x must be a full double column vector, not a 2-by-1 sparse double", @() spk_mtimes (speye (2), sparse ([1; 2]))
%!   "badArgument", "x must be a full double column vector, not a 2-by-1 single", @() spk_mtimes (speye (2), single ([1; 2]))
%!   "badArgument", "x must be a full double column vector, not a 1-by-2 double", @() spk_mtimes (speye (1), ones (1, 1, 2))
%!   "badArgument", "A must be a sparse double matrix, not a 2-by-2 double", @() spk_mtimes (eye (2), [1; 2])
%!   "badArgument", "A must be a sparse double matrix, not a 2-by-2 sparse logical", @() spk_mtimes (speye (2) > 0, [1; 2])
%!   "badArgument", "unknown option 'conjugate'", @() spk_mtimes (speye (2), [1; 2], "conjugate")
%!   "badArgument", "option 1 must be a string", @() spk_mtimes (speye (2), [1; 2], 1)
%!   "badArgument", "the rounding scheme is given twice \\(.fused. and .separate.\\)", @() spk_mtimes (speye (2), [1; 2], "fused", "separate")
%!   "badArgument", "'transpose' is given twice", @() spk_mtimes (speye (2), [1; 2], "transpose", "transpose")
%!   "tooLarge", "A has 2147483648 rows; the kernels take at most 2147483647", @() spk_mtimes (sparse (2^31, 1), 1)
%!   "tooLarge", "A has 2147483648 rows", @() spk_mtimes (sparse (2^31, 1), zeros (2^31, 0), "transpose")
%! });
