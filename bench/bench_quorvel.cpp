/* One modified Gram-Schmidt pass of quorvel over k = 50 columns, for
 * m = 1000 and m = 1,000,000.  Each coefficient is a sequential sum, so a
 * pass cannot beat one floating-point add latency per entry: the benchmark
 * measures that latency with a dependent chain of adds and reports how
 * close the tool comes to (k + 1) * m of them (k coefficients and the norm
 * after the pass). */
#include "harness.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

namespace {

typedef std::chrono::steady_clock Clock;

/* Seconds per add of a chain where each add waits for the one before. */
double addLatency()
{
    std::vector<double> x(1024, 1e-300);
    double best = 1e300;
    for (int run = 0; run < 5; ++run) {
        volatile double sink = 0;
        double s = 0;
        auto start = Clock::now();
        for (int repeat = 0; repeat < 20000; ++repeat)
            for (double value : x)
                s = s + value;
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count() / (20000.0 * x.size()));
        sink = s;
        (void)sink;
    }
    return best;
}

}  // namespace

int main()
{
    harness::Module quorvel(std::string(LOWRANK_MODULE_DIR) + "/quorvel." + LOWRANK_EXTENSION);
    const double latency = addLatency();
    std::printf("one dependent add: %.3f ns\n", latency * 1e9);
    std::printf("%-9s %4s %12s %14s %14s %10s\n", "m", "k", "pass (s)", "ns per entry", "bound (ns)", "of bound");
    std::mt19937_64 generator(6);
    std::normal_distribution<double> normal;
    const size_t k = 50;
    for (size_t m : {size_t(1000), size_t(1000000)}) {
        std::vector<double> q(m * k), r(m);
        for (double &x : q)
            x = normal(generator);
        for (double &x : r)
            x = normal(generator);
        harness::Array Q = harness::dense(m, k, q), R = harness::column(r);
        harness::Array norm = harness::scalar(1), ratio = harness::scalar(0), index(mxCreateDoubleMatrix(1, k, mxREAL));
        for (size_t t = 0; t < k; ++t)
            mxGetPr(index.get())[t] = double(t + 1);
        const int runs = m < 10000 ? 2000 : 5;
        double best = 1e300;
        for (int run = 0; run < runs; ++run)
            best = std::min(best, quorvel.call(3, {Q.get(), R.get(), norm.get(), index.get(), ratio.get()}).seconds);
        const double entries = double(k + 1) * double(m);
        std::printf("%-9zu %4zu %12.6f %14.3f %14.3f %9.2fx\n", m, k, best, best / entries * 1e9, latency * 1e9,
                    best / (entries * latency));
    }
    return 0;
}
