/* dorvik: singular value decomposition of a dense matrix through LAPACK's
 * divide-and-conquer driver dgesdd.
 *
 *   s = dorvik(A)                   the k = min(m, n) singular values of the
 *   [s, info] = dorvik(A)           m-by-n matrix A, descending, as a column,
 *                                   and LAPACK's status
 *   [U, S, V] = dorvik(A)           economy size: U m-by-k, S k-by-k sparse
 *   [U, S, V, info] = dorvik(A)     diagonal, V n-by-k, with A = U*S*V'
 *   [...] = dorvik(A, sizeChoice)   full size (U m-by-m, S m-by-n, V n-by-n)
 *                                   unless -1 < sizeChoice < 1
 *
 * A is a dense double matrix; only its real part is read and it is never
 * changed.  S stores all k singular values, zeros included.  info is 0 on
 * success and LAPACK's INFO otherwise (positive: no convergence); when A
 * holds Inf or NaN, LAPACK is not called and info is -4, the tool's own
 * status, with all results zero.  info is never raised as an error.  An
 * empty A gives empty results of the same shapes, with identity matrices
 * for the full-size U or V, and info 0.
 *
 * Messages:
 *   "dorvik: requires at most 2 input arguments."
 *   "dorvik: requires at most 4 output argument."
 *   "dorvik: sparse matrix not allowed."
 *   "dorvik: requires at least 1 input argument."
 *   "dorvik: A must be a double matrix."
 *   "dorvik: size choice must be a nonempty double."
 *   "dorvik: matrix is too large."
 */
#include "lowrank_mex.h"

/* V (n-by-q) from LAPACK's VT (q-by-n), written in V's storage order. */
static void transposeInto(double *V, const double *VT, LapackInt n, LapackInt q)
{
    for (LapackInt i = 0; i < q; ++i)
        for (LapackInt j = 0; j < n; ++j)
            V[j + i * n] = VT[i + j * q];
}

/* The first columns of a dense rows-by-rows result set to the identity. */
static void setIdentity(mxArray *result, LapackInt rows)
{
    double *data = mxGetPr(result);
    for (LapackInt i = 0; i < rows; ++i)
        data[i + i * rows] = 1.0;
}

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    if (nrhs > 2)
        reportError("dorvik:tooManyInputs", "dorvik: requires at most 2 input arguments.");
    if (nlhs > 4)
        reportError("dorvik:tooManyOutputs", "dorvik: requires at most 4 output argument.");
    if (nrhs < 1)
        reportError("dorvik:notEnoughInputs", "dorvik: requires at least 1 input argument.");

    const mxArray *A = prhs[0];
    const HostSize rows = mxGetM(A), columns = mxGetN(A);
    if (mxIsSparse(A))
        reportError("dorvik:sparseInput", "dorvik: sparse matrix not allowed.");
    if (!mxIsDouble(A))
        reportError("dorvik:notDouble", "dorvik: A must be a double matrix.");

    /* Full size unless the size choice lies strictly between -1 and 1
     * (a NaN compares false both ways and so asks for the full size). */
    bool fullSize = false;
    if (nrhs == 2) {
        const mxArray *sizeChoice = prhs[1];
        if (!mxIsDouble(sizeChoice) || mxIsSparse(sizeChoice) || mxGetNumberOfElements(sizeChoice) == 0)
            reportError("dorvik:badSizeChoice", "dorvik: size choice must be a nonempty double.");
        const double x = mxGetPr(sizeChoice)[0];
        fullSize = !(x > -1.0 && x < 1.0);
    }

    /* Every count in LAPACK's integer width, refused before anything exists
     * when one of them, or a workspace built from them, does not fit. */
    const bool factorise = nlhs >= 3;
    LapackInt m = 0, n = 0, mn = 0, qn = 1, mp = 1, kk = 0, lwork = 0, iworkCount = 0, bytes = 0;
    bool fits = toLapackInt(rows, &m) && toLapackInt(columns, &n);
    const LapackInt k = fits ? (m < n ? m : n) : 0;
    const LapackInt p = fullSize ? m : k, q = fullSize ? n : k;
    /* The values-only form passes U and VT that LAPACK never references:
     * one element each, whatever their shapes would be. */
    fits = fits && productFits(m, n, &mn) && productFits(mn, (LapackInt)sizeof(double), &bytes) &&
           (!factorise || (productFits(q, n, &qn) && productFits(m, p, &mp))) && productFits(k, k, &kk) &&
           productFits(8, k, &iworkCount);
    const LapackInt larger = m > n ? m : n;
    if (factorise) {
        /* the factorisation job's workspace: 4k^2 + max(max(m, n), 5k^2 + 4k),
         * and for the full factors never below LAPACK's documented minimum
         * for that job, 4k^2 + 6k + max(m, n), which a very tall or wide A
         * exceeds and a strict LAPACK checks */
        LapackInt fourKK = 0, fiveKK = 0, workTail = 0, minimum = 0;
        fits = fits && productFits(4, kk, &fourKK) && productFits(5, kk, &fiveKK) &&
               !__builtin_add_overflow(fiveKK, 4 * k, &workTail) &&
               !__builtin_add_overflow(fourKK, larger > workTail ? larger : workTail, &lwork) &&
               !__builtin_add_overflow(fourKK, 6 * k, &minimum) &&
               !__builtin_add_overflow(minimum, larger, &minimum);
        if (fullSize && minimum > lwork)
            lwork = minimum;
    } else {
        /* The values job's workspace at LAPACK's optimum, for block sizes
         * up to 64: when one side is at least 11/6 times the other (LAPACK's
         * own threshold), a QR or LQ factorisation first and the reduction
         * of its k-by-k triangle, 3k + 2k*64; otherwise the reduction of A
         * itself, 3k + (max(m, n) + k)*64. */
        const LapackInt block = 64, threshold = (LapackInt)((double)k * 11.0 / 6.0);
        LapackInt reduced = 0, sevenK = 0, minimum = 0;
        fits = fits && (larger >= threshold ? productFits(2 * k, block, &reduced)
                                            : productFits(larger + k, block, &reduced)) &&
               !__builtin_add_overflow(reduced, 3 * k, &lwork);
        /* Never below LAPACK's documented minimum, 3k + max(max(m, n), 7k),
         * which a very tall or wide A exceeds and a strict LAPACK checks. */
        fits = fits && productFits(7, k, &sevenK) &&
               !__builtin_add_overflow(3 * k, larger > sevenK ? larger : sevenK, &minimum);
        if (minimum > lwork)
            lwork = minimum;
    }
    if (!fits)
        reportError("dorvik:tooLarge", "dorvik: matrix is too large.");

    const int slots = nlhs > 1 ? nlhs : 1;
    double *values, *U = NULL, *V = NULL;
    HostIndex *ir = NULL, *jc = NULL;
    mxArray *status = NULL;
    if (factorise) {
        plhs[0] = mxCreateDoubleMatrix(rows, (HostSize)p, mxREAL);
        U = mxGetPr(plhs[0]);
        plhs[1] = mxCreateSparse(fullSize ? rows : (HostSize)k, fullSize ? columns : (HostSize)k,
                                 (HostSize)k, mxREAL);
        values = mxGetPr(plhs[1]);
        ir = mxGetIr(plhs[1]);
        jc = mxGetJc(plhs[1]);
        plhs[2] = mxCreateDoubleMatrix(columns, (HostSize)q, mxREAL);
        V = mxGetPr(plhs[2]);
        if (slots > 3)
            status = plhs[3] = mxCreateDoubleMatrix(1, 1, mxREAL);
    } else {
        plhs[0] = mxCreateDoubleMatrix((HostSize)k, 1, mxREAL);
        values = mxGetPr(plhs[0]);
        if (slots > 1)
            status = plhs[1] = mxCreateDoubleMatrix(1, 1, mxREAL);
    }

    LapackInt info = 0;
    double *VT = NULL;
    if (k == 0) {
        /* Nothing to decompose: LAPACK would refuse the zero leading
         * dimension.  The full-size factors of an empty A are identities. */
        if (factorise && fullSize) {
            setIdentity(plhs[0], m);
            setIdentity(plhs[2], n);
        }
    } else {
        if (!factorise)
            U = (double *)mxCalloc((size_t)mp, sizeof(double));
        double *work = (double *)unzeroedScratch((size_t)lwork, sizeof(double));
        LapackInt *iwork = (LapackInt *)unzeroedScratch((size_t)iworkCount, sizeof(LapackInt));
        VT = (double *)mxCalloc((size_t)qn, sizeof(double));
        double *copyOfA = (double *)unzeroedScratch((size_t)mn, sizeof(double));

        /* LAPACK refuses a matrix holding NaN with INFO = -4, and may never
         * return from one holding Inf: both get that status without it. */
        const char *jobz = !factorise ? "N" : fullSize ? "A" : "S";
        if (copyFinite(copyOfA, mxGetPr(A), (size_t)mn))
            LAPACK_ROUTINE(dgesdd)(jobz, &m, &n, copyOfA, &m, values, U, &m, VT, &q, work, &lwork,
                                   iwork, &info);
        else
            info = -4;
    }

    if (status != NULL)
        mxGetPr(status)[0] = (double)info;
    if (factorise) {
        const LapackInt width = fullSize ? n : k;
        for (LapackInt i = 0; i < k; ++i)
            ir[i] = (HostIndex)i;
        jc[0] = 0;
        for (LapackInt j = 1; j <= width; ++j)
            jc[j] = (HostIndex)(j < k ? j : k);
        if (k > 0)
            transposeInto(V, VT, n, q);
    }
}
