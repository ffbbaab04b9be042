/* halmet through the stand-in host against a direct dsyevd call on the same
 * LAPACK: the eigenvectors form against JOBZ = "V" with the same workspace
 * sizes, the eigenvalues form against JOBZ = "N" with the workspace LAPACK's
 * own query asks for.  The runs alternate and the best of each is kept; the
 * ratio is what counts.  Beside the times, the copy of A alone and the
 * ratio to the direct call plus that copy (ratio'), and the most scratch
 * each side held (the direct side: its copy of A and LAPACK's workspaces;
 * the tool: what the host counted).  Freed blocks are recycled, as in a
 * host that has run a while. */
#include "bench.h"
#include "harness.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

typedef void (*Dsyevd)(const char *, const char *, const LapackInt *, double *, const LapackInt *, double *,
                       double *, const LapackInt *, LapackInt *, const LapackInt *, LapackInt *);

/* One direct call on zeroed blocks, taken as a C caller takes them;
 * only the call itself is timed. */
Direct directCall(Dsyevd dsyevd, bool vectors, LapackInt n, const std::vector<double> &a)
{
    const char *jobz = vectors ? "V" : "N";
    LapackInt lwork = n * (2 * n + 6) + 1, liwork = 5 * n + 3, info = 0;
    double *copy = static_cast<double *>(std::calloc(a.size(), sizeof(double)));
    double *w = static_cast<double *>(std::calloc(n, sizeof(double)));
    LapackInt *iwork = static_cast<LapackInt *>(std::calloc(liwork, 8));
    if (!vectors) {
        double optimum = 0;
        LapackInt query = -1;
        dsyevd(jobz, "U", &n, copy, &n, w, &optimum, &query, iwork, &liwork, &info);
        lwork = LapackInt(optimum);
    }
    double *work = static_cast<double *>(std::calloc(lwork, sizeof(double)));
    std::copy(a.begin(), a.end(), copy);
    auto start = std::chrono::steady_clock::now();
    dsyevd(jobz, "U", &n, copy, &n, w, work, &lwork, iwork, &liwork, &info);
    double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (info != 0)
        std::fprintf(stderr, "direct dsyevd: info %ld\n", long(info));
    std::free(copy);
    std::free(w);
    std::free(work);
    std::free(iwork);
    /* the eigenvectors overwrite the caller's copy of A, which is the
     * tool's first result and not scratch */
    return {elapsed, ((vectors ? 0 : a.size()) + size_t(lwork)) * sizeof(double) + size_t(liwork) * 8};
}

}  // namespace

int main()
{
    recycledBlocks();
    harness::Module halmet(std::string(LOWRANK_MODULE_DIR) + "/halmet." + LOWRANK_EXTENSION);
    auto dsyevd = reinterpret_cast<Dsyevd>(standin::lapackBackend("dsyevd_"));
    std::printf("%-6s %-8s %11s %11s %7s %9s %9s %12s %12s\n", "n", "form", "direct (s)", "halmet (s)", "ratio",
                "copy (s)", "ratio'", "direct (MB)", "halmet (MB)");
    std::mt19937_64 generator(4);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    for (bool vectors : {true, false})
        for (LapackInt n : {500, 1000, 2000}) {
            std::vector<double> a(size_t(n) * n);
            for (LapackInt j = 0; j < n; ++j)
                for (LapackInt i = 0; i <= j; ++i)
                    a[i + size_t(j) * n] = a[j + size_t(i) * n] = uniform(generator);
            harness::Array A = harness::dense(n, n, a);
            double direct = 1e300, tool = 1e300, copy = 1e300;
            size_t directBytes = 0, toolBytes = 0;
            for (int run = 0; run < (n < 2000 ? 5 : 3); ++run) {
                const Direct d = directCall(dsyevd, vectors, n, a);
                const harness::Outcome out = halmet.call(vectors ? 2 : 1, {A.get()});
                copy = std::min(copy, copyCall(a));
                direct = std::min(direct, d.seconds);
                tool = std::min(tool, out.seconds);
                directBytes = d.scratchBytes;
                toolBytes = out.peakScratchBytes;
            }
            std::printf("%-6ld %-8s %11.4f %11.4f %7.3f %9.4f %9.3f %12.1f %12.1f\n", long(n),
                        vectors ? "vectors" : "values", direct, tool, tool / direct, copy, tool / (direct + copy),
                        directBytes / 1e6, toolBytes / 1e6);
        }
    return 0;
}
