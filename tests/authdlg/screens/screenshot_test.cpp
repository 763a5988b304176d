// Both dialogs as an X server draws them (run under Xvfb): the pictures, the
// texts and the buttons must be on screen, not a blank window. The shots are
// saved for the documentation ($AUTHDLG_SCREENSHOT_DIR).
#include <gtest/gtest.h>

#include <QtCore/QDir>
#include <QtCore/QSet>
#include <QtCore/QTimer>
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QPixmap>
#include <QtGui/QScreen>
#include <QtGui/QWindow>

#include "authdlg.h"
#include "dialog_script.h"
#include "scripted_device.h"
#include "wfingerprint.h"
#include "wpininput.h"

namespace authdlg_test {
namespace {

QString ScreenshotDirectory() {
    const QByteArray chosen = qgetenv("AUTHDLG_SCREENSHOT_DIR");
    const QString directory = chosen.isEmpty() ? QDir::temp().filePath("authdlg-screenshots") : QString(chosen);
    QDir().mkpath(directory);
    return directory;
}

// What the X server shows of a window, once it is exposed and painted.
QImage ShotOf(QWidget *window) {
    EXPECT_TRUE(WaitFor([window] { return window->windowHandle() && window->windowHandle()->isExposed(); }));
    WaitFor([] { return false; }, 1);  // a second of painting
    return window->screen()->grabWindow(window->winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

// Pixels in `area` with all three channels below 110: text and outlines.
int DarkPixels(const QImage &image, const QRect &area) {
    int dark = 0;
    for (int y = area.top(); y <= area.bottom() && y < image.height(); ++y) {
        for (int x = area.left(); x <= area.right() && x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qRed(pixel) < 110 && qGreen(pixel) < 110 && qBlue(pixel) < 110) ++dark;
        }
    }
    return dark;
}

// Pixels in `area` within 40 of `colour` on every channel.
int PixelsNear(const QImage &image, const QRect &area, QColor colour) {
    int near = 0;
    for (int y = area.top(); y <= area.bottom() && y < image.height(); ++y) {
        for (int x = area.left(); x <= area.right() && x < image.width(); ++x) {
            const QColor pixel(image.pixel(x, y));
            if (std::abs(pixel.red() - colour.red()) < 40 && std::abs(pixel.green() - colour.green()) < 40 &&
                std::abs(pixel.blue() - colour.blue()) < 40) {
                ++near;
            }
        }
    }
    return near;
}

int DistinctColours(const QImage &image) {
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y));
    }
    return static_cast<int>(colours.size());
}

class Screenshot : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run under an X server (xvfb-run)"; }
};

TEST_F(Screenshot, FingerprintDialogShowsPictureTextAndButtons) {
    ScriptedDevice::Get().Reset(2);
    ScriptedDevice::Get().HoldNextCapture();
    DeviceContext context{};
    WFingerPrint dialog(&context, 2, 0);
    QImage shot;
    QTimer::singleShot(0, &dialog, [&] {
        ASSERT_TRUE(ScriptedDevice::Get().WaitForHeldCapture());
        shot = ShotOf(&dialog);
        ScriptedDevice::Get().ReleaseCapture();
        dialog.reject();
    });
    dialog.exec();
    dialog.WaitForWorker();

    ASSERT_FALSE(shot.isNull());
    ASSERT_TRUE(shot.save(ScreenshotDirectory() + "/fingerprint_dialog.png"));
    EXPECT_GE(shot.width(), 449);
    EXPECT_GE(shot.height(), 218);
    EXPECT_GT(DistinctColours(shot), 40) << "a blank window";
    EXPECT_GT(PixelsNear(shot, dialog.piclabel->geometry(), QColor(0x1F, 0x4E, 0x8C)), 300) << "the fingerprint";
    EXPECT_GT(DarkPixels(shot, dialog.outlabel->geometry()), 150) << "the prompt's text";
    EXPECT_GT(DarkPixels(shot, dialog.pinmodebutton->geometry()), 40) << "PIN Authenticate";
    EXPECT_GT(DarkPixels(shot, dialog.cancelbutton->geometry()), 30) << "Cancel";
}

TEST_F(Screenshot, PinDialogShowsPictureLabelsAndMaskedEntry) {
    WPinInput dialog;
    QImage shot;
    QTimer::singleShot(0, &dialog, [&] {
        dialog.lineEdit->insert("1234");
        shot = ShotOf(&dialog);
        dialog.cancelbutton->click();
    });
    dialog.exec();

    ASSERT_FALSE(shot.isNull());
    ASSERT_TRUE(shot.save(ScreenshotDirectory() + "/pin_dialog.png"));
    EXPECT_GE(shot.width(), 460);
    EXPECT_GT(DistinctColours(shot), 40) << "a blank window";
    const QPoint offset = dialog.layoutWidget->pos();
    EXPECT_GT(PixelsNear(shot, dialog.piclabel->geometry().translated(offset), QColor(0xE0, 0xA8, 0x30)), 100)
        << "the padlock";
    EXPECT_GT(DarkPixels(shot, dialog.label1->geometry().translated(offset)), 60) << "Input PIN password:";
    EXPECT_GT(DarkPixels(shot, dialog.label2->geometry().translated(offset)), 100) << "the length warning";
    EXPECT_GT(DarkPixels(shot, dialog.lineEdit->geometry().translated(offset)), 20) << "the masked PIN";
}

}  // namespace
}  // namespace authdlg_test
