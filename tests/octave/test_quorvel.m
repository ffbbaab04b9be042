## Octave tests of quorvel, run by run_tests.m.

%!test
%! Q = [1; 0; 0];  R = [3; 4; 0];
%! expect_error (1, @() quorvel (Q), "quorvel: requires at least 2 input arguments.", "quorvel:notEnoughInputs");
%! expect_error (5, @() quorvel (Q, R), "quorvel: requires at most 4 output argument.", "quorvel:tooManyOutputs");
%! expect_error (1, @() quorvel (sparse (Q), sparse (R)), "quorvel: sparse Q not allowed.", "quorvel:sparseQ");
%! expect_error (1, @() quorvel (Q, sparse (R)), "quorvel: sparse R not allowed.", "quorvel:sparseR");
%! expect_error (1, @() quorvel (Q, R'), "quorvel: R is not compatible.", "quorvel:incompatibleR");
%! expect_error (1, @() quorvel (Q, R, 5, []), "quorvel: index is empty", "quorvel:emptyIndex");
%! expect_error (1, @() quorvel (Q, R, 5, 2), "quorvel: index out of range.", "quorvel:indexOutOfRange");
%! expect_error (4, @() quorvel (Q, R), "quorvel: requires at most 3 output arguments.", "quorvel:tooManyOutputs");

%!test
%! [r, nr, passes] = quorvel ([1; 0; 0], [3; 4; 0]);
%! assert ([r; nr; passes], [0; 4; 0; 4; 1]);
%! [r, nr, passes] = quorvel ([1; 0; 0], [4; 1; 0]);
%! assert ([r; nr; passes], [0; 1; 0; 1; 2]);
%! [r, nr, passes] = quorvel ([1; 0; 0], [3; 4; 0], 5, 1, 2);
%! assert ([r; nr; passes], [0; 0; 0; 0; 5]);

%!function s = sum_in_order (v)
%!  s = 0;
%!  for i = 1:numel (v)
%!    s = s + v(i);
%!  endfor
%!endfunction

%!test
%! ## bit for bit the passes written as plain loops
%! m = 37;  k = 5;  Q = randn (m, k);  R = randn (m, 1);  list = [3 1 5 1 2];
%! [r, nr, passes] = quorvel (Q, R, norm (R), list, 0.9);
%! plainDot = @(x, y) sum_in_order (x .* y);
%! x = R;  previous = norm (R);
%! for pass = 1:5
%!   if (pass == 5)
%!     x(:) = 0;  current = 0;  break;
%!   endif
%!   for c = list
%!     s = plainDot (Q(:,c), x);
%!     x = x - s * Q(:,c);
%!   endfor
%!   current = sqrt (plainDot (x, x));
%!   if (! (current < 0.9 * previous))
%!     break;
%!   endif
%!   previous = current;
%! endfor
%! assert (isequal (r, x));
%! assert (isequal (nr, current));
%! assert (passes, pass);

%!test
%! ## only the requested results are filled; the arguments are unchanged
%! Q = [1; 0; 0];  R = [3; 4; 0];  before = R + 0;
%! quorvel (Q, R);
%! assert (ans, [0; 4; 0]);
%! assert (R, before);
