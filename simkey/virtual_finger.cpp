#include "simkey/virtual_finger.h"

#include <algorithm>
#include <array>

#include "simkey/key_state.h"

namespace simkey {
namespace {

constexpr std::string_view kFeatureDomain = "fpkey simulated finger features v1";
constexpr std::array<uint8_t, 4> kTemplateMagic{'S', 'F', 'T', 'R'};
constexpr uint8_t kTemplateVersion = 1;

// Length of a well-formed UTF-8 sequence starting at text[i], or 0.
size_t utf8SequenceLength(std::string_view text, size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t length = 0;
    unsigned minimum = 0;
    unsigned codePoint = 0;
    if (lead < 0x80) {
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, minimum = 0x80, codePoint = lead & 0x1Fu;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, minimum = 0x800, codePoint = lead & 0x0Fu;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, minimum = 0x10000, codePoint = lead & 0x07u;
    } else {
        return 0;
    }
    if (i + length > text.size()) {
        return 0;
    }
    for (size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        codePoint = (codePoint << 6) | (next & 0x3Fu);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        return 0;
    }
    return length;
}

}  // namespace

std::string fingerLabelProblem(std::string_view label) {
    if (label.empty()) {
        return "the finger label is empty";
    }
    if (label.size() > kMaxFingerLabelLength) {
        return "the finger label is longer than " + std::to_string(kMaxFingerLabelLength) + " bytes";
    }
    for (size_t i = 0; i < label.size();) {
        const size_t length = utf8SequenceLength(label, i);
        if (length == 0) {
            return "the finger label is not valid UTF-8";
        }
        if (length == 1 && (static_cast<unsigned char>(label[i]) < 0x20 || label[i] == 0x7F)) {
            return "the finger label contains a control character";
        }
        i += length;
    }
    return {};
}

Digest fingerFeatures(std::string_view label) {
    std::string text(kFeatureDomain);
    text += '\0';
    text += label;
    return sha256(text);
}

uint8_t captureQuality(std::string_view label) { return static_cast<uint8_t>(60 + fingerFeatures(label)[0] % 41); }

uint8_t captureArea(std::string_view label) { return static_cast<uint8_t>(50 + fingerFeatures(label)[1] % 51); }

uint8_t minutiaeCount(std::string_view label) { return static_cast<uint8_t>(20 + fingerFeatures(label)[2] % 31); }

std::vector<uint8_t> encodeTemplateRecord(const TemplateRecord &record) {
    std::vector<uint8_t> bytes(kTemplateMagic.begin(), kTemplateMagic.end());
    bytes.push_back(kTemplateVersion);
    bytes.insert(bytes.end(), record.features.begin(), record.features.end());
    bytes.push_back(static_cast<uint8_t>(record.label.size()));
    bytes.insert(bytes.end(), record.label.begin(), record.label.end());
    return bytes;
}

std::optional<TemplateRecord> decodeTemplateRecord(std::span<const uint8_t> bytes) {
    constexpr size_t kHeader = kTemplateMagic.size() + 1;
    constexpr size_t kFixed = kHeader + std::tuple_size_v<Digest> + 1;
    if (bytes.size() < kFixed || !std::equal(kTemplateMagic.begin(), kTemplateMagic.end(), bytes.begin()) ||
        bytes[kTemplateMagic.size()] != kTemplateVersion) {
        return std::nullopt;
    }
    TemplateRecord record;
    std::copy_n(bytes.begin() + kHeader, record.features.size(), record.features.begin());
    const size_t labelLength = bytes[kFixed - 1];
    if (bytes.size() < kFixed + labelLength) {
        return std::nullopt;
    }
    record.label.assign(bytes.begin() + kFixed, bytes.begin() + static_cast<std::ptrdiff_t>(kFixed + labelLength));
    return record;
}

}  // namespace simkey
