// The pictures: sizes, legends, and that colours follow the values.
#include <gtest/gtest.h>

#include <string>

#include "analysis.h"
#include "bitmap_font.h"
#include "canvas.h"
#include "colour_map.h"
#include "patterns.h"
#include "path_fit.h"
#include "pictures.h"
#include "progress.h"

namespace fpkey {
namespace {

int Lightness(Rgb c) { return 299 * c.r + 587 * c.g + 114 * c.b; }

TEST(ColourScale, GetsLighterAlongTheScaleAndClampsItsEnds) {
    int previous = -1;
    for (int i = 0; i <= 20; ++i) {
        const int lightness = Lightness(ScaleColour(i / 20.0));
        EXPECT_GT(lightness, previous) << i;
        previous = lightness;
    }
    EXPECT_EQ(ScaleColour(-3.0), ScaleColour(0.0));
    EXPECT_EQ(ScaleColour(7.0), ScaleColour(1.0));
}

struct TextCase {
    const char *text;
    int scale;
    int width;
};

class TextWidths : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextWidths, CountsGlyphsAndGaps) { EXPECT_EQ(TextWidth(GetParam().text, GetParam().scale), GetParam().width); }

INSTANTIATE_TEST_SUITE_P(Texts, TextWidths,
                         ::testing::Values(TextCase{"", 2, 0}, TextCase{"7", 1, 5}, TextCase{"10", 1, 11},
                                           TextCase{"10", 2, 22}, TextCase{"NONE", 1, 23}));

TEST(Font, SmallLettersLookLikeCapitalsAndUnknownsLikeAQuestionMark) {
    EXPECT_EQ(Glyph('q'), Glyph('Q'));
    EXPECT_EQ(Glyph('~'), Glyph('?'));
    EXPECT_NE(Glyph('0'), Glyph('8'));
}

TEST(CanvasText, InksOnlyInsideItsBox) {
    Canvas canvas(20, 30, {0, 0, 0});
    canvas.Text(2, 3, "8", {255, 255, 255}, 2);
    int inked = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 30; ++x) {
            if (canvas.Get(y, x) == Rgb{255, 255, 255}) {
                ++inked;
                EXPECT_TRUE(y >= 2 && y < 16 && x >= 3 && x < 13) << y << "," << x;
            }
        }
    }
    EXPECT_GT(inked, 20);
}

struct BarCase {
    int done;
    int total;
    const char *bar;
};

class ProgressBars : public ::testing::TestWithParam<BarCase> {};

TEST_P(ProgressBars, FillInProportion) {
    EXPECT_EQ(ProgressBar(GetParam().done, GetParam().total, 10), GetParam().bar);
}

INSTANTIATE_TEST_SUITE_P(Bars, ProgressBars,
                         ::testing::Values(BarCase{0, 4, "[----------] 0/4"}, BarCase{1, 4, "[##--------] 1/4"},
                                           BarCase{4, 4, "[##########] 4/4"}, BarCase{0, 0, "[----------] 0/0"}));

struct FitCase {
    const char *path;
    size_t width;
    const char *shown;
};

class PathsInColumns : public ::testing::TestWithParam<FitCase> {};

TEST_P(PathsInColumns, KeepTheFileNameWhole) {
    EXPECT_EQ(FitPath(GetParam().path, GetParam().width), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Paths, PathsInColumns,
                         ::testing::Values(FitCase{"scans/101_1.pgm", 20, "scans/101_1.pgm"},
                                           FitCase{"/data/sets/fvc2002/db1/101_1.pgm", 20, ".../db1/101_1.pgm"},
                                           FitCase{"/data/sets/fvc2002/db1/101_1.pgm", 30,
                                                   ".../sets/fvc2002/db1/101_1.pgm"},
                                           FitCase{"/data/sets/fvc2002/db1/101_1.pgm", 13, ".../101_1.pgm"},
                                           FitCase{"/data/a-very-long-file-name.pgm", 10, "a-very-long-file-name.pgm"},
                                           FitCase{"a-very-long-file-name.pgm", 10, "a-very-long-file-name.pgm"}));

TEST(ProgressLines, ShowTheFileNameOfADeepPath) {
    const std::string path = "/home/someone/fingerprints/collected/2026/december/sensor-b/finger_7_impression_3.png";
    const std::string line = ProgressLine(3, 96, path, 78);
    EXPECT_LE(line.size(), 78u);
    EXPECT_TRUE(line.ends_with("/finger_7_impression_3.png")) << line;
}

class Pictures : public ::testing::Test {
protected:
    void SetUp() override {
        image_ = patterns::RidgedDisc(128, 48, 9.0);
        std::string error;
        ASSERT_TRUE(Analyze(image_, &analysis_, &error)) << error;
    }
    GrayImage image_;
    Analysis analysis_;
};

TEST_F(Pictures, KeepTheImageSizeAndAddALegendColumn) {
    for (const Canvas &c : {MaskPicture(image_, analysis_), OrientationPicture(image_, analysis_),
                            SpacingPicture(image_, analysis_), QualityPicture(image_, analysis_)}) {
        EXPECT_GT(c.width(), image_.width);
        EXPECT_GE(c.height(), image_.height);
        EXPECT_EQ(c.samples().size(), static_cast<size_t>(c.width()) * c.height() * 3);
    }
    const Canvas sheet = OverviewSheet(image_, analysis_, "DISC");
    const Canvas mask = MaskPicture(image_, analysis_);
    EXPECT_GT(sheet.width(), 2 * mask.width());
    EXPECT_GT(sheet.height(), 2 * mask.height());
}

TEST_F(Pictures, SpacingColourFollowsTheMeasuredValue) {
    const Canvas spacing = SpacingPicture(image_, analysis_);
    // The centre cell of the disc is measured; its colour, with a trace of
    // the image, stays closest to the scale colour of its own value.
    const int y = 64;
    const int x = 64;
    const uint8_t v = analysis_.spacing.at(y / 4, x / 4);
    ASSERT_NE(v, kSpacingUnmeasured);
    const double t = (v / 8.0 - kSpacingScaleLow) / (kSpacingScaleHigh - kSpacingScaleLow);
    const Rgb expected =
        Mix({image_.pixels[y * 128 + x], image_.pixels[y * 128 + x], image_.pixels[y * 128 + x]}, ScaleColour(t), 0.8);
    EXPECT_EQ(spacing.Get(y, x), expected);
}

TEST_F(Pictures, OrientationLinesAreWideEnoughToRead) {
    // Across a line through the centre of the disc: its bright core at
    // least two pixels thick, on a dark rim.
    const Canvas picture = OrientationPicture(image_, analysis_);
    int core = 0;
    int rim = 0;
    for (int y = 0; y < image_.height; ++y) {
        int coreHere = 0;
        for (int x = 0; x < image_.width; ++x) {
            const Rgb c = picture.Get(y, x);
            if (c.r > 200 && c.g < 100) ++coreHere;
            if (Lightness(c) < Lightness({40, 40, 40})) ++rim;
        }
        core = std::max(core, coreHere);
    }
    ASSERT_GT(core, 0) << "no line drawn";
    EXPECT_GT(rim, 0);
    int thickest = 0;
    for (int x = 0; x < image_.width; ++x) {
        int run = 0;
        for (int y = 0; y < image_.height; ++y) {
            const Rgb c = picture.Get(y, x);
            run = (c.r > 200 && c.g < 100) ? run + 1 : 0;
            thickest = std::max(thickest, run);
        }
    }
    EXPECT_GE(thickest, 2);
}

TEST_F(Pictures, SpacingOutsideTheScaleIsShownAsNone) {
    // A failed estimate (here 25 px) must not be painted as the scale's end.
    analysis_.spacing.values[static_cast<size_t>(64 / 4) * analysis_.spacing.cols + 64 / 4] = 200;
    const Canvas spacing = SpacingPicture(image_, analysis_);
    const uint8_t g = image_.pixels[64 * 128 + 64];
    EXPECT_EQ(spacing.Get(64, 64), Mix({g, g, g}, {120, 120, 120}, 0.6));
}

}  // namespace
}  // namespace fpkey
