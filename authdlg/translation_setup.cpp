#include "translation_setup.h"

#include <QtCore/QDir>
#include <QtCore/QLocale>

#include "library_location.h"

namespace authdlg {

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
