#include "template_index.h"

#include <cstring>

#include "fpdevice/dactyl.h"

namespace fpkey {

TemplateIndex TemplateIndex::Read(Cli &cli) {
    TemplateIndex index;
    uint8_t capacity = 0;
    cli.Check("reading the template capacity", HXDactylGetMaxTmpltNum(cli.Device(), &capacity));
    index.capacity_ = capacity;
    index.bytes_.assign(FP_INDEX_MAX_BYTES, 0);
    if (capacity != 0) {
        cli.Check("reading the template index", HXDactylReadIndexFile(cli.Device(), index.bytes_.data()));
    }
    return index;
}

const uint8_t *TemplateIndex::entry(unsigned number) const { return bytes_.data() + FP_INDEX_ENTRY_OFFSET(number); }

bool TemplateIndex::enrolled(unsigned number) const {
    return number >= 1 && number <= capacity_ && FpIndexEntryEnrolled(entry(number));
}

unsigned TemplateIndex::enrolledCount() const {
    unsigned count = 0;
    for (unsigned n = 1; n <= capacity_; ++n) count += enrolled(n);
    return count;
}

std::string TemplateIndex::description(unsigned number) const {
    std::string text(reinterpret_cast<const char *>(FpIndexEntryCallerData(entry(number))), FP_INDEX_CALLER_DATA_SIZE);
    text.resize(strnlen(text.data(), text.size()));
    for (char &c : text) {
        if (c < 0x20 || c > 0x7E) c = '.';
    }
    return text;
}

std::string TemplateIndex::Name(unsigned number) const {
    const std::string text = description(number);
    return "template " + std::to_string(number) + " (" + (text.empty() ? "no description" : "'" + text + "'") +
           ", tag " + std::to_string(FpIndexEntryTag(entry(number))) + ")";
}

void TemplateIndex::RequireNumber(unsigned number) const {
    if (number >= 1 && number <= capacity_) return;
    throw UsageFailure{"template " + std::to_string(number) + " does not exist: the key holds templates 1 to " +
                       std::to_string(capacity_)};
}

}  // namespace fpkey
