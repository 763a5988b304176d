// Folders found from where this library lies, not from the working directory
// of the host, which anyone may have chosen.
#ifndef AUTHDLG_LIBRARY_LOCATION_H
#define AUTHDLG_LIBRARY_LOCATION_H

#include <QtCore/QString>

namespace authdlg {

// The canonical directory of libauthdlg.so; empty when it cannot be told.
QString LibraryDirectory();

// The Qt plug-in folder "../plugins" beside the library, as a canonical
// path; empty when there is none or the library's own path is not absolute.
QString PluginDirectory();

}  // namespace authdlg

#endif
