// The two forms: object names, sizes, grid cells and texts.
#include <gtest/gtest.h>

#include <QtCore/QMetaMethod>
#include <QtGui/QPixmap>
#include <QtWidgets/QGridLayout>

#include "wfingerprint.h"
#include "wpininput.h"

namespace {

struct Cell {
    int row, column, rowSpan, columnSpan;
    bool operator==(const Cell &) const = default;
};

Cell CellOf(QGridLayout *grid, QWidget *widget) {
    Cell cell{};
    grid->getItemPosition(grid->indexOf(widget), &cell.row, &cell.column, &cell.rowSpan, &cell.columnSpan);
    return cell;
}

TEST(FingerprintForm, MatchesTheLayout) {
    WFingerPrint dialog(nullptr, 1, 0);
    EXPECT_EQ(dialog.objectName(), "WFingerPrint");
    EXPECT_EQ(dialog.size(), QSize(449, 218));
    EXPECT_EQ(dialog.windowTitle(), "Fingerprint Authenticate ");
    EXPECT_EQ(dialog.gridLayout->objectName(), "gridLayout");
    EXPECT_EQ(dialog.gridLayout->spacing(), 6);
    EXPECT_EQ(dialog.gridLayout->contentsMargins(), QMargins(9, 9, 9, 9));
    EXPECT_EQ(CellOf(dialog.gridLayout, dialog.piclabel), (Cell{0, 0, 1, 1}));
    EXPECT_EQ(CellOf(dialog.gridLayout, dialog.cancelbutton), (Cell{2, 3, 1, 1}));
    EXPECT_EQ(CellOf(dialog.gridLayout, dialog.pinmodebutton), (Cell{2, 2, 1, 1}));
    EXPECT_EQ(CellOf(dialog.gridLayout, dialog.outlabel), (Cell{0, 2, 1, 2}));
    EXPECT_EQ(dialog.cancelbutton->text(), "Cancel");
    EXPECT_EQ(dialog.pinmodebutton->text(), "PIN Authenticate");
    EXPECT_TRUE(dialog.outlabel->text().contains(">ABCD</span>"));
    EXPECT_EQ(dialog.outlabel->font().family(), "Aharoni");
    EXPECT_EQ(dialog.outlabel->font().pointSize(), 12);
    EXPECT_TRUE(dialog.outlabel->font().bold());
    EXPECT_EQ(dialog.piclabel->pixmap().size(), QSize(108, 126));
    EXPECT_EQ(dialog.nHaveTemplate, 0);
    EXPECT_EQ(dialog.hThread.load(), 0u);
}

TEST(PinForm, MatchesTheLayout) {
    WPinInput dialog;
    EXPECT_EQ(dialog.objectName(), "WPinInput");
    EXPECT_EQ(dialog.size(), QSize(460, 132));
    EXPECT_EQ(dialog.windowTitle(), "PIN Password Authenticate");
    EXPECT_EQ(dialog.layoutWidget->geometry(), QRect(2, 12, 451, 111));
    EXPECT_EQ(dialog.gridLayout->spacing(), 6);
    EXPECT_EQ(dialog.gridLayout->contentsMargins(), QMargins(0, 0, 0, 0));
    EXPECT_EQ(CellOf(dialog.gridLayout, dialog.okbutton), (Cell{2, 2, 1, 1}));
    EXPECT_EQ(CellOf(dialog.gridLayout, dialog.piclabel), (Cell{0, 0, 2, 1}));
    EXPECT_EQ(CellOf(dialog.gridLayout, dialog.label2), (Cell{1, 1, 1, 3}));
    EXPECT_EQ(CellOf(dialog.gridLayout, dialog.label1), (Cell{0, 1, 1, 1}));
    EXPECT_EQ(CellOf(dialog.gridLayout, dialog.lineEdit), (Cell{0, 2, 1, 2}));
    EXPECT_EQ(CellOf(dialog.gridLayout, dialog.cancelbutton), (Cell{2, 3, 1, 1}));
    EXPECT_EQ(dialog.okbutton->text(), "Ok");
    EXPECT_EQ(dialog.label1->text(), "Input PIN password:");
    EXPECT_EQ(dialog.label2->text(), "Warning:PIN password must be 2-8 characters!");
    EXPECT_EQ(dialog.piclabel->pixmap().size(), QSize(64, 64));
    EXPECT_EQ(dialog.bInputAgain, 0);
}

TEST(MetaObjects, SlotsComeFirstInTheirOrder) {
    const QMetaObject &fingerprint = WFingerPrint::staticMetaObject;
    EXPECT_STREQ(fingerprint.className(), "WFingerPrint");
    ASSERT_EQ(fingerprint.methodCount() - fingerprint.methodOffset(), 2);
    EXPECT_EQ(fingerprint.method(fingerprint.methodOffset()).methodSignature(), "pinmodebutton_clicked()");
    EXPECT_EQ(fingerprint.method(fingerprint.methodOffset() + 1).methodSignature(), "cancelbutton_clicked()");
    const QMetaObject &pin = WPinInput::staticMetaObject;
    ASSERT_EQ(pin.methodCount() - pin.methodOffset(), 2);
    EXPECT_EQ(pin.method(pin.methodOffset()).methodSignature(), "okbutton_clicked()");
    EXPECT_EQ(pin.method(pin.methodOffset() + 1).methodSignature(), "cancelbutton_clicked()");
}

}  // namespace
