// Fingerprint features of real scans for the simulated key: extraction of
// minutiae from a gray image, enrolment, and comparison of two templates.
//
// Nothing is kept between calls and nothing is shared: every function may run
// on any thread at the same time.
#ifndef FINGERMATCH_FINGERMATCH_H
#define FINGERMATCH_FINGERMATCH_H

#include <cstdint>
#include <span>

#include "fingermatch/gray_image.h"
#include "fingermatch/minutia.h"

namespace fingermatch {

// What a capture is worth, in the order the checks are made; the key answers
// each with a status word of its own.
enum class ExtractStatus : uint8_t {
    kOk,
    kBadImage,     // no pixels, sizes that disagree, a side or resolution out of range
    kSmallArea,    // too little finger on the sensor
    kPoorQuality,  // the ridges cannot be told apart
    kFewMinutiae,  // too few minutiae to compare reliably
};

// The figures the status follows from, for a capture report.
struct CaptureFigures {
    int fingerArea = 0;       // pixels at 500 dpi
    uint8_t areaPercent = 0;  // share of the image
    uint8_t quality = 0;      // mean ridge coherence over the finger, 0 ... 100
    int minutiae = 0;         // found before the template's capacity is applied
};

struct ExtractResult {
    ExtractStatus status = ExtractStatus::kBadImage;
    Template features;  // empty unless status is kOk
    CaptureFigures figures;
};

// The least a capture must show to be taken; every fair scan of the shared
// set passes, blank and noise images do not (bench/README.md has the figures).
// Finger area: pixels at 500 dpi, about 7 x 7 mm, a third of a fingertip (the
// fair scans show 37 000 and more).
constexpr int kMinFingerArea = 20000;
// Mean gradient coherence over the finger, percent: parallel ridges agree to
// 34 and more on every fair scan, noise to about 5.
constexpr uint8_t kMinQuality = 20;
// Below this the comparison, which scores the best 4 to 12 minutia pairs,
// rests on too few to tell fingers apart.
constexpr int kMinMinutiae = 8;

ExtractResult Extract(const GrayImage &image);

// The template enrolled from several captures of one finger.
Template EnrolTemplate(std::span<const Template> captures);

// The similarity of two templates, 0 (nothing in common) to 1; the same for
// any rotation and shift of either finger.
float Compare(const Template &probe, const Template &candidate);

// The decision threshold, set for a false-match rate of at most 0.1 %
// (see bench/README.md for how it was measured).
constexpr float kMatchThreshold = 0.035f;
inline bool Matches(float score) { return score >= kMatchThreshold; }

}  // namespace fingermatch

#endif
