/* The host contract shared by every tool: the host's array interface, its
 * integer widths, the LAPACK entries the tools call, and how a tool reports
 * an error.
 *
 * The widths come from the build target (LOWRANK_INDEX_BITS and
 * LOWRANK_LAPACK_BITS, set once per target by the build); the tools only
 * ever use the named types below: HostSize, HostIndex and LapackInt.
 * The MATLAB targets declare the host interface here; the Octave target
 * takes it from Octave's own mex.h.
 */
#ifndef LOWRANK_MEX_H
#define LOWRANK_MEX_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#if !defined(LOWRANK_INDEX_BITS) || !defined(LOWRANK_LAPACK_BITS)
#error "the build target must define LOWRANK_INDEX_BITS and LOWRANK_LAPACK_BITS"
#endif

/* A module's own exports.  On Windows a module-definition file names them
 * (the 32-bit modules export the entry as _mexFunction). */
#if defined(_WIN32)
#define LOWRANK_EXPORT extern "C"
#else
#define LOWRANK_EXPORT extern "C" __attribute__((visibility("default")))
#endif

#if defined(LOWRANK_OCTAVE)

#include <mex.h>
typedef size_t HostSize;   /* what Octave's mxGetM and mxGetN return */
typedef mwIndex HostIndex;

/* Octave's own error call: mexErrMsgTxt and mexErrMsgIdAndTxt would put
 * the function's name in front of a text that already starts with it. */
[[noreturn]] extern void error_with_id(const char *id, const char *fmt, ...);

#else /* a MATLAB target */

#if LOWRANK_INDEX_BITS == 64
typedef uint64_t HostSize;
typedef uint64_t HostIndex;
#elif LOWRANK_INDEX_BITS == 32
typedef uint32_t HostSize;
typedef uint32_t HostIndex;
#else
#error "LOWRANK_INDEX_BITS must be 32 or 64"
#endif

typedef HostSize mwSize;
typedef HostIndex mwIndex;
typedef struct mxArray_tag mxArray;
typedef enum { mxREAL = 0, mxCOMPLEX = 1 } mxComplexity;
typedef enum {
    mxUNKNOWN_CLASS = 0, mxCELL_CLASS, mxSTRUCT_CLASS, mxLOGICAL_CLASS,
    mxCHAR_CLASS, mxVOID_CLASS, mxDOUBLE_CLASS, mxSINGLE_CLASS,
    mxINT8_CLASS, mxUINT8_CLASS, mxINT16_CLASS, mxUINT16_CLASS,
    mxINT32_CLASS, mxUINT32_CLASS, mxINT64_CLASS, mxUINT64_CLASS,
    mxFUNCTION_CLASS
} mxClassID;

/* The large-array entries have their own names on Windows; on Linux the
 * same names are bound at the host library's symbol version v7.3. */
#if defined(_WIN32)
#define mxCreateDoubleMatrix mxCreateDoubleMatrix_730
#define mxCreateSparse mxCreateSparse_730
#define mxGetIr mxGetIr_730
#define mxGetJc mxGetJc_730
#endif

/* The host's entries.  On Windows the host libraries export every entry
 * and modules import them through the import libraries. */
#if defined(LOWRANK_HOST_BUILD) && !defined(_WIN32)
#define LOWRANK_HOST_API extern "C" __attribute__((visibility("default")))
#else
#define LOWRANK_HOST_API extern "C"
#endif

/* libmx */
LOWRANK_HOST_API HostSize mxGetM(const mxArray *array);
LOWRANK_HOST_API HostSize mxGetN(const mxArray *array);
LOWRANK_HOST_API HostSize mxGetNumberOfElements(const mxArray *array);
LOWRANK_HOST_API double *mxGetPr(const mxArray *array);
LOWRANK_HOST_API double *mxGetPi(const mxArray *array);
LOWRANK_HOST_API void *mxGetData(const mxArray *array);
LOWRANK_HOST_API bool mxIsSparse(const mxArray *array);
LOWRANK_HOST_API bool mxIsDouble(const mxArray *array);
LOWRANK_HOST_API bool mxIsComplex(const mxArray *array);
LOWRANK_HOST_API mxClassID mxGetClassID(const mxArray *array);
LOWRANK_HOST_API HostIndex *mxGetIr(const mxArray *array);
LOWRANK_HOST_API HostIndex *mxGetJc(const mxArray *array);
LOWRANK_HOST_API HostSize mxGetNzmax(const mxArray *array);
LOWRANK_HOST_API mxArray *mxCreateDoubleMatrix(HostSize m, HostSize n, mxComplexity complexity);
LOWRANK_HOST_API mxArray *mxCreateSparse(HostSize m, HostSize n, HostSize nzmax, mxComplexity complexity);
LOWRANK_HOST_API mxArray *mxCreateNumericMatrix(HostSize m, HostSize n, mxClassID classId, mxComplexity complexity);
LOWRANK_HOST_API void mxDestroyArray(mxArray *array);
LOWRANK_HOST_API void *mxCalloc(size_t count, size_t elementSize);
LOWRANK_HOST_API void mxFree(void *block);

/* libmex */
LOWRANK_HOST_API void mexErrMsgTxt(const char *message);
LOWRANK_HOST_API void mexErrMsgIdAndTxt(const char *identifier, const char *format, ...);

#endif /* a MATLAB target */

/* LAPACK's integer: 64 bits on the 64-bit MATLAB targets, 32 bits on the
 * 32-bit ones and in Octave's own LAPACK. */
#if LOWRANK_LAPACK_BITS == 64
typedef int64_t LapackInt;
#elif LOWRANK_LAPACK_BITS == 32
typedef int32_t LapackInt;
#else
#error "LOWRANK_LAPACK_BITS must be 32 or 64"
#endif

/* LAPACK in its reference convention: every argument by reference and no
 * hidden length arguments after the character arguments.  Windows hosts
 * export the routines undecorated, the others with a trailing underscore. */
#if defined(_WIN32)
#define LAPACK_ROUTINE(name) name
#else
#define LAPACK_ROUTINE(name) name##_
#endif

extern "C" {
void LAPACK_ROUTINE(dgesdd)(const char *jobz, const LapackInt *m, const LapackInt *n,
                            double *a, const LapackInt *lda, double *s, double *u,
                            const LapackInt *ldu, double *vt, const LapackInt *ldvt,
                            double *work, const LapackInt *lwork, LapackInt *iwork,
                            LapackInt *info);
void LAPACK_ROUTINE(dsyevd)(const char *jobz, const char *uplo, const LapackInt *n,
                            double *a, const LapackInt *lda, double *w, double *work,
                            const LapackInt *lwork, LapackInt *iwork,
                            const LapackInt *liwork, LapackInt *info);
}

/* The entry every module exports. */
LOWRANK_EXPORT void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]);

/* Ends the call with a message, and in Octave with an identifier that
 * callers can catch by. */
[[noreturn]] static inline void reportError(const char *identifier, const char *message)
{
#if defined(LOWRANK_OCTAVE)
    error_with_id(identifier, "%s", message);
#else
    (void)identifier;
    mexErrMsgTxt(message);
    __builtin_unreachable();
#endif
}

/* A host size as a LAPACK integer, false when it does not fit. */
static inline bool toLapackInt(HostSize value, LapackInt *out)
{
    return !__builtin_add_overflow(value, (HostSize)0, out);
}

/* Whether x, truncated toward zero, is an index from 0 to count-1: false
 * for NaN, and for every x when count is 0 (x in (-1, 0) truncates to 0). */
static inline bool truncatesBelow(double x, double count)
{
    return x > -1.0 && x < count && count > 0;
}

/* Whether x truncated toward zero is a signed 32-bit integer: false for NaN
 * and for numbers whose truncation lies outside -2^31 .. 2^31-1. */
static inline bool truncatesToInt32(double x)
{
    return x > -2147483649.0 && x < 2147483648.0;
}

/* Copies count doubles and tells whether they were all finite, in one
 * pass over them.  An Inf or a NaN has every exponent bit set: adding one
 * to such an exponent, and only to such a one, carries into the sign bit
 * (integer operations, which the compiler turns into vector code).
 * LAPACK's solvers may not return from Inf or NaN. */
static inline bool copyFinite(double *to, const double *from, size_t count)
{
    const uint64_t exponent = 0x7ff0000000000000u, lowestExponentBit = 0x0010000000000000u;
    uint64_t carries = 0;
    for (size_t i = 0; i < count; ++i) {
        uint64_t bits;
        memcpy(&bits, from + i, sizeof bits);
        memcpy(to + i, &bits, sizeof bits);
        carries |= (bits & exponent) + lowestExponentBit;
    }
    return (carries >> 63) == 0;
}

/* Asks for the cache line that lies bytes past address, ahead of a
 * sequential sweep, where the memory system's own detection of streams
 * falls behind.  The address is formed as an integer, and a prefetch
 * never faults, past an array's end included. */
static inline void askForLineAhead(const void *address, size_t bytes)
{
    __builtin_prefetch((const void *)((uintptr_t)address + bytes));
}

/* Scratch of which the tool reads only what it wrote first: LAPACK's
 * workspace, a copy or a transpose of an argument.  Octave's mxCalloc
 * zero-fills every block before handing it over, so in Octave it comes
 * from mxMalloc; the MATLAB targets keep mxCalloc. */
static inline void *unzeroedScratch(size_t count, size_t elementSize)
{
#if defined(LOWRANK_OCTAVE)
    return mxMalloc(count * elementSize);
#else
    return mxCalloc(count, elementSize);
#endif
}

/* a*b for non-negative counts, false when it overflows the LAPACK integer. */
static inline bool productFits(LapackInt a, LapackInt b, LapackInt *out)
{
    return !__builtin_mul_overflow(a, b, out);
}

#endif
