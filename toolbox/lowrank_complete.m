function [U, S, V, info] = lowrank_complete(varargin)
%LOWRANK_COMPLETE  Complete a low-rank matrix from some of its entries.
%
%   [U, S, V, info] = lowrank_complete(A) completes the m-by-n matrix A
%   from its entries that are not NaN (A full) or from its stored entries
%   (A sparse; a sparse matrix stores no zeros, so give observed zeros in
%   one of the other forms).  U (m-by-r) and V (n-by-r) have orthonormal
%   columns and S is r-by-r diagonal, so that X = U*S*V' is the completion.
%
%   [...] = lowrank_complete({i, j, v}, [m n]) takes the observed entries
%   as triplets in any order: X(i(k), j(k)) is observed as v(k).  A
%   position given twice is an error.
%
%   [...] = lowrank_complete(m, n, I, Jcol, values) takes them as the
%   tools' pattern: I holds the 1-based row of each observed entry, column
%   after column with rows increasing within a column, and Jcol the n+1
%   0-based offsets where each column starts, as sunwick and talvery take
%   them.
%
%   The data may be of any numeric class (double, single, uint8, int32,
%   ...), and vectors rows or columns: the work is in double.  The m-by-n
%   matrix itself is never formed, so memory stays proportional to the
%   number of observed entries plus (m + n) times the rank.  To evaluate
%   the completion at positions i, j (any order, any number) without
%   forming it:
%     x = sum((U(i,:) * S) .* V(j,:), 2);
%
%   [...] = lowrank_complete(..., name, value, ...) sets options (names in
%   any case):
%     'rank'        the rank r of X (default []: chosen from the data, below)
%     'lambda'      a soft threshold (default 0: none): X minimises half the
%                   squared residual at the observed entries plus lambda
%                   times the sum of its singular values, of rank at most
%                   'rank' if given (soft-impute's problem)
%     'maxrank'     the largest rank the choice considers (default: the
%                   number of observed entries over 2(m + n), at most 200)
%     'holdout'     the share of the observed entries set aside to choose
%                   the rank (default 0.1)
%     'tolerance'   stop when the residual at the observed entries falls
%                   below tolerance times their norm, or when an iteration
%                   changes X by less than tolerance relative to X (data
%                   that is not exactly of low rank: the best fit at its
%                   rank) (default 1e-4)
%     'iterations'  the iteration limit of the final fit (default 300)
%     'verbose'     true: print one line per iteration and per rank tried,
%                   and a last line that says whether the fit converged
%                   (default false)
%     'operations'  a struct of function handles that replace the tools,
%                   for comparisons: sample(P, U, V) (sunwick), sparse(P, v)
%                   (talvery), orth(B, Z) (quorvel), svd(A) (dorvik), where
%                   the pattern P has fields m, n, I, Jcol and J (the column
%                   of each entry); see complete_matrix in the examples
%
%   info holds
%     status       'converged', 'iteration limit' or 'no progress'
%     converged    true when the fit converged
%     rank         the rank of X
%     heldout      [rank, error] for each rank tried by the choice: the
%                  relative error on the held-out entries ([] when the rank
%                  was given)
%     lambda       the soft threshold of X (0: a fit of rank r)
%     thresholds   [lambda, error] for each threshold tried by the choice
%     iterations   the number of iterations of the final fit
%     residual     its last relative residual at the observed entries
%     history      the relative residual before each iteration and at the end
%     seconds      the time from the start of the call at each of them
%     note         '' or what limits the answer (a rank with more degrees
%                  of freedom than there are observations, unless a soft
%                  threshold determines X)
%
%   The method is Riemannian Gauss-Newton on the matrices of rank r.  Each
%   iteration finds the matrix of the tangent space at X that best fits the
%   residual at the observed entries, by conjugate gradients in coordinates
%   where that least-squares problem is as well conditioned as the sampling
%   allows whatever the singular values of X, damped in proportion to the
%   residual (Levenberg-Marquardt) so that a step keeps out of what the
%   observations barely see, and returns to rank r through a 2r-by-2r SVD
%   (dorvik) in bases orthonormalised by quorvel.  Products over the
%   observed entries go through sunwick and talvery.  With the rank given,
%   the start is built up one rank at a time from the leading direction of
%   the observed entries (a randomised subspace iteration): each rank is
%   fitted until its smallest direction settles, then the residual's
%   leading direction is added, so small singular values are found against
%   a residual from which the larger ones are gone.  A row or column
%   without observations is zero in X (the minimum-norm completion); the
%   values are scaled internally, so their scale does not matter.
%
%   When the rank is not given, a share of the observed entries (holdout)
%   is set aside, ranks are fitted to the rest (each from the fit one rank
%   below, warm) and the rank whose fit predicts the held-out entries best
%   is refitted on all of them.  Exactly low-rank data stops at its rank,
%   where the held-out error falls to the tolerance; noisy data at the
%   rank past which extra ranks fit the noise.  Where no rank predicts
%   them to within a hundred times the tolerance (noise, photographs),
%   soft thresholds are tried as well, falling from the smallest singular
%   value of the best rank's fit, and the best of them is taken if it
%   predicts the held-out entries 5% better; its fit alternates ridge
%   regressions of the two factors (soft-impute without the filled
%   matrix).  The random choices draw from rand and randn.
%
%   Example:
%     A = randn(300, 3) * randn(3, 200);
%     B = A;  B(rand(size(A)) > 0.3) = NaN;      % 30% of the entries known
%     [U, S, V, info] = lowrank_complete(B);
%     info.rank                                  % 3
%     norm(U*S*V' - A, 'fro') / norm(A, 'fro')   % below 1e-3
%
%   See also SUNWICK, TALVERY, DORVIK, QUORVEL.

clock = tic;
[P, values, rest] = read_observations(varargin);
nobs = numel(values);
opts = read_options(rest, P, nobs);
if opts.custom
  P.J = repelem((1:P.n)', diff(P.Jcol));
end
% Values far from 1 are scaled by a power of two, which is exact, so that
% sums of their squares over many entries neither overflow nor underflow.
% Values in a safe range are used as they are, without a copy as long as
% the pattern.
top = max([0; abs(values)]);
scale = 1;
if top > 0 && abs(log2(top)) > 400
  scale = 2 ^ floor(log2(top));
  values = values / scale;
end

if top == 0 || min(P.m, P.n) == 1
  % Nothing to fit (X = 0), or a vector: the observed entries with zeros
  % elsewhere, the minimum-norm completion.
  [U, S, V, r] = direct_completion(P, values, opts.rank);
  S = S * scale;
  fit = struct('status', 'converged', 'history', 0, 'seconds', toc(clock), 'iterations', 0);
  curve = [];
  lambda = 0;
  thresholds = zeros(0, 2);
else
  b = values;
  curve = [];
  r = opts.rank;
  lambda = opts.lambda / scale;
  thresholds = zeros(0, 2);
  % the most directions a soft-thresholded fit may use
  width = min([P.m, P.n, 2 * opts.maxrank]);
  if lambda > 0
    [U0, S0, V0] = spectral_start(P, b, [], opts.maxrank + 10, opts.operations);
    if ~isempty(r)
      width = r;
    end
  elseif isempty(r) && (opts.maxrank == 1 || nobs < 20)
    [U0, S0, V0] = spectral_start(P, b, 1, opts.maxrank + 10, opts.operations);
  elseif isempty(r)
    [r, curve, start, lambda, thresholds] = choose_rank(P, b, opts, clock);
    [U0, S0, V0] = deal(start.U, start.S, start.V);
    width = min(width, r + 10);
  else
    [U0, S0, V0] = spectral_start(P, b, [], r + 10, opts.operations);
    k = 1:min(size(U0, 2), r);
    [U0, S0, V0] = grow_rank(P, b, U0(:, k), S0(k, k), V0(:, k), r, opts, clock);
  end
  if lambda > 0
    k = 1:min(size(U0, 2), width);
    fit = soft_fit(P, b, lambda, U0(:, k), S0(k, k), V0(:, k), width, opts, opts.iterations, clock);
  else
    fit = fit_rank(P, b, U0, S0, V0, opts, opts.iterations, clock);
  end
  [U, S, V] = deal(fit.U, fit.S * scale, fit.V);
  r = size(U, 2);
  lambda = lambda * scale;
  thresholds(:, 1) = thresholds(:, 1) * scale;
  if ~all(isfinite(fit.S(:))) || ~all(isfinite(U(:))) || ~all(isfinite(V(:)))
    error('lowrank_complete:breakdown', 'lowrank_complete: the iteration broke down (factors not finite).');
  elseif ~all(isfinite(S(:)))
    error('lowrank_complete:overflow', 'lowrank_complete: the completion is too large for double precision.');
  end
end

note = '';
if lambda == 0 && r * (P.m + P.n - r) > nobs
  note = sprintf(['rank %d has %d degrees of freedom, more than the %d observed entries: ', ...
                  'they do not determine the completion'], r, r * (P.m + P.n - r), nobs);
end
info = struct('status', fit.status, 'converged', strcmp(fit.status, 'converged'), 'rank', r, ...
              'heldout', curve, 'lambda', lambda, 'thresholds', thresholds, 'iterations', fit.iterations, ...
              'residual', fit.history(end), 'history', fit.history, 'seconds', fit.seconds, 'note', note);
if opts.verbose
  if info.converged
    fprintf('lowrank_complete: converged: rank %d, residual %.3e after %d iterations\n', ...
            r, info.residual, info.iterations);
  else
    fprintf('lowrank_complete: NOT converged (%s): residual %.3e above tolerance %.1e after %d iterations\n', ...
            info.status, info.residual, opts.tolerance, info.iterations);
  end
  if ~isempty(note)
    fprintf('lowrank_complete: %s\n', note);
  end
end
end

% X = 0, or the m-by-1 or 1-by-n X that holds the observed values and
% zeros elsewhere, as factors of rank r (1 by default; 0 for X = 0).
function [U, S, V, r] = direct_completion(P, values, r)
x = zeros(max(P.m, P.n), 1);
if P.m == 1
  x(repelem((1:P.n)', diff(P.Jcol))) = values;
else
  x(P.I) = values;
end
normx = norm(x);
if isempty(r)
  r = double(normx > 0);
end
U = eye(P.m, r);
V = eye(P.n, r);
S = zeros(r);
if normx > 0
  if P.m == 1
    V(:, 1) = x / normx;
  else
    U(:, 1) = x / normx;
  end
  S(1, 1) = normx;
end
end

%!demo
%! ## a 600-by-400 matrix of rank 5 from 6 times its degrees of freedom
%! m = 600;  n = 400;  r = 5;
%! A = randn (m, r);  B = randn (n, r);
%! [i, j] = find (sprand (m, n, 6 * r * (m + n - r) / (m * n)));
%! Jcol = [0; cumsum(accumarray (j, 1, [n 1]))];
%! [U, S, V, info] = lowrank_complete (m, n, i, Jcol, sum (A(i,:) .* B(j,:), 2), 'verbose', true);
%! printf ('relative error of the whole matrix: %.2g\n', norm (U * S * V' - A * B', 'fro') / norm (A * B', 'fro'));

% A rank-r m-by-n problem observed at six times its degrees of freedom.
%!function [I, Jcol, values, X] = problem(m, n, r)
%!  rng(7);
%!  X = randn(m, r) * randn(r, n);
%!  [I, J] = find(sprand(m, n, 6 * r * (m + n - r) / (m * n)));
%!  Jcol = [0; cumsum(accumarray(J, 1, [n 1]))];
%!  values = X(sub2ind([m n], I, J));
%!endfunction

%!test
%! [I, Jcol, values, X] = problem(400, 400, 5);
%! [U, S, V, info] = lowrank_complete(400, 400, I, Jcol, values);
%! assert(info.status, 'converged');
%! assert(info.rank, 5);
%! assert(norm(U * S * V' - X, 'fro') / norm(X, 'fro') < 1e-3);
%! assert(info.history(end) < 1e-4 && numel(info.history) == info.iterations + 1);
%!test
%! [I, Jcol, values, X] = problem(300, 500, 4);
%! [U, S, V, info] = lowrank_complete(300, 500, I, Jcol, values, 'rank', 4, 'tolerance', 1e-8);
%! assert(info.converged && size(U, 1) == 300 && size(V, 1) == 500);
%! assert(norm(U * S * V' - X, 'fro') / norm(X, 'fro') < 1e-6);
%!test
%! ## more than 2^21 observations, so the residual is multiplied a block of
%! ## columns at a time: on noisy data the fit is the least-squares one,
%! ## the residual orthogonal to both factors
%! rng(3);
%! B = randn(1500, 2) * randn(2, 1500) + 1e-3 * randn(1500);
%! B(rand(1500) > 0.95) = NaN;
%! [U, S, V, info] = lowrank_complete(B, 'rank', 2, 'tolerance', 1e-8);
%! assert(info.converged);
%! [i, j] = find(~isnan(B));
%! R = sparse(i, j, B(~isnan(B)) - sum(U(i, :) * S .* V(j, :), 2), 1500, 1500);
%! assert(norm(R * V, 'fro') < 1e-6 * normest(R) && norm(U' * R, 'fro') < 1e-6 * normest(R));
%!test
%! [I, Jcol, values] = problem(300, 200, 4);
%! out = evalc('[~, ~, ~, info] = lowrank_complete(300, 200, I, Jcol, values, ''rank'', 4, ''iterations'', 1, ''tolerance'', 1e-12, ''verbose'', true);');
%! assert(info.status, 'iteration limit');
%! assert(~info.converged);
%! assert(~isempty(strfind(out, 'NOT converged (iteration limit)')));

%!test
%! ## singular values from 1 to 1e-6 at 3 times the degrees of freedom, rank
%! ## given: the small ones are found too, and no fit of a lower rank on the
%! ## way runs off into directions the observations barely see
%! rng(1);
%! [Qa, ~] = qr(randn(400, 6), 0);  [Qb, ~] = qr(randn(400, 6), 0);
%! X = Qa * diag(logspace(0, -6, 6)) * Qb';
%! B = X;  B(rand(400) > 3 * 6 * 794 / 400^2) = NaN;
%! [U, S, V, info] = lowrank_complete(B, 'rank', 6, 'tolerance', 1e-8);
%! assert(info.converged);
%! assert(norm(U * S * V' - X, 'fro') / norm(X, 'fro') < 1e-6);
%!test
%! ## nonnegative factors (one dominant direction): the rank from held-out entries
%! rng(4);
%! X = rand(300, 4) * rand(4, 250);
%! B = X;  B(rand(size(X)) > 0.25) = NaN;
%! [U, S, V, info] = lowrank_complete(B);
%! assert(info.rank, 4);
%! assert(info.heldout(end, 1) >= 4 && all(diff(info.heldout(:, 1)) > 0));
%! assert(norm(U * S * V' - X, 'fro') / norm(X, 'fro') < 1e-3);
%!test
%! ## the same data in every input form, of any class and orientation
%! rng(5);
%! X = randi(9, 40, 2) * randi(9, 2, 30);   # no zeros: a sparse matrix stores none
%! [i, j] = find(rand(40, 30) < 0.5);
%! v = X(sub2ind(size(X), i, j));
%! B = NaN(40, 30);  B(sub2ind(size(X), i, j)) = v;
%! Jcol = [0; cumsum(accumarray(j, 1, [30 1]))];
%! order = randperm(numel(v));
%! forms = {{B}, {sparse(i, j, v, 40, 30)}, {{int32(i(order))', j(order), single(v(order))}, [40 30]}, ...
%!          {40, 30, i', Jcol', int16(v')}};
%! for k = 1:numel(forms)
%!   rng(1);
%!   [U, S, V, info] = lowrank_complete(forms{k}{:}, 'rank', 2, 'tolerance', 1e-10);
%!   assert(norm(U * S * V' - X, 'fro') / norm(X, 'fro') < 1e-6);
%! end
%! ## the completion at positions in any order, without forming it
%! p = [40 1 7];  q = [30 30 2];
%! assert(sum((U(p,:) * S) .* V(q,:), 2), X(sub2ind(size(X), p, q))', 1e-6 * norm(X, 'fro'));
%!test
%! ## values far from 1 are scaled and back
%! rng(6);
%! X = randn(30, 2) * randn(2, 20);
%! B = X;  B(rand(size(X)) > 0.6) = NaN;
%! for scale = [1e300, 1e-300]
%!   [U, S, V] = lowrank_complete(B * scale, 'rank', 2, 'tolerance', 1e-10);
%!   assert(norm(U * S * V' / scale - X, 'fro') / norm(X, 'fro') < 1e-6);
%! end
%!test
%! ## a soft threshold: soft-impute's fixed point, lambda in the data's units
%! rng(9);
%! X = randn(30, 3) * randn(3, 20) + 0.1 * randn(30, 20);
%! known = rand(size(X)) < 0.6;
%! B = X;  B(~known) = NaN;
%! for scale = [1, 1000]
%!   [U, S, V, info] = lowrank_complete(B * scale, 'lambda', scale, 'tolerance', 1e-8);
%!   Y = U * S * V' / scale;
%!   F = Y;  F(known) = X(known);
%!   [u, s, v] = svd(F);
%!   assert(norm(u * max(s - 1, 0) * v' - Y, 'fro') < 1e-5 * norm(Y, 'fro'));
%!   assert(info.lambda, scale);
%! end
%! [U, S, V] = lowrank_complete(B, 'lambda', 1e6);
%! assert(U * S * V', zeros(30, 20));
%!test
%! ## degenerate data: an answer, never a tool's error
%! [U, S, V, info] = lowrank_complete(5);
%! assert(U * S * V', 5, 1e-12);
%! [U, S, V, info] = lowrank_complete(NaN(3, 2));
%! assert(U * S * V', zeros(3, 2));
%! assert(info.rank, 0);
%! [U, S, V] = lowrank_complete([0 NaN; 0 0]);
%! assert(U * S * V', zeros(2));
%! [U, S, V, info] = lowrank_complete({2, 3, 7}, [4 5]);
%! assert(U * S * V', full(sparse(2, 3, 7, 4, 5)), 1e-12);
%! assert(~isempty(strfind(info.note, 'do not determine')));
%! ## a row without observations is zero: the minimum-norm completion
%! [U, S, V] = lowrank_complete([1 2 NaN; 2 NaN 6; NaN NaN NaN], 'tolerance', 1e-10);
%! X = U * S * V';
%! assert(norm(X(3, :)) < 1e-12 && abs(X(2, 2) - 4) < 1e-6);

%!error <position \(1, 1\) is observed twice> lowrank_complete({[1 2 1], [1 1 1], [1 2 3]}, [2 2])
%!error <iterations must be a whole number> lowrank_complete([1 NaN; 2 2], 'iterations', NaN)
%!error <tolerance must be a number between 0 and 1> lowrank_complete([1 NaN; 2 2], 'tolerance', -1)
%!error <lambda must be a nonnegative number> lowrank_complete([1 NaN; 2 2], 'lambda', -1)
%!error <must be followed by the size> lowrank_complete({1, 1, 1})
%!error <values must be finite> lowrank_complete(2, 2, [1; 2], [0; 1; 2], [1; NaN])
%!error <I has rows out of range> lowrank_complete(2, 2, [1; 3], [0; 1; 2], [1; 1])
%!error <I must list the rows> lowrank_complete(2, 1, [2; 1], [0; 2], [1; 1])
%!error <Jcol must rise from 0> lowrank_complete(2, 2, [1; 2], [0; 2; 1], [1; 1])
%!error <Jcol must be a dense vector of n \+ 1> lowrank_complete(2, 2, [1; 2], [0; 2], [1; 1])
%!error <rank must be an integer from 1 to min\(m, n\) = 2> lowrank_complete(2, 3, [1; 2], [0; 1; 2; 2], [1; 1], 'rank', 3)
%!error <unknown option 'speed'> lowrank_complete(2, 2, [1; 2], [0; 1; 2], [1; 1], 'speed', 1)
