function varargout = quorvel(varargin)
%QUORVEL  Reorthogonalise a vector against columns of a basis.
%
%   [r, normr, passes] = quorvel(Q, R) removes from the m-by-1 vector R its
%   components along the columns of the m-by-k matrix Q by modified
%   Gram-Schmidt passes, and returns the new vector, its norm and the
%   number of passes made.
%
%   [...] = quorvel(Q, R, refNorm, index, ratio) gives the norm of R before
%   the call (default: computed from R), the 1-based columns of Q to use,
%   in order and with repeats allowed (default: 1..k), and the acceptance
%   ratio (default 0.5).  Arguments after the fifth are ignored.
%
%   A pass is repeated while it leaves the vector shorter than ratio times
%   its norm before the pass (the first pass is judged against refNorm).
%   After four passes that all asked for another, quorvel gives up: r is
%   all zeros, normr is 0 and passes is 5.  A NaN norm accepts.
%
%   Sums are added left to right with no fused multiply-add.  Q and R must
%   be dense doubles; they are not changed.
%
%   Errors (identifiers in Octave):
%     quorvel: requires at least 2 input arguments.           quorvel:notEnoughInputs
%     quorvel: requires at most 4 output argument.            quorvel:tooManyOutputs
%     quorvel: sparse Q not allowed.                          quorvel:sparseQ
%     quorvel: sparse R not allowed.                          quorvel:sparseR
%     quorvel: R is not compatible.                           quorvel:incompatibleR
%     quorvel: index is empty                                 quorvel:emptyIndex
%     quorvel: Q and R must be double.                        quorvel:notDouble
%     quorvel: matrix is too large.                           quorvel:tooLarge
%     quorvel: refNorm and ratio must be nonempty doubles.    quorvel:badScalar
%     quorvel: index must be a dense double vector.           quorvel:badIndex
%     quorvel: requires at most 3 output arguments.           quorvel:tooManyOutputs
%     quorvel: index out of range.                            quorvel:indexOutOfRange
%
%   On a host without a compiled quorvel module, a call ends with
%     quorvel: no compiled module for this host (mexext EXT); run build_mex
%   (quorvel:noModule): build_mex compiles the tools for it.
%
%   Example:
%     [r, normr, passes] = quorvel([1; 0; 0], [3; 4; 0])   % [0; 4; 0], 4, 1
%
%   See also HALMET, DORVIK.

% Reached only on a host without the module, which takes precedence.
error('quorvel:noModule', 'quorvel: no compiled module for this host (mexext %s); run build_mex', mexext);
end

%!demo
%! ## [3; 4; 5] without its components along the first two unit vectors
%! Q = [1 0; 0 1; 0 0];
%! [r, normr, passes] = quorvel (Q, [3; 4; 5])

%!test
%! ## each refused call ends with its fixed message and identifier, and Octave goes on
%! Q = [1; 0; 0];  R = [3; 4; 0];
%! cases = {1, @() quorvel (Q),                                         "quorvel: requires at least 2 input arguments.", "quorvel:notEnoughInputs"
%!          5, @() quorvel (Q, R),                                      "quorvel: requires at most 4 output argument.", "quorvel:tooManyOutputs"
%!          1, @() quorvel (sparse (Q), sparse (R)),                    "quorvel: sparse Q not allowed.", "quorvel:sparseQ"
%!          1, @() quorvel (Q, sparse (R)),                             "quorvel: sparse R not allowed.", "quorvel:sparseR"
%!          1, @() quorvel (Q, R'),                                     "quorvel: R is not compatible.", "quorvel:incompatibleR"
%!          1, @() quorvel (Q, R, 5, []),                               "quorvel: index is empty", "quorvel:emptyIndex"
%!          1, @() quorvel (Q, R, 5, 2),                                "quorvel: index out of range.", "quorvel:indexOutOfRange"
%!          4, @() quorvel (Q, R),                                      "quorvel: requires at most 3 output arguments.", "quorvel:tooManyOutputs"
%!          1, @() quorvel ([1 0; 0 1; 0 0], [3; 4; 5], 1, 0),          "quorvel: index out of range.", "quorvel:indexOutOfRange"
%!          1, @() quorvel ([1 0; 0 1; 0 0], [3; 4; 5], 1, 3),          "quorvel: index out of range.", "quorvel:indexOutOfRange"
%!          1, @() quorvel (zeros (3, 0), [3; 4; 5], 1, 0.5),           "quorvel: index out of range.", "quorvel:indexOutOfRange"
%!          1, @() quorvel ([1 0; 0 1; 0 0], [3; 4; 5], []),            "quorvel: refNorm and ratio must be nonempty doubles.", "quorvel:badScalar"
%!          1, @() quorvel ([1 0; 0 1; 0 0], [3; 4; 5], 1, sparse (1)), "quorvel: index must be a dense double vector.", "quorvel:badIndex"
%!          1, @() quorvel (single ([1 0; 0 1; 0 0]), [3; 4; 5]),       "quorvel: Q and R must be double.", "quorvel:notDouble"
%!          4, @() quorvel ([1 0; 0 1; 0 0], [3; 4; 5]),                "quorvel: requires at most 3 output arguments.", "quorvel:tooManyOutputs"};
%! for i = 1:rows (cases)
%!   err = struct ("message", "the call succeeded", "identifier", "");
%!   try, [out{1:cases{i,1}}] = cases{i,2} (); catch err, end_try_catch
%!   assert ({err.message, err.identifier}, cases(i,3:4));
%! endfor

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
