// Which translation the dialogs speak.
#ifndef AUTHDLG_TRANSLATION_SETUP_H
#define AUTHDLG_TRANSLATION_SETUP_H

#include <QtCore/QString>
#include <QtCore/QTranslator>

namespace authdlg {

// The directory a developer's translation "authdlg.qm" is read from first.
inline const char *const kFixedTranslationDirectory = "/home/kalun/sys/";

// Loads "authdlg.qm" from the fixed directory; when that fails, the
// installed translation for the user's locale (authdlg_<locale>.qm).
// Returns whether one was loaded.
bool LoadTranslation(QTranslator *translator);

// Where the installed translations are, found from this library's own
// location (installed tree or build tree); empty when there are none.
QString InstalledTranslationDirectory();

}  // namespace authdlg

#endif
