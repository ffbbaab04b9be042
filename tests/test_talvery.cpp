#include "support.h"

#include <cmath>
#include <limits>
#include <random>

using harness::Array;
using harness::Outcome;

namespace {

class Talvery : public ToolTest {
protected:
    Talvery() : ToolTest("talvery") {}

    /* A successful assembly, with its result. */
    Outcome assemble(double nrows, double ncols, const mxArray *V, const mxArray *I, const mxArray *Jcol)
    {
        Array m = harness::scalar(nrows), n = harness::scalar(ncols);
        Outcome out = call(1, {m.get(), n.get(), V, I, Jcol});
        EXPECT_FALSE(out.failed) << out.message;
        if (!out.failed) {
            EXPECT_TRUE(mxIsSparse(out[0]));
        }
        return out;
    }

    std::string messageFor(double nrows, double ncols, const mxArray *V, const mxArray *I, const mxArray *Jcol)
    {
        Array m = harness::scalar(nrows), n = harness::scalar(ncols);
        Outcome out = call(1, {m.get(), n.get(), V, I, Jcol});
        EXPECT_EQ(out[0], nullptr);
        return out.message;
    }
};

/* A compressed-column description read off a dense matrix, column by
 * column, keeping the entries that the mask selects (zeros included). */
struct Compressed {
    std::vector<double> values, rows, offsets{0};
};

Compressed compress(const std::vector<double> &dense, const std::vector<bool> &mask, size_t m, size_t n)
{
    Compressed c;
    for (size_t j = 0; j < n; ++j) {
        for (size_t i = 0; i < m; ++i)
            if (mask[i + j * m]) {
                c.values.push_back(dense[i + j * m]);
                c.rows.push_back(double(i + 1));
            }
        c.offsets.push_back(double(c.values.size()));
    }
    return c;
}

}  // namespace

TEST_F(Talvery, ChecksArgumentsInOrder)
{
    Array three = harness::scalar(3), two = harness::scalar(2);
    Array V = harness::column({10, 20, 30}), I = harness::column({1, 3, 2}), Jcol = harness::column({0, 2, 3});
    Array sparseV = harness::sparse(3, 1, {0, 0}, {}, {});
    Array shortI = harness::column({1, 2}), longJcol = harness::column({0, 1, 2, 3});

    EXPECT_REJECTED(call(0, {three.get(), two.get(), V.get(), I.get()}), "talvery: requires 5 inputs");
    EXPECT_REJECTED(call(0, {three.get(), two.get(), V.get(), I.get(), Jcol.get()}), "talvery: requires 1 output");
    EXPECT_REJECTED(call(2, {three.get(), two.get(), V.get(), I.get(), Jcol.get()}), "talvery: requires 1 output");
    EXPECT_REJECTED(call(1, {three.get(), two.get(), sparseV.get(), shortI.get(), longJcol.get()}), "talvery: V must be dense");
    EXPECT_REJECTED(call(1, {three.get(), two.get(), V.get(), shortI.get(), longJcol.get()}), "talvery: V and I not compatible");
    EXPECT_REJECTED(call(1, {three.get(), two.get(), V.get(), I.get(), longJcol.get()}), "talvery: Jcol not compatible");
    /* a negative count is refused only after the Jcol test, which takes
     * ncols as it stands: -1 asks for a Jcol of no elements */
    Array minusOne = harness::scalar(-1), threeLong = harness::row({0, 1, 2});
    EXPECT_REJECTED(call(1, {minusOne.get(), two.get(), V.get(), I.get(), longJcol.get()}), "talvery: Jcol not compatible");
    EXPECT_REJECTED(call(1, {three.get(), minusOne.get(), V.get(), I.get(), threeLong.get()}), "talvery: Jcol not compatible");
    EXPECT_REJECTED(call(1, {three.get(), minusOne.get(), V.get(), I.get(), harness::dense(0, 0).get()}),
                    "talvery: nrows and ncols must be counts from 0 to 2^31-1");
}

TEST_F(Talvery, AssemblesTheDescribedMatrix)
{
    Array V = harness::column({10, 20, 30}), I = harness::column({1, 3, 2});
    /* element 0 of Jcol is never read, and its orientation does not matter */
    std::vector<Array> pointers;
    pointers.push_back(harness::column({0, 2, 3}));
    pointers.push_back(harness::row({5, 2, 3}));
    pointers.push_back(harness::dense(3, 3, {7, 2, 3, 9, 9, 9, 9, 9, 9}));
    for (const Array &Jcol : pointers) {
        Outcome out = assemble(3, 2, V.get(), I.get(), Jcol.get());
        EXPECT_EQ(mxGetM(out[0]), 3u);
        EXPECT_EQ(mxGetN(out[0]), 2u);
        EXPECT_EQ(mxGetNzmax(out[0]), 3u);
        EXPECT_EQ(harness::values(out[0]), (std::vector<double>{10, 20, 30}));
        EXPECT_EQ(harness::rowIndices(out[0]), (std::vector<HostIndex>{0, 2, 1}));
        EXPECT_EQ(harness::columnPointers(out[0]), (std::vector<HostIndex>{0, 2, 3}));
    }
}

TEST_F(Talvery, OnlyRowCountsOfVAndICount)
{
    /* rows of three: one entry each */
    Array Vrow = harness::row({10, 20, 30}), Irow = harness::row({2, 1, 1}), Jcol = harness::column({0, 1});
    Outcome out = assemble(3, 1, Vrow.get(), Irow.get(), Jcol.get());
    EXPECT_EQ(harness::values(out[0]), std::vector<double>{10});
    EXPECT_EQ(harness::rowIndices(out[0]), std::vector<HostIndex>{1});

    /* a second column of V is never read */
    Array wideV = harness::dense(3, 2, {1, 2, 3, 4, 5, 6}), I = harness::column({1, 2, 3});
    Array oneColumn = harness::column({0, 3});
    EXPECT_EQ(harness::values(assemble(3, 1, wideV.get(), I.get(), oneColumn.get())[0]), (std::vector<double>{1, 2, 3}));
}

TEST_F(Talvery, EmptyPatternsAndExplicitZeros)
{
    Array noValues = harness::dense(0, 1), noRows = harness::dense(0, 1);
    Array single = harness::column({0}), zeros = harness::column({0, 0, 0});
    Outcome none = assemble(4, 0, noValues.get(), noRows.get(), single.get());
    EXPECT_EQ(mxGetM(none[0]), 4u);
    EXPECT_EQ(mxGetN(none[0]), 0u);
    EXPECT_EQ(harness::columnPointers(none[0]), std::vector<HostIndex>{0});
    Outcome empty = assemble(4, 2, noValues.get(), noRows.get(), zeros.get());
    EXPECT_EQ(harness::columnPointers(empty[0]), (std::vector<HostIndex>{0, 0, 0}));

    Array V = harness::column({0, 5}), I = harness::column({1, 2}), Jcol = harness::column({0, 1, 2});
    Outcome out = assemble(2, 2, V.get(), I.get(), Jcol.get());
    EXPECT_EQ(mxGetNzmax(out[0]), 2u);
    EXPECT_EQ(harness::values(out[0]), (std::vector<double>{0, 5}));
}

TEST_F(Talvery, TruncatesCountsAndIndicesTowardZero)
{
    Array V = harness::column({1, 2, 3}), I = harness::column({1.9, 2.7, 3.2}), Jcol = harness::column({0, 1.5, 3.7});
    Outcome out = assemble(3.9, 2.2, V.get(), I.get(), Jcol.get());
    EXPECT_EQ(mxGetM(out[0]), 3u);
    EXPECT_EQ(mxGetN(out[0]), 2u);
    EXPECT_EQ(harness::rowIndices(out[0]), (std::vector<HostIndex>{0, 1, 2}));
    EXPECT_EQ(harness::columnPointers(out[0]), (std::vector<HostIndex>{0, 1, 3}));
}

TEST_F(Talvery, MatchesAnIndependentlyCompressedMatrix)
{
    std::mt19937_64 generator(9);
    std::uniform_real_distribution<double> uniform(-1, 1);
    std::bernoulli_distribution keep(0.2);
    const size_t m = 37, n = 23;
    std::vector<double> dense(m * n);
    std::vector<bool> mask(m * n);
    for (size_t i = 0; i < m * n; ++i) {
        dense[i] = keep(generator) ? 0.0 : uniform(generator);
        mask[i] = keep(generator);
    }
    Compressed c = compress(dense, mask, m, n);
    Array V = harness::column(c.values), I = harness::column(c.rows), Jcol = harness::row(c.offsets);
    Outcome out = assemble(m, n, V.get(), I.get(), Jcol.get());
    EXPECT_EQ(harness::values(out[0]), c.values);
    std::vector<HostIndex> rows, offsets;
    for (double row : c.rows)
        rows.push_back(HostIndex(row) - 1);
    for (double offset : c.offsets)
        offsets.push_back(HostIndex(offset));
    EXPECT_EQ(harness::rowIndices(out[0]), rows);
    EXPECT_EQ(harness::columnPointers(out[0]), offsets);
}

TEST_F(Talvery, RefusesDescriptionsThatAreNotAValidMatrix)
{
    Array V = harness::column({10, 20, 30}), I = harness::column({1, 3, 2}), Jcol = harness::column({0, 2, 3});
    const std::string badSize = "talvery: nrows and ncols must be counts from 0 to 2^31-1";
    for (double count : {-1.0, notANumber, 2147483648.0, -std::numeric_limits<double>::infinity()})
        EXPECT_EQ(messageFor(count, 2, V.get(), I.get(), Jcol.get()), badSize) << count;
    EXPECT_EQ(messageFor(3, notANumber, V.get(), I.get(), Jcol.get()), badSize);
    Array empty = harness::dense(0, 0), two = harness::scalar(2), three = harness::scalar(3);
    Array int8Three = harness::ofClass(mxINT8_CLASS, 1, 1);
    EXPECT_REJECTED(call(1, {empty.get(), two.get(), V.get(), I.get(), Jcol.get()}), badSize);
    EXPECT_REJECTED(call(1, {three.get(), int8Three.get(), V.get(), I.get(), Jcol.get()}), badSize);

    const std::string notDouble = "talvery: V, I and Jcol must be dense double arrays";
    Array singleV = harness::ofClass(mxSINGLE_CLASS, 3, 1), sparseI = harness::sparse(3, 1, {0, 1}, {0}, {1});
    Array charJcol = harness::ofClass(mxCHAR_CLASS, 1, 3);
    EXPECT_REJECTED(call(1, {three.get(), two.get(), singleV.get(), I.get(), Jcol.get()}), notDouble);
    EXPECT_REJECTED(call(1, {three.get(), two.get(), V.get(), sparseI.get(), Jcol.get()}), notDouble);
    EXPECT_REJECTED(call(1, {three.get(), two.get(), V.get(), I.get(), charJcol.get()}), notDouble);

    Array noColumnV = harness::dense(3, 0), noEntryJcol = harness::dense(0, 3);
    EXPECT_REJECTED(call(1, {three.get(), two.get(), noColumnV.get(), I.get(), Jcol.get()}), "talvery: V, I or Jcol has no elements");
    EXPECT_REJECTED(call(1, {three.get(), two.get(), V.get(), I.get(), noEntryJcol.get()}), "talvery: V, I or Jcol has no elements");
#if LOWRANK_INDEX_BITS == 64
    /* 2^32 + 3 rows hold 3 entries as a 32-bit count: I of 3 rows passes the
     * comparison, and the true row count is then refused. */
    Array hugeV = harness::phantom(HostSize(1) << 32 | 3, 1);
    EXPECT_REJECTED(call(1, {three.get(), two.get(), hugeV.get(), I.get(), Jcol.get()}), "talvery: more than 2^31-1 entries");
#else
    /* 2^31 + 3 rows are a negative 32-bit count; an I of as many rows passes
     * the comparison, and the count is then refused. */
    Array hugeV = harness::phantom(HostSize(1) << 31 | 3, 1), hugeI = harness::phantom(HostSize(1) << 31 | 3, 1);
    EXPECT_REJECTED(call(1, {three.get(), two.get(), hugeV.get(), hugeI.get(), Jcol.get()}), "talvery: more than 2^31-1 entries");
#endif

    /* faults in the pattern itself, found in the single pass */
    const std::string offsets = "talvery: column offsets must rise from 0 to the number of entries";
    for (std::vector<double> bad : {std::vector<double>{0, 1, 0}, {0, -1, 3}, {0, 2, 2}, {0, 2, 4}, {0, notANumber, 3}, {0, 1, 2.5}})
        EXPECT_EQ(messageFor(3, 2, V.get(), I.get(), harness::column(bad).get()), offsets) << bad[1] << " " << bad[2];
    Array noColumns = harness::column({0});
    EXPECT_EQ(messageFor(3, 0, V.get(), I.get(), noColumns.get()), offsets);
    for (std::vector<double> bad : {std::vector<double>{1, 4, 2}, {1, 0, 2}, {1, notANumber, 2}, {0.5 - 1, 3, 2}})
        EXPECT_EQ(messageFor(3, 2, V.get(), harness::column(bad).get(), Jcol.get()), "talvery: row index out of range");
    /* with no rows, not even an index in (0, 1), which truncates to row 0 */
    Array one = harness::column({7}), half = harness::column({0.5}), single = harness::column({0, 1});
    EXPECT_EQ(messageFor(0, 1, one.get(), half.get(), single.get()), "talvery: row index out of range");
    for (std::vector<double> bad : {std::vector<double>{3, 1, 2}, {2, 2, 2}, {2.2, 2.9, 1}})
        EXPECT_EQ(messageFor(3, 2, V.get(), harness::column(bad).get(), Jcol.get()),
                  "talvery: row indices must increase within each column");
}

TEST_F(Talvery, AssemblesWhatSunwickSamples)
{
    harness::Module sunwick(modulePath("sunwick"));
    std::mt19937_64 generator(5);
    const size_t m = 40, n = 30, k = 6;
    const std::vector<double> u = randomValues(m * k, generator), v = randomValues(n * k, generator);
    std::vector<double> product(m * n);
    for (size_t i = 0; i < m; ++i)
        for (size_t j = 0; j < n; ++j) {
            volatile double s = 0;
            for (size_t d = 0; d < k; ++d) {
                volatile double term = u[i + d * m] * v[j + d * n];
                s = s + term;
            }
            product[i + j * m] = s;
        }
    std::vector<bool> mask(m * n);
    std::bernoulli_distribution keep(0.25);
    for (size_t i = 0; i < m * n; ++i)
        mask[i] = keep(generator);
    Compressed pattern = compress(product, mask, m, n);

    Array U = harness::dense(m, k, u), V = harness::dense(n, k, v);
    Array I = harness::column(pattern.rows), Jcol = harness::column(pattern.offsets);
    Outcome sampled = sunwick.call(1, {U.get(), V.get(), I.get(), Jcol.get()});
    Outcome out = assemble(m, n, sampled[0], I.get(), Jcol.get());
    EXPECT_EQ(harness::values(out[0]), pattern.values);
    EXPECT_EQ(harness::columnPointers(out[0]).back(), pattern.values.size());
}
