#include "translation_setup.h"

#include <dlfcn.h>

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QLocale>

namespace authdlg {
namespace {

QString LibraryDirectory() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&LoadTranslation), &info) == 0 || info.dli_fname == nullptr) return {};
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).canonicalPath();
}

}  // namespace

QString InstalledTranslationDirectory() {
    const QString libraryDirectory = LibraryDirectory();
    if (libraryDirectory.isEmpty()) return {};
    // The installed layout first, then the build tree (lib/ beside share/).
    const QString candidates[] = {
        libraryDirectory + "/" + QStringLiteral(AUTHDLG_TRANSLATIONS_FROM_LIBDIR),
        libraryDirectory + "/../share/authdlg/translations",
    };
    for (const QString &candidate : candidates) {
        if (QDir(candidate).exists()) return QDir::cleanPath(candidate);
    }
    return {};
}

bool LoadTranslation(QTranslator *translator) {
    if (translator->load("authdlg.qm", kFixedTranslationDirectory)) return true;
    const QString installed = InstalledTranslationDirectory();
    return !installed.isEmpty() && translator->load(QLocale(), "authdlg", "_", installed);
}

}  // namespace authdlg
