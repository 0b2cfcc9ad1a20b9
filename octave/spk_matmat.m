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
