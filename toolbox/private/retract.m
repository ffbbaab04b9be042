function [U, S, V] = retract(U, S, V, xi, t, ops)
%RETRACT  Back to rank r from X + t*xi along the tangent step's subspaces.
%
%   [U, S, V] = retract(U, S, V, xi, t, ops) returns the factors of the
%   rank-r matrix L*R' with L = (X + t*xi)*V = U*K + t*Up and
%   R = V + t*Vp*inv(K)', K = S + t*M, for the tangent vector
%   xi = (M, Up, Vp) at X = U*S*V'.  L*R' is X + t*xi plus the second-order
%   term t^2*Up*inv(K)*Vp': the rank-r matrix with the column space of
%   (X + t*xi)*V and the row space of (X + t*xi)'*U.  Unlike the nearest
%   rank-r matrix to X + t*xi, it turns a small singular direction as far
%   as the step asks, whatever its singular value; that is what keeps the
%   iterations independent of the spread of the singular values.  Where K
%   is singular, the nearest rank-r matrix is taken instead.
r = size(U, 2);
K = S + t * xi.M;
if rcond(K) > eps
  L = U * K + t * xi.Up;
  R = V + t * (xi.Vp / K');
  Ql = ops.orth(zeros(size(U, 1), 0), L);
  Qr = ops.orth(zeros(size(V, 1), 0), R);
  [Uc, Sc, Vc] = ops.svd((Ql' * L) * (Qr' * R)');
  U = Ql * Uc;
  S = full(Sc);
  V = Qr * Vc;
else
  Qu = ops.orth(U, xi.Up);
  Qv = ops.orth(V, xi.Vp);
  core = [K, t * (Qv' * xi.Vp)'; t * (Qu' * xi.Up), zeros(r)];
  [Uc, Sc, Vc] = ops.svd(core);
  U = [U, Qu] * Uc(:, 1:r);
  S = full(Sc(1:r, 1:r));
  V = [V, Qv] * Vc(:, 1:r);
end
end
