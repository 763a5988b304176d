#include "path_fit.h"

namespace fpkey {

std::string FitPath(const std::string &path, size_t width) {
    if (path.size() <= width) return path;
    const size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string marker = ".../";
    if (name.size() + marker.size() > width) return name;
    // As many whole folders as fit, nearest the file first.
    const std::string folders = path.substr(0, slash + 1);
    const size_t room = width - marker.size() - name.size();
    size_t start = folders.size();
    for (size_t cut = folders.find('/'); cut != std::string::npos; cut = folders.find('/', cut + 1)) {
        if (folders.size() - (cut + 1) <= room) {
            start = cut + 1;
            break;
        }
    }
    return marker + folders.substr(start) + name;
}

}  // namespace fpkey
