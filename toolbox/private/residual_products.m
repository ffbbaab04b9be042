function [ZV, ZtU, blocks] = residual_products(P, z, V, U, ops)
%RESIDUAL_PRODUCTS  Z*V and Z'*U for the sparse matrix of values on a pattern.
%
%   [ZV, ZtU] = residual_products(P, z, V, U, ops) multiplies the sparse
%   matrix Z of the values z on the pattern P by V (n-by-k), and its
%   transpose by U (m-by-l); an empty V or U skips that product.  Z is
%   assembled a block of columns at a time, of about 2^21 entries each,
%   and each block is multiplied and freed before the next is made: the
%   matrix of a large pattern is never held whole, nor copied whole on its
%   way out of the tool that assembles it, which would cost twice its
%   size on top of the vectors the iteration holds.
%
%   [ZV, ZtU, blocks] = residual_products(...) keeps the blocks, in a cell
%   array, and z may be such a cell: calls that multiply one matrix
%   several times in turn (power steps) assemble it once.
if iscell(z)
  blocks = z;
  edges = [0; cumsum(cellfun(@(B) size(B, 2), blocks(:)))];
else
  edges = column_blocks(P.Jcol);
  blocks = cell(numel(edges) - 1, 1);
end
ZV = zeros(P.m, size(V, 2));
ZtU = zeros(P.n, size(U, 2));
for k = 1:numel(edges) - 1
  cols = edges(k) + 1:edges(k + 1);
  if iscell(z)
    Z = blocks{k};
  elseif numel(edges) == 2
    Z = ops.sparse(P, z);
  else
    Z = ops.sparse(column_block(P, cols), z(P.Jcol(cols(1)) + 1:P.Jcol(cols(end) + 1)));
  end
  if nargout > 2
    blocks{k} = Z;
  end
  if ~isempty(V)
    ZV = ZV + Z * V(cols, :);
  end
  if ~isempty(U)
    ZtU(cols, :) = (U' * Z)';
  end
end
end

% Column offsets that split the entries counted by Jcol into blocks of at
% most about 2^21, a column never split.
function edges = column_blocks(Jcol)
count = max(1, ceil(Jcol(end) / 2 ^ 21));
edges = zeros(count + 1, 1);
for k = 1:count - 1
  edges(k + 1) = find(Jcol >= k * Jcol(end) / count, 1) - 1;
end
edges(end) = numel(Jcol) - 1;
edges = unique(edges);
end

% The pattern of the columns cols of P, renumbered from 1.
function Q = column_block(P, cols)
entries = P.Jcol(cols(1)) + 1:P.Jcol(cols(end) + 1);
Q = P;
Q.n = numel(cols);
Q.I = P.I(entries);
Q.Jcol = P.Jcol(cols(1):cols(end) + 1) - P.Jcol(cols(1));
if isfield(P, 'J')
  Q.J = P.J(entries) - (cols(1) - 1);
end
end
