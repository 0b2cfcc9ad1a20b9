## -*- texinfo -*-
## @deftypefn  {} {@var{C} =} spk_matmat (@var{A}, @var{B})
## @deftypefnx {} {@var{C} =} spk_matmat (@var{A}, @var{B}, @var{scheme})
## The product @code{@var{A} * @var{B}} of a sparse and a full matrix, reproducible to the
## last bit.
##
## @var{A} is a real sparse double m-by-k matrix, @var{B} a real full double k-by-n matrix;
## @var{C} is full, m-by-n. Each column of @var{C} is formed like @code{spk_mtimes (A, B(:,c))}:
## every stored entry @code{A(r,j)} adds @code{B(j,c) * A(r,j)} into @code{C(r,c)}, in
## ascending column of @var{A} and, within a column, ascending row.
##
## @var{scheme} is "fused" (the default) or "separate", as for @code{spk_mtimes}. There is no
## complex form. Errors are raised as by @code{spk_mtimes}.
##
## Example:
## @example
## A = sparse ([1 0; 0 3; 2 0]);
## spk_matmat (A, [10 30; 20 40])       # [10 30; 60 120; 20 60]
## @end example
## @seealso{spk_mtimes}
## @end deftypefn

function C = spk_matmat (A, B, varargin)
  if (nargin < 2)
    print_usage ();
  endif
  scheme = spk_options ("spk_matmat", {}, varargin);
  C = spk_call ("CSC_MatMult_CAB_double", scheme, A, B);
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
%!      assert (! isempty (regexp (err.message, ["^spk_matmat: " cases{i, 2}], "once")),
%!              sprintf ("case %d: %s", i, err.message));
%!    end_try_catch
%!  endfor
%!endfunction

%!test
%! assert (spk_matmat (sparse ([1 0; 0 3; 2 0]), [10 30; 20 40]), [10 30; 60 120; 20 60]);
%! assert (spk_matmat (sparse ([1 -1 0; 0 2 5]), [1 3; 2 4; 3 5]), [-1 -1; 19 33]);
%! assert (bits (spk_matmat (sparse (2, 0), zeros (0, 3))), bits (zeros (2, 3)));
%! assert (size (spk_matmat (sparse (2, 3), zeros (3, 0))), [2 0]);
%! assert (size (spk_matmat (sparse (0, 3), ones (3, 2))), [0 2]);

## Each column of the product takes the terms of Octave's own A*B in the same order: equal
## bits with separate rounding, for A square, tall and wide. (Not for a 1-by-1 A, which
## Octave multiplies as a scalar: an empty one, 0, times a negative number gives -0.)
%!test
%! rand ("state", 14); randn ("state", 14);
%! for t = 1:30
%!   m = randi ([2 30]); k = randi ([1 30]); n = randi ([0 4]);
%!   if (mod (t, 3) == 0)
%!     k = m;
%!   endif
%!   A = sprandn (m, k, 0.2); B = randn (k, n);
%!   assert (bits (spk_matmat (A, B, "separate")), bits (A * B));
%!   c = max ([full(sum (A != 0, 2)); 0]) + 1;
%!   assert (all (all (abs (spk_matmat (A, B) - A * B) <= c * eps * (abs (A) * abs (B)))));
%! endfor

%!test
%! a = 1 + 2^-30; b = 1 - 2^-30;
%! A = sparse ([-1 b]);
%! assert (spk_matmat (A, [1 0; a 1]), [-2^-60 b]);
%! assert (spk_matmat (A, [1 0; a 1], "separate"), [0 b]);

%!test
%! expect_errors ({
%!   "badArgument", "B must have 2 rows, not 3", @() spk_matmat (sparse (3, 2), ones (3, 2))
%!   "badArgument", "B must be a full double matrix, not a 2-by-2 sparse double", @() spk_matmat (speye (2), speye (2))
%!   "badArgument", "B must be real; this operation has no complex kernel", @() spk_matmat (speye (2), eye (2) * 1i)
%!   "badArgument", "A must be real; this operation has no complex kernel", @() spk_matmat (speye (2) * 1i, eye (2))
%!   "badArgument", "A must be a sparse double matrix, not a 2-by-2 double", @() spk_matmat (eye (2), eye (2))
%!   "badArgument", "'transpose' is not an option here", @() spk_matmat (speye (2), eye (2), "transpose")
%! });
