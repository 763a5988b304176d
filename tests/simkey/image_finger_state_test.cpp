// The image finger in the key's state file: kept across sessions as
// features, files of older keys still load, and damaged members are refused
// with the field's name instead of reaching the matcher.
#include <gtest/gtest.h>

#include "fingermatch/template_format.h"
#include "simkey/state_json.h"
#include "test_names.h"

namespace {

using nlohmann::json;

simkey::KeyState keyWithImageFinger() {
    fingermatch::Template features{388, 374, {}};
    for (int i = 0; i < 12; ++i) {
        features.minutiae.push_back({20 + 25 * i, 30 + 20 * i, 0.5f * static_cast<float>(i),
                                     i % 2 ? fingermatch::MinutiaType::kEnding : fingermatch::MinutiaType::kBifurcation,
                                     70, 0});
    }
    simkey::KeyState key = simkey::factoryState("00112233445566FF");
    simkey::SensedImage sensed;
    sensed.status = fingermatch::ExtractStatus::kOk;
    sensed.figures = {40000, 45, 70, 12};
    sensed.features = fingermatch::Serialize(features);
    key.imageOnSensor = sensed;
    key.capturedImage = sensed;
    key.imageSlots[1] = sensed.features;
    return key;
}

TEST(ImageFingerState, SurvivesTheStateFile) {
    const simkey::KeyState key = keyWithImageFinger();
    EXPECT_EQ(simkey::stateFromJson(json::parse(simkey::stateToJson(key).dump())), key);
}

TEST(ImageFingerState, FilesWithoutImageFingersStillLoad) {
    json document = simkey::stateToJson(simkey::factoryState("00112233445566FF"));
    document.erase("imageFinger");
    const simkey::KeyState key = simkey::stateFromJson(document);
    EXPECT_FALSE(key.imageOnSensor);
    EXPECT_TRUE(key.imageSlots[0].empty());
}

struct DamageCase {
    const char *name;
    void (*damage)(json &imageFinger);
    const char *field;
};

const DamageCase kDamage[] = {
    {"SlotNotATemplate", [](json &f) { f["slots"][1] = "0011223344"; }, "imageFinger.slots[1]"},
    {"SlotNotHex", [](json &f) { f["slots"][1] = "zz"; }, "imageFinger.slots[1]"},
    {"SlotMissing", [](json &f) { f["slots"].erase(2); }, "imageFinger.slots"},
    {"FeaturesOfARefusedCapture", [](json &f) { f["captured"]["status"] = 2; }, "imageFinger.captured"},
    {"QualityOutOfRange", [](json &f) { f["onSensor"]["quality"] = 300; }, "imageFinger.onSensor.quality"},
};

class DamagedImageFinger : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamagedImageFinger, IsRefusedNamingTheField) {
    json document = simkey::stateToJson(keyWithImageFinger());
    GetParam().damage(document["imageFinger"]);
    try {
        simkey::stateFromJson(document);
        FAIL() << "the damaged state loaded";
    } catch (const simkey::StateFormatError &error) {
        EXPECT_NE(std::string(error.what()).find(GetParam().field), std::string::npos) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(StateFile, DamagedImageFinger, ::testing::ValuesIn(kDamage), fpkey_test::ByName());

}  // namespace
