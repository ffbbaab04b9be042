/* dorvik's factorisation form through the stand-in host against a direct
 * dgesdd call on the same LAPACK with the same workspace size.  The runs
 * alternate and the best of each is kept, so that a busy machine slows both
 * sides alike; the ratio is what counts. */
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

/* One direct call on fresh zeroed blocks of the sizes dorvik uses, taken
 * the way a C caller takes them; only the call itself is timed. */
double directCall(Dgesdd dgesdd, LapackInt m, LapackInt n, const std::vector<double> &a)
{
    const LapackInt k = std::min(m, n), larger = std::max(m, n);
    const LapackInt lwork = 4 * k * k + std::max(larger, 5 * k * k + 4 * k);
    double *copy = zeroed<double>(a.size()), *s = zeroed<double>(k), *u = zeroed<double>(size_t(m) * k),
           *vt = zeroed<double>(size_t(k) * n), *work = zeroed<double>(lwork);
    LapackInt *iwork = zeroed<LapackInt>(8 * size_t(k));
    std::copy(a.begin(), a.end(), copy);
    LapackInt info = 0;
    auto start = std::chrono::steady_clock::now();
    dgesdd("S", &m, &n, copy, &m, s, u, &m, vt, &k, work, &lwork, iwork, &info);
    double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (info != 0)
        std::fprintf(stderr, "direct dgesdd: info %ld\n", long(info));
    for (void *block : {static_cast<void *>(copy), static_cast<void *>(s), static_cast<void *>(u),
                        static_cast<void *>(vt), static_cast<void *>(work), static_cast<void *>(iwork)})
        std::free(block);
    return elapsed;
}

/* The whole call through the host: checks, results, scratch, copy of A,
 * dgesdd and the transposition of V. */
double hostCall(const harness::Module &dorvik, const mxArray *A)
{
    harness::Outcome out = dorvik.call(4, {A});
    if (out.failed || mxGetPr(out[3])[0] != 0)
        std::fprintf(stderr, "dorvik: %s\n", out.failed ? out.message.c_str() : "nonzero status");
    return out.seconds;
}

}  // namespace

int main()
{
    harness::Module dorvik(std::string(LOWRANK_MODULE_DIR) + "/dorvik." + LOWRANK_EXTENSION);
    auto dgesdd = reinterpret_cast<Dgesdd>(standin::lapackBackend("dgesdd_"));
    struct Shape { LapackInt m, n; int runs; };
    const Shape shapes[] = {{500, 500, 7}, {1000, 1000, 5}, {2000, 2000, 3}, {4000, 500, 5}};

    std::printf("%-12s %12s %12s %8s\n", "A", "direct (s)", "dorvik (s)", "ratio");
    std::mt19937_64 generator(1);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    for (const Shape &shape : shapes) {
        std::vector<double> a(size_t(shape.m) * shape.n);
        for (double &value : a)
            value = uniform(generator);
        harness::Array A = harness::dense(shape.m, shape.n, a);
        double direct = 1e300, host = 1e300;
        for (int run = 0; run < shape.runs; ++run) {
            direct = std::min(direct, directCall(dgesdd, shape.m, shape.n, a));
            host = std::min(host, hostCall(dorvik, A.get()));
        }
        char name[32];
        std::snprintf(name, sizeof name, "%ldx%ld", long(shape.m), long(shape.n));
        std::printf("%-12s %12.4f %12.4f %8.3f\n", name, direct, host, host / direct);
    }
    return 0;
}
