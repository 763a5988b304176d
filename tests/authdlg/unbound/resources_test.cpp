// The embedded images and their registration.
#include <gtest/gtest.h>

#include <QtCore/QFile>
#include <QtCore/QSet>
#include <QtGui/QImage>

#include "authdlg.h"

namespace {

struct Picture {
    const char *path;
    QSize size;
};

class EmbeddedPicture : public ::testing::TestWithParam<Picture> {};

TEST_P(EmbeddedPicture, IsAnRgbPngOfItsSize) {
    QFile file(GetParam().path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_TRUE(bytes.startsWith("\x89PNG\r\n\x1a\n"));
    // IHDR: bit depth 8, colour type 2 (RGB).
    EXPECT_EQ(static_cast<int>(bytes[24]), 8);
    EXPECT_EQ(static_cast<int>(bytes[25]), 2);
    const QImage image = QImage::fromData(bytes, "PNG");
    EXPECT_EQ(image.size(), GetParam().size);
    // A picture, not a blank square: many distinct colours.
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y));
    }
    EXPECT_GT(colours.size(), 20);
}

INSTANTIATE_TEST_SUITE_P(Files, EmbeddedPicture,
                         ::testing::Values(Picture{":/fingerprint.png", QSize(108, 126)},
                                           Picture{":/pinmode.png", QSize(64, 64)}),
                         [](const auto &param) {
                             return std::string(param.param.size.width() == 108 ? "Fingerprint" : "PinMode");
                         });

TEST(Resources, RegistrationCanBeUndoneAndRedone) {
    EXPECT_EQ(qCleanupResources_authdlg(), 1);
    EXPECT_FALSE(QFile::exists(":/pinmode.png"));
    EXPECT_EQ(qInitResources_authdlg(), 1);
    EXPECT_TRUE(QFile::exists(":/pinmode.png"));
}

}  // namespace
