/* A libFuzzer harness for one tool, linked into this program and called
 * through the stand-in host.  The fuzzer's bytes become one call: nlhs and
 * nrhs from 0 to 6, arguments of every class, real or complex, dense or
 * sparse, with sizes and values near the boundaries.  A run fails (abort)
 * when the host sees a contract break (a slot written beyond those
 * provided, an argument changed, a block overrun, a malformed sparse
 * result), when the call ends with a message that is not the tool's own,
 * when it succeeds without filling its first slot, or when its results
 * differ from what oracles.h computes by another route; the sanitizers
 * catch every out-of-bounds access on the way.
 *
 * Encoding (missing bytes read as 0):
 *   nlhs byte, nrhs byte, then per argument
 *   kind byte   low 4 bits: 0-7 double, 8 single, 9 int32, 10 logical,
 *               11 char, 12 uint8, 13 int64, 14 uint64, 15 int8;
 *               bit 4 complex, bit 5 sparse (double and logical only)
 *   rows byte, columns byte   indices into sizeTable
 *   dense: one number per element (real parts, then imaginary parts);
 *   sparse: per column, per row, one byte whose bit 0 stores the entry,
 *           then one number per stored entry
 *   number: a byte below 128 picks specialValues[byte % 32]; any other
 *           byte is followed by the 8 bytes of a double.
 * Arrays of more than 4096 elements are made empty (0 rows; a sparse one
 * also 0 columns), except dense doubles with a dimension of at least 2^61,
 * which no machine can hold and no count of any tool can take: those are
 * phantoms backed by 4096 zeros, which a tool must refuse before reading
 * past them. */
#include "harness.h"
#include "oracles.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

const double inf = std::numeric_limits<double>::infinity();
const double specialValues[32] = {
    0, 1, 2, 3, 4, 5, 6, 7, 8, -1, 0.5, -0.5, 1.5, 2.9, 3.999, 0.25,
    std::numeric_limits<double>::quiet_NaN(), inf, -inf, 1e16, -1e16, 1e300, 2147483648.0, 2147483647.0,
    4294967296.0, -2147483648.0, 1e-300, 10, 20, 30, 100, -0.0};
const uint64_t sizeTable[16] = {0, 1, 2, 3, 4, 5, 6, 8, 17, 40, 2147483647ull, 2147483648ull,
                                4294967296ull, 4294967297ull, 1ull << 61, 1ull << 62};
const size_t largest = 4096;

class Bytes {
public:
    Bytes(const uint8_t *data, size_t size) : data_(data), size_(size) {}
    uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }
    double number()
    {
        const uint8_t selector = next();
        if (selector < 128)
            return specialValues[selector % 32];
        uint8_t raw[8];
        for (uint8_t &byte : raw)
            byte = next();
        double value;
        std::memcpy(&value, raw, sizeof value);
        return value;
    }

private:
    const uint8_t *data_;
    size_t size_, at_ = 0;
};

mxClassID classOf(uint8_t kind)
{
    static const mxClassID others[8] = {mxSINGLE_CLASS, mxINT32_CLASS, mxLOGICAL_CLASS, mxCHAR_CLASS,
                                        mxUINT8_CLASS, mxINT64_CLASS, mxUINT64_CLASS, mxINT8_CLASS};
    return (kind & 15) < 8 ? mxDOUBLE_CLASS : others[(kind & 15) - 8];
}

/* Fills an element of any class from a double, as the host would store it. */
void store(void *data, mxClassID classId, size_t at, double value)
{
    switch (classId) {
    case mxDOUBLE_CLASS: static_cast<double *>(data)[at] = value; break;
    case mxSINGLE_CLASS: static_cast<float *>(data)[at] = static_cast<float>(value); break;
    default: {
        /* integer classes take the value's low bytes: any bit pattern is a
         * valid integer, and the exact value does not matter here */
        int64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        std::memcpy(static_cast<char *>(data) + at * standin::elementSize(classId), &bits,
                    standin::elementSize(classId));
    }
    }
}

harness::Array argument(Bytes &bytes)
{
    const uint8_t kind = bytes.next();
    const mxClassID classId = classOf(kind);
    const bool sparse = (kind & 32) && (classId == mxDOUBLE_CLASS || classId == mxLOGICAL_CLASS);
    const bool complex = (kind & 16) && classId != mxLOGICAL_CLASS && classId != mxCHAR_CLASS;
    uint64_t rows = sizeTable[bytes.next() % 16], columns = sizeTable[bytes.next() % 16];
    if (static_cast<unsigned __int128>(rows) * columns > largest) {
        if (!sparse && classId == mxDOUBLE_CLASS && std::max(rows, columns) >= (1ull << 61))
            return harness::Array(standin::createPhantom(rows, columns, largest));
        rows = 0;
    }
    if (sparse && columns > largest)
        columns = 0;
    if (sparse) {
        std::vector<HostIndex> pointers{0}, indices;
        for (uint64_t j = 0; j < columns; ++j) {
            for (uint64_t i = 0; i < rows; ++i)
                if (bytes.next() & 1)
                    indices.push_back(i);
            pointers.push_back(indices.size());
        }
        harness::Array array(standin::createSparseArray(classId, rows, columns, indices.size(), complex));
        std::copy(pointers.begin(), pointers.end(), mxGetJc(array.get()));
        std::copy(indices.begin(), indices.end(), mxGetIr(array.get()));
        for (size_t p = 0; p < indices.size(); ++p)
            store(mxGetData(array.get()), classId, p, bytes.number());
        return array;
    }
    harness::Array array(standin::createArray(classId, rows, columns, complex));
    const size_t count = static_cast<size_t>(rows * columns);
    for (size_t p = 0; p < count; ++p)
        store(mxGetData(array.get()), classId, p, bytes.number());
    if (complex)
        for (size_t p = 0; p < count; ++p)
            store(mxGetPi(array.get()), classId, p, bytes.number());
    return array;
}

/* The call, as a reader needs it to tell what went wrong: nlhs, then each
 * argument's class, shape and first real values. */
void describe(int nlhs, const std::vector<const mxArray *> &handles)
{
    std::fprintf(stderr, "call with nlhs %d and %zu arguments\n", nlhs, handles.size());
    for (const mxArray *argument : handles) {
        std::fprintf(stderr, "  class %d%s%s %llu-by-%llu", int(mxGetClassID(argument)),
                     mxIsSparse(argument) ? " sparse" : "", mxIsComplex(argument) ? " complex" : "",
                     (unsigned long long)mxGetM(argument), (unsigned long long)mxGetN(argument));
        if (mxIsDouble(argument) && mxGetPr(argument) != nullptr) {
            const std::vector<double> values = harness::values(argument);
            for (size_t p = 0; p < values.size() && p < 64; ++p)
                std::fprintf(stderr, " %.17g", values[p]);
        }
        std::fprintf(stderr, "\n");
    }
}

[[noreturn]] void fail(const std::string &why)
{
    std::fprintf(stderr, "%s: %s\n", LOWRANK_FUZZ_TOOL, why.c_str());
    std::abort();
}

const harness::Module tool(mexFunction, LOWRANK_FUZZ_TOOL);

}  // namespace

/* Requests beyond a gigabyte get the host's out-of-memory message: a call
 * that asks for that much from empty or tiny arguments is the tool's
 * documented behaviour, not a fault, and must not exhaust the machine. */
extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    standin::setAllocationLimit(size_t(1) << 30);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Bytes bytes(data, size);
    const int nlhs = bytes.next() % 7, nrhs = bytes.next() % 7;
    std::vector<harness::Array> arguments;
    std::vector<const mxArray *> handles;
    for (int i = 0; i < nrhs; ++i) {
        arguments.push_back(argument(bytes));
        handles.push_back(arguments.back().get());
    }

    harness::Outcome outcome;
    try {
        outcome = tool.call(nlhs, handles);
    } catch (const harness::ContractViolation &violation) {
        fail(violation.what());
    }
    if (outcome.failed) {
        const std::string &message = outcome.message;
        const std::string own = std::string(LOWRANK_FUZZ_PREFIX) + ": ";
        const std::string hostOutOfMemory = ": out of memory.";
        const bool fromHost = message.size() > hostOutOfMemory.size() &&
                              message.compare(message.size() - hostOutOfMemory.size(), std::string::npos,
                                              hostOutOfMemory) == 0;
        if (message.compare(0, own.size(), own) != 0 && !fromHost)
            fail("a message that is not the tool's own: " + message);
    } else if (outcome[0] == nullptr) {
        fail("success without a result in the first slot");
    } else {
        const std::string disagreement = oracle::check(LOWRANK_FUZZ_TOOL, handles, nlhs, outcome);
        if (!disagreement.empty()) {
            describe(nlhs, handles);
            fail(disagreement);
        }
    }
    return 0;
}
