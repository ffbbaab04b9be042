/* libmex of the stand-in host: error reporting.  An error ends the call at
 * once, from however deep inside the module it is raised. */
#include "standin.h"

#include <cstdarg>
#include <cstdio>

void mexErrMsgTxt(const char *message)
{
    standin::raise(message);
}

void mexErrMsgIdAndTxt(const char *identifier, const char *format, ...)
{
    (void)identifier;
    char message[1024];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(message, sizeof message, format, arguments);
    va_end(arguments);
    standin::raise(message);
}
