#include "scripted_device.h"

#include <algorithm>
#include <chrono>

#include "fpdevice/dactyl.h"
#include "hxpkcs.h"

namespace authdlg_test {

ScriptedDevice &ScriptedDevice::Get() {
    static ScriptedDevice device;
    return device;
}

void ScriptedDevice::Reset(uint8_t mode) {
    std::lock_guard lock(mutex_);
    authResult_ = 0;
    dactyl_ = 1;
    verifyMode_ = mode;
    verifyModeResult_ = 0;
    capacity_ = 10;
    index_.assign(capacity_ * FP_INDEX_ENTRY_SIZE, 0);
    FpIndexEntrySetEnrolled(index_.data() + FP_INDEX_ENTRY_OFFSET(1), 1);
    capacityResult_ = 0;
    indexResult_ = 0;
    secStateResult_ = 0;
    secLevel_ = 1;
    captures_.clear();
    extractions_.clear();
    identifications_.clear();
    pinAnswers_.clear();
    holdCapture_ = false;
    captureHeld_ = false;
    mostInFlight_ = 0;
    calls_.clear();
    pins_.clear();
}

void ScriptedDevice::SetAuthResult(uint64_t result) {
    std::lock_guard lock(mutex_);
    authResult_ = result;
}

void ScriptedDevice::SetDactyl(int answer) {
    std::lock_guard lock(mutex_);
    dactyl_ = answer;
}

void ScriptedDevice::SetVerifyMode(uint8_t mode, uint64_t result) {
    std::lock_guard lock(mutex_);
    verifyMode_ = mode;
    verifyModeResult_ = result;
}

void ScriptedDevice::SetTemplates(uint8_t capacity, std::vector<uint8_t> enrolledNumbers, uint64_t capacityResult,
                                  uint64_t indexResult) {
    std::lock_guard lock(mutex_);
    capacity_ = capacity;
    index_.assign(static_cast<size_t>(capacity) * FP_INDEX_ENTRY_SIZE, 0);
    for (uint8_t number : enrolledNumbers) FpIndexEntrySetEnrolled(index_.data() + FP_INDEX_ENTRY_OFFSET(number), 1);
    capacityResult_ = capacityResult;
    indexResult_ = indexResult;
}

void ScriptedDevice::SetIndexMarker(uint8_t number, uint8_t marker) {
    std::lock_guard lock(mutex_);
    index_.at(FP_INDEX_ENTRY_OFFSET(number)) = marker;
}

void ScriptedDevice::SetSecurityState(uint64_t result, uint8_t level) {
    std::lock_guard lock(mutex_);
    secStateResult_ = result;
    secLevel_ = level;
}

void ScriptedDevice::QueueCaptures(std::vector<uint64_t> codes) {
    std::lock_guard lock(mutex_);
    captures_.insert(captures_.end(), codes.begin(), codes.end());
}

void ScriptedDevice::QueueExtractions(std::vector<uint64_t> codes) {
    std::lock_guard lock(mutex_);
    extractions_.insert(extractions_.end(), codes.begin(), codes.end());
}

void ScriptedDevice::QueueIdentifications(std::vector<Identification> answers) {
    std::lock_guard lock(mutex_);
    identifications_.insert(identifications_.end(), answers.begin(), answers.end());
}

void ScriptedDevice::QueuePinAnswers(std::vector<PinAnswerOfKey> answers) {
    std::lock_guard lock(mutex_);
    pinAnswers_.insert(pinAnswers_.end(), answers.begin(), answers.end());
}

void ScriptedDevice::HoldNextCapture(int milliseconds) {
    std::lock_guard lock(mutex_);
    holdCapture_ = true;
    holdMilliseconds_ = milliseconds;
}

void ScriptedDevice::ReleaseCapture() {
    {
        std::lock_guard lock(mutex_);
        holdCapture_ = false;
    }
    changed_.notify_all();
}

bool ScriptedDevice::WaitForHeldCapture(int seconds) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(seconds), [this] { return captureHeld_; });
}

std::vector<std::string> ScriptedDevice::Calls() {
    std::lock_guard lock(mutex_);
    return calls_;
}

int ScriptedDevice::Count(const std::string &call) {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count(calls_.begin(), calls_.end(), call));
}

int ScriptedDevice::MostInFlight() {
    std::lock_guard lock(mutex_);
    return mostInFlight_;
}

std::vector<std::string> ScriptedDevice::Pins() {
    std::lock_guard lock(mutex_);
    return pins_;
}

// Every call holds the mutex from its start to its answer, except a held
// capture, which waits without it: a call logged meanwhile is a second
// command in flight.
void ScriptedDevice::Log(std::string call) {
    mostInFlight_ = std::max(mostInFlight_, captureHeld_ ? 2 : 1);
    calls_.push_back(std::move(call));
}

uint64_t ScriptedDevice::AuthBio() {
    std::lock_guard lock(mutex_);
    Log("auth");
    return authResult_;
}

int ScriptedDevice::IsDactyl() {
    std::lock_guard lock(mutex_);
    Log("isDactyl");
    return dactyl_;
}

uint64_t ScriptedDevice::GetVerifyMode(uint8_t *mode) {
    std::lock_guard lock(mutex_);
    Log("getVerifyMode");
    if (verifyModeResult_ == 0) *mode = verifyMode_;
    return verifyModeResult_;
}

uint64_t ScriptedDevice::VerifyPin(const char *entry, const uint8_t *pin, uint8_t length, uint16_t *statusWord) {
    std::lock_guard lock(mutex_);
    Log(entry);
    // The PIN buffer holds 17 bytes: the PIN, then zeros.
    std::string bytes(reinterpret_cast<const char *>(pin), length);
    bool zeroPadded = true;
    for (size_t i = length; i < 17; ++i) zeroPadded = zeroPadded && pin[i] == 0;
    pins_.push_back(std::string(entry) + ":" + bytes + (zeroPadded ? "" : " (not zero-padded)"));
    if (pinAnswers_.empty()) return 0;
    const PinAnswerOfKey answer = pinAnswers_.front();
    pinAnswers_.pop_front();
    *statusWord = answer.statusWord;
    return answer.result;
}

uint64_t ScriptedDevice::GetMaxTmpltNum(uint8_t *count) {
    std::lock_guard lock(mutex_);
    Log("getMaxTmpltNum");
    if (capacityResult_ == 0) *count = capacity_;
    return capacityResult_;
}

uint64_t ScriptedDevice::ReadIndexFile(uint8_t *index) {
    std::lock_guard lock(mutex_);
    Log("readIndexFile");
    if (indexResult_ == 0) std::copy(index_.begin(), index_.end(), index);
    return indexResult_;
}

uint64_t ScriptedDevice::GetSecState(uint8_t *level) {
    std::lock_guard lock(mutex_);
    Log("getSecState");
    *level = secLevel_;
    return secStateResult_;
}

uint64_t ScriptedDevice::CaptureImage() {
    std::unique_lock lock(mutex_);
    Log("capture");
    if (holdCapture_) {
        captureHeld_ = true;
        changed_.notify_all();
        // Bounded, so that a test that forgets to release cannot hang.
        changed_.wait_for(lock, std::chrono::milliseconds(holdMilliseconds_), [this] { return !holdCapture_; });
        holdCapture_ = false;
        captureHeld_ = false;
    }
    if (captures_.empty()) return FP_E_CAPTURE_PENDING;
    const uint64_t code = captures_.front();
    captures_.pop_front();
    return code;
}

uint64_t ScriptedDevice::FeatureExtract(uint8_t slot) {
    std::lock_guard lock(mutex_);
    Log("extract " + std::to_string(slot));
    if (extractions_.empty()) return 0;
    const uint64_t code = extractions_.front();
    extractions_.pop_front();
    return code;
}

uint64_t ScriptedDevice::FeatureIdentify(uint8_t mode, uint8_t *matchNumber, uint8_t *retries) {
    std::lock_guard lock(mutex_);
    Log("identify " + std::to_string(mode));
    Identification answer{0, 1};
    if (!identifications_.empty()) {
        answer = identifications_.front();
        identifications_.pop_front();
    }
    if (answer.code == 0) *matchNumber = answer.matchNumber;
    if (answer.code != 0 && answer.writesRetries) *retries = answer.retries;
    return answer.code;
}

}  // namespace authdlg_test

// The device functions as the process exports them (the headers declare
// them with default visibility; the executable is linked with -rdynamic).
using authdlg_test::ScriptedDevice;

extern "C" {

uint64_t HXSCardAuthBio(DeviceContext *) { return ScriptedDevice::Get().AuthBio(); }
int HXIsDactyl(DeviceContext *) { return ScriptedDevice::Get().IsDactyl(); }
uint64_t HXDactylGetVerifyMode(DeviceContext *, uint8_t *mode) { return ScriptedDevice::Get().GetVerifyMode(mode); }
uint64_t HXSCardVerifyUserPinBio(DeviceContext *, const uint8_t *pin, uint8_t length, uint16_t *statusWord) {
    return ScriptedDevice::Get().VerifyPin("bio", pin, length, statusWord);
}
uint64_t HXSCardVerifyUserPin(DeviceContext *, const uint8_t *pin, uint8_t length, uint16_t *statusWord) {
    return ScriptedDevice::Get().VerifyPin("pkcs", pin, length, statusWord);
}
uint64_t HXDactylGetMaxTmpltNum(DeviceContext *, uint8_t *count) { return ScriptedDevice::Get().GetMaxTmpltNum(count); }
uint64_t HXDactylReadIndexFile(DeviceContext *, uint8_t *index) { return ScriptedDevice::Get().ReadIndexFile(index); }
uint64_t HXDactylGetSecState(DeviceContext *, uint8_t *level) { return ScriptedDevice::Get().GetSecState(level); }
uint64_t HXDactylCaptureImage(DeviceContext *) { return ScriptedDevice::Get().CaptureImage(); }
uint64_t HXDactylFeatureExtract(DeviceContext *, uint8_t slot) { return ScriptedDevice::Get().FeatureExtract(slot); }
uint64_t HXDactylFeatureIdentify(DeviceContext *, uint8_t mode, uint8_t *matchNumber, uint8_t *retries) {
    return ScriptedDevice::Get().FeatureIdentify(mode, matchNumber, retries);
}

}  // extern "C"
