#include "finger_capture.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <iostream>
#include <thread>

#include "fpdevice/dactyl.h"
#include "hxkmgr.h"
#include "result_meaning.h"
#include "scan_placement.h"
#include "simkey/device_info.h"

namespace fpkey {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kPollInterval = std::chrono::milliseconds(100);

// A capture's own result: the device call passes on which failure it was
// (dirty sensor, poor image, no finger yet), and the person needs to hear
// it: a dirty sensor wants wiping, not another try.
uint64_t Capture(DeviceContext *device) { return HXDactylCaptureImage(device); }

// Extraction results that ask for another capture rather than end the command.
bool AsksForAnotherCapture(uint64_t code) {
    return code == FP_E_STATUS_BASE + SW_POOR_IMAGE || code == FP_E_STATUS_BASE + SW_TOO_FEW_FEATURES ||
           code == FP_E_STATUS_BASE + SW_AREA_TOO_SMALL || code == FP_E_STATUS_BASE + SW_IMAGE_NOT_AVAILABLE;
}

// The simulated key, served behind pcscd too, keeps its virtual finger on
// the sensor between captures: nobody is there to lift it.
bool VirtualSensor(Cli &cli) {
    if (cli.Key().simulated()) return true;
    uint8_t info[256] = {};
    uint64_t length = 0;
    const size_t nameLength = std::strlen(simkey::kProductName);
    return HXDactylGetDeviceInfo(cli.Device(), info, &length) == FP_OK && length >= nameLength &&
           std::memcmp(info, simkey::kProductName, nameLength) == 0;
}

int KeyTimeOut(Cli &cli) {
    uint8_t seconds = 0;
    cli.Check("reading the key's time-out", HXDactylGetTimeOut(cli.Device(), &seconds));
    return std::max<int>(seconds, 1);
}

}  // namespace

FingerSensor::FingerSensor(Cli &cli, const FingerOptions &options)
    : cli_(cli), options_(options), timeoutSeconds_(options.timeoutSeconds) {
    if (!options.finger.empty() || !options.images.empty()) {
        if (!cli.Key().simulated()) throw UsageFailure{"--finger and --image only apply to a simulated key"};
    }
    if (timeoutSeconds_ == 0) timeoutSeconds_ = KeyTimeOut(cli);
    virtualSensor_ = VirtualSensor(cli);
    if (options.finger.empty()) {
        placed_ = !options.images.empty();  // each capture places its scan
        return;
    }
    if (HXSimPlaceFinger(cli.Device(), options.finger.c_str()) != 0) {
        throw UsageFailure{std::string("cannot place the virtual finger: ") + HXKeyLastError()};
    }
    placed_ = true;
}

FingerSensor::~FingerSensor() {
    if (placed_) HXSimLiftFinger(cli_.Device());
}

void FingerSensor::CaptureInto(uint8_t slot, size_t scan, const std::string &prompt) {
    for (int attempt = 1;; ++attempt) {
        if (!options_.images.empty()) {
            PlaceScan(cli_, cli_.Device(), options_.images[std::min(scan, options_.images.size() - 1)], options_.dpi);
        }
        AwaitImage(prompt);
        const uint64_t extracted = HXDactylFeatureExtract(cli_.Device(), slot);
        if (extracted == FP_OK) return;
        if (!AsksForAnotherCapture(extracted) || attempt == kCaptureAttempts) {
            cli_.Check("feature extraction", extracted);
        }
        cli_.Say(ResultMeaning(extracted) +
                 (virtualSensor_ ? ": capturing again (" : ": lift your finger and place it again (") +
                 std::to_string(attempt + 1) + " of " + std::to_string(kCaptureAttempts) + ")");
        AwaitLift();
    }
}

void FingerSensor::AwaitLift() {
    if (virtualSensor_) return;
    const auto deadline = Clock::now() + std::chrono::seconds(timeoutSeconds_);
    if (!cli_.json) std::cerr << "lift your finger off the sensor" << std::flush;
    for (;;) {
        const uint64_t result = Capture(cli_.Device());
        if (result == FP_E_CAPTURE_PENDING) break;
        if (Clock::now() >= deadline) {
            if (!cli_.json) std::cerr << '\n';
            cli_.Check("waiting for the finger to be lifted (" + std::to_string(timeoutSeconds_) + " s)",
                       result == FP_OK ? FP_E_CAPTURE_FAILED : result);
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    if (!cli_.json) std::cerr << " done\n";
}

void FingerSensor::AwaitImage(const std::string &prompt) {
    const auto deadline = Clock::now() + std::chrono::seconds(timeoutSeconds_);
    bool prompted = false;
    int waited = 0;
    for (;;) {
        const uint64_t result = Capture(cli_.Device());
        if (result == FP_OK) break;
        // The key gone or not ours: waiting longer cures neither.
        if (result == FP_E_UNKNOWN_STATUS || result == FP_E_LOCK) cli_.Check("capture", result);
        if (Clock::now() >= deadline) {
            if (prompted && !cli_.json) std::cerr << '\n';
            const std::string within = " within " + std::to_string(timeoutSeconds_) + " s";
            cli_.Check(result == FP_E_CAPTURE_PENDING ? "capture (no finger" + within + ")"
                                                      : "capture (no usable image" + within + ")",
                       result);
        }
        if (!cli_.json) {
            if (!prompted) {
                std::cerr << prompt;
                if (cli_.Key().simulated()) std::cerr << " (simulated key: run 'fpkey sim touch LABEL')";
                prompted = true;
            }
            if (++waited % 5 == 0) std::cerr << '.' << std::flush;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    if (prompted && !cli_.json) std::cerr << " got it\n";
}

void AddFingerOptions(CLI::App &command, FingerOptions &options) {
    auto *finger =
        command.add_option("--finger", options.finger, "Simulated key: the virtual finger to place (a label)");
    auto *image =
        command.add_option("--image", options.images, "Simulated key: a scan (PGM or PNG) to place, one per capture")
            ->check(CLI::ExistingFile)
            ->excludes(finger);
    command.add_option("--dpi", options.dpi, "Resolution of the scans")->check(CLI::Range(250, 2000))->needs(image);
    command
        .add_option("--timeout", options.timeoutSeconds, "Seconds to wait for a finger (default: the key's time-out)")
        ->check(CLI::Range(1, 600));
}

}  // namespace fpkey
