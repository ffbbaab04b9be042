function fit = fit_rank(P, b, U, S, V, opts, limit, clock)
%FIT_RANK  Rank-r least squares at the observed entries, from a start.
%
%   fit = fit_rank(P, b, U, S, V, opts, limit, clock) fits X = U*S*V' of
%   the start's rank r to the values b at the pattern P in at most limit
%   iterations.  Each iteration solves the damped least-squares problem of
%   the tangent space at X (gauss_newton_step), whose solution X + xi has rank
%   2r, and takes as the new column and row spaces the average of the old
%   singular vectors with the normalised columns of X + xi that pair with
%   them; X is then X + xi seen in the new spaces.  The column by column
%   averaging treats a small singular direction like a large one, so the
%   iterations do not depend on the spread of the singular values, and
%   damps the swing between two candidate subspaces that a plain step
%   shows near the information limit.  Where the averaged spaces fit worse
%   than X, the step along xi itself is taken (retract), halved until the
%   residual shrinks, so the residual never grows.
%
%   The fit has converged when the relative residual is below
%   opts.tolerance, or when an iteration changes X by less than
%   opts.change relative to X: data that is not exactly of low rank never
%   reaches a small residual, and its fit is then as good as this rank
%   allows.  A fit whose residual falls by less than the share opts.stall
%   in an iteration has converged too (0: never; the rank choice's fits
%   of wrong ranks stop there).  When the residual has not reached a new
%   low for five iterations there is no progress, and the best X is
%   returned.
%
%   fit holds U, S, V, the residual b - X at P, status ('converged',
%   'iteration limit' or 'no progress'), the relative residual before each
%   iteration and at the end (history), the seconds of the tic clock at
%   each (seconds) and the number of iterations.
ops = opts.operations;
normb = max(norm(b), realmin);
residual = b - ops.sample(P, U * S, V);
history = zeros(limit + 1, 1);
seconds = zeros(limit + 1, 1);
status = 'iteration limit';
best = struct('U', U, 'S', S, 'V', V, 'relative', inf, 'iteration', 0);
change = inf;
for iteration = 0:limit
  relative = norm(residual) / normb;
  history(iteration + 1) = relative;
  seconds(iteration + 1) = toc(clock);
  if opts.verbose
    fprintf('%4d  residual %.3e  rank %d  %7.2f s\n', iteration, relative, size(U, 2), seconds(iteration + 1));
  end
  if relative < best.relative
    best = struct('U', U, 'S', S, 'V', V, 'relative', relative, 'iteration', iteration);
  end
  stalled = iteration > 0 && relative > (1 - opts.stall) * history(iteration);
  if relative < opts.tolerance || change < opts.change || stalled
    status = 'converged';
    break;
  elseif iteration - best.iteration >= 5
    status = 'no progress';
    break;
  elseif iteration == limit
    break;
  end
  % Inexact Newton: the inner solve is as accurate as the outer residual
  % can use, so it costs little far from the solution.  The damping is the
  % relative residual times the sampled share of the entries, the scale of
  % the normal equations: it vanishes as the fit becomes exact, so the
  % convergence near the solution is that of Gauss-Newton.
  xi = gauss_newton_step(P, residual, U, V, ops, min(0.1, max(relative, 1e-3)), 100, ...
                         numel(b) / (P.m * P.n) * relative);
  % X + xi = A*V' + U*B', the gauge split evenly between A and B.
  K = S + xi.M;
  A = U * (K / 2) + xi.Up;
  B = V * (K' / 2) + xi.Vp;
  Qu = ops.orth(zeros(P.m, 0), U + colnorm(A));
  Qv = ops.orth(zeros(P.n, 0), V + colnorm(B));
  Uq = Qu' * U;
  Vq = V' * Qv;
  [Uc, Sc, Vc] = ops.svd(Uq * K * Vq + (Qu' * xi.Up) * Vq + Uq * (xi.Vp' * Qv));
  newU = Qu * Uc;
  newS = full(Sc);
  newV = Qv * Vc;
  newResidual = b - ops.sample(P, newU * newS, newV);
  % Where the averaged subspaces fit worse (small or badly sampled
  % problems), the step along xi itself, halved until the residual shrinks.
  t = 1;
  while ~(norm(newResidual) < relative * normb) && t > 1e-3
    [newU, newS, newV] = retract(U, S, V, xi, t, ops);
    newResidual = b - ops.sample(P, newU * newS, newV);
    t = t / 2;
  end
  % |X_new - X|^2 from the factors alone
  cross = trace(newS' * (newU' * U) * S * (V' * newV));
  change = sqrt(max(0, sum(diag(newS) .^ 2) + sum(S(:) .^ 2) - 2 * cross)) / max(norm(diag(newS)), realmin);
  U = newU;  S = newS;  V = newV;  residual = newResidual;
end
if best.relative < relative
  % The best residual is formed again rather than held, a vector of the
  % pattern's length the iterations can do without.
  [U, S, V] = deal(best.U, best.S, best.V);
  residual = b - ops.sample(P, U * S, V);
  iteration = iteration + 1;
  history(iteration + 1) = best.relative;
  seconds(iteration + 1) = toc(clock);
end
fit = struct('U', U, 'S', S, 'V', V, 'residual', residual, 'status', status, ...
             'history', history(1:iteration + 1), 'seconds', seconds(1:iteration + 1), ...
             'iterations', iteration);
end

function A = colnorm(A)
A = A ./ max(sqrt(sum(A .^ 2, 1)), realmin);
end
