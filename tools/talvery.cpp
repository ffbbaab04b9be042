/* talvery: a sparse matrix from the three arrays of its compressed-column
 * form, held by the caller as ordinary vectors.
 *
 *   S = talvery(nrows, ncols, V, I, Jcol)
 *
 *   nrows, ncols  the size of S (first elements, truncated toward zero)
 *   V             the k stored values, column after column (k = rows of V)
 *   I             their 1-based rows (k rows)
 *   Jcol          ncols+1 column offsets, a row or a column: Jcol(j+1) is the
 *                 number of entries in columns 1..j; Jcol(1) is not read
 *                 and stands for 0, and Jcol(ncols+1) is k
 *   S             nrows-by-ncols sparse with nzmax k; zeros in V stay stored
 *
 * Nothing is sorted, merged or dropped: the description must already be a
 * valid compressed-column matrix (rows from 1 to nrows, strictly increasing
 * within each column, offsets rising from 0 to k), and one that is not is
 * refused, so that the host never holds a malformed sparse matrix.
 * Indices are truncated toward zero (I after subtracting 1).
 *
 * Messages:
 *   "talvery: requires 5 inputs"
 *   "talvery: requires 1 output"
 *   "talvery: V must be dense"
 *   "talvery: V and I not compatible"
 *   "talvery: Jcol not compatible"
 *   "talvery: nrows and ncols must be counts from 0 to 2^31-1"
 *   "talvery: V, I and Jcol must be dense double arrays"
 *   "talvery: more than 2^31-1 entries"
 *   "talvery: V, I or Jcol has no elements"
 *   "talvery: column offsets must rise from 0 to the number of entries"
 *   "talvery: row index out of range"
 *   "talvery: row indices must increase within each column"
 */
#include "lowrank_mex.h"

typedef int32_t Count;
static const double countLimit = 2147483648.0; /* 2^31 */

/* The first element of a size argument truncated toward zero, as long as
 * that can be formed: refused when the argument has no element, is not a
 * dense double, or holds NaN or a number outside the 32-bit range. */
static Count truncatedSize(const mxArray *size)
{
    if (!mxIsDouble(size) || mxIsSparse(size) || mxGetNumberOfElements(size) == 0)
        reportError("talvery:badSize", "talvery: nrows and ncols must be counts from 0 to 2^31-1");
    const double value = mxGetPr(size)[0];
    if (!truncatesToInt32(value))
        reportError("talvery:badSize", "talvery: nrows and ncols must be counts from 0 to 2^31-1");
    return (Count)value;
}

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    if (nrhs != 5)
        reportError("talvery:inputCount", "talvery: requires 5 inputs");
    if (nlhs != 1)
        reportError("talvery:outputCount", "talvery: requires 1 output");

    const mxArray *V = prhs[2], *I = prhs[3], *Jcol = prhs[4];
    if (mxIsSparse(V))
        reportError("talvery:sparseV", "talvery: V must be dense");
    const Count k = (Count)mxGetM(V);
    if (mxGetM(I) != (HostSize)k)
        reportError("talvery:incompatibleVI", "talvery: V and I not compatible");
    const Count n = truncatedSize(prhs[1]);
    const HostSize jRows = mxGetM(Jcol), jColumns = mxGetN(Jcol);
    if ((jRows > jColumns ? jRows : jColumns) != (HostSize)((int64_t)n + 1))
        reportError("talvery:incompatibleJcol", "talvery: Jcol not compatible");
    const Count m = truncatedSize(prhs[0]);
    if (m < 0 || n < 0)
        reportError("talvery:badSize", "talvery: nrows and ncols must be counts from 0 to 2^31-1");

    if (!mxIsDouble(V) || !mxIsDouble(I) || mxIsSparse(I) || !mxIsDouble(Jcol) || mxIsSparse(Jcol))
        reportError("talvery:notDouble", "talvery: V, I and Jcol must be dense double arrays");
    if (mxGetM(V) >= (HostSize)countLimit)
        reportError("talvery:tooManyEntries", "talvery: more than 2^31-1 entries");
    if ((k > 0 && (mxGetNumberOfElements(V) == 0 || mxGetNumberOfElements(I) == 0)) ||
        (n > 0 && mxGetNumberOfElements(Jcol) == 0))
        reportError("talvery:noElements", "talvery: V, I or Jcol has no elements");

    plhs[0] = mxCreateSparse((HostSize)m, (HostSize)n, (HostSize)k, mxREAL);
    double *pr = mxGetPr(plhs[0]);
    HostIndex *ir = mxGetIr(plhs[0]);
    HostIndex *jc = mxGetJc(plhs[0]);

    /* One pass over the columns, and within each over its entries, so
     * that every element is read once and the checks cost no extra pass:
     * offsets rise from 0 to k, rows lie in 1..m and increase within a
     * column. */
    const double *values = mxGetPr(V), *rows = mxGetPr(I), *offsets = mxGetPr(Jcol);
    Count first = 0;
    jc[0] = 0;
    for (Count j = 0; j < n; ++j) {
        const double offset = offsets[j + 1];
        if (!truncatesBelow(offset, (double)k + 1.0) || (Count)offset < first)
            reportError("talvery:badOffsets", "talvery: column offsets must rise from 0 to the number of entries");
        const Count last = (Count)offset;
        jc[j + 1] = (HostIndex)last;
        for (Count p = first; p < last; ++p) {
            if (p % 8 == 0) { /* the four streams a kilobyte ahead */
                askForLineAhead(rows + p, 1024);
                askForLineAhead(values + p, 1024);
                askForLineAhead(pr + p, 1024);
                askForLineAhead(ir + p, 1024);
            }
            const double row = rows[p] - 1.0;
            if (!truncatesBelow(row, m))
                reportError("talvery:rowOutOfRange", "talvery: row index out of range");
            pr[p] = values[p];
            ir[p] = (HostIndex)(Count)row;
            if (p > first && ir[p] <= ir[p - 1])
                reportError("talvery:unsortedRows", "talvery: row indices must increase within each column");
        }
        first = last;
    }
    if (first != k)
        reportError("talvery:badOffsets", "talvery: column offsets must rise from 0 to the number of entries");
}
