#include "library_location.h"

#include <dlfcn.h>

#include <QtCore/QDir>
#include <QtCore/QFileInfo>

namespace authdlg {
namespace {

QString LoadedName() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&LibraryDirectory), &info) == 0 || info.dli_fname == nullptr) return {};
    return QString::fromLocal8Bit(info.dli_fname);
}

}  // namespace

QString LibraryDirectory() {
    const QString name = LoadedName();
    if (name.isEmpty()) return {};
    return QFileInfo(name).canonicalPath();
}

QString PluginDirectory() {
    // A relative name would be read against the working directory again.
    const QString name = LoadedName();
    if (!QFileInfo(name).isAbsolute()) return {};
    const QString directory = QFileInfo(name).canonicalPath();
    if (directory.isEmpty()) return {};
    return QFileInfo(directory + "/../plugins").canonicalFilePath();
}

}  // namespace authdlg
