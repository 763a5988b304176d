// Arbitrary bytes as a stored template, as the simulated key reads one back
// from a template file. A template is either refused or one that stores back
// to the same bytes and compares without fault.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "fingermatch/fingermatch.h"
#include "fingermatch/template_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    const auto parsed = fingermatch::Parse(bytes);
    if (!parsed) return 0;
    if (parsed->minutiae.size() > fingermatch::kMaxStoredMinutiae) std::abort();
    const std::vector<uint8_t> stored = fingermatch::Serialize(*parsed);
    if (stored.size() > size || !std::equal(stored.begin(), stored.end(), bytes.begin())) std::abort();
    const float score = fingermatch::Compare(*parsed, *parsed);
    if (!(score >= 0.0f && score <= 1.0f)) std::abort();
    return 0;
}
