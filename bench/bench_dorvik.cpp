/* dorvik through the stand-in host against a direct dgesdd call on the same
 * LAPACK: the factorisation form against JOBZ = "S" with the same workspace
 * size, the values form against JOBZ = "N" with the workspace LAPACK's own
 * query asks for.  The runs alternate and the best of each is kept, so that
 * a busy machine slows both sides alike; the ratio is what counts.  Beside
 * the times, the copy of A alone and the ratio to the direct call plus that
 * copy (ratio'), and the most scratch each side held (the direct side: its
 * copy of A and LAPACK's workspaces; the tool: what the host counted).
 * Freed blocks are recycled, as in a host that has run a while. */
#include "bench.h"
#include "harness.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

typedef void (*Dgesdd)(const char *, const LapackInt *, const LapackInt *, double *, const LapackInt *,
                       double *, double *, const LapackInt *, double *, const LapackInt *, double *,
                       const LapackInt *, LapackInt *, LapackInt *);

template <typename T>
T *zeroed(size_t count)
{
    return static_cast<T *>(std::calloc(count, sizeof(T)));
}

/* One direct call on zeroed blocks, taken the way a C caller takes
 * them; only the call itself is timed. */
Direct directCall(Dgesdd dgesdd, bool factorise, LapackInt m, LapackInt n, const std::vector<double> &a)
{
    const LapackInt k = std::min(m, n), larger = std::max(m, n), one = 1;
    LapackInt lwork = 4 * k * k + std::max(larger, 5 * k * k + 4 * k), info = 0;
    double *copy = zeroed<double>(a.size()), *s = zeroed<double>(k);
    double *u = factorise ? zeroed<double>(size_t(m) * k) : zeroed<double>(1);
    double *vt = factorise ? zeroed<double>(size_t(k) * n) : zeroed<double>(1);
    LapackInt *iwork = zeroed<LapackInt>(8 * size_t(k));
    if (!factorise) {
        double optimum = 0;
        LapackInt query = -1;
        dgesdd("N", &m, &n, copy, &m, s, u, &m, vt, &one, &optimum, &query, iwork, &info);
        lwork = LapackInt(optimum);
    }
    double *work = zeroed<double>(lwork);
    std::copy(a.begin(), a.end(), copy);
    auto start = std::chrono::steady_clock::now();
    if (factorise)
        dgesdd("S", &m, &n, copy, &m, s, u, &m, vt, &k, work, &lwork, iwork, &info);
    else
        dgesdd("N", &m, &n, copy, &m, s, u, &m, vt, &one, work, &lwork, iwork, &info);
    double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (info != 0)
        std::fprintf(stderr, "direct dgesdd: info %ld\n", long(info));
    for (void *block : {static_cast<void *>(copy), static_cast<void *>(s), static_cast<void *>(u),
                        static_cast<void *>(vt), static_cast<void *>(work), static_cast<void *>(iwork)})
        std::free(block);
    return {elapsed, (a.size() + size_t(lwork)) * sizeof(double) + 8 * size_t(k) * sizeof(LapackInt)};
}

/* The whole call through the host: checks, results, scratch, copy of A,
 * dgesdd and, for the factors, the transposition of V. */
harness::Outcome hostCall(const harness::Module &dorvik, bool factorise, const mxArray *A)
{
    const int nlhs = factorise ? 4 : 2;
    harness::Outcome out = dorvik.call(nlhs, {A});
    if (out.failed || mxGetPr(out[nlhs - 1])[0] != 0)
        std::fprintf(stderr, "dorvik: %s\n", out.failed ? out.message.c_str() : "nonzero status");
    return out;
}

}  // namespace

int main()
{
    recycledBlocks();
    harness::Module dorvik(std::string(LOWRANK_MODULE_DIR) + "/dorvik." + LOWRANK_EXTENSION);
    auto dgesdd = reinterpret_cast<Dgesdd>(standin::lapackBackend("dgesdd_"));
    struct Shape { LapackInt m, n; int runs; };
    const Shape shapes[] = {{500, 500, 7}, {1000, 1000, 5}, {2000, 2000, 3}, {4000, 500, 5}};

    std::printf("%-10s %-8s %11s %11s %7s %9s %9s %12s %12s\n", "A", "form", "direct (s)", "dorvik (s)", "ratio",
                "copy (s)", "ratio'", "direct (MB)", "dorvik (MB)");
    std::mt19937_64 generator(1);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    for (bool factorise : {true, false})
        for (const Shape &shape : shapes) {
            std::vector<double> a(size_t(shape.m) * shape.n);
            for (double &value : a)
                value = uniform(generator);
            harness::Array A = harness::dense(shape.m, shape.n, a);
            double direct = 1e300, host = 1e300, copy = 1e300;
            size_t directBytes = 0, hostBytes = 0;
            for (int run = 0; run < shape.runs; ++run) {
                const Direct d = directCall(dgesdd, factorise, shape.m, shape.n, a);
                const harness::Outcome out = hostCall(dorvik, factorise, A.get());
                copy = std::min(copy, copyCall(a));
                direct = std::min(direct, d.seconds);
                host = std::min(host, out.seconds);
                directBytes = d.scratchBytes;
                hostBytes = out.peakScratchBytes;
            }
            char name[32];
            std::snprintf(name, sizeof name, "%ldx%ld", long(shape.m), long(shape.n));
            std::printf("%-10s %-8s %11.4f %11.4f %7.3f %9.4f %9.3f %12.1f %12.1f\n", name,
                        factorise ? "factors" : "values", direct, host, host / direct, copy, host / (direct + copy),
                        directBytes / 1e6, hostBytes / 1e6);
        }
    return 0;
}
