function [lambda, curve, start] = choose_lambda(T, bT, H, bH, hard, hardError, opts, clock)
%CHOOSE_LAMBDA  The soft threshold that predicts held-out entries best.
%
%   [lambda, curve, start] = choose_lambda(T, bT, H, bH, hard, hardError,
%   opts, clock) fits soft-thresholded completions (soft_fit) to the
%   values bT at the training pattern T along a falling sequence of
%   thresholds lambda, each started from the last, and measures each on
%   the held-out values bH at H.  Filled in from X, the unobserved entries
%   shrink with it: for a share p of entries observed, a threshold lambda
%   shrinks X's singular values by about lambda / p.  The sequence
%   therefore starts at p times the smallest singular value of the fit of
%   the chosen rank, hard, where the soft fit has about that rank, and
%   falls while the held-out error falls (two thresholds that do not lower
%   it by 1% end it): by a factor 2 while the error is above 1.5 times
%   hardError, that of the hard fit, then by sqrt(2).  The fits may use up
%   to twice opts.maxrank directions: the threshold, not the rank, keeps
%   them from fitting noise.  curve lists [lambda, held-out error] for
%   each threshold tried; start holds the best fit.
ops = opts.operations;
quiet = opts;
quiet.verbose = false;
cap = min([T.m, T.n, 2 * opts.maxrank]);
lambda = hard.S(end, end) * numel(bT) / (T.m * T.n);
fit = hard;
curve = zeros(0, 2);
best = inf;
misses = 0;
while misses < 2 && size(curve, 1) < 30
  fit = soft_fit(T, bT, lambda, fit.U, fit.S, fit.V, min(cap, 2 * size(fit.U, 2) + 10), quiet, 30, clock);
  e = norm(bH - ops.sample(H, fit.U * fit.S, fit.V)) / max(norm(bH), realmin);
  if opts.verbose
    fprintf('threshold %2d: rank %d, held-out error %.3e after %d iterations (%s)\n', size(curve, 1) + 1, ...
            size(fit.U, 2), e, fit.iterations, fit.status);
  end
  curve(end + 1, :) = [lambda, e];
  if e < best
    [start, chosen] = deal(fit, lambda);
  end
  if e < 0.99 * best
    misses = 0;
  else
    misses = misses + 1;
  end
  best = min(best, e);
  if e > 1.5 * hardError
    lambda = lambda / 2;
  else
    lambda = lambda / sqrt(2);
  end
end
lambda = chosen;
end
