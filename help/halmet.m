function varargout = halmet(varargin)
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
%   On a host without a compiled halmet module, a call ends with
%     halmet: no compiled module for this host (mexext EXT); run build_mex
%   (halmet:noModule): build_mex compiles the tools for it.
%
%   Example:
%     A = [2 1; 1 2];
%     [Q, D] = halmet(A);       % D has 1 and 3 on its diagonal
%     norm(A*Q - Q*D)
%
%   See also DORVIK, QUORVEL.

% Reached only on a host without the module, which takes precedence.
error('halmet:noModule', 'halmet: no compiled module for this host (mexext %s); run build_mex', mexext);
end

%!demo
%! A = [2 1; 1 2];
%! ## the eigenvalues, ascending, then the vectors and a sparse diagonal
%! w = halmet (A)
%! [Q, D] = halmet (A)

%!test
%! ## each refused call ends with its fixed message and identifier, and Octave goes on
%! A = [2 1; 1 2];
%! cases = {1, @() halmet (A, A),             "halmet: requires at most 1 input argument.", "halmet:tooManyInputs"
%!          3, @() halmet (A),                "halmet: requires at most 2 output argument.", "halmet:tooManyOutputs"
%!          1, @() halmet (sparse (2, 3)),    "halmet: matrix must be square.", "halmet:notSquare"
%!          1, @() halmet (sparse (A)),       "halmet: sparse matrix not allowed.", "halmet:sparseInput"
%!          1, @() halmet (),                 "halmet: requires 1 input argument.", "halmet:notEnoughInputs"
%!          1, @() halmet (true (2)),         "halmet: A must be a double matrix.", "halmet:notDouble"
%!          2, @() halmet (single (eye (3))), "halmet: A must be a double matrix.", "halmet:notDouble"};
%! for i = 1:rows (cases)
%!   err = struct ("message", "the call succeeded", "identifier", "");
%!   try, [out{1:cases{i,1}}] = cases{i,2} (); catch err, end_try_catch
%!   assert ({err.message, err.identifier}, cases(i,3:4));
%! endfor

%!test
%! B = randn (40);  A = B + B';  before = A + 0;
%! w = halmet (A);
%! assert (w, eig (A), 1e-12);
%! [Q, D] = halmet (A);
%! assert (issparse (D));  assert (nzmax (D), 40);
%! assert (A * Q, Q * D, 1e-12);
%! assert (Q' * Q, eye (40), 1e-13);
%! assert (A, before);

%!test
%! ## only the upper triangle is read
%! B = randn (6);  U = triu (B);  S = U + triu (U, 1)';
%! assert (halmet (U + 5 * tril (ones (6), -1)), halmet (S));

%!test
%! [Q, D] = halmet (-3.5);
%! assert (Q, 1);  assert (full (D), -3.5);
%! halmet (7);
%! assert (ans, 7);
%! assert (halmet (-Inf), -Inf);
%! [Q, D] = halmet (NaN);
%! assert (Q, 1);  assert (isnan (full (D)));

%!test
%! [~, D] = halmet (diag ([0 3 0]));
%! assert (nzmax (D), 3);  assert (full (diag (D)), [0; 0; 3]);

%!assert (all (isnan (halmet ([1 Inf; 0 1]))))
