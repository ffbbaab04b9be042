function [U, S, V, sigma] = spectral_start(P, b, r, width, ops)
%SPECTRAL_START  The leading part of the observed entries, scaled.
%
%   [U, S, V, sigma] = spectral_start(P, b, r, width, ops) returns the
%   rank-r part of the sparse matrix of the values b on the pattern P, from
%   a subspace iteration on a random sketch of width columns, with S scaled
%   to fit b best.  sigma holds the sketch's singular values, largest
%   first; with r empty, the rank is taken at their largest gap.  The
%   sketch draws from randn.
[m, n] = deal(P.m, P.n);
width = min([m, n, width]);
% The sparse matrix is assembled anew for each product: held between them,
% it would stay as large as the pattern.
Q = ops.orth(zeros(m, 0), residual_products(P, b, randn(n, width), [], ops));
[~, RtQ] = residual_products(P, b, [], Q, ops);
Q = ops.orth(zeros(m, 0), residual_products(P, b, RtQ, [], ops));
[~, RtQ] = residual_products(P, b, [], Q, ops);
C = RtQ';
[Uc, Sc, Vc] = ops.svd(C);
sigma = full(diag(Sc));
if isempty(r)
  r = largest_gap(sigma);
end
U = Q * Uc(:, 1:r);
S = full(Sc(1:r, 1:r));
V = Vc(:, 1:r);
x = ops.sample(P, U * S, V);
if any(x)
  S = S * ((x' * b) / (x' * x));
end
end

function r = largest_gap(sigma)
if numel(sigma) < 2 || sigma(1) == 0
  r = 1;
else
  [~, r] = max(sigma(1:end-1) ./ max(sigma(2:end), eps * sigma(1)));
end
end
