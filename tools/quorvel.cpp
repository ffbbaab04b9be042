/* quorvel: makes a vector orthogonal to chosen columns of a basis by
 * repeated modified Gram-Schmidt passes.
 *
 *   [r, normr, passes] = quorvel(Q, R)
 *   [...] = quorvel(Q, R, refNorm)
 *   [...] = quorvel(Q, R, refNorm, index)
 *   [...] = quorvel(Q, R, refNorm, index, ratio)
 *
 *   Q        m-by-k dense double basis
 *   R        m-by-1 dense double vector
 *   refNorm  the norm of R before this call (default: computed from R)
 *   index    1-based columns of Q to project out, in this order, repeats
 *            allowed (default: 1..k)
 *   ratio    a pass is repeated while it shrinks the vector below ratio
 *            times its norm before the pass (default 0.5)
 *   r        R without its components along the chosen columns
 *   normr    the norm of r
 *   passes   the passes made, 1 to 4; after four passes that all asked for
 *            another, r is all zeros, normr 0 and passes 5
 *
 * Dot products and norms add their terms left to right with no fused
 * multiply-add.  Further arguments are ignored.
 *
 * Messages:
 *   "quorvel: requires at least 2 input arguments."
 *   "quorvel: requires at most 4 output argument."
 *   "quorvel: sparse Q not allowed."
 *   "quorvel: sparse R not allowed."
 *   "quorvel: R is not compatible."
 *   "quorvel: index is empty"
 *   "quorvel: Q and R must be double."
 *   "quorvel: matrix is too large."
 *   "quorvel: refNorm and ratio must be nonempty doubles."
 *   "quorvel: index must be a dense double vector."
 *   "quorvel: index out of range."
 *   "quorvel: requires at most 3 output arguments."
 */
#include "lowrank_mex.h"

#include <math.h>
#include <string.h>

/* The sum of x[i]*y[i], i = 0..n-1, added left to right into one
 * accumulator; unrolled by four, then two, then one. */
static double realdot(const double *x, const double *y, int64_t n)
{
    double sum = 0.0;
    int64_t i = 0;
    for (; i < n - 3; i += 4) {
        sum = sum + x[i] * y[i];
        sum = sum + x[i + 1] * y[i + 1];
        sum = sum + x[i + 2] * y[i + 2];
        sum = sum + x[i + 3] * y[i + 3];
    }
    if (i < n - 1) {
        sum = sum + x[i] * y[i];
        sum = sum + x[i + 1] * y[i + 1];
        i += 2;
    }
    if (i < n)
        sum = sum + x[i] * y[i];
    return sum;
}

/* How far ahead, in entries, the fused sweep asks for the lines of its
 * three streams (the next column, the current one, r): 4 KiB, which the
 * hardware's own stream detection does not reach early enough when they
 * come from beyond the nearest caches, as they do once the two columns
 * and r outgrow the second-level cache. */
enum { streamAhead = 512 };

/* q'r, and r'r in the same sweep, each added left to right. */
static double dotAndSquares(const double *q, const double *r, uint64_t m, double *squares)
{
    double qr = 0.0, rr = 0.0;
    for (uint64_t i = 0; i < m; ++i) {
        qr = qr + q[i] * r[i];
        rr = rr + r[i] * r[i];
    }
    *squares = rr;
    return qr;
}

/* One modified Gram-Schmidt pass: for each listed column q in order,
 * r = r - (q'r) q, each coefficient taken from r as the earlier columns
 * left it; *first holds the first one.  Each update runs in the same
 * sweep as the next coefficient's sum, which still adds its terms left to
 * right over the updated r, and the last one in the same sweep as r'r,
 * which the pass returns, and as the first coefficient of a next pass,
 * left in *first. */
static double mgs(uint64_t m, const double *Q, double *r, const uint64_t *list, uint64_t count, double *first)
{
    if (count == 0)
        return realdot(r, r, (int64_t)m);
    double s = *first;
    for (uint64_t t = 0; t + 1 < count; ++t) {
        const double *q = Q + list[t] * m, *next = Q + list[t + 1] * m;
        double nextS = 0.0;
        uint64_t i = 0;
        for (; m - i >= 8; i += 8) {
            askForLineAhead(next + i, streamAhead * sizeof(double));
            askForLineAhead(q + i, streamAhead * sizeof(double));
            askForLineAhead(r + i, streamAhead * sizeof(double));
            for (int l = 0; l < 8; ++l) {
                r[i + l] = r[i + l] - s * q[i + l];
                nextS = nextS + next[i + l] * r[i + l];
            }
        }
        for (; i < m; ++i) {
            r[i] = r[i] - s * q[i];
            nextS = nextS + next[i] * r[i];
        }
        s = nextS;
    }
    const double *q = Q + list[count - 1] * m, *again = Q + list[0] * m;
    double squares = 0.0, againS = 0.0;
    for (uint64_t i = 0; i < m; ++i) {
        r[i] = r[i] - s * q[i];
        squares = squares + r[i] * r[i];
        againS = againS + again[i] * r[i];
    }
    *first = againS;
    return squares;
}

/* The first element of an optional scalar argument. */
static double scalarOf(const mxArray *argument)
{
    if (!mxIsDouble(argument) || mxIsSparse(argument) || mxGetNumberOfElements(argument) == 0)
        reportError("quorvel:badScalar", "quorvel: refNorm and ratio must be nonempty doubles.");
    return mxGetPr(argument)[0];
}

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    if (nrhs < 2)
        reportError("quorvel:notEnoughInputs", "quorvel: requires at least 2 input arguments.");
    if (nlhs > 4)
        reportError("quorvel:tooManyOutputs", "quorvel: requires at most 4 output argument.");

    const mxArray *Q = prhs[0], *R = prhs[1];
    const HostSize m = mxGetM(Q), k = mxGetN(Q);
    if (mxIsSparse(Q))
        reportError("quorvel:sparseQ", "quorvel: sparse Q not allowed.");
    if (mxIsSparse(R))
        reportError("quorvel:sparseR", "quorvel: sparse R not allowed.");
    if (mxGetM(R) != m || mxGetN(R) != 1)
        reportError("quorvel:incompatibleR", "quorvel: R is not compatible.");
    if (!mxIsDouble(Q) || !mxIsDouble(R))
        reportError("quorvel:notDouble", "quorvel: Q and R must be double.");
    /* Sizes whose bytes overflow the address space: no such array exists,
     * and no loop over them may start. */
    size_t bytes;
    if (__builtin_mul_overflow((size_t)m, (size_t)k, &bytes) || __builtin_mul_overflow(bytes, sizeof(double), &bytes) ||
        __builtin_mul_overflow((size_t)m, sizeof(double), &bytes))
        reportError("quorvel:tooLarge", "quorvel: matrix is too large.");

    const double *basis = mxGetPr(Q), *vector = mxGetPr(R);
    const double givenNorm = nrhs == 2 ? 0.0 : scalarOf(prhs[2]);

    const mxArray *index = nrhs >= 4 ? prhs[3] : NULL;
    if (index != NULL) {
        if (mxGetNumberOfElements(index) == 0)
            reportError("quorvel:emptyIndex", "quorvel: index is empty");
        if (!mxIsDouble(index) || mxIsSparse(index))
            reportError("quorvel:badIndex", "quorvel: index must be a dense double vector.");
        const HostSize longer = mxGetM(index) > mxGetN(index) ? mxGetM(index) : mxGetN(index);
        if (__builtin_mul_overflow((size_t)longer, sizeof(uint64_t), &bytes))
            reportError("quorvel:tooLarge", "quorvel: matrix is too large.");
    }
    const double ratio = nrhs >= 5 ? scalarOf(prhs[4]) : 0.5;
    if (nlhs == 4)
        reportError("quorvel:tooManyOutputs", "quorvel: requires at most 3 output arguments.");

    /* The columns to project out, 0-based: the index's entries, or all. */
    const HostSize indexRows = index ? mxGetM(index) : 0, indexColumns = index ? mxGetN(index) : 0;
    const uint64_t count = index == NULL ? k : indexRows > indexColumns ? indexRows : indexColumns;
    uint64_t *list = (uint64_t *)mxCalloc((size_t)count, sizeof(uint64_t));
    const double *numbers = index ? mxGetPr(index) : NULL;
    for (uint64_t t = 0; t < count; ++t) {
        if (numbers == NULL) {
            list[t] = t;
            continue;
        }
        const double column = numbers[t] - 1.0;
        if (!truncatesBelow(column, (double)k))
            reportError("quorvel:indexOutOfRange", "quorvel: index out of range.");
        list[t] = (uint64_t)column;
    }

    plhs[0] = mxCreateDoubleMatrix(m, 1, mxREAL);
    double *r = mxGetPr(plhs[0]);
    memcpy(r, vector, (size_t)m * sizeof(double));
    /* R's norm, when not given, in the same sweep as the first pass's
     * first coefficient (of any column when none is listed: unused). */
    double squares;
    double s = dotAndSquares(count > 0 ? basis + list[0] * m : vector, r, m, &squares);
    const double referenceNorm = nrhs == 2 ? sqrt(squares) : givenNorm;

    /* Each pass is judged against the norm just before it; a NaN norm
     * compares false and so accepts. */
    double newNorm = sqrt(mgs(m, basis, r, list, count, &s)), previousNorm = referenceNorm;
    unsigned passes = 1;
    while (newNorm < ratio * previousNorm) {
        if (passes == 4) {
            memset(r, 0, (size_t)m * sizeof(double));
            newNorm = 0.0;
            passes = 5;
            break;
        }
        previousNorm = newNorm;
        newNorm = sqrt(mgs(m, basis, r, list, count, &s));
        ++passes;
    }

    if (nlhs >= 2) {
        plhs[1] = mxCreateDoubleMatrix(1, 1, mxREAL);
        mxGetPr(plhs[1])[0] = newNorm;
    }
    if (nlhs >= 3) {
        plhs[2] = mxCreateDoubleMatrix(1, 1, mxREAL);
        mxGetPr(plhs[2])[0] = (double)passes;
    }
}
