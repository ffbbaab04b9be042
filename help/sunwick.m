%SUNWICK  Entries of U*V' at the positions of a sparse pattern.
%
%   x = sunwick(U, V, I, Jcol) returns, for every stored position of a
%   compressed-column pattern, the entry of U*V' there, without forming
%   U*V'.  U is m-by-k and V n-by-k, both dense doubles.  The pattern is
%   given by two double vectors, rows or columns:
%     I     the 1-based row of each position, column after column;
%     Jcol  0-based column offsets: the positions of column j are
%           Jcol(j)+1 .. Jcol(j+1) (1-based), so numel(Jcol) is one more
%           than the number of columns.
%   x is a column of max(size(I)) entries (the larger dimension of I), one
%   per position, in the same order as the values of a sparse matrix with
%   that pattern are stored; TALVERY turns it into that matrix.
%
%   Each entry is the sum over d = 1..k of U(i,d)*V(j,d), added in that
%   order from +0 with no fused multiply-add, so results agree to the last
%   bit on every machine.  Indices are truncated toward zero (I after
%   subtracting 1).  A column whose offsets do not rise has no positions,
%   wherever its offsets lie.  Positions that no column covers are 0; where
%   column ranges overlap, the later column wins.
%
%   For a sparse matrix S the pattern vectors are
%     [I, J] = find(S);  Jcol = [0; cumsum(full(sum(S ~= 0, 1)))'];
%
%   Errors (identifiers in Octave):
%     Tessmark: requires 4 inputs                        sunwick:inputCount
%     Tessmark: requires 1 output                        sunwick:outputCount
%     Tessmark: U must be dense                          sunwick:sparseU
%     Tessmark: U,V not compatible                       sunwick:incompatible
%     Tessmark: V must be dense                          sunwick:sparseV
%     Tessmark: U and V must be double                   sunwick:notDouble
%     Tessmark: I and Jcol must be dense double vectors  sunwick:badPattern
%     Tessmark: dimensions too large                     sunwick:tooLarge
%     Tessmark: more pattern columns than rows of V      sunwick:tooManyColumns
%     Tessmark: column pointer out of range              sunwick:pointerOutOfRange
%     Tessmark: row index out of range                   sunwick:rowOutOfRange
%
%   Example:
%     U = [1 2; 3 4; 5 6];  V = eye(2);
%     x = sunwick(U, V, [1; 3; 2], [0; 2; 3])     % [1; 5; 4]
%
%   See also TALVERY.
