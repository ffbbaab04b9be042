## Runs the Octave suite against the toolbox folder given as argument (the
## modules with their help files).  Ends with "N passed, N failed" and exits
## with the number of failures.
addpath (fileparts (mfilename ("fullpath")));
addpath (argv (){1});
[passed, failed] = run_suite ();
printf ("%d passed, %d failed\n", passed, failed);
exit (min (failed, 255));
