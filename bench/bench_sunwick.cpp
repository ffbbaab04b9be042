/* sunwick through the stand-in host against the straightforward loop
 * (transpose U, gather each row of V, one scalar sum per position),
 * compiled here with the same flags, for m = n = 20000, k = 8, 32, 128 and
 * two million positions, with rows sorted within each column and in random
 * order.  The work is bound by fetching rows of U: a loop that only reads
 * those rows, in the same order and the same size, measures the bandwidth
 * that bounds it.  What the tool spends whatever the pattern holds is
 * measured too, by the same call with every pattern column empty.  Runs
 * alternate and the best of each is kept; freed
 * blocks are recycled, as in a host that has been running a while. */
#include "bench.h"
#include "harness.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>
#if defined(__x86_64__) && !defined(_WIN32)
#include <immintrin.h>
#endif

namespace {

typedef std::chrono::steady_clock Clock;

double since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

struct Problem {
    int m, n, k;
    std::vector<double> U, V, I, Jcol;
};

/* The plain algorithm, as a user would first write it, taking its result
 * and scratch from the host as the tool does. */
double straightforward(const Problem &p, std::vector<double> &result)
{
    auto start = Clock::now();
    const int nnz = int(p.I.size()), ncols = int(p.Jcol.size()) - 1;
    harness::Array out(mxCreateDoubleMatrix(nnz, 1, mxREAL));
    double *entries = mxGetPr(out.get());
    double *Ut = static_cast<double *>(mxCalloc(size_t(p.m) * p.k, sizeof(double)));
    double *Vrow = static_cast<double *>(mxCalloc(p.k, sizeof(double)));
    for (int i = 0; i < p.m; ++i)
        for (int d = 0; d < p.k; ++d)
            Ut[size_t(i) * p.k + d] = p.U[i + size_t(d) * p.m];
    for (int j = 0; j < ncols; ++j) {
        for (int d = 0; d < p.k; ++d)
            Vrow[d] = p.V[j + size_t(d) * p.n];
        for (int q = int(p.Jcol[j]); q < int(p.Jcol[j + 1]); ++q) {
            const double *u = &Ut[size_t(int(p.I[q] - 1.0)) * p.k];
            double s = 0.0;
            for (int d = 0; d < p.k; ++d)
                s = s + Vrow[d] * u[d];
            entries[q] = s;
        }
    }
    mxFree(Ut);
    mxFree(Vrow);
    double elapsed = since(start);
    result.assign(entries, entries + nnz);
    return elapsed;
}

/* Only the fetches that bound the work: every sampled row of Ut read once,
 * in the same order, each asked for 16 positions ahead, as far as the tool
 * asks, and the indices asked for a kilobyte ahead, as the tool asks for
 * them (without that, the rows' requests leave the index stream behind
 * and the loop measures the wait for indices).  The rows' bits are added
 * as integers, whose one-cycle adds leave the loop limited by the reads.
 * Three ways of asking: a whole row at once, one position at a time
 * (wholeRows); a line at a time as the same line of the current row is
 * read (byLine); and eight positions at a time, a line of each of the
 * eight rows ahead as the same line of the eight current rows is read
 * (byEight, as the tool asks).  The bound is the fastest of these and, on
 * a processor with AVX-512, of fetchInVectors. */
enum FetchOrder { wholeRows, byLine, byEight };

double fetchOnly(const Problem &p, const double *Ut, FetchOrder order, uint64_t &sink)
{
    auto start = Clock::now();
    const size_t nnz = p.I.size(), k = size_t(p.k), ahead = 16;
    const uint64_t *rows = reinterpret_cast<const uint64_t *>(Ut);
    auto rowOf = [&](size_t q) { return rows + size_t(p.I[q] - 1.0) * k; };
    auto askForIndex = [&](size_t q) { __builtin_prefetch(reinterpret_cast<const char *>(p.I.data() + q) + 1024); };
    uint64_t a[8] = {};
    size_t q = 0;
    if (order == byEight)
        for (; q + 8 <= nnz; q += 8) {
            askForIndex(q);
            const uint64_t *row[8], *next[8];
            for (int t = 0; t < 8; ++t) {
                next[t] = q + ahead + t < nnz ? rowOf(q + ahead + t) : rows;
                __builtin_prefetch(next[t]);
            }
            for (int t = 0; t < 8; ++t)
                row[t] = rowOf(q + t);
            for (size_t d = 0; d < k; d += 8)
                for (int t = 0; t < 8; ++t) {
                    if (d > 0)
                        __builtin_prefetch(next[t] + d);
                    for (int e = 0; e < 8; ++e)
                        a[e] += row[t][d + e];
                }
        }
    for (; q < nnz; ++q) {
        if (q % 8 == 0)
            askForIndex(q);
        const uint64_t *row = rowOf(q), *next = q + ahead < nnz ? rowOf(q + ahead) : row;
        if (order != byLine)
            for (size_t d = 0; d < k; d += 8)
                __builtin_prefetch(next + d);
        for (size_t d = 0; d < k; d += 8) {
            if (order == byLine)
                __builtin_prefetch(next + d);
            for (int e = 0; e < 8; ++e)
                a[e] += row[d + e];
        }
    }
    for (uint64_t x : a)
        sink ^= x;
    return since(start);
}

#if defined(__x86_64__) && !defined(_WIN32)
#define FETCH_IN_VECTORS 1
/* GCC 12's conversion intrinsics start from a deliberately undefined
 * vector, which its own uninitialised-use analysis then reports. */
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
/* The offsets in Ut of the rows of positions q .. q+7, from their indices
 * converted eight at a time (positions from nnz on take row 0). */
__attribute__((target("avx512f"))) void offsetsOfEight(const Problem &p, size_t q, int offsets[8])
{
    const size_t nnz = p.I.size();
    if (q + 8 <= nnz) {
        const __m256i rows = _mm512_cvttpd_epi32(_mm512_sub_pd(_mm512_loadu_pd(p.I.data() + q), _mm512_set1_pd(1.0)));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(offsets), _mm256_mullo_epi32(rows, _mm256_set1_epi32(p.k)));
    } else
        for (size_t t = 0; t < 8; ++t)
            offsets[t] = q + t < nnz ? int(p.I[q + t] - 1.0) * p.k : 0;
}

/* byEight as the tool's vector kernels fetch: the indices of the step two
 * on converted in vector registers and their offsets kept for that step,
 * and a line of a row a 512-bit load.  Without it, at small k the index
 * work of the scalar orders, not the fetches, sets the time. */
__attribute__((target("avx512f"))) double fetchInVectors(const Problem &p, const double *Ut, uint64_t &sink)
{
    auto start = Clock::now();
    const size_t nnz = p.I.size(), k = size_t(p.k), ahead = 16;
    int offsets[3][8];
    offsetsOfEight(p, 0, offsets[0]);
    offsetsOfEight(p, 8, offsets[1]);
    __m512i a = _mm512_setzero_si512();
    size_t q = 0;
    for (int slot = 0; q + 8 <= nnz; q += 8, slot = slot == 2 ? 0 : slot + 1) {
        __builtin_prefetch(reinterpret_cast<const char *>(p.I.data() + q) + 1024);
        int *next = offsets[slot == 0 ? 2 : slot - 1], *here = offsets[slot];
        offsetsOfEight(p, q + ahead, next);
        /* read back from memory, as the tool reads them */
        __asm__ volatile("" ::: "memory");
        for (int t = 0; t < 8; ++t)
            __builtin_prefetch(Ut + next[t]);
        for (size_t d = 0; d < k; d += 8)
            for (int t = 0; t < 8; ++t) {
                if (d > 0)
                    __builtin_prefetch(Ut + next[t] + d);
                a = _mm512_add_epi64(a, _mm512_loadu_si512(Ut + here[t] + d));
            }
    }
    uint64_t lanes[8];
    _mm512_storeu_si512(lanes, a);
    for (; q < nnz; ++q)
        for (size_t d = 0; d < k; ++d)
            lanes[d % 8] += reinterpret_cast<const uint64_t *>(Ut)[size_t(p.I[q] - 1.0) * k + d];
    for (uint64_t x : lanes)
        sink ^= x;
    return since(start);
}
#pragma GCC diagnostic pop
#endif

double fetchBound(const Problem &p, const double *Ut, uint64_t &sink)
{
    double fastest = 1e300;
    for (FetchOrder order : {wholeRows, byLine, byEight})
        fastest = std::min(fastest, fetchOnly(p, Ut, order, sink));
#if FETCH_IN_VECTORS
    if (__builtin_cpu_supports("avx512f"))
        fastest = std::min(fastest, fetchInVectors(p, Ut, sink));
#endif
    return fastest;
}

Problem makeProblem(int k, bool sortedRows, std::mt19937_64 &generator)
{
    const int m = 20000, n = 20000, perColumn = 100;
    Problem p{m, n, k, {}, {}, {}, {0}};
    std::uniform_real_distribution<double> uniform(-1, 1);
    p.U.resize(size_t(m) * k);
    p.V.resize(size_t(n) * k);
    for (double &x : p.U)
        x = uniform(generator);
    for (double &x : p.V)
        x = uniform(generator);
    std::uniform_int_distribution<int> row(1, m);
    for (int j = 0; j < n; ++j) {
        std::vector<double> rows(perColumn);
        for (double &r : rows)
            r = row(generator);
        if (sortedRows)
            std::sort(rows.begin(), rows.end());
        p.I.insert(p.I.end(), rows.begin(), rows.end());
        p.Jcol.push_back(double(p.I.size()));
    }
    return p;
}

}  // namespace

int main()
{
    recycledBlocks();
    harness::Module sunwick(std::string(LOWRANK_MODULE_DIR) + "/sunwick." + LOWRANK_EXTENSION);
    std::mt19937_64 generator(3);
    std::printf("2,000,000 positions, m = n = 20000, one core\n");
    std::printf("%-4s %-7s %10s %10s %8s %8s %10s %10s %9s %s\n", "k", "rows", "plain (s)", "tool (s)", "speedup",
                "Mpos/s", "bound (s)", "fixed (s)", "of bound", "bit-identical");
    uint64_t sink = 0;
    for (int k : {8, 32, 128})
        for (bool sorted : {true, false}) {
            Problem p = makeProblem(k, sorted, generator);
            harness::Array U = harness::dense(p.m, p.k, p.U), V = harness::dense(p.n, p.k, p.V);
            harness::Array I = harness::column(p.I), Jcol = harness::column(p.Jcol);
            /* the bound's rows start on cache lines, as the tool's do */
            std::vector<double> storage(size_t(p.m) * p.k + 8), plainResult;
            double *Ut = reinterpret_cast<double *>((reinterpret_cast<uintptr_t>(storage.data()) + 63) & ~uintptr_t(63));
            for (int i = 0; i < p.m; ++i)
                for (int d = 0; d < p.k; ++d)
                    Ut[size_t(i) * p.k + d] = p.U[i + size_t(d) * p.m];

            /* the same call with every pattern column empty */
            harness::Array noColumns = harness::column(std::vector<double>(p.Jcol.size(), 0.0));
            double plain = 1e300, tool = 1e300, bound = 1e300, fixed = 1e300;
            bool identical = true;
            for (int run = 0; run < 5; ++run) {
                plain = std::min(plain, straightforward(p, plainResult));
                harness::Outcome out = sunwick.call(1, {U.get(), V.get(), I.get(), Jcol.get()});
                tool = std::min(tool, out.seconds);
                std::vector<double> toolResult = harness::values(out[0]);
                identical = identical && toolResult.size() == plainResult.size() &&
                            std::memcmp(toolResult.data(), plainResult.data(), toolResult.size() * 8) == 0;
                bound = std::min(bound, fetchBound(p, Ut, sink));
                fixed = std::min(fixed, sunwick.call(1, {U.get(), V.get(), I.get(), noColumns.get()}).seconds);
            }
            const double positions = double(p.I.size());
            std::printf("%-4d %-7s %10.4f %10.4f %8.2f %8.1f %10.4f %10.4f %8.0f%% %s\n", k,
                        sorted ? "sorted" : "random", plain, tool, plain / tool, positions / tool / 1e6, bound, fixed,
                        100.0 * bound / tool, identical ? "yes" : "NO");
        }
    std::printf("(bound: the time to only fetch the sampled rows of U; fixed: the tool's call with every pattern\n"
                " column empty, which creates the result and transposes U; of bound: bound / tool; %llx)\n",
                (unsigned long long)sink);
    return 0;
}
