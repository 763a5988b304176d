// Getting a finger onto the key's sensor and its features into a slot.
#ifndef FPKEY_FINGER_CAPTURE_H
#define FPKEY_FINGER_CAPTURE_H

#include <cstdint>
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
    int timeoutSeconds = 0;  // 0: the key's own time-out
};

// The sensor for the length of one command. On a simulated key it places
// the virtual finger for the life of the object and lifts it at the end.
class FingerSensor {
public:
    // A capture the key cannot use (poor image, too few features, too small
    // an area) is asked for again, this many captures in all.
    static constexpr int kCaptureAttempts = 3;

    FingerSensor(Cli &cli, const FingerOptions &options);
    ~FingerSensor();
    FingerSensor(const FingerSensor &) = delete;
    FingerSensor &operator=(const FingerSensor &) = delete;

    // Captures a finger (scan number `scan` of --image) and extracts its
    // features into `slot`, prompting the person while it waits.
    void CaptureInto(uint8_t slot, size_t scan, const std::string &prompt);
    // On a real key, waits until the finger has left the sensor, so that the
    // next capture is a new placement; a simulated finger just stays.
    void AwaitLift();

private:
    void AwaitImage(const std::string &prompt);

    Cli &cli_;
    const FingerOptions &options_;
    int timeoutSeconds_;
    bool virtualSensor_ = false;
    bool placed_ = false;
};

void AddFingerOptions(CLI::App &command, FingerOptions &options);

}  // namespace fpkey

#endif
