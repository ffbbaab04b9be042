#include "support.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

using harness::Array;
using harness::Outcome;

namespace {

class Halmet : public ToolTest {
protected:
    Halmet() : ToolTest("halmet") {}
};

std::vector<double> randomSymmetric(size_t n, unsigned seed)
{
    std::mt19937_64 generator(seed);
    std::uniform_real_distribution<double> uniform(-1, 1);
    std::vector<double> a(n * n);
    for (size_t j = 0; j < n; ++j)
        for (size_t i = 0; i <= j; ++i)
            a[i + j * n] = a[j + i * n] = uniform(generator);
    return a;
}

/* Eigenvalues by another driver, dsyev (QR iteration), called directly. */
std::vector<double> referenceEigenvalues(LapackInt n, std::vector<double> a)
{
    typedef void (*Dsyev)(const char *, const char *, const LapackInt *, double *, const LapackInt *, double *,
                          double *, const LapackInt *, LapackInt *);
    auto dsyev = reinterpret_cast<Dsyev>(standin::lapackBackend("dsyev_"));
    std::vector<double> w(n), work(3 * n + 1);
    LapackInt lwork = LapackInt(work.size()), info = 0;
    dsyev("N", "U", &n, a.data(), &n, w.data(), work.data(), &lwork, &info);
    EXPECT_EQ(info, 0);
    return w;
}

}  // namespace

TEST_F(Halmet, ChecksArgumentsInOrder)
{
    Array A = harness::dense(2, 2, {2, 1, 1, 2});
    Array sparseNonSquare = harness::sparse(2, 3, {0, 0, 0, 0}, {}, {});
    Array sparseSquare = harness::sparse(2, 2, {0, 1, 2}, {0, 1}, {1, 1});
    Array rectangle = harness::dense(2, 3);
    EXPECT_REJECTED(call(3, {A.get(), A.get()}), "halmet: requires at most 1 input argument.");
    EXPECT_REJECTED(call(3, {A.get()}), "halmet: requires at most 2 output argument.");
    EXPECT_REJECTED(call(1, {rectangle.get()}), "halmet: matrix must be square.");
    EXPECT_REJECTED(call(1, {sparseNonSquare.get()}), "halmet: matrix must be square.");
    EXPECT_REJECTED(call(2, {sparseSquare.get()}), "halmet: sparse matrix not allowed.");
    EXPECT_REJECTED(call(1, {}), "halmet: requires 1 input argument.");
    for (mxClassID classId : {mxSINGLE_CLASS, mxINT16_CLASS, mxLOGICAL_CLASS, mxCHAR_CLASS}) {
        Array other = harness::ofClass(classId, 3, 3);
        EXPECT_REJECTED(call(1, {other.get()}), "halmet: A must be a double matrix.");
    }
    const HostSize big = HostSize(1) << (LOWRANK_LAPACK_BITS / 2 - 1);
    Array huge = harness::phantom(big, big);
    EXPECT_REJECTED(call(2, {huge.get()}), "halmet: matrix is too large.");
}

#if LOWRANK_LAPACK_BITS == 32
TEST_F(Halmet, RejectsSizesThatFit64BitsButNot32)
{
    /* 20000^2 elements fit 32 bits but their 8-byte copy does not;
     * 50000^2 elements do not fit at all */
    Array bytes = harness::phantom(20000, 20000), elements = harness::phantom(50000, 50000);
    for (int nlhs : {1, 2}) {
        EXPECT_REJECTED(call(nlhs, {bytes.get()}), "halmet: matrix is too large.");
        EXPECT_REJECTED(call(nlhs, {elements.get()}), "halmet: matrix is too large.");
    }
}
#endif

TEST_F(Halmet, OneByOne)
{
    Array A = harness::scalar(-3.5);
    EXPECT_EQ(harness::values(call(1, {A.get()})[0]), std::vector<double>{-3.5});
    Outcome both = call(2, {A.get()});
    EXPECT_EQ(harness::values(both[0]), std::vector<double>{1});
    EXPECT_EQ(harness::values(both[1]), std::vector<double>{-3.5});
    /* with no result requested the host's one slot gets the eigenvalues */
    Outcome none = call(0, {A.get()});
    ASSERT_EQ(none.results.size(), 1u);
    EXPECT_EQ(harness::values(none[0]), std::vector<double>{-3.5});
    /* whatever x is: [1] is its eigenvector, and x its eigenvalue */
    const double inf = std::numeric_limits<double>::infinity();
    for (double x : {inf, -inf, notANumber}) {
        Array X = harness::scalar(x);
        EXPECT_TRUE(bitIdentical(harness::values(call(1, {X.get()})[0]), {x})) << x;
        Outcome pair = call(2, {X.get()});
        EXPECT_EQ(harness::values(pair[0]), std::vector<double>{1}) << x;
        EXPECT_TRUE(bitIdentical(harness::values(pair[1]), {x})) << x;
    }
}

TEST_F(Halmet, AgreesWithAnotherDriverAndDecomposes)
{
    for (size_t n : {2u, 7u, 40u, 101u}) {
        SCOPED_TRACE(n);
        const std::vector<double> a = randomSymmetric(n, unsigned(n));
        Array A = harness::dense(n, n, a);
        const std::vector<double> reference = referenceEigenvalues(LapackInt(n), a);

        Outcome values = call(1, {A.get()});
        EXPECT_EQ(values.lapackJobs, "N");
        const std::vector<double> w = harness::values(values[0]);
        EXPECT_EQ(mxGetN(values[0]), 1u);
        EXPECT_TRUE(std::is_sorted(w.begin(), w.end()));
        for (size_t i = 0; i < n; ++i)
            EXPECT_NEAR(w[i], reference[i], 1e-13 * n);

        Outcome both = call(2, {A.get()});
        EXPECT_EQ(both.lapackJobs, "V");
        const double *q = mxGetPr(both[0]);
        const std::vector<double> d = harness::values(both[1]);
        EXPECT_EQ(mxGetNzmax(both[1]), n);
        std::vector<HostIndex> diagonal(n);
        for (size_t i = 0; i < n; ++i)
            diagonal[i] = i;
        EXPECT_EQ(harness::rowIndices(both[1]), diagonal);
        diagonal.push_back(n);
        EXPECT_EQ(harness::columnPointers(both[1]), diagonal);
        double residual = 0, orthogonality = 0;
        for (size_t i = 0; i < n; ++i)
            for (size_t j = 0; j < n; ++j) {
                double aq = 0, qq = 0;
                for (size_t t = 0; t < n; ++t) {
                    aq += a[i + t * n] * q[t + j * n];
                    qq += q[t + i * n] * q[t + j * n];
                }
                residual = std::max(residual, std::fabs(aq - q[i + j * n] * d[j]));
                orthogonality = std::max(orthogonality, std::fabs(qq - (i == j ? 1.0 : 0.0)));
            }
        EXPECT_LT(residual, 1e-13 * n);
        EXPECT_LT(orthogonality, 1e-13 * n);
    }
}

/* The eigenvalues-only workspace against LAPACK's optimum: never less, at
 * most a few times more, and the eigenvalues exactly those of the
 * eigenvector job's larger workspace. */
/* LAPACK's optimal workspace for the eigenvalues job of order n, as a
 * workspace query to dsyevd with integers of type Int tells it. */
template <typename Int>
long valuesWorkspaceQuery(void *routine, Int n)
{
    typedef void (*Dsyevd)(const char *, const char *, const Int *, double *, const Int *, double *, double *,
                           const Int *, Int *, const Int *, Int *);
    std::vector<double> a(size_t(n) * size_t(n), 1.0), w(static_cast<size_t>(n)), work(1);
    Int liwork = 5 * n + 3, query = -1, info = 0;
    std::vector<Int> iwork(static_cast<size_t>(liwork));
    reinterpret_cast<Dsyevd>(routine)("N", "U", &n, a.data(), &n, w.data(), work.data(), &query, iwork.data(),
                                      &liwork, &info);
    return long(work[0]);
}

TEST_F(Halmet, ValuesFormTakesLapacksOptimalWorkspace)
{
    typedef void (*Dsyevd)(const char *, const char *, const LapackInt *, double *, const LapackInt *, double *,
                           double *, const LapackInt *, LapackInt *, const LapackInt *, LapackInt *);
    void *backend = standin::lapackBackend("dsyevd_"), *octaves = octaveLapackRoutine("dsyevd_");
    auto dsyevd = reinterpret_cast<Dsyevd>(backend);
    for (LapackInt n : {2, 10, 64, 65, 300}) {
        SCOPED_TRACE(n);
        const std::vector<double> a = randomSymmetric(size_t(n), unsigned(n));
        Array A = harness::dense(HostSize(n), HostSize(n), a);
        Outcome out = call(1, {A.get()});
        const long lwork = standin::lapackWorkspace();
        std::vector<long> optima{valuesWorkspaceQuery<LapackInt>(backend, n)};
        if (octaves != nullptr)
            optima.push_back(valuesWorkspaceQuery<int32_t>(octaves, int32_t(n)));
        for (long optimum : optima) {
            EXPECT_GE(lwork, optimum);
            EXPECT_LE(lwork, 4 * optimum);
        }

        std::vector<double> copy = a, w(static_cast<size_t>(n)), work;
        LapackInt liwork = 5 * n + 3, info = 0;
        std::vector<LapackInt> iwork(static_cast<size_t>(liwork));
        LapackInt vectorsWorkspace = 2 * n * n + 6 * n + 1;
        work.assign(size_t(vectorsWorkspace), 0.0);
        dsyevd("N", "U", &n, copy.data(), &n, w.data(), work.data(), &vectorsWorkspace, iwork.data(), &liwork,
               &info);
        EXPECT_TRUE(bitIdentical(harness::values(out[0]), w));
    }
    /* an eigenvalues call costs little more than its copy of A */
    /* 2000 by 2000 on the 64-bit targets; the 32-bit ones may run under an
     * emulator, where that decomposition takes minutes */
    const HostSize order = sizeof(void *) == 8 ? 2000 : 400;
    Array A = harness::dense(order, order, randomSymmetric(order, 3));
    EXPECT_LT(call(1, {A.get()}).peakScratchBytes, order * order * sizeof(double) + (size_t(4) << 20));
}

TEST_F(Halmet, ReadsOnlyTheUpperTriangle)
{
    const size_t n = 9;
    std::vector<double> symmetric = randomSymmetric(n, 77), skewed = symmetric;
    for (size_t j = 0; j < n; ++j)
        for (size_t i = j + 1; i < n; ++i)
            skewed[i + j * n] = 100.0 * double(i) - double(j);   /* the strict lower triangle */
    Array S = harness::dense(n, n, symmetric), N = harness::dense(n, n, skewed);
    for (int nlhs : {1, 2}) {
        Outcome fromSymmetric = call(nlhs, {S.get()}), fromSkewed = call(nlhs, {N.get()});
        for (int slot = 0; slot < nlhs; ++slot)
            EXPECT_EQ(harness::values(fromSymmetric[slot]), harness::values(fromSkewed[slot]));
    }
}

TEST_F(Halmet, ZeroEigenvalueIsAStoredEntry)
{
    Array A = harness::dense(3, 3, {0, 0, 0, 0, 3, 0, 0, 0, 0});
    Outcome out = call(2, {A.get()});
    EXPECT_EQ(mxGetNzmax(out[1]), 3u);
    EXPECT_EQ(harness::values(out[1]), (std::vector<double>{0, 0, 3}));
}

TEST_F(Halmet, NonFiniteUpperTriangleGivesNaNWithoutTheSolver)
{
    const double inf = std::numeric_limits<double>::infinity();
    Array withInf = harness::dense(2, 2, {1, 0, inf, 1}), belowOnly = harness::dense(2, 2, {1, notANumber, 0, 1});
    for (int nlhs : {1, 2}) {
        Outcome out = call(nlhs, {withInf.get()});
        EXPECT_EQ(out.lapackCalls, 0);
        for (int slot = 0; slot < nlhs; ++slot)
            for (double value : harness::values(out[slot]))
                EXPECT_TRUE(std::isnan(value));
    }
    /* the strict lower triangle is never read, NaN or not */
    EXPECT_EQ(harness::values(call(1, {belowOnly.get()})[0]), (std::vector<double>{1, 1}));
    /* every position of the triangle is scanned, and nothing below it */
    for (size_t i = 0; i < 5; ++i)
        for (size_t j = 0; j < 5; ++j) {
            std::vector<double> a(25, 1.0);
            a[i + 5 * j] = -inf;
            Array A = harness::dense(5, 5, a);
            EXPECT_EQ(call(1, {A.get()}).lapackCalls, i <= j ? 0 : 1) << i << ", " << j;
        }
}

TEST_F(Halmet, EmptyMatrixIsSettledWithoutLapack)
{
    Array A = harness::dense(0, 0);
    Outcome values = call(1, {A.get()});
    EXPECT_EQ(values.lapackCalls, 0);
    EXPECT_EQ(mxGetM(values[0]), 0u);
    EXPECT_EQ(mxGetN(values[0]), 1u);
    Outcome both = call(2, {A.get()});
    EXPECT_EQ(both.lapackCalls, 0);
    EXPECT_EQ(mxGetM(both[0]), 0u);
    EXPECT_TRUE(mxIsSparse(both[1]));
    EXPECT_EQ(harness::columnPointers(both[1]), std::vector<HostIndex>{0});
}

TEST_F(Halmet, ComplexArgumentUsesItsRealPart)
{
    const std::vector<double> a = randomSymmetric(4, 3);
    Array complexA = harness::complexDense(4, 4, a, std::vector<double>(16, 0.25)), realA = harness::dense(4, 4, a);
    EXPECT_EQ(harness::values(call(1, {complexA.get()})[0]), harness::values(call(1, {realA.get()})[0]));
}
