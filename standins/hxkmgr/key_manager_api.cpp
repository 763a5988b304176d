// The C entry points of the stand-in key manager.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>

#include "connection_registry.h"
#include "hxkmgr.h"
#include "pcsc_backend.h"
#include "fingermatch/resolution.h"
#include "simkey/key_address.h"
#include "simkey/status_words.h"
#include "simkey/virtual_finger.h"

namespace {

using hxkmgr::registry;

constexpr int kOpenFailed = -1;
constexpr int kKeyBusy = -2;
constexpr int kNotSimulated = -1;
constexpr int kBadArgument = -2;
constexpr int kStateFailure = -3;
constexpr uint64_t kMaxCommandLength = 4 + 1 + 255 + 1;
// What a PC/SC transport answers when the response does not fit the buffer.
constexpr uint32_t kInsufficientBuffer = 0x80100008u;

thread_local std::string lastError;

void setError(std::string message) { lastError = std::move(message); }

std::shared_ptr<simkey::Connection> connectionOf(const DeviceContext *context, const char *caller) {
    auto connection = context ? registry().find(context->keyManagerHandle) : nullptr;
    if (!connection) {
        setError(std::string(caller) + ": the device context is not an open simulated key");
    }
    return connection;
}

// Runs a control operation on the key behind the context, turning failures into codes.
template <class Operation>
int control(DeviceContext *context, const char *caller, Operation &&operation) {
    const auto connection = connectionOf(context, caller);
    if (!connection) {
        return kNotSimulated;
    }
    try {
        return operation(*connection);
    } catch (const std::exception &error) {
        setError(std::string(caller) + ": " + error.what());
        return kStateFailure;
    }
}

int toResult(uint32_t status) { return static_cast<int>(status); }

std::optional<simkey::ShareMode> shareModeOf(int shareMode) {
    switch (shareMode) {
        case HXKEY_SHARE_EXCLUSIVE: return simkey::ShareMode::exclusive;
        case HXKEY_SHARE_SHARED: return simkey::ShareMode::shared;
        case HXKEY_SHARE_DIRECT: return simkey::ShareMode::direct;
        default: return std::nullopt;
    }
}

// Checked before either kind of key reads it, so that the message names both kinds.
void requireKnownAddress(const std::string &address) {
    if (!address.starts_with("sim") && !hxkmgr::pcsc::isAddress(address)) {
        throw std::invalid_argument("unknown device address \"" + address +
                                    "\": this key manager opens simulated keys (sim, sim:PATH, sim-t0, "
                                    "sim-t0:PATH) and keys behind PC/SC (pcsc, pcsc:READER)");
    }
}

int transmitPcsc(uint64_t handle, uint64_t commandLength, const uint8_t *command, uint64_t capacity,
                 uint64_t *responseLength, uint8_t *response) {
    if (!command || commandLength > kMaxCommandLength) {
        return toResult(SW_WRONG_LENGTH);
    }
    using Outcome = hxkmgr::pcsc::Exchange::Outcome;
    hxkmgr::pcsc::Exchange exchanged;
    try {
        exchanged = hxkmgr::pcsc::transmit(handle, {command, static_cast<size_t>(commandLength)}, response, capacity,
                                           responseLength);
    } catch (const std::exception &error) {
        exchanged.problem = error.what();  // out of memory: no answer from the key either
    }
    if (exchanged.outcome != Outcome::answered) {
        setError(std::move(exchanged.problem));
    }
    switch (exchanged.outcome) {
        case Outcome::answered: return exchanged.statusWord;
        case Outcome::doesNotFit: return toResult(kInsufficientBuffer);
        case Outcome::noCard: return toResult(SW_CONDITIONS_NOT_SATISFIED);
        case Outcome::transportFailure: break;
    }
    return toResult(SW_TRANSPORT_FAILURE);
}

hxkmgr::pcsc::Share pcscShareOf(simkey::ShareMode mode) {
    switch (mode) {
        case simkey::ShareMode::shared: return hxkmgr::pcsc::Share::shared;
        case simkey::ShareMode::direct: return hxkmgr::pcsc::Share::direct;
        case simkey::ShareMode::exclusive: break;
    }
    return hxkmgr::pcsc::Share::exclusive;
}

void copyName(const std::string &name, char (&destination)[HXKEY_READER_NAME_MAX]) {
    const size_t length = std::min(name.size(), sizeof destination - 1);
    std::memcpy(destination, name.data(), length);
    destination[length] = '\0';
}

}  // namespace

extern "C" {

HXKMGR_API int Icc_tsi_apiHxDev(uint64_t keyManagerHandle, uint64_t commandLength, const uint8_t *command,
                                uint64_t *responseLength, uint8_t *response) {
    if (!responseLength) {
        return toResult(SW_NO_DIAGNOSIS);
    }
    const uint64_t capacity = *responseLength;
    *responseLength = 0;
    if (hxkmgr::pcsc::owns(keyManagerHandle)) {
        return transmitPcsc(keyManagerHandle, commandLength, command, capacity, responseLength, response);
    }
    // A handle no connection has (a key closed, or pulled out from under its
    // host) is a transport failure, as a reader without its card is: a status
    // word would read as the key's answer, and a capture as worth repeating.
    const auto connection = registry().find(keyManagerHandle);
    if (!connection) {
        return toResult(SW_TRANSPORT_FAILURE);
    }
    if (!command || commandLength > kMaxCommandLength) {
        return toResult(SW_WRONG_LENGTH);
    }
    try {
        const auto answer = connection->exchange({command, static_cast<size_t>(commandLength)});
        if (answer.status != SW_SUCCESS) {
            return toResult(answer.status);
        }
        if (answer.data.size() > capacity || (!response && !answer.data.empty())) {
            return toResult(kInsufficientBuffer);
        }
        if (!answer.data.empty()) {
            std::memcpy(response, answer.data.data(), answer.data.size());
        }
        *responseLength = answer.data.size();
        return toResult(SW_SUCCESS);
    } catch (const simkey::StateFileNotWritten &error) {
        setError(error.what());
        return toResult(SW_MEMORY_FAILURE);
    } catch (const simkey::CommandsNotAllowed &error) {
        setError(error.what());
        return toResult(SW_CONDITIONS_NOT_SATISFIED);
    } catch (const std::exception &error) {
        setError(error.what());
        return toResult(SW_NO_DIAGNOSIS);
    }
}

HXKMGR_API int HXKeyOpen(const char *address, DeviceContext *context) {
    return HXKeyConnect(address, HXKEY_SHARE_EXCLUSIVE, HXKEY_DEFAULT_WAIT_MS, context);
}

HXKMGR_API int HXKeyConnect(const char *address, int shareMode, uint32_t waitMilliseconds, DeviceContext *context) {
    if (!context) {
        setError("HXKeyOpen: no device context given");
        return kOpenFailed;
    }
    std::memset(context, 0, sizeof *context);
    const auto mode = shareModeOf(shareMode);
    if (!mode) {
        setError("HXKeyConnect: unknown share mode " + std::to_string(shareMode) +
                 " (HXKEY_SHARE_EXCLUSIVE, HXKEY_SHARE_SHARED or HXKEY_SHARE_DIRECT)");
        return kOpenFailed;
    }
    try {
        const std::string text = address ? address : HXKeyDefaultAddress();
        requireKnownAddress(text);
        if (hxkmgr::pcsc::isAddress(text)) {
            const auto connected =
                hxkmgr::pcsc::connect(text, pcscShareOf(*mode), std::chrono::milliseconds(waitMilliseconds));
            context->keyManagerHandle = connected.handle;
            context->activeProtocol = connected.protocol;
            context->state = FP_DEVICE_STATE_READY;
            return 0;
        }
        const auto key = simkey::parseKeyAddress(text);
        if (key.defaultLocation) {
            simkey::createStateDirectories(key.statePath);
        }
        auto connection = std::make_shared<simkey::Connection>(key.statePath, key.t0);
        connection->open(*mode, std::chrono::milliseconds(waitMilliseconds));
        context->keyManagerHandle = registry().add(std::move(connection));
        context->activeProtocol = key.t0 ? 1 : 2;
        context->state = FP_DEVICE_STATE_READY;
        return 0;
    } catch (const simkey::KeyBusy &error) {
        setError(error.what());
        return kKeyBusy;
    } catch (const hxkmgr::pcsc::KeyBusy &error) {
        setError(error.what());
        return kKeyBusy;
    } catch (const std::exception &error) {
        setError(error.what());
        return kOpenFailed;
    }
}

HXKMGR_API void HXKeyClose(DeviceContext *context) {
    if (!context) {
        return;
    }
    registry().remove(context->keyManagerHandle);
    hxkmgr::pcsc::close(context->keyManagerHandle);
    std::memset(context, 0, sizeof *context);
}

HXKMGR_API const char *HXKeyLastError(void) { return lastError.c_str(); }

HXKMGR_API int HXKeyListReaders(HXKeyReader *readers, size_t capacity, size_t *count) {
    if (!count) {
        setError("HXKeyListReaders: the reader count needs somewhere to go");
        return kOpenFailed;
    }
    *count = 0;
    try {
        const auto found = hxkmgr::pcsc::readers();
        for (size_t i = 0; readers && i < found.size() && i < capacity; ++i) {
            HXKeyReader &reader = readers[i];
            std::memset(&reader, 0, sizeof reader);
            copyName(found[i].name, reader.name);
            reader.cardPresent = found[i].cardPresent;
            reader.heldExclusively = found[i].heldExclusively;
            reader.atrLength = static_cast<uint8_t>(std::min(found[i].atr.size(), sizeof reader.atr));
            std::copy_n(found[i].atr.begin(), reader.atrLength, reader.atr);
        }
        *count = found.size();
        return 0;
    } catch (const std::exception &error) {
        setError(error.what());
        return kOpenFailed;
    }
}

HXKMGR_API const char *HXKeyDefaultAddress(void) {
    // A set-user-ID program does not let its caller choose the key.
    const char *address = secure_getenv("FPKEY_DEVICE");
    return address && *address ? address : "sim";
}

HXKMGR_API int HXSimResetKey(const char *address) {
    try {
        const auto key = simkey::parseKeyAddress(address ? address : HXKeyDefaultAddress());
        if (key.defaultLocation) {
            simkey::createStateDirectories(key.statePath);
        }
        simkey::StateStore store(key.statePath);
        const simkey::KeyClaim claim(store.path(), simkey::LockKind::exclusive,
                                     std::chrono::milliseconds(HXKEY_DEFAULT_WAIT_MS));
        store.resetToFactory();
        return 0;
    } catch (const std::exception &error) {
        setError(std::string("HXSimResetKey: ") + error.what());
        return -1;
    }
}

HXKMGR_API int HXSimPlaceFinger(DeviceContext *context, const char *label) {
    return control(context, "HXSimPlaceFinger", [&](simkey::Connection &connection) {
        const std::string text = label ? label : "";
        if (const auto problem = simkey::fingerLabelProblem(text); !problem.empty()) {
            setError("HXSimPlaceFinger: " + problem);
            return kBadArgument;
        }
        connection.placeFinger(text);
        return 0;
    });
}

HXKMGR_API int HXSimPlaceImage(DeviceContext *context, uint32_t height, uint32_t width, uint32_t dpi,
                               const uint8_t *pixels) {
    return control(context, "HXSimPlaceImage", [&](simkey::Connection &connection) {
        constexpr uint32_t kMaxSide = 4096;
        const uint32_t resolution = dpi == 0 ? fingermatch::kStandardResolution : dpi;
        if (!pixels || height == 0 || width == 0 || height > kMaxSide || width > kMaxSide ||
            resolution < fingermatch::kLowestResolution || resolution > fingermatch::kHighestResolution) {
            setError("HXSimPlaceImage: an image needs pixels, sides of 1 to " + std::to_string(kMaxSide) +
                     " and a resolution of " + std::to_string(fingermatch::kLowestResolution) + " to " +
                     std::to_string(fingermatch::kHighestResolution) + " dpi");
            return kBadArgument;
        }
        fingermatch::GrayImage image;
        image.height = static_cast<int>(height);
        image.width = static_cast<int>(width);
        image.dpi = static_cast<int>(resolution);
        image.pixels.assign(pixels, pixels + static_cast<size_t>(height) * width);
        connection.placeImage(image);
        return 0;
    });
}

HXKMGR_API int HXSimLiftFinger(DeviceContext *context) {
    return control(context, "HXSimLiftFinger", [](simkey::Connection &connection) {
        connection.liftFinger();
        return 0;
    });
}

HXKMGR_API int HXSimInjectFault(DeviceContext *context, uint32_t statusWord, const char *command, unsigned count) {
    return control(context, "HXSimInjectFault", [&](simkey::Connection &connection) {
        if (statusWord == 0 || statusWord == SW_SUCCESS || count == 0) {
            setError("HXSimInjectFault: a fault needs a failure status word and a count of at least 1");
            return kBadArgument;
        }
        simkey::Fault fault{statusWord, simkey::defaultFaultKind(statusWord), count};
        if (command) {
            const auto kind = simkey::faultKindFromName(command);
            if (!kind) {
                setError(std::string("HXSimInjectFault: unknown command kind \"") + command +
                         "\" (capture, extract, identify, verify, enroll, pin, any)");
                return kBadArgument;
            }
            fault.kind = *kind;
        }
        connection.injectFault(fault);
        return 0;
    });
}

HXKMGR_API int HXSimClearFaults(DeviceContext *context) {
    return control(context, "HXSimClearFaults", [](simkey::Connection &connection) {
        connection.clearFaults();
        return 0;
    });
}

HXKMGR_API int HXSimReset(DeviceContext *context) {
    return control(context, "HXSimReset", [](simkey::Connection &connection) {
        connection.resetKey();
        return 0;
    });
}

HXKMGR_API int HXSimUnblock(DeviceContext *context, const char *counter) {
    return control(context, "HXSimUnblock", [&](simkey::Connection &connection) {
        const std::string name = counter ? counter : "";
        if (name != "pin" && name != "finger") {
            setError("HXSimUnblock: the counter is \"pin\" or \"finger\"");
            return kBadArgument;
        }
        connection.unblock(name == "pin" ? simkey::BlockableCounter::pin : simkey::BlockableCounter::finger);
        return 0;
    });
}

HXKMGR_API size_t HXSimStatusJson(DeviceContext *context, char *buffer, size_t capacity) {
    size_t needed = 0;
    const int result = control(context, "HXSimStatusJson", [&](simkey::Connection &connection) {
        const std::string text = connection.statusJson();
        needed = text.size() + 1;
        if (buffer && capacity >= needed) {
            std::memcpy(buffer, text.c_str(), needed);
        } else if (buffer && capacity > 0) {
            buffer[0] = '\0';
        }
        return 0;
    });
    return result == 0 ? needed : 0;
}

HXKMGR_API int HXSimLastImage(DeviceContext *context, uint64_t *lines, uint64_t *lineBytes, uint8_t *pixels,
                              size_t capacity) {
    return control(context, "HXSimLastImage", [&](simkey::Connection &connection) {
        if (!lines || !lineBytes) {
            setError("HXSimLastImage: the line count and line length need somewhere to go");
            return kBadArgument;
        }
        const auto image = connection.lastImage();
        *lines = image.lines;
        *lineBytes = image.lineBytes;
        if (pixels) {
            if (capacity < image.pixels.size()) {
                setError("HXSimLastImage: the pixel buffer holds " + std::to_string(capacity) + " bytes, the image " +
                         std::to_string(image.pixels.size()));
                return kBadArgument;
            }
            std::copy(image.pixels.begin(), image.pixels.end(), pixels);
        }
        return 0;
    });
}

}  // extern "C"
