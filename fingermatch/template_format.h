// The stored form of a template: what enrolment writes into the key's
// template file and matching reads back.
//
// All numbers high byte first:
//   0  4  magic "FMT" and 0x00
//   4  1  format version, 1
//   5  1  flags, 0
//   6  2  width of the 500 dpi image
//   8  2  height of the 500 dpi image
//  10  2  number of minutiae n
//  12  4  CRC-32 of bytes 0 ... 11 and of the minutiae
//  16  6n minutiae, each as the card formats of ISO/IEC 19794-2 write one:
//         type (2 bits: 01 ending, 10 bifurcation) and x (14 bits),
//         view (2 bits, the capture of the enrolment: 0 ... 2; the
//         standard leaves these bits reserved) and y (14 bits), direction
//         in 256ths of a turn, quality 0 ... 100
// The key's file may be longer than the template; the rest of it is zeros.
#ifndef FINGERMATCH_TEMPLATE_FORMAT_H
#define FINGERMATCH_TEMPLATE_FORMAT_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "fingermatch/minutia.h"

namespace fingermatch {

// The template file enrolment creates on the key holds 904 bytes.
constexpr size_t kTemplateFileSize = 904;
constexpr size_t kTemplateHeaderSize = 16;
constexpr size_t kStoredMinutiaSize = 6;
constexpr size_t kMaxStoredMinutiae = (kTemplateFileSize - kTemplateHeaderSize) / kStoredMinutiaSize;
constexpr uint8_t kTemplateVersion = 1;

// Makes a template storable as it is: directions rounded to the stored
// steps and, past the file's capacity, the minutiae of least quality left
// out (of equal quality, those farthest from the minutiae's centre first,
// the order ISO/IEC 19794-2 gives for cards), each view keeping an equal
// share of the file.
void FitToTemplateFile(Template *features);

// The stored bytes of a template (fitted to the file first if need be).
std::vector<uint8_t> Serialize(const Template &features);

// The template in stored bytes, or nothing when they are not one: wrong
// magic, version or flags, a count the bytes do not hold or the file cannot,
// a minutia off the image or of no known type, a checksum that disagrees, or
// anything but zeros after the minutiae.
std::optional<Template> Parse(std::span<const uint8_t> bytes);

}  // namespace fingermatch

#endif
