## Octave tests of halmet, run by run_tests.m.

%!test
%! A = [2 1; 1 2];
%! expect_error (1, @() halmet (A, A), "halmet: requires at most 1 input argument.", "halmet:tooManyInputs");
%! expect_error (3, @() halmet (A), "halmet: requires at most 2 output argument.", "halmet:tooManyOutputs");
%! expect_error (1, @() halmet (sparse (2, 3)), "halmet: matrix must be square.", "halmet:notSquare");
%! expect_error (1, @() halmet (sparse (A)), "halmet: sparse matrix not allowed.", "halmet:sparseInput");
%! expect_error (1, @() halmet (), "halmet: requires 1 input argument.", "halmet:notEnoughInputs");
%! expect_error (1, @() halmet (true (2)), "halmet: A must be a double matrix.", "halmet:notDouble");

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
