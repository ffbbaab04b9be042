/* What each tool should have returned, computed again in the harness by an
 * independent route, for a call that the tool completed.  Each oracle
 * returns "" when the results agree and otherwise says what differs.  The
 * comparison is as strict as the tool's promise: bit for bit where the
 * order of every sum is fixed (sunwick, quorvel), exact for a copy
 * (talvery), and for LAPACK's results (dorvik, halmet) the residual and
 * orthogonality within a tolerance scaled by the norm of A, with the
 * values checked against another LAPACK driver. */
#ifndef LOWRANK_FUZZ_ORACLES_H
#define LOWRANK_FUZZ_ORACLES_H

#include "harness.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace oracle {

typedef std::vector<const mxArray *> Arguments;

inline size_t longer(const mxArray *array) { return std::max<size_t>(mxGetM(array), mxGetN(array)); }

/* The same doubles to the last bit; any NaN matches any NaN, since which
 * operand's NaN an operation passes on depends on how the compiler ordered
 * its operands. */
inline bool sameBits(const double *a, const double *b, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        if (std::memcmp(a + i, b + i, sizeof(double)) != 0 && !(std::isnan(a[i]) && std::isnan(b[i])))
            return false;
    return true;
}

/* Whether a result is a dense m-by-n array. */
inline bool denseShape(const mxArray *result, size_t m, size_t n)
{
    return result != nullptr && !mxIsSparse(result) && mxGetM(result) == m && mxGetN(result) == n;
}

/* Every entry the sequential sum of its k products from +0. */
inline std::string sunwick(const Arguments &args, int, const harness::Outcome &out)
{
    const mxArray *U = args[0], *V = args[1], *I = args[2], *Jcol = args[3];
    const size_t m = mxGetM(U), k = mxGetN(U), n = mxGetM(V), nnz = longer(I);
    if (!denseShape(out[0], nnz, 1))
        return "the result is not nnz-by-1";
    const double *u = mxGetPr(U), *v = mxGetPr(V), *rows = mxGetPr(I), *pointers = mxGetPr(Jcol);
    std::vector<double> expected(nnz, 0.0);
    for (size_t j = 0; j + 1 < longer(Jcol); ++j)
        for (long p = long(pointers[j]); p < long(pointers[j + 1]); ++p) {
            const size_t r = size_t(rows[p] - 1.0);
            volatile double s = 0.0;
            for (size_t d = 0; d < k; ++d) {
                volatile double product = u[r + d * m] * v[j + d * n];
                s = s + product;
            }
            expected[p] = s;
        }
    return sameBits(mxGetPr(out[0]), expected.data(), nnz) ? "" : "an entry differs from the sequential sum";
}

/* The compressed-column matrix the vectors describe, element by element. */
inline std::string talvery(const Arguments &args, int, const harness::Outcome &out)
{
    const long m = long(int32_t(mxGetPr(args[0])[0])), n = long(int32_t(mxGetPr(args[1])[0]));
    const size_t k = mxGetM(args[2]);
    const mxArray *S = out[0];
    if (S == nullptr || !mxIsSparse(S) || long(mxGetM(S)) != m || long(mxGetN(S)) != n || mxGetNzmax(S) != k)
        return "the result is not an nrows-by-ncols sparse matrix with nzmax k";
    const double *values = mxGetPr(args[2]), *rows = mxGetPr(args[3]), *offsets = mxGetPr(args[4]);
    const HostIndex *ir = mxGetIr(S), *jc = mxGetJc(S);
    if (jc[0] != 0)
        return "jc[0] is not 0";
    for (long j = 1; j <= n; ++j)
        if (jc[j] != HostIndex(offsets[j]))
            return "a column offset differs from Jcol";
    for (size_t p = 0; p < k; ++p)
        if (ir[p] != HostIndex(int32_t(rows[p] - 1.0)))
            return "a row index differs from I - 1";
    return sameBits(mxGetPr(S), values, k) ? "" : "a value differs from V";
}

/* Plain modified Gram-Schmidt: every sum a left-to-right loop. */
inline double plainDot(const double *x, const double *y, size_t m)
{
    volatile double s = 0.0;
    for (size_t i = 0; i < m; ++i) {
        volatile double product = x[i] * y[i];
        s = s + product;
    }
    return s;
}

inline std::string quorvel(const Arguments &args, int nlhs, const harness::Outcome &out)
{
    const mxArray *Q = args[0], *R = args[1];
    const size_t m = mxGetM(Q), k = mxGetN(Q);
    const double *q = mxGetPr(Q);
    std::vector<double> r(mxGetPr(R), mxGetPr(R) + m);
    std::vector<size_t> list;
    if (args.size() >= 4)
        for (size_t t = 0; t < longer(args[3]); ++t)
            list.push_back(size_t(mxGetPr(args[3])[t] - 1.0));
    else
        for (size_t t = 0; t < k; ++t)
            list.push_back(t);
    const double ratio = args.size() >= 5 ? mxGetPr(args[4])[0] : 0.5;
    double previous = args.size() >= 3 ? mxGetPr(args[2])[0] : std::sqrt(plainDot(r.data(), r.data(), m));
    double norm = 0, passes = 0;
    for (;;) {
        if (passes == 4) {
            std::fill(r.begin(), r.end(), 0.0);
            norm = 0;
            passes = 5;
            break;
        }
        for (size_t column : list) {
            const double *basis = q + column * m;
            const double s = plainDot(basis, r.data(), m);
            for (size_t i = 0; i < m; ++i) {
                volatile double product = s * basis[i];
                r[i] = r[i] - product;
            }
        }
        if (passes > 0)
            previous = norm;
        norm = std::sqrt(plainDot(r.data(), r.data(), m));
        passes = passes + 1;
        if (!(norm < ratio * previous))
            break;
    }
    if (!denseShape(out[0], m, 1) || !sameBits(mxGetPr(out[0]), r.data(), m))
        return "r differs from plain modified Gram-Schmidt";
    if (nlhs >= 2 && !(denseShape(out[1], 1, 1) && sameBits(mxGetPr(out[1]), &norm, 1)))
        return "the norm differs from plain modified Gram-Schmidt";
    if (nlhs >= 3 && !(denseShape(out[2], 1, 1) && mxGetPr(out[2])[0] == passes))
        return "the pass count differs from plain modified Gram-Schmidt";
    return "";
}

/* A dense m-by-n matrix, column-major, scaled by 1/scale. */
struct Matrix {
    size_t rows = 0, columns = 0;
    std::vector<double> x;
    double operator()(size_t i, size_t j) const { return x[i + j * rows]; }
};

inline Matrix scaled(const double *data, size_t rows, size_t columns, double scale)
{
    Matrix a{rows, columns, std::vector<double>(data, data + rows * columns)};
    if (scale > 0)
        for (double &value : a.x)
            value = value / scale;
    return a;
}

inline double largestMagnitude(const std::vector<double> &x)
{
    double largest = 0;
    for (double value : x)
        largest = std::max(largest, std::fabs(value));
    return largest;
}

/* Largest |X'X - I| over the columns of X. */
inline double orthogonalityError(const Matrix &X)
{
    double worst = 0;
    for (size_t i = 0; i < X.columns; ++i)
        for (size_t j = 0; j <= i; ++j) {
            double dot = 0;
            for (size_t r = 0; r < X.rows; ++r)
                dot += X(r, i) * X(r, j);
            worst = std::max(worst, std::fabs(dot - (i == j ? 1.0 : 0.0)));
        }
    return worst;
}

/* How far LAPACK may be from exact, relative to a matrix scaled to largest
 * entry 1: a multiple of the rounding unit for the size, and a multiple of
 * the smallest subnormal for results that lie among the subnormals, where
 * the spacing of doubles no longer shrinks with them. */
inline double tolerance(size_t m, size_t n, double scale)
{
    const size_t larger = std::max<size_t>({m, n, 1});
    const double subnormalSpacing = scale > 0 ? std::numeric_limits<double>::denorm_min() / scale : 0;
    return 1e4 * double(larger) * 2.2e-16 + 64.0 * double(larger) * subnormalSpacing;
}

/* Values from LAPACK's dgesvd, the bidiagonal QR driver; empty when it
 * did not converge. */
inline std::vector<double> referenceSingularValues(Matrix a)
{
    typedef void (*Dgesvd)(const char *, const char *, const LapackInt *, const LapackInt *, double *,
                           const LapackInt *, double *, double *, const LapackInt *, double *,
                           const LapackInt *, double *, const LapackInt *, LapackInt *);
    static const auto dgesvd = reinterpret_cast<Dgesvd>(standin::lapackBackend("dgesvd_"));
    LapackInt m = LapackInt(a.rows), n = LapackInt(a.columns), one = 1, info = 0;
    LapackInt lwork = 5 * (m + n) + 64;
    std::vector<double> s(std::min(a.rows, a.columns)), work(static_cast<size_t>(lwork));
    dgesvd("N", "N", &m, &n, a.x.data(), &m, s.data(), nullptr, &one, nullptr, &one, work.data(), &lwork, &info);
    return info == 0 ? s : std::vector<double>();
}

inline std::string dorvik(const Arguments &args, int nlhs, const harness::Outcome &out)
{
    const mxArray *A = args[0];
    const size_t m = mxGetM(A), n = mxGetN(A), k = std::min(m, n);
    const bool factorise = nlhs >= 3;
    const bool fullSize = args.size() == 2 && !(mxGetPr(args[1])[0] > -1.0 && mxGetPr(args[1])[0] < 1.0);
    const size_t p = fullSize ? m : k, q = fullSize ? n : k;
    const mxArray *values = factorise ? out[1] : out[0];
    if (factorise ? !(denseShape(out[0], m, p) && denseShape(out[2], n, q) && mxIsSparse(values))
                  : !denseShape(values, k, 1))
        return "a result has the wrong shape";
    const double *s = mxGetPr(values);
    const int statusSlot = factorise ? 3 : 1;
    const double info = nlhs > statusSlot ? mxGetPr(out[statusSlot])[0] : 0;

    const double *a = mxGetPr(A);
    const bool finite = std::all_of(a, a + m * n, [](double x) { return std::isfinite(x); });
    if (!finite) {
        /* not decomposed: status -4 and every result zero */
        if (nlhs > statusSlot && info != -4)
            return "Inf or NaN in A without status -4";
        for (int slot = 0; slot < (factorise ? 3 : 1); ++slot)
            if (largestMagnitude(harness::values(out[slot])) != 0)
                return "Inf or NaN in A with a result that is not zero";
        return "";
    }
    if (info > 0)
        return "";   /* no convergence: the results are whatever LAPACK left */
    if (info != 0)
        return "a negative status for a finite A";

    if (k == 0)
        return "";   /* nothing decomposed; the shapes are checked */
    const double scale = largestMagnitude(std::vector<double>(a, a + m * n));
    const Matrix scaledA = scaled(a, m, n, scale);
    const double tol = tolerance(m, n, scale);
    std::vector<double> sigma(s, s + k);
    for (double &value : sigma)
        value = scale > 0 ? value / scale : value;
    for (size_t i = 0; i < k; ++i)
        if (!(sigma[i] >= 0) || (i > 0 && sigma[i] > sigma[i - 1]))
            return "the singular values are not non-negative and descending";
    const std::vector<double> reference = referenceSingularValues(scaledA);
    if (!reference.empty() && reference[0] * (1 + tol) > std::numeric_limits<double>::max() / scale)
        return "";   /* the largest singular value may lie beyond the doubles */
    for (size_t i = 0; i < reference.size(); ++i)
        if (!(std::fabs(sigma[i] - reference[i]) <= tol * std::max(1.0, reference[0])))
            return "a singular value differs from dgesvd's";
    if (!factorise)
        return "";

    const Matrix U = scaled(mxGetPr(out[0]), m, p, 0), V = scaled(mxGetPr(out[2]), n, q, 0);
    if (orthogonalityError(U) > tol || orthogonalityError(V) > tol)
        return "U or V is not orthonormal";
    double residual = 0;
    for (size_t i = 0; i < m; ++i)
        for (size_t j = 0; j < n; ++j) {
            double sum = 0;
            for (size_t d = 0; d < k; ++d)
                sum += U(i, d) * sigma[d] * V(j, d);
            residual = std::max(residual, std::fabs(sum - scaledA(i, j)));
        }
    return residual <= tol * std::max(1.0, sigma.empty() ? 0.0 : sigma[0]) ? "" : "U*S*V' differs from A";
}

/* dsyevd on A, called as the tool calls it: its eigenvalues, and its
 * INFO in *info (nonzero when it fails; the tool does not examine INFO,
 * and its results then hold whatever the solver left in them). */
inline std::vector<double> solverEigenvalues(std::vector<double> a, size_t order, bool vectors, LapackInt *info)
{
    typedef void (*Dsyevd)(const char *, const char *, const LapackInt *, double *, const LapackInt *, double *,
                           double *, const LapackInt *, LapackInt *, const LapackInt *, LapackInt *);
    static const auto dsyevd = reinterpret_cast<Dsyevd>(standin::lapackBackend("dsyevd_"));
    LapackInt n = LapackInt(order), lwork = 2 * n * n + 6 * n + 1, liwork = 5 * n + 3;
    std::vector<double> w(order), work(static_cast<size_t>(lwork));
    std::vector<LapackInt> iwork(static_cast<size_t>(liwork));
    dsyevd(vectors ? "V" : "N", "U", &n, a.data(), &n, w.data(), work.data(), &lwork, iwork.data(), &liwork, info);
    return w;
}

/* Eigenvalues from LAPACK's dsyev, the QR-iteration driver; empty when it
 * did not converge. */
inline std::vector<double> referenceEigenvalues(Matrix a)
{
    typedef void (*Dsyev)(const char *, const char *, const LapackInt *, double *, const LapackInt *, double *,
                          double *, const LapackInt *, LapackInt *);
    static const auto dsyev = reinterpret_cast<Dsyev>(standin::lapackBackend("dsyev_"));
    LapackInt n = LapackInt(a.rows), lwork = 3 * n + 64, info = 0;
    std::vector<double> w(a.rows), work(static_cast<size_t>(lwork));
    dsyev("N", "U", &n, a.x.data(), &n, w.data(), work.data(), &lwork, &info);
    return info == 0 ? w : std::vector<double>();
}

inline std::string halmet(const Arguments &args, int nlhs, const harness::Outcome &out)
{
    const mxArray *A = args[0];
    const size_t n = mxGetN(A);
    const bool vectors = nlhs == 2;
    if (vectors ? !(denseShape(out[0], n, n) && mxIsSparse(out[1]) && mxGetNzmax(out[1]) == n)
                : !denseShape(out[0], n, 1))
        return "a result has the wrong shape";
    const double *a = mxGetPr(A), *w = mxGetPr(vectors ? out[1] : out[0]);
    if (n == 0)
        return "";
    if (vectors)
        for (size_t i = 0; i < n; ++i)
            if (mxGetIr(out[1])[i] != i || mxGetJc(out[1])[i + 1] != i + 1)
                return "D is not a diagonal with every entry stored";
    if (n == 1) {
        if (!sameBits(w, a, 1) || (vectors && mxGetPr(out[0])[0] != 1.0))
            return "a 1-by-1 A does not give x and [1]";
        return "";
    }
    bool finite = true;
    for (size_t j = 0; j < n; ++j)
        for (size_t i = 0; i <= j; ++i)
            finite = finite && std::isfinite(a[i + j * n]);
    if (!finite) {
        for (int slot = 0; slot < (vectors ? 2 : 1); ++slot)
            for (double value : harness::values(out[slot]))
                if (!std::isnan(value))
                    return "Inf or NaN in the upper triangle with a result that is not NaN";
        return "";
    }

    LapackInt info = 0;
    const std::vector<double> own = solverEigenvalues(std::vector<double>(a, a + n * n), n, vectors, &info);
    if (info != 0)
        return "";
    /* the symmetric matrix that the upper triangle stands for, scaled */
    std::vector<double> upper(a, a + n * n);
    for (size_t j = 0; j < n; ++j)
        for (size_t i = j + 1; i < n; ++i)
            upper[i + j * n] = upper[j + i * n];
    const double scale = largestMagnitude(upper);
    const Matrix scaledA = scaled(upper.data(), n, n, scale);
    const double tol = tolerance(n, n, scale);
    std::vector<double> lambda(w, w + n);
    for (double &value : lambda)
        value = scale > 0 ? value / scale : value;
    if (!std::is_sorted(lambda.begin(), lambda.end())) {
        std::string text = "the eigenvalues are not ascending:";
        for (double value : lambda) {
            char number[32];
            std::snprintf(number, sizeof number, " %.17g", value);
            text += number;
        }
        return text;
    }
    /* Above the square root of the largest double LAPACK scales A itself,
     * and its eigenvalues there can be off by far more than rounding (seen:
     * 4.5e-4 relative, the same from two LAPACK builds and drivers) or
     * overflow: only the orthogonality of Q is checked then. */
    if (scale > 1e150)
        return vectors && orthogonalityError(scaled(mxGetPr(out[0]), n, n, 0)) > tol ? "Q is not orthonormal" : "";
    /* An entry below the square root of the smallest normal double has a
     * subnormal square, and the tridiagonal iterations, which divide such
     * squares by one another, can then lose most of their bits even in the
     * largest eigenvalue (seen: 4.8e-7 relative, the same from two LAPACK
     * builds and from dsyev, and exact with A divided by 8; and 4e-9 from
     * dsyev on the scaled A, whose small entries the scaling took there).
     * When A or the scaled A has such an entry, the reference is dsyevd's
     * own result on A as the tool passes it. */
    const double subnormalBelow = std::sqrt(std::numeric_limits<double>::min());
    bool subnormalSquares = false;
    for (size_t j = 0; j < n; ++j)
        for (size_t i = 0; i <= j; ++i) {
            const double entry = std::fabs(a[i + j * n]);
            subnormalSquares = subnormalSquares || (entry > 0 && std::min(entry, entry / scale) < subnormalBelow);
        }
    /* Far from overflow and underflow alike LAPACK's own drivers can still
     * disagree by more than rounding on a matrix whose entries span more
     * than 10^100 (seen: 5.2e-11 relative in the largest eigenvalue of a
     * 17-by-17 with 3.2e134 beside 4.3e9, dsyevd on A against dsyev on the
     * scaled A): an eigenvalue that dsyevd on A itself gives is right. */
    std::vector<double> reference = own;
    for (double &value : reference)
        value = value / scale;
    const std::vector<double> independent =
        subnormalSquares ? reference : referenceEigenvalues(scaledA);
    for (size_t i = 0; i < reference.size(); ++i)
        if (!(std::fabs(lambda[i] - independent[i]) <= tol) && !(std::fabs(lambda[i] - reference[i]) <= tol)) {
            char text[128];
            std::snprintf(text, sizeof text, "eigenvalue %zu is %.17g of the largest entry, dsyev's %.17g", i,
                          lambda[i], independent[i]);
            return text;
        }
    if (!vectors)
        return "";

    const Matrix Q = scaled(mxGetPr(out[0]), n, n, 0);
    if (orthogonalityError(Q) > tol)
        return "Q is not orthonormal";
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j < n; ++j) {
            double aq = 0;
            for (size_t t = 0; t < n; ++t)
                aq += scaledA(i, t) * Q(t, j);
            if (!(std::fabs(aq - Q(i, j) * lambda[j]) <= tol))
                return "A*Q differs from Q*D";
        }
    return "";
}

/* The oracle of the tool this harness calls. */
inline std::string check(const char *tool, const Arguments &args, int nlhs, const harness::Outcome &out)
{
    const std::string name = tool;
    return name == "sunwick" ? sunwick(args, nlhs, out)
         : name == "talvery" ? talvery(args, nlhs, out)
         : name == "quorvel" ? quorvel(args, nlhs, out)
         : name == "dorvik"  ? dorvik(args, nlhs, out)
         : name == "halmet"  ? halmet(args, nlhs, out)
                             : "no oracle for this tool";
}

}  // namespace oracle

#endif
