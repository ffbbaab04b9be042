function completion_rows(limit, photo, which)
%COMPLETION_ROWS  lowrank_complete on data shaped like real data.
%
%   completion_rows(limit, photo) runs the rows below with n at most limit
%   and prints, per row, the rank found or given, the iterations of the
%   final fit, the relative error of U*S*V' on a random sample of the
%   unobserved entries, the seconds and, for data that is only
%   approximately of low rank, the ratio of that error to the peer's.  The
%   peer is soft-impute (fill the unobserved entries with the estimate,
%   soft-threshold the singular values of the filled matrix), its threshold
%   tuned on the hidden entries themselves: an optimistic peer.  photo is
%   the file of a photograph ('' leaves its row out).

rows = {
  % name                               n     m     r   spectrum  over  rank?  extra
  '1  ill-conditioned 1e4, rank given', 2000, 2000, 10, 1e4,  3,   true,  '';
  '2  ill-conditioned 1e6, rank given', 2000, 2000, 10, 1e6,  3,   true,  '';
  '3  ill-conditioned 1e3, no rank',    2000, 2000, 10, 1e3,  3,   false, '';
  '4  nonnegative factors, no rank',    3000, 3000, 8,  0,    5,   false, 'rand';
  '5  flat, 2.5x dof, no rank',         2000, 2000, 10, 1,    2.5, false, '';
  '6  Zipf-like sampling, no rank',     4000, 4000, 8,  1,    6,   false, 'zipf';
  '7  5% noise, no rank',               3000, 3000, 10, 1,    6,   false, 'noise';
  '9  100000 x 300',                    1e5,  300,  10, 1,    6,   false, '';
  '9  300 x 100000',                    300,  1e5,  10, 1,    6,   false, ''};
if nargin < 3
  which = 1:size(rows, 1);
end
printf('%-36s %5s %5s %10s %8s %s\n', 'row', 'rank', 'iter', 'error', 'seconds', 'goal');
for k = which(:)'
  [name, m, n, r, kappa, over, given, kind] = rows{k, :};
  if max(m, n) > limit
    continue;
  end
  rng(k);
  [A, B] = factors(m, n, r, kappa, kind);
  count = round(over * r * (m + n - r));
  if strcmp(kind, 'zipf')
    observed = zipf_positions(m, n, count, 0.8);
  else
    observed = uniform_positions(m * n, count);
  end
  i = mod(observed, m) + 1;
  j = floor(observed / m) + 1;
  values = sum(A(i, :) .* B(j, :), 2);
  goal = '< 1e-4';
  if strcmp(kind, 'noise')
    sigma = 0.05 * sqrt(sum(sum((A' * A) .* (B' * B))) / (m * n));
    values = values + sigma * randn(size(values));
    oracle = 0.05 * sqrt(r * (m + n - r) / count);
    goal = sprintf('<= %.3g (1.3 x oracle)', 1.3 * oracle);
  elseif any(strcmp(kind, {'rand', 'zipf'})) || over < 3 || m ~= n
    goal = '< 2e-4';
  end
  options = {'tolerance', 1e-6};
  if given
    options = [options, {'rank', r}];
  end
  t = tic;
  [U, S, V, info] = lowrank_complete({i, j, values}, [m n], options{:});
  seconds = toc(t);
  e = sampled_error(U * S, V, A, B, observed);
  printf('%-36s %5d %5d %10.3g %8.1f %s (rank %d)\n', name, info.rank, info.iterations, e, seconds, goal, r);
end
if ~isempty(photo)
  photograph_row(photo);
end
end

% m-by-r and n-by-r factors: orthonormal with singular values geometric
% from 1 to 1/kappa, or nonnegative uniform ones (kind 'rand').
function [A, B] = factors(m, n, r, kappa, kind)
if strcmp(kind, 'rand')
  A = rand(m, r);
  B = rand(n, r);
else
  [A, ~] = qr(randn(m, r), 0);
  [B, ~] = qr(randn(n, r), 0);
  A = A * diag(logspace(0, -log10(kappa), r)) * sqrt(m * n / r);
end
end

% count distinct 0-based linear indices below total, sorted.
function positions = uniform_positions(total, count)
positions = zeros(0, 1);
while numel(positions) < count
  positions = unique([positions; floor(rand(count - numel(positions) + 16, 1) * total)]);
end
positions = sort(positions(randperm(numel(positions), count)));
end

% Rows and columns drawn with popularity proportional to rank^-alpha, the
% ranks shuffled; distinct positions.
function positions = zipf_positions(m, n, count, alpha)
rowWeights = cumsum((1:m)' .^ -alpha);
colWeights = cumsum((1:n)' .^ -alpha);
rowOf = randperm(m)';
colOf = randperm(n)';
positions = zeros(0, 1);
while numel(positions) < count
  more = count - numel(positions) + 16;
  i = rowOf(min(m, 1 + sum(rand(more, 1) * rowWeights(end) > rowWeights', 2)));
  j = colOf(min(n, 1 + sum(rand(more, 1) * colWeights(end) > colWeights', 2)));
  positions = unique([positions; (j - 1) * m + i - 1]);
end
positions = sort(positions(randperm(numel(positions), count)));
end

% The relative error of L*R' against A*B' on 10^6 random unobserved entries.
function e = sampled_error(L, R, A, B, observed)
m = size(A, 1);
n = size(B, 1);
positions = floor(rand(1e6, 1) * (m * n));
positions = positions(~ismember(positions, observed));
i = mod(positions, m) + 1;
j = floor(positions / m) + 1;
x = sum(A(i, :) .* B(j, :), 2);
e = norm(sum(L(i, :) .* R(j, :), 2) - x) / norm(x);
end

% A photograph's grey levels in [0, 1], 40% of its pixels observed: the
% error on the hidden pixels against that of soft-impute at its best
% threshold.
function photograph_row(file)
warning('off', 'all');
picture = double(imread(file)) / 255;
if size(picture, 3) == 3
  picture = 0.299 * picture(:, :, 1) + 0.587 * picture(:, :, 2) + 0.114 * picture(:, :, 3);
end
rng(8);
known = rand(size(picture)) < 0.4;
hidden = ~known;
data = picture;
data(hidden) = NaN;
t = tic;
[U, S, V, info] = lowrank_complete(data);
seconds = toc(t);
X = U * S * V';
e = norm(X(hidden) - picture(hidden)) / norm(picture(hidden));
% soft-impute along a falling threshold, each from the last estimate
Z = zeros(size(picture));
best = inf;
for lambda = norm(picture .* known) * 2 .^ -(2:0.5:8)
  for step = 1:30
    F = Z;
    F(known) = picture(known);
    [Uf, Sf, Vf] = svd(F, 'econ');
    s = max(diag(Sf) - lambda, 0);
    Z = Uf * diag(s) * Vf';
  end
  best = min(best, norm(Z(hidden) - picture(hidden)) / norm(picture(hidden)));
end
printf('%-36s %5d %5d %10.3g %8.1f <= 1.05 x soft-impute''s %.3g: ratio %.3f\n', ...
       '8  photograph, 40% observed', info.rank, info.iterations, e, seconds, best, e / best);
end
