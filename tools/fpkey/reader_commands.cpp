// readers: every reader PC/SC knows, whether a card is in it, its ATR, and
// whether the card answers like a fingerprint key.
#include <vector>

#include "fpdevice/dactyl.h"
#include "hxkmgr.h"
#include "pcsc_commands.h"

namespace fpkey {
namespace {

std::string HexBytes(const uint8_t *bytes, size_t length) {
    std::string text;
    for (size_t i = 0; i < length; ++i) text += (i ? " " : "") + Hex(bytes[i], 2).substr(2);
    return text;
}

// The product name in the first 16 bytes of the device information.
std::string ProductName(const uint8_t *info, uint64_t length) {
    std::string name;
    for (uint64_t i = 0; i < length && i < 16 && info[i] >= 0x20 && info[i] < 0x7F; ++i)
        name += static_cast<char>(info[i]);
    return name;
}

// Asks the card in the reader whether it is a fingerprint key, sharing it
// with whoever else reads it and never waiting for one who holds it.
nlohmann::json AskCard(const std::string &address, std::string *verdict) {
    std::string error;
    auto key = KeySession::Open(address, KeyShare::shared, 0.0, &error);
    if (!key) {
        *verdict = error.find("key busy") != std::string::npos ? "in use by another program" : error;
        return nullptr;
    }
    if (HXIsDactyl(key->handle()) != 1) {
        *verdict = "no: the card does not answer like a fingerprint key";
        return false;
    }
    uint8_t info[256] = {};
    uint64_t length = 0;
    const std::string name =
        HXDactylGetDeviceInfo(key->handle(), info, &length) == 0 ? ProductName(info, length) : std::string();
    *verdict = "yes" + (name.empty() ? std::string() : " (" + name + ")");
    return true;
}

void ListReaders(Cli &cli) {
    size_t count = 0;
    if (HXKeyListReaders(nullptr, 0, &count) != 0) throw UsageFailure{HXKeyLastError()};
    std::vector<HXKeyReader> readers(count);
    if (HXKeyListReaders(readers.data(), readers.size(), &count) != 0) throw UsageFailure{HXKeyLastError()};
    readers.resize(std::min(count, readers.size()));
    nlohmann::json listed = nlohmann::json::array();
    if (readers.empty()) {
        cli.Say(
            "no smart-card reader is connected (a key in a USB port needs pcscd and its CCID driver, "
            "Debian package libccid)");
    }
    for (const HXKeyReader &reader : readers) {
        const std::string address = std::string("pcsc:") + reader.name;
        nlohmann::json entry = {{"name", reader.name}, {"address", address}, {"card", reader.cardPresent == 1}};
        cli.Say(reader.name);
        if (!reader.cardPresent) {
            cli.Say("  card:            none");
        } else {
            const std::string atr = HexBytes(reader.atr, reader.atrLength);
            entry["atr"] = atr;
            cli.Say("  card:            ATR " + atr);
            std::string verdict;
            entry["fingerprint_key"] = AskCard(address, &verdict);
            entry["answer"] = verdict;
            cli.Say("  fingerprint key: " + verdict);
            if (entry["fingerprint_key"] == true) cli.Say("  address:         " + address);
        }
        listed.push_back(entry);
    }
    cli.Result()["readers"] = listed;
}

}  // namespace

void AddReaderCommands(CLI::App &app, Cli &cli) {
    app.add_subcommand("readers", "List the smart-card readers, their cards, and which of them is a fingerprint key")
        ->callback(cli.Action([&cli] { ListReaders(cli); }, KeyShare::direct));
}

}  // namespace fpkey
