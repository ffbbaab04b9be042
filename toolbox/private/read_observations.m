function [P, values, rest] = read_observations(args)
%READ_OBSERVATIONS  The observed entries of lowrank_complete's input forms.
%
%   [P, values, rest] = read_observations(args) takes lowrank_complete's
%   arguments and returns the pattern P (fields m, n, I, Jcol: the observed
%   positions column after column, rows increasing within a column, as the
%   tools take them), the values there in that order as a double column,
%   and the arguments that follow the data (the options).  The forms:
%     m, n, I, Jcol, values   the pattern form, already in the tools' order
%     {i, j, v}, [m n]        triplets in any order
%     A                       a sparse matrix (its stored entries) or a
%                             full one (its entries that are not NaN)

if isempty(args)
  error('lowrank_complete:notEnoughInputs', 'lowrank_complete: requires the observed entries.');
end
first = args{1};
if iscell(first)
  [P, values] = from_triplets(first, args(2:end));
  rest = args(3:end);
elseif numel(args) >= 2 && ~ischar(args{2})
  if numel(args) < 5
    error('lowrank_complete:notEnoughInputs', 'lowrank_complete: requires m, n, I, Jcol and values.');
  end
  [P, values] = from_pattern(args{1:5});
  rest = args(6:end);
else
  [P, values] = from_matrix(first);
  rest = args(2:end);
end
end

% m, n, I, Jcol, values: checked as given, then turned into doubles.
function [P, values] = from_pattern(m, n, I, Jcol, values)
m = full(double(m));
n = full(double(n));
if ~(isscalar(m) && isreal(m) && m == fix(m) && m >= 1 && isscalar(n) && isreal(n) && n == fix(n) && n >= 1)
  error('lowrank_complete:badSize', 'lowrank_complete: m and n must be positive integers.');
end
values = check_values(values);
if ~(is_number(I) && (isvector(I) || isempty(I))) || issparse(I) || numel(I) ~= numel(values)
  error('lowrank_complete:badI', 'lowrank_complete: I must be a dense vector with one row index per value.');
end
I = double(I(:));
if any(I < 1 | I > m | I ~= fix(I))
  error('lowrank_complete:badI', 'lowrank_complete: I has rows out of range (integers from 1 to m = %d).', m);
end
if ~(is_number(Jcol) && isvector(Jcol)) || issparse(Jcol) || numel(Jcol) ~= n + 1
  error('lowrank_complete:badJcol', 'lowrank_complete: Jcol must be a dense vector of n + 1 = %d offsets.', n + 1);
end
Jcol = double(Jcol(:));
counts = diff(Jcol);
if Jcol(1) ~= 0 || Jcol(end) ~= numel(values) || any(counts < 0) || any(Jcol ~= fix(Jcol))
  error('lowrank_complete:badJcol', ...
        'lowrank_complete: Jcol must rise from 0 to the number of values (%d) in whole steps.', numel(values));
end
J = repelem((1:n)', counts);
if any(diff(I) <= 0 & diff(J) == 0)
  error('lowrank_complete:badI', 'lowrank_complete: I must list the rows of each column in increasing order.');
end
P = struct('m', m, 'n', n, 'I', I, 'Jcol', Jcol);
end

% {i, j, v}, [m n]: sorted into the tools' order; a position given twice
% is an error, since it is not clear which value holds.
function [P, values] = from_triplets(triplets, args)
if numel(triplets) ~= 3
  error('lowrank_complete:badTriplets', 'lowrank_complete: triplets come as {i, j, v}.');
end
if isempty(args) || ischar(args{1}) || ~(is_number(args{1}) && numel(args{1}) == 2)
  error('lowrank_complete:badSize', 'lowrank_complete: {i, j, v} must be followed by the size [m n].');
end
sz = full(double(args{1}));
m = sz(1);
n = sz(2);
if ~(isreal(sz) && all(sz == fix(sz)) && all(sz >= 1))
  error('lowrank_complete:badSize', 'lowrank_complete: m and n must be positive integers.');
end
[i, j, v] = triplets{:};
values = check_values(v);
if ~(is_number(i) && is_number(j) && (isvector(i) || isempty(i)) && (isvector(j) || isempty(j))) ...
   || numel(i) ~= numel(values) || numel(j) ~= numel(values)
  error('lowrank_complete:badTriplets', 'lowrank_complete: i, j and v must be vectors of the same length.');
end
i = full(double(i(:)));
j = full(double(j(:)));
if any(i < 1 | i > m | i ~= fix(i))
  error('lowrank_complete:badI', 'lowrank_complete: i has rows out of range (integers from 1 to m = %d).', m);
end
if any(j < 1 | j > n | j ~= fix(j))
  error('lowrank_complete:badJ', 'lowrank_complete: j has columns out of range (integers from 1 to n = %d).', n);
end
% Column-major linear indices are exact doubles below 2^53.
[position, order] = sort((j - 1) * m + i);
twice = find(diff(position) == 0, 1);
if ~isempty(twice)
  k = order(twice);
  error('lowrank_complete:repeated', 'lowrank_complete: position (%d, %d) is observed twice.', i(k), j(k));
end
P = pattern(m, n, i(order), j(order));
values = values(order);
end

% A sparse matrix's stored entries, or a full matrix's entries that are
% not NaN.
function [P, values] = from_matrix(A)
if ~(is_number(A) && ismatrix(A)) || isempty(A)
  error('lowrank_complete:badMatrix', ...
        'lowrank_complete: the data must be a nonempty matrix (NaN where not observed) or a sparse matrix.');
end
[m, n] = size(A);
if issparse(A)
  [i, j, v] = find(A);
else
  known = ~isnan(A);
  [i, j] = find(known);
  v = A(known);
end
values = check_values(v);
P = pattern(m, n, i, j);
end

function P = pattern(m, n, i, j)
P = struct('m', m, 'n', n, 'I', i(:), 'Jcol', [0; cumsum(accumarray(j(:), 1, [n 1]))]);
end

function values = check_values(values)
if ~(is_number(values) && (isvector(values) || isempty(values))) || issparse(values) || ~isreal(values)
  error('lowrank_complete:badValues', 'lowrank_complete: values must be a dense real vector.');
end
values = double(values(:));
if ~all(isfinite(values))
  error('lowrank_complete:badValues', 'lowrank_complete: values must be finite (no NaN or Inf).');
end
end

function yes = is_number(x)
yes = isnumeric(x) || islogical(x);
end
