// A scripted double of the device functions the login library calls. This
// executable defines HXSCardAuthBio, HXIsDactyl, the HXDactyl... calls and
// HXSCardVerifyUserPin itself, and exports them, so the library's
// dlsym(RTLD_DEFAULT, ...) finds these. Each test sets the answers first;
// the worker thread and the GUI thread then call in concurrently, so all
// state sits behind one mutex.
#ifndef AUTHDLG_TESTS_SCRIPTED_DEVICE_H
#define AUTHDLG_TESTS_SCRIPTED_DEVICE_H

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "fpdevice/transport.h"

namespace authdlg_test {

struct Identification {
    uint64_t code;
    uint8_t matchNumber = 0;
    uint8_t retries = 0;
    bool writesRetries = true;  // the key reports a retry count with this answer
};

struct PinAnswerOfKey {
    uint64_t result;
    uint16_t statusWord;
};

class ScriptedDevice {
public:
    static ScriptedDevice &Get();

    // A key in verify mode `mode` with template 1 enrolled and every
    // command succeeding; no captures scripted (the sensor stays empty).
    void Reset(uint8_t mode = 1);

    // ---- the script (set before the dialog runs) ----
    void SetAuthResult(uint64_t result);
    void SetDactyl(int answer);
    void SetVerifyMode(uint8_t mode, uint64_t result = 0);
    void SetTemplates(uint8_t capacity, std::vector<uint8_t> enrolledNumbers, uint64_t capacityResult = 0,
                      uint64_t indexResult = 0);
    // The first byte of template `number`'s index record.
    void SetIndexMarker(uint8_t number, uint8_t marker);
    void SetSecurityState(uint64_t result, uint8_t level);
    void QueueCaptures(std::vector<uint64_t> codes);                 // then 0x80006A0E for ever
    void QueueExtractions(std::vector<uint64_t> codes);              // then 0
    void QueueIdentifications(std::vector<Identification> answers);  // then a match with template 1
    void QueuePinAnswers(std::vector<PinAnswerOfKey> answers);       // both PIN entries; then 0
    // The next capture blocks until ReleaseCapture, or for `milliseconds`
    // at most (a slow capture).
    void HoldNextCapture(int milliseconds = 10000);
    void ReleaseCapture();
    // Waits until a held capture has begun.
    bool WaitForHeldCapture(int seconds = 5);

    // ---- what was called ----
    std::vector<std::string> Calls();
    int Count(const std::string &call);
    // The most commands the key had to take at once (1 for a host that waits
    // for each answer).
    int MostInFlight();
    // The bytes and length of each PIN handed over ("bio:1234" or "pkcs:1234").
    std::vector<std::string> Pins();

    // ---- the device functions ----
    uint64_t AuthBio();
    int IsDactyl();
    uint64_t GetVerifyMode(uint8_t *mode);
    uint64_t VerifyPin(const char *entry, const uint8_t *pin, uint8_t length, uint16_t *statusWord);
    uint64_t GetMaxTmpltNum(uint8_t *count);
    uint64_t ReadIndexFile(uint8_t *index);
    uint64_t GetSecState(uint8_t *level);
    uint64_t CaptureImage();
    uint64_t FeatureExtract(uint8_t slot);
    uint64_t FeatureIdentify(uint8_t mode, uint8_t *matchNumber, uint8_t *retries);

private:
    void Log(std::string call);

    std::mutex mutex_;
    std::condition_variable changed_;
    uint64_t authResult_ = 0;
    int dactyl_ = 1;
    uint8_t verifyMode_ = 1;
    uint64_t verifyModeResult_ = 0;
    uint8_t capacity_ = 10;
    std::vector<uint8_t> index_;
    uint64_t capacityResult_ = 0;
    uint64_t indexResult_ = 0;
    uint64_t secStateResult_ = 0;
    uint8_t secLevel_ = 1;
    std::deque<uint64_t> captures_;
    std::deque<uint64_t> extractions_;
    std::deque<Identification> identifications_;
    std::deque<PinAnswerOfKey> pinAnswers_;
    bool holdCapture_ = false;
    int holdMilliseconds_ = 0;
    bool captureHeld_ = false;
    int mostInFlight_ = 0;
    std::vector<std::string> calls_;
    std::vector<std::string> pins_;
};

}  // namespace authdlg_test

#endif
