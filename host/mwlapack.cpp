/* libmwlapack of the stand-in host: the LAPACK routines the tools call,
 * forwarded to a real LAPACK of the target's integer width (OpenBLAS with
 * 64-bit integers on the 64-bit targets).  The host counts the calls and
 * remembers an argument error that LAPACK reports, so that the harness can
 * tell a tool that calls the solver needlessly or with illegal arguments. */
#include "standin.h"

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>

namespace {

long calls = 0;
long argumentError = 0;

void *backendLibrary()
{
    static void *library = dlopen(LOWRANK_LAPACK_BACKEND, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        std::fprintf(stderr, "libmwlapack: cannot load %s: %s\n", LOWRANK_LAPACK_BACKEND, dlerror());
        std::abort();
    }
    return library;
}

template <typename Routine>
Routine backendRoutine(const char *symbol)
{
    void *routine = standin::lapackBackend(symbol);
    if (routine == nullptr) {
        std::fprintf(stderr, "libmwlapack: %s has no %s\n", LOWRANK_LAPACK_BACKEND, symbol);
        std::abort();
    }
    return reinterpret_cast<Routine>(routine);
}

void record(const LapackInt *info)
{
    ++calls;
    if (*info < 0 && argumentError == 0)
        argumentError = *info;
}

}  // namespace

namespace standin {

void *lapackBackend(const char *symbol) { return dlsym(backendLibrary(), symbol); }
void resetLapackRecord() { calls = 0; argumentError = 0; }
long lapackCalls() { return calls; }
long lapackArgumentError() { return argumentError; }

}  // namespace standin

extern "C" STANDIN_API void LAPACK_ROUTINE(dgesdd)(
    const char *jobz, const LapackInt *m, const LapackInt *n, double *a, const LapackInt *lda,
    double *s, double *u, const LapackInt *ldu, double *vt, const LapackInt *ldvt, double *work,
    const LapackInt *lwork, LapackInt *iwork, LapackInt *info)
{
    typedef void (*Routine)(const char *, const LapackInt *, const LapackInt *, double *,
                            const LapackInt *, double *, double *, const LapackInt *, double *,
                            const LapackInt *, double *, const LapackInt *, LapackInt *, LapackInt *);
    static Routine routine = backendRoutine<Routine>("dgesdd_");
    routine(jobz, m, n, a, lda, s, u, ldu, vt, ldvt, work, lwork, iwork, info);
    record(info);
}

extern "C" STANDIN_API void LAPACK_ROUTINE(dsyevd)(
    const char *jobz, const char *uplo, const LapackInt *n, double *a, const LapackInt *lda,
    double *w, double *work, const LapackInt *lwork, LapackInt *iwork, const LapackInt *liwork,
    LapackInt *info)
{
    typedef void (*Routine)(const char *, const char *, const LapackInt *, double *,
                            const LapackInt *, double *, double *, const LapackInt *, LapackInt *,
                            const LapackInt *, LapackInt *);
    static Routine routine = backendRoutine<Routine>("dsyevd_");
    routine(jobz, uplo, n, a, lda, w, work, lwork, iwork, liwork, info);
    record(info);
}
