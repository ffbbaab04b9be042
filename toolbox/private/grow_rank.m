function [U, S, V] = grow_rank(P, b, U, S, V, r, opts, clock)
%GROW_RANK  A start of rank r, built up one rank at a time.
%
%   [U, S, V] = grow_rank(P, b, U, S, V, r, opts, clock) fits the start
%   loosely at its rank, adds the residual's leading direction (widen), and
%   repeats up to rank r.  Directions whose singular values lie below what
%   the sampling lets a sketch see are then found one by one against a
%   residual from which the larger ones have been fitted away, instead of
%   starting as noise.
loose = opts;
loose.verbose = false;
while size(U, 2) < r
  % Fitted until X moves by less than a hundredth of its smallest singular
  % value: the residual's leading direction is then the next one of the
  % data, not what is left of this fit's own error.
  loose.change = max(opts.change, 1e-2 * min(diag(S)) / max(norm(diag(S)), realmin));
  fit = fit_rank(P, b, U, S, V, loose, 20, clock);
  if opts.verbose
    fprintf('rank %3d: residual %.3e after %d iterations (%s)\n', size(U, 2), fit.history(end), ...
            fit.iterations, fit.status);
  end
  [U, S, V] = widen(P, fit.residual, fit.U, fit.S, fit.V, opts.operations);
end
end
