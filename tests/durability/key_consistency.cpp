#include "key_consistency.h"

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include "simkey/state_json.h"

namespace durability_test {
namespace {

std::string fileName(uint16_t id) {
    char name[8];
    std::snprintf(name, sizeof name, "%04X", id);
    return name;
}

std::string labelOf(const std::vector<uint8_t> &index, unsigned templateNumber) {
    const uint8_t *callerData = FpIndexEntryCallerData(index.data() + FP_INDEX_ENTRY_OFFSET(templateNumber));
    std::string label;
    for (size_t i = 0; i < FP_INDEX_CALLER_DATA_SIZE && callerData[i] != 0; ++i) {
        label += static_cast<char>(callerData[i]);
    }
    return label;
}

}  // namespace

std::string KeyReport::describe() const {
    std::ostringstream text;
    for (const auto &problem : problems) text << "  " << problem << '\n';
    for (const auto &[number, label] : enrolled) text << "  entry " << number << ": \"" << label << "\"\n";
    text << "  template files no entry names: " << unnamedFiles << '\n';
    for (const auto &name : strayFiles) text << "  stray file beside the key: " << name << '\n';
    return text.str();
}

KeyReport inspectKey(const std::filesystem::path &stateFile) {
    KeyReport report;
    for (const auto &entry : std::filesystem::directory_iterator(stateFile.parent_path())) {
        const auto name = entry.path().filename();
        if (name != stateFile.filename() && name.string() != stateFile.filename().string() + ".lock") {
            report.strayFiles.push_back(name.string());
        }
    }
    std::ifstream in(stateFile, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    simkey::KeyState state;
    try {
        state = simkey::stateFromJson(nlohmann::json::parse(text.str()));
    } catch (const std::exception &error) {
        report.problems.push_back(std::string("the state file does not parse: ") + error.what());
        return report;
    }
    const auto &index = state.files.at(simkey::kTemplateIndexId);
    std::set<uint16_t> named;
    for (const auto &entry : simkey::readTemplateIndex(state)) {
        if (entry.fileId != 0) named.insert(entry.fileId);
        if (!entry.enrolled) continue;
        report.enrolled[entry.templateNumber] = labelOf(index, entry.templateNumber);
        if (!state.files.contains(entry.fileId)) {
            report.problems.push_back("entry " + std::to_string(entry.templateNumber) + " names file " +
                                      fileName(entry.fileId) + ", which the key does not have");
        }
    }
    for (const auto &[id, bytes] : state.files) {
        if (!simkey::isSystemFile(id) && !named.contains(id)) ++report.unnamedFiles;
    }
    return report;
}

}  // namespace durability_test
