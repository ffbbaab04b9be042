function opts = read_options(args, P, nobs)
%READ_OPTIONS  lowrank_complete's options from name, value pairs, checked.
%
%   opts = read_options(args, P, nobs) starts from the defaults, takes the
%   pairs in args (names in any case) and checks each value against the
%   m-by-n pattern P with nobs observed entries, naming the option at fault.

opts = struct('rank', [], 'lambda', 0, 'maxrank', [], 'tolerance', 1e-4, 'iterations', 300, ...
              'holdout', 0.1, 'verbose', false, 'operations', []);
if mod(numel(args), 2) ~= 0
  error('lowrank_complete:badOption', 'lowrank_complete: options come as name, value pairs.');
end
for k = 1:2:numel(args)
  name = args{k};
  if ~ischar(name) || ~isfield(opts, lower(name))
    error('lowrank_complete:badOption', 'lowrank_complete: unknown option ''%s''.', num2str(name));
  end
  opts.(lower(name)) = args{k+1};
end

if ~isempty(opts.rank)
  r = opts.rank;
  if ~(real_scalar(r) && r == fix(r) && r >= 1 && r <= min(P.m, P.n))
    error('lowrank_complete:badRank', 'lowrank_complete: rank must be an integer from 1 to min(m, n) = %d.', ...
          min(P.m, P.n));
  end
  opts.rank = double(r);
end
if ~(real_scalar(opts.lambda) && opts.lambda >= 0)
  error('lowrank_complete:badOption', 'lowrank_complete: lambda must be a nonnegative number.');
end
opts.lambda = double(opts.lambda);
if isempty(opts.maxrank)
  opts.maxrank = min(200, floor(nobs / (2 * (P.m + P.n))));
else
  opts.maxrank = whole(opts.maxrank, 'maxrank');
  if opts.maxrank < 1
    error('lowrank_complete:badOption', 'lowrank_complete: maxrank must be a positive integer.');
  end
end
opts.maxrank = max(1, min([opts.maxrank, P.m, P.n]));
if ~(real_scalar(opts.tolerance) && opts.tolerance > 0 && opts.tolerance < 1)
  error('lowrank_complete:badOption', 'lowrank_complete: tolerance must be a number between 0 and 1.');
end
opts.tolerance = double(opts.tolerance);
opts.change = opts.tolerance;
opts.stall = 0;
opts.iterations = whole(opts.iterations, 'iterations');
if opts.iterations < 0
  error('lowrank_complete:badOption', 'lowrank_complete: iterations must be a nonnegative integer.');
end
if ~(real_scalar(opts.holdout) && opts.holdout > 0 && opts.holdout < 1)
  error('lowrank_complete:badOption', 'lowrank_complete: holdout must be a fraction between 0 and 1.');
end
opts.holdout = double(opts.holdout);
if ~((islogical(opts.verbose) || isnumeric(opts.verbose)) && isscalar(opts.verbose))
  error('lowrank_complete:badOption', 'lowrank_complete: verbose must be true or false.');
end
opts.verbose = logical(opts.verbose);
ops = opts.operations;
opts.custom = ~isempty(ops);
if isempty(ops)
  ops = struct('sample', @(P, U, V) sunwick(U, V, P.I, P.Jcol), ...
               'sparse', @(P, v) talvery(P.m, P.n, v, P.I, P.Jcol), ...
               'orth', @orthonormal_columns, ...
               'svd', @dorvik);
elseif ~(isstruct(ops) && all(isfield(ops, {'sample', 'sparse', 'orth', 'svd'})))
  error('lowrank_complete:badOption', ...
        'lowrank_complete: operations must be a struct with fields sample, sparse, orth and svd.');
end
opts.operations = ops;
end

% A finite whole number, as a double.
function x = whole(x, name)
if ~(real_scalar(x) && x == fix(x))
  error('lowrank_complete:badOption', 'lowrank_complete: %s must be a whole number.', name);
end
x = double(x);
end

function yes = real_scalar(x)
yes = (isnumeric(x) || islogical(x)) && isscalar(x) && isreal(x) && isfinite(x);
end
