#include "progress.h"

#include <algorithm>

#include "path_fit.h"

namespace fpkey {

std::string ProgressBar(int done, int total, int width) {
    const int filled = total > 0 ? static_cast<int>(static_cast<long>(width) * std::clamp(done, 0, total) / total) : 0;
    // Built by appending: g++ 12 at -O3 warns falsely about a chain of +.
    std::string bar = "[";
    bar.append(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(width - filled), '-');
    bar.append("] ").append(std::to_string(done)).append("/").append(std::to_string(total));
    return bar;
}

std::string ProgressLine(int done, int total, const std::string &path, size_t width) {
    std::string line = ProgressBar(done, total, 30);
    const size_t room = width > line.size() + 1 ? width - line.size() - 1 : 0;
    line.append(" ").append(FitPath(path, room));
    return line;
}

void Progress::Starting(int done, const std::string &name) {
    if (!terminal_) return;
    const std::string line = ProgressLine(done, total_, name, 78);
    std::fprintf(stream_, "\r\033[K%s", line.c_str());
    std::fflush(stream_);
}

void Progress::Finished(int done, const std::string &name, const std::string &error) {
    if (terminal_) {
        if (!error.empty()) std::fprintf(stream_, "\r\033[Kfpimage: %s: %s\n", name.c_str(), error.c_str());
        return;
    }
    std::fprintf(stream_, "fpimage: [%d/%d] %s: %s\n", done, total_, name.c_str(),
                 error.empty() ? "done" : error.c_str());
}

void Progress::End() {
    if (terminal_) std::fprintf(stream_, "\r\033[K");
    std::fflush(stream_);
}

}  // namespace fpkey
