/* A bench-only module: seconds = add_latency() is the time of one
 * floating-point add that waits for the one before it, as the C++
 * benchmarks measure it. */
#include "bench.h"
#include "lowrank_mex.h"

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    (void)prhs;
    if (nrhs != 0 || nlhs > 1)
        reportError("add_latency:usage", "add_latency: seconds = add_latency()");
    const double seconds = addLatency();
    plhs[0] = mxCreateDoubleMatrix(1, 1, mxREAL);
    mxGetPr(plhs[0])[0] = seconds;
}
