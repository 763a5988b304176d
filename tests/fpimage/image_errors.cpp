// Images fpimage cannot analyse are reported with a reason, never a crash.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <zlib.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "gray_image.h"
#include "image_run.h"
#include "patterns.h"
#include "temp_dir.h"

namespace fpkey {
namespace {

using patterns::TempDir;

std::string Pgm(int width, int height, size_t samples) {
    return "P5\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n" + std::string(samples, '\x80');
}

// A valid PNG of the given channels, cut to `keep` bytes when keep > 0.
std::string Png(const TempDir &dir, int channels, size_t keep) {
    const std::vector<uint8_t> samples(64 * 64 * static_cast<size_t>(channels), 90);
    std::string error;
    const std::string path = dir.File("source.png");
    EXPECT_TRUE(WritePng(path, 64, 64, channels, samples.data(), &error)) << error;
    std::string bytes(std::filesystem::file_size(path), '\0');
    std::ifstream(path, std::ios::binary).read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return keep > 0 ? bytes.substr(0, keep) : bytes;
}

struct BadImage {
    const char *name;
    std::function<std::string(const TempDir &)> bytes;  // empty result: no file at all
    const char *reason;
};

class UnusableImage : public ::testing::TestWithParam<BadImage> {};

TEST_P(UnusableImage, FailsWithAReasonAndNoPictures) {
    const TempDir dir;
    const std::string contents = GetParam().bytes(dir);
    const std::string path = contents.empty() ? dir.File("missing.png") : dir.Write("input", contents);
    const std::filesystem::path out = dir.File("out");
    std::filesystem::create_directories(out);
    const ImageOutcome outcome = AnalyzeFile(path, out.string(), "input");
    EXPECT_FALSE(outcome.summary.has_value());
    EXPECT_NE(outcome.error.find(GetParam().reason), std::string::npos) << outcome.error;
    EXPECT_TRUE(outcome.pictures.empty());
    EXPECT_TRUE(std::filesystem::is_empty(out));
}

const BadImage kBadImages[] = {
    {"Missing", [](const TempDir &) { return std::string(); }, "cannot open"},
    {"ColourPng", [](const TempDir &d) { return Png(d, 3, 0); }, "not an 8-bit gray image"},
    {"TruncatedPng", [](const TempDir &d) { return Png(d, 1, 60); }, "damaged"},
    {"TruncatedPgm", [](const TempDir &) { return Pgm(64, 64, 100); }, "shorter than its header"},
    {"OversizedPgm", [](const TempDir &) { return Pgm(40000, 40, 10); }, "at most 32767"},
    {"OneByOnePgm", [](const TempDir &) { return Pgm(1, 1, 1); }, "at least 32"},
    {"NotAnImage", [](const TempDir &) { return std::string("hello, world\n"); }, "not a PNG or binary PGM"},
};

INSTANTIATE_TEST_SUITE_P(Files, UnusableImage, ::testing::ValuesIn(kBadImages),
                         [](const auto &param) { return std::string(param.param.name); });

TEST(UsableImage, WritesSixCompletePictures) {
    const TempDir dir;
    const GrayImage image = patterns::RidgedDisc(96, 36, 9.0);
    const std::string path = dir.File("disc.png");
    std::string error;
    ASSERT_TRUE(WritePng(path, image.height, image.width, 1, image.pixels.data(), &error)) << error;
    const ImageOutcome outcome = AnalyzeFile(path, dir.File(""), "disc");
    ASSERT_TRUE(outcome.summary.has_value()) << outcome.error;
    ASSERT_EQ(outcome.pictures.size(), 6u);
    for (const auto &[kind, file] : outcome.pictures) {
        EXPECT_EQ(std::filesystem::path(file).filename(), "disc_" + kind + ".png");
        EXPECT_TRUE(std::filesystem::exists(file));
        EXPECT_FALSE(std::filesystem::exists(file + ".partial"));
    }
}

// A header of a few bytes claiming 32767 x 32767 pixels, padded to 150
// bytes: PGM samples, or a PNG whose IDAT holds nothing usable.
std::string GigapixelPgm() { return Pgm(32767, 32767, 150 - std::string("P5\n32767 32767\n255\n").size()); }

std::string Chunk(const char *type, const std::string &data) {
    std::string chunk;
    const auto put32 = [&chunk](uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) chunk.push_back(static_cast<char>(v >> shift));
    };
    put32(static_cast<uint32_t>(data.size()));
    const std::string body = type + data;
    chunk += body;
    put32(
        static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef *>(body.data()), static_cast<uInt>(body.size()))));
    return chunk;
}

std::string GigapixelPng() {
    // Width, height, 8-bit gray, default compression, filter and interlace.
    const std::string header("\x00\x00\x7f\xff\x00\x00\x7f\xff\x08\x00\x00\x00\x00", 13);
    std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", header);
    png += Chunk("IDAT", std::string(150 - png.size() - 12, '\0'));
    return png;
}

// A field of /proc/self/status in KiB.
long StatusKiB(const std::string &field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
    }
    return -1;
}

// Restarts the peak of resident memory at what the process holds now.
void RestartPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

struct HugeClaim {
    const char *name;
    std::string (*bytes)();
    uint64_t maxPixels;
    const char *reason;
};

class ImageClaimingAGigapixel : public ::testing::TestWithParam<HugeClaim> {};

// 32767 x 32767 samples would take a gigabyte before anything is read.
TEST_P(ImageClaimingAGigapixel, IsRefusedWithoutTakingTheMemory) {
    const TempDir dir;
    const std::string path = dir.Write("claim", GetParam().bytes());
    ASSERT_EQ(std::filesystem::file_size(path), 150u);
    RestartPeak();
    const long before = StatusKiB("VmRSS");

    const ImageOutcome outcome = AnalyzeFile(path, "", "claim", GetParam().maxPixels);

    EXPECT_NE(outcome.error.find(GetParam().reason), std::string::npos) << outcome.error;
    EXPECT_LT(StatusKiB("VmHWM") - before, 256 * 1024) << "KiB taken";
}

const HugeClaim kHugeClaims[] = {
    {"Pgm", GigapixelPgm, kDefaultMaxPixels, "more than the limit of 64000000 pixels"},
    {"Png", GigapixelPng, kDefaultMaxPixels, "more than the limit of 64000000 pixels"},
    // Allowed by the limit, but the file cannot hold that many samples.
    {"PgmWithTheLimitRaised", GigapixelPgm, 2'000'000'000, "shorter than its header"},
};

INSTANTIATE_TEST_SUITE_P(Files, ImageClaimingAGigapixel, ::testing::ValuesIn(kHugeClaims),
                         [](const auto &param) { return std::string(param.param.name); });

struct UnwritablePng {
    const char *name;
    std::string path;
    bool leavesPath;  // the path must still exist afterwards (a device)
};

TEST(UnwritablePng, IsReportedAndLeavesNoHalfWrittenFile) {
    const TempDir dir;
    const std::vector<uint8_t> samples(128 * 128, 77);
    const std::vector<UnwritablePng> cases = {
        {"missing folder", dir.File("absent/picture.png"), false},
        {"full device", "/dev/full", true},
    };
    for (const UnwritablePng &c : cases) {
        if (c.leavesPath && !std::filesystem::exists(c.path)) continue;  // no such device here
        std::string error;
        EXPECT_FALSE(WritePng(c.path, 128, 128, 1, samples.data(), &error)) << c.name;
        EXPECT_NE(error.find(c.path), std::string::npos) << c.name << ": " << error;
        EXPECT_EQ(std::filesystem::exists(c.path), c.leavesPath) << c.name;
    }
}

// Run in a child: a file-size limit makes the writes of a regular file fail
// part-way. Exits 0 when the write was refused and nothing is left behind.
[[noreturn]] void WriteUnderSizeLimit(const std::string &path, const std::vector<uint8_t> &samples) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
    std::string error;
    const bool written = WritePng(path, 256, 256, 1, samples.data(), &error);
    std::exit(!written && !std::filesystem::exists(path) ? 0 : 1);
}

TEST(UnwritablePng, FileCutShortByASizeLimitIsRemoved) {
    const TempDir dir;
    const std::string path = dir.File("cut.png");
    std::vector<uint8_t> noise(256 * 256);
    std::mt19937 random(7);  // noise does not compress below the limit
    for (uint8_t &sample : noise) sample = static_cast<uint8_t>(random());
    EXPECT_EXIT(WriteUnderSizeLimit(path, noise), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace fpkey
