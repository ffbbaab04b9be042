#include "harness.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <sys/mman.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/sysinfo.h>
#endif
#endif

namespace harness {

namespace {

/* A byte-for-byte record of an argument, to prove that a call left it alone. */
struct Snapshot {
    mxArray_tag header;
    std::vector<unsigned char> real, imag, rowIndices, columnPointers;
};

/* An argument's bytes, to compare after the call.  A block of a gigabyte
 * or more is kept as a digest instead, so that an argument of billions of
 * elements takes no memory to check.  On Linux a page of such a block that
 * was never touched holds zeros and is not resident (the block is mapped
 * lazily, or calloc left it to the kernel), so the digest covers the
 * resident pages that hold anything but zeros, with their positions, and
 * leaves the others unread.  That is exact only while written pages stay
 * resident: with swap on, a page swapped out across the call is missed,
 * and the harness says so once. */
std::vector<unsigned char> bytesOf(const void *data, size_t bytes)
{
    const auto *first = static_cast<const unsigned char *>(data);
    if (data == nullptr)
        return {};
    if (bytes < (size_t(1) << 30))
        return std::vector<unsigned char>(first, first + bytes);
    uint64_t digest = 0xCBF29CE484222325ull;
    auto mix = [&digest](uint64_t word) { digest = (digest ^ word) * 0x100000001B3ull; };
    auto mixBytes = [&](const unsigned char *from, const unsigned char *to) {
        uint64_t word;
        for (; to - from >= 8; from += 8) {
            std::memcpy(&word, from, 8);
            mix(word);
        }
        for (; from < to; ++from)
            mix(*from);
    };
    bool digested = false;
#if defined(__linux__)
    const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE)), start = uintptr_t(first) & ~(page - 1);
    const uintptr_t end = uintptr_t(first) + bytes;
    std::vector<unsigned char> resident((end - start + page - 1) / page);
    if (mincore(reinterpret_cast<void *>(start), end - start, resident.data()) == 0) {
        digested = true;
        static bool told = false;
        struct sysinfo machine;
        if (!told && sysinfo(&machine) == 0 && machine.totalswap > 0) {
            told = true;
            std::fprintf(stderr, "harness: swap is on, so an argument of a gigabyte or more is compared on its "
                                 "resident pages only: a change to a page swapped out during the call goes unseen\n");
        }
        for (size_t i = 0; i < resident.size(); ++i)
            if (resident[i] & 1) {
                const uintptr_t low = std::max(start + i * page, uintptr_t(first));
                const auto *from = reinterpret_cast<const unsigned char *>(low);
                const auto *to = reinterpret_cast<const unsigned char *>(std::min(start + (i + 1) * page, end));
                if (std::any_of(from, to, [](unsigned char byte) { return byte != 0; })) {
                    mix(i);
                    mixBytes(from, to);
                }
            }
    }
#endif
    if (!digested)
        mixBytes(first, first + bytes);
    const auto *bytesOfDigest = reinterpret_cast<const unsigned char *>(&digest);
    return std::vector<unsigned char>(bytesOfDigest, bytesOfDigest + sizeof digest);
}

Snapshot snapshotOf(const mxArray *array)
{
    const size_t dataBytes = array->storedElements * standin::elementSize(array->classId);
    Snapshot snapshot{*array, bytesOf(array->real, dataBytes), bytesOf(array->imag, dataBytes), {}, {}};
    if (array->sparse) {
        snapshot.rowIndices = bytesOf(array->rowIndices, array->nzmax * sizeof(HostIndex));
        snapshot.columnPointers = bytesOf(array->columnPointers, (array->columns + 1) * sizeof(HostIndex));
    }
    return snapshot;
}

bool unchanged(const Snapshot &before, const mxArray *array)
{
    Snapshot after = snapshotOf(array);
    return std::memcmp(&before.header, &after.header, sizeof before.header) == 0 &&
           before.real == after.real && before.imag == after.imag &&
           before.rowIndices == after.rowIndices && before.columnPointers == after.columnPointers;
}

/* A pointer no array has: slots past those the host provides are set to it,
 * and a call that changes one wrote where a real host has no room. */
mxArray *const untouchedSlot = reinterpret_cast<mxArray *>(static_cast<uintptr_t>(0x5107));
constexpr int guardSlots = 8;

Array fill(Array array, const std::vector<double> &values)
{
    const size_t count = mxGetNumberOfElements(array.get());
    if (!values.empty()) {
        if (values.size() != count)
            throw std::invalid_argument("harness: wrong number of values for the array's shape");
        std::memcpy(mxGetPr(array.get()), values.data(), count * sizeof(double));
    }
    return array;
}

}  // namespace

Array dense(HostSize m, HostSize n, const std::vector<double> &values)
{
    return fill(Array(mxCreateDoubleMatrix(m, n, mxREAL)), values);
}

Array complexDense(HostSize m, HostSize n, const std::vector<double> &real,
                   const std::vector<double> &imaginary)
{
    Array array(mxCreateDoubleMatrix(m, n, mxCOMPLEX));
    if (real.size() != m * n || imaginary.size() != m * n)
        throw std::invalid_argument("harness: wrong number of values for the array's shape");
    std::memcpy(mxGetPr(array.get()), real.data(), real.size() * sizeof(double));
    std::memcpy(mxGetPi(array.get()), imaginary.data(), imaginary.size() * sizeof(double));
    return array;
}

Array scalar(double value) { return dense(1, 1, {value}); }
Array column(const std::vector<double> &values) { return dense(values.size(), 1, values); }
Array row(const std::vector<double> &values) { return dense(1, values.size(), values); }

Array ofClass(mxClassID classId, HostSize m, HostSize n)
{
    return Array(mxCreateNumericMatrix(m, n, classId, mxREAL));
}

Array sparse(HostSize m, HostSize n, const std::vector<HostIndex> &columnPointers,
             const std::vector<HostIndex> &rowIndices, const std::vector<double> &values)
{
    if (columnPointers.size() != n + 1 || rowIndices.size() != values.size())
        throw std::invalid_argument("harness: inconsistent sparse description");
    Array array(mxCreateSparse(m, n, values.size(), mxREAL));
    std::copy(columnPointers.begin(), columnPointers.end(), mxGetJc(array.get()));
    std::copy(rowIndices.begin(), rowIndices.end(), mxGetIr(array.get()));
    std::copy(values.begin(), values.end(), mxGetPr(array.get()));
    return array;
}

Array phantom(HostSize m, HostSize n) { return Array(standin::createPhantom(m, n)); }

std::vector<double> values(const mxArray *array)
{
    size_t count = mxIsSparse(array) ? mxGetJc(array)[mxGetN(array)] : array->storedElements;
    const double *first = mxGetPr(array);
    return std::vector<double>(first, first + count);
}

std::vector<HostIndex> rowIndices(const mxArray *array)
{
    const HostIndex *first = mxGetIr(array);
    return std::vector<HostIndex>(first, first + mxGetJc(array)[mxGetN(array)]);
}

std::vector<HostIndex> columnPointers(const mxArray *array)
{
    const HostIndex *first = mxGetJc(array);
    return std::vector<HostIndex>(first, first + mxGetN(array) + 1);
}

std::string sparseDefect(const mxArray *array)
{
    const HostIndex *jc = mxGetJc(array), *ir = mxGetIr(array);
    const HostSize n = mxGetN(array);
    if (jc[0] != 0)
        return "its first column pointer is not 0";
    for (HostSize j = 0; j < n; ++j) {
        if (jc[j + 1] < jc[j])
            return "its column pointers decrease at column " + std::to_string(j + 1);
        if (jc[j + 1] > mxGetNzmax(array))
            return "its column pointers pass nzmax";
        for (HostIndex p = jc[j]; p < jc[j + 1]; ++p) {
            if (ir[p] >= mxGetM(array))
                return "row index " + std::to_string(ir[p]) + " is out of range";
            if (p > jc[j] && ir[p] <= ir[p - 1])
                return "its row indices do not increase in column " + std::to_string(j + 1);
        }
    }
    return "";
}

Module::Module(standin::MexFunction entry, const std::string &name) : path_(name), library_(nullptr), entry_(entry) {}

#if defined(_WIN32)
Module::Module(const std::string &path) : path_(path)
{
    library_ = LoadLibraryA(path.c_str());
    if (library_ == nullptr)
        throw std::runtime_error("cannot load " + path + ": error " + std::to_string(GetLastError()));
    /* the 32-bit modules export the entry as _mexFunction */
    void *entry = reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(library_), "mexFunction"));
    if (entry == nullptr)
        entry = reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(library_), "_mexFunction"));
    entry_ = reinterpret_cast<standin::MexFunction>(entry);
    if (entry_ == nullptr)
        throw std::runtime_error(path + " exports no mexFunction");
}

Module::~Module()
{
    if (library_ != nullptr)
        FreeLibrary(static_cast<HMODULE>(library_));
}

const char *Module::version() const { return nullptr; }   /* Windows modules carry no version tag */
#else
Module::Module(const std::string &path) : path_(path)
{
    library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library_ == nullptr)
        throw std::runtime_error("cannot load " + path + ": " + dlerror());
    entry_ = reinterpret_cast<standin::MexFunction>(dlsym(library_, "mexFunction"));
    if (entry_ == nullptr)
        throw std::runtime_error(path + " exports no mexFunction");
}

Module::~Module()
{
    if (library_ != nullptr)
        dlclose(library_);
}

const char *Module::version() const
{
    if (library_ == nullptr)
        return nullptr;
    auto mexVersion = reinterpret_cast<const char *(*)()>(dlsym(library_, "mexVersion"));
    return mexVersion == nullptr ? nullptr : mexVersion();
}
#endif

Outcome Module::call(int nlhs, const std::vector<const mxArray *> &args) const
{
    std::vector<Snapshot> before;
    for (const mxArray *arg : args)
        before.push_back(snapshotOf(arg));

    const int provided = nlhs > 1 ? nlhs : 1;
    std::vector<mxArray *> slots(provided + guardSlots, untouchedSlot);
    std::fill(slots.begin(), slots.begin() + provided, nullptr);

    standin::resetLapackRecord();
    const auto start = std::chrono::steady_clock::now();
    standin::CallReport report = standin::invoke(entry_, nlhs, slots.data(), static_cast<int>(args.size()),
                                                 const_cast<const mxArray **>(args.data()));
    Outcome outcome;
    outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    outcome.failed = report.failed;
    outcome.message = report.message;
    outcome.arraysCreated = report.arraysCreated;
    outcome.scratchBlocks = report.scratchBlocks;
    outcome.peakScratchBytes = report.peakScratchBytes;
    outcome.lapackCalls = standin::lapackCalls();
    outcome.lapackJobs = standin::lapackJobs();
    for (int i = 0; i < provided; ++i)
        outcome.results.emplace_back(slots[i]);

    std::vector<std::string> &violations = report.violations;
    for (int i = provided; i < provided + guardSlots; ++i)
        if (slots[i] != untouchedSlot)
            violations.push_back("wrote result slot " + std::to_string(i + 1) + " with only " +
                                 std::to_string(provided) + " provided");
    for (size_t i = 0; i < args.size(); ++i)
        if (!unchanged(before[i], args[i]))
            violations.push_back("changed argument " + std::to_string(i + 1));
    if (standin::lapackArgumentError() != 0)
        violations.push_back("LAPACK rejected argument " + std::to_string(-standin::lapackArgumentError()));
    for (int i = 0; i < provided; ++i) {
        const mxArray *result = slots[i];
        std::string defect = result != nullptr && mxIsSparse(result) ? sparseDefect(result) : "";
        if (!defect.empty())
            violations.push_back("result " + std::to_string(i + 1) + " is a malformed sparse array: " + defect);
    }
    if (!violations.empty()) {
        std::string text = path_ + " broke the host contract:";
        for (const std::string &violation : violations)
            text += "\n  " + violation;
        throw ContractViolation(text);
    }
    return outcome;
}

}  // namespace harness
