function [Q, values] = subpattern(P, b, keep)
%SUBPATTERN  The positions of a pattern where keep is true.
%
%   [Q, values] = subpattern(P, b, keep) returns the pattern of the
%   positions of P marked in the logical vector keep, in the same order,
%   and the values b there.  A column's new offset is the number of kept
%   positions before it.
before = [0; cumsum(keep(:))];
Q = P;
Q.I = P.I(keep);
Q.Jcol = before(P.Jcol + 1);
if isfield(P, 'J')
  Q.J = P.J(keep);
end
values = b(keep);
end
