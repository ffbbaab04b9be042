## Installs the Octave package given as argument into a temporary prefix,
## loads it and runs the suite against the installed tools.
tarball = argv (){1};
addpath (fileparts (mfilename ("fullpath")));
prefix = tempname ();
mkdir (prefix);
pkg ("prefix", prefix, prefix);
pkg ("local_list", fullfile (prefix, "packages"));
pkg ("install", tarball);
pkg ("load", "lowrank");
printf ("dorvik comes from %s\n", which ("dorvik"));
passed = 0;
failed = 0;
if (strncmp (which ("dorvik"), prefix, numel (prefix)) && ! isempty (strfind (help ("dorvik"), "dgesdd")))
  passed += 1;
else
  failed += 1;
  printf ("the installed dorvik or its help is missing\n");
endif
[ok, bad] = run_suite ();
passed += ok;
failed += bad;
pkg ("uninstall", "lowrank");
confirm_recursive_rmdir (false);
rmdir (prefix, "s");
printf ("%d passed, %d failed\n", passed, failed);
exit (min (failed, 255));
