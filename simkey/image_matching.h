// The finger commands' work for image fingers: capture from the sensor or
// from a downloaded image, extraction into a feature slot, enrolment and
// the search for the best matching template.
#ifndef SIMKEY_IMAGE_MATCHING_H
#define SIMKEY_IMAGE_MATCHING_H

#include <cstddef>
#include <optional>
#include <vector>

#include "simkey/apdu.h"
#include "simkey/card.h"
#include "simkey/image_finger.h"

namespace simkey {

// What the sensor shows of an image finger: an image downloaded since the
// last capture, else the image finger on the sensor; nothing for a label
// or an empty sensor.
std::optional<SensedImage> captureImageFinger(CardContext &card);

// Extraction of the captured image finger into feature slot `slot` (0 based).
Answer extractImageFinger(KeyState &key, size_t slot);

// Enrolment of the three image feature slots into the template file.
Answer enrolImageFinger(KeyState &key, std::vector<uint8_t> &file, const Command &command);

// The index of the candidate whose template matches the image in feature
// slot 1 best, candidates.size() when none matches, or nothing when none
// matches and a candidate's template cannot be read.
std::optional<size_t> bestImageMatch(const KeyState &key, const std::vector<IndexEntry> &candidates);

}  // namespace simkey

#endif
