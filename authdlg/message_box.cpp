#include "message_box.h"

#include <QtWidgets/QPushButton>

namespace authdlg {

void ShowMessage(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text) {
    QMessageBox box(icon, title, text, QMessageBox::NoButton, parent);
    box.addButton(QObject::tr("Ok"), QMessageBox::AcceptRole);
    box.exec();
}

}  // namespace authdlg
