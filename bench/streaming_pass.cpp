/* A bench-only module: seconds = streaming_pass(Q, R) is the time to move
 * the data of one quorvel pass over the columns of Q with the vector R,
 * as the C++ benchmark measures it, the fastest of five runs. */
#include "bench.h"
#include "lowrank_mex.h"

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    if (nrhs != 2 || nlhs > 1 || mxGetM(prhs[1]) != mxGetM(prhs[0]) || mxGetM(prhs[0]) % 8 != 0)
        reportError("streaming_pass:usage", "streaming_pass: seconds = streaming_pass(Q, R), rows a multiple of 8");
    const double *q = mxGetPr(prhs[0]), *r = mxGetPr(prhs[1]);
    const std::vector<double> vector(r, r + mxGetM(prhs[1]));
    double best = 1e300;
    for (int run = 0; run < 5; ++run)
        best = std::min(best, streamingPass(q, vector, mxGetN(prhs[0])));
    plhs[0] = mxCreateDoubleMatrix(1, 1, mxREAL);
    mxGetPr(plhs[0])[0] = best;
}
