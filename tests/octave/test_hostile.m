## Hostile input from Octave: calls the tools' contracts leave open end
## with the tool's message and identifier, and Octave goes on.

%!test
%! U = [1 2; 3 4; 5 6];  V = eye (2);  Q = [1 0; 0 1; 0 0];
%! cases = {
%!   1, @() dorvik (),                                 "dorvik: requires at least 1 input argument.",  "dorvik:notEnoughInputs"
%!   1, @() dorvik (int8 (magic (3))),                 "dorvik: A must be a double matrix.",           "dorvik:notDouble"
%!   1, @() dorvik ("text"),                           "dorvik: A must be a double matrix.",           "dorvik:notDouble"
%!   3, @() dorvik (V, true),                          "dorvik: size choice must be a nonempty double.", "dorvik:badSizeChoice"
%!   1, @() halmet (),                                 "halmet: requires 1 input argument.",           "halmet:notEnoughInputs"
%!   2, @() halmet (single (eye (3))),                 "halmet: A must be a double matrix.",           "halmet:notDouble"
%!   1, @() sunwick (int32 (U), V, 1, [0 1]),          "Tessmark: U and V must be double",             "sunwick:notDouble"
%!   1, @() sunwick (U, V, sparse ([1; 2]), [0 2]),    "Tessmark: I and Jcol must be dense double vectors", "sunwick:badPattern"
%!   1, @() sunwick (U, V, 0, [0 1]),                  "Tessmark: row index out of range",             "sunwick:rowOutOfRange"
%!   1, @() sunwick (U, V, NaN, [0 1]),                "Tessmark: row index out of range",             "sunwick:rowOutOfRange"
%!   1, @() sunwick (zeros (0, 2), V, 0.5, [0 1]),     "Tessmark: row index out of range",             "sunwick:rowOutOfRange"
%!   1, @() sunwick (U, V, 1, [0 Inf]),                "Tessmark: column pointer out of range",        "sunwick:pointerOutOfRange"
%!   1, @() sunwick (U, V, 1, [0 1 1 1]),              "Tessmark: more pattern columns than rows of V", "sunwick:tooManyColumns"
%!   1, @() talvery ([], 2, 1, 1, [0 1 1]),            "talvery: nrows and ncols must be counts from 0 to 2^31-1", "talvery:badSize"
%!   1, @() talvery (3, NaN, 1, 1, [0 1 1]),           "talvery: nrows and ncols must be counts from 0 to 2^31-1", "talvery:badSize"
%!   1, @() talvery (-1, 2, 1, 1, [0 1 1]),            "talvery: nrows and ncols must be counts from 0 to 2^31-1", "talvery:badSize"
%!   1, @() talvery (-1, 2, [10; 20; 30], [1; 3; 2], [0; 1; 2; 3]), "talvery: Jcol not compatible",   "talvery:incompatibleJcol"
%!   1, @() talvery (3, 1, single (1), 1, [0 1]),      "talvery: V, I and Jcol must be dense double arrays", "talvery:notDouble"
%!   1, @() talvery (3, 1, [1; 2; 3], sparse ([1; 2; 3]), [0 3]), "talvery: V, I and Jcol must be dense double arrays", "talvery:notDouble"
%!   1, @() talvery (3, 1, zeros (3, 0), [1; 2; 3], [0 3]), "talvery: V, I or Jcol has no elements",   "talvery:noElements"
%!   1, @() talvery (3, 1, 1, 4, [0 1]),               "talvery: row index out of range",              "talvery:rowOutOfRange"
%!   1, @() talvery (3, 2, [1; 2], [1; 2], [0 2 1]),   "talvery: column offsets must rise from 0 to the number of entries", "talvery:badOffsets"
%!   1, @() talvery (3, 1, [1; 2], [2; 2], [0 2]),     "talvery: row indices must increase within each column", "talvery:unsortedRows"
%!   1, @() quorvel (Q, [3; 4; 5], 1, 0),              "quorvel: index out of range.",                 "quorvel:indexOutOfRange"
%!   1, @() quorvel (Q, [3; 4; 5], 1, 3),              "quorvel: index out of range.",                 "quorvel:indexOutOfRange"
%!   1, @() quorvel (zeros (3, 0), [3; 4; 5], 1, 0.5), "quorvel: index out of range.",                 "quorvel:indexOutOfRange"
%!   1, @() quorvel (Q, [3; 4; 5], []),                "quorvel: refNorm and ratio must be nonempty doubles.", "quorvel:badScalar"
%!   1, @() quorvel (Q, [3; 4; 5], 1, sparse (1)),     "quorvel: index must be a dense double vector.", "quorvel:badIndex"
%!   1, @() quorvel (single (Q), [3; 4; 5]),           "quorvel: Q and R must be double.",             "quorvel:notDouble"
%!   4, @() quorvel (Q, [3; 4; 5]),                    "quorvel: requires at most 3 output arguments.", "quorvel:tooManyOutputs"
%! };
%! for i = 1:rows (cases)
%!   expect_error (cases{i,:});
%! endfor

%!test
%! ## a matrix with Inf: dorvik does not call LAPACK, and returns its own status -4
%! [U, S, V, info] = dorvik ([3 0 0; -Inf 0 0; 1 0 0; 4 0 0; 0 0 0]);
%! assert (info, -4);
%! assert (all (isnan (halmet ([1 Inf; 0 1]))));
