// Watches the login dialogs from inside the host: every text the
// fingerprint dialog's status label shows, each message box and each PIN
// dialog as it appears. The login demo prints what it sees and, run without
// a display, answers the dialogs; the tests record and script them.
//
// It knows the dialogs by class and object names only, so a host that loads
// libauthdlg.so at run time can use it without linking the library.
#ifndef AUTHDLG_WATCH_DIALOG_WATCHER_H
#define AUTHDLG_WATCH_DIALOG_WATCHER_H

#include <functional>

#include <QtCore/QObject>
#include <QtCore/QPointer>
#include <QtCore/QString>
#include <QtWidgets/QDialog>
#include <QtWidgets/QLabel>
#include <QtWidgets/QMessageBox>

namespace authdlg_watch {

struct DialogHandlers {
    std::function<void(QDialog *)> fingerprintDialogShown;
    // Each text of the fingerprint dialog's status label, in order.
    std::function<void(const QString &)> statusText;
    std::function<void(QDialog *)> pinDialogShown;
    std::function<void(QMessageBox *)> messageBoxShown;
};

class DialogWatcher : public QObject {
    Q_OBJECT

public:
    // Watches every event of the application until destroyed. The handlers
    // run inside the watcher's event filter, while the dialog is still being
    // shown or updated: they may record, and must defer anything they do to
    // the dialogs (QTimer::singleShot(0, ...)).
    explicit DialogWatcher(DialogHandlers handlers, QObject *parent = nullptr);
    ~DialogWatcher() override;

    // The fingerprint dialog shown last, while it exists.
    QDialog *fingerprintDialog() const { return fingerprintDialog_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void NoteLabelText();
    void Later(std::function<void()> call);

    DialogHandlers handlers_;
    QPointer<QDialog> fingerprintDialog_;
    QPointer<QLabel> statusLabel_;
    QString lastText_;
};

// Helpers for answering the dialogs by their object names.
void ClickButton(QDialog *dialog, const char *objectName);
void TypeIntoPinDialog(QDialog *pinDialog, const QString &pin);
QString StatusLabelText(QDialog *fingerprintDialog);

}  // namespace authdlg_watch

#endif
