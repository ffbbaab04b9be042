/* A bench-only module: [S, seconds] = returned_sparse(n, perColumn) builds
 * an n-by-n sparse matrix of ones with perColumn entries in every column,
 * spread over the rows, and says how long building it took inside the
 * module.  The rest of the call, timed by the caller, is what the host
 * spends receiving and converting the returned array. */
#include "lowrank_mex.h"

#include <chrono>

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    if (nrhs != 2 || nlhs != 2)
        reportError("returned_sparse:usage", "returned_sparse: [S, seconds] = returned_sparse(n, perColumn)");
    const auto start = std::chrono::steady_clock::now();
    const size_t n = (size_t)mxGetPr(prhs[0])[0], perColumn = (size_t)mxGetPr(prhs[1])[0];
    const size_t step = n / (perColumn > 0 ? perColumn : 1);
    plhs[0] = mxCreateSparse(n, n, n * perColumn, mxREAL);
    double *values = mxGetPr(plhs[0]);
    HostIndex *ir = mxGetIr(plhs[0]), *jc = mxGetJc(plhs[0]);
    for (size_t j = 0; j < n; ++j) {
        jc[j] = (HostIndex)(j * perColumn);
        for (size_t t = 0; t < perColumn; ++t) {
            ir[j * perColumn + t] = (HostIndex)(t * step + j % step);
            values[j * perColumn + t] = 1.0;
        }
    }
    jc[n] = (HostIndex)(n * perColumn);
    const std::chrono::duration<double> inside = std::chrono::steady_clock::now() - start;
    plhs[1] = mxCreateDoubleMatrix(1, 1, mxREAL);
    mxGetPr(plhs[1])[0] = inside.count();
}
