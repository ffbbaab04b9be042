#include "support.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

using harness::Array;
using harness::Outcome;

namespace {

const double inf = std::numeric_limits<double>::infinity();

class Dorvik : public ToolTest {
protected:
    Dorvik() : ToolTest("dorvik") {}
};

/* Singular values by another LAPACK driver, dgesvd, called directly. */
std::vector<double> referenceSingularValues(LapackInt m, LapackInt n, std::vector<double> a)
{
    typedef void (*Dgesvd)(const char *, const char *, const LapackInt *, const LapackInt *, double *,
                           const LapackInt *, double *, double *, const LapackInt *, double *,
                           const LapackInt *, double *, const LapackInt *, LapackInt *);
    auto dgesvd = reinterpret_cast<Dgesvd>(standin::lapackBackend("dgesvd_"));
    std::vector<double> s(std::min(m, n)), work(1);
    LapackInt one = 1, query = -1, info = 0;
    dgesvd("N", "N", &m, &n, a.data(), &m, s.data(), nullptr, &one, nullptr, &one, work.data(), &query, &info);
    LapackInt lwork = static_cast<LapackInt>(work[0]);
    work.resize(lwork);
    dgesvd("N", "N", &m, &n, a.data(), &m, s.data(), nullptr, &one, nullptr, &one, work.data(), &lwork, &info);
    EXPECT_EQ(info, 0);
    return s;
}

/* Largest entry of |X'X - I| for an m-by-c matrix X. */
double orthogonalityError(const mxArray *X)
{
    const HostSize m = mxGetM(X), c = mxGetN(X);
    const double *x = mxGetPr(X);
    double worst = 0;
    for (HostSize i = 0; i < c; ++i)
        for (HostSize j = 0; j < c; ++j) {
            double dot = 0;
            for (HostSize r = 0; r < m; ++r)
                dot += x[r + i * m] * x[r + j * m];
            worst = std::max(worst, std::fabs(dot - (i == j ? 1.0 : 0.0)));
        }
    return worst;
}

/* Largest entry of |U*S*V' - A|, S given by its diagonal values. */
double reconstructionError(const std::vector<double> &a, HostSize m, HostSize n, const mxArray *U,
                           const std::vector<double> &s, const mxArray *V)
{
    const double *u = mxGetPr(U), *v = mxGetPr(V);
    double worst = 0;
    for (HostSize i = 0; i < m; ++i)
        for (HostSize j = 0; j < n; ++j) {
            double sum = 0;
            for (size_t d = 0; d < s.size(); ++d)
                sum += u[i + d * m] * s[d] * v[j + d * n];
            worst = std::max(worst, std::fabs(sum - a[i + j * m]));
        }
    return worst;
}

std::vector<double> columnPointersUpTo(HostSize k, HostSize width)
{
    std::vector<double> pointers;
    for (HostSize j = 0; j <= width; ++j)
        pointers.push_back(static_cast<double>(std::min(j, k)));
    return pointers;
}

}  // namespace

TEST_F(Dorvik, ChecksArgumentsInOrder)
{
    Array A = harness::dense(2, 2, {1, 2, 3, 4});
    Array sparseA = harness::sparse(2, 2, {0, 1, 2}, {0, 1}, {1, 1});
    Array one = harness::scalar(1);

    EXPECT_REJECTED(call(1, {sparseA.get(), one.get(), one.get()}), "dorvik: requires at most 2 input arguments.");
    EXPECT_REJECTED(call(5, {sparseA.get()}), "dorvik: requires at most 4 output argument.");
    EXPECT_REJECTED(call(5, {A.get(), one.get(), one.get()}), "dorvik: requires at most 2 input arguments.");
    EXPECT_REJECTED(call(1, {sparseA.get()}), "dorvik: sparse matrix not allowed.");
    EXPECT_REJECTED(call(4, {sparseA.get(), one.get()}), "dorvik: sparse matrix not allowed.");
    EXPECT_REJECTED(call(1, {}), "dorvik: requires at least 1 input argument.");
    EXPECT_REJECTED(call(5, {}), "dorvik: requires at most 4 output argument.");
}

TEST_F(Dorvik, RejectsArgumentsThatAreNotDouble)
{
    for (mxClassID classId : {mxSINGLE_CLASS, mxINT8_CLASS, mxUINT32_CLASS, mxINT64_CLASS, mxLOGICAL_CLASS, mxCHAR_CLASS}) {
        SCOPED_TRACE(classId);
        Array A = harness::ofClass(classId, 3, 2);
        EXPECT_REJECTED(call(1, {A.get()}), "dorvik: A must be a double matrix.");
    }
    Array A = harness::dense(2, 2, {1, 0, 0, 1});
    Array empty = harness::dense(0, 0), emptyRow = harness::dense(1, 0);
    Array logicalOne = harness::ofClass(mxLOGICAL_CLASS, 1, 1);
    Array sparseOne = harness::sparse(1, 1, {0, 1}, {0}, {1});
    for (const mxArray *choice : {empty.get(), emptyRow.get(), logicalOne.get(), sparseOne.get()})
        EXPECT_REJECTED(call(3, {A.get(), choice}), "dorvik: size choice must be a nonempty double.");
}

TEST_F(Dorvik, RejectsSizesBeyondTheLapackInteger)
{
    /* m*n fits the LAPACK integer but the bytes of its copy do not; m*n
     * itself does not.  Neither array could exist: the tool must refuse
     * from the counts alone, before reading a single element. */
    const HostSize big = HostSize(1) << (LOWRANK_LAPACK_BITS / 2 - 1);
    Array workspaceTooLarge = harness::phantom(big, big);
    Array productTooLarge = harness::phantom(HostSize(1) << (LOWRANK_LAPACK_BITS / 2 + 1), HostSize(1) << (LOWRANK_LAPACK_BITS / 2 + 1));
    for (int nlhs : {1, 4}) {
        EXPECT_REJECTED(call(nlhs, {workspaceTooLarge.get()}), "dorvik: matrix is too large.");
        EXPECT_REJECTED(call(nlhs, {productTooLarge.get()}), "dorvik: matrix is too large.");
    }
}

#if LOWRANK_LAPACK_BITS == 32
TEST_F(Dorvik, RejectsSizesThatFit64BitsButNot32)
{
    /* 50000^2 elements; and 15500^2 whose factorisation workspace
     * 9*15500^2 + ... passes 2^31 while the matrix itself (8*15500^2 bytes)
     * still fits (the values form's workspace is far smaller) */
    Array elements = harness::phantom(50000, 50000), workspace = harness::phantom(15500, 15500);
    for (int nlhs : {1, 4})
        EXPECT_REJECTED(call(nlhs, {elements.get()}), "dorvik: matrix is too large.");
    EXPECT_REJECTED(call(4, {workspace.get()}), "dorvik: matrix is too large.");
}
#endif

struct ShapeCase {
    HostSize m, n;
    bool hasSizeChoice;
    double sizeChoice;
    HostSize uColumns, sRows, sColumns, vColumns;
};

void PrintTo(const ShapeCase &c, std::ostream *out)
{
    *out << c.m << "x" << c.n;
    if (c.hasSizeChoice)
        *out << " with size choice " << c.sizeChoice;
}

class DorvikShapes : public Dorvik, public ::testing::WithParamInterface<ShapeCase> {};

TEST_P(DorvikShapes, FactorisationHasThePartsShapesAndDiagonalLayout)
{
    const ShapeCase c = GetParam();
    const std::vector<double> a = randomValues(c.m * c.n, 7);
    Array A = harness::dense(c.m, c.n, a);
    Array choice = harness::scalar(c.sizeChoice);
    std::vector<const mxArray *> args{A.get()};
    if (c.hasSizeChoice)
        args.push_back(choice.get());

    Outcome out = call(4, args);
    ASSERT_FALSE(out.failed) << out.message;
    const HostSize k = std::min(c.m, c.n);
    EXPECT_EQ(mxGetM(out[0]), c.m);
    EXPECT_EQ(mxGetN(out[0]), c.uColumns);
    EXPECT_TRUE(mxIsSparse(out[1]));
    EXPECT_EQ(mxGetM(out[1]), c.sRows);
    EXPECT_EQ(mxGetN(out[1]), c.sColumns);
    EXPECT_EQ(mxGetNzmax(out[1]), k);
    std::vector<HostIndex> expectedRows(k);
    for (HostSize i = 0; i < k; ++i)
        expectedRows[i] = i;
    EXPECT_EQ(harness::rowIndices(out[1]), expectedRows);
    std::vector<double> pointers = columnPointersUpTo(k, c.sColumns);
    EXPECT_EQ(harness::columnPointers(out[1]), std::vector<HostIndex>(pointers.begin(), pointers.end()));
    EXPECT_EQ(mxGetM(out[2]), c.n);
    EXPECT_EQ(mxGetN(out[2]), c.vColumns);
    EXPECT_EQ(harness::values(out[3]), std::vector<double>{0});
    const bool fullSize = c.hasSizeChoice && !(c.sizeChoice > -1 && c.sizeChoice < 1);
    EXPECT_EQ(out.lapackJobs, fullSize ? "A" : "S");

    const std::vector<double> s = harness::values(out[1]);
    EXPECT_TRUE(std::is_sorted(s.rbegin(), s.rend()));
    /* the values-only form: one call, for the values alone */
    Outcome values = call(2, args);
    EXPECT_EQ(values.lapackJobs, "N");
    for (size_t i = 0; i < s.size(); ++i)
        EXPECT_NEAR(harness::values(values[0])[i], s[i], 1e-13);
    EXPECT_LT(reconstructionError(a, c.m, c.n, out[0], s, out[2]), 1e-13);
    EXPECT_LT(orthogonalityError(out[0]), 1e-13);
    EXPECT_LT(orthogonalityError(out[2]), 1e-13);
}

INSTANTIATE_TEST_SUITE_P(, DorvikShapes, ::testing::Values(
    ShapeCase{5, 3, false, 0, 3, 3, 3, 3},
    ShapeCase{5, 3, true, 1, 5, 5, 3, 3},
    ShapeCase{3, 5, true, 1, 3, 3, 5, 5},
    ShapeCase{3, 5, false, 0, 3, 3, 3, 3},
    ShapeCase{4, 4, true, -1, 4, 4, 4, 4},
    ShapeCase{4, 4, true, 0, 4, 4, 4, 4},
    ShapeCase{1, 6, true, 2.7, 1, 1, 6, 6},
    ShapeCase{6, 1, true, 0.5, 1, 1, 1, 1}),
    [](const ::testing::TestParamInfo<ShapeCase> &info) {
        const ShapeCase &c = info.param;
        std::string name = std::to_string(c.m) + "x" + std::to_string(c.n);
        return c.hasSizeChoice ? name + "_choice" + std::to_string(info.index) : name + "_default";
    });

TEST_F(Dorvik, SizeChoiceSelectsFullSizeOutsideMinusOneToOne)
{
    Array A = harness::dense(3, 2, randomValues(6, 3));
    for (double x : {0.0, 0.5, -0.5, -0.99, 0.999999}) {
        Array choice = harness::scalar(x);
        Outcome out = call(3, {A.get(), choice.get()});
        EXPECT_EQ(mxGetN(out[0]), 2u) << "size choice " << x;
    }
    for (double x : {1.0, -1.0, 2.7, inf, -inf, notANumber, 1e300}) {
        Array choice = harness::scalar(x);
        Outcome out = call(3, {A.get(), choice.get()});
        EXPECT_EQ(mxGetN(out[0]), 3u) << "size choice " << x;
        EXPECT_EQ(mxGetM(out[1]), 3u);
        EXPECT_EQ(mxGetN(out[1]), 2u);
    }
    /* Only the first element of the size choice is read. */
    Array choices = harness::row({1, 0});
    EXPECT_EQ(mxGetN(call(3, {A.get(), choices.get()})[0]), 3u);
}

TEST_F(Dorvik, ValuesOnlyFormGivesDescendingValuesAndStatus)
{
    Array A = harness::dense(2, 2, {3, 0, 0, 4});
    Outcome two = call(2, {A.get()});
    ASSERT_EQ(two.results.size(), 2u);
    EXPECT_EQ(harness::values(two[0]), (std::vector<double>{4, 3}));
    EXPECT_EQ(mxGetN(two[0]), 1u);
    EXPECT_EQ(harness::values(two[1]), std::vector<double>{0});

    Array full = harness::scalar(1);
    Outcome withChoice = call(2, {A.get(), full.get()});
    EXPECT_EQ(harness::values(withChoice[0]), (std::vector<double>{4, 3}));

    /* With nlhs 0 or 1 the host gives one slot: only the values come back. */
    for (int nlhs : {0, 1}) {
        Outcome one = call(nlhs, {A.get()});
        ASSERT_EQ(one.results.size(), 1u);
        EXPECT_EQ(harness::values(one[0]), (std::vector<double>{4, 3}));
        EXPECT_EQ(one.arraysCreated, 1u);
    }
}

TEST_F(Dorvik, ValuesOnlyFormTakesNoScratchForTheFactors)
{
    /* U and VT are never referenced with JOBZ "N": a very tall or very wide
     * A costs its copy and the workspace, whatever the size choice asks */
    const HostSize large = 100000;
    for (bool tall : {true, false}) {
        SCOPED_TRACE(tall ? "100000 by 2" : "2 by 100000");
        Array A = tall ? harness::dense(large, 2, randomValues(2 * large, 11))
                       : harness::dense(2, large, randomValues(2 * large, 11));
        Array full = harness::scalar(1);
        Outcome economy = call(1, {A.get()}), fullSize = call(1, {A.get(), full.get()});
        ASSERT_FALSE(fullSize.failed) << fullSize.message;
        EXPECT_LT(fullSize.peakScratchBytes, size_t(4) << 20);
        EXPECT_EQ(harness::values(fullSize[0]), harness::values(economy[0]));
    }
}

/* The values-only form's workspace against what LAPACK asks for at its
 * optimum and its documented minimum: never less than either, at most a
 * few times the larger, and the values exactly
 * those that the factorisation job's larger workspace gives. */
/* LAPACK's optimal workspace for the values job on an m-by-n matrix, as a
 * workspace query to dgesdd with integers of type Int tells it. */
template <typename Int>
long valuesWorkspaceQuery(void *routine, Int m, Int n)
{
    typedef void (*Dgesdd)(const char *, const Int *, const Int *, double *, const Int *, double *, double *,
                           const Int *, double *, const Int *, double *, const Int *, Int *, Int *);
    std::vector<double> a(size_t(m) * size_t(n), 1.0), s(size_t(std::min(m, n))), work(1), unused(1);
    std::vector<Int> iwork(8 * s.size());
    Int query = -1, info = 0, one = 1;
    reinterpret_cast<Dgesdd>(routine)("N", &m, &n, a.data(), &m, s.data(), unused.data(), &m, unused.data(),
                                      &one, work.data(), &query, iwork.data(), &info);
    return long(work[0]);
}

TEST_F(Dorvik, ValuesFormTakesLapacksOptimalWorkspace)
{
    typedef void (*Dgesdd)(const char *, const LapackInt *, const LapackInt *, double *, const LapackInt *,
                           double *, double *, const LapackInt *, double *, const LapackInt *, double *,
                           const LapackInt *, LapackInt *, LapackInt *);
    void *backend = standin::lapackBackend("dgesdd_"), *octaves = octaveLapackRoutine("dgesdd_");
    auto dgesdd = reinterpret_cast<Dgesdd>(backend);
    struct Shape { LapackInt m, n; };
    for (Shape shape : {Shape{100, 100}, Shape{300, 100}, Shape{100, 300}, Shape{183, 100}, Shape{184, 100},
                        Shape{2000, 20}, Shape{20, 2000}, Shape{1, 50}, Shape{50, 1}, Shape{5000, 3},
                        Shape{129, 1}, Shape{1000, 1}, Shape{1, 1000}, Shape{300, 2}, Shape{2, 300},
                        Shape{100000, 2}}) {
        const LapackInt m = shape.m, n = shape.n, k = std::min(m, n);
        SCOPED_TRACE(testing::Message() << m << " by " << n);
        const std::vector<double> a = randomValues(size_t(m * n), unsigned(m + n));
        Array A = harness::dense(HostSize(m), HostSize(n), a);
        Outcome out = call(1, {A.get()});
        ASSERT_FALSE(out.failed) << out.message;
        const long lwork = standin::lapackWorkspace();
        std::vector<long> optima{valuesWorkspaceQuery<LapackInt>(backend, m, n)};
        if (octaves != nullptr)
            optima.push_back(valuesWorkspaceQuery<int32_t>(octaves, int32_t(m), int32_t(n)));
        /* LAPACK's documented minimum, above its optimum for a very tall or wide A */
        const long minimum = 3 * long(k) + std::max(long(std::max(m, n)), 7 * long(k));
        EXPECT_GE(lwork, minimum);
        for (long optimum : optima) {
            EXPECT_GE(lwork, optimum);
            EXPECT_LE(lwork, 4 * std::max(optimum, minimum));
        }

        std::vector<double> copy = a, s(static_cast<size_t>(k)), work, unused(1);
        std::vector<LapackInt> iwork(static_cast<size_t>(8 * k));
        LapackInt info = 0, one = 1;
        LapackInt partsWorkspace = 4 * k * k + std::max(std::max(m, n), 5 * k * k + 4 * k);
        work.assign(size_t(partsWorkspace), 0.0);
        dgesdd("N", &m, &n, copy.data(), &m, s.data(), unused.data(), &m, unused.data(), &one, work.data(),
               &partsWorkspace, iwork.data(), &info);
        EXPECT_TRUE(bitIdentical(harness::values(out[0]), s));
    }
    /* a values call costs little more than its copy of A */
    /* 2000 by 2000 on the 64-bit targets; the 32-bit ones may run under an
     * emulator, where that decomposition takes minutes */
    const HostSize order = sizeof(void *) == 8 ? 2000 : 400;
    Array A = harness::dense(order, order, randomValues(order * order, 3));
    EXPECT_LT(call(1, {A.get()}).peakScratchBytes, order * order * sizeof(double) + (size_t(4) << 20));
    /* except for a column or a row, whose documented minimum workspace,
     * 3 + max(m, n) elements, is as large as A itself */
    for (HostSize m : {HostSize(1), HostSize(1000000)}) {
        Array line = harness::dense(m, 1000001 - m, randomValues(1000000, 4));
        EXPECT_LT(call(1, {line.get()}).peakScratchBytes, 2 * 1000000 * sizeof(double) + (size_t(4) << 20));
    }
}

/* The host's dgesdd refuses a workspace below LAPACK's documented minimum
 * for the job, as a strict LAPACK does.  The full factors of a very tall or
 * wide A need more than the factorisation's usual workspace. */
TEST_F(Dorvik, FactorFormsMeetLapacksDocumentedWorkspace)
{
    /* The full factors only up to 2000: those of a 10^4-row A take 800 MB
     * each, and the shortfall shows from max(m, n) = 5k^2 - 2k + 1 on. */
    const LapackInt longest = 10000, longestFull = 2000;
    Array fullSize = harness::scalar(1), economy = harness::scalar(0);
    for (LapackInt k = 1; k <= 3; ++k)
        for (LapackInt other : {k, k + 1, LapackInt(13), LapackInt(50), LapackInt(100), LapackInt(1000),
                                longestFull, longest}) {
            if (other < k)
                continue;
            for (bool tall : {true, false}) {
                const LapackInt m = tall ? other : k, n = tall ? k : other;
                const std::vector<double> a = randomValues(size_t(m * n), unsigned(7 * m + n));
                Array A = harness::dense(HostSize(m), HostSize(n), a);
                for (bool full : {true, false}) {
                    if (full && other > longestFull)
                        continue;
                    SCOPED_TRACE(testing::Message() << m << " by " << n << (full ? ", full" : ", economy"));
                    Outcome out = call(4, {A.get(), full ? fullSize.get() : economy.get()});
                    ASSERT_FALSE(out.failed) << out.message;
                    EXPECT_EQ(harness::values(out[3]), std::vector<double>{0});
                    EXPECT_EQ(out[0] != nullptr ? mxGetN(out[0]) : 0, HostSize(full ? m : k));
                }
            }
        }
}

TEST_F(Dorvik, ThreeResultsFillOnlyThreeSlots)
{
    Array A = harness::dense(3, 3, randomValues(9, 5));
    Outcome out = call(3, {A.get()});
    ASSERT_EQ(out.results.size(), 3u);
    EXPECT_EQ(out.arraysCreated, 3u);
    EXPECT_NE(out[2], nullptr);
}

TEST_F(Dorvik, ZeroSingularValuesStayStoredEntries)
{
    Array A = harness::dense(3, 3, {1, 0, 0, 0, 2, 0, 0, 0, 0});
    Outcome out = call(4, {A.get()});
    EXPECT_EQ(mxGetNzmax(out[1]), 3u);
    EXPECT_EQ(harness::values(out[1]), (std::vector<double>{2, 1, 0}));
    EXPECT_EQ(harness::columnPointers(out[1]), (std::vector<HostIndex>{0, 1, 2, 3}));
}

TEST_F(Dorvik, AgreesWithAnotherDriverOnHardMatrices)
{
    struct Matrix { const char *name; HostSize m, n; std::vector<double> a; };
    std::vector<Matrix> matrices;
    matrices.push_back({"random tall", 40, 17, randomValues(40 * 17, 11)});
    matrices.push_back({"random wide", 13, 31, randomValues(13 * 31, 12)});
    /* rank 3: a sum of three outer products */
    std::vector<double> u = randomValues(30 * 3, 13), v = randomValues(20 * 3, 14), lowRank(30 * 20);
    for (int i = 0; i < 30; ++i)
        for (int j = 0; j < 20; ++j)
            for (int d = 0; d < 3; ++d)
                lowRank[i + j * 30] += u[i + d * 30] * v[j + d * 20];
    matrices.push_back({"rank 3", 30, 20, lowRank});
    /* Hilbert matrix: condition number near 1e16 */
    std::vector<double> hilbert(12 * 12);
    for (int i = 0; i < 12; ++i)
        for (int j = 0; j < 12; ++j)
            hilbert[i + j * 12] = 1.0 / (i + j + 1);
    matrices.push_back({"Hilbert", 12, 12, hilbert});

    for (const Matrix &matrix : matrices) {
        SCOPED_TRACE(matrix.name);
        Array A = harness::dense(matrix.m, matrix.n, matrix.a);
        std::vector<double> reference = referenceSingularValues(matrix.m, matrix.n, matrix.a);
        Outcome values = call(2, {A.get()});
        std::vector<double> s = harness::values(values[0]);
        ASSERT_EQ(s.size(), reference.size());
        for (size_t i = 0; i < s.size(); ++i)
            EXPECT_NEAR(s[i], reference[i], 1e-13 * reference[0]);

        Outcome factors = call(4, {A.get()});
        EXPECT_EQ(harness::values(factors[3]), std::vector<double>{0});
        const std::vector<double> sFactored = harness::values(factors[1]);
        for (size_t i = 0; i < s.size(); ++i)
            EXPECT_NEAR(sFactored[i], reference[i], 1e-13 * reference[0]);
        EXPECT_LT(reconstructionError(matrix.a, matrix.m, matrix.n, factors[0], sFactored, factors[2]), 1e-13);
        EXPECT_LT(orthogonalityError(factors[0]), 1e-13);
        EXPECT_LT(orthogonalityError(factors[2]), 1e-13);
    }
}

TEST_F(Dorvik, LapacksStatusIsReturnedNotRaised)
{
    /* LAPACK refuses NaN with status -4 and never returns from some
     * matrices holding Inf (this one, found by fuzzing): both give -4 */
    const double inf = std::numeric_limits<double>::infinity();
    Array withNaN = harness::dense(2, 2, {1, notANumber, 0, 1});
    Array withInf = harness::dense(5, 3, {3, -inf, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    for (const mxArray *A : {withNaN.get(), withInf.get()})
        for (int nlhs : {2, 4}) {
            Outcome out = call(nlhs, {A});
            ASSERT_FALSE(out.failed);
            EXPECT_EQ(harness::values(out[nlhs - 1]), std::vector<double>{-4});
            EXPECT_EQ(out.lapackCalls, 0);
        }
    /* every position is scanned, and only Inf and NaN count: the largest
     * and the smallest doubles go to LAPACK */
    const double max = std::numeric_limits<double>::max(), tiny = std::numeric_limits<double>::denorm_min();
    for (size_t position = 0; position < 21; ++position)
        for (double x : {notANumber, inf, -inf, max, -max, tiny, -0.0}) {
            std::vector<double> a = randomValues(21, 8);
            a[position] = x;
            Array A = harness::dense(7, 3, a);
            EXPECT_EQ(call(2, {A.get()}).lapackCalls, std::isfinite(x) ? 1 : 0) << x << " at " << position;
        }
}

TEST_F(Dorvik, ComplexArgumentDecomposesItsRealPart)
{
    const std::vector<double> real = randomValues(12, 21), imaginary = randomValues(12, 22);
    Array complexA = harness::complexDense(4, 3, real, imaginary);
    Array realA = harness::dense(4, 3, real);
    EXPECT_EQ(harness::values(call(1, {complexA.get()})[0]), harness::values(call(1, {realA.get()})[0]));
    Outcome out = call(4, {complexA.get()});
    EXPECT_LT(reconstructionError(real, 4, 3, out[0], harness::values(out[1]), out[2]), 1e-13);
}

struct EmptyCase {
    HostSize m, n;
    bool full;
};

void PrintTo(const EmptyCase &c, std::ostream *out) { *out << c.m << "x" << c.n << (c.full ? " full" : " economy"); }

class DorvikEmpty : public Dorvik, public ::testing::WithParamInterface<EmptyCase> {};

TEST_P(DorvikEmpty, SettledWithoutLapack)
{
    const EmptyCase c = GetParam();
    Array A = harness::dense(c.m, c.n);
    Array choice = harness::scalar(c.full ? 1 : 0);

    Outcome values = call(2, {A.get(), choice.get()});
    EXPECT_EQ(values.lapackCalls, 0);
    EXPECT_EQ(mxGetM(values[0]), 0u);
    EXPECT_EQ(mxGetN(values[0]), 1u);
    EXPECT_EQ(harness::values(values[1]), std::vector<double>{0});

    Outcome out = call(4, {A.get(), choice.get()});
    EXPECT_EQ(out.lapackCalls, 0);
    const HostSize p = c.full ? c.m : 0, q = c.full ? c.n : 0;
    EXPECT_EQ(mxGetM(out[0]), c.m);
    EXPECT_EQ(mxGetN(out[0]), p);
    EXPECT_EQ(mxGetM(out[1]), c.full ? c.m : 0);
    EXPECT_EQ(mxGetN(out[1]), c.full ? c.n : 0);
    EXPECT_EQ(mxGetNzmax(out[1]), 0u);
    EXPECT_EQ(harness::columnPointers(out[1]), std::vector<HostIndex>(mxGetN(out[1]) + 1, 0));
    EXPECT_EQ(mxGetM(out[2]), c.n);
    EXPECT_EQ(mxGetN(out[2]), q);
    EXPECT_EQ(harness::values(out[3]), std::vector<double>{0});
    /* The full-size factors of an empty matrix are identities. */
    EXPECT_EQ(orthogonalityError(out[0]), 0.0);
    EXPECT_EQ(orthogonalityError(out[2]), 0.0);
}

INSTANTIATE_TEST_SUITE_P(, DorvikEmpty, ::testing::Values(
    EmptyCase{0, 0, false}, EmptyCase{0, 0, true}, EmptyCase{0, 3, false}, EmptyCase{0, 3, true},
    EmptyCase{4, 0, false}, EmptyCase{4, 0, true}),
    [](const ::testing::TestParamInfo<EmptyCase> &info) {
        const EmptyCase &c = info.param;
        return std::to_string(c.m) + "x" + std::to_string(c.n) + (c.full ? "_full" : "_economy");
    });
