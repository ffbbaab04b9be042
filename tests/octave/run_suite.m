## [passed, failed] = run_suite ()
## Runs every test_*.m file of this folder against the tools on the path,
## printing one line per file.
function [passed, failed] = run_suite ()
  here = fileparts (mfilename ("fullpath"));
  files = dir (fullfile (here, "test_*.m"));
  passed = 0;
  failed = 0;
  for file = {files.name}
    name = file{1}(1:end-2);
    [ok, total] = test (name, "quiet", stdout);
    printf ("%-16s %3d of %3d\n", name, ok, total);
    passed += ok;
    failed += total - ok;
  endfor
endfunction
