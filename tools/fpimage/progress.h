// Progress of a batch on standard error: a bar redrawn in place on a
// terminal, one plain line per image otherwise (logs, pipes).
#ifndef FPKEY_TOOLS_FPIMAGE_PROGRESS_H
#define FPKEY_TOOLS_FPIMAGE_PROGRESS_H

#include <cstdio>
#include <string>

namespace fpkey {

class Progress {
public:
    Progress(std::FILE *stream, bool terminal, int total) : stream_(stream), terminal_(terminal), total_(total) {}

    // Before image number done + 1 starts.
    void Starting(int done, const std::string &name);
    // After an image; failed images are always named with their reason.
    void Finished(int done, const std::string &name, const std::string &error);
    // Clears the bar.
    void End();

private:
    std::FILE *stream_;
    bool terminal_;
    int total_;
};

// The bar for done of total: "[#####-----] done/total".
std::string ProgressBar(int done, int total, int width);

// The bar and the path of the image under way, in width columns; the path
// gives way from the left, the file name stays whole.
std::string ProgressLine(int done, int total, const std::string &path, size_t width);

}  // namespace fpkey

#endif
