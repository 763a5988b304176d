// Device information, self test, verify mode and the option commands (80 F9).
#include <algorithm>
#include <cstring>

#include "simkey/commands.h"
#include "simkey/device_info.h"

namespace simkey {
namespace {

constexpr uint8_t kSettingsP2 = 0x06;
constexpr uint8_t kSelfTestPassed = 0x00;

// The shape of an option command by P1: a getter (Le 1) or a setter (one data byte).
enum class OptionShape { getter, setter };

// A setter refuses a value outside [lowest, highest] with "incorrect data":
// a time-out of 0 s would end every capture at once, levels run 1 to 5, and
// a gain of 0 leaves the sensor blind.
struct Option {
    uint8_t p1;
    OptionShape shape;
    uint8_t Settings::*setting;
    uint8_t lowest = 0;
    uint8_t highest = 255;
};

constexpr Option kOptions[] = {
    {0x05, OptionShape::getter, &Settings::timeOut},       {0x06, OptionShape::setter, &Settings::timeOut, 1, 60},
    {0x07, OptionShape::getter, &Settings::securityLevel}, {0x08, OptionShape::setter, &Settings::securityLevel, 1, 5},
    {0x0A, OptionShape::getter, &Settings::imageGain},     {0x0B, OptionShape::setter, &Settings::imageGain, 1, 255},
};

}  // namespace

Answer deviceQuery(CardContext &card, const Command &command) {
    if (command.p1 == 0x01) {
        if (!command.expects(2)) {
            return Answer::withStatus(SW_WRONG_LENGTH);
        }
        if (command.p2 != 0) {
            return Answer::withStatus(SW_WRONG_P1P2);
        }
        // Result of the self test, then whether a finger lies on the sensor.
        return Answer::success({kSelfTestPassed, static_cast<uint8_t>(card.key.fingerOnSensor ? 1 : 0)});
    }
    if (command.p1 == 0x02) {
        if (!command.expects(kDeviceInfoSize)) {
            return Answer::withStatus(SW_WRONG_LENGTH);
        }
        if (command.p2 != 0) {
            return Answer::withStatus(SW_WRONG_P1P2);
        }
        return Answer::success(deviceInfo(card.key));
    }
    return Answer::withStatus(SW_WRONG_P1P2);
}

Answer verifyMode(CardContext &card, const Command &command) {
    if (command.p1 == 0x00) {
        if (!command.carries(1)) {
            return Answer::withStatus(SW_WRONG_LENGTH);
        }
        if (command.p2 != kSettingsP2) {
            return Answer::withStatus(SW_WRONG_P1P2);
        }
        if (!authenticated(card)) {
            return Answer::withStatus(SW_SECURITY_NOT_SATISFIED);
        }
        if (command.data[0] > 2) {
            return Answer::withStatus(SW_VERIFY_MODE_REFUSED);
        }
        card.key.settings.verifyMode = command.data[0];
        return Answer::success();
    }
    if (command.p1 == 0x01) {
        if (!command.expects(1)) {
            return Answer::withStatus(SW_WRONG_LENGTH);
        }
        if (command.p2 != kSettingsP2) {
            return Answer::withStatus(SW_WRONG_P1P2);
        }
        return Answer::success({card.key.settings.verifyMode});
    }
    return Answer::withStatus(SW_WRONG_P1P2);
}

Answer options(CardContext &card, const Command &command) {
    if (command.p1 <= 0x03) {
        return fingerCache(card, command);
    }
    if (command.p1 == 0x04) {
        if (!command.expects(1)) {
            return Answer::withStatus(SW_WRONG_LENGTH);
        }
        if (command.p2 != kSettingsP2) {
            return Answer::withStatus(SW_WRONG_P1P2);
        }
        return Answer::success({card.key.templateCapacity});
    }
    if (command.p1 == 0x09) {
        if (!command.expects(1)) {
            return Answer::withStatus(SW_WRONG_LENGTH);
        }
        if (command.p2 != 0x00) {
            return Answer::withStatus(SW_WRONG_P1P2);
        }
        if (!authenticated(card)) {
            return Answer::withStatus(SW_SECURITY_NOT_SATISFIED);
        }
        return Answer::success({static_cast<uint8_t>(card.session.pinVerified ? 2 : 1)});
    }
    const auto option =
        std::find_if(std::begin(kOptions), std::end(kOptions), [&](const Option &o) { return o.p1 == command.p1; });
    if (option == std::end(kOptions)) {
        return Answer::withStatus(SW_WRONG_P1P2);
    }
    const bool setter = option->shape == OptionShape::setter;
    if (setter ? !command.carries(1) : !command.expects(1)) {
        return Answer::withStatus(SW_WRONG_LENGTH);
    }
    if (command.p2 != kSettingsP2) {
        return Answer::withStatus(SW_WRONG_P1P2);
    }
    if (!setter) {
        return Answer::success({card.key.settings.*option->setting});
    }
    if (!authenticated(card)) {
        return Answer::withStatus(SW_SECURITY_NOT_SATISFIED);
    }
    if (command.data[0] < option->lowest || command.data[0] > option->highest) {
        return Answer::withStatus(SW_INCORRECT_DATA);
    }
    card.key.settings.*option->setting = command.data[0];
    return Answer::success();
}

}  // namespace simkey
