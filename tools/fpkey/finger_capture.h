// Getting a finger onto the key's sensor and its features into a slot.
#ifndef FPKEY_FINGER_CAPTURE_H
#define FPKEY_FINGER_CAPTURE_H

#include <string>
#include <vector>

#include "cli.h"

namespace fpkey {

struct FingerOptions {
    std::string finger;  // simulated key: the virtual finger to place
    // Simulated key: scans to place instead, one per capture (the last one
    // again when there are fewer scans than captures).
    std::vector<std::string> images;
    int dpi = 500;
    int timeoutSeconds = 15;
};

// On a simulated key, places the virtual finger for the life of the object
// and lifts it at the end; on a real key it does nothing.
class PlacedFinger {
public:
    PlacedFinger(Cli &cli, const FingerOptions &options);
    ~PlacedFinger();
    PlacedFinger(const PlacedFinger &) = delete;
    PlacedFinger &operator=(const PlacedFinger &) = delete;

private:
    Cli &cli_;
    bool placed_ = false;
};

// Polls the capture until the key has an image (prompting the person while
// it waits), then extracts the features into `slot`.
void CaptureAndExtract(Cli &cli, const FingerOptions &options, uint8_t slot, const std::string &prompt);

void AddFingerOptions(CLI::App &command, FingerOptions &options);

}  // namespace fpkey

#endif
