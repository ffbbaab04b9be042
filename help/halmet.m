%HALMET  Eigenvalues and eigenvectors of a symmetric matrix (LAPACK dsyevd).
%
%   w = halmet(A) returns the n eigenvalues of the n-by-n symmetric matrix
%   A in ascending order, as an n-by-1 column.
%
%   [Q, D] = halmet(A) also returns the eigenvectors: Q is n-by-n with
%   orthonormal columns, D an n-by-n sparse diagonal matrix holding the
%   eigenvalues in the same order (zeros stored too), and A*Q = Q*D.
%
%   Only the upper triangle of A, diagonal included, is read; symmetry is
%   not checked.  A must be a dense double matrix; only its real part is
%   read, and it is not changed.  A failure of the solver is not reported.
%
%   From order 2 on, Inf or NaN in the upper triangle gives NaN results (all
%   eigenvalues, and all of Q) without calling the solver; a 1-by-1 [x]
%   gives x, and with two results [1] and sparse x, whatever x is.  An
%   empty A gives an empty 0-by-1 column, or an empty Q and an empty sparse
%   D.
%
%   Errors (identifiers in Octave):
%     halmet: requires at most 1 input argument.         halmet:tooManyInputs
%     halmet: requires at most 2 output argument.        halmet:tooManyOutputs
%     halmet: matrix must be square.                     halmet:notSquare
%     halmet: sparse matrix not allowed.                 halmet:sparseInput
%     halmet: requires 1 input argument.                 halmet:notEnoughInputs
%     halmet: A must be a double matrix.                 halmet:notDouble
%     halmet: matrix is too large.                       halmet:tooLarge
%
%   Example:
%     A = [2 1; 1 2];
%     [Q, D] = halmet(A);       % D has 1 and 3 on its diagonal
%     norm(A*Q - Q*D)
%
%   See also DORVIK, QUORVEL.
