/* One modified Gram-Schmidt pass of quorvel over k = 50 columns, for
 * m = 1000, 100,000 and 1,000,000, against the larger of two bounds.
 * Latency: each coefficient is a sequential sum, so a pass cannot beat one
 * floating-point add latency per entry, (k + 1) * m of them (k
 * coefficients and the norm after the pass), measured with a dependent
 * chain of adds.  Streaming: the same sweeps over the same columns of the
 * same array, with each sum split over eight lanes, which moves the same
 * data with no chain to wait for (its sums are not the tool's; only its
 * time counts).  Freed blocks are recycled, as in a host running a while. */
#include "bench.h"
#include "harness.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

int main()
{
    recycledBlocks();
    harness::Module quorvel(std::string(LOWRANK_MODULE_DIR) + "/quorvel." + LOWRANK_EXTENSION);
    const double latency = addLatency();
    std::printf("one dependent add: %.3f ns\n", latency * 1e9);
    std::printf("%-9s %4s %12s %14s %15s %15s %10s\n", "m", "k", "pass (s)", "ns per entry", "latency (s)",
                "streaming (s)", "of larger");
    std::mt19937_64 generator(6);
    std::normal_distribution<double> normal;
    const size_t k = 50;
    for (size_t m : {size_t(1000), size_t(100000), size_t(1000000)}) {
        std::vector<double> q(m * k), r(m);
        for (double &x : q)
            x = normal(generator);
        for (double &x : r)
            x = normal(generator);
        harness::Array Q = harness::dense(m, k, q), R = harness::column(r);
        harness::Array norm = harness::scalar(1), ratio = harness::scalar(0), index(mxCreateDoubleMatrix(1, k, mxREAL));
        for (size_t t = 0; t < k; ++t)
            mxGetPr(index.get())[t] = double(t + 1);
        const int runs = m < 10000 ? 2000 : m < 1000000 ? 50 : 5;
        double best = 1e300, streaming = 1e300;
        for (int run = 0; run < runs; ++run) {
            best = std::min(best, quorvel.call(3, {Q.get(), R.get(), norm.get(), index.get(), ratio.get()}).seconds);
            streaming = std::min(streaming, streamingPass(mxGetPr(Q.get()), r, k));
        }
        const double entries = double(k + 1) * double(m), chain = entries * latency;
        std::printf("%-9zu %4zu %12.6f %14.3f %15.6f %15.6f %9.2fx\n", m, k, best, best / entries * 1e9, chain,
                    streaming, best / std::max(chain, streaming));
    }
    return 0;
}
