function [U, S, V] = widen(P, residual, U, S, V, ops)
%WIDEN  The start one rank up: X plus the residual's leading direction.
%
%   [U, S, V] = widen(P, residual, U, S, V, ops) adds to X = U*S*V' the
%   leading singular pair u*v' of the sparse residual on the pattern P
%   (a few power steps), scaled to fit the residual best, and returns the
%   factors of the sum, of rank r + 1.
%
%   The power steps clip each entry of the unit vectors at twice what the
%   largest entry of a random unit vector is (sqrt(2 log(n) / n)).  When
%   the direction left in the residual is small, the leading pair of its
%   sparse matrix is otherwise one concentrated on a few rows or columns,
%   which fits a handful of entries; started from it, the fit grows that
%   spike in the places nothing was observed instead of the direction the
%   data holds.  The fit that follows undoes the clipping where the data's
%   direction is itself concentrated.
[~, ~, Z] = residual_products(P, residual, [], [], ops);
v = randn(P.n, 1);
for k = 1:4
  u = trim(residual_products(P, Z, v, [], ops));
  [~, v] = residual_products(P, Z, [], u, ops);
  v = trim(v);
end
x = ops.sample(P, u, v);
s = (x' * residual) / max(x' * x, realmin);
% In the bases [U, qu] and [V, qv], X + s*u*v' is an (r+1)-square core.
cu = U' * u;
cv = V' * v;
qu = ops.orth(U, u - U * cu);
qv = ops.orth(V, v - V * cv);
a = [cu; qu' * u];
c = [cv; qv' * v];
core = blkdiag(S, 0) + s * (a * c');
[Uc, Sc, Vc] = ops.svd(core);
U = [U, qu] * Uc;
S = full(Sc);
V = [V, qv] * Vc;
end

% u scaled to unit norm with its entries clipped, and scaled again.
function u = trim(u)
u = u / max(norm(u), realmin);
cap = 2 * sqrt(2 * log(max(numel(u), 2)) / numel(u));
u = max(min(u, cap), -cap);
u = u / max(norm(u), realmin);
end
