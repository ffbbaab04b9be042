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
%   Example:
%     S = talvery(3, 2, [10; 20; 30], [1; 3; 2], [0; 2; 3]);
%     full(S)                   % [10 0; 0 30; 20 0]
%
%   See also SUNWICK.
