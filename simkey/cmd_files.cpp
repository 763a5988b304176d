// SELECT, READ BINARY, WRITE/UPDATE BINARY, CREATE FILE, DELETE FILE.
#include <algorithm>

#include "simkey/commands.h"

namespace simkey {
namespace {

// The bytes of the current elementary file, or the status that says why there are none.
std::vector<uint8_t> *currentFile(CardContext &card, uint32_t &status) {
    const auto &selected = card.session.selectedFile;
    if (!selected || *selected == kMasterFileId) {
        status = sw::kNoCurrentFile;
        return nullptr;
    }
    const auto file = card.key.files.find(*selected);
    if (file == card.key.files.end()) {
        // Deleted since it was selected (possibly by another connection).
        status = sw::kFileNotFound;
        return nullptr;
    }
    status = sw::kSuccess;
    return &file->second;
}

}  // namespace

Answer selectFile(CardContext &card, const Command &command) {
    if (!command.carries(2)) {
        return Answer::withStatus(sw::kWrongLength);
    }
    if (command.p1p2() != 0) {
        return Answer::withStatus(sw::kWrongP1P2);
    }
    const uint16_t id = readBigEndian16(command.data);
    if (id != kMasterFileId && !card.key.files.contains(id)) {
        return Answer::withStatus(sw::kFileNotFound);
    }
    card.session.selectedFile = id;
    return Answer::success();
}

Answer readBinary(CardContext &card, const Command &command) {
    if (command.hasData() || !command.ne) {
        return Answer::withStatus(sw::kWrongLength);
    }
    uint32_t status = 0;
    const auto *file = currentFile(card, status);
    if (!file) {
        return Answer::withStatus(status);
    }
    const size_t offset = command.p1p2();
    if (offset >= file->size()) {
        return Answer::withStatus(sw::kWrongP1P2);
    }
    if (file->size() - offset < *command.ne) {
        return Answer::withStatus(sw::kEndOfFileReached);
    }
    const auto begin = file->begin() + static_cast<std::ptrdiff_t>(offset);
    return Answer::success(std::vector<uint8_t>(begin, begin + *command.ne));
}

Answer writeBinary(CardContext &card, const Command &command) {
    if (!command.carriesData()) {
        return Answer::withStatus(sw::kWrongLength);
    }
    if (!authenticated(card)) {
        return Answer::withStatus(sw::kSecurityNotSatisfied);
    }
    uint32_t status = 0;
    auto *file = currentFile(card, status);
    if (!file) {
        return Answer::withStatus(status);
    }
    const size_t offset = command.p1p2();
    if (offset + command.data.size() > file->size()) {
        return Answer::withStatus(sw::kNotEnoughMemory);
    }
    std::copy(command.data.begin(), command.data.end(), file->begin() + static_cast<std::ptrdiff_t>(offset));
    return Answer::success();
}

Answer createFile(CardContext &card, const Command &command) {
    if (!command.carriesData()) {
        return Answer::withStatus(sw::kWrongLength);
    }
    const uint16_t id = command.p1p2();
    if (id == 0x0000 || id == 0xFFFF) {
        return Answer::withStatus(sw::kWrongP1P2);
    }
    if (!authenticated(card)) {
        return Answer::withStatus(sw::kSecurityNotSatisfied);
    }
    // Parameters: type, size high, size low, then access conditions.
    if (command.data.size() < 3) {
        return Answer::withStatus(sw::kIncorrectData);
    }
    const size_t size = readBigEndian16(std::span(command.data).subspan(1, 2));
    if (size == 0) {
        return Answer::withStatus(sw::kIncorrectData);
    }
    if (id == kMasterFileId || card.key.files.contains(id)) {
        return Answer::withStatus(sw::kFileExists);
    }
    if (card.key.files.size() >= kMaxFiles || totalFileBytes(card.key.files) + size > kMaxTotalFileBytes) {
        return Answer::withStatus(sw::kNotEnoughMemory);
    }
    card.key.files.emplace(id, std::vector<uint8_t>(size, 0));
    card.session.selectedFile = id;
    return Answer::success();
}

Answer deleteFile(CardContext &card, const Command &command) {
    if (!command.carries(2)) {
        return Answer::withStatus(sw::kWrongLength);
    }
    if (command.p1p2() != 0) {
        return Answer::withStatus(sw::kWrongP1P2);
    }
    if (!authenticated(card)) {
        return Answer::withStatus(sw::kSecurityNotSatisfied);
    }
    const uint16_t id = readBigEndian16(command.data);
    if (isSystemFile(id)) {
        return Answer::withStatus(sw::kConditionsNotSatisfied);
    }
    if (card.key.files.erase(id) == 0) {
        return Answer::withStatus(sw::kFileNotFound);
    }
    if (card.session.selectedFile == id) {
        card.session.selectedFile.reset();
    }
    return Answer::success();
}

}  // namespace simkey
