function varargout = sunwick(varargin)
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
%   On a host without a compiled sunwick module, a call ends with
%     sunwick: no compiled module for this host (mexext EXT); run build_mex
%   (sunwick:noModule): build_mex compiles the tools for it.
%
%   Example:
%     U = [1 2; 3 4; 5 6];  V = eye(2);
%     x = sunwick(U, V, [1; 3; 2], [0; 2; 3])     % [1; 5; 4]
%
%   See also TALVERY.

% Reached only on a host without the module, which takes precedence.
error('sunwick:noModule', 'sunwick: no compiled module for this host (mexext %s); run build_mex', mexext);
end

%!demo
%! U = [1 2; 3 4; 5 6];  V = eye (2);
%! ## U*V' at rows 1 and 3 of column 1 and row 2 of column 2
%! x = sunwick (U, V, [1; 3; 2], [0; 2; 3])

%!test
%! ## each refused call ends with its fixed message and identifier, and Octave goes on
%! U = [1 2; 3 4; 5 6];  V = eye (2);  I = [1; 3; 2];  J = [0; 2; 3];
%! cases = {1, @() sunwick (U, V, I),                       "Tessmark: requires 4 inputs", "sunwick:inputCount"
%!          0, @() sunwick (U, V, I, J),                    "Tessmark: requires 1 output", "sunwick:outputCount"
%!          2, @() sunwick (U, V, I, J),                    "Tessmark: requires 1 output", "sunwick:outputCount"
%!          1, @() sunwick (sparse (U), ones (2, 3), I, J), "Tessmark: U must be dense", "sunwick:sparseU"
%!          1, @() sunwick (U, sparse (ones (2, 3)), I, J), "Tessmark: U,V not compatible", "sunwick:incompatible"
%!          1, @() sunwick (U, sparse (V), I, J),           "Tessmark: V must be dense", "sunwick:sparseV"
%!          1, @() sunwick (U, V, [1; 4; 2], J),            "Tessmark: row index out of range", "sunwick:rowOutOfRange"
%!          1, @() sunwick (U, V, I, [0; 2; 4]),            "Tessmark: column pointer out of range", "sunwick:pointerOutOfRange"
%!          1, @() sunwick (U, V, int32 (I), J),            "Tessmark: I and Jcol must be dense double vectors", "sunwick:badPattern"
%!          1, @() sunwick (int32 (U), V, 1, [0 1]),        "Tessmark: U and V must be double", "sunwick:notDouble"
%!          1, @() sunwick (U, V, sparse ([1; 2]), [0 2]),  "Tessmark: I and Jcol must be dense double vectors", "sunwick:badPattern"
%!          1, @() sunwick (U, V, 0, [0 1]),                "Tessmark: row index out of range", "sunwick:rowOutOfRange"
%!          1, @() sunwick (U, V, NaN, [0 1]),              "Tessmark: row index out of range", "sunwick:rowOutOfRange"
%!          1, @() sunwick (zeros (0, 2), V, 0.5, [0 1]),   "Tessmark: row index out of range", "sunwick:rowOutOfRange"
%!          1, @() sunwick (U, V, 1, [0 Inf]),              "Tessmark: column pointer out of range", "sunwick:pointerOutOfRange"
%!          1, @() sunwick (U, V, 1, [0 1 1 1]),            "Tessmark: more pattern columns than rows of V", "sunwick:tooManyColumns"};
%! for i = 1:rows (cases)
%!   err = struct ("message", "the call succeeded", "identifier", "");
%!   try, [out{1:cases{i,1}}] = cases{i,2} (); catch err, end_try_catch
%!   assert ({err.message, err.identifier}, cases(i,3:4));
%! endfor

%!test
%! x = sunwick ([1 2; 3 4; 5 6], eye (2), [1; 3; 2], [0; 2; 3]);
%! assert (x, [1; 5; 4]);
%! assert (sunwick ([1 2; 3 4; 5 6], eye (2), [1 3 2], [0 2 3]), [1; 5; 4]);
%! assert (sunwick ([1 1e16 -1e16], [1 1 1], 1, [0 1]), 0);
%! ## a range without positions is not checked for where it lies
%! assert (sunwick ([1 2; 3 4; 5 6], eye (2), [1; 3; 2], [5; 0]), [0; 0; 0]);
%! assert (sunwick ([1 2; 3 4; 5 6], eye (2), [1; 3; 2], [0; 2; -4]), [1; 5; 0]);

%!test
%! ## bit for bit the in-order sum of the products, as the plain loop gives
%! m = 60;  n = 50;  k = 9;
%! U = randn (m, k);  V = randn (n, k);
%! S = sprand (m, n, 0.2);
%! [I, J] = find (S);
%! Jcol = [0; cumsum(full (sum (S ~= 0, 1)))'];
%! x = sunwick (U, V, I, Jcol);
%! expected = zeros (numel (I), 1);
%! for p = 1:numel (I)
%!   s = 0;
%!   for d = 1:k
%!     s = s + U(I(p), d) * V(J(p), d);
%!   endfor
%!   expected(p) = s;
%! endfor
%! assert (isequal (x, expected));
%! assert (isequal (x, sum (U(I,:) .* V(J,:), 2)));
