#include "support.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>

#if defined(__linux__)
#include <sys/mman.h>
#endif

using harness::Array;
using harness::Outcome;

namespace {

class Sunwick : public ToolTest {
protected:
    Sunwick() : ToolTest("sunwick") {}

    std::vector<double> sample(const mxArray *U, const mxArray *V, const mxArray *I, const mxArray *Jcol)
    {
        Outcome out = call(1, {U, V, I, Jcol});
        EXPECT_FALSE(out.failed) << out.message;
        if (out.failed)
            return {};
        EXPECT_EQ(mxGetN(out[0]), 1u);
        return harness::values(out[0]);
    }
};

/* The entries straight from the definition: for each column j and each
 * position p of it, sum U(r, d) * V(j, d) over d in order from +0. */
std::vector<double> reference(const std::vector<double> &U, size_t m, const std::vector<double> &V, size_t n,
                              size_t k, const std::vector<double> &I, const std::vector<double> &Jcol)
{
    std::vector<double> result(I.size(), 0.0);
    for (size_t j = 0; j + 1 < Jcol.size(); ++j)
        for (long p = long(Jcol[j]); p < long(Jcol[j + 1]); ++p) {
            size_t r = size_t(I[p] - 1.0);
            volatile double s = 0.0;   /* volatile: no contraction, whatever the flags */
            for (size_t d = 0; d < k; ++d) {
                volatile double product = U[r + d * m] * V[j + d * n];
                s = s + product;
            }
            result[p] = s;
        }
    return result;
}

/* The same source built without its widest vector kernel, and with the
 * straightforward one alone, so that every kernel is tested on a
 * processor that would run only the widest. */
struct Kernel {
    const char *name;
    std::unique_ptr<harness::Module> module;
};

std::vector<Kernel> narrowerKernels()
{
    std::vector<Kernel> kernels;
    for (const char *name : {"sunwick_portable", "sunwick_avx2"})
        kernels.push_back({name, std::unique_ptr<harness::Module>(new harness::Module(
                                     std::string(LOWRANK_TEST_MODULE_DIR) + "/" + name + "." + LOWRANK_EXTENSION))});
    return kernels;
}

}  // namespace

TEST_F(Sunwick, ChecksArgumentsInOrder)
{
    Array U = harness::dense(3, 2), V = harness::dense(4, 2), V3 = harness::dense(4, 3);
    Array sparseU = harness::sparse(3, 2, {0, 0, 0}, {}, {}), sparseV3 = harness::sparse(4, 3, {0, 0, 0, 0}, {}, {});
    Array sparseV = harness::sparse(4, 2, {0, 0, 0}, {}, {});
    Array I = harness::column({1}), Jcol = harness::column({0, 1});

    EXPECT_REJECTED(call(0, {U.get(), V.get(), I.get()}), "Tessmark: requires 4 inputs");
    EXPECT_REJECTED(call(1, {U.get(), V.get(), I.get(), Jcol.get(), Jcol.get()}), "Tessmark: requires 4 inputs");
    EXPECT_REJECTED(call(0, {U.get(), V.get(), I.get(), Jcol.get()}), "Tessmark: requires 1 output");
    EXPECT_REJECTED(call(2, {U.get(), V.get(), I.get(), Jcol.get()}), "Tessmark: requires 1 output");
    EXPECT_REJECTED(call(1, {sparseU.get(), V3.get(), I.get(), Jcol.get()}), "Tessmark: U must be dense");
    /* the compatibility test comes before the class of U is looked at */
    Array int32U = harness::ofClass(mxINT32_CLASS, 3, 2);
    EXPECT_REJECTED(call(1, {int32U.get(), V3.get(), I.get(), Jcol.get()}), "Tessmark: U,V not compatible");
    EXPECT_REJECTED(call(1, {U.get(), sparseV3.get(), I.get(), Jcol.get()}), "Tessmark: U,V not compatible");
    EXPECT_REJECTED(call(1, {U.get(), sparseV.get(), I.get(), Jcol.get()}), "Tessmark: V must be dense");
}

TEST_F(Sunwick, RejectsWhatWouldBeReadOutOfBounds)
{
    Array U = harness::dense(3, 2, {1, 2, 3, 4, 5, 6}), V = harness::dense(2, 2, {1, 0, 0, 1});
    Array I = harness::column({1, 3, 2}), Jcol = harness::column({0, 2, 3});
    Array singleU = harness::ofClass(mxSINGLE_CLASS, 3, 2), int32I = harness::ofClass(mxINT32_CLASS, 3, 1);
    Array sparseI = harness::sparse(3, 1, {0, 3}, {0, 1, 2}, {1, 3, 2});
    Array logicalJcol = harness::ofClass(mxLOGICAL_CLASS, 3, 1);
    EXPECT_REJECTED(call(1, {singleU.get(), V.get(), I.get(), Jcol.get()}), "Tessmark: U and V must be double");
    EXPECT_REJECTED(call(1, {U.get(), harness::ofClass(mxINT8_CLASS, 2, 2).get(), I.get(), Jcol.get()}),
                    "Tessmark: U and V must be double");
    for (const mxArray *badI : {int32I.get(), sparseI.get()})
        EXPECT_REJECTED(call(1, {U.get(), V.get(), badI, Jcol.get()}), "Tessmark: I and Jcol must be dense double vectors");
    EXPECT_REJECTED(call(1, {U.get(), V.get(), I.get(), logicalJcol.get()}), "Tessmark: I and Jcol must be dense double vectors");
    Array noEntries = harness::dense(0, 3);   /* larger dimension 3, no elements */
    EXPECT_REJECTED(call(1, {U.get(), V.get(), I.get(), noEntries.get()}), "Tessmark: I and Jcol must be dense double vectors");

    Array threeColumns = harness::column({0, 1, 2, 3});
    EXPECT_REJECTED(call(1, {U.get(), V.get(), I.get(), threeColumns.get()}), "Tessmark: more pattern columns than rows of V");

    Array tall = harness::phantom(HostSize(1) << 31, 2), wide = harness::phantom(70000, 70000);
    EXPECT_REJECTED(call(1, {tall.get(), V.get(), I.get(), Jcol.get()}), "Tessmark: dimensions too large");
    Array wideV = harness::phantom(2, 70000);
    EXPECT_REJECTED(call(1, {wide.get(), wideV.get(), I.get(), Jcol.get()}), "Tessmark: dimensions too large");

    /* Pattern faults are found in the one pass over the pattern: the call
     * ends with the message and the host discards the partial result. */
    const double nan = notANumber;
    for (std::vector<double> rows : {std::vector<double>{1, 4, 2}, {1, 0, 2}, {1, -0.5 - 1, 2}, {1, nan, 2}, {1, 3.99 + 1, 2}}) {
        Array badRows = harness::column(rows);
        Outcome out = call(1, {U.get(), V.get(), badRows.get(), Jcol.get()});
        EXPECT_TRUE(out.failed);
        EXPECT_EQ(out.message, "Tessmark: row index out of range") << rows[1];
        EXPECT_EQ(out[0], nullptr);
    }
    for (std::vector<double> pointers : {std::vector<double>{0, 2, 4}, {-1, 2, 3}, {0, nan, 3}, {0, 2, 3.0 + 1}}) {
        Array badPointers = harness::column(pointers);
        Outcome out = call(1, {U.get(), V.get(), I.get(), badPointers.get()});
        EXPECT_EQ(out.message, "Tessmark: column pointer out of range") << pointers[1] << " " << pointers[2];
    }
    /* U without rows has no row 0 to give an index in (0, 1) */
    Array noRows = harness::dense(0, 2), half = harness::column({0.5});
    EXPECT_EQ(call(1, {noRows.get(), V.get(), half.get(), harness::column({0, 1}).get()}).message,
              "Tessmark: row index out of range");
    /* I of zero rows and one column has larger dimension 1 but no entry. */
    Array emptyColumnI = harness::dense(0, 1), oneColumn = harness::column({0, 1});
    EXPECT_EQ(call(1, {U.get(), V.get(), emptyColumnI.get(), oneColumn.get()}).message, "Tessmark: column pointer out of range");
}

TEST_F(Sunwick, SamplesThePatternInStorageOrder)
{
    Array U = harness::dense(3, 2, {1, 3, 5, 2, 4, 6}), V = harness::dense(2, 2, {1, 0, 0, 1});
    Array I = harness::column({1, 3, 2}), Jcol = harness::column({0, 2, 3});
    EXPECT_EQ(sample(U.get(), V.get(), I.get(), Jcol.get()), (std::vector<double>{1, 5, 4}));

    Array Irow = harness::row({1, 3, 2}), JcolRow = harness::row({0, 2, 3});
    EXPECT_EQ(sample(U.get(), V.get(), Irow.get(), JcolRow.get()), (std::vector<double>{1, 5, 4}));
}

TEST_F(Sunwick, OddButInBoundsPatternsKeepTheirMeaning)
{
    Array U = harness::dense(3, 1, {10, 20, 30}), V = harness::dense(3, 1, {1, 2, 3});
    Array I = harness::column({1, 2, 3, 1});
    /* no columns: all zeros */
    Array justZero = harness::column({0}), noPointers = harness::dense(0, 0);
    for (const mxArray *Jcol : {justZero.get(), noPointers.get()})
        EXPECT_EQ(sample(U.get(), V.get(), I.get(), Jcol), (std::vector<double>{0, 0, 0, 0}));
    /* a reversed range writes nothing; uncovered positions stay 0 */
    Array reversed = harness::column({3, 1, 4});
    EXPECT_EQ(sample(U.get(), V.get(), I.get(), reversed.get()), (std::vector<double>{0, 40, 60, 20}));
    /* overlapping ranges: the highest-numbered column wins */
    Array overlapping = harness::column({0, 3, 1, 2});
    EXPECT_EQ(sample(U.get(), V.get(), I.get(), overlapping.get()), (std::vector<double>{10, 60, 30, 0}));
    /* an empty range is not checked for where its pointers lie */
    Array U2 = harness::dense(3, 2, {1, 3, 5, 2, 4, 6}), V2 = harness::dense(2, 2, {1, 0, 0, 1});
    Array I2 = harness::column({1, 3, 2});
    Array pastTheEnd = harness::column({5, 0}), belowZero = harness::column({0, 2, -4});
    EXPECT_EQ(sample(U2.get(), V2.get(), I2.get(), pastTheEnd.get()), (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(sample(U2.get(), V2.get(), I2.get(), belowZero.get()), (std::vector<double>{1, 5, 0}));
    /* fractional pointers and rows truncate toward zero */
    Array fractionalI = harness::column({1.5, 2.9, 3.999, 0.25}), fractionalJcol = harness::column({0, 2.9, 4.5});
    EXPECT_EQ(sample(U.get(), V.get(), fractionalI.get(), fractionalJcol.get()), (std::vector<double>{10, 20, 60, 20}));
    /* an empty pattern gives an empty column */
    Array noRows = harness::dense(0, 0);
    Outcome out = call(1, {U.get(), V.get(), noRows.get(), justZero.get()});
    EXPECT_EQ(mxGetM(out[0]), 0u);
    EXPECT_EQ(mxGetN(out[0]), 1u);
}

TEST_F(Sunwick, SumsInOrderWithoutFusedMultiplyAdd)
{
    /* 1 + 1e16 rounds to 1e16, so the in-order sum ends at 0 */
    Array U = harness::row({1, 1e16, -1e16}), V = harness::row({1, 1, 1});
    Array I = harness::column({1}), Jcol = harness::column({0, 1});
    EXPECT_EQ(sample(U.get(), V.get(), I.get(), Jcol.get()), std::vector<double>{0});

    /* (1 + 2^-30)(1 - 2^-30) rounds to 1 as a separate product, so -1 plus
     * it is exactly 0; a fused multiply-add would give -2^-60 */
    const double e = std::ldexp(1.0, -30);
    Array U2 = harness::row({-1, 1 + e}), V2 = harness::row({1, 1 - e});
    std::vector<double> entry = sample(U2.get(), V2.get(), I.get(), Jcol.get());
    ASSERT_EQ(entry.size(), 1u);
    EXPECT_EQ(entry[0], 0.0);
    EXPECT_FALSE(std::signbit(entry[0]));
}

TEST_F(Sunwick, MatchesTheDefinitionBitForBit)
{
    std::mt19937_64 generator(42);
    struct Shape { size_t m, n, k, ncols; bool rows; };
    for (Shape shape : {Shape{50, 40, 7, 40, false}, Shape{30, 60, 32, 25, true}, Shape{9, 9, 0, 9, false},
                        Shape{200, 100, 13, 100, true}, Shape{1, 5, 3, 5, false}}) {
        SCOPED_TRACE(shape.k);
        const std::vector<double> u = randomValues(shape.m * shape.k, generator), v = randomValues(shape.n * shape.k, generator);
        /* a pattern with sorted rows and a random count per column, some empty */
        std::vector<double> I, Jcol{0};
        std::bernoulli_distribution keep(0.3);
        for (size_t j = 0; j < shape.ncols; ++j) {
            for (size_t r = 0; r < shape.m; ++r)
                if (keep(generator))
                    I.push_back(double(r + 1));
            Jcol.push_back(double(I.size()));
        }
        Array U = harness::dense(shape.m, shape.k, u), V = harness::dense(shape.n, shape.k, v);
        Array Iarg = shape.rows ? harness::row(I) : harness::column(I);
        Array JcolArg = shape.rows ? harness::row(Jcol) : harness::column(Jcol);
        EXPECT_TRUE(bitIdentical(sample(U.get(), V.get(), Iarg.get(), JcolArg.get()),
                                 reference(u, shape.m, v, shape.n, shape.k, I, Jcol)));
    }
}

TEST_F(Sunwick, KZeroGivesZeros)
{
    Array U = harness::dense(4, 0), V = harness::dense(3, 0);
    Array I = harness::column({1, 4, 2}), Jcol = harness::column({0, 1, 3});
    std::vector<double> result = sample(U.get(), V.get(), I.get(), Jcol.get());
    EXPECT_EQ(result, (std::vector<double>{0, 0, 0}));
    for (double entry : result)
        EXPECT_FALSE(std::signbit(entry));
}

/* Every kernel against the definition: the widest one the processor has
 * in the tool itself, then the narrower ones.  Every k through the vector
 * kernels' four- and eight-wide steps and their remainders (read through
 * a mask in the widest), every position count through their eight-wide,
 * four-wide and one-at-a-time parts.  Products of -0 must still sum to +0,
 * which a sum that starts from its first product instead of +0 would
 * miss. */
TEST_F(Sunwick, EveryKernelMatchesTheDefinitionAtEveryRemainder)
{
    const std::vector<Kernel> kernels = narrowerKernels();
    std::mt19937_64 generator(5);
    const size_t m = 11;
    for (size_t k = 0; k < 20; ++k)
        for (size_t positions = 0; positions < 38; ++positions)
            for (bool negativeZero : {false, true}) {
                SCOPED_TRACE(testing::Message() << "k " << k << ", " << positions << " positions"
                                                << (negativeZero ? ", products -0" : ""));
                const std::vector<double> u = randomValues(m * k, generator);
                std::vector<double> v = randomValues(k, generator);
                if (negativeZero)
                    v.assign(k, -0.0);
                std::vector<double> I(positions);
                for (double &row : I)
                    row = double(generator() % m + 1);
                const std::vector<double> Jcol{0, double(positions)};
                Array U = harness::dense(m, k, u), V = harness::dense(1, k, v);
                /* no positions: a 0-by-0 I, since a 0-by-1 one has the larger dimension 1 */
                Array Iarg = positions ? harness::column(I) : harness::dense(0, 0), JcolArg = harness::column(Jcol);
                const std::vector<double> expected = reference(u, m, v, 1, k, I, Jcol);
                EXPECT_TRUE(bitIdentical(sample(U.get(), V.get(), Iarg.get(), JcolArg.get()), expected));
                for (const Kernel &kernel : kernels) {
                    Outcome out = kernel.module->call(1, {U.get(), V.get(), Iarg.get(), JcolArg.get()});
                    ASSERT_FALSE(out.failed) << out.message;
                    EXPECT_TRUE(bitIdentical(harness::values(out[0]), expected)) << kernel.name;
                }
                if (negativeZero) {
                    for (double entry : expected)
                        ASSERT_FALSE(std::signbit(entry));
                }
            }
}

/* Every index a column holds is checked, wherever it falls in the vector
 * kernels' steps (they convert eight at once), and an index that no
 * column holds is not, also where the kernels look ahead at it.  Indices
 * with fractions, 0.5 among them, name the row they truncate to.  Rows of
 * one block and of more take different kernels, and long rows are looked
 * ahead at a shorter distance. */
TEST_F(Sunwick, EveryKernelChecksEveryIndexAColumnHolds)
{
    const std::vector<Kernel> kernels = narrowerKernels();
    std::mt19937_64 generator(9);
    const size_t m = 5, held = 32, positions = 56;
    for (size_t k : {8, 12, 65}) {
        const std::vector<double> u = randomValues(m * k, generator), v = randomValues(k, generator);
        std::vector<double> good(positions);
        for (size_t p = 0; p < positions; ++p)
            good[p] = p % 7 == 3 ? 0.5 : double(generator() % m) + 1.75;
        Array U = harness::dense(m, k, u), V = harness::dense(1, k, v), Jcol = harness::column({0, double(held)});
        for (size_t bad = 0; bad < positions; ++bad)
            for (double index : {0.0, m + 1.0, notANumber, -std::numeric_limits<double>::infinity()}) {
                SCOPED_TRACE(testing::Message() << "k " << k << ", index " << index << " at position " << bad);
                std::vector<double> rows = good;
                rows[bad] = index;
                Array I = harness::column(rows);
                std::vector<Outcome> outcomes;
                outcomes.push_back(call(1, {U.get(), V.get(), I.get(), Jcol.get()}));
                for (const Kernel &kernel : kernels)
                    outcomes.push_back(kernel.module->call(1, {U.get(), V.get(), I.get(), Jcol.get()}));
                rows[bad] = 1;   /* what the reference reads in its place, when no column holds it */
                for (const Outcome &out : outcomes)
                    if (bad < held)
                        EXPECT_EQ(out.message, "Tessmark: row index out of range");
                    else
                        EXPECT_TRUE(!out.failed && bitIdentical(harness::values(out[0]),
                                                                reference(u, m, v, 1, k, rows, {0, double(held)})));
            }
    }
}

/* A column whose range ends at the largest count, 2^31 - 1, in a step of
 * fewer than eight: no kernel's position may step past that end (it would
 * wrap to -2^31 and read before I).  I and the result are 16 GiB each, of
 * which the stand-in host, asked to, maps lazily all but the pages touched. */
#if !defined(LOWRANK_NO_SKIPPED_TESTS)
TEST_F(Sunwick, ColumnEndingAtTheLargestCount)
{
#if !defined(__linux__) || !defined(__x86_64__) || defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "needs 64-bit Linux without sanitizers, whose host maps 32 GiB of address space lazily";
#else
    const HostSize nnz = 2147483647, count = 13;
    void *probe = mmap(nullptr, 2 * nnz * sizeof(double), PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE,
                       -1, 0);
    if (probe == MAP_FAILED)
        GTEST_SKIP() << "this machine cannot reserve the 32 GiB of address space for I and the result";
    munmap(probe, 2 * nnz * sizeof(double));
    struct Lazily {
        Lazily() { standin::setLazyMapping(true); }
        ~Lazily() { standin::setLazyMapping(false); }
    } lazily;
    const std::vector<Kernel> kernels = narrowerKernels();
    std::mt19937_64 generator(13);
    std::vector<double> rows(count);
    Array I = harness::dense(nnz, 1);
    for (HostSize t = 0; t < count; ++t)
        mxGetPr(I.get())[nnz - count + t] = rows[t] = double(generator() % 3 + 1);
    const std::vector<double> Jcol{double(nnz - count), double(nnz)};
    Array JcolArg = harness::column(Jcol);
    for (size_t k : {4, 12}) {
        SCOPED_TRACE(testing::Message() << "k " << k);
        const std::vector<double> u = randomValues(3 * k, generator), v = randomValues(k, generator);
        const std::vector<double> expected = reference(u, 3, v, 1, k, rows, {0, double(count)});
        Array U = harness::dense(3, k, u), V = harness::dense(1, k, v);
        std::vector<std::pair<const char *, Outcome>> outcomes;
        outcomes.emplace_back("widest", call(1, {U.get(), V.get(), I.get(), JcolArg.get()}));
        for (const Kernel &kernel : kernels)
            outcomes.emplace_back(kernel.name, kernel.module->call(1, {U.get(), V.get(), I.get(), JcolArg.get()}));
        for (const auto &[name, out] : outcomes) {
            ASSERT_FALSE(out.failed) << name << ": " << out.message;
            const double *x = mxGetPr(out[0]);
            EXPECT_TRUE(bitIdentical(std::vector<double>(x + nnz - count, x + nnz), expected)) << name;
            EXPECT_EQ(x[0], 0.0) << name;
        }
    }
#endif
}
#endif
