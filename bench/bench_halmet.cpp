/* halmet with eigenvectors through the stand-in host against a direct
 * dsyevd call on the same LAPACK with the same workspace sizes.  The runs
 * alternate and the best of each is kept; the ratio is what counts. */
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

/* One direct call on fresh zeroed blocks, taken as a C caller takes them;
 * only the call itself is timed. */
double directCall(Dsyevd dsyevd, LapackInt n, const std::vector<double> &a)
{
    LapackInt lwork = n * (2 * n + 6) + 1, liwork = 5 * n + 3, info = 0;
    double *copy = static_cast<double *>(std::calloc(a.size(), sizeof(double)));
    double *w = static_cast<double *>(std::calloc(n, sizeof(double)));
    double *work = static_cast<double *>(std::calloc(lwork, sizeof(double)));
    LapackInt *iwork = static_cast<LapackInt *>(std::calloc(liwork, 8));
    std::copy(a.begin(), a.end(), copy);
    auto start = std::chrono::steady_clock::now();
    dsyevd("V", "U", &n, copy, &n, w, work, &lwork, iwork, &liwork, &info);
    double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (info != 0)
        std::fprintf(stderr, "direct dsyevd: info %ld\n", long(info));
    std::free(copy);
    std::free(w);
    std::free(work);
    std::free(iwork);
    return elapsed;
}

}  // namespace

int main()
{
    harness::Module halmet(std::string(LOWRANK_MODULE_DIR) + "/halmet." + LOWRANK_EXTENSION);
    auto dsyevd = reinterpret_cast<Dsyevd>(standin::lapackBackend("dsyevd_"));
    std::printf("%-6s %12s %12s %8s\n", "n", "direct (s)", "halmet (s)", "ratio");
    std::mt19937_64 generator(4);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    for (LapackInt n : {500, 1000, 2000}) {
        std::vector<double> a(size_t(n) * n);
        for (LapackInt j = 0; j < n; ++j)
            for (LapackInt i = 0; i <= j; ++i)
                a[i + size_t(j) * n] = a[j + size_t(i) * n] = uniform(generator);
        harness::Array A = harness::dense(n, n, a);
        double direct = 1e300, tool = 1e300;
        for (int run = 0; run < (n < 2000 ? 5 : 3); ++run) {
            direct = std::min(direct, directCall(dsyevd, n, a));
            tool = std::min(tool, halmet.call(2, {A.get()}).seconds);
        }
        std::printf("%-6ld %12.4f %12.4f %8.3f\n", long(n), direct, tool, tool / direct);
    }
    return 0;
}
