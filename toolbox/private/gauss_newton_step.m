function [xi, steps] = gauss_newton_step(P, residual, U, V, ops, reduction, limit, damping)
%GAUSS_NEWTON_STEP  The tangent step that best fits the residual.
%
%   [xi, steps] = gauss_newton_step(P, residual, U, V, ops, reduction, limit,
%   damping) solves, by conjugate gradients on the normal equations, the
%   least-squares problem of the matrices xi = U*M*V' + Up*V' + U*Vp'
%   (Up'*U = 0, Vp'*V = 0) of the tangent space at a point with orthonormal
%   factors U and V: minimise |residual - xi|^2 at the observed entries of
%   the pattern P plus damping times |xi|^2.  The damping (Levenberg-
%   Marquardt) keeps the step out of the directions the observations barely
%   see, which a fit of too low a rank would otherwise use to chase what it
%   cannot represent.  xi is held as the struct (M, Up, Vp).  The iterations
%   stop when the normal equations' residual has fallen by the factor
%   reduction, or after limit of them; steps is the number made.
%
%   In these coordinates the tangent space's norm is the plain one of
%   (M, Up, Vp), and the normal equations' condition depends only on how
%   the entries were sampled, not on the spread of the singular values:
%   this is why the method needs no more iterations on ill-conditioned
%   matrices.  Each step is one sampled product of rank 2r and one pass
%   back over the pattern.

g = project(P, residual, U, V, ops);
xi = scale(g, 0);
r = g;
p = g;
rr = inner(r, r);
target = reduction ^ 2 * rr;
steps = 0;
while steps < limit && rr > target
  steps = steps + 1;
  Ap = project(P, ops.sample(P, [U * p.M + p.Up, U], [V, p.Vp]), U, V, ops);
  Ap = add(Ap, p, damping);
  curvature = inner(p, Ap);
  if ~(curvature > 0)
    break;   % p lies in the null space: nothing more to fit
  end
  alpha = rr / curvature;
  xi = add(xi, p, alpha);
  r = add(r, Ap, -alpha);
  previous = rr;
  rr = inner(r, r);
  p = add(r, p, rr / previous);
end
end

% The tangent-space part of the sparse matrix with values z on P.
function t = project(P, z, U, V, ops)
[ZV, ZtU] = residual_products(P, z, V, U, ops);
M = U' * ZV;
t = struct('M', M, 'Up', ZV - U * M, 'Vp', ZtU - V * M');
end

function s = inner(a, b)
s = a.M(:)' * b.M(:) + a.Up(:)' * b.Up(:) + a.Vp(:)' * b.Vp(:);
end

% a + c*b
function a = add(a, b, c)
a.M = a.M + c * b.M;
a.Up = a.Up + c * b.Up;
a.Vp = a.Vp + c * b.Vp;
end

function a = scale(a, c)
a.M = c * a.M;
a.Up = c * a.Up;
a.Vp = c * a.Vp;
end
