function Q = orthonormal_columns(B, Z)
%ORTHONORMAL_COLUMNS  Orthonormal columns spanning Z's, orthogonal to B's.
%
%   Q = orthonormal_columns(B, Z) orthonormalises the columns of Z against
%   B's orthonormal columns and the columns accepted so far, by quorvel's
%   Gram-Schmidt passes.  A column that adds nothing is replaced by a
%   random one, so Q always has as many columns as Z; where the columns of
%   B and those before already fill the space, the column is zero.
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
    accepted = normq > 0 && normq > 1e-10 * norm(z);
    if accepted
      break;
    end
    z = randn(m, 1);
  end
  if accepted
    Q(:, k + j) = q / normq;
  end
end
Q = Q(:, k + 1:end);
end
