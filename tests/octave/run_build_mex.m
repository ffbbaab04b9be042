## Builds the tools from the source folder given as argument with Octave's
## own mex command, as a user without the binaries would, and runs the
## suite against what it built.
source = argv (){1};
addpath (fileparts (mfilename ("fullpath")));
folder = tempname ();
mkdir (folder);
copyfile (fullfile (source, "*"), folder);
addpath (folder);
build_mex ();
[passed, failed] = run_suite ();
confirm_recursive_rmdir (false);
rmdir (folder, "s");
printf ("%d passed, %d failed\n", passed, failed);
exit (min (failed, 255));
