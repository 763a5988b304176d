#include "simkey/connection.h"

#include <utility>

#include "simkey/card.h"
#include "simkey/status_report.h"
#include "simkey/status_words.h"

namespace simkey {
namespace {

constexpr size_t kMaxShortResponse = 256;

}  // namespace

Connection::Connection(const std::filesystem::path &statePath, bool t0) : store_(statePath), t0_(t0) {}

void Connection::open(ShareMode mode, std::chrono::milliseconds wait) {
    std::lock_guard guard(mutex_);
    mode_ = mode;
    wait_ = wait;
    if (mode != ShareMode::direct) {
        claim_.emplace(store_.path(), mode == ShareMode::exclusive ? LockKind::exclusive : LockKind::shared, wait);
    }
    store_.sweepLeftovers();
    session_.resetCount = store_.update([](KeyState &key) { return key.resetCount; });
}

Answer Connection::exchange(std::span<const uint8_t> apdu) {
    std::lock_guard guard(mutex_);
    if (mode_ == ShareMode::direct) {
        throw CommandsNotAllowed(
            "this connection only drives the simulated key's sensor and controls; "
            "open the key exclusively or shared to send it commands");
    }
    const auto command = parseCommand(apdu);
    if (!command) {
        pendingResponse_.clear();
        return Answer::withStatus(SW_WRONG_LENGTH);
    }
    if (command->cla == 0x00 && command->ins == 0xC0) {
        return getResponse(*command);
    }
    pendingResponse_.clear();
    Answer answer = process(*command);
    if (t0_ && answer.status == SW_SUCCESS && !answer.data.empty()) {
        // T=0 carries no data with the answer: the host fetches it.
        pendingResponse_ = std::move(answer.data);
        return Answer::withStatus(SW_MORE_DATA_BASE | (pendingResponse_.size() & 0xFF));
    }
    return answer;
}

Answer Connection::process(const Command &command) {
    // A change that cannot be stored must not leave the session ahead of the key.
    const Session before = session_;
    try {
        return store_.update([&](KeyState &key) {
            CardContext card{key, session_, image_};
            return processCommand(card, command);
        });
    } catch (...) {
        session_ = before;
        throw;
    }
}

Answer Connection::getResponse(const Command &command) {
    if (command.hasData() || !command.ne) {
        return Answer::withStatus(SW_WRONG_LENGTH);
    }
    if (command.p1p2() != 0) {
        return Answer::withStatus(SW_WRONG_P1P2);
    }
    if (pendingResponse_.empty()) {
        return Answer::withStatus(SW_CONDITIONS_NOT_SATISFIED);
    }
    // Data travels only with 0x9000, so a wrong Le gets 0x6Cxx (xx = the
    // bytes waiting) and the data stays for a GET RESPONSE that asks right.
    const size_t available = pendingResponse_.size();
    if (*command.ne != available && *command.ne != kMaxShortResponse) {
        return Answer::withStatus(SW_WRONG_LE_BASE | (available & 0xFF));
    }
    return Answer::success(std::exchange(pendingResponse_, {}));
}

void Connection::placeFinger(const std::string &label) {
    std::lock_guard guard(mutex_);
    store_.update([&](KeyState &key) { return key.imageOnSensor.reset(), key.fingerOnSensor = label, 0; });
}

void Connection::placeImage(const fingermatch::GrayImage &image) {
    // The features are taken before the key is held: extraction takes a while.
    const SensedImage sensed = senseImage(image);
    std::lock_guard guard(mutex_);
    store_.update([&](KeyState &key) { return key.fingerOnSensor.reset(), key.imageOnSensor = sensed, 0; });
}

void Connection::liftFinger() {
    std::lock_guard guard(mutex_);
    store_.update([](KeyState &key) { return key.fingerOnSensor.reset(), key.imageOnSensor.reset(), 0; });
}

void Connection::injectFault(const Fault &fault) {
    std::lock_guard guard(mutex_);
    store_.update([&](KeyState &key) { return key.faults.push_back(fault), 0; });
}

void Connection::clearFaults() {
    std::lock_guard guard(mutex_);
    store_.update([](KeyState &key) { return key.faults.clear(), 0; });
}

void Connection::unblock(BlockableCounter counter) {
    std::lock_guard guard(mutex_);
    store_.update([counter](KeyState &key) {
        if (counter == BlockableCounter::pin) return key.pinTries.restore(), 0;
        key.fingerTries.restore();
        clearLockMark(key);
        return 0;
    });
}

void Connection::resetKey() {
    std::lock_guard guard(mutex_);
    // A reset is a change of the whole key: never in the middle of another
    // program's operation.
    std::optional<KeyClaim> resetting;
    if (mode_ != ShareMode::exclusive) {
        resetting.emplace(store_.path(), LockKind::exclusive, wait_);
    }
    store_.resetToFactory();
    pendingResponse_.clear();
    image_ = ImageDownload{};
}

std::string Connection::statusJson() {
    std::lock_guard guard(mutex_);
    return store_.update([&](KeyState &key) {
        session_.followKey(key.resetCount);
        return statusReport(key, session_, ConnectionFacts{store_.path(), t0_, image_.lines, image_.lineBytes});
    });
}

ImageDownload Connection::lastImage() {
    std::lock_guard guard(mutex_);
    return image_;
}

}  // namespace simkey
