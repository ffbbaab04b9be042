/* The version tag every Linux module carries, so that the host knows which
 * interface the module was built for. */
#include "lowrank_mex.h"

static const char *version = "MATLAB R14 native";

LOWRANK_EXPORT const char *mexVersion(void)
{
    return version;
}
