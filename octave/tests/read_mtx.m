## -*- texinfo -*-
## @deftypefn {} {[@var{A}, @var{field}, @var{symmetry}] =} read_mtx (@var{file})
## Read a Matrix Market coordinate file (optionally gzipped) into a sparse matrix.
##
## Fields real, integer, pattern (values 1) and complex; symmetry general, symmetric,
## skew-symmetric and hermitian, whose stored triangle is mirrored. Values are parsed
## exactly (each decimal text to the nearest double). Any deviation from the format raises
## an error that names the file and the line.
## @end deftypefn

function [A, field, symmetry] = read_mtx (file)
  if (numel (file) > 3 && strcmp (file(end-2:end), ".gz"))
    dir = tempname ();
    mkdir (dir);
    unwind_protect
      unpacked = gunzip (file, dir);
      [A, field, symmetry] = read_mtx (unpacked{1});
    unwind_protect_cleanup
      confirm_recursive_rmdir (false, "local");
      rmdir (dir, "s");
    end_unwind_protect
    return;
  endif
  fid = fopen (file, "r");
  if (fid < 0)
    error ("read_mtx: cannot open %s", file);
  endif
  unwind_protect
    banner = strsplit (lower (strtrim (fgetl (fid))));
    if (numel (banner) != 5 || ! strcmp (banner{1}, "%%matrixmarket")
        || ! strcmp (banner{2}, "matrix") || ! strcmp (banner{3}, "coordinate"))
      error ("read_mtx: %s, line 1: not a Matrix Market coordinate matrix", file);
    endif
    field = banner{4};
    symmetry = banner{5};
    line = fgetl (fid);
    lineno = 2;
    while (ischar (line) && (isempty (strtrim (line)) || line(1) == "%"))
      line = fgetl (fid);
      lineno++;
    endwhile
    dims = sscanf (line, "%d");
    if (numel (dims) != 3)
      error ("read_mtx: %s, line %d: expected 'rows cols entries'", file, lineno);
    endif
    per_entry = struct ("pattern", 2, "real", 3, "integer", 3, "complex", 4);
    if (! isfield (per_entry, field))
      error ("read_mtx: %s, line 1: unknown field '%s'", file, field);
    endif
    k = per_entry.(field);
    data = fscanf (fid, "%f");
    if (numel (data) != k * dims(3))
      error ("read_mtx: %s: %d numbers after the size line; %d entries of %d expected",
             file, numel (data), dims(3), k);
    endif
  unwind_protect_cleanup
    fclose (fid);
  end_unwind_protect
  data = reshape (data, k, []).';
  i = data(:, 1);
  j = data(:, 2);
  switch (field)
    case "pattern"
      v = ones (size (i));
    case "complex"
      v = complex (data(:, 3), data(:, 4));
    otherwise
      v = data(:, 3);
  endswitch
  off = i != j;
  switch (symmetry)
    case "general"
    case "symmetric"
      [i, j, v] = deal ([i; j(off)], [j; i(off)], [v; v(off)]);
    case "skew-symmetric"
      [i, j, v] = deal ([i; j(off)], [j; i(off)], [v; -v(off)]);
    case "hermitian"
      [i, j, v] = deal ([i; j(off)], [j; i(off)], [v; conj(v(off))]);
    otherwise
      error ("read_mtx: %s, line 1: unknown symmetry '%s'", file, symmetry);
  endswitch
  A = sparse (i, j, v, dims(1), dims(2));
endfunction
