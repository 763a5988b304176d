// The library's console lines and its trace hook.
#ifndef AUTHDLG_CONSOLE_H
#define AUTHDLG_CONSOLE_H

namespace authdlg {

// One line on standard output, flushed so that it keeps its place among the
// host's own output.
void ConsoleLine(const char *line);

// The trace hook: formats "[pid]:message\r\n" and emits nothing.
void MYTRACE(const char *format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace authdlg

#endif
