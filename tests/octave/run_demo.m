## The matrix-completion demo at a small size: it must reach a relative
## error below 1e-3 on the unobserved entries within ten seconds, and draw
## its convergence plot as make demo does.
arguments = argv ();
addpath (arguments{1});
addpath (arguments{2});
start = tic ();
result = complete_matrix ("size", 600, "rank", 5, "fraction", 0.2, "plot", "", "compare", false, "quiet", true);
seconds = toc (start);
## the plot, as make demo draws it
picture = [tempname() ".png"];
complete_matrix ("size", 100, "rank", 2, "plot", picture, "compare", false, "quiet", true);
drawn = exist (picture, "file") == 2;
if (drawn)
  delete (picture);
endif
printf ("relative error %.3g, rank %d, %d iterations, %.2f s\n", result.error, result.rank,
        numel (result.history), seconds);
failed = (result.error >= 1e-3) + (seconds >= 10) + (result.rank != 5) + !drawn;
printf ("%d passed, %d failed\n", 4 - failed, failed);
exit (failed);
