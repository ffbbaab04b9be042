## [passed, failed] = run_suite ()
## Runs the tests that the toolbox's shipped files carry, through test
## NAME as a user would, against the tools first on the path, printing one
## line per file.
function [passed, failed] = run_suite ()
  passed = 0;
  failed = 0;
  for name = {"dorvik", "halmet", "sunwick", "talvery", "quorvel", "lowrank_complete"}
    [ok, total] = test (name{1}, "quiet", stdout);
    total = max (total, 1);   # a file without tests, or not found, fails
    printf ("%-16s %3d of %3d\n", name{1}, ok, total);
    passed += ok;
    failed += total - ok;
  endfor
endfunction
