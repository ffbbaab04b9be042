## Installs the Octave package given as argument into a temporary prefix,
## loads it, checks what a user looks at first, and runs pkg test, which
## runs every test the package's files carry against the installed tools.
tarball = argv (){1};
prefix = tempname ();
mkdir (prefix);
pkg ("prefix", prefix, prefix);
pkg ("local_list", fullfile (prefix, "packages"));
pkg ("install", tarball);
pkg ("load", "lowrank");
printf ("dorvik comes from %s\n", which ("dorvik"));
passed = 0;
failed = 0;
## What a user checks first: the tools and their help, the package's
## description, its news and its contents.
checks = {"the installed dorvik and its help", @() strncmp (which ("dorvik"), prefix, numel (prefix)) ...
                                                  && ! isempty (strfind (help ("dorvik"), "dgesdd"));
          "pkg describe -verbose", @() ! isempty (strfind (evalc ("pkg describe -verbose lowrank"), "lowrank_complete"));
          "pkg list", @() ! isempty (strfind (evalc ("pkg list"), "1.0.0"));
          "news lowrank", @() ! isempty (strfind (evalc ("news lowrank"), "lowrank 1.0.0"));
          "help lowrank", @() ! isempty (strfind (help ("lowrank"), "Version 1.0.0"));
          "demo dorvik", @() ! isempty (strfind (evalc ("demo dorvik"), "1.7889e+01"))};
for k = 1:rows (checks)
  try
    ok = checks{k, 2} ();
  catch err
    ok = false;
    printf ("%s: %s\n", checks{k, 1}, err.message);
  end_try_catch
  passed += ok;
  failed += ! ok;
  if (! ok)
    printf ("failed: %s\n", checks{k, 1});
  endif
endfor
## pkg test writes its log into the current folder.
here = pwd ();
cd (prefix);
report = evalc ("pkg test lowrank");
cd (here);
printf ("%s", report);
passing = regexp (report, 'PASS\s+(\d+)', "tokens", "once");
failing = regexp (report, 'FAIL\s+(\d+)', "tokens", "once");
if (isempty (passing) || isempty (failing))
  failed += 1;
  printf ("pkg test gave no summary\n");
else
  passed += str2double (passing{1});
  failed += str2double (failing{1});
endif
pkg ("uninstall", "lowrank");
confirm_recursive_rmdir (false);
rmdir (prefix, "s");
printf ("%d passed, %d failed\n", passed, failed);
exit (min (failed, 255));
