## -*- texinfo -*-
## @deftypefn  {} {@var{tag} =} spk_version ()
## @deftypefnx {} {@var{tag} =} spk_version (@var{scheme})
## The version tag of the kernel library behind @var{scheme}: "MATLAB R13 native" for
## "fused" (the default), "MATLAB R14 native" for "separate".
##
## Loading the library is what this checks: a library that cannot be found or loaded raises
## @code{spkernels:libraryNotFound}, naming the path tried.
## @seealso{spk_mtimes}
## @end deftypefn

function tag = spk_version (varargin)
  scheme = spk_options ("spk_version", {}, varargin);
  tag = spk_call ("mexVersion", scheme);
endfunction
