// Template file numbers and file ids. The next-file record counts in
// numbers, the key's file commands take ids: the template file of number n
// has the id n * 32.
#ifndef FPDEVICE_TRANSPORT_TEMPLATE_FILE_IDS_H
#define FPDEVICE_TRANSPORT_TEMPLATE_FILE_IDS_H

#include <cstdint>

namespace fpdevice {

constexpr unsigned kTemplateFileShift = 5;
// The key's master file; no template file may take its id.
constexpr uint16_t kMasterFileId = 0x3F00;

constexpr uint16_t TemplateFileId(uint16_t number) { return static_cast<uint16_t>(number << kTemplateFileShift); }
constexpr uint16_t TemplateFileNumber(uint16_t fileId) { return static_cast<uint16_t>(fileId >> kTemplateFileShift); }

}  // namespace fpdevice

#endif
