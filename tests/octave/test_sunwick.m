## Octave tests of sunwick, run by run_tests.m.

%!test
%! U = [1 2; 3 4; 5 6];  V = eye (2);  I = [1; 3; 2];  J = [0; 2; 3];
%! expect_error (1, @() sunwick (U, V, I), "Tessmark: requires 4 inputs", "sunwick:inputCount");
%! expect_error (0, @() sunwick (U, V, I, J), "Tessmark: requires 1 output", "sunwick:outputCount");
%! expect_error (2, @() sunwick (U, V, I, J), "Tessmark: requires 1 output", "sunwick:outputCount");
%! expect_error (1, @() sunwick (sparse (U), ones (2, 3), I, J), "Tessmark: U must be dense", "sunwick:sparseU");
%! expect_error (1, @() sunwick (U, sparse (ones (2, 3)), I, J), "Tessmark: U,V not compatible", "sunwick:incompatible");
%! expect_error (1, @() sunwick (U, sparse (V), I, J), "Tessmark: V must be dense", "sunwick:sparseV");
%! expect_error (1, @() sunwick (U, V, [1; 4; 2], J), "Tessmark: row index out of range", "sunwick:rowOutOfRange");
%! expect_error (1, @() sunwick (U, V, I, [0; 2; 4]), "Tessmark: column pointer out of range", "sunwick:pointerOutOfRange");
%! expect_error (1, @() sunwick (U, V, int32 (I), J), "Tessmark: I and Jcol must be dense double vectors", "sunwick:badPattern");

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
