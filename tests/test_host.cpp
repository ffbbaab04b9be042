/* The stand-in host notices every kind of contract break it is there to
 * catch; without this, a clean run of the tool suites would prove little. */
#include "support.h"

using harness::Array;

namespace {

class StandInHost : public ::testing::Test {
protected:
    harness::Module faulty{std::string(LOWRANK_TEST_MODULE_DIR) + "/faulty." + LOWRANK_EXTENSION};

    std::string violationOf(int fault, int nlhs = 1)
    {
        Array choice = harness::scalar(fault);
        try {
            faulty.call(nlhs, {choice.get()});
        } catch (const harness::ContractViolation &violation) {
            return violation.what();
        }
        return "";
    }
};

}  // namespace

TEST_F(StandInHost, AcceptsAWellBehavedCall)
{
    EXPECT_EQ(violationOf(0), "");
}

TEST_F(StandInHost, CatchesEachKindOfBreak)
{
    EXPECT_NE(violationOf(1).find("wrote result slot 2 with only 1 provided"), std::string::npos);
    EXPECT_NE(violationOf(2).find("changed argument 1"), std::string::npos);
#if !defined(__SANITIZE_ADDRESS__)
    /* under AddressSanitizer the sanitizer itself stops this write */
    EXPECT_NE(violationOf(3).find("scratch block was written past its end"), std::string::npos);
#endif
    EXPECT_NE(violationOf(9).find("scratch block was written before its start"), std::string::npos);
    EXPECT_NE(violationOf(10).find("array created by the call was written before its start"), std::string::npos);
    EXPECT_NE(violationOf(11).find("scratch block was written before its start"), std::string::npos);
    EXPECT_NE(violationOf(4).find("row indices do not increase"), std::string::npos);
    EXPECT_NE(violationOf(6).find("holds an array the call did not create"), std::string::npos);
    EXPECT_NE(violationOf(7).find("LAPACK rejected argument 5"), std::string::npos);
}

TEST_F(StandInHost, AnAllocationItCannotMeetIsTheHostsError)
{
    /* the array is tracked before its data exists, so it is reclaimed too
     * (the sanitizer build would report it leaked otherwise) */
    Array choice = harness::scalar(8);
    harness::Outcome out = faulty.call(1, {choice.get()});
    EXPECT_TRUE(out.failed);
    EXPECT_EQ(out.message, "mxCreateNumericMatrix: out of memory.");
    EXPECT_EQ(out.arraysCreated, 1u);
}

/* Scratch beyond the machine's memory is refused as a real host refuses
 * it, not granted on pages that are never there. */
#if !defined(LOWRANK_NO_SKIPPED_TESTS)
TEST_F(StandInHost, ScratchAboveTheMachinesMemoryIsRefused)
{
    const double beyond = 2.0 * double(standin::physicalMemory()) / sizeof(double);
    if (!(beyond < double(SIZE_MAX) / sizeof(double)))
        GTEST_SKIP() << "this target's addresses cannot name more than the machine's memory";
    Array choice = harness::scalar(12), count = harness::scalar(beyond);
    harness::Outcome out = faulty.call(1, {choice.get(), count.get()});
    EXPECT_TRUE(out.failed);
    EXPECT_EQ(out.message, "mxCalloc: out of memory.");
}
#endif

TEST_F(StandInHost, AnErrorEndsTheCallAndReclaimsEverything)
{
    Array choice = harness::scalar(5);
    harness::Outcome out = faulty.call(1, {choice.get()});
    EXPECT_TRUE(out.failed);
    EXPECT_EQ(out.message, "faulty: late error");
    EXPECT_EQ(out.arraysCreated, 1u);
    EXPECT_EQ(out.scratchBlocks, 1u);
    EXPECT_EQ(out[0], nullptr);
}
