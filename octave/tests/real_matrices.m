## -*- texinfo -*-
## @deftypefn {} {@var{status} =} real_matrices (@var{dir})
## Run every spk_* function on each Matrix Market file in @var{dir} and compare with
## Octave's own operators.
##
## With separate rounding, these take the same terms in the same order as Octave and must
## give equal bits: spk_mtimes (A*x, and A.'*x with "transpose", real and complex),
## spk_symm (S*x, S built from triu (A) of a square A), spk_matmat (A*B) and the
## column-compressed spk_solve (tril (A) \ b, triu (A) \ b, where the diagonal is full and
## nonzero). Fused results, and the transposed solves (T.' \ b, summed in another order),
## must lie within a tight bound: k * eps times the sum of the magnitudes of the terms, k
## the longest row, for products; the same bound on the residual of a solve.
##
## Returns 0 when every comparison holds, 1 otherwise, and 77 (skipped) when @var{dir}
## does not exist.
## @end deftypefn

function status = real_matrices (dir)
  if (! isfolder (dir))
    printf ("skipped: the matrix folder %s is absent\n", dir);
    status = 77;
    return;
  endif
  files = [glob(fullfile (dir, "*.mtx")); glob(fullfile (dir, "*.mtx.gz"))];
  if (isempty (files))
    printf ("skipped: no Matrix Market files in %s\n", dir);
    status = 77;
    return;
  endif
  warning ("off", "Octave:singular-matrix");
  warning ("off", "Octave:nearly-singular-matrix");
  rand ("state", 21); randn ("state", 21);
  failures = 0;
  for f = 1:numel (files)
    [~, name] = fileparts (regexprep (files{f}, "\\.gz$", ""));
    tic;
    [A, field] = read_mtx (files{f});
    [m, n] = size (A);
    x = randn (n, 1); xt = randn (m, 1);
    if (iscomplex (A))
      x += 1i * randn (n, 1);
      xt += 1i * randn (m, 1);
    endif
    c = struct ("count", 0, "failed", "");
    c = add (c, "A*x", same (spk_mtimes (A, x, "separate"), A * x));
    c = add (c, "A.'*x", same (spk_mtimes (A, xt, "separate", "transpose"), A.' * xt));
    c = add (c, "A*x fused", near (spk_mtimes (A, x), A * x, A, x));
    c = add (c, "A.'*x fused", near (spk_mtimes (A, xt, "transpose"), A.' * xt, A.', xt));
    if (! iscomplex (A))
      B = randn (n, 3);
      c = add (c, "A*B", same (spk_matmat (A, B, "separate"), A * B));
      c = add (c, "A*B fused", near (spk_matmat (A, B), A * B, A, B));
      y = randn (m, 1); a = randn ();
      c = add (c, "y+a*A*x", near (spk_mtimes_add (A, x, y, a, "separate"),
                                  y + a * (A * x), [A, speye(m)], [a * x; y]));
    endif
    if (m == n)
      U = triu (A);
      S = U + triu (U, 1).';
      c = add (c, "S*x", same (spk_symm (U, x, "separate"), S * x));
      c = add (c, "S*x fused", near (spk_symm (U, x), S * x, S, x));
      d = diag (A);
      if (! iscomplex (A) && all (d != 0))
        L = tril (A);
        b = randn (n, 1);
        c = add (c, "L\\b", same (spk_solve (L, b, "lower", "separate"), L \ b));
        c = add (c, "U\\b", same (spk_solve (U, b, "upper", "separate"), U \ b));
        for scheme = {"fused", "separate"}
          s = scheme{1};
          c = add (c, ["L\\b " s], solved (spk_solve (L, b, "lower", s), L, b));
          c = add (c, ["U\\b " s], solved (spk_solve (U, b, "upper", s), U, b));
          c = add (c, ["L.'\\b " s], solved (spk_solve (L, b, "lower", "transpose", s), L.', b));
          c = add (c, ["U.'\\b " s], solved (spk_solve (U, b, "upper", "transpose", s), U.', b));
        endfor
      endif
    endif
    printf ("%-16s %6d x %-6d %8d stored %-8s %2d checks, %5.1f s%s\n", name, m, n, nnz (A),
            field, c.count, toc, c.failed);
    failures += ! isempty (c.failed);
  endfor
  printf ("%d of %d matrices passed\n", numel (files) - failures, numel (files));
  status = double (failures > 0);
endfunction

## The record of one matrix's checks: how many ran, and the names of those that failed.
function c = add (c, name, ok)
  c.count++;
  if (! ok)
    c.failed = [c.failed "  FAILED: " name];
  endif
endfunction

function ok = same (u, v)
  ok = (isequal (size (u), size (v))
        && isequal (typecast ([real(u(:)); imag(u(:))], "uint64"),
                    typecast ([real(v(:)); imag(v(:))], "uint64")));
endfunction

## Within k * eps of the sum of magnitudes of the terms, k the longest row plus one.
function ok = near (u, v, A, x)
  k = max ([full(sum (A != 0, 2)); 0]) + 1;
  bound = k * eps * (abs (A) * abs (x));
  d = abs (u - v);
  ok = all ((d <= bound | (isnan (u) & isnan (v)))(:));
endfunction

## A tight componentwise residual: |T*x - b| within 2k * eps * (|T|*|x| + |b|).
function ok = solved (x, T, b)
  if (! all (isfinite (x)))
    ok = isequal (isfinite (x), isfinite (T \ b));
    return;
  endif
  k = max ([full(sum (T != 0, 2)); 0]) + 1;
  ok = all (abs (T * x - b) <= 2 * k * eps * (abs (T) * abs (x) + abs (b)));
endfunction
