function result = complete_matrix(varargin)
%COMPLETE_MATRIX  Matrix completion with the lowrank tools, timed against the built-ins.
%
%   result = complete_matrix('size', 2000, 'rank', 10, 'fraction', 0.1, ...)
%   completes a synthetic low-rank matrix from a random sample of its
%   entries with lowrank_complete, and runs the same method again with
%   each tool replaced by its built-in counterpart, to compare the times.
%
%   The matrix is M = A*B' with Gaussian n-by-r factors A and B, observed
%   at round(fraction*n^2) positions drawn uniformly at random.  The rank is
%   not passed on: lowrank_complete estimates it.
%
%   Options (name, value): 'size' n (the matrix is n-by-n, default 2000),
%   'rank' of the synthetic matrix (10), 'fraction' observed (0.1), 'seed'
%   (1), 'tolerance' on the relative residual at the observed entries
%   (1e-6), 'iterations' at most (300), 'plot' file name of the
%   convergence plot ('' for none; Octave only), 'compare' (true: also run
%   with the built-ins), 'quiet' (false).
%
%   result holds the relative error on the unobserved entries (error), the
%   estimated rank, the residual history, the seconds with the tools and,
%   when comparing, builtinSeconds.  For matrices of more than 1e8 entries
%   the error is measured on a random sample of 1e6 unobserved entries
%   (result.errorSample is then their number; 0 when every unobserved
%   entry was compared).  No n-by-n array is formed.
%
%   complete_matrix('photo', file, 'plot', picture) instead completes the
%   grey levels of the photograph in file from 30% of its pixels (option
%   'fraction' when given) with the default options, and draws the observed
%   pixels, the completion and the original side by side into picture,
%   with the rank chosen and the error on the hidden pixels in the title.
%
%   Example:
%     r = complete_matrix('size', 500, 'rank', 5, 'fraction', 0.2, 'plot', '');
%
%   See also LOWRANK_COMPLETE.

opts = struct('size', 2000, 'rank', 10, 'fraction', 0.1, 'seed', 1, 'tolerance', 1e-6, ...
              'iterations', 300, 'plot', 'completion.png', 'compare', true, 'quiet', false, ...
              'photo', '');
for k = 1:2:numel(varargin)
  if ~isfield(opts, varargin{k})
    error('complete_matrix:badOption', 'complete_matrix: unknown option ''%s''.', varargin{k});
  end
  opts.(varargin{k}) = varargin{k+1};
end
quiet = opts.quiet;
if ~isempty(opts.photo)
  result = complete_photo(opts, any(strcmp(varargin(1:2:end), 'fraction')));
  return;
end

% The problem: M = A*B', observed at positions drawn uniformly without
% repeats, held as the pattern vectors of a sparse matrix (column by
% column: sorted linear indices are in that order).
rng(opts.seed);
n = opts.size;
A = randn(n, opts.rank);
B = randn(n, opts.rank);
observed = draw_positions(n * n, round(opts.fraction * n * n));
I = mod(observed, n) + 1;
J = floor(observed / n) + 1;
Jcol = [0; cumsum(accumarray(J, 1, [n 1]))];
values = sunwick(A, B, I, Jcol);
say(quiet, 'completing a %d-by-%d matrix of rank %d from %d entries (%.2f%%)\n', ...
    n, n, opts.rank, numel(I), 100 * numel(I) / (n * n));

settings = {'tolerance', opts.tolerance, 'iterations', opts.iterations, 'verbose', ~quiet};
rng(opts.seed + 1);   % both runs draw the same sketch
[U, S, V, info] = lowrank_complete(n, n, I, Jcol, values, settings{:});
[result.error, result.errorSample] = unobserved_error(U * S, V, A, B, observed);
result.rank = info.rank;
result.history = info.history;
result.seconds = info.seconds(end);
result.status = info.status;
if result.errorSample > 0
  how = sprintf(' (from a random sample of %d of them)', result.errorSample);
else
  how = '';
end
say(quiet, 'relative error on the unobserved entries%s: %.3g\n', how, result.error);
say(quiet, 'lowrank tools: %.2f s\n', result.seconds);

if opts.compare
  builtins = struct('sample', @(P, X, Y) sum(X(P.I,:) .* Y(P.J,:), 2), ...
                    'sparse', @(P, v) sparse(P.I, P.J, v, P.m, P.n), ...
                    'orth', @orthonormal_qr, ...
                    'svd', @(X) svd(X, 'econ'));
  rng(opts.seed + 1);
  [Ub, Sb, Vb, infob] = lowrank_complete(n, n, I, Jcol, values, settings{:}, 'verbose', false, ...
                                         'operations', builtins);
  result.builtinSeconds = infob.seconds(end);
  say(quiet, 'built-ins: %.2f s (relative error %.3g, %d iterations), %.1f times the tools'' time\n', ...
      result.builtinSeconds, unobserved_error(Ub * Sb, Vb, A, B, observed), infob.iterations, ...
      result.builtinSeconds / result.seconds);
end

if ~isempty(opts.plot) && exist('OCTAVE_VERSION', 'builtin')
  runs = {info};
  if opts.compare
    runs{2} = infob;
  end
  plot_history(runs, opts.plot);
  say(quiet, 'convergence plot: %s\n', opts.plot);
end
end

% count distinct 0-based linear indices below total, sorted, drawn
% uniformly at random.
function positions = draw_positions(total, count)
positions = zeros(0, 1);
while numel(positions) < count
  more = floor(rand(ceil(1.05 * (count - numel(positions))) + 16, 1) * total);
  positions = unique([positions; more]);
end
positions = sort(positions(randperm(numel(positions), count)));
end

% Orthonormal columns spanning those of Z, orthogonal to B's, by the
% built-in QR.
function Q = orthonormal_qr(B, Z)
Z = Z - B * (B' * Z);
Z = Z - B * (B' * Z);
[Q, ~] = qr(Z, 0);
end

% ||X - M|| over the entries not observed, relative to ||M|| there, with
% X = L*R' and M = A*B'.  Up to 1e8 entries every one is compared, a block
% of columns at a time; beyond, a random sample of 1e6 of them, evaluated
% on their pattern by sunwick.
function [e, sampled] = unobserved_error(L, R, A, B, observed)
n = size(A, 1);
if n * n <= 1e8
  sampled = 0;
  num = 0;
  den = 0;
  width = max(1, floor(1e7 / n));
  for first = 1:width:n
    cols = first:min(first + width - 1, n);
    M = A * B(cols, :)';
    D = L * R(cols, :)' - M;
    inBlock = observed(observed >= (first - 1) * n & observed < cols(end) * n) - (first - 1) * n + 1;
    M(inBlock) = 0;
    D(inBlock) = 0;
    num = num + sum(D(:) .^ 2);
    den = den + sum(M(:) .^ 2);
  end
else
  sampled = 1e6;
  positions = zeros(0, 1);
  while numel(positions) < sampled
    more = floor(rand(sampled, 1) * (n * n));
    positions = [positions; more(~ismember(more, observed))];
  end
  positions = sort(positions(1:sampled));
  I = mod(positions, n) + 1;
  Jcol = [0; cumsum(accumarray(floor(positions / n) + 1, 1, [n 1]))];
  M = sunwick(A, B, I, Jcol);
  D = sunwick(L, R, I, Jcol) - M;
  num = sum(D .^ 2);
  den = sum(M .^ 2);
end
e = sqrt(num / den);
end

function say(quiet, varargin)
if ~quiet
  fprintf(varargin{:});
end
end

% The residual of each run against its seconds, on a logarithmic scale.
function plot_history(runs, file)
warning('off', 'all');
graphics_toolkit('gnuplot');
h = figure('visible', 'off');
names = {'lowrank tools', 'built-ins'};
marks = {'o-', 's-'};
for k = 1:numel(runs)
  semilogy(runs{k}.seconds, runs{k}.history, marks{k});
  hold on;
end
grid on;
legend(names{1:numel(runs)});
xlabel('seconds');
ylabel('relative residual at the observed entries');
title('lowrank: matrix completion');
print(h, '-dpngcairo', file);
close(h);
end

% The photograph's case: its grey levels, a share of the pixels known.
function result = complete_photo(opts, fractionGiven)
warning('off', 'all');
picture = double(imread(opts.photo)) / 255;
if size(picture, 3) == 3
  picture = 0.299 * picture(:, :, 1) + 0.587 * picture(:, :, 2) + 0.114 * picture(:, :, 3);
end
fraction = 0.3;
if fractionGiven
  fraction = opts.fraction;
end
rng(opts.seed);
hidden = rand(size(picture)) >= fraction;
data = picture;
data(hidden) = NaN;
[U, S, V, info] = lowrank_complete(data);
X = min(max(U * S * V', 0), 1);
result.error = norm(X(hidden) - picture(hidden)) / norm(picture(hidden));
result.rank = info.rank;
result.seconds = info.seconds(end);
say(opts.quiet, 'photograph %d-by-%d, %.0f%% of its pixels known: rank %d, error on the hidden pixels %.3g, %.1f s\n', ...
    size(picture, 1), size(picture, 2), 100 * fraction, result.rank, result.error, result.seconds);
if ~isempty(opts.plot)
  shown = data;
  shown(hidden) = 0;
  graphics_toolkit('gnuplot');
  h = figure('visible', 'off', 'position', [0 0 1500 560]);
  panels = {shown, sprintf('%.0f%% of the pixels', 100 * fraction); ...
            X, sprintf('completed: rank %d, error %.3g', result.rank, result.error); ...
            picture, 'original'};
  for k = 1:3
    subplot(1, 3, k);
    imshow(panels{k, 1});
    title(panels{k, 2});
  end
  print(h, '-dpngcairo', opts.plot);
  close(h);
  say(opts.quiet, 'figure: %s\n', opts.plot);
end
end
