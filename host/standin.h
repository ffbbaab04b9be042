/* Inside the stand-in host: what an array is, and the entries beyond the
 * public MEX interface that the test harness uses to build arguments, run a
 * call and check what the call did. */
#ifndef LOWRANK_STANDIN_H
#define LOWRANK_STANDIN_H

#define LOWRANK_HOST_BUILD
#include "lowrank_mex.h"

#include <string>
#include <vector>

#if defined(_WIN32)
#define STANDIN_API
#else
#define STANDIN_API __attribute__((visibility("default")))
#endif

struct mxArray_tag {
    mxClassID classId;
    bool sparse;
    bool complex;
    HostSize rows;
    HostSize columns;
    HostSize nzmax;              /* sparse: room in real, imag and rowIndices */
    size_t storedElements;       /* elements really behind real and imag */
    void *real;
    void *imag;
    HostIndex *rowIndices;
    HostIndex *columnPointers;
};

namespace standin {

typedef void (*MexFunction)(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]);

/* What one call did, as the host saw it. */
struct CallReport {
    bool failed = false;
    std::string message;
    std::vector<std::string> violations;
    size_t arraysCreated = 0;
    size_t scratchBlocks = 0;
    size_t peakScratchBytes = 0;   /* the most scratch held at once */
};

STANDIN_API size_t elementSize(mxClassID classId);

/* A dense array of any class, zero-filled. */
STANDIN_API mxArray *createArray(mxClassID classId, HostSize m, HostSize n, bool complex);

/* A sparse array of any class with room for nzmax entries. */
STANDIN_API mxArray *createSparseArray(mxClassID classId, HostSize m, HostSize n,
                                       HostSize nzmax, bool complex);

/* A dense double array that claims m-by-n but holds only its first stored
 * elements (zero): it lets a test pass sizes no machine could hold, which a
 * tool must reject before it reads past them. */
STANDIN_API mxArray *createPhantom(HostSize m, HostSize n, size_t stored = 1);

/* Calls a module's entry with the host's bookkeeping around it: scratch and
 * arrays are tracked, an error ends the call, and what the call created but
 * did not hand over is reclaimed.  slots holds max(nlhs, 1) entries. */
STANDIN_API CallReport invoke(MexFunction entry, int nlhs, mxArray **slots, int nrhs,
                              const mxArray **args);

/* The largest block the host hands out (default: no limit); a larger
 * request ends the call with the host's out-of-memory message, as a real
 * host does when it cannot meet a request. */
STANDIN_API void setAllocationLimit(size_t bytes);

/* The machine's physical memory in bytes (SIZE_MAX where it exceeds the
 * address space).  A block larger than this gets the host's out-of-memory
 * error, as in a real host, unless lazy mapping is on. */
STANDIN_API size_t physicalMemory();

/* While on, blocks of a gigabyte or more are mapped lazily on Linux (outside
 * sanitizer builds): they take memory only where written and may exceed the
 * machine's.  Only for tests that must hand a module arrays larger than
 * memory and know that it touches little of them; off by default. */
STANDIN_API void setLazyMapping(bool on);

/* Ends the current call with a message, as mexErrMsgTxt does. */
[[noreturn]] STANDIN_API void raise(const char *message);

/* LAPACK calls made since the last reset, the JOBZ letter of each in
 * order, and the first argument error (negative INFO) that LAPACK
 * reported. */
STANDIN_API void resetLapackRecord();
STANDIN_API long lapackCalls();
STANDIN_API const char *lapackJobs();
STANDIN_API long lapackWorkspace();   /* the LWORK of the last call */
STANDIN_API long lapackArgumentError();

/* A routine of the LAPACK library behind libmwlapack, for direct calls that
 * bypass the host (references and benchmarks). */
STANDIN_API void *lapackBackend(const char *symbol);

}  // namespace standin

#endif
