## -*- texinfo -*-
## @deftypefn {} {@var{result} =} spk_call (@var{kernel}, @var{scheme}, @dots{})
## Call the gateway and pass on its errors under the caller's own name.
##
## Octave prefixes the message of an error raised inside a MEX file with the MEX file's
## name; the messages of the gateway already name the spk_* function the user called, so the
## prefix is taken off and the error raised again with its identifier.
## @end deftypefn

function result = spk_call (varargin)
  try
    result = spkernels_gateway (varargin{:});
  catch err
    error (err.identifier, "%s", regexprep (err.message, '^spkernels_gateway: ', ''));
  end_try_catch
endfunction
