#include "finger_capture.h"

#include <algorithm>
#include <chrono>
#include <iostream>
#include <thread>

#include "fpdevice/dactyl.h"
#include "hxkmgr.h"
#include "scan_placement.h"

namespace fpkey {

PlacedFinger::PlacedFinger(Cli &cli, const FingerOptions &options) : cli_(cli) {
    if (options.finger.empty() && options.images.empty()) return;
    if (!cli.Key().simulated()) throw UsageFailure{"--finger and --image only apply to a simulated key"};
    if (options.finger.empty()) {
        placed_ = true;  // each capture places its scan
        return;
    }
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
    if (!options.images.empty()) {
        PlaceScan(cli, cli.Device(), options.images[std::min<size_t>(slot - 1u, options.images.size() - 1)],
                  options.dpi);
    }
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
    auto *finger =
        command.add_option("--finger", options.finger, "Simulated key: the virtual finger to place (a label)");
    auto *image =
        command.add_option("--image", options.images, "Simulated key: a scan (PGM or PNG) to place, one per capture")
            ->check(CLI::ExistingFile)
            ->excludes(finger);
    command.add_option("--dpi", options.dpi, "Resolution of the scans")->check(CLI::Range(250, 2000))->needs(image);
    command.add_option("--timeout", options.timeoutSeconds, "Seconds to wait for a finger")
        ->check(CLI::Range(1, 600))
        ->capture_default_str();
}

}  // namespace fpkey
