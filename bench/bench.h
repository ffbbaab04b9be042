/* What the benchmarks share: the figures of a direct call, the copy of A
 * timed alone, the latency of an add, and the same allocator conditions
 * in every run. */
#ifndef LOWRANK_BENCH_H
#define LOWRANK_BENCH_H

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

struct Direct {
    double seconds;
    size_t scratchBytes;
};

/* The copy of A that the tool must make, alone, into a block taken as the
 * tool takes its own. */
inline double copyCall(const std::vector<double> &a)
{
    auto start = std::chrono::steady_clock::now();
    double *copy = static_cast<double *>(std::calloc(a.size(), sizeof(double)));
    std::copy(a.begin(), a.end(), copy);
    double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    volatile double keep = copy[a.size() / 2];
    (void)keep;
    std::free(copy);
    return elapsed;
}

/* Seconds per floating-point add in a chain where each add waits for the
 * one before: the fastest of five runs.  A sum added left to right over n
 * terms takes at least n of them. */
inline double addLatency()
{
    std::vector<double> x(1024, 1e-300);
    double best = 1e300;
    for (int run = 0; run < 5; ++run) {
        volatile double sink = 0;
        double s = 0;
        auto start = std::chrono::steady_clock::now();
        for (int repeat = 0; repeat < 20000; ++repeat)
            for (double value : x)
                s = s + value;
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
                                  (20000.0 * x.size()));
        sink = s;
        (void)sink;
    }
    return best;
}

/* Every block from a heap that keeps what is freed, as a long-running host
 * recycles its memory: glibc would otherwise give a problem's first calls
 * fresh pages, which on a machine where first touching a page is dear
 * outweigh the work being measured. */
inline void recycledBlocks()
{
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
}

#endif
