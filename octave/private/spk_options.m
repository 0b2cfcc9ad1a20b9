## -*- texinfo -*-
## @deftypefn {} {[@var{scheme}, @var{transpose}] =} spk_options (@var{where}, @var{allowed}, @var{options})
## Parse the trailing option strings of the spk_* functions.
##
## @var{options} is a cell array of the caller's trailing arguments. Each is one of
## "fused" or "separate" (the rounding scheme; "fused" when none is given) or, where
## @var{allowed} contains it, "transpose". Anything else, a repeated option or two
## schemes raise spkernels:badArgument naming @var{where}.
## @end deftypefn

function [scheme, transpose] = spk_options (where, allowed, options)
  scheme = "";
  transpose = false;
  for i = 1:numel (options)
    opt = options{i};
    if (! ischar (opt) || ! isrow (opt))
      error ("spkernels:badArgument",
             "%s: option %d must be a string ('fused', 'separate'%s), not a %s",
             where, i, allowed_text (allowed), class (opt));
    endif
    switch (lower (opt))
      case {"fused", "separate"}
        if (! isempty (scheme))
          error ("spkernels:badArgument",
                 "%s: the rounding scheme is given twice ('%s' and '%s')",
                 where, scheme, opt);
        endif
        scheme = lower (opt);
      case "transpose"
        if (! any (strcmp ("transpose", allowed)))
          error ("spkernels:badArgument", "%s: 'transpose' is not an option here", where);
        endif
        if (transpose)
          error ("spkernels:badArgument", "%s: 'transpose' is given twice", where);
        endif
        transpose = true;
      otherwise
        error ("spkernels:badArgument",
               "%s: unknown option '%s' (expected 'fused', 'separate'%s)",
               where, opt, allowed_text (allowed));
    endswitch
  endfor
  if (isempty (scheme))
    scheme = "fused";
  endif
endfunction

function s = allowed_text (allowed)
  s = sprintf (", '%s'", allowed{:});
endfunction
