function [r, curve, start, lambda, thresholds] = choose_rank(P, b, opts, clock)
%CHOOSE_RANK  The rank that predicts held-out entries best.
%
%   [r, curve, start, lambda, thresholds] = choose_rank(P, b, opts, clock)
%   sets a random share
%   opts.holdout of the observed entries aside, fits ranks to the others
%   and measures each fit's relative error on the held-out entries.  The
%   first rank tried is the one at the largest gap in a sketch's singular
%   values; from there the ranks rise, each started from the last fit plus
%   the residual's leading direction, while the error keeps falling (two
%   ranks without a new best end the rise), and fall when the first step
%   up does not help.  A rank whose held-out error is within ten times the
%   tolerance fits the data as well as asked and ends the search: exactly
%   low-rank data stops at its rank.  curve lists [rank, held-out error]
%   for every rank tried, by rank; start holds the chosen fit (U, S, V),
%   the start of the refit on every entry.
%
%   Data that no rank fits to within a hundred times the tolerance, with
%   fits of 30 iterations allowed (fewer cannot tell a wrong rank from an
%   unfinished fit), is only approximately of low rank (noise,
%   photographs): for it,
%   soft-thresholded fits are tried too (choose_lambda), and the best of
%   them is chosen when its held-out error is 5% below the best rank's.
%   lambda is then its threshold (0 for a rank), thresholds lists
%   [lambda, held-out error] for each tried, and start is that fit.
ops = opts.operations;
nobs = numel(b);
held = false(nobs, 1);
held(randperm(nobs, max(1, round(opts.holdout * nobs)))) = true;
[T, bT] = subpattern(P, b, ~held);
[H, bH] = subpattern(P, b, held);
fitting = opts;
fitting.verbose = false;
fitting.iterations = min(opts.iterations, 30);
fitting.stall = 0.05;
good = 10 * opts.tolerance;
fits = cell(opts.maxrank, 1);
errors = inf(opts.maxrank, 1);

[U, S, V] = spectral_start(T, bT, [], opts.maxrank + 10, ops);
first = min(size(U, 2), opts.maxrank);
[fits{first}, errors(first)] = try_rank(T, bT, H, bH, U(:, 1:first), S(1:first, 1:first), ...
                                        V(:, 1:first), fitting, clock, opts.verbose);
best = first;
% Up while the error falls.
r = first;
misses = 0;
while errors(best) > good && r < opts.maxrank && misses < 2
  [U, S, V] = widen(T, fits{r}.residual, fits{r}.U, fits{r}.S, fits{r}.V, ops);
  r = r + 1;
  [fits{r}, errors(r)] = try_rank(T, bT, H, bH, U, S, V, fitting, clock, opts.verbose);
  if errors(r) < errors(best)
    best = r;
    misses = 0;
  else
    misses = misses + 1;
  end
end
% Down when going up did not help.
r = first;
while best == r && errors(best) > good && r > 1
  r = r - 1;
  k = 1:r;
  [fits{r}, errors(r)] = try_rank(T, bT, H, bH, fits{r + 1}.U(:, k), fits{r + 1}.S(k, k), ...
                                  fits{r + 1}.V(:, k), fitting, clock, opts.verbose);
  if errors(r) < errors(best)
    best = r;
  end
end

r = best;
start = fits{best};
tried = find(isfinite(errors));
curve = [tried, errors(tried)];
lambda = 0;
thresholds = zeros(0, 2);
if errors(best) > 100 * opts.tolerance && fitting.iterations == 30
  [soft, thresholds, fit] = choose_lambda(T, bT, H, bH, start, errors(best), opts, clock);
  if min(thresholds(:, 2)) < 0.95 * errors(best)
    [lambda, start, r] = deal(soft, fit, size(fit.U, 2));
  end
end
end

% The fit at the start's rank on the training pattern T, and its relative
% error on the held-out pattern H.
function [fit, e] = try_rank(T, bT, H, bH, U, S, V, opts, clock, verbose)
fit = fit_rank(T, bT, U, S, V, opts, opts.iterations, clock);
e = norm(bH - opts.operations.sample(H, fit.U * fit.S, fit.V)) / max(norm(bH), realmin);
if verbose
  fprintf('rank %3d: held-out error %.3e after %d iterations (%s)\n', size(U, 2), e, fit.iterations, fit.status);
end
end
