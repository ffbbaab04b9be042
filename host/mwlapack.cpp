/* libmwlapack of the stand-in host: the LAPACK routines the tools call,
 * forwarded to a real LAPACK of the target's integer width (on 64-bit
 * Linux OpenBLAS with 64-bit integers, on 32-bit Linux the reference LAPACK
 * built with the target, each loaded at first use; on Windows the
 * reference LAPACK linked in).  The host counts the calls, records the job
 * each asked for, and remembers an argument error that LAPACK reports, so
 * that the harness can tell a tool that calls the solver needlessly, for
 * more than it needs, or with illegal arguments; dgesdd's workspace is held
 * to LAPACK's documented minimum. */
#include "standin.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>

/* On Windows the reference LAPACK is linked into this library whole: its
 * routines are called directly and exported beside the host's own names. */
extern "C" {
void dgesdd_(const char *, const LapackInt *, const LapackInt *, double *, const LapackInt *, double *,
             double *, const LapackInt *, double *, const LapackInt *, double *, const LapackInt *,
             LapackInt *, LapackInt *);
void dsyevd_(const char *, const char *, const LapackInt *, double *, const LapackInt *, double *, double *,
             const LapackInt *, LapackInt *, const LapackInt *, LapackInt *);
}
#else
#include <dlfcn.h>
#endif

namespace {

long calls = 0;
long argumentError = 0;
char jobs[64];   /* the JOBZ letter of each call, in order (the first 63) */
long workspace = 0;   /* the LWORK of the last call */

#if !defined(_WIN32)
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
#endif

/* An argument error is the caller's fault unless it names a data argument:
 * dgesdd refuses a matrix holding NaN with INFO = -4, a status its caller
 * returns rather than a wrong call. */
void record(const char *jobz, const LapackInt *lwork, const LapackInt *info, LapackInt dataArgument)
{
    workspace = long(*lwork);
    if (calls < long(sizeof jobs) - 1)
        jobs[calls] = *jobz;
    ++calls;
    if (*info < 0 && *info != -dataArgument && argumentError == 0)
        argumentError = *info;
}

/* The least LWORK that LAPACK documents for dgesdd's job on an m-by-n
 * matrix.  Some LAPACKs accept less for some shapes; the host refuses it as
 * a strict one does, with INFO = -12, so that a tool relying on the
 * leniency fails here rather than in a user's host. */
int64_t documentedWorkspace(char jobz, int64_t m, int64_t n)
{
    const int64_t k = m < n ? m : n, larger = m > n ? m : n;
    if (k == 0)
        return 1;
    switch (jobz) {
    case 'N': return 3 * k + (larger > 7 * k ? larger : 7 * k);
    case 'O': return 3 * k + (larger > 5 * k * k + 4 * k ? larger : 5 * k * k + 4 * k);
    case 'S': return 4 * k * k + 7 * k;
    default: return 4 * k * k + 6 * k + larger;
    }
}

}  // namespace

namespace standin {

#if defined(_WIN32)
void *lapackBackend(const char *symbol)
{
    return reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("libmwlapack.dll"), symbol));
}
#else
void *lapackBackend(const char *symbol) { return dlsym(backendLibrary(), symbol); }
#endif
void resetLapackRecord()
{
    calls = 0;
    argumentError = 0;
    for (char &job : jobs)
        job = 0;
}
long lapackCalls() { return calls; }
long lapackArgumentError() { return argumentError; }
const char *lapackJobs() { return jobs; }
long lapackWorkspace() { return workspace; }

}  // namespace standin

extern "C" STANDIN_API void LAPACK_ROUTINE(dgesdd)(
    const char *jobz, const LapackInt *m, const LapackInt *n, double *a, const LapackInt *lda,
    double *s, double *u, const LapackInt *ldu, double *vt, const LapackInt *ldvt, double *work,
    const LapackInt *lwork, LapackInt *iwork, LapackInt *info)
{
    typedef void (*Routine)(const char *, const LapackInt *, const LapackInt *, double *,
                            const LapackInt *, double *, double *, const LapackInt *, double *,
                            const LapackInt *, double *, const LapackInt *, LapackInt *, LapackInt *);
#if defined(_WIN32)
    const Routine routine = dgesdd_;
#else
    static Routine routine = backendRoutine<Routine>("dgesdd_");
#endif
    const bool wellFormed = *m >= 0 && *n >= 0 && *jobz != 0 && std::strchr("NOSAnosa", *jobz) != nullptr;
    if (wellFormed && *lwork != -1 && int64_t(*lwork) < documentedWorkspace(char(std::toupper(*jobz)), *m, *n))
        *info = -12;
    else
        routine(jobz, m, n, a, lda, s, u, ldu, vt, ldvt, work, lwork, iwork, info);
    record(jobz, lwork, info, 4);
}

extern "C" STANDIN_API void LAPACK_ROUTINE(dsyevd)(
    const char *jobz, const char *uplo, const LapackInt *n, double *a, const LapackInt *lda,
    double *w, double *work, const LapackInt *lwork, LapackInt *iwork, const LapackInt *liwork,
    LapackInt *info)
{
    typedef void (*Routine)(const char *, const char *, const LapackInt *, double *,
                            const LapackInt *, double *, double *, const LapackInt *, LapackInt *,
                            const LapackInt *, LapackInt *);
#if defined(_WIN32)
    const Routine routine = dsyevd_;
#else
    static Routine routine = backendRoutine<Routine>("dsyevd_");
#endif
    routine(jobz, uplo, n, a, lda, w, work, lwork, iwork, liwork, info);
    record(jobz, lwork, info, 0);
}
