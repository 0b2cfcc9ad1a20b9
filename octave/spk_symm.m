## -*- texinfo -*-
## @deftypefn  {} {@var{y} =} spk_symm (@var{U}, @var{x})
## @deftypefnx {} {@var{y} =} spk_symm (@var{U}, @var{x}, @var{scheme})
## The product @code{S * @var{x}} of the symmetric matrix @var{S} whose diagonal and upper
## triangle the sparse matrix @var{U} holds, reproducible to the last bit.
##
## @var{U} is a square sparse double matrix, real or complex; @var{x} a full double column
## vector with @code{rows (@var{U})} elements. Entries of @var{U} below the diagonal are
## ignored, so @var{U} may also be the whole of @var{S}. A stored entry @code{U(i,j)} above
## the diagonal stands for both @code{S(i,j)} and @code{S(j,i)}. A complex @var{U} is complex
## symmetric: the mirrored entry is @code{U(i,j)} itself, never its conjugate (for a
## Hermitian matrix, use @code{spk_mtimes} on the whole matrix).
##
## The row-compressed symmetric kernel reads the rows of @var{U}; Octave keeps @var{U} by
## columns, and the row arrays of @var{U} are the column arrays of @code{@var{U}.'}, so this
## function hands @code{@var{U}.'} to the kernel (the transpose moves entries, it does no
## arithmetic). Row i of @var{U} is taken in ascending column: its diagonal entry adds
## @code{U(i,i) * x(i)} into @code{y(i)}, and each entry right of the diagonal adds
## @code{U(i,j) * x(i)} into @code{y(j)} and then @code{U(i,j) * x(j)} into @code{y(i)}.
## Every element of @var{y} so takes its terms in the order of Octave's own
## @code{S * @var{x}}.
##
## @var{scheme} is "fused" (the default) or "separate", as for @code{spk_mtimes}. Errors are
## raised as by @code{spk_mtimes}.
##
## Example:
## @example
## U = sparse ([2 1; 0 3]);             # S = [2 1; 1 3]
## spk_symm (U, [1; 2])                 # [4; 7]
## @end example
## @seealso{spk_mtimes}
## @end deftypefn

function y = spk_symm (U, x, varargin)
  if (nargin < 2)
    print_usage ();
  endif
  scheme = spk_options ("spk_symm", {}, varargin);
  if (iscomplex (U) || iscomplex (x))
    kernel = "CSRsymm_CmplxVecMult_CAB_double";
  else
    kernel = "CSRsymm_VecMult_CAB_double";
  endif
  if (issparse (U))
    U = U.';
  endif
  y = spk_call (kernel, scheme, U, x);
endfunction

%!function b = bits (v)
%!  b = typecast ([real(v(:)); imag(v(:))], "uint64");
%!endfunction

%!function expect_errors (cases)
%!  for i = 1:rows (cases)
%!    try
%!      cases{i, 3} ();
%!      error ("case %d (%s) raised no error", i, cases{i, 2});
%!    catch err
%!      assert (err.identifier, ["spkernels:" cases{i, 1}]);
%!      assert (! isempty (regexp (err.message, ["^spk_symm: " cases{i, 2}], "once")),
%!              sprintf ("case %d: %s", i, err.message));
%!    end_try_catch
%!  endfor
%!endfunction

%!test
%! assert (spk_symm (sparse ([2 1; 0 3]), [1; 2]), [4; 7]);
%! assert (spk_symm (sparse ([2 1; 1 3]), [1; 2]), [4; 7]);          # lower part ignored
%! ## complex symmetric, never conjugated: the mirror of 2-i is 2-i
%! assert (spk_symm (sparse ([1+1i 2-1i; 0 3]), [1; 1i]), [2+3i; 2+2i]);
%! assert (spk_symm (sparse ([1+1i 2-1i; 0 3]), [1; 1i], "separate"), [2+3i; 2+2i]);
%! ## an entry in the last column reaches the last element by its mirror only
%! assert (spk_symm (sparse (1, 3, 5, 3, 3), [1; 2; 3]), [15; 0; 5]);

## Element r takes its terms from rows i < r by the mirror, in ascending i, then from row r
## in ascending column: the order of Octave's own S*x, column by column. Equal bits with
## separate rounding, real and complex symmetric, with and without the lower part stored.
%!test
%! rand ("state", 13); randn ("state", 13);
%! for t = 1:40
%!   n = randi ([0 40]);
%!   n += n == 1;                            # a 1-by-1 matrix is a scalar to Octave
%!   U = triu (sprandn (n, n, 0.2));
%!   if (mod (t, 2))
%!     U = U + 1i * spfun (@(v) randn (size (v)), U);
%!   endif
%!   S = U + triu (U, 1).';
%!   x = randn (n, 1) + (mod (t, 4) == 0) * 1i * randn (n, 1);
%!   assert (bits (spk_symm (U, x, "separate")), bits (S * x));
%!   assert (bits (spk_symm (S, x, "separate")), bits (S * x));
%!   k = max ([full(sum (S != 0, 2)); 0]) + 1;
%!   assert (all (abs (spk_symm (U, x) - S * x) <= 2 * k * eps * (abs (S) * abs (x))));
%! endfor

## Row 1 adds its mirrored -1 * x(1) into y(2), row 2 then adds b * a to it, fused: -2^-60.
%!test
%! a = 1 + 2^-30; b = 1 - 2^-30;
%! U = sparse ([0 -1; 0 b]);
%! assert (spk_symm (U, [1; a]), [-a; -2^-60]);
%! assert (spk_symm (U, [1; a], "separate"), [-a; 0]);

%!test
%! expect_errors ({
%!   "badArgument", "U must be square, not 2-by-3", @() spk_symm (sparse (2, 3), [1; 2])
%!   "badArgument", "U must be a sparse double matrix, not a 2-by-2 double", @() spk_symm (eye (2), [1; 2])
%!   "badArgument", "x must be 2-by-1, not 3-by-1", @() spk_symm (speye (2), [1; 2; 3])
%!   "badArgument", "x must be a full double column vector, not a 2-by-1 sparse double", @() spk_symm (speye (2), sparse ([1; 2]))
%!   "badArgument", "'transpose' is not an option here", @() spk_symm (speye (2), [1; 2], "transpose")
%! });
