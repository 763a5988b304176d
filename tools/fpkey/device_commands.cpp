// info, selftest, get/set of the settings, state, capacity and the cache.
#include <iostream>
#include <map>

#include "cli.h"
#include "fpdevice/dactyl.h"

namespace fpkey {
namespace {

// The values a key takes for each setting. The device API passes a setting
// through and reports the key's refusal only as an unrecognised answer, so
// fpkey checks the range itself and names it.
struct Setting {
    uint64_t (*get)(DeviceContext *, uint8_t *);
    uint64_t (*set)(DeviceContext *, uint8_t);
    int lowest;
    int highest;
    const char *unit;
};

const std::map<std::string, Setting> kSettings = {
    {"verify-mode", {HXDactylGetVerifyMode, HXDactylSetVerifyMode, 0, 2, " (0 PIN, 1 finger, 2 finger or PIN)"}},
    {"timeout", {HXDactylGetTimeOut, HXDactylSetTimeOut, 1, 60, " seconds"}},
    {"sec-level", {HXDactylGetSecLevel, HXDactylSetSecLevel, 1, 5, ""}},
    {"image-gain", {HXDactylGetImageGain, HXDactylSetImageGain, 1, 255, ""}},
};

void RequireInRange(const std::string &name, int value) {
    const Setting &setting = kSettings.at(name);
    if (value >= setting.lowest && value <= setting.highest) return;
    throw UsageFailure{name + " " + std::to_string(value) + " is out of range: " + std::to_string(setting.lowest) +
                       " to " + std::to_string(setting.highest) + setting.unit};
}

std::string VerifyModeName(uint8_t mode) {
    switch (mode) {
        case 0: return "PIN";
        case 1: return "fingerprint";
        case 2: return "fingerprint or PIN";
        default: return "unknown";
    }
}

// The readable strings of a block of bytes (runs of at least three
// printable characters), which is how keys put names and versions there.
std::string Printable(const uint8_t *bytes, uint64_t length) {
    std::string text, run;
    auto flush = [&] {
        if (run.size() >= 3) text += (text.empty() ? "" : ", ") + run;
        run.clear();
    };
    for (uint64_t i = 0; i < length; ++i) {
        if (bytes[i] >= 0x20 && bytes[i] < 0x7F) {
            run += static_cast<char>(bytes[i]);
        } else {
            flush();
        }
    }
    flush();
    return text;
}

std::string HexBytes(const uint8_t *bytes, uint64_t length) {
    std::string text;
    for (uint64_t i = 0; i < length; ++i) text += (i ? " " : "") + Hex(bytes[i], 2).substr(2);
    return text;
}

uint8_t ReadSetting(Cli &cli, const std::string &name) {
    uint8_t value = 0;
    cli.Check("reading " + name, kSettings.at(name).get(cli.Device(), &value));
    return value;
}

void Info(Cli &cli) {
    DeviceContext *device = cli.Device();
    const bool present = HXIsDactyl(device) == 1;
    cli.Result()["fingerprint_application"] = present;
    if (!present) throw UsageFailure{"the key does not answer as a fingerprint key"};
    uint8_t info[256] = {};
    uint64_t length = 0;
    cli.Check("reading the device information", HXDactylGetDeviceInfo(device, info, &length));
    uint8_t capacity = 0;
    cli.Check("reading the template capacity", HXDactylGetMaxTmpltNum(device, &capacity));
    cli.Result()["device"] = cli.Key().address();
    cli.Result()["device_info"] = HexBytes(info, length);
    cli.Result()["device_info_text"] = Printable(info, length);
    cli.Result()["capacity"] = capacity;
    cli.Say("device:       " + cli.Key().address());
    cli.Say("information:  " + Printable(info, length));
    cli.Say("capacity:     " + std::to_string(capacity) + " templates");
    for (const auto &[name, setting] : kSettings) {
        const uint8_t value = ReadSetting(cli, name);
        cli.Result()[name] = value;
        std::string line = name + ":";
        line.resize(14, ' ');
        line += std::to_string(value);
        if (name == "verify-mode") line += " (" + VerifyModeName(value) + ")";
        cli.Say(line);
    }
}

void AddCacheCommands(CLI::App &app, Cli &cli) {
    auto *cache = app.add_subcommand("cache", "The key's finger template cache");
    cache->require_subcommand(1);
    cache->add_subcommand("on", "Enable the cache")->callback(cli.Action([&cli] {
        cli.Authenticate();
        cli.Check("enabling the cache", HXDactylEnableFingerCache(cli.Device(), 1));
        cli.Say("finger cache enabled");
    }));
    cache->add_subcommand("off", "Disable the cache")->callback(cli.Action([&cli] {
        cli.Authenticate();
        cli.Check("disabling the cache", HXDactylEnableFingerCache(cli.Device(), 0));
        cli.Say("finger cache disabled");
    }));
    cache->add_subcommand("clear", "Clear the cached templates")->callback(cli.Action([&cli] {
        cli.Authenticate();
        cli.Check("clearing the cache", HXDactylClearFingerCache(cli.Device()));
        cli.Say("finger cache cleared");
    }));
    cache->add_subcommand("state", "Show the cache state byte")
        ->callback(cli.Action(
            [&cli] {
                uint8_t state = 0;
                cli.Check("reading the cache state", HXDactylGetFingerCacheState(cli.Device(), &state));
                cli.Result()["cache_state"] = state;
                cli.Say("cache state: " + Hex(state, 2) + ((state & 1) ? " (enabled" : " (disabled") +
                        ((state & 2) ? ", holds templates)" : ")"));
            },
            KeyShare::shared));
}

}  // namespace

void AddDeviceCommands(CLI::App &app, Cli &cli) {
    app.add_subcommand("info", "Show the device information and settings")
        ->callback(cli.Action([&cli] { Info(cli); }, KeyShare::shared));

    app.add_subcommand("selftest", "Run the key's self test")->callback(cli.Action([&cli] {
        cli.Check("self test", HXDactylSelfTest(cli.Device()));
        cli.Say("self test passed");
    }));

    static std::string name;
    static int value = 0;
    std::vector<std::string> names;
    for (const auto &entry : kSettings) names.push_back(entry.first);

    auto *get = app.add_subcommand("get", "Read a setting");
    get->add_option("setting", name, "The setting")->required()->check(CLI::IsMember(names));
    get->callback(cli.Action(
        [&cli] {
            const uint8_t read = ReadSetting(cli, name);
            cli.Result()[name] = read;
            cli.Say(name + " = " + std::to_string(read) +
                    (name == "verify-mode" ? " (" + VerifyModeName(read) + ")" : ""));
        },
        KeyShare::shared));

    auto *set = app.add_subcommand("set", "Change a setting");
    set->add_option("setting", name, "The setting")->required()->check(CLI::IsMember(names));
    set->add_option("value", value,
                    "The new value: verify-mode 0 PIN, 1 finger, 2 either; timeout 1 to 60 s; sec-level 1 to 5; "
                    "image-gain 1 to 255")
        ->required();
    set->callback(cli.Action([&cli] {
        RequireInRange(name, value);
        cli.Authenticate();
        cli.Check("setting " + name, kSettings.at(name).set(cli.Device(), static_cast<uint8_t>(value)));
        cli.Result()[name] = value;
        cli.Say(name + " set to " + std::to_string(value));
    }));

    app.add_subcommand("state", "Show the security state")
        ->callback(cli.Action(
            [&cli] {
                cli.Authenticate();
                uint8_t state = 0;
                cli.Check("reading the security state", HXDactylGetSecState(cli.Device(), &state));
                cli.Result()["security_state"] = state;
                cli.Say("security state: " + std::to_string(state));
            },
            KeyShare::shared));

    app.add_subcommand("capacity", "Show the template capacity")
        ->callback(cli.Action(
            [&cli] {
                uint8_t capacity = 0;
                cli.Check("reading the template capacity", HXDactylGetMaxTmpltNum(cli.Device(), &capacity));
                cli.Result()["capacity"] = capacity;
                cli.Say("capacity: " + std::to_string(capacity) + " templates");
            },
            KeyShare::shared));

    AddCacheCommands(app, cli);
}

}  // namespace fpkey
