// WPinInput: the modal dialog in which the user types the key's PIN. It
// masks the entry, accepts 2 to 8 printable ASCII characters (whose bytes do
// not depend on the locale) and hands the PIN to its caller in szPin; it
// verifies nothing itself.
//
// Results: 1 = a valid PIN is in szPin; 2 = Cancel, or an entry of wrong
// length or with another character (then bInputAgain is 1 and the caller
// runs the dialog again); 0 = Escape or the close control (the caller gives
// up).
#ifndef AUTHDLG_WPININPUT_H
#define AUTHDLG_WPININPUT_H

#include <cstdint>

#include <QtWidgets/QDialog>

#include "authdlg.h"
#include "ui_wpininput.h"

class AUTHDLG_API WPinInput : public QDialog, public Ui::WPinInput {
    Q_OBJECT

public:
    explicit WPinInput(QWidget *parent = nullptr);
    ~WPinInput() override;

    // Escape and the close control: result 0 with the again-flag cleared.
    void reject() override;

    char szPin[16];              // the last valid entry, zero-terminated
    uint8_t bInputAgain;         // 1 after an entry of wrong length or characters
    static uint64_t nMaxPinLen;  // 8: the longest PIN and the field's limit

public slots:
    void okbutton_clicked();
    void cancelbutton_clicked();

protected:
    void showEvent(QShowEvent *event) override;
};

#endif
