/* What the benchmarks share: the figures of a direct call, the copy of A
 * timed alone, the latency of an add, the data movement of a modified
 * Gram-Schmidt pass, and the same allocator conditions in every run. */
#ifndef LOWRANK_BENCH_H
#define LOWRANK_BENCH_H

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
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

/* The time to move the data of one quorvel pass over the k columns of q
 * (m = r's length, a multiple of 8), and nothing else: the same sweeps
 * over the same columns as the tool makes them, the first reading q's
 * first column and r, each other updating r with one column while it
 * reads the next (the last reading the first again), with the same
 * requests 4 KiB ahead.  Every sum is split over eight lanes of a vector,
 * so there is no chain of adds to wait for and little arithmetic: the
 * sums are not the tool's, only the time counts. */
inline double streamingPass(const double *q, std::vector<double> r, size_t k)
{
    typedef double Pair __attribute__((vector_size(16)));
    const size_t m = r.size(), ahead = 512;
    /* the sums of eight lanes, four pairs of them */
    struct Lanes {
        Pair pair[4];
    };
    auto pairAt = [](const double *x) {
        Pair v;
        std::memcpy(&v, x, sizeof v);
        return v;
    };
    auto total = [](const Lanes &a) {
        const Pair sum = (a.pair[0] + a.pair[1]) + (a.pair[2] + a.pair[3]);
        return sum[0] + sum[1];
    };
    auto start = std::chrono::steady_clock::now();
    Lanes products = {}, squares = {};
    for (size_t i = 0; i + 8 <= m; i += 8)
        for (int h = 0; h < 4; ++h) {
            const Pair x = pairAt(&r[i + 2 * h]);
            products.pair[h] += pairAt(q + i + 2 * h) * x;
            squares.pair[h] += x * x;
        }
    double s = total(products);
    for (size_t t = 0; t < k; ++t) {
        const double *column = q + t * m, *next = q + (t + 1 < k ? t + 1 : 0) * m;
        products = Lanes{};
        squares = Lanes{};
        for (size_t i = 0; i + 8 <= m; i += 8) {
            __builtin_prefetch(next + i + ahead);
            __builtin_prefetch(column + i + ahead);
            __builtin_prefetch(&r[i] + ahead);
            for (int h = 0; h < 4; ++h) {
                const Pair updated = pairAt(&r[i + 2 * h]) - s * pairAt(column + i + 2 * h);
                std::memcpy(&r[i + 2 * h], &updated, sizeof updated);
                products.pair[h] += pairAt(next + i + 2 * h) * updated;
                squares.pair[h] += updated * updated;
            }
        }
        s = total(products);
    }
    volatile double keep = s + total(squares);
    (void)keep;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
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
