## Runs every MATLAB/Octave code block of the README (first argument) on
## its own, as a user would from dist/: in a folder holding lowrank/ (the
## modules' folder, second argument) and the package tarball (third), with
## that folder on the path and packages installed into a temporary prefix.
## Fails on any error.
1;
function run_block (code)
  evalc (code);   # in a workspace of its own: each block must stand alone
endfunction

arguments = argv ();
blocks = regexp (fileread (arguments{1}), '```matlab\n(.*?)```', "tokens");
work = tempname ();
mkdir (work);
symlink (arguments{2}, fullfile (work, "lowrank"));
copyfile (arguments{3}, work);
pkg ("prefix", work, work);
pkg ("local_list", fullfile (work, "packages"));
addpath (arguments{2});
cd (work);
failed = 0;
for k = 1:numel (blocks)
  try
    run_block (blocks{k}{1});
  catch err
    failed += 1;
    printf ("README block %d failed: %s\n%s", k, err.message, blocks{k}{1});
  end_try_catch
endfor
printf ("%d passed, %d failed\n", numel (blocks) - failed, failed);
exit (min (failed, 255));
