// The pictures: sizes, legends, and that colours follow the values.
#include <gtest/gtest.h>

#include <string>

#include "analysis.h"
#include "bitmap_font.h"
#include "canvas.h"
#include "colour_map.h"
#include "patterns.h"
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

}  // namespace
}  // namespace fpkey
