/* A module that breaks the host contract on request, so that the suite can
 * prove the stand-in host notices each kind of fault.  The first element of
 * the first argument picks the fault. */
#include "lowrank_mex.h"

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    (void)nlhs;
    (void)nrhs;
    const int fault = (int)mxGetPr(prhs[0])[0];
    switch (fault) {
    case 1: /* a result in a slot the host did not provide */
        plhs[1] = mxCreateDoubleMatrix(1, 1, mxREAL);
        break;
    case 2: /* an argument changed in place */
        mxGetPr(prhs[0])[0] = 0;
        break;
    case 3: { /* a scratch block written one element past its end */
        double *block = (double *)mxCalloc(4, sizeof(double));
        block[4] = 1;
        break;
    }
    case 4: { /* a sparse result with rows out of order */
        plhs[0] = mxCreateSparse(3, 1, 2, mxREAL);
        mxGetIr(plhs[0])[0] = 2;
        mxGetIr(plhs[0])[1] = 1;
        mxGetJc(plhs[0])[1] = 2;
        break;
    }
    case 5: /* an error after results and scratch exist */
        plhs[0] = mxCreateDoubleMatrix(2, 2, mxREAL);
        mxCalloc(10, 8);
        reportError("faulty:late", "faulty: late error");
        break;
    case 6: /* an argument handed back as a result */
        plhs[0] = (mxArray *)prhs[0];
        break;
    case 7: { /* LAPACK called with a leading dimension it must refuse */
        LapackInt m = 0, n = 2, info = 0, lwork = 100, one = 1;
        double a[2] = {0, 0}, s[2], work[100];
        LapackInt iwork[16];
        LAPACK_ROUTINE(dgesdd)("N", &m, &n, a, &m, s, a, &one, a, &one, work, &lwork, iwork, &info);
        break;
    }
    case 8: /* a result the host cannot allocate */
        plhs[0] = mxCreateDoubleMatrix((HostSize)1 << (4 * sizeof(HostSize)), (HostSize)1 << (4 * sizeof(HostSize) - 2), mxREAL);
        break;
    case 9: { /* a scratch block written one element before its start */
        double *block = (double *)mxCalloc(4, sizeof(double));
        block[-1] = 1;
        break;
    }
    case 10: /* a result written one element before its start */
        plhs[0] = mxCreateDoubleMatrix(2, 1, mxREAL);
        mxGetPr(plhs[0])[-1] = 1;
        break;
    case 11: { /* two elements before: on 64-bit targets, the block's size */
        double *block = (double *)mxCalloc(4, sizeof(double));
        block[-2] = 1;
        break;
    }
    case 12: /* scratch of as many doubles as the second argument says */
        mxCalloc((size_t)mxGetPr(prhs[1])[0], sizeof(double));
        break;
    default:
        plhs[0] = mxCreateDoubleMatrix(1, 1, mxREAL);
    }
}
