// Draws the two pictures of the dialogs: fingerprint.png (108 x 126) and
// pinmode.png (64 x 64), both 8-bit RGB. The committed PNGs in
// authdlg/images/ were made with it:
//   authdlg_draw_images authdlg/images
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QLinearGradient>
#include <QtGui/QPainter>
#include <QtGui/QPainterPath>
#include <QtGui/QRadialGradient>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

const QColor kBackground(0xF3, 0xF6, 0xFA);

// A fingertip: round at the top, sides narrowing towards the first joint.
QPainterPath FingertipOutline() {
    QPainterPath outline;
    outline.moveTo(14, 122);
    outline.cubicTo(8, 80, 8, 46, 20, 26);
    outline.cubicTo(34, 2, 74, 2, 88, 26);
    outline.cubicTo(100, 46, 100, 80, 94, 122);
    outline.closeSubpath();
    return outline;
}

// One ridge of a whorl: a closed curve around the core, a little wider at
// the bottom, where the ridges flatten towards the joint.
QPainterPath WhorlRidge(int ridge) {
    const QPointF core(54, 58);
    const double rx = 3.5 + ridge * 4.7;
    const double ry = 4.5 + ridge * 5.4;
    QPainterPath path;
    for (int step = 0; step <= 96; ++step) {
        const double angle = step * 2 * M_PI / 96;
        const double flatten = std::sin(angle) > 0 ? 1.0 + 0.18 * std::sin(angle) : 1.0;
        const QPointF point(core.x() + rx * std::cos(angle) * flatten, core.y() + ry * std::sin(angle));
        if (step == 0) {
            path.moveTo(point);
        } else {
            path.lineTo(point);
        }
    }
    return path;
}

QImage DrawFingerprint() {
    QImage image(108, 126, QImage::Format_RGB888);
    image.fill(kBackground);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    const QPainterPath outline = FingertipOutline();
    QRadialGradient skin(QPointF(54, 50), 70);
    skin.setColorAt(0, QColor(0xE4, 0xEE, 0xF8));
    skin.setColorAt(1, QColor(0xC9, 0xDA, 0xEC));
    painter.fillPath(outline, skin);

    painter.save();
    painter.setClipPath(outline);
    for (int ridge = 0; ridge < 14; ++ridge) {
        QPen pen(QColor(0x1F, 0x4E, 0x8C), 1.9, Qt::SolidLine, Qt::RoundCap);
        // A few interrupted ridges, as a real print has.
        if (ridge % 3 == 1) pen.setDashPattern({9.0 + ridge * 2, 1.5, 22.0 + ridge, 1.5});
        painter.setPen(pen);
        painter.drawPath(WhorlRidge(ridge));
    }
    painter.restore();

    painter.setPen(QPen(QColor(0x6D, 0x8F, 0xB8), 1.4));
    painter.drawPath(outline);
    return image;
}

QImage DrawPadlock() {
    QImage image(64, 64, QImage::Format_RGB888);
    image.fill(kBackground);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    // Shackle.
    painter.setPen(QPen(QColor(0x7A, 0x84, 0x90), 6, Qt::SolidLine, Qt::FlatCap));
    painter.setBrush(Qt::NoBrush);
    QPainterPath shackle;
    shackle.moveTo(20, 30);
    shackle.lineTo(20, 20);
    shackle.arcTo(QRectF(20, 7, 24, 26), 180, -180);
    shackle.lineTo(44, 30);
    painter.drawPath(shackle);

    // Body.
    QLinearGradient brass(QPointF(0, 28), QPointF(0, 60));
    brass.setColorAt(0, QColor(0xF2, 0xC1, 0x4E));
    brass.setColorAt(1, QColor(0xC8, 0x8A, 0x1A));
    painter.setPen(QPen(QColor(0x8A, 0x5D, 0x10), 1.5));
    painter.setBrush(brass);
    painter.drawRoundedRect(QRectF(11, 28, 42, 31), 5, 5);

    // Keyhole.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x3B, 0x2A, 0x0E));
    painter.drawEllipse(QPointF(32, 40), 4.2, 4.2);
    QPainterPath slot;
    slot.moveTo(30, 42);
    slot.lineTo(34, 42);
    slot.lineTo(35.5, 52);
    slot.lineTo(28.5, 52);
    slot.closeSubpath();
    painter.drawPath(slot);

    // Three PIN dots under the shackle's feet.
    painter.setBrush(QColor(0xFF, 0xF4, 0xD6));
    for (int dot = 0; dot < 3; ++dot) painter.drawEllipse(QPointF(18 + dot * 14, 55.5), 1.6, 1.6);
    return image;
}

bool Save(const QImage &image, const QString &path) {
    if (image.save(path, "PNG")) return true;
    std::fprintf(stderr, "authdlg_draw_images: cannot write %s\n", qPrintable(path));
    return false;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: authdlg_draw_images OUTPUT_DIR\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QString directory = QString::fromLocal8Bit(argv[1]);
    const bool saved =
        Save(DrawFingerprint(), directory + "/fingerprint.png") && Save(DrawPadlock(), directory + "/pinmode.png");
    return saved ? EXIT_SUCCESS : EXIT_FAILURE;
}
