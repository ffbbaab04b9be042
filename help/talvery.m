function varargout = talvery(varargin)
%TALVERY  Sparse matrix from its compressed-column arrays.
%
%   S = talvery(nrows, ncols, V, I, Jcol) returns the nrows-by-ncols sparse
%   matrix whose k stored entries have the values V, in column order, at
%   the 1-based rows I; Jcol holds ncols+1 column offsets: column j holds
%   entries Jcol(j)+1 .. Jcol(j+1) (1-based).  The first element of Jcol is
%   not read and stands for 0; the last must be k.  k is the number of
%   rows of V, and I must have as many rows; Jcol may be a row or a column.
%
%   Nothing is sorted, merged or dropped: zeros in V stay stored entries,
%   so S has room for exactly k entries.  The description must already be
%   valid (rows from 1 to nrows, strictly increasing within each column,
%   offsets rising from 0 to k); one that is not is refused.  Numbers are
%   truncated toward zero (I after subtracting 1).
%
%   Errors (identifiers in Octave):
%     talvery: requires 5 inputs                                  talvery:inputCount
%     talvery: requires 1 output                                  talvery:outputCount
%     talvery: V must be dense                                    talvery:sparseV
%     talvery: V and I not compatible                             talvery:incompatibleVI
%     talvery: Jcol not compatible                                talvery:incompatibleJcol
%     talvery: nrows and ncols must be counts from 0 to 2^31-1    talvery:badSize
%     talvery: V, I and Jcol must be dense double arrays          talvery:notDouble
%     talvery: more than 2^31-1 entries                           talvery:tooManyEntries
%     talvery: V, I or Jcol has no elements                       talvery:noElements
%     talvery: column offsets must rise from 0 to the number of entries   talvery:badOffsets
%     talvery: row index out of range                             talvery:rowOutOfRange
%     talvery: row indices must increase within each column       talvery:unsortedRows
%
%   On a host without a compiled talvery module, a call ends with
%     talvery: no compiled module for this host (mexext EXT); run build_mex
%   (talvery:noModule): build_mex compiles the tools for it.
%
%   Example:
%     S = talvery(3, 2, [10; 20; 30], [1; 3; 2], [0; 2; 3]);
%     full(S)                   % [10 0; 0 30; 20 0]
%
%   See also SUNWICK.

% Reached only on a host without the module, which takes precedence.
error('talvery:noModule', 'talvery: no compiled module for this host (mexext %s); run build_mex', mexext);
end

%!demo
%! ## the 3-by-2 sparse matrix with 10 and 20 in column 1, 30 in column 2
%! S = talvery (3, 2, [10; 20; 30], [1; 3; 2], [0; 2; 3]);
%! full (S)

%!test
%! ## each refused call ends with its fixed message and identifier, and Octave goes on
%! V = [10; 20; 30];  I = [1; 3; 2];  J = [0; 2; 3];
%! cases = {1, @() talvery (3, 2, V, I),                                   "talvery: requires 5 inputs", "talvery:inputCount"
%!          0, @() talvery (3, 2, V, I, J),                                "talvery: requires 1 output", "talvery:outputCount"
%!          1, @() talvery (3, 2, sparse (V), I, J),                       "talvery: V must be dense", "talvery:sparseV"
%!          1, @() talvery (3, 2, V, [1; 2], J),                           "talvery: V and I not compatible", "talvery:incompatibleVI"
%!          1, @() talvery (3, 2, V, I, [0; 1; 2; 3]),                     "talvery: Jcol not compatible", "talvery:incompatibleJcol"
%!          1, @() talvery ([], 2, V, I, J),                               "talvery: nrows and ncols must be counts from 0 to 2^31-1", "talvery:badSize"
%!          1, @() talvery (3, 2, V, [1; 3; 3], [0; 3; 3]),                "talvery: row indices must increase within each column", "talvery:unsortedRows"
%!          1, @() talvery (3, 2, V, [1; 2; 3], [0; 3; 2]),                "talvery: column offsets must rise from 0 to the number of entries", "talvery:badOffsets"
%!          1, @() talvery (2, 2, V, I, J),                                "talvery: row index out of range", "talvery:rowOutOfRange"
%!          1, @() talvery ([], 2, 1, 1, [0 1 1]),                         "talvery: nrows and ncols must be counts from 0 to 2^31-1", "talvery:badSize"
%!          1, @() talvery (3, NaN, 1, 1, [0 1 1]),                        "talvery: nrows and ncols must be counts from 0 to 2^31-1", "talvery:badSize"
%!          1, @() talvery (-1, 2, 1, 1, [0 1 1]),                         "talvery: nrows and ncols must be counts from 0 to 2^31-1", "talvery:badSize"
%!          1, @() talvery (-1, 2, [10; 20; 30], [1; 3; 2], [0; 1; 2; 3]), "talvery: Jcol not compatible", "talvery:incompatibleJcol"
%!          1, @() talvery (3, 1, single (1), 1, [0 1]),                   "talvery: V, I and Jcol must be dense double arrays", "talvery:notDouble"
%!          1, @() talvery (3, 1, [1; 2; 3], sparse ([1; 2; 3]), [0 3]),   "talvery: V, I and Jcol must be dense double arrays", "talvery:notDouble"
%!          1, @() talvery (3, 1, zeros (3, 0), [1; 2; 3], [0 3]),         "talvery: V, I or Jcol has no elements", "talvery:noElements"
%!          1, @() talvery (3, 1, 1, 4, [0 1]),                            "talvery: row index out of range", "talvery:rowOutOfRange"
%!          1, @() talvery (3, 2, [1; 2], [1; 2], [0 2 1]),                "talvery: column offsets must rise from 0 to the number of entries", "talvery:badOffsets"
%!          1, @() talvery (3, 1, [1; 2], [2; 2], [0 2]),                  "talvery: row indices must increase within each column", "talvery:unsortedRows"};
%! for i = 1:rows (cases)
%!   err = struct ("message", "the call succeeded", "identifier", "");
%!   try, [out{1:cases{i,1}}] = cases{i,2} (); catch err, end_try_catch
%!   assert ({err.message, err.identifier}, cases(i,3:4));
%! endfor

%!test
%! S = talvery (3, 2, [10; 20; 30], [1; 3; 2], [0; 2; 3]);
%! assert (issparse (S));
%! assert (S, sparse ([1 3 2], [1 1 2], [10 20 30], 3, 2));
%! assert (talvery (3, 2, [10; 20; 30], [1; 3; 2], [5 2 3]), S);

%!test
%! ## against sparse () on a random pattern, zeros kept as stored entries
%! A = sprand (40, 30, 0.3);
%! [i, j, v] = find (A);
%! v(1:3:end) = 0;
%! S = talvery (40, 30, v, i, [0; cumsum(full (sum (A ~= 0, 1)))']);
%! assert (S, sparse (i, j, v, 40, 30));
%! assert (nzmax (S), numel (v));

%!test
%! S = talvery (3.9, 2, [1; 2], [2.7; 1], [0; 1; 2]);
%! assert (size (S), [3 2]);
%! assert (find (S)', [2 4]);
