// The library's message boxes: a title, a text and one "Ok" button.
#ifndef AUTHDLG_MESSAGE_BOX_H
#define AUTHDLG_MESSAGE_BOX_H

#include <QtWidgets/QMessageBox>

namespace authdlg {

// Runs the box modally; title and text arrive translated.
void ShowMessage(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text);

}  // namespace authdlg

#endif
