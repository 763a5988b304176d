// The key's template index as the commands read it: which numbers exist,
// which hold a finger, and the description stored with each.
#ifndef FPKEY_TEMPLATE_INDEX_H
#define FPKEY_TEMPLATE_INDEX_H

#include <cstdint>
#include <string>
#include <vector>

#include "cli.h"

namespace fpkey {

class TemplateIndex {
public:
    // Reads the capacity and the index of the open key.
    static TemplateIndex Read(Cli &cli);

    unsigned capacity() const { return capacity_; }
    const uint8_t *entry(unsigned number) const;
    bool enrolled(unsigned number) const;
    unsigned enrolledCount() const;
    // The description stored with the template, unprintable bytes as '.'.
    std::string description(unsigned number) const;
    // "template 3 ('alice', tag 1)", for messages about an enrolled template.
    std::string Name(unsigned number) const;

    // Refuses a number the key has no template for, naming the range.
    void RequireNumber(unsigned number) const;

private:
    unsigned capacity_ = 0;
    std::vector<uint8_t> bytes_;
};

}  // namespace fpkey

#endif
