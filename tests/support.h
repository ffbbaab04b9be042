/* What every tool suite shares: where the modules are, and the checks that
 * read best as one line. */
#ifndef LOWRANK_TEST_SUPPORT_H
#define LOWRANK_TEST_SUPPORT_H

#include "harness.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#if defined(__linux__)
#include <dlfcn.h>
#endif

const double notANumber = std::numeric_limits<double>::quiet_NaN();

inline std::string modulePath(const std::string &tool)
{
    return std::string(LOWRANK_MODULE_DIR) + "/" + tool + "." + LOWRANK_EXTENSION;
}

/* count values drawn uniformly from [-1, 1). */
inline std::vector<double> randomValues(size_t count, std::mt19937_64 &generator)
{
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    std::vector<double> values(count);
    for (double &value : values)
        value = uniform(generator);
    return values;
}

inline std::vector<double> randomValues(size_t count, unsigned seed)
{
    std::mt19937_64 generator(seed);
    return randomValues(count, generator);
}

/* The same doubles to the last bit (NaN included). */
inline bool bitIdentical(const std::vector<double> &a, const std::vector<double> &b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

/* A routine of the LAPACK that Octave loads (liblapack.so.3, with 32-bit
 * integers), for comparing with on 64-bit Linux, where the stand-in host
 * runs another LAPACK; null on the other targets. */
inline void *octaveLapackRoutine(const char *symbol)
{
#if defined(__linux__) && defined(__x86_64__)
    static void *library = dlmopen(LM_ID_NEWLM, "liblapack.so.3", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        ADD_FAILURE() << "cannot load Octave's LAPACK, liblapack.so.3";
        return nullptr;
    }
    return dlsym(library, symbol);
#else
    (void)symbol;
    return nullptr;
#endif
}

/* A suite's fixture: the tool's module and a call in one line. */
class ToolTest : public ::testing::Test {
protected:
    explicit ToolTest(const std::string &tool) : module(modulePath(tool)) {}
    harness::Outcome call(int nlhs, const std::vector<const mxArray *> &args) { return module.call(nlhs, args); }
    harness::Module module;
};

/* Under Wine on the 32-bit Windows target, as this machine runs it (Wine
 * under qemu-i386), a process in which a test ended in GTEST_SKIP can crash
 * afterwards.  A test that could only skip there is left out of that
 * target instead. */
#if defined(_WIN32) && !defined(_WIN64)
#define LOWRANK_NO_SKIPPED_TESTS 1
#endif

/* A call that must end with exactly this message and leave nothing behind. */
#define EXPECT_REJECTED(outcome, text)                                 \
    do {                                                               \
        const harness::Outcome &rejected_ = (outcome);                 \
        EXPECT_TRUE(rejected_.failed);                                 \
        EXPECT_EQ(rejected_.message, text);                            \
        EXPECT_EQ(rejected_.arraysCreated, 0u);                        \
        EXPECT_EQ(rejected_.scratchBlocks, 0u);                        \
        EXPECT_EQ(rejected_.lapackCalls, 0);                           \
    } while (0)

#endif
