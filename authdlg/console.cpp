#include "console.h"

#include <unistd.h>

#include <cstdarg>
#include <cstdio>

namespace authdlg {

void ConsoleLine(const char *line) {
    std::puts(line);
    std::fflush(stdout);
}

void MYTRACE(const char *format, ...) {
    char buffer[1024];
    int used = std::snprintf(buffer, sizeof buffer, "[%ld]:", static_cast<long>(getpid()));
    if (used < 0 || static_cast<size_t>(used) >= sizeof buffer) return;
    va_list arguments;
    va_start(arguments, format);
    const int message = std::vsnprintf(buffer + used, sizeof buffer - static_cast<size_t>(used), format, arguments);
    va_end(arguments);
    if (message < 0) return;
    used += message;
    if (static_cast<size_t>(used) + 3 <= sizeof buffer) std::snprintf(buffer + used, 3, "\r\n");
    // A hook for a debugging build: the composed line goes nowhere.
}

}  // namespace authdlg
