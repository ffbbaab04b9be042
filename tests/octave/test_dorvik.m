## Octave tests of dorvik, run by run_tests.m.

%!test
%! A = magic (4);  S = sparse (A);
%! expect_error (1, @() dorvik (S, 1, 1), "dorvik: requires at most 2 input arguments.", "dorvik:tooManyInputs");
%! expect_error (5, @() dorvik (S), "dorvik: requires at most 4 output argument.", "dorvik:tooManyOutputs");
%! expect_error (1, @() dorvik (S), "dorvik: sparse matrix not allowed.", "dorvik:sparseInput");
%! expect_error (1, @() dorvik (), "dorvik: requires at least 1 input argument.", "dorvik:notEnoughInputs");
%! expect_error (1, @() dorvik (single (A)), "dorvik: A must be a double matrix.", "dorvik:notDouble");
%! expect_error (1, @() dorvik (int8 (A)), "dorvik: A must be a double matrix.", "dorvik:notDouble");
%! expect_error (3, @() dorvik (A, []), "dorvik: size choice must be a nonempty double.", "dorvik:badSizeChoice");

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
