// Image fingers: real scans on the virtual sensor. The key keeps what its
// sensor made of a scan (the capture figures and the features), never the
// scan itself, and matches the features with the fingermatch matcher.
#ifndef SIMKEY_IMAGE_FINGER_H
#define SIMKEY_IMAGE_FINGER_H

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "fingermatch/fingermatch.h"

namespace simkey {

struct SensedImage {
    fingermatch::ExtractStatus status = fingermatch::ExtractStatus::kBadImage;
    fingermatch::CaptureFigures figures;
    std::vector<uint8_t> features;  // a stored template; empty unless status is kOk

    bool operator==(const SensedImage &other) const {
        return status == other.status && figures.fingerArea == other.figures.fingerArea &&
               figures.areaPercent == other.figures.areaPercent && figures.quality == other.figures.quality &&
               figures.minutiae == other.figures.minutiae && features == other.features;
    }
};

SensedImage senseImage(const fingermatch::GrayImage &image);

// The status word extraction answers for a capture of this status.
uint32_t extractionStatusWord(fingermatch::ExtractStatus status);

// Whether a template file holds an image finger's template (a good one or
// not): it starts as the stored template format does.
bool looksLikeImageTemplate(std::span<const uint8_t> bytes);

// The enrolled template of three extractions, or nothing when no two of
// them show the same finger.
std::optional<std::vector<uint8_t>> enrolImageTemplate(std::span<const std::vector<uint8_t>> extractions);

}  // namespace simkey

#endif
