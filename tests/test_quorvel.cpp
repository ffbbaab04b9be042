#include "support.h"

#include <cmath>
#include <cstring>
#include <random>

using harness::Array;
using harness::Outcome;

namespace {

class Quorvel : public ToolTest {
protected:
    Quorvel() : ToolTest("quorvel") {}

    /* r, its norm and the pass count of a successful call. */
    struct Result {
        std::vector<double> r;
        double norm;
        double passes;
    };
    Result run(const std::vector<const mxArray *> &args)
    {
        Outcome out = call(3, args);
        EXPECT_FALSE(out.failed) << out.message;
        if (out.failed)
            return {};
        return {harness::values(out[0]), mxGetPr(out[1])[0], mxGetPr(out[2])[0]};
    }
};

/* The algorithm written plainly: every sum a left-to-right loop, each
 * coefficient from r as the earlier columns left it. */
struct Reference {
    static double dot(const std::vector<double> &x, size_t xOffset, const std::vector<double> &y, size_t m)
    {
        double s = 0.0;
        for (size_t i = 0; i < m; ++i)
            s = s + x[xOffset + i] * y[i];
        return s;
    }

    static void pass(const std::vector<double> &Q, size_t m, std::vector<double> &r, const std::vector<size_t> &list)
    {
        for (size_t column : list) {
            double s = dot(Q, column * m, r, m);
            for (size_t i = 0; i < m; ++i)
                r[i] = r[i] - s * Q[column * m + i];
        }
    }

    static void run(const std::vector<double> &Q, size_t m, std::vector<double> &r, const std::vector<size_t> &list,
                    double reference, double ratio, double &norm, double &passes)
    {
        pass(Q, m, r, list);
        norm = std::sqrt(dot(r, 0, r, m));
        double previous = reference;
        passes = 1;
        while (norm < ratio * previous) {
            if (passes == 4) {
                std::fill(r.begin(), r.end(), 0.0);
                norm = 0;
                passes = 5;
                return;
            }
            pass(Q, m, r, list);
            previous = norm;
            norm = std::sqrt(dot(r, 0, r, m));
            passes = passes + 1;
        }
    }
};

}  // namespace

TEST_F(Quorvel, ChecksArgumentsInOrder)
{
    Array Q = harness::dense(3, 1, {1, 0, 0}), R = harness::column({3, 4, 0});
    Array sparseQ = harness::sparse(3, 1, {0, 1}, {0}, {1}), sparseR = harness::sparse(3, 1, {0, 1}, {0}, {3});
    Array wideR = harness::dense(3, 2), rowR = harness::row({3, 4, 0}), empty = harness::dense(0, 0);
    Array one = harness::scalar(1);
    EXPECT_REJECTED(call(1, {Q.get()}), "quorvel: requires at least 2 input arguments.");
    EXPECT_REJECTED(call(5, {Q.get()}), "quorvel: requires at least 2 input arguments.");
    EXPECT_REJECTED(call(5, {Q.get(), R.get()}), "quorvel: requires at most 4 output argument.");
    EXPECT_REJECTED(call(1, {sparseQ.get(), sparseR.get()}), "quorvel: sparse Q not allowed.");
    EXPECT_REJECTED(call(1, {Q.get(), sparseR.get()}), "quorvel: sparse R not allowed.");
    EXPECT_REJECTED(call(1, {Q.get(), wideR.get()}), "quorvel: R is not compatible.");
    EXPECT_REJECTED(call(1, {Q.get(), rowR.get()}), "quorvel: R is not compatible.");
    EXPECT_REJECTED(call(1, {Q.get(), R.get(), one.get(), empty.get()}), "quorvel: index is empty");
    /* two faults at once: the earlier test's message wins */
    Array sparseShortR = harness::sparse(2, 1, {0, 1}, {0}, {3});
    EXPECT_REJECTED(call(1, {Q.get(), sparseShortR.get()}), "quorvel: sparse R not allowed.");
    EXPECT_REJECTED(call(4, {Q.get(), R.get(), one.get(), empty.get()}), "quorvel: index is empty");
}

TEST_F(Quorvel, RejectsWhatWouldBeReadOutOfBounds)
{
    Array Q = harness::dense(3, 2, {1, 0, 0, 0, 1, 0}), R = harness::column({3, 4, 5});
    Array one = harness::scalar(1), empty = harness::dense(0, 0), single = harness::ofClass(mxSINGLE_CLASS, 3, 1);
    EXPECT_REJECTED(call(1, {single.get(), R.get()}), "quorvel: Q and R must be double.");
    EXPECT_REJECTED(call(1, {Q.get(), single.get()}), "quorvel: Q and R must be double.");
    EXPECT_REJECTED(call(1, {Q.get(), R.get(), empty.get()}), "quorvel: refNorm and ratio must be nonempty doubles.");
    EXPECT_REJECTED(call(1, {Q.get(), R.get(), one.get(), one.get(), empty.get()}),
                    "quorvel: refNorm and ratio must be nonempty doubles.");
    Array sparseIndex = harness::sparse(1, 1, {0, 1}, {0}, {1}), int8Index = harness::ofClass(mxINT8_CLASS, 1, 1);
    for (const mxArray *index : {sparseIndex.get(), int8Index.get()})
        EXPECT_REJECTED(call(1, {Q.get(), R.get(), one.get(), index}), "quorvel: index must be a dense double vector.");
    for (double bad : {0.0, 3.0, -1.0, notANumber, 2.5e10}) {
        Array index = harness::row({1, bad});
        Outcome out = call(1, {Q.get(), R.get(), one.get(), index.get()});
        EXPECT_EQ(out.message, "quorvel: index out of range.") << bad;
        EXPECT_EQ(out[0], nullptr);
    }
    EXPECT_REJECTED(call(4, {Q.get(), R.get()}), "quorvel: requires at most 3 output arguments.");
    /* a basis without columns has no column for an index in (0, 1) */
    Array noColumns = harness::dense(3, 0), half = harness::scalar(0.5);
    EXPECT_EQ(call(1, {noColumns.get(), R.get(), one.get(), half.get()}).message, "quorvel: index out of range.");

    /* arrays whose bytes overflow the address space, refused before any
     * loop over them starts */
    const HostSize huge = HostSize(1) << 61;
    Array tallQ = harness::phantom(huge, 1), tallR = harness::phantom(huge, 1), wideQ = harness::phantom(3, huge);
    Array longIndex = harness::phantom(1, huge);
    EXPECT_REJECTED(call(1, {tallQ.get(), tallR.get()}), "quorvel: matrix is too large.");
    EXPECT_REJECTED(call(1, {wideQ.get(), R.get()}), "quorvel: matrix is too large.");
    EXPECT_REJECTED(call(1, {Q.get(), R.get(), one.get(), longIndex.get()}), "quorvel: matrix is too large.");
}

TEST_F(Quorvel, IdentityColumnExamples)
{
    Array e1 = harness::dense(3, 1, {1, 0, 0}), e12 = harness::dense(3, 2, {1, 0, 0, 0, 1, 0});
    Array r34 = harness::column({3, 4, 0}), r41 = harness::column({4, 1, 0}), r100 = harness::column({1, 0, 0});

    Result first = run({e1.get(), r34.get()});
    EXPECT_EQ(first.r, (std::vector<double>{0, 4, 0}));
    EXPECT_EQ(first.norm, 4);
    EXPECT_EQ(first.passes, 1);

    Result second = run({e1.get(), r41.get()});
    EXPECT_EQ(second.r, (std::vector<double>{0, 1, 0}));
    EXPECT_EQ(second.norm, 1);
    EXPECT_EQ(second.passes, 2);

    Result vanished = run({e12.get(), r100.get()});
    EXPECT_EQ(vanished.r, (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(vanished.norm, 0);
    EXPECT_EQ(vanished.passes, 2);

    Array zero = harness::scalar(0), five = harness::scalar(5), column1 = harness::column({1}), two = harness::scalar(2);
    EXPECT_EQ(run({e1.get(), r41.get(), five.get(), column1.get(), zero.get()}).passes, 1);

    Result gaveUp = run({e1.get(), r34.get(), five.get(), column1.get(), two.get()});
    EXPECT_EQ(gaveUp.r, (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(gaveUp.norm, 0);
    EXPECT_EQ(gaveUp.passes, 5);
}

TEST_F(Quorvel, LaterPassesAreJudgedAgainstThePreviousNorm)
{
    /* a reference norm far above |R| forces one extra pass, not more */
    Array e1 = harness::dense(3, 1, {1, 0, 0}), r34 = harness::column({3, 4, 0}), huge = harness::scalar(1e6);
    Result out = run({e1.get(), r34.get(), huge.get()});
    EXPECT_EQ(out.passes, 2);
    EXPECT_EQ(out.norm, 4);
}

TEST_F(Quorvel, AcceptsAFourthPassAfterThreeThatShrink)
{
    /* a basis column of length 1/2 removes only a quarter of r's first
     * entry per pass, so r shrinks geometrically: by 0.761, 0.769 and 0.782
     * in the first three passes (below the ratio 0.79) and by 0.802 in the
     * fourth, which is accepted */
    const std::vector<double> q{0.5, 0, 0}, r{1, 0.2, 0};
    Array Q = harness::dense(3, 1, q), R = harness::column(r), norm = harness::scalar(std::sqrt(1.04));
    Array first = harness::scalar(1), ratio = harness::scalar(0.79);
    Result out = run({Q.get(), R.get(), norm.get(), first.get(), ratio.get()});
    std::vector<double> expected = r;
    double expectedNorm, expectedPasses;
    Reference::run(q, 3, expected, {0}, std::sqrt(1.04), 0.79, expectedNorm, expectedPasses);
    EXPECT_EQ(expectedPasses, 4);
    EXPECT_EQ(out.passes, 4);
    EXPECT_TRUE(bitIdentical(out.r, expected));
    EXPECT_EQ(out.norm, expectedNorm);
}

TEST_F(Quorvel, IndexSelectsAndRepeatsColumns)
{
    Array Q = harness::dense(3, 2, {1, 0, 0, 0, 1, 0}), R = harness::column({3, 4, 5}), norm = harness::scalar(1);
    Array second = harness::column({2});
    EXPECT_EQ(run({Q.get(), R.get(), norm.get(), second.get()}).r, (std::vector<double>{3, 0, 5}));
    Array twiceRow = harness::row({1, 1}), twiceColumn = harness::column({1, 1});
    Result row = run({Q.get(), R.get(), norm.get(), twiceRow.get()});
    Result column = run({Q.get(), R.get(), norm.get(), twiceColumn.get()});
    EXPECT_EQ(row.r, (std::vector<double>{0, 4, 5}));
    EXPECT_EQ(row.r, column.r);
    /* a sixth argument and beyond are ignored */
    Array ratio = harness::scalar(0.5), extra = harness::dense(0, 0);
    EXPECT_EQ(run({Q.get(), R.get(), norm.get(), twiceRow.get(), ratio.get(), extra.get(), extra.get()}).r, row.r);
}

TEST_F(Quorvel, EmptyVectorAndNaN)
{
    Array Q = harness::dense(0, 2), R = harness::dense(0, 1);
    Result plain = run({Q.get(), R.get()});
    EXPECT_TRUE(plain.r.empty());
    EXPECT_EQ(plain.norm, 0);
    EXPECT_EQ(plain.passes, 1);
    Array norm = harness::scalar(2), all = harness::row({1, 2}), half = harness::scalar(0.5);
    EXPECT_EQ(run({Q.get(), R.get(), norm.get(), all.get(), half.get()}).passes, 2);

    Array e1 = harness::dense(3, 1, {1, 0, 0}), withNaN = harness::column({1, notANumber, 0});
    Result nan = run({e1.get(), withNaN.get()});
    EXPECT_TRUE(std::isnan(nan.norm));
    EXPECT_EQ(nan.passes, 1);
}

TEST_F(Quorvel, FillsOnlyTheSlotsTheHostProvides)
{
    Array Q = harness::dense(3, 1, {1, 0, 0}), R = harness::column({3, 4, 0});
    for (int nlhs : {0, 1, 2, 3}) {
        Outcome out = call(nlhs, {Q.get(), R.get()});
        EXPECT_EQ(out.arraysCreated, size_t(nlhs > 1 ? nlhs : 1));
        EXPECT_EQ(harness::values(out[0]), (std::vector<double>{0, 4, 0}));
    }
}

TEST_F(Quorvel, MatchesThePlainLoopsBitForBit)
{
    std::mt19937_64 generator(17);
    std::normal_distribution<double> normal;
    /* lengths that end realdot on each of its tails: 4j, 4j+1, 4j+2, 4j+3 */
    for (size_t m : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 33u, 34u, 35u, 36u, 1001u}) {
        for (double ratio : {0.5, 0.999, 1.5}) {
            SCOPED_TRACE(testing::Message() << "m " << m << " ratio " << ratio);
            const size_t k = 4;
            std::vector<double> q(m * k), r(m);
            for (double &x : q)
                x = normal(generator);
            for (double &x : r)
                x = normal(generator);
            const std::vector<size_t> list{2, 0, 3, 0, 1};
            std::vector<double> expected = r;
            double expectedNorm, expectedPasses;
            Reference::run(q, m, expected, list, std::sqrt(Reference::dot(r, 0, r, m)), ratio, expectedNorm,
                           expectedPasses);

            Array Q = harness::dense(m, k, q), R = harness::column(r), ratioArg = harness::scalar(ratio);
            Array index = harness::row({3, 1, 4, 1, 2});
            Array reference = harness::scalar(std::sqrt(Reference::dot(r, 0, r, m)));
            Result out = run({Q.get(), R.get(), reference.get(), index.get(), ratioArg.get()});
            EXPECT_TRUE(bitIdentical(out.r, expected));
            EXPECT_TRUE(bitIdentical({out.norm}, {expectedNorm}));
            EXPECT_EQ(out.passes, expectedPasses);

            /* the default reference norm is realdot's, which must equal the plain sum */
            Result defaults = run({Q.get(), R.get()});
            std::vector<double> plain = r;
            Reference::run(q, m, plain, {0, 1, 2, 3}, std::sqrt(Reference::dot(r, 0, r, m)), 0.5, expectedNorm,
                           expectedPasses);
            EXPECT_TRUE(bitIdentical(defaults.r, plain));
            EXPECT_EQ(defaults.passes, expectedPasses);
        }
    }
}
