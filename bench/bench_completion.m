## octave bench_completion.m TOOLS EXAMPLES [LIMIT]
## Matrix completion on the field's standard synthetic problems: M = A*B'
## with Gaussian n-by-r factors, observed uniformly at random at the
## fractions below (about six times the degrees of freedom r(2n - r) for
## rank 10, four and five times for rank 50), tolerance 1e-4 on the relative
## residual at the observed entries.  Each row runs lowrank_complete with the
## tools and again with the built-ins, through the demo, and prints the
## iterations, the relative error on the unobserved entries, both times and
## their ratio.  Rows with n above LIMIT (default 30000) are left out; a
## LIMIT of 100000 adds the 100000-by-100000 row.
arguments = argv ();
addpath (arguments{1});
addpath (arguments{2});
limit = 30000;
if (numel (arguments) > 2)
  limit = str2double (arguments{3});
endif
rows = [1000 10 0.12; 5000 10 0.024; 10000 10 0.012; 20000 10 0.006; 30000 10 0.004;
        1000 50 0.39; 5000 50 0.10; 100000 10 6 * 10 * (2e5 - 10) / 1e10];
printf ("%7s %4s %9s %10s %10s %10s %10s %7s\n", "n", "rank", "fraction", "iterations",
        "error", "tools (s)", "built-ins", "ratio");
for row = rows (rows(:,1) <= limit, :)'
  result = complete_matrix ("size", row(1), "rank", row(2), "fraction", row(3), "tolerance", 1e-4,
                            "plot", "", "compare", true, "quiet", true, "seed", 1);
  note = "";
  if (result.errorSample > 0)
    note = sprintf ("  (error from %d sampled entries)", result.errorSample);
  endif
  printf ("%7d %4d %9.4g %10d %10.3g %10.2f %10.2f %6.1fx%s\n", row(1), row(2), row(3),
          numel (result.history) - 1, result.error, result.seconds, result.builtinSeconds,
          result.builtinSeconds / result.seconds, note);
endfor

## Data shaped like real data; the photograph is the one make demo fetches.
photo = "build/astronaut.png";
if (! exist (photo, "file"))
  photo = "";
endif
addpath (fileparts (mfilename ("fullpath")));
completion_rows (limit, photo);
