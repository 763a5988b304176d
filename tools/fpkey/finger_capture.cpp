#include "finger_capture.h"

#include <chrono>
#include <iostream>
#include <thread>

#include "fpdevice/dactyl.h"
#include "hxkmgr.h"

namespace fpkey {

PlacedFinger::PlacedFinger(Cli &cli, const FingerOptions &options) : cli_(cli) {
    if (options.finger.empty()) return;
    if (!cli.Key().simulated()) throw UsageFailure{"--finger only applies to a simulated key"};
    if (HXSimPlaceFinger(cli.Device(), options.finger.c_str()) != 0) {
        throw UsageFailure{std::string("cannot place the virtual finger: ") + HXKeyLastError()};
    }
    placed_ = true;
}

PlacedFinger::~PlacedFinger() {
    if (placed_) HXSimLiftFinger(cli_.Device());
}

void CaptureAndExtract(Cli &cli, const FingerOptions &options, uint8_t slot, const std::string &prompt) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(options.timeoutSeconds);
    bool prompted = false;
    int waited = 0;
    for (;;) {
        const uint64_t captured = HXDactylCaptureImage(cli.Device());
        if (captured == FP_OK) break;
        if (captured != FP_E_CAPTURE_PENDING && captured != FP_E_CAPTURE_FAILED) cli.Check("capture", captured);
        if (Clock::now() >= deadline) {
            if (prompted && !cli.json) std::cerr << '\n';
            cli.Check("capture (no finger within " + std::to_string(options.timeoutSeconds) + " s)", captured);
        }
        if (!cli.json) {
            if (!prompted) {
                std::cerr << prompt;
                if (cli.Key().simulated()) std::cerr << " (simulated key: run 'fpkey sim touch LABEL')";
                prompted = true;
            }
            if (++waited % 5 == 0) std::cerr << '.' << std::flush;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (prompted && !cli.json) std::cerr << " got it\n";
    cli.Check("feature extraction", HXDactylFeatureExtract(cli.Device(), slot));
}

void AddFingerOptions(CLI::App &command, FingerOptions &options) {
    command.add_option("--finger", options.finger, "Simulated key: the virtual finger to place (a label)");
    command.add_option("--timeout", options.timeoutSeconds, "Seconds to wait for a finger")
        ->check(CLI::Range(1, 600))
        ->capture_default_str();
}

}  // namespace fpkey
