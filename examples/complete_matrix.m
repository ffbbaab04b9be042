## -*- texinfo -*-
## result = complete_matrix ("size", 2000, "rank", 10, "fraction", 0.1, "seed", 1, ...)
##
## Completes a synthetic low-rank matrix from a random sample of its entries
## with the lowrank tools, and times the same algorithm written with
## Octave's built-ins only.
##
## The matrix is M = A*B' with Gaussian A and B.  The method is singular
## value projection: X <- best rank-r approximation of X + (1/p) P(M - X),
## where P keeps the observed entries and p is the observed fraction.  X is
## kept as factors U*S*V'.  Each iteration
##   - evaluates X on the observed entries (sunwick) and forms the scaled
##     residual there as a sparse matrix (talvery);
##   - applies X + residual to the previous right singular vectors plus a few
##     random columns, and orthonormalises the result column by column
##     (quorvel);
##   - takes the SVD of the small projected matrix (dorvik) and keeps the
##     leading r singular triplets.
## The rank r is estimated once, from the eigenvalues of the Gram matrix of
## a sketch of the first step (halmet), at the largest gap between them.
##
## Options (name, value): "size" n (the matrix is n-by-n), "rank" of the
## synthetic matrix, "fraction" observed, "seed", "tolerance" on the
## relative residual at the observed entries, "iterations" at most,
## "plot" file name of the convergence plot ("" for none), "compare" (true:
## also time the built-ins version), "quiet".
##
## result holds the relative error on the unobserved entries, the estimated
## rank, the residual history and both timings.
function result = complete_matrix (varargin)
  opts = struct ("size", 2000, "rank", 10, "fraction", 0.1, "seed", 1, "tolerance", 1e-6,
                 "iterations", 300, "plot", "completion.png", "compare", true, "quiet", false);
  for i = 1:2:numel (varargin)
    if (! isfield (opts, varargin{i}))
      error ("complete_matrix: unknown option '%s'", varargin{i});
    endif
    opts.(varargin{i}) = varargin{i+1};
  endfor
  quiet = opts.quiet;

  ## The problem: M = A*B', observed at a random fraction of its entries,
  ## held as the pattern vectors of a sparse matrix (column by column).
  randn ("seed", opts.seed);  rand ("seed", opts.seed);
  n = opts.size;
  A = randn (n, opts.rank);  B = randn (n, opts.rank);
  observed = sprand (n, n, opts.fraction) ~= 0;
  [I, J] = find (observed);
  Jcol = [0; cumsum(full (sum (observed, 1)))'];
  values = sunwick (A, B, I, Jcol);
  p = numel (I) / (n * n);
  say (quiet, "completing a %d-by-%d matrix of rank %d from %d entries (%.1f%%)\n",
       n, n, opts.rank, numel (I), 100 * p);

  tools = struct ("sample", @(U, V) sunwick (U, V, I, Jcol),
                  "sparse", @(v) talvery (n, n, v, I, Jcol),
                  "orth", @orthonormal_columns,
                  "svd", @(X) dorvik (X),
                  "eigenvalues", @(G) halmet (G));
  [X, history, seconds, r] = svp (tools, values, n, p, opts, quiet);
  result.error = unobserved_error (X, A, B, observed);
  result.rank = r;
  result.history = history;
  result.seconds = seconds;
  say (quiet, "relative error on the unobserved entries: %.3g\n", result.error);
  say (quiet, "lowrank tools: %.2f s\n", seconds);

  if (opts.compare)
    builtins = struct ("sample", @(U, V) sum (U(I,:) .* V(J,:), 2),
                       "sparse", @(v) sparse (I, J, v, n, n),
                       "orth", @(Z) nthargout (1, 2, @qr, Z, 0),
                       "svd", @(X) svd (X, "econ"),
                       "eigenvalues", @(G) eig ((G + G') / 2));
    [Xb, ~, result.builtinSeconds] = svp (builtins, values, n, p, opts, true);
    say (quiet, "Octave built-ins: %.2f s (relative error %.3g), %.1f times the tools' time\n",
         result.builtinSeconds, unobserved_error (Xb, A, B, observed), result.builtinSeconds / seconds);
  endif

  if (! isempty (opts.plot))
    plot_history (history, opts.plot);
    say (quiet, "convergence plot: %s\n", opts.plot);
  endif
endfunction

## Singular value projection with the operations in ops; X is returned as
## a struct of factors U, S, V.
function [X, history, seconds, r] = svp (ops, values, n, p, opts, quiet)
  start = tic ();
  randn ("seed", opts.seed + 1);   # both versions draw the same sketches
  step = 1 / p;
  normObserved = norm (values);

  ## First step from X = 0: sketch step*P(M), estimate the rank from the
  ## eigenvalues of the sketch's projected Gram matrix, largest gap first.
  R = ops.sparse (step * values);
  width = min (n, 3 * opts.rank + 10);
  Q = ops.orth (R * randn (n, width));
  Q = ops.orth (R * (R' * Q));
  C = Q' * R;
  lambda = sort (max (ops.eigenvalues (C * C'), 0), "descend");
  sigma = sqrt (lambda);
  [~, r] = max (sigma(1:end-1) ./ max (sigma(2:end), eps * sigma(1)));
  [Ub, Sb, Vb] = ops.svd (C);
  X = struct ("U", Q * Ub(:,1:r), "S", Sb(1:r,1:r), "V", Vb(:,1:r));

  history = [];
  for iteration = 1:opts.iterations
    residual = values - ops.sample (X.U * X.S, X.V);
    relative = norm (residual) / normObserved;
    if (! isempty (history) && relative > history(end))
      step /= 2;   # too long a step for this sample: the iteration would diverge
    endif
    history(end+1) = relative;
    say (quiet, "%4d  residual %.3e  rank %2d  %6.2f s\n", iteration, relative, r, toc (start));
    if (relative < opts.tolerance)
      break;
    endif
    ## Y = X + step*P(M - X), applied to the previous right singular
    ## vectors and a few random directions.
    R = ops.sparse (step * residual);
    W = [X.V, randn(n, 5)];
    Z = X.U * (X.S * (X.V' * W)) + R * W;
    Q = ops.orth (Z);
    C = ((Q' * X.U) * X.S) * X.V' + (R' * Q)';
    [Ub, Sb, Vb] = ops.svd (C);
    X = struct ("U", Q * Ub(:,1:r), "S", Sb(1:r,1:r), "V", Vb(:,1:r));
  endfor
  seconds = toc (start);
endfunction

## Orthonormal columns spanning those of Z, by Gram-Schmidt against the
## columns already accepted, repeated while a pass loses too much (quorvel).
function Q = orthonormal_columns (Z)
  [m, k] = size (Z);
  Q = zeros (m, 0);
  for j = 1:k
    [q, normq] = quorvel (Q, Z(:,j));
    if (normq > 0)
      Q(:,end+1) = q / normq;
    endif
  endfor
endfunction

## ||X - M|| over the entries not observed, relative to ||M|| there,
## a block of columns at a time.
function e = unobserved_error (X, A, B, observed)
  n = rows (A);
  num = 0;  den = 0;
  for first = 1:500:n
    cols = first:min (first + 499, n);
    M = A * B(cols,:)';
    D = X.U * (X.S * X.V(cols,:)') - M;
    hidden = ! full (observed(:,cols));
    num += sumsq (D(hidden));
    den += sumsq (M(hidden));
  endfor
  e = sqrt (num / den);
endfunction

function say (quiet, varargin)
  if (! quiet)
    printf (varargin{:});
  endif
endfunction

function plot_history (history, file)
  warning ("off", "all");
  graphics_toolkit ("gnuplot");
  h = figure ("visible", "off");
  semilogy (1:numel (history), history, "o-");
  grid on;
  xlabel ("iteration");
  ylabel ("residual at the observed entries");
  title ("lowrank: matrix completion");
  print (h, "-dpngcairo", file);
  close (h);
endfunction
