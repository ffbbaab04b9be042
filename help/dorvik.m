function varargout = dorvik(varargin)
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
%   On a host without a compiled dorvik module, a call ends with
%     dorvik: no compiled module for this host (mexext EXT); run build_mex
%   (dorvik:noModule): build_mex compiles the tools for it.
%
%   Example:
%     A = magic(4);
%     [U, S, V] = dorvik(A);
%     norm(U*S*V' - A)          % about 1e-14
%
%   See also HALMET, SUNWICK, TALVERY, QUORVEL.

% Reached only on a host without the module, which takes precedence.
error('dorvik:noModule', 'dorvik: no compiled module for this host (mexext %s); run build_mex', mexext);
end

%!demo
%! A = magic (4);
%! ## the singular values, then the economy-size factors
%! s = dorvik (A)
%! [U, S, V] = dorvik (A);
%! norm (U * S * V' - A)

%!test
%! ## each refused call ends with its fixed message and identifier, and Octave goes on
%! A = magic (4);  S = sparse (A);
%! cases = {1, @() dorvik (S, 1, 1),          "dorvik: requires at most 2 input arguments.", "dorvik:tooManyInputs"
%!          5, @() dorvik (S),                "dorvik: requires at most 4 output argument.", "dorvik:tooManyOutputs"
%!          1, @() dorvik (S),                "dorvik: sparse matrix not allowed.", "dorvik:sparseInput"
%!          1, @() dorvik (),                 "dorvik: requires at least 1 input argument.", "dorvik:notEnoughInputs"
%!          1, @() dorvik (single (A)),       "dorvik: A must be a double matrix.", "dorvik:notDouble"
%!          1, @() dorvik (int8 (A)),         "dorvik: A must be a double matrix.", "dorvik:notDouble"
%!          3, @() dorvik (A, []),            "dorvik: size choice must be a nonempty double.", "dorvik:badSizeChoice"
%!          1, @() dorvik (int8 (magic (3))), "dorvik: A must be a double matrix.", "dorvik:notDouble"
%!          1, @() dorvik ("text"),           "dorvik: A must be a double matrix.", "dorvik:notDouble"
%!          3, @() dorvik (eye (2), true),    "dorvik: size choice must be a nonempty double.", "dorvik:badSizeChoice"};
%! for i = 1:rows (cases)
%!   err = struct ("message", "the call succeeded", "identifier", "");
%!   try, [out{1:cases{i,1}}] = cases{i,2} (); catch err, end_try_catch
%!   assert ({err.message, err.identifier}, cases(i,3:4));
%! endfor

%!error <sparse matrix not allowed> dorvik (speye (3))

%!test
%! A = [1 2 3; 4 5 6; 7 8 10; 1 0 1; 2 2 2];
%! [U, S, V, info] = dorvik (A);
%! assert (size (U), [5 3]);  assert (size (S), [3 3]);  assert (size (V), [3 3]);  assert (info, 0);
%! assert (issparse (S));  assert (nzmax (S), 3);
%! assert (U * S * V', A, 1e-13);
%! [U, S, V] = dorvik (A, 1);
%! assert (size (U), [5 5]);  assert (size (S), [5 3]);  assert (nnz (S), 3);
%! assert (U * S * V', A, 1e-13);
%! [U, S, V] = dorvik (A', 1);
%! assert (size (U), [3 3]);  assert (size (S), [3 5]);  assert (size (V), [5 5]);

%!test
%! A = randn (30, 20);
%! svd_driver ("gesdd");
%! assert (dorvik (A), svd (A), 1e-13);
%! svd_driver ("gesvd");
%! assert (dorvik (A), svd (A), 1e-13);
%! [U, S, V] = dorvik (A);
%! [U2, S2, V2] = svd (A, "econ");
%! assert (full (S), S2, 1e-13);
%! assert (abs (U' * U2), eye (20), 1e-12);

%!test
%! ## a rank-deficient matrix keeps its zero singular value as a stored entry
%! [~, S, ~] = dorvik (diag ([2 1 0]));
%! assert (nzmax (S), 3);
%! assert (full (diag (S))', [2 1 0]);

%!test
%! ## called as a statement: the values land in ans; the argument is unchanged
%! A = [3 0; 0 4];  before = A + 0;
%! dorvik (A);
%! assert (ans, [4; 3]);
%! assert (A, before);

%!test
%! ## an empty matrix: empty results, identities for the full-size factors
%! [U, S, V, info] = dorvik (zeros (0, 3), 1);
%! assert (size (U), [0 0]);  assert (size (S), [0 3]);  assert (V, eye (3));  assert (info, 0);

%!test
%! ## a complex matrix is decomposed by its real part
%! A = rand (4, 3);
%! assert (dorvik (complex (A, ones (4, 3))), dorvik (A));

%!test
%! ## a matrix with Inf: dorvik does not call LAPACK, and returns its own status -4
%! [U, S, V, info] = dorvik ([3 0 0; -Inf 0 0; 1 0 0; 4 0 0; 0 0 0]);
%! assert (info, -4);
