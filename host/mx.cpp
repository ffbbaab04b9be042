/* libmx of the stand-in host: arrays, scratch memory, and the bookkeeping
 * around one call of a module.
 *
 * Every data block carries a header in front, whose check words end where
 * the data begins, and, outside sanitizer builds, a guard zone behind it; a
 * block whose check words or guard have changed was written before its
 * start or past its end, and the call that did it is reported.  Under
 * AddressSanitizer the guard is left out so that the sanitizer sees the
 * exact block size.  A request above the machine's memory gets the host's
 * out-of-memory error, as in a real host.
 * The data pointer of an empty array is valid but points at no element:
 * tools must decide emptiness from the counts, never from a null pointer.
 */
#include "standin.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif
#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr size_t guardBytes = 0;
#else
constexpr size_t guardBytes = 32;
#endif
constexpr unsigned char guardPattern = 0xA5;
constexpr uint64_t blockMagic = 0x6C6F7772616E6B31ull;

/* In front of every block: its size, then check words up to the data's
 * 16-byte alignment, on 64- and on 32-bit targets alike, so that the words
 * just before the data are check words and a write there is caught.  The
 * check words depend on the size: a write that reaches the size is caught
 * as well, before the size is trusted to find the guard behind the block. */
struct alignas(16) BlockHeader {
    size_t bytes;
    uint32_t check[(16 - sizeof(size_t)) / sizeof(uint32_t)];
};
static_assert(sizeof(BlockHeader) == 16 && sizeof(size_t) + sizeof(BlockHeader::check) == 16,
              "the check words end where the data begins");

uint32_t checkWord(size_t bytes, size_t i)
{
    const uint64_t size = bytes;
    return uint32_t(blockMagic >> (i % 2 * 32)) ^ uint32_t(size) ^ uint32_t(size >> 32);
}

/* Blocks of at least this many bytes are mapped lazily on Linux while a
 * test asks for it (setLazyMapping): zero pages that take memory only where
 * written and reserve none, so that the test can hand a module arrays of
 * 2^31 elements and more.  The length of each such mapping is kept here,
 * never in the block's header, where a stray write could change it. */
constexpr size_t lazyBytes = size_t(1) << 30;
bool lazyMapping = false;

std::map<const void *, size_t> &lazyMappings()
{
    static std::map<const void *, size_t> mappings;
    return mappings;
}

/* What the host tracks while a module's entry runs. */
struct CallState {
    jmp_buf jump;
    std::string message;
    std::vector<void *> scratch;
    size_t scratchBytes = 0, peakScratchBytes = 0;   /* live, and the most at once */
    std::vector<mxArray *> created;
};

CallState *activeCall = nullptr;
size_t allocationLimit = SIZE_MAX;

[[noreturn]] void outOfMemory(const char *what)
{
    char message[128];
    std::snprintf(message, sizeof message, "%s: out of memory.", what);
    standin::raise(message);
}

void *allocateBlock(size_t count, size_t size, const char *what)
{
    size_t bytes, total;
    if (__builtin_mul_overflow(count, size, &bytes) || bytes > allocationLimit ||
        (!lazyMapping && bytes > standin::physicalMemory()) ||
        __builtin_add_overflow(bytes, sizeof(BlockHeader) + guardBytes, &total))
        outOfMemory(what);
    BlockHeader *header = nullptr;
#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__)
    if (lazyMapping && total >= lazyBytes) {
        void *mapping = mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE,
                             -1, 0);
        if (mapping == MAP_FAILED)
            outOfMemory(what);
        header = static_cast<BlockHeader *>(mapping);
        lazyMappings()[header] = total;
    }
#endif
    if (header == nullptr)
        header = static_cast<BlockHeader *>(std::calloc(1, total));
    if (header == nullptr)
        outOfMemory(what);
    header->bytes = bytes;
    for (size_t i = 0; i < sizeof header->check / sizeof header->check[0]; ++i)
        header->check[i] = checkWord(bytes, i);
    auto *data = reinterpret_cast<unsigned char *>(header + 1);
    std::memset(data + bytes, guardPattern, guardBytes);
    return data;
}

BlockHeader *headerOf(const void *block)
{
    return const_cast<BlockHeader *>(reinterpret_cast<const BlockHeader *>(block) - 1);
}

/* Where a block was written outside its bounds ("before its start" or "past
 * its end"), or null. */
const char *blockDefect(const void *block)
{
    if (block == nullptr)
        return nullptr;
    const BlockHeader *header = headerOf(block);
    for (size_t i = 0; i < sizeof header->check / sizeof header->check[0]; ++i)
        if (header->check[i] != checkWord(header->bytes, i))
            return "before its start";
    const auto *guard = static_cast<const unsigned char *>(block) + header->bytes;
    for (size_t i = 0; i < guardBytes; ++i)
        if (guard[i] != guardPattern)
            return "past its end";
    return nullptr;
}

void freeBlock(void *block)
{
    if (block == nullptr)
        return;
    BlockHeader *header = headerOf(block);
#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__)
    auto mapping = lazyMappings().find(header);
    if (mapping != lazyMappings().end()) {
        munmap(header, mapping->second);
        lazyMappings().erase(mapping);
        return;
    }
#endif
    std::free(header);
}

const char *arrayDefect(const mxArray *array)
{
    const void *blocks[] = {array->real, array->imag, array->rowIndices, array->columnPointers};
    for (const void *block : blocks)
        if (const char *defect = blockDefect(block))
            return defect;
    return nullptr;
}

void releaseArray(mxArray *array)
{
    freeBlock(array->real);
    freeBlock(array->imag);
    freeBlock(array->rowIndices);
    freeBlock(array->columnPointers);
    delete array;
}

mxArray *track(mxArray *array)
{
    if (activeCall != nullptr)
        activeCall->created.push_back(array);
    return array;
}

template <typename T>
bool forget(std::vector<T> &list, T item)
{
    auto found = std::find(list.begin(), list.end(), item);
    if (found == list.end())
        return false;
    list.erase(found);
    return true;
}

HostSize elementCount(HostSize m, HostSize n, const char *what)
{
    HostSize count;
    if (__builtin_mul_overflow(m, n, &count))
        outOfMemory(what);
    return count;
}

}  // namespace

namespace standin {

void setAllocationLimit(size_t bytes) { allocationLimit = bytes; }
void setLazyMapping(bool on) { lazyMapping = on; }

size_t physicalMemory()
{
#if defined(_WIN32)
    MEMORYSTATUSEX status;
    status.dwLength = sizeof status;
    const uint64_t total = GlobalMemoryStatusEx(&status) ? status.ullTotalPhys : UINT64_MAX;
#else
    const long pages = sysconf(_SC_PHYS_PAGES), page = sysconf(_SC_PAGESIZE);
    const uint64_t total = pages > 0 && page > 0 ? uint64_t(pages) * uint64_t(page) : UINT64_MAX;
#endif
    return total < SIZE_MAX ? size_t(total) : SIZE_MAX;
}

size_t elementSize(mxClassID classId)
{
    switch (classId) {
    case mxDOUBLE_CLASS: case mxINT64_CLASS: case mxUINT64_CLASS: return 8;
    case mxSINGLE_CLASS: case mxINT32_CLASS: case mxUINT32_CLASS: return 4;
    case mxINT16_CLASS: case mxUINT16_CLASS: case mxCHAR_CLASS: return 2;
    case mxINT8_CLASS: case mxUINT8_CLASS: case mxLOGICAL_CLASS: return 1;
    default: return 0;
    }
}

mxArray *createArray(mxClassID classId, HostSize m, HostSize n, bool complex)
{
    size_t count = elementCount(m, n, "mxCreateNumericMatrix");
    /* tracked before its blocks exist, so that a failing allocation leaves
     * it to be reclaimed with the call */
    auto *array = track(new mxArray_tag());
    array->classId = classId;
    array->complex = complex;
    array->rows = m;
    array->columns = n;
    array->storedElements = count;
    array->real = allocateBlock(count, elementSize(classId), "mxCreateNumericMatrix");
    if (complex)
        array->imag = allocateBlock(count, elementSize(classId), "mxCreateNumericMatrix");
    return array;
}

mxArray *createSparseArray(mxClassID classId, HostSize m, HostSize n, HostSize nzmax, bool complex)
{
    HostSize pointers;
    if (__builtin_add_overflow(n, 1, &pointers))
        outOfMemory("mxCreateSparse");
    auto *array = track(new mxArray_tag());
    array->classId = classId;
    array->sparse = true;
    array->complex = complex;
    array->rows = m;
    array->columns = n;
    array->nzmax = nzmax;
    array->storedElements = nzmax;
    array->real = allocateBlock(nzmax, elementSize(classId), "mxCreateSparse");
    if (complex)
        array->imag = allocateBlock(nzmax, elementSize(classId), "mxCreateSparse");
    array->rowIndices = static_cast<HostIndex *>(allocateBlock(nzmax, sizeof(HostIndex), "mxCreateSparse"));
    array->columnPointers = static_cast<HostIndex *>(allocateBlock(pointers, sizeof(HostIndex), "mxCreateSparse"));
    return array;
}

mxArray *createPhantom(HostSize m, HostSize n, size_t stored)
{
    auto *array = track(new mxArray_tag());
    array->classId = mxDOUBLE_CLASS;
    array->rows = m;
    array->columns = n;
    array->storedElements = stored;
    array->real = allocateBlock(stored, sizeof(double), "phantom");
    return array;
}

void raise(const char *message)
{
    if (activeCall == nullptr) {
        std::fprintf(stderr, "stand-in host: error outside a call: %s\n", message);
        std::abort();
    }
    activeCall->message = message;
    std::longjmp(activeCall->jump, 1);
}

CallReport invoke(MexFunction entry, int nlhs, mxArray **slots, int nrhs, const mxArray **args)
{
    if (activeCall != nullptr) {
        std::fprintf(stderr, "stand-in host: calls cannot nest\n");
        std::abort();
    }
    CallState state;
    CallReport report;
    activeCall = &state;
    if (setjmp(state.jump) == 0)
        entry(nlhs, slots, nrhs, args);
    else
        report.failed = true;
    activeCall = nullptr;
    report.message = state.message;

    report.scratchBlocks = state.scratch.size();
    report.peakScratchBytes = state.peakScratchBytes;
    for (void *block : state.scratch) {
        if (const char *defect = blockDefect(block))
            report.violations.push_back(std::string("a scratch block was written ") + defect);
        freeBlock(block);
    }

    const int provided = nlhs > 1 ? nlhs : 1;
    report.arraysCreated = state.created.size();
    for (mxArray *array : state.created) {
        if (const char *defect = arrayDefect(array))
            report.violations.push_back(std::string("an array created by the call was written ") + defect);
        bool handedOver = !report.failed && std::find(slots, slots + provided, array) != slots + provided;
        if (!handedOver)
            releaseArray(array);
    }
    for (int i = 0; i < provided; ++i) {
        if (report.failed) {
            slots[i] = nullptr;
        } else if (slots[i] != nullptr &&
                   std::find(state.created.begin(), state.created.end(), slots[i]) == state.created.end()) {
            report.violations.push_back("result slot " + std::to_string(i + 1) +
                                        " holds an array the call did not create");
            slots[i] = nullptr;
        }
    }
    return report;
}

}  // namespace standin

/* The public interface. */

HostSize mxGetM(const mxArray *array) { return array->rows; }
HostSize mxGetN(const mxArray *array) { return array->columns; }
HostSize mxGetNumberOfElements(const mxArray *array)
{
    HostSize count;
    return __builtin_mul_overflow(array->rows, array->columns, &count) ? ~(HostSize)0 : count;
}
double *mxGetPr(const mxArray *array) { return static_cast<double *>(array->real); }
double *mxGetPi(const mxArray *array) { return static_cast<double *>(array->imag); }
void *mxGetData(const mxArray *array) { return array->real; }
bool mxIsSparse(const mxArray *array) { return array->sparse; }
bool mxIsDouble(const mxArray *array) { return array->classId == mxDOUBLE_CLASS; }
bool mxIsComplex(const mxArray *array) { return array->complex; }
mxClassID mxGetClassID(const mxArray *array) { return array->classId; }
HostIndex *mxGetIr(const mxArray *array) { return array->rowIndices; }
HostIndex *mxGetJc(const mxArray *array) { return array->columnPointers; }
HostSize mxGetNzmax(const mxArray *array) { return array->nzmax; }

mxArray *mxCreateDoubleMatrix(HostSize m, HostSize n, mxComplexity complexity)
{
    return standin::createArray(mxDOUBLE_CLASS, m, n, complexity == mxCOMPLEX);
}

mxArray *mxCreateSparse(HostSize m, HostSize n, HostSize nzmax, mxComplexity complexity)
{
    return standin::createSparseArray(mxDOUBLE_CLASS, m, n, nzmax, complexity == mxCOMPLEX);
}

mxArray *mxCreateNumericMatrix(HostSize m, HostSize n, mxClassID classId, mxComplexity complexity)
{
    return standin::createArray(classId, m, n, complexity == mxCOMPLEX);
}

void mxDestroyArray(mxArray *array)
{
    if (array == nullptr)
        return;
    if (activeCall != nullptr)
        forget(activeCall->created, array);
    releaseArray(array);
}

void *mxCalloc(size_t count, size_t elementSize)
{
    void *block = allocateBlock(count, elementSize, "mxCalloc");
    if (activeCall != nullptr) {
        activeCall->scratch.push_back(block);
        activeCall->scratchBytes += headerOf(block)->bytes;
        activeCall->peakScratchBytes = std::max(activeCall->peakScratchBytes, activeCall->scratchBytes);
    }
    return block;
}

void mxFree(void *block)
{
    if (block == nullptr)
        return;
    if (activeCall != nullptr && forget(activeCall->scratch, block))
        activeCall->scratchBytes -= headerOf(block)->bytes;
    freeBlock(block);
}
