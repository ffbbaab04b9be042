/* libmat of the stand-in host.  Every Linux module lists the MAT-file
 * library among its needed libraries although no tool reads or writes MAT
 * files; the stand-in offers the opening call and answers that no file can
 * be opened. */
#include "standin.h"

extern "C" STANDIN_API void *matOpen(const char *filename, const char *mode)
{
    (void)filename;
    (void)mode;
    return nullptr;
}
