## Each tool in Octave against the Octave built-in that does the same work,
## on the same LAPACK.  Runs alternate and the best of each is kept; the
## ratio (built-in time over tool time) is what counts: above 1, the tool is
## faster.  Usage: octave-cli bench_octave.m MODULE_FOLDER BENCH_MODULE_FOLDER
## (the second holds returned_sparse, which measures what Octave spends on
## a sparse array a module returns, add_latency, the time of one add that
## waits for the one before, and streaming_pass, the time to move the data
## of a quorvel pass).  Rows in parentheses measure what bounds the tool
## above them, and their ratio about how far that tool can go.
addpath (argv (){1});
addpath (argv (){2});
rand ("seed", 1);  randn ("seed", 1);

function best = fastest (fn, runs)
  best = Inf;
  for i = 1:runs
    start = tic ();
    result = fn ();
    best = min (best, toc (start));
  endfor
endfunction

function [toolTime, builtinTime] = race (tool, builtin, runs)
  toolTime = Inf;  builtinTime = Inf;
  for i = 1:runs
    toolTime = min (toolTime, fastest (tool, 1));
    builtinTime = min (builtinTime, fastest (builtin, 1));
  endfor
endfunction

## The passes of quorvel written as an Octave loop: each coefficient from
## the vector as the earlier columns left it.
function [r, nr, passes] = octave_passes (Q, r, ratio)
  previous = norm (r);
  for passes = 1:4
    for c = 1:columns (Q)
      r -= (Q(:,c)' * r) * Q(:,c);
    endfor
    nr = norm (r);
    if (! (nr < ratio * previous))
      return;
    endif
    previous = nr;
  endfor
  r(:) = 0;  nr = 0;  passes = 5;
endfunction

table = {};
function table = add (table, name, work, toolTime, builtinTime)
  table(end+1,:) = {name, work, toolTime, builtinTime};
endfunction

A = randn (1000);
[t, b] = race (@() dorvik (A), @() svd (A), 5);
svd_driver ("gesdd");
[t2, b2] = race (@() dorvik (A), @() svd (A), 5);
table = add (table, "dorvik, values", "1000x1000, svd (gesdd driver)", t2, b2);
svd_driver ("gesvd");
table = add (table, "dorvik, values", "1000x1000, svd (gesvd driver)", t, b);
svd_driver ("gesdd");
[t, b] = race (@() nthargout (1:3, @dorvik, A), @() nthargout (1:3, @svd, A, "econ"), 5);
table = add (table, "dorvik, factors", "1000x1000, svd econ (gesdd)", t, b);
svd_driver ("gesvd");
[t, b] = race (@() nthargout (1:3, @dorvik, A), @() nthargout (1:3, @svd, A, "econ"), 5);
table = add (table, "dorvik, factors", "1000x1000, svd econ (gesvd)", t, b);

S = A + A';
[t, b] = race (@() halmet (S), @() eig (S), 5);
table = add (table, "halmet, values", "1000x1000, eig", t, b);
[t, b] = race (@() nthargout (1:2, @halmet, S), @() nthargout (1:2, @eig, S), 5);
table = add (table, "halmet, vectors", "1000x1000, [V, D] = eig", t, b);

n = 20000;  k = 32;
U = randn (n, k);  V = randn (n, k);
pattern = sprand (n, n, 0.005) ~= 0;
[I, J] = find (pattern);
Jcol = [0; cumsum(full (sum (pattern, 1)))'];
[t, b] = race (@() sunwick (U, V, I, Jcol), @() sum (U(I,:) .* V(J,:), 2), 3);
table = add (table, "sunwick", sprintf ("%d positions, k = %d, sum(U(I,:).*V(J,:),2)", numel (I), k), t, b);

v = randn (numel (I), 1);
[t, b] = race (@() talvery (n, n, v, I, Jcol), @() sparse (I, J, v, n, n), 5);
table = add (table, "talvery", sprintf ("%d entries, sparse(I,J,v,m,n)", numel (I)), t, b);
## Octave's own part of a call that returns such an array: the whole call
## less the time the module spent building it.  And the whole call of that
## module, which does no more than create the array and fill it: over
## sparse()'s time, about the most talvery's ratio can reach (talvery reads
## its values and indices too, but in some runs it is the faster of the
## two: the ratio is a guide, not an exact bound).
perColumn = round (numel (I) / n);
conversion = Inf;  whole = Inf;
for i = 1:5
  start = tic ();
  [S2, inside] = returned_sparse (n, perColumn);
  whole = min (whole, toc (start));
  conversion = min (conversion, toc (start) - inside);
  clear S2;
endfor
table = add (table, "  (conversion)", sprintf ("Octave receiving a returned %d-entry sparse array", n * perColumn),
             conversion, b);
table = add (table, "  (fill only)", "a module that only creates and fills such an array", whole, b);

[Q, ~] = qr (randn (100000, 50), 0);  R = randn (100000, 1);
[t, b] = race (@() quorvel (Q, R), @() octave_passes (Q, R, 0.5), 10);
table = add (table, "quorvel", "m = 100000, k = 50, the same passes as an Octave loop", t, b);
## Every coefficient and norm is a sum over m terms added left to right,
## and each needs the vector as the sum before it left it: the first
## coefficient (summed beside R's norm), then in each pass the other k - 1
## and the norm after the pass (summed beside the next pass's first
## coefficient), (passes k + 1) m adds in one chain.  Over the loop's
## time, the most quorvel's ratio can reach whatever else it does.
[~, ~, passes] = quorvel (Q, R);
latency = add_latency ();
chain = (passes * columns (Q) + 1) * rows (Q) * latency;
table = add (table, "  (latency)", sprintf ("the dependent adds of %d pass%s, %.3f ns each", passes,
                                            merge (passes == 1, "", "es"), 1e9 * latency), chain, b);
## And the time to only move the data those passes move, the larger of the
## two bounds once Q outgrows the nearest caches.
table = add (table, "  (streaming)", sprintf ("the data of %d pass%s, with no chain of adds", passes,
                                              merge (passes == 1, "", "es")), passes * streaming_pass (Q, R), b);

printf ("%-16s %-52s %10s %10s %8s\n", "tool", "work, and the built-in", "tool (s)", "built-in", "ratio");
for i = 1:rows (table)
  printf ("%-16s %-52s %10.4f %10.4f %8.2f\n", table{i,1}, table{i,2}, table{i,3}, table{i,4}, table{i,4} / table{i,3});
endfor
