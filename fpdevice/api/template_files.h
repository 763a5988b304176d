// Template files: which file numbers enrolment may hand out, and getting a
// file for a new index entry.
//
// The next-file record holds the next number to hand out. A number is
// skipped when its id is one of the key's own files or is named by an index
// entry, and after the last number whose id fits 16 bits the numbers start
// over, so that they never run out.
#ifndef FPDEVICE_API_TEMPLATE_FILES_H
#define FPDEVICE_API_TEMPLATE_FILES_H

#include <cstdint>

#include "fpdevice/dactyl.h"
#include "transport/template_file_ids.h"

namespace fpdevice {

constexpr uint8_t kTemplateFileParameters[] = {0x28, 0x03, 0x88, 0xEF, 0xEF, 0xFF, 0xFF};

// The caller's copy of the whole template index.
struct IndexCopy {
    const uint8_t *entries;
    uint8_t capacity;
};

enum class Allocation { kDone, kNoNumber, kNotCreated };

// Creates the template file of the next usable number and advances the
// record past it; *fileId is set on kDone. A file already at that number
// that no entry names was left by an enrolment cut short before it named it,
// and is taken over. A key without room gets the files of such enrolments
// below that number erased, and one more try.
Allocation AllocateTemplateFile(DeviceContext *hDev, const IndexCopy &index, uint16_t *fileId);

}  // namespace fpdevice

#endif
