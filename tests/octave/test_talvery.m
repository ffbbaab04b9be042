## Octave tests of talvery, run by run_tests.m.

%!test
%! V = [10; 20; 30];  I = [1; 3; 2];  J = [0; 2; 3];
%! expect_error (1, @() talvery (3, 2, V, I), "talvery: requires 5 inputs", "talvery:inputCount");
%! expect_error (0, @() talvery (3, 2, V, I, J), "talvery: requires 1 output", "talvery:outputCount");
%! expect_error (1, @() talvery (3, 2, sparse (V), I, J), "talvery: V must be dense", "talvery:sparseV");
%! expect_error (1, @() talvery (3, 2, V, [1; 2], J), "talvery: V and I not compatible", "talvery:incompatibleVI");
%! expect_error (1, @() talvery (3, 2, V, I, [0; 1; 2; 3]), "talvery: Jcol not compatible", "talvery:incompatibleJcol");
%! expect_error (1, @() talvery ([], 2, V, I, J), "talvery: nrows and ncols must be counts from 0 to 2^31-1", "talvery:badSize");
%! expect_error (1, @() talvery (3, 2, V, [1; 3; 3], [0; 3; 3]), "talvery: row indices must increase within each column", "talvery:unsortedRows");
%! expect_error (1, @() talvery (3, 2, V, [1; 2; 3], [0; 3; 2]), "talvery: column offsets must rise from 0 to the number of entries", "talvery:badOffsets");
%! expect_error (1, @() talvery (2, 2, V, I, J), "talvery: row index out of range", "talvery:rowOutOfRange");

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
