function [U, S, V, info] = lowrank_complete(m, n, I, Jcol, values, varargin)
%LOWRANK_COMPLETE  Complete a low-rank matrix from some of its entries.
%
%   [U, S, V, info] = lowrank_complete(m, n, I, Jcol, values) finds a
%   low-rank m-by-n matrix X = U*S*V' that matches the observed entries
%   values at the positions of the pattern I, Jcol: I holds the 1-based row
%   of each observed entry, column after column with rows increasing
%   within a column, and Jcol the n+1 0-based offsets where each column
%   starts, as sunwick and talvery take them.  U (m-by-r) and V (n-by-r)
%   have orthonormal columns and S is r-by-r diagonal; the m-by-n matrix
%   itself is never formed, so memory stays proportional to the number of
%   observed entries plus (m + n) times the rank.
%
%   [...] = lowrank_complete(..., name, value, ...) sets options:
%     'rank'        the rank r of X (default []: estimated from the data,
%                   at the largest gap in the singular values of a sketch)
%     'maxrank'     the largest rank the estimate considers (default: the
%                   number of observed entries over 2(m + n), at most 200)
%     'tolerance'   stop when norm of the residual at the observed entries
%                   falls below tolerance times norm(values) (default 1e-4)
%     'iterations'  the iteration limit (default 300)
%     'verbose'     true: print one line per iteration and a last line that
%                   says whether the tolerance was reached (default false)
%     'operations'  a struct of function handles that replace the tools,
%                   for comparisons: sample(U, V), sparse(v), orth(B, Z),
%                   svd(A) and eig(G) (see the example under complete_matrix)
%
%   info holds
%     status       'converged', 'iteration limit' or 'no progress'
%     converged    true when the tolerance was reached
%     rank         the rank used
%     iterations   the number of iterations made
%     residual     the last relative residual at the observed entries
%     history      the relative residual before each iteration and at the end
%     seconds      the time from the start at each entry of history
%
%   The method is Riemannian conjugate gradients on the matrices of rank r:
%   each iteration evaluates X at the observed entries (sunwick), forms the
%   residual there as a sparse matrix (talvery), projects it onto the
%   tangent space at X, combines it with the previous direction, takes the
%   step that minimises the residual along that direction, and returns to
%   rank r through a small SVD (dorvik) of the matrix in the bases
%   orthonormalised by quorvel.  The start is the rank-r part of the
%   observed entries, scaled, from a randomised subspace iteration; when
%   the rank is not given it is estimated there from the eigenvalues of the
%   sketch's Gram matrix (halmet).  The random sketch draws from randn.
%
%   Example:
%     m = 300; n = 200; r = 3;
%     A = randn(m, r); B = randn(n, r);
%     [i, j] = find(sprand(m, n, 0.3));          % the observed positions
%     Jcol = [0; cumsum(accumarray(j, 1, [n 1]))];
%     values = sum(A(i,:) .* B(j,:), 2);
%     [U, S, V, info] = lowrank_complete(m, n, i, Jcol, values);
%     info.status                                % 'converged'
%     norm(U*S*V' - A*B', 'fro') / norm(A*B', 'fro')   % below 1e-4
%
%   See also SUNWICK, TALVERY, DORVIK, QUORVEL, HALMET.

opts = struct('rank', [], 'maxrank', [], 'tolerance', 1e-4, 'iterations', 300, ...
              'verbose', false, 'operations', []);
if mod(numel(varargin), 2) ~= 0
  error('lowrank_complete:badOption', 'lowrank_complete: options come as name, value pairs.');
end
for k = 1:2:numel(varargin)
  name = varargin{k};
  if ~ischar(name) || ~isfield(opts, lower(name))
    error('lowrank_complete:badOption', 'lowrank_complete: unknown option ''%s''.', num2str(name));
  end
  opts.(lower(name)) = varargin{k+1};
end
check_pattern(m, n, I, Jcol, values);
nobs = numel(values);
if isempty(opts.maxrank)
  opts.maxrank = min([200, floor(nobs / (2 * (m + n)))]);
end
opts.maxrank = max(1, min([opts.maxrank, m, n]));
r = opts.rank;
if ~isempty(r) && ~(isscalar(r) && isreal(r) && r == fix(r) && r >= 1 && r <= min(m, n))
  error('lowrank_complete:badRank', 'lowrank_complete: rank must be an integer from 1 to min(m, n) = %d.', ...
        min(m, n));
end
ops = opts.operations;
if isempty(ops)
  ops = struct('sample', @(A, B) sunwick(A, B, I, Jcol), ...
               'sparse', @(v) talvery(m, n, v, I, Jcol), ...
               'orth', @orthonormal_columns, ...
               'svd', @dorvik, ...
               'eig', @halmet);
end

start = tic;
values = values(:);
normObserved = norm(values);
if normObserved == 0
  normObserved = 1;   % every observed entry is 0: X = 0 has no residual
end

% The start: the leading part of the observed entries scaled up to the
% whole matrix, from a subspace iteration on a random sketch.
R = ops.sparse(values * (m * n / max(nobs, 1)));
if isempty(r)
  width = min([m, n, opts.maxrank + 10]);
else
  width = min([m, n, r + 10]);
end
Q = ops.orth(zeros(m, 0), R * randn(n, width));
Q = ops.orth(zeros(m, 0), R * (R' * Q));
C = (R' * Q)';
if isempty(r)
  lambda = sort(max(ops.eig(C * C'), 0), 'descend');
  sigma = sqrt(lambda(1:min(opts.maxrank + 1, numel(lambda))));
  if numel(sigma) < 2
    r = 1;
  else
    [~, r] = max(sigma(1:end-1) ./ max(sigma(2:end), eps * sigma(1)));
  end
end
[Ub, Sb, Vb] = ops.svd(C);
U = Q * Ub(:, 1:r);
S = full(Sb(1:r, 1:r));
V = Vb(:, 1:r);
% The scale that fits the observed entries best.
x = ops.sample(U * S, V);
if any(x)
  S = S * ((x' * values) / (x' * x));
end
residual = values - ops.sample(U * S, V);
clear R Q C Ub Vb x;

history = zeros(opts.iterations + 1, 1);
seconds = zeros(opts.iterations + 1, 1);
status = 'iteration limit';
gradient = [];
stalls = 0;
for iteration = 1:opts.iterations + 1
  normResidual = norm(residual);
  relative = normResidual / normObserved;
  history(iteration) = relative;
  seconds(iteration) = toc(start);
  if opts.verbose
    fprintf('%4d  residual %.3e  rank %d  %7.2f s\n', iteration - 1, relative, r, seconds(iteration));
  end
  if relative < opts.tolerance || ~isfinite(relative)
    if relative < opts.tolerance
      status = 'converged';
    else
      status = 'no progress';
    end
    break;
  end
  if iteration > opts.iterations || stalls >= 3
    if stalls >= 3
      status = 'no progress';
    end
    break;
  end

  % The residual's projection onto the tangent space at X = U*S*V', held
  % as (M, Up, Vp) for U*M*V' + Up*V' + U*Vp' with Up'*U = 0, Vp'*V = 0.
  R = ops.sparse(residual);
  RV = R * V;
  RtU = R' * U;
  clear R;
  M = U' * RV;
  newGradient = struct('M', M, 'Up', RV - U * M, 'Vp', RtU - V * M');
  clear RV RtU;

  % Polak-Ribiere with restarts, the previous vectors carried over to the
  % new tangent space by projection.
  direction = newGradient;
  if ~isempty(gradient)
    previous = transport(gradient, U, V);
    beta = max(0, (inner(newGradient, newGradient) - inner(newGradient, previous)) / inner(gradient, gradient));
    if beta > 0
      carried = transport(lastDirection, U, V);
      candidate = combine(newGradient, carried, beta);
      if inner(candidate, newGradient) > 0
        direction = candidate;
      end
    end
  end
  gradient = newGradient;  gradient.U = U;  gradient.V = V;
  lastDirection = direction;  lastDirection.U = U;  lastDirection.V = V;

  % The step that minimises the residual along the direction, to first
  % order; halved while the residual back at rank r does not shrink.
  sampled = ops.sample([U * direction.M + direction.Up, U], [V, direction.Vp]);
  t = (sampled' * residual) / (sampled' * sampled);
  if ~(t > 0 && isfinite(t))
    t = 1;
  end
  Qu = ops.orth(U, direction.Up);
  Qv = ops.orth(V, direction.Vp);
  Ru = Qu' * direction.Up;
  Rv = Qv' * direction.Vp;
  accepted = false;
  for halving = 0:10
    K = [S + t * direction.M, t * Rv'; t * Ru, zeros(r)];
    [Uk, Sk, Vk] = ops.svd(K);
    newU = [U, Qu] * Uk(:, 1:r);
    newS = full(Sk(1:r, 1:r));
    newV = [V, Qv] * Vk(:, 1:r);
    newResidual = values - ops.sample(newU * newS, newV);
    if norm(newResidual) < normResidual
      accepted = true;
      break;
    end
    t = t / 2;
  end
  if accepted
    U = newU;  S = newS;  V = newV;  residual = newResidual;
    stalls = 0;
  else
    % No step along this direction helps: start again from the gradient.
    stalls = stalls + 1;
    gradient = [];
  end
end
history = history(1:iteration);
seconds = seconds(1:iteration);
info = struct('status', status, 'converged', strcmp(status, 'converged'), 'rank', r, ...
              'iterations', iteration - 1, 'residual', history(end), ...
              'history', history, 'seconds', seconds);
if opts.verbose
  if info.converged
    fprintf('lowrank_complete: converged: residual %.3e below tolerance %.1e after %d iterations\n', ...
            info.residual, opts.tolerance, info.iterations);
  else
    fprintf('lowrank_complete: NOT converged (%s): residual %.3e above tolerance %.1e after %d iterations\n', ...
            status, info.residual, opts.tolerance, info.iterations);
  end
end
end

% Tests the arguments, naming the one at fault.
function check_pattern(m, n, I, Jcol, values)
if nargin < 5
  error('lowrank_complete:notEnoughInputs', 'lowrank_complete: requires m, n, I, Jcol and values.');
end
if ~(isscalar(m) && isreal(m) && m == fix(m) && m >= 1 && isscalar(n) && isreal(n) && n == fix(n) && n >= 1)
  error('lowrank_complete:badSize', 'lowrank_complete: m and n must be positive integers.');
end
if ~(isnumeric(values) && isreal(values) && isvector(values) || isempty(values)) || issparse(values)
  error('lowrank_complete:badValues', 'lowrank_complete: values must be a dense real vector.');
end
if ~all(isfinite(values))
  error('lowrank_complete:badValues', 'lowrank_complete: values must be finite (no NaN or Inf).');
end
if ~(isnumeric(I) && isreal(I) && (isvector(I) || isempty(I))) || issparse(I) || numel(I) ~= numel(values)
  error('lowrank_complete:badI', 'lowrank_complete: I must be a dense vector with one row index per value.');
end
if any(I < 1 | I > m | I ~= fix(I))
  error('lowrank_complete:badI', 'lowrank_complete: I has rows out of range (integers from 1 to m = %d).', m);
end
if ~(isnumeric(Jcol) && isreal(Jcol) && isvector(Jcol)) || issparse(Jcol) || numel(Jcol) ~= n + 1
  error('lowrank_complete:badJcol', 'lowrank_complete: Jcol must be a dense vector of n + 1 = %d offsets.', n + 1);
end
counts = diff(Jcol(:));
if Jcol(1) ~= 0 || Jcol(end) ~= numel(values) || any(counts < 0) || any(Jcol ~= fix(Jcol))
  error('lowrank_complete:badJcol', ...
        'lowrank_complete: Jcol must rise from 0 to the number of values (%d) in whole steps.', numel(values));
end
J = repelem((1:n)', counts);
if any(diff(I(:)) <= 0 & diff(J) == 0)
  error('lowrank_complete:badI', 'lowrank_complete: I must list the rows of each column in increasing order.');
end
end

% Orthonormal columns spanning those of Z, orthogonal to B's orthonormal
% columns: Gram-Schmidt by quorvel against B and the columns accepted so
% far.  A column that adds nothing is replaced by a random one, so the
% result always has as many columns as Z.
function Q = orthonormal_columns(B, Z)
[m, k] = size(B);
c = size(Z, 2);
Q = [B, zeros(m, c)];
for j = 1:c
  z = Z(:, j);
  for attempt = 1:3
    if k + j == 1
      q = z;
      normq = norm(z);
    else
      [q, normq] = quorvel(Q, z, norm(z), 1:k + j - 1);
    end
    if normq > 0 && normq > 1e-10 * norm(z)
      break;
    end
    z = randn(m, 1);
  end
  Q(:, k + j) = q / normq;
end
Q = Q(:, k + 1:end);
end

% The tangent vector g at (g.U, g.V), projected onto the tangent space at
% (U, V): g is [g.U*g.M + g.Up, g.U] * [g.V, g.Vp]', of rank 2r at most.
function p = transport(g, U, V)
A = [g.U * g.M + g.Up, g.U];
B = [g.V, g.Vp];
AV = A * (B' * V);
BU = B * (A' * U);
M = U' * AV;
p = struct('M', M, 'Up', AV - U * M, 'Vp', BU - V * M');
end

function s = inner(a, b)
s = sum(sum(a.M .* b.M)) + sum(sum(a.Up .* b.Up)) + sum(sum(a.Vp .* b.Vp));
end

% a + beta*b
function c = combine(a, b, beta)
c = struct('M', a.M + beta * b.M, 'Up', a.Up + beta * b.Up, 'Vp', a.Vp + beta * b.Vp);
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
%! [I, Jcol, values] = problem(300, 200, 4);
%! out = evalc('[~, ~, ~, info] = lowrank_complete(300, 200, I, Jcol, values, ''iterations'', 2, ''verbose'', true);');
%! assert(info.status, 'iteration limit');
%! assert(~info.converged);
%! assert(~isempty(strfind(out, 'NOT converged (iteration limit)')));

%!error <values must be finite> lowrank_complete(2, 2, [1; 2], [0; 1; 2], [1; NaN])
%!error <I has rows out of range> lowrank_complete(2, 2, [1; 3], [0; 1; 2], [1; 1])
%!error <I must list the rows> lowrank_complete(2, 1, [2; 1], [0; 2], [1; 1])
%!error <Jcol must rise from 0> lowrank_complete(2, 2, [1; 2], [0; 2; 1], [1; 1])
%!error <Jcol must be a dense vector of n \+ 1> lowrank_complete(2, 2, [1; 2], [0; 2], [1; 1])
%!error <rank must be an integer from 1 to min\(m, n\) = 2> lowrank_complete(2, 3, [1; 2], [0; 1; 2; 2], [1; 1], 'rank', 3)
%!error <unknown option 'speed'> lowrank_complete(2, 2, [1; 2], [0; 1; 2], [1; 1], 'speed', 1)
