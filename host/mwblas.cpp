/* libmwblas of the stand-in host.  The BLAS routines themselves come from
 * the library this one is linked against (OpenBLAS with 64-bit integers on
 * the 64-bit targets); no tool calls them directly. */
#include "standin.h"

extern "C" STANDIN_API const char *mwblasBackend(void)
{
    return LOWRANK_LAPACK_BACKEND;
}
