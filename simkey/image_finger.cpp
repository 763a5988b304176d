#include "simkey/image_finger.h"

#include <algorithm>
#include <set>

#include "fingermatch/template_format.h"
#include "fpdevice/status_words.h"

namespace simkey {
namespace {

constexpr uint8_t kTemplateMagic[] = {'F', 'M', 'T', 0};

}  // namespace

SensedImage senseImage(const fingermatch::GrayImage &image) {
    const auto result = fingermatch::Extract(image);
    SensedImage sensed;
    sensed.status = result.status;
    sensed.figures = result.figures;
    if (result.status == fingermatch::ExtractStatus::kOk) {
        sensed.features = fingermatch::Serialize(result.features);
    }
    return sensed;
}

uint32_t extractionStatusWord(fingermatch::ExtractStatus status) {
    switch (status) {
        case fingermatch::ExtractStatus::kOk: return SW_SUCCESS;
        case fingermatch::ExtractStatus::kPoorQuality: return SW_POOR_IMAGE;
        case fingermatch::ExtractStatus::kFewMinutiae: return SW_TOO_FEW_FEATURES;
        case fingermatch::ExtractStatus::kBadImage:
        case fingermatch::ExtractStatus::kSmallArea: break;
    }
    // An image the extractor cannot take at all shows no usable finger area.
    return SW_AREA_TOO_SMALL;
}

bool looksLikeImageTemplate(std::span<const uint8_t> bytes) {
    return bytes.size() >= sizeof kTemplateMagic &&
           std::equal(std::begin(kTemplateMagic), std::end(kTemplateMagic), bytes.begin());
}

std::optional<std::vector<uint8_t>> enrolImageTemplate(std::span<const std::vector<uint8_t>> extractions) {
    std::vector<fingermatch::Template> captures;
    for (const auto &bytes : extractions) {
        auto capture = fingermatch::Parse(bytes);
        if (!capture) {
            return std::nullopt;
        }
        captures.push_back(std::move(*capture));
    }
    const auto enrolled = fingermatch::EnrolTemplate(captures);
    // A template of one view means the other captures matched none: a smudge
    // and another finger, or three different fingers.
    std::set<uint8_t> views;
    for (const auto &minutia : enrolled.minutiae) {
        views.insert(minutia.view);
    }
    if (views.size() < 2) {
        return std::nullopt;
    }
    return fingermatch::Serialize(enrolled);
}

}  // namespace simkey
