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
