/* The stand-in host as tests and benchmarks use it: build arguments, load a
 * module, call it as the host language would, and get its results or its
 * message.  Every call is checked against the host contract; a module that
 * breaks it (writes a result slot it was not given, changes an argument,
 * writes past a block, hands over a malformed sparse array, makes LAPACK
 * reject an argument) raises ContractViolation. */
#ifndef LOWRANK_HARNESS_H
#define LOWRANK_HARNESS_H

#include "standin.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace harness {

struct ArrayDeleter {
    void operator()(mxArray *array) const { mxDestroyArray(array); }
};
typedef std::unique_ptr<mxArray, ArrayDeleter> Array;

/* Arrays in one line; values are column-major. */
Array dense(HostSize m, HostSize n, const std::vector<double> &values = {});
Array complexDense(HostSize m, HostSize n, const std::vector<double> &real,
                   const std::vector<double> &imaginary);
Array scalar(double value);
Array column(const std::vector<double> &values);
Array row(const std::vector<double> &values);
Array ofClass(mxClassID classId, HostSize m, HostSize n);
Array sparse(HostSize m, HostSize n, const std::vector<HostIndex> &columnPointers,
             const std::vector<HostIndex> &rowIndices, const std::vector<double> &values);
Array phantom(HostSize m, HostSize n);

/* The contents of an array: the stored real values (all m*n of a dense
 * array, the first jc[n] of a sparse one), and a sparse array's indices. */
std::vector<double> values(const mxArray *array);
std::vector<HostIndex> rowIndices(const mxArray *array);
std::vector<HostIndex> columnPointers(const mxArray *array);

/* Why a sparse array breaks the host's invariants, or "" when it does not. */
std::string sparseDefect(const mxArray *array);

struct ContractViolation : std::logic_error {
    using std::logic_error::logic_error;
};

/* What a call returned. */
struct Outcome {
    bool failed = false;
    std::string message;
    std::vector<Array> results;   /* max(nlhs, 1) slots, null where left empty */
    size_t arraysCreated = 0;
    size_t scratchBlocks = 0;
    size_t peakScratchBytes = 0;  /* the most scratch the call held at once */
    long lapackCalls = 0;
    std::string lapackJobs;       /* the JOBZ letter of each LAPACK call */
    double seconds = 0;           /* the call itself, without the harness's checks */

    const mxArray *operator[](size_t slot) const { return results.at(slot).get(); }
};

class Module {
public:
    explicit Module(const std::string &path);
    /* A tool linked into the program itself, called through the same host. */
    Module(standin::MexFunction entry, const std::string &name);
    ~Module();
    Module(const Module &) = delete;
    Module &operator=(const Module &) = delete;

    Outcome call(int nlhs, const std::vector<const mxArray *> &args) const;
    const char *version() const;

private:
    std::string path_;
    void *library_;
    standin::MexFunction entry_;
};

}  // namespace harness

#endif
