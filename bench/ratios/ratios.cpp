// Reads Google Benchmark's JSON output and prints, for every benchmark named
// NAME/fpkey/ARGS that has a NAME/opencv/ARGS beside it, the two times and
// their ratio (fpkey / OpenCV: below 1 means fpkey is faster). Times are
// printed in microseconds whatever unit each benchmark reported in.
#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <string>

namespace {

struct Times {
    double fpkey = 0;
    double opencv = 0;
};

// "ImageLocalSumInt2Int/fpkey/512" -> {"ImageLocalSumInt2Int", "fpkey", "512"}
bool Split(const std::string &name, std::string *routine, std::string *side, std::string *args) {
    const auto first = name.find('/');
    if (first == std::string::npos) return false;
    const auto second = name.find('/', first + 1);
    *routine = name.substr(0, first);
    *side = name.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
    *args = second == std::string::npos ? "" : name.substr(second + 1);
    return true;
}

// Microseconds per reported unit; benchmarks choose their own units.
double MicrosecondsPer(const std::string &unit) {
    if (unit == "ns") return 1e-3;
    if (unit == "ms") return 1e3;
    if (unit == "s") return 1e6;
    return 1.0;  // "us"
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::cerr << "usage: fpkey_bench_ratios RESULTS.json\n";
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::cerr << "cannot read " << argv[1] << '\n';
        return 2;
    }
    const nlohmann::json results = nlohmann::json::parse(in, nullptr, false);
    if (results.is_discarded() || !results.contains("benchmarks")) {
        std::cerr << argv[1] << " is not Google Benchmark JSON output\n";
        return 2;
    }
    std::map<std::pair<std::string, std::string>, Times> pairs;
    for (const auto &run : results["benchmarks"]) {
        // With repetitions only the medians count; a single run counts as it is.
        if (run.value("run_type", "") == "aggregate" && run.value("aggregate_name", "") != "median") continue;
        std::string name = run.value("run_name", run.value("name", ""));
        std::string routine, side, args;
        if (!Split(name, &routine, &side, &args)) continue;
        const double time = run.value("cpu_time", 0.0) * MicrosecondsPer(run.value("time_unit", "ns"));
        Times &times = pairs[{routine, args}];
        if (side == "fpkey") times.fpkey = time;
        if (side == "opencv") times.opencv = time;
    }
    std::printf("%-32s %-8s %14s %14s %7s\n", "routine", "size", "fpkey us", "OpenCV us", "ratio");
    int compared = 0;
    int slower = 0;
    for (const auto &[key, times] : pairs) {
        if (times.fpkey <= 0 || times.opencv <= 0) continue;
        ++compared;
        slower += times.fpkey > times.opencv ? 1 : 0;
        std::printf("%-32s %-8s %14.2f %14.2f %7.2f\n", key.first.c_str(), key.second.c_str(), times.fpkey,
                    times.opencv, times.fpkey / times.opencv);
    }
    std::printf("%d of %d pairs above 1.0\n", slower, compared);
    return 0;
}
