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

%!assert (spk_version (), "MATLAB R13 native")
%!assert (spk_version ("fused"), "MATLAB R13 native")
%!assert (spk_version ("separate"), "MATLAB R14 native")

## SPKERNELS_LIB_DIR is read at every call: a folder without the libraries is named in the
## error, and unsetting it brings back the build's own.
%!test
%! old = getenv ("SPKERNELS_LIB_DIR");
%! unwind_protect
%!   dir = tempname ();
%!   setenv ("SPKERNELS_LIB_DIR", dir);
%!   try
%!     spk_version ("separate");
%!     error ("no error raised");
%!   catch err
%!     assert (err.identifier, "spkernels:libraryNotFound");
%!     assert (strncmp (err.message, ["spkernels: cannot load the separate kernels from " dir "/spkernels_separate.so"], 60 + numel (dir)));
%!   end_try_catch
%! unwind_protect_cleanup
%!   setenv ("SPKERNELS_LIB_DIR", old);
%! end_unwind_protect
%! assert (spk_version ("separate"), "MATLAB R14 native");

%!error <spk_version: 'transpose' is not an option here> spk_version ("transpose")
%!error <spk_version: unknown option 'double'> spk_version ("double")
%!error <spk_version: the rounding scheme is given twice> spk_version ("fused", "fused")
