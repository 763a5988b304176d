// SELECT, READ BINARY, WRITE/UPDATE BINARY, CREATE FILE, DELETE FILE.
#include <algorithm>

#include "simkey/commands.h"

namespace simkey {
namespace {

// The bytes of the current elementary file, or the status that says why there are none.
std::vector<uint8_t> *currentFile(CardContext &card, uint32_t &status) {
    const auto &selected = card.session.selectedFile;
    if (!selected || *selected == kMasterFileId) {
        status = SW_NO_CURRENT_FILE;
        return nullptr;
    }
    const auto file = card.key.files.find(*selected);
    if (file == card.key.files.end()) {
        // Deleted since it was selected (possibly by another connection).
        status = SW_FILE_NOT_FOUND;
        return nullptr;
    }
    status = SW_SUCCESS;
    return &file->second;
}

}  // namespace

Answer selectFile(CardContext &card, const Command &command) {
    if (!command.carries(2)) {
        return Answer::withStatus(SW_WRONG_LENGTH);
    }
    if (command.p1p2() != 0) {
        return Answer::withStatus(SW_WRONG_P1P2);
    }
    const uint16_t id = readBigEndian16(command.data);
    if (id != kMasterFileId && !card.key.files.contains(id)) {
        return Answer::withStatus(SW_FILE_NOT_FOUND);
    }
    card.session.selectedFile = id;
    return Answer::success();
}

Answer readBinary(CardContext &card, const Command &command) {
    if (command.hasData() || !command.ne) {
        return Answer::withStatus(SW_WRONG_LENGTH);
    }
    uint32_t status = 0;
    const auto *file = currentFile(card, status);
    if (!file) {
        return Answer::withStatus(status);
    }
    const size_t offset = command.p1p2();
    if (offset >= file->size()) {
        return Answer::withStatus(SW_WRONG_P1P2);
    }
    if (file->size() - offset < *command.ne) {
        return Answer::withStatus(SW_END_OF_FILE);
    }
    const auto begin = file->begin() + static_cast<std::ptrdiff_t>(offset);
    return Answer::success(std::vector<uint8_t>(begin, begin + *command.ne));
}

Answer writeBinary(CardContext &card, const Command &command) {
    if (!command.carriesData()) {
        return Answer::withStatus(SW_WRONG_LENGTH);
    }
    if (!authenticated(card)) {
        return Answer::withStatus(SW_SECURITY_NOT_SATISFIED);
    }
    uint32_t status = 0;
    auto *file = currentFile(card, status);
    if (!file) {
        return Answer::withStatus(status);
    }
    const size_t offset = command.p1p2();
    if (offset + command.data.size() > file->size()) {
        return Answer::withStatus(SW_NOT_ENOUGH_MEMORY);
    }
    std::copy(command.data.begin(), command.data.end(), file->begin() + static_cast<std::ptrdiff_t>(offset));
    return Answer::success();
}

Answer createFile(CardContext &card, const Command &command) {
    if (!command.carriesData()) {
        return Answer::withStatus(SW_WRONG_LENGTH);
    }
    const uint16_t id = command.p1p2();
    if (id == 0x0000 || id == 0xFFFF) {
        return Answer::withStatus(SW_WRONG_P1P2);
    }
    if (!authenticated(card)) {
        return Answer::withStatus(SW_SECURITY_NOT_SATISFIED);
    }
    // Parameters: type, size high, size low, then access conditions.
    if (command.data.size() < 3) {
        return Answer::withStatus(SW_INCORRECT_DATA);
    }
    const size_t size = readBigEndian16(std::span(command.data).subspan(1, 2));
    if (size == 0) {
        return Answer::withStatus(SW_INCORRECT_DATA);
    }
    if (id == kMasterFileId || card.key.files.contains(id)) {
        return Answer::withStatus(SW_FILE_EXISTS);
    }
    if (card.key.files.size() >= kMaxFiles || totalFileBytes(card.key.files) + size > kMaxTotalFileBytes) {
        return Answer::withStatus(SW_NOT_ENOUGH_MEMORY);
    }
    card.key.files.emplace(id, std::vector<uint8_t>(size, 0));
    card.session.selectedFile = id;
    return Answer::success();
}

Answer deleteFile(CardContext &card, const Command &command) {
    if (!command.carries(2)) {
        return Answer::withStatus(SW_WRONG_LENGTH);
    }
    if (command.p1p2() != 0) {
        return Answer::withStatus(SW_WRONG_P1P2);
    }
    if (!authenticated(card)) {
        return Answer::withStatus(SW_SECURITY_NOT_SATISFIED);
    }
    const uint16_t id = readBigEndian16(command.data);
    if (isSystemFile(id)) {
        return Answer::withStatus(SW_CONDITIONS_NOT_SATISFIED);
    }
    if (card.key.files.erase(id) == 0) {
        return Answer::withStatus(SW_FILE_NOT_FOUND);
    }
    if (card.session.selectedFile == id) {
        card.session.selectedFile.reset();
    }
    return Answer::success();
}

}  // namespace simkey
