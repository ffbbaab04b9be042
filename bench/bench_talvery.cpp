/* talvery through the stand-in host for ten million entries against a
 * plain copy of the same bytes: V, I and Jcol copied into fresh host
 * blocks of the sizes of pr, ir and jc.  Runs alternate and the best of
 * each is kept. */
#include "harness.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

namespace {

typedef std::chrono::steady_clock Clock;

double copyTheSameBytes(const std::vector<double> &V, const std::vector<double> &I, const std::vector<double> &Jcol)
{
    auto start = Clock::now();
    harness::Array copy(mxCreateSparse(1, Jcol.size() - 1, V.size(), mxREAL));
    std::memcpy(mxGetPr(copy.get()), V.data(), V.size() * sizeof(double));
    std::memcpy(mxGetIr(copy.get()), I.data(), I.size() * sizeof(double));
    std::memcpy(mxGetJc(copy.get()), Jcol.data(), Jcol.size() * sizeof(double));
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main()
{
    harness::Module talvery(std::string(LOWRANK_MODULE_DIR) + "/talvery." + LOWRANK_EXTENSION);
    const int m = 1000000, n = 100000, perColumn = 100;
    std::mt19937_64 generator(2);
    std::uniform_int_distribution<int> row(1, m);
    std::uniform_real_distribution<double> value(-1, 1);
    std::vector<double> V, I, Jcol{0};
    for (int j = 0; j < n; ++j) {
        std::vector<int> rows(perColumn);
        for (int &r : rows)
            r = row(generator);
        std::sort(rows.begin(), rows.end());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
        for (int r : rows) {
            I.push_back(r);
            V.push_back(value(generator));
        }
        Jcol.push_back(double(I.size()));
    }
    harness::Array nrows = harness::scalar(m), ncols = harness::scalar(n);
    harness::Array Varg = harness::column(V), Iarg = harness::column(I), JcolArg = harness::column(Jcol);

    double copy = 1e300, tool = 1e300;
    for (int run = 0; run < 7; ++run) {
        copy = std::min(copy, copyTheSameBytes(V, I, Jcol));
        harness::Outcome out = talvery.call(1, {nrows.get(), ncols.get(), Varg.get(), Iarg.get(), JcolArg.get()});
        if (out.failed)
            std::fprintf(stderr, "talvery: %s\n", out.message.c_str());
        tool = std::min(tool, out.seconds);
    }
    const double bytes = 2.0 * 8 * (2 * V.size() + Jcol.size());
    std::printf("%zu entries, %d columns\n", V.size(), n);
    std::printf("%-8s %10s %10s %8s %12s\n", "", "copy (s)", "tool (s)", "ratio", "tool GB/s");
    std::printf("%-8s %10.4f %10.4f %8.2f %12.2f\n", "talvery", copy, tool, tool / copy, bytes / tool / 1e9);
    return 0;
}
