## [passed, failed] = run_suite ()
## Runs every test_*.m file of this folder, and the tests that the
## toolbox's m-files carry, against the tools on the path, printing one
## line per file.
function [passed, failed] = run_suite ()
  here = fileparts (mfilename ("fullpath"));
  files = dir (fullfile (here, "test_*.m"));
  passed = 0;
  failed = 0;
  for name = [cellfun(@(file) file(1:end-2), {files.name}, "UniformOutput", false), {"lowrank_complete"}]
    name = name{1};
    [ok, total] = test (name, "quiet", stdout);
    printf ("%-16s %3d of %3d\n", name, ok, total);
    passed += ok;
    failed += total - ok;
  endfor
endfunction
