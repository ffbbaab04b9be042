function [U, S, V] = widen(P, residual, U, S, V, ops)
%WIDEN  The start one rank up: X plus the residual's leading direction.
%
%   [U, S, V] = widen(P, residual, U, S, V, ops) adds to X = U*S*V' the
%   leading singular pair u*v' of the sparse residual on the pattern P
%   (a few power steps), scaled to fit the residual best, and returns the
%   factors of the sum, of rank r + 1.
Z = ops.sparse(P, residual);
v = randn(P.n, 1);
for k = 1:4
  u = Z * v;
  u = u / max(norm(u), realmin);
  v = (u' * Z)';
  v = v / max(norm(v), realmin);
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
