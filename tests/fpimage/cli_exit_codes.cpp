// The fpimage command line: exit codes, JSON keys, pictures on disk.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "gray_image.h"
#include "patterns.h"
#include "temp_dir.h"

namespace fpkey {
namespace {

using patterns::TempDir;

struct Outcome {
    int status = -1;
    std::string out;  // standard output only
};

// Runs fpimage with the arguments (quoted for the shell); stderr is dropped.
Outcome Fpimage(const std::vector<std::string> &arguments) {
    std::string command = std::string(FPKEY_BINARY_DIR) + "/bin/fpimage";
    for (const std::string &argument : arguments) command += " '" + argument + "'";
    command += " 2>/dev/null";
    Outcome outcome;
    FILE *pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return outcome;
    char buffer[4096];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) outcome.out.append(buffer, got);
    const int status = pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

std::string Finger(const TempDir &dir, const std::string &name) {
    const GrayImage image = patterns::RidgedDisc(96, 36, 9.0);
    std::string error;
    EXPECT_TRUE(WritePng(dir.File(name), image.height, image.width, 1, image.pixels.data(), &error)) << error;
    return dir.File(name);
}

struct CliCase {
    const char *name;
    std::vector<std::string> arguments;  // "GOOD" and "BAD" stand for image files
    int status;
};

class ExitStatus : public ::testing::TestWithParam<CliCase> {};

TEST_P(ExitStatus, MatchesTheOutcome) {
    const TempDir dir;
    const std::string good = Finger(dir, "good.png");
    const std::string bad = dir.Write("bad.pgm", "P5\n1 1\n255\n\x01");
    std::vector<std::string> arguments;
    for (const std::string &a : GetParam().arguments) arguments.push_back(a == "GOOD" ? good : a == "BAD" ? bad : a);
    EXPECT_EQ(Fpimage(arguments).status, GetParam().status);
}

const CliCase kCliCases[] = {
    {"OneGoodImage", {"analyze", "GOOD"}, 0},
    {"TwoGoodImages", {"analyze", "GOOD", "GOOD"}, 0},
    {"OneBadImage", {"analyze", "BAD"}, 1},
    {"BadAmongGood", {"analyze", "GOOD", "BAD", "GOOD"}, 1},
    {"NoImage", {"analyze"}, 2},
    {"NoCommand", {}, 2},
    {"UnknownOption", {"analyze", "--colour", "GOOD"}, 2},
    {"OutIsAFile", {"analyze", "GOOD", "--out", "GOOD"}, 2},
    // The finger is 96 x 96 = 9216 pixels.
    {"MaxPixelsBelowTheImage", {"analyze", "--max-pixels", "9215", "GOOD"}, 1},
    {"MaxPixelsAtTheImage", {"analyze", "--max-pixels", "9216", "GOOD"}, 0},
    {"MaxPixelsZero", {"analyze", "--max-pixels", "0", "GOOD"}, 2},
    {"BadAmongGoodOnThreeWorkers", {"analyze", "-j", "3", "GOOD", "BAD", "GOOD", "GOOD"}, 1},
    {"NoWorkers", {"analyze", "-j", "0", "GOOD"}, 2},
};

INSTANTIATE_TEST_SUITE_P(Runs, ExitStatus, ::testing::ValuesIn(kCliCases),
                         [](const auto &param) { return std::string(param.param.name); });

TEST(JsonReport, HasEveryKeyAndReportsTheBadImage) {
    const TempDir dir;
    const std::string good = Finger(dir, "good.png");
    const std::string bad = dir.Write("bad.png", "not an image");
    const Outcome run = Fpimage({"analyze", good, bad, "--json", "--out", dir.File("pictures")});
    EXPECT_EQ(run.status, 1);
    const nlohmann::json report = nlohmann::json::parse(run.out);
    EXPECT_EQ(report["ok"], false);
    EXPECT_EQ(report["failed"], 1);
    ASSERT_EQ(report["images"].size(), 2u);
    const nlohmann::json &first = report["images"][0];
    for (const char *key : {"path", "ok", "height", "width", "threshold", "foreground_share", "quality_mean",
                            "quality_lowest", "median_ridge_spacing_px", "broken", "complexity", "pictures"}) {
        EXPECT_TRUE(first.contains(key)) << key;
    }
    EXPECT_EQ(first["ok"], true);
    EXPECT_EQ(first["height"], 96);
    for (const char *kind : {"mask", "orientation", "spacing", "quality", "overview"}) {
        ASSERT_TRUE(first["pictures"].contains(kind)) << kind;
        EXPECT_TRUE(std::filesystem::exists(first["pictures"][kind].get<std::string>())) << kind;
    }
    const nlohmann::json &second = report["images"][1];
    EXPECT_EQ(second["ok"], false);
    EXPECT_EQ(second["path"], bad);
    EXPECT_FALSE(second["error"].get<std::string>().empty());
}

TEST(JsonReport, SeveralWorkersReportTheImagesInTheOrderGiven) {
    const TempDir dir;
    std::vector<std::string> arguments = {"analyze", "--json", "-j", "3"};
    std::vector<std::string> paths;
    for (int i = 0; i < 7; ++i) {
        paths.push_back(i == 3 ? dir.Write("bad.png", "not an image") : Finger(dir, std::to_string(i) + ".png"));
        arguments.push_back(paths.back());
    }
    const Outcome run = Fpimage(arguments);
    EXPECT_EQ(run.status, 1);
    const nlohmann::json report = nlohmann::json::parse(run.out);
    ASSERT_EQ(report["images"].size(), paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
        EXPECT_EQ(report["images"][i]["path"], paths[i]);
        EXPECT_EQ(report["images"][i]["ok"], i != 3) << i;
    }
}

TEST(TextReport, SeveralImagesGiveATableRowEach) {
    const TempDir dir;
    const std::string a = Finger(dir, "a.png");
    const std::string b = Finger(dir, "b.png");
    const Outcome run = Fpimage({"analyze", a, b});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("IMAGE"), std::string::npos);
    // Long paths are cut from the front; the file name always shows, followed by the size.
    for (const char *name : {"a.png ", "b.png "}) {
        const size_t at = run.out.find(name);
        ASSERT_NE(at, std::string::npos) << name;
        const std::string row = run.out.substr(at, run.out.find('\n', at) - at);
        EXPECT_NE(row.find(" x "), std::string::npos) << "row without a size: " << row;
    }
}

}  // namespace
}  // namespace fpkey
