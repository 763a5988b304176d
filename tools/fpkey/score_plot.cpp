#include "score_plot.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "fingermatch/fingermatch.h"
#include "gray_image.h"

namespace fpkey {
namespace {

constexpr int kPanel = 400;
constexpr int kMargin = 20;
constexpr int kWidth = 2 * kPanel + 3 * kMargin;
constexpr int kHeight = kPanel + 2 * kMargin;
// Rates below these are drawn on the axis: the shared sets have a few
// hundred genuine and a few thousand impostor comparisons.
constexpr double kLowestFalseMatch = 1e-4;
constexpr double kLowestFalseNonMatch = 1e-3;
constexpr int kBins = 50;

using Colour = std::array<uint8_t, 3>;
constexpr std::array<Colour, 6> kSetColours{
    {{200, 30, 30}, {30, 90, 200}, {20, 150, 60}, {200, 120, 0}, {140, 40, 170}, {0, 150, 160}}};
constexpr Colour kAxis{0, 0, 0};
constexpr Colour kGrid{220, 220, 220};
constexpr Colour kImpostor{150, 150, 150};

class Canvas {
public:
    Canvas() : samples_(static_cast<size_t>(kWidth) * kHeight * 3, 255) {}

    void Dot(int x, int y, const Colour &colour) {
        if (x < 0 || y < 0 || x >= kWidth || y >= kHeight) return;
        std::copy(colour.begin(), colour.end(), samples_.begin() + (static_cast<ptrdiff_t>(y) * kWidth + x) * 3);
    }
    void Line(int x0, int y0, int x1, int y1, const Colour &colour) {
        const int steps = std::max({std::abs(x1 - x0), std::abs(y1 - y0), 1});
        for (int i = 0; i <= steps; ++i) {
            Dot(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps, colour);
        }
    }
    void Box(int x0, int y0, int x1, int y1, const Colour &colour) {
        for (int y = std::min(y0, y1); y <= std::max(y0, y1); ++y) Line(x0, y, x1, y, colour);
    }
    bool Write(const std::string &path, std::string *error) const {
        return WritePng(path, kHeight, kWidth, 3, samples_.data(), error);
    }

private:
    std::vector<uint8_t> samples_;
};

// Position of a rate on a log axis of kPanel pixels from `lowest` to 1.
int LogPosition(double rate, double lowest) {
    const double clamped = std::clamp(rate, lowest, 1.0);
    return static_cast<int>(std::lround((std::log10(clamped) - std::log10(lowest)) / -std::log10(lowest) * kPanel));
}

void DrawAxes(Canvas &canvas, int left) {
    for (double decade = 1.0; decade >= kLowestFalseMatch; decade /= 10) {
        const int x = left + LogPosition(decade, kLowestFalseMatch);
        canvas.Line(x, kMargin, x, kMargin + kPanel, kGrid);
    }
    for (double decade = 1.0; decade >= kLowestFalseNonMatch; decade /= 10) {
        const int y = kMargin + kPanel - LogPosition(decade, kLowestFalseNonMatch);
        canvas.Line(left, y, left + kPanel, y, kGrid);
    }
    canvas.Line(left, kMargin + kPanel, left + kPanel, kMargin + kPanel, kAxis);
    canvas.Line(left, kMargin, left, kMargin + kPanel, kAxis);
}

void DrawDetCurve(Canvas &canvas, int left, const fingermatch::DataSetFigures &set, const Colour &colour) {
    std::vector<float> genuine = set.genuineScores, impostor = set.impostorScores;
    if (genuine.empty() || impostor.empty()) return;
    std::sort(genuine.begin(), genuine.end());
    std::sort(impostor.begin(), impostor.end());
    std::vector<float> thresholds = genuine;
    thresholds.insert(thresholds.end(), impostor.begin(), impostor.end());
    std::sort(thresholds.begin(), thresholds.end());
    thresholds.erase(std::unique(thresholds.begin(), thresholds.end()), thresholds.end());
    int lastX = -1, lastY = -1;
    for (const float threshold : thresholds) {
        const auto belowGenuine = std::lower_bound(genuine.begin(), genuine.end(), threshold) - genuine.begin();
        const auto belowImpostor = std::lower_bound(impostor.begin(), impostor.end(), threshold) - impostor.begin();
        const double falseNonMatch = static_cast<double>(belowGenuine) / static_cast<double>(genuine.size());
        const double falseMatch = 1.0 - static_cast<double>(belowImpostor) / static_cast<double>(impostor.size());
        const int x = left + LogPosition(falseMatch, kLowestFalseMatch);
        const int y = kMargin + kPanel - LogPosition(falseNonMatch, kLowestFalseNonMatch);
        if (lastX >= 0) canvas.Line(lastX, lastY, x, y, colour);
        lastX = x, lastY = y;
    }
}

// One strip per set: impostor scores in gray, genuine scores in the set's
// colour, each kind scaled to its own tallest bin; a mark at the threshold.
void DrawHistograms(Canvas &canvas, int left, const std::vector<fingermatch::DataSetFigures> &figures) {
    float highest = fingermatch::kMatchThreshold * 2;
    for (const auto &set : figures) {
        for (const float score : set.genuineScores) highest = std::max(highest, score);
    }
    const int strip = kPanel / static_cast<int>(std::max<size_t>(figures.size(), 1));
    const int barWidth = kPanel / kBins;
    for (size_t s = 0; s < figures.size(); ++s) {
        const int bottom = kMargin + static_cast<int>(s + 1) * strip;
        canvas.Line(left, bottom, left + kPanel, bottom, kAxis);
        const auto draw = [&](const std::vector<float> &scores, const Colour &colour, int offset) {
            std::array<int, kBins> bins{};
            for (const float score : scores) {
                ++bins[static_cast<size_t>(std::clamp(static_cast<int>(score / highest * kBins), 0, kBins - 1))];
            }
            const int tallest = std::max(*std::max_element(bins.begin(), bins.end()), 1);
            for (int b = 0; b < kBins; ++b) {
                if (bins[static_cast<size_t>(b)] == 0) continue;
                const int height = std::max(1, bins[static_cast<size_t>(b)] * (strip - 4) / tallest);
                const int x = left + b * barWidth + offset;
                canvas.Box(x, bottom - 1, x + barWidth / 2 - 1, bottom - height, colour);
            }
        };
        draw(figures[s].impostorScores, kImpostor, 0);
        draw(figures[s].genuineScores, kSetColours[s % kSetColours.size()], barWidth / 2);
        const int threshold = left + static_cast<int>(fingermatch::kMatchThreshold / highest * kPanel);
        canvas.Line(threshold, bottom - strip + 2, threshold, bottom, kAxis);
    }
}

}  // namespace

bool WriteScorePlot(const std::string &path, const std::vector<fingermatch::DataSetFigures> &figures,
                    std::string *error) {
    Canvas canvas;
    DrawAxes(canvas, kMargin);
    for (size_t s = 0; s < figures.size(); ++s) {
        DrawDetCurve(canvas, kMargin, figures[s], kSetColours[s % kSetColours.size()]);
    }
    DrawHistograms(canvas, 2 * kMargin + kPanel, figures);
    return canvas.Write(path, error);
}

}  // namespace fpkey
