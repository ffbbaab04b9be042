## Runs the Octave suite against the toolbox folder given as argument (the
## modules with their help files), then checks that each module wins over
## the help file beside it, and that the help file alone says what to do.
## Ends with "N passed, N failed" and exits with the number of failures.
addpath (fileparts (mfilename ("fullpath")));
folder = argv (){1};
addpath (folder);
[passed, failed] = run_suite ();
alone = tempname ();
mkdir (alone);
for name = {"dorvik", "halmet", "sunwick", "talvery", "quorvel"}
  tool = name{1};
  ok = strcmp (which (tool), fullfile (folder, [tool ".mex"]));
  copyfile (fullfile (folder, [tool ".m"]), alone);
  addpath (alone);   # first on the path: the help file without its module
  try
    feval (tool, 1);
    ok = false;
  catch err
    ok = ok && strcmp (err.identifier, [tool ":noModule"]) && strcmp (err.message,
      [tool ": no compiled module for this host (mexext mex); run build_mex"]);
  end_try_catch
  rmpath (alone);
  printf ("%-16s %s\n", [tool " alone"], merge (ok, "says to run build_mex", "FAILED"));
  passed += ok;
  failed += ! ok;
endfor
confirm_recursive_rmdir (false);
rmdir (alone, "s");
printf ("%d passed, %d failed\n", passed, failed);
exit (min (failed, 255));
