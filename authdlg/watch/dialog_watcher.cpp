#include "dialog_watcher.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QEvent>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>

namespace authdlg_watch {
namespace {

bool IsDialogOfClass(QObject *object, const char *className) {
    return object->isWidgetType() && static_cast<QWidget *>(object)->isWindow() &&
           qstrcmp(object->metaObject()->className(), className) == 0;
}

}  // namespace

DialogWatcher::DialogWatcher(DialogHandlers handlers, QObject *parent)
    : QObject(parent), handlers_(std::move(handlers)) {
    QCoreApplication::instance()->installEventFilter(this);
}

DialogWatcher::~DialogWatcher() {
    if (QCoreApplication::instance() != nullptr) QCoreApplication::instance()->removeEventFilter(this);
}

void DialogWatcher::Later(std::function<void()> call) {
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

// The label changes only while events are delivered, one update per event,
// so comparing it before every event sees each text it has shown.
void DialogWatcher::NoteLabelText() {
    if (statusLabel_.isNull()) return;
    const QString text = statusLabel_->text();
    if (text == lastText_) return;
    lastText_ = text;
    if (handlers_.statusText) handlers_.statusText(text);
}

bool DialogWatcher::eventFilter(QObject *watched, QEvent *event) {
    NoteLabelText();
    const QEvent::Type type = event->type();
    if (type != QEvent::Show && type != QEvent::Hide) return false;

    if (IsDialogOfClass(watched, "WFingerPrint")) {
        auto *dialog = static_cast<QDialog *>(watched);
        if (type == QEvent::Hide) {
            // Ended: its label is no longer watched (it may be destroyed next).
            if (dialog == fingerprintDialog_) statusLabel_.clear();
            return false;
        }
        const bool newDialog = dialog != fingerprintDialog_;
        fingerprintDialog_ = dialog;
        statusLabel_ = dialog->findChild<QLabel *>("outlabel");
        lastText_ = statusLabel_.isNull() ? QString() : statusLabel_->text();
        if (newDialog) {
            // The form's own text counts only if showing the dialog keeps it.
            const QString formText = lastText_;
            Later([this, formText] {
                if (!statusLabel_.isNull() && lastText_ == formText && handlers_.statusText) {
                    handlers_.statusText(formText);
                }
            });
        }
        if (handlers_.fingerprintDialogShown) handlers_.fingerprintDialogShown(dialog);
    } else if (type == QEvent::Hide) {
        return false;
    } else if (IsDialogOfClass(watched, "WPinInput")) {
        if (handlers_.pinDialogShown) handlers_.pinDialogShown(static_cast<QDialog *>(watched));
    } else if (auto *box = qobject_cast<QMessageBox *>(watched)) {
        if (handlers_.messageBoxShown) handlers_.messageBoxShown(box);
    }
    return false;
}

void ClickButton(QDialog *dialog, const char *objectName) {
    if (auto *button = dialog->findChild<QPushButton *>(objectName)) button->click();
}

void TypeIntoPinDialog(QDialog *pinDialog, const QString &pin) {
    if (auto *field = pinDialog->findChild<QLineEdit *>("lineEdit")) {
        field->clear();
        field->insert(pin);
    }
}

QString StatusLabelText(QDialog *fingerprintDialog) {
    auto *label = fingerprintDialog->findChild<QLabel *>("outlabel");
    return label != nullptr ? label->text() : QString();
}

}  // namespace authdlg_watch
