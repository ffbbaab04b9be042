%DORVIK  Singular value decomposition of a dense matrix (LAPACK dgesdd).
%
%   s = dorvik(A) returns the k = min(m,n) singular values of the m-by-n
%   matrix A in descending order, as a k-by-1 column.
%
%   [s, info] = dorvik(A) also returns LAPACK's status: 0 on success, a
%   positive value when the iteration did not converge.  When A holds Inf
%   or NaN, dorvik does not call LAPACK: info is -4, dorvik's own status,
%   and every result is zero.  A nonzero status is returned, never raised
%   as an error.
%
%   [U, S, V] = dorvik(A) returns the economy-size factors, A = U*S*V':
%   U is m-by-k, S a k-by-k sparse diagonal matrix, V n-by-k.
%   [U, S, V, info] = dorvik(A) also returns the status.
%
%   [...] = dorvik(A, sizeChoice) returns the full-size factors (U m-by-m,
%   S m-by-n, V n-by-n) unless -1 < sizeChoice < 1.  The singular values
%   alone do not depend on the size choice.
%
%   A must be a dense double matrix; only its real part is read, and it is
%   not changed.  S stores all k singular values, zeros included.  An empty
%   A gives empty results of these shapes (the full-size U or V of an empty
%   A is an identity matrix) and status 0.
%
%   Errors (identifiers in Octave):
%     dorvik: requires at most 2 input arguments.        dorvik:tooManyInputs
%     dorvik: requires at most 4 output argument.        dorvik:tooManyOutputs
%     dorvik: sparse matrix not allowed.                 dorvik:sparseInput
%     dorvik: requires at least 1 input argument.        dorvik:notEnoughInputs
%     dorvik: A must be a double matrix.                 dorvik:notDouble
%     dorvik: size choice must be a nonempty double.     dorvik:badSizeChoice
%     dorvik: matrix is too large.                       dorvik:tooLarge
%
%   Example:
%     A = magic(4);
%     [U, S, V] = dorvik(A);
%     norm(U*S*V' - A)          % about 1e-14
%
%   See also HALMET, SUNWICK, TALVERY, QUORVEL.
