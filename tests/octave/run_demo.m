## The matrix-completion demo at a small size: it must reach a relative
## error below 1e-3 on the unobserved entries within ten seconds.
arguments = argv ();
addpath (arguments{1});
addpath (arguments{2});
start = tic ();
result = complete_matrix ("size", 600, "rank", 5, "fraction", 0.2, "plot", "", "compare", false, "quiet", true);
seconds = toc (start);
printf ("relative error %.3g, rank %d, %d iterations, %.2f s\n", result.error, result.rank,
        numel (result.history), seconds);
failed = (result.error >= 1e-3) + (seconds >= 10) + (result.rank != 5);
printf ("%d passed, %d failed\n", 3 - failed, failed);
exit (failed);
