/* halmet: eigenvalues, and on request eigenvectors, of a dense symmetric
 * matrix through LAPACK's divide-and-conquer solver dsyevd.
 *
 *   w = halmet(A)         the n eigenvalues of the n-by-n matrix A, ascending,
 *                         as a column
 *   [Q, D] = halmet(A)    Q n-by-n with orthonormal eigenvectors as columns,
 *                         D n-by-n sparse diagonal holding the eigenvalues in
 *                         the same order, zeros stored too, so that A*Q = Q*D
 *
 * Only the upper triangle of A (diagonal included) is read, and only its
 * real part; symmetry is not tested and A is never changed.  A failure of
 * the solver is not reported.  An empty A gives empty results; Inf or NaN
 * in the triangle read gives NaN results without calling the solver, from
 * order 2 on (a 1-by-1 [x] gives x, and [1] with sparse x).
 *
 * Messages:
 *   "halmet: requires at most 1 input argument."
 *   "halmet: requires at most 2 output argument."
 *   "halmet: matrix must be square."
 *   "halmet: sparse matrix not allowed."
 *   "halmet: requires 1 input argument."
 *   "halmet: A must be a double matrix."
 *   "halmet: matrix is too large."
 */
#include "lowrank_mex.h"

#include <math.h>
#include <string.h>

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    if (nrhs > 1)
        reportError("halmet:tooManyInputs", "halmet: requires at most 1 input argument.");
    if (nlhs > 2)
        reportError("halmet:tooManyOutputs", "halmet: requires at most 2 output argument.");
    if (nrhs < 1)
        reportError("halmet:notEnoughInputs", "halmet: requires 1 input argument.");

    const mxArray *A = prhs[0];
    const HostSize rows = mxGetM(A), order = mxGetN(A);
    if (rows != order)
        reportError("halmet:notSquare", "halmet: matrix must be square.");
    if (mxIsSparse(A))
        reportError("halmet:sparseInput", "halmet: sparse matrix not allowed.");
    if (!mxIsDouble(A))
        reportError("halmet:notDouble", "halmet: A must be a double matrix.");

    /* The solver's workspace, refused before anything exists when it does
     * not fit: for eigenvectors its minimum, LWORK = 2n^2 + 6n + 1 doubles;
     * for eigenvalues alone its optimum for block sizes up to 64 (the
     * tridiagonal reduction's n*64 beside 2n), LWORK = 66n + 1.  LIWORK =
     * 5n + 3 entries of 8 bytes in both. */
    const bool vectors = nlhs == 2;
    LapackInt n = 0, nn = 0, bytes = 0, lwork = 0, liwork = 0, perColumn = 66;
    const bool fits = toLapackInt(order, &n) && productFits(n, n, &nn) &&
                      productFits(nn, (LapackInt)sizeof(double), &bytes) &&
                      (!vectors || (productFits(2, n, &perColumn) && !__builtin_add_overflow(perColumn, 6, &perColumn))) &&
                      productFits(n, perColumn, &lwork) && !__builtin_add_overflow(lwork, 1, &lwork) &&
                      productFits(5, n, &liwork) && !__builtin_add_overflow(liwork, 3, &liwork);
    if (!fits)
        reportError("halmet:tooLarge", "halmet: matrix is too large.");

    const double *data = mxGetPr(A);
    double *work, *eigenvalues;
    HostIndex *ir = NULL, *jc = NULL;
    if (vectors) {
        plhs[0] = mxCreateDoubleMatrix(order, order, mxREAL);
        work = mxGetPr(plhs[0]);
        plhs[1] = mxCreateSparse(order, order, order, mxREAL);
        eigenvalues = mxGetPr(plhs[1]);
        ir = mxGetIr(plhs[1]);
        jc = mxGetJc(plhs[1]);
    } else {
        plhs[0] = mxCreateDoubleMatrix(order, 1, mxREAL);
        eigenvalues = mxGetPr(plhs[0]);
        work = (double *)unzeroedScratch((size_t)nn, sizeof(double));
    }

    /* An empty matrix has nothing to solve, and LAPACK would refuse its
     * zero leading dimension. */
    if (n > 0) {
        double *workspace = (double *)unzeroedScratch((size_t)lwork, sizeof(double));
        LapackInt *iwork = (LapackInt *)unzeroedScratch((size_t)liwork, 8);
        /* The copy of A, checked as it is made: the solver may not return
         * from Inf or NaN in the triangle it reads, and such a matrix has
         * no eigenvalues to give: all NaN.  Order 1 is the exception: the
         * solver hands back its one entry, and the vector [1], at once,
         * whatever the entry is. */
        bool finite = true;
        for (LapackInt j = 0; j < n; ++j) {
            const size_t column = (size_t)j * (size_t)n, triangle = (size_t)j + 1;
            finite = copyFinite(work + column, data + column, triangle) && finite;
            memcpy(work + column + triangle, data + column + triangle, ((size_t)n - triangle) * sizeof(double));
        }
        finite = finite || n == 1;
        LapackInt info = 0;
        if (finite) {
            LAPACK_ROUTINE(dsyevd)(vectors ? "V" : "N", "U", &n, work, &n, eigenvalues, workspace, &lwork,
                                   iwork, &liwork, &info);
        } else {
            for (LapackInt k = 0; k < n; ++k)
                eigenvalues[k] = NAN;
            for (size_t k = 0; vectors && k < (size_t)nn; ++k)
                work[k] = NAN;
        }
    }

    if (vectors) {
        for (LapackInt k = 0; k < n; ++k)
            ir[k] = (HostIndex)k;
        jc[0] = 0;
        for (LapackInt k = 1; k <= n; ++k)
            jc[k] = (HostIndex)k;
    }
}
