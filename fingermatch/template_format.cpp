#include "fingermatch/template_format.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numbers>

namespace fingermatch {

namespace {

constexpr uint8_t kMagic[4] = {'F', 'M', 'T', 0};
constexpr float kTurn = 2.0f * std::numbers::pi_v<float>;
constexpr int kDirectionSteps = 256;
constexpr uint16_t kCoordinateMask = 0x3FFF;
constexpr uint8_t kHighestQuality = 100;

uint8_t DirectionStep(float direction) {
    const long step = std::lround(direction / kTurn * kDirectionSteps);
    return static_cast<uint8_t>(((step % kDirectionSteps) + kDirectionSteps) % kDirectionSteps);
}

float StepDirection(uint8_t step) { return static_cast<float>(step) * kTurn / kDirectionSteps; }

void Put16(std::vector<uint8_t> *out, uint16_t value) {
    out->push_back(static_cast<uint8_t>(value >> 8));
    out->push_back(static_cast<uint8_t>(value & 0xFF));
}

uint16_t Get16(std::span<const uint8_t> bytes, size_t at) {
    return static_cast<uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

uint32_t Checksum(std::span<const uint8_t> header, std::span<const uint8_t> minutiae) {
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, header.data(), static_cast<uInt>(header.size()));
    crc = crc32(crc, minutiae.data(), static_cast<uInt>(minutiae.size()));
    return static_cast<uint32_t>(crc);
}

}  // namespace

void FitToTemplateFile(Template *features) {
    auto &minutiae = features->minutiae;
    std::erase_if(minutiae, [](const Minutia &m) { return m.view >= kMaxViews; });
    for (Minutia &m : minutiae) m.direction = StepDirection(DirectionStep(m.direction));
    if (minutiae.size() <= kMaxStoredMinutiae) return;
    uint8_t views = 1;
    for (const Minutia &m : minutiae) views = std::max(views, static_cast<uint8_t>(m.view + 1));
    const size_t share = kMaxStoredMinutiae / views;
    std::vector<Minutia> kept;
    for (uint8_t view = 0; view < views; ++view) {
        std::vector<Minutia> own;
        std::copy_if(minutiae.begin(), minutiae.end(), std::back_inserter(own),
                     [view](const Minutia &m) { return m.view == view; });
        if (own.size() > share) {
            double cx = 0.0, cy = 0.0;
            for (const Minutia &m : own) {
                cx += m.x;
                cy += m.y;
            }
            cx /= static_cast<double>(own.size());
            cy /= static_cast<double>(own.size());
            const auto spread = [cx, cy](const Minutia &m) { return std::hypot(m.x - cx, m.y - cy); };
            std::stable_sort(own.begin(), own.end(), [&](const Minutia &a, const Minutia &b) {
                if (a.quality != b.quality) return a.quality > b.quality;
                return spread(a) < spread(b);
            });
            own.resize(share);
        }
        kept.insert(kept.end(), own.begin(), own.end());
    }
    minutiae = std::move(kept);
}

std::vector<uint8_t> Serialize(const Template &original) {
    Template features = original;
    FitToTemplateFile(&features);
    std::vector<uint8_t> out(std::begin(kMagic), std::end(kMagic));
    out.push_back(kTemplateVersion);
    out.push_back(0);
    Put16(&out, features.width);
    Put16(&out, features.height);
    Put16(&out, static_cast<uint16_t>(features.minutiae.size()));
    std::vector<uint8_t> records;
    for (const Minutia &m : features.minutiae) {
        Put16(&records, static_cast<uint16_t>((static_cast<unsigned>(m.type) << 14) |
                                              (static_cast<unsigned>(m.x) & kCoordinateMask)));
        Put16(&records, static_cast<uint16_t>((static_cast<unsigned>(m.view) << 14) |
                                              (static_cast<unsigned>(m.y) & kCoordinateMask)));
        records.push_back(DirectionStep(m.direction));
        records.push_back(std::min(m.quality, kHighestQuality));
    }
    const uint32_t crc = Checksum(out, records);
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(crc >> shift));
    out.insert(out.end(), records.begin(), records.end());
    return out;
}

std::optional<Template> Parse(std::span<const uint8_t> bytes) {
    if (bytes.size() < kTemplateHeaderSize || !std::equal(std::begin(kMagic), std::end(kMagic), bytes.begin()) ||
        bytes[4] != kTemplateVersion || bytes[5] != 0) {
        return std::nullopt;
    }
    Template features;
    features.width = Get16(bytes, 6);
    features.height = Get16(bytes, 8);
    const size_t count = Get16(bytes, 10);
    const size_t end = kTemplateHeaderSize + count * kStoredMinutiaSize;
    if (features.width == 0 || features.height == 0 || count > kMaxStoredMinutiae || end > bytes.size() ||
        !std::all_of(bytes.begin() + static_cast<std::ptrdiff_t>(end), bytes.end(), [](uint8_t b) { return b == 0; })) {
        return std::nullopt;
    }
    const auto records = bytes.subspan(kTemplateHeaderSize, count * kStoredMinutiaSize);
    const uint32_t stored = (static_cast<uint32_t>(bytes[12]) << 24) | (static_cast<uint32_t>(bytes[13]) << 16) |
                            (static_cast<uint32_t>(bytes[14]) << 8) | bytes[15];
    if (Checksum(bytes.first(12), records) != stored) return std::nullopt;
    for (size_t i = 0; i < count; ++i) {
        const size_t at = i * kStoredMinutiaSize;
        const uint16_t first = Get16(records, at);
        const uint16_t second = Get16(records, at + 2);
        const unsigned type = first >> 14;
        Minutia m;
        m.x = first & kCoordinateMask;
        m.y = second & kCoordinateMask;
        m.direction = StepDirection(records[at + 4]);
        m.quality = records[at + 5];
        m.view = static_cast<uint8_t>(second >> 14);
        if ((type != static_cast<unsigned>(MinutiaType::kEnding) &&
             type != static_cast<unsigned>(MinutiaType::kBifurcation)) ||
            m.view >= kMaxViews || m.x >= features.width || m.y >= features.height || m.quality > kHighestQuality) {
            return std::nullopt;
        }
        m.type = static_cast<MinutiaType>(type);
        features.minutiae.push_back(m);
    }
    return features;
}

}  // namespace fingermatch
