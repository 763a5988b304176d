#include "pcsc_readers.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "pcsc_errors.h"
#include "pcsc_library.h"

namespace hxkmgr {
namespace {

std::string nameList(const std::vector<pcsc::Reader> &readers) {
    std::string names;
    for (const auto &reader : readers) {
        names += (names.empty() ? "\"" : ", \"") + reader.name + "\"";
    }
    return names;
}

// The reader names as one string of NUL-terminated names, or empty.
std::vector<char> readerNames(SCARDCONTEXT context) {
    const PcscLibrary &pcsc = pcscLibrary();
    for (int attempt = 1;; ++attempt) {
        DWORD length = 0;
        LONG result = pcsc.listReaders(context, nullptr, nullptr, &length);
        std::vector<char> names(result == SCARD_S_SUCCESS ? length : 0);
        if (result == SCARD_S_SUCCESS) {
            result = pcsc.listReaders(context, nullptr, names.data(), &length);
        }
        // A reader plugged in between the two calls makes the list longer.
        if (result == SCARD_E_INSUFFICIENT_BUFFER && attempt < 3) {
            continue;
        }
        if (result == SCARD_E_NO_READERS_AVAILABLE) {
            return {};
        }
        if (result != SCARD_S_SUCCESS) {
            throw pcsc::Failure(pcscProblem(result, ""));
        }
        names.resize(length);
        return names;
    }
}

}  // namespace

PcscContext::PcscContext() {
    const LONG result = pcscLibrary().establishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &context_);
    if (result != SCARD_S_SUCCESS) {
        throw pcsc::Failure(pcscProblem(result, ""));
    }
}

PcscContext::~PcscContext() { pcscLibrary().releaseContext(context_); }

std::vector<pcsc::Reader> readerStatuses(const PcscContext &context) {
    const std::vector<char> names = readerNames(context.get());
    std::vector<pcsc::Reader> readers;
    for (size_t at = 0; at < names.size() && names[at] != '\0'; at += std::strlen(&names[at]) + 1) {
        readers.emplace_back().name = &names[at];
    }
    if (readers.empty()) {
        return readers;
    }
    std::vector<SCARD_READERSTATE> states(readers.size());
    for (size_t i = 0; i < readers.size(); ++i) {
        states[i].szReader = readers[i].name.c_str();
        states[i].dwCurrentState = SCARD_STATE_UNAWARE;
    }
    const LONG result =
        pcscLibrary().getStatusChange(context.get(), 0, states.data(), static_cast<DWORD>(states.size()));
    if (result != SCARD_S_SUCCESS) {
        throw pcsc::Failure(pcscProblem(result, ""));
    }
    for (size_t i = 0; i < readers.size(); ++i) {
        const DWORD state = states[i].dwEventState;
        readers[i].cardPresent = (state & SCARD_STATE_PRESENT) != 0;
        readers[i].heldExclusively = (state & SCARD_STATE_EXCLUSIVE) != 0;
        if (readers[i].cardPresent) {
            const size_t length = std::min<size_t>(states[i].cbAtr, sizeof states[i].rgbAtr);
            readers[i].atr.assign(states[i].rgbAtr, states[i].rgbAtr + length);
        }
    }
    return readers;
}

const pcsc::Reader &chooseReader(const std::vector<pcsc::Reader> &readers, const std::string &wanted) {
    if (readers.empty()) {
        throw pcsc::Failure(pcscProblem(SCARD_E_NO_READERS_AVAILABLE, ""));
    }
    if (wanted.empty()) {
        const auto withCard =
            std::find_if(readers.begin(), readers.end(), [](const pcsc::Reader &reader) { return reader.cardPresent; });
        if (withCard == readers.end()) {
            throw pcsc::Failure("no card in any reader (" + nameList(readers) + "): insert the key");
        }
        return *withCard;
    }
    const auto exact =
        std::find_if(readers.begin(), readers.end(), [&](const pcsc::Reader &reader) { return reader.name == wanted; });
    if (exact != readers.end()) {
        return *exact;
    }
    std::vector<pcsc::Reader> fitting;
    std::copy_if(readers.begin(), readers.end(), std::back_inserter(fitting),
                 [&](const pcsc::Reader &reader) { return reader.name.starts_with(wanted); });
    if (fitting.empty()) {
        throw pcsc::Failure("no reader named \"" + wanted + "\"; the readers present are " + nameList(readers) +
                            " (fpkey readers lists them)");
    }
    if (fitting.size() > 1) {
        throw pcsc::Failure("\"" + wanted + "\" fits several readers (" + nameList(fitting) +
                            "): give more of the name");
    }
    return *std::find_if(readers.begin(), readers.end(),
                         [&](const pcsc::Reader &reader) { return reader.name == fitting.front().name; });
}

}  // namespace hxkmgr
