// A plain breadth-first labelling of 4-connected regions, the yardstick for
// the scan-line fills.
#ifndef FPKEY_TESTS_IMAGING_REGIONS_REFERENCE_H
#define FPKEY_TESTS_IMAGING_REGIONS_REFERENCE_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <random>
#include <vector>

namespace regions_reference {

struct Region {
    std::vector<size_t> pixels;
    int left;
    int top;
    int right;
    int bottom;
};

// The region of pixels satisfying `member` that holds (row, col).
template <typename Member>
Region region_at(const std::vector<uint8_t> &image, int height, int width, int row, int col, Member member,
                 std::vector<bool> *seen = nullptr) {
    std::vector<bool> local;
    if (seen == nullptr) {
        local.assign(image.size(), false);
        seen = &local;
    }
    Region region{{}, width, height, 0, 0};
    std::deque<size_t> queue{static_cast<size_t>(row) * width + col};
    (*seen)[queue.front()] = true;
    while (!queue.empty()) {
        const size_t p = queue.front();
        queue.pop_front();
        region.pixels.push_back(p);
        const int y = static_cast<int>(p / width);
        const int x = static_cast<int>(p % width);
        region.left = std::min(region.left, x);
        region.right = std::max(region.right, x);
        region.top = std::min(region.top, y);
        region.bottom = std::max(region.bottom, y);
        const int dy[] = {-1, 1, 0, 0};
        const int dx[] = {0, 0, -1, 1};
        for (int k = 0; k < 4; ++k) {
            const int ny = y + dy[k];
            const int nx = x + dx[k];
            if (ny < 0 || ny >= height || nx < 0 || nx >= width) {
                continue;
            }
            const size_t q = static_cast<size_t>(ny) * width + nx;
            if (!(*seen)[q] && member(image[q])) {
                (*seen)[q] = true;
                queue.push_back(q);
            }
        }
    }
    return region;
}

// Every region of pixels satisfying `member`.
template <typename Member>
std::vector<Region> all_regions(const std::vector<uint8_t> &image, int height, int width, Member member) {
    std::vector<bool> seen(image.size(), false);
    std::vector<Region> regions;
    for (size_t p = 0; p < image.size(); ++p) {
        if (!seen[p] && member(image[p])) {
            regions.push_back(region_at(image, height, width, static_cast<int>(p / width), static_cast<int>(p % width),
                                        member, &seen));
        }
    }
    return regions;
}

// A mask of 0 and 255 with roughly `percent` per cent foreground.
inline std::vector<uint8_t> random_mask(int height, int width, int percent, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> roll(0, 99);
    std::vector<uint8_t> mask(static_cast<size_t>(height) * width);
    for (auto &p : mask) {
        p = roll(random) < percent ? 255 : 0;
    }
    return mask;
}

}  // namespace regions_reference

#endif
