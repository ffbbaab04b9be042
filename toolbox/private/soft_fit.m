function fit = soft_fit(P, b, lambda, U, S, V, width, opts, limit, clock)
%SOFT_FIT  The completion whose singular values are soft-thresholded.
%
%   fit = soft_fit(P, b, lambda, U, S, V, width, opts, limit, clock) minimises
%   |b - X|^2 / 2 at the observed entries of the pattern P plus lambda
%   times the sum of the singular values of X, over the X of rank at most
%   width, from the start U*S*V'.  The method alternates ridge regressions
%   on X = U*D^2*V': with the unobserved entries filled in from X, the
%   row factor V*D is refitted to the filled matrix with the ridge lambda,
%   then the column factor U*D, each half step one sampled product and one
%   product with the sparse residual.  Its fixed points are those of
%   soft-impute, whose singular values are those of the filled matrix less
%   lambda, but no step forms the filled matrix.  Directions the start
%   lacks begin at the size of the threshold, in random column directions.
%   The iterations stop when X changes by less than opts.change relative
%   to X, or after limit of them; a last step soft-thresholds the singular
%   values exactly, so that directions below lambda are dropped.
%
%   fit holds U, S, V (X = U*S*V'), the residual b - X at P, the status
%   ('converged' or 'iteration limit'), the relative residual before each
%   iteration and at the end (history), the seconds of the tic clock at
%   each, and the number of iterations.
ops = opts.operations;
extra = width - size(U, 2);
if extra > 0
  U = [U, ops.orth(U, randn(P.m, extra))];
  V = [V, zeros(P.n, extra)];
  S = blkdiag(S, lambda * eye(extra));
end
d = sqrt(diag(S));
X2 = d .^ 2;
normb = max(norm(b), realmin);
history = zeros(limit + 1, 1);
seconds = zeros(limit + 1, 1);
status = 'iteration limit';
for iteration = 0:limit
  residual = b - ops.sample(P, U * diag(X2), V);
  history(iteration + 1) = norm(residual) / normb;
  seconds(iteration + 1) = toc(clock);
  if opts.verbose
    fprintf('%4d  residual %.3e  rank %d, soft-thresholded  %7.2f s\n', iteration, history(iteration + 1), ...
            numel(d), seconds(iteration + 1));
  end
  if strcmp(status, 'converged') || iteration == limit
    break;
  end
  previous = X2;
  Uold = U;  Vold = V;
  % row factor: (X*' U) D (D^2 + lambda)^-1, X* = Z + U D^2 V' the filled matrix
  [~, ZtU] = residual_products(P, residual, [], U, ops);
  B = (ZtU + V * diag(X2)) * diag(d ./ (X2 + lambda));
  [V, d, R] = balance(B, d, ops);
  U = U * R;
  X2 = d .^ 2;
  residual = b - ops.sample(P, U * diag(X2), V);
  A = (residual_products(P, residual, V, [], ops) + U * diag(X2)) * diag(d ./ (X2 + lambda));
  [U, d, R] = balance(A, d, ops);
  V = V * R;
  X2 = d .^ 2;
  % |X - Xold|^2 / |X|^2 from the factors alone
  cross = sum(sum(((U' * Uold) * diag(previous)) .* (diag(X2) * (V' * Vold))));
  change = sqrt(max(0, sum(X2 .^ 2) + sum(previous .^ 2) - 2 * cross)) / max(norm(X2), realmin);
  if change < opts.change
    status = 'converged';
  end
end
% The exact threshold: the filled matrix times V, its singular values less
% lambda.
M = residual_products(P, residual, V, [], ops) + U * diag(X2);
[Um, Sm, Vm] = ops.svd(M);
s = max(full(diag(Sm)) - lambda, 0);
keep = s > 0;
keep(1) = true;
U = Um(:, keep);
S = diag(s(keep));
V = V * Vm(:, keep);
residual = b - ops.sample(P, U * S, V);
iteration = iteration + 1;
history(iteration + 1) = norm(residual) / normb;
seconds(iteration + 1) = toc(clock);
fit = struct('U', U, 'S', S, 'V', V, 'residual', residual, 'status', status, ...
             'history', history(1:iteration + 1), 'seconds', seconds(1:iteration + 1), 'iterations', iteration);
end

% The refitted factor F in balanced form: F*diag(d) = Q*diag(e.^2)*R', so
% that X = Q*diag(e.^2)*(W*R)' for the other factor's orthonormal W.
function [Q, e, R] = balance(F, d, ops)
[Q, E, R] = ops.svd(F * diag(d));
e = sqrt(full(diag(E)));
end
