// The stored template: what goes in comes back, and nothing that is not a
// template is taken for one.
#include <gtest/gtest.h>

#include <zlib.h>

#include <functional>

#include "fingermatch/fingermatch.h"
#include "fingermatch/template_format.h"
#include "test_names.h"

namespace {

using fingermatch::Minutia;
using fingermatch::MinutiaType;
using fingermatch::Template;

Template SomeTemplate(size_t count) {
    Template t;
    t.width = 388;
    t.height = 374;
    for (size_t i = 0; i < count; ++i) {
        t.minutiae.push_back(
            {static_cast<int>(17 * i % 388), static_cast<int>(29 * i % 374), static_cast<float>(i) * 0.37f,
             i % 3 == 0 ? MinutiaType::kBifurcation : MinutiaType::kEnding, static_cast<uint8_t>(i % 101)});
    }
    fingermatch::FitToTemplateFile(&t);
    return t;
}

TEST(TemplateFormat, AStoredTemplateReadsBackAsItWasEvenInTheWholeKeyFile) {
    Template t = SomeTemplate(60);
    for (size_t i = 0; i < t.minutiae.size(); ++i)
        t.minutiae[i].view = static_cast<uint8_t>(i % fingermatch::kMaxViews);
    std::vector<uint8_t> bytes = fingermatch::Serialize(t);
    EXPECT_EQ(fingermatch::Parse(bytes), t);
    bytes.resize(fingermatch::kTemplateFileSize, 0);
    EXPECT_EQ(fingermatch::Parse(bytes), t);
}

TEST(TemplateFormat, TooManyMinutiaeFitTheKeyFileKeepingTheBestOnes) {
    const std::vector<uint8_t> bytes = fingermatch::Serialize(SomeTemplate(400));
    ASSERT_LE(bytes.size(), fingermatch::kTemplateFileSize);
    const auto parsed = fingermatch::Parse(bytes);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->minutiae.size(), fingermatch::kMaxStoredMinutiae);
    for (const Minutia &m : parsed->minutiae) EXPECT_GE(m.quality, 60);
}

struct Corruption {
    std::string name;
    std::function<void(std::vector<uint8_t> *)> spoil;
    bool resealed = false;  // the checksum made to fit the spoilt bytes
};

// A crafted template whose checksum agrees with its bytes.
void Reseal(std::vector<uint8_t> *b) {
    const size_t count = (static_cast<size_t>((*b)[10]) << 8) | (*b)[11];
    const size_t end = std::min(b->size(), 16 + 6 * count);
    uLong crc = crc32(crc32(0L, Z_NULL, 0), b->data(), 12);
    crc = crc32(crc, b->data() + 16, static_cast<uInt>(end - 16));
    for (int i = 0; i < 4; ++i) (*b)[12 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
}

class CorruptTemplate : public ::testing::TestWithParam<Corruption> {};

TEST_P(CorruptTemplate, IsRefused) {
    std::vector<uint8_t> bytes = fingermatch::Serialize(SomeTemplate(40));
    GetParam().spoil(&bytes);
    if (GetParam().resealed) Reseal(&bytes);
    EXPECT_FALSE(fingermatch::Parse(bytes));
}

void SetCount(std::vector<uint8_t> *b, unsigned count) {
    (*b)[10] = static_cast<uint8_t>(count >> 8);
    (*b)[11] = static_cast<uint8_t>(count);
}

INSTANTIATE_TEST_SUITE_P(
    Spoilt, CorruptTemplate,
    ::testing::Values(Corruption{"Empty", [](auto *b) { b->clear(); }},
                      Corruption{"HeaderOnlyHalf", [](auto *b) { b->resize(8); }},
                      Corruption{"LastMinutiaCut", [](auto *b) { b->pop_back(); }},
                      Corruption{"WrongMagic", [](auto *b) { (*b)[0] ^= 0x20; }},
                      Corruption{"NewerVersion", [](auto *b) { (*b)[4] = 2; }},
                      Corruption{"CountBeyondTheBytes", [](auto *b) { SetCount(b, 41); }},
                      Corruption{"CountBeyondTheFile",
                                 [](auto *b) {
                                     SetCount(b, fingermatch::kMaxStoredMinutiae + 1);
                                     b->resize(16 + 6 * (fingermatch::kMaxStoredMinutiae + 1), 0);
                                 }},
                      Corruption{"AMinutiaCoordinateGarbled", [](auto *b) { (*b)[16 + 6 * 7 + 1] ^= 0x04; }},
                      Corruption{"ADirectionGarbled", [](auto *b) { (*b)[16 + 6 * 3 + 4] ^= 0x80; }},
                      Corruption{"SomethingAfterTheMinutiae", [](auto *b) { b->push_back(1); }},
                      Corruption{"CraftedMinutiaOffTheImage", [](auto *b) { (*b)[16 + 6 * 2] |= 0x3F; }, true},
                      Corruption{"CraftedUnknownMinutiaType", [](auto *b) { (*b)[16] |= 0xC0; }, true},
                      Corruption{"CraftedFourthView", [](auto *b) { (*b)[16 + 2] |= 0xC0; }, true},
                      Corruption{"CraftedQualityAbove100", [](auto *b) { (*b)[16 + 5] = 101; }, true},
                      Corruption{"CraftedEmptyImage", [](auto *b) { (*b)[6] = (*b)[7] = 0; }, true}),
    fpkey_test::ByName());

TEST(TemplateFormat, ACorruptTemplateNeverMatches) {
    // Every single garbled byte of a stored template is refused, so none of
    // them can reach the matcher as another finger's features.
    const std::vector<uint8_t> good = fingermatch::Serialize(SomeTemplate(30));
    for (size_t at = 0; at < good.size(); ++at) {
        std::vector<uint8_t> bad = good;
        bad[at] ^= 0x10;
        EXPECT_FALSE(fingermatch::Parse(bad)) << "byte " << at;
    }
}

}  // namespace
