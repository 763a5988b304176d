// Virtual fingers: everything the sensor and the matcher see of a finger is
// derived from its label, so the same label always matches itself and
// nothing else.
#ifndef SIMKEY_VIRTUAL_FINGER_H
#define SIMKEY_VIRTUAL_FINGER_H

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "simkey/card_crypto.h"

namespace simkey {

// Empty when the label is usable, otherwise why not (length, characters).
std::string fingerLabelProblem(std::string_view label);

Digest fingerFeatures(std::string_view label);
// Image quality and covered area in percent, as the capture command reports them.
uint8_t captureQuality(std::string_view label);
uint8_t captureArea(std::string_view label);
uint8_t minutiaeCount(std::string_view label);

// What enrolment writes into a template file: magic, version, the feature
// digest, then the label (length byte and bytes).
struct TemplateRecord {
    Digest features{};
    std::string label;
};
std::vector<uint8_t> encodeTemplateRecord(const TemplateRecord &record);
std::optional<TemplateRecord> decodeTemplateRecord(std::span<const uint8_t> bytes);

}  // namespace simkey

#endif
