## -*- texinfo -*-
## @deftypefn {} {@var{status} =} readme_example (@var{readme}, @var{dir})
## Run the Octave example of @var{readme} as it is written, with its folder "build/octave"
## taken as @var{dir}, and check the values that the text after it promises. Returns 0 when
## they hold, 1 otherwise.
## @end deftypefn

function status = readme_example (readme, dir)
  text = fileread (readme);
  block = regexp (text, '```octave\n(.*?)```', "tokens", "once");
  if (isempty (block))
    printf ("%s has no octave example\n", readme);
    status = 1;
    return;
  endif
  code = strrep (block{1}, '"build/octave"', ['"' dir '"']);
  eval (code);
  want = {"y", [1; 5]; "yt", [3; 3]; "z", [12; 30]; "w", [4; 7]; "C", [1 2; 11 16];
          "x", [1; 1]; "tag", "MATLAB R13 native"};
  status = 0;
  for i = 1:rows (want)
    got = eval (want{i, 1});
    if (! isequal (got, want{i, 2}))
      printf ("the example's %s is %s, not %s\n", want{i, 1}, mat2str (got), mat2str (want{i, 2}));
      status = 1;
    endif
  endfor
endfunction
