// Thinning after Guo and Hall (1989): two alternating sub-iterations peel
// pixels off the ridge outline where their removal neither breaks a ridge
// nor shortens its end. A last pass removes the corner pixels that leave the
// lines two pixels thick at diagonal steps, which would otherwise read as
// endings or bifurcations to the crossing number.
#include <bit>
#include <cstddef>

#include "fingermatch/skeleton.h"

namespace fingermatch {

namespace {

bool Bit(uint8_t code, int i) { return ((code >> i) & 1) != 0; }

// Guo and Hall's conditions with their p2 ... p9 = N, NE, E, SE, S, SW, W, NW.
bool GuoHallRemovable(uint8_t code, int pass) {
    const bool p2 = Bit(code, 0), p3 = Bit(code, 1), p4 = Bit(code, 2), p5 = Bit(code, 3);
    const bool p6 = Bit(code, 4), p7 = Bit(code, 5), p8 = Bit(code, 6), p9 = Bit(code, 7);
    const int c = (!p2 && (p3 || p4)) + (!p4 && (p5 || p6)) + (!p6 && (p7 || p8)) + (!p8 && (p9 || p2));
    const int n1 = (p9 || p2) + (p3 || p4) + (p5 || p6) + (p7 || p8);
    const int n2 = (p2 || p3) + (p4 || p5) + (p6 || p7) + (p8 || p9);
    const int n = n1 < n2 ? n1 : n2;
    const bool m = pass == 0 ? ((p6 || p7 || !p9) && p8) : ((p2 || p3 || !p5) && p4);
    return c == 1 && n >= 2 && n <= 3 && !m;
}

// The number of 8-connected groups the set neighbours form among themselves.
int NeighbourGroups(uint8_t code) {
    int groups = 0;
    uint8_t seen = 0;
    for (int start = 0; start < 8; ++start) {
        if (!Bit(code, start) || Bit(seen, start)) continue;
        ++groups;
        uint8_t frontier = static_cast<uint8_t>(1 << start);
        seen |= frontier;
        while (frontier != 0) {
            const int i = std::countr_zero(frontier);
            frontier = static_cast<uint8_t>(frontier & ~(1 << i));
            for (int j = 0; j < 8; ++j) {
                if (!Bit(code, j) || Bit(seen, j)) continue;
                const int dx = kNeighbourDx[i] - kNeighbourDx[j];
                const int dy = kNeighbourDy[i] - kNeighbourDy[j];
                if (dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1) {
                    seen = static_cast<uint8_t>(seen | (1 << j));
                    frontier = static_cast<uint8_t>(frontier | (1 << j));
                }
            }
        }
    }
    return groups;
}

}  // namespace

uint8_t NeighbourCode(const std::vector<uint8_t> &plane, int width, int height, int x, int y) {
    uint8_t code = 0;
    for (int i = 0; i < 8; ++i) {
        const int nx = x + kNeighbourDx[i];
        const int ny = y + kNeighbourDy[i];
        if (nx < 0 || ny < 0 || nx >= width || ny >= height) continue;
        if (plane[static_cast<size_t>(ny) * width + nx] != 0) code = static_cast<uint8_t>(code | (1 << i));
    }
    return code;
}

int CrossingNumber(uint8_t code) {
    int changes = 0;
    for (int i = 0; i < 8; ++i) changes += Bit(code, i) != Bit(code, (i + 1) % 8);
    return changes / 2;
}

void ThinRidges(std::vector<uint8_t> *plane, int height, int width) {
    std::array<std::array<bool, 256>, 2> removable{};
    std::array<bool, 256> redundant{};
    for (int code = 0; code < 256; ++code) {
        const auto c = static_cast<uint8_t>(code);
        removable[0][static_cast<size_t>(code)] = GuoHallRemovable(c, 0);
        removable[1][static_cast<size_t>(code)] = GuoHallRemovable(c, 1);
        // A pixel whose neighbours hang together without it, which is not
        // the end of a line and whose removal opens no hole (one of its edge
        // neighbours is clear), only thickens the line.
        constexpr uint8_t kEdgeNeighbours = 0b01010101;
        redundant[static_cast<size_t>(code)] =
            std::popcount(c) >= 2 && NeighbourGroups(c) == 1 && (c & kEdgeNeighbours) != kEdgeNeighbours;
    }
    // A copy with a clear border of one pixel: every pixel has eight
    // neighbours to read, and only the ridge pixels are visited.
    const int stride = width + 2;
    std::vector<uint8_t> padded(static_cast<size_t>(stride) * (height + 2), 0);
    std::vector<size_t> ridge;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if ((*plane)[static_cast<size_t>(y) * width + x] == 0) continue;
            const size_t at = static_cast<size_t>(y + 1) * stride + x + 1;
            padded[at] = 1;
            ridge.push_back(at);
        }
    }
    std::array<std::ptrdiff_t, 8> offsets{};
    for (size_t i = 0; i < 8; ++i) offsets[i] = kNeighbourDy[i] * stride + kNeighbourDx[i];
    const auto code = [&](size_t at) {
        unsigned bits = 0;
        for (size_t i = 0; i < 8; ++i) bits |= static_cast<unsigned>(padded[at + offsets[i]]) << i;
        return static_cast<uint8_t>(bits);
    };
    std::vector<size_t> doomed;
    for (bool changed = true; changed;) {
        changed = false;
        for (int pass = 0; pass < 2; ++pass) {
            doomed.clear();
            for (const size_t at : ridge) {
                if (removable[static_cast<size_t>(pass)][code(at)]) doomed.push_back(at);
            }
            for (const size_t at : doomed) padded[at] = 0;
            changed = changed || !doomed.empty();
            std::erase_if(ridge, [&](size_t at) { return padded[at] == 0; });
        }
    }
    // Sequential, so that of two pixels that make each other redundant only
    // one goes.
    for (const size_t at : ridge) {
        if (redundant[code(at)]) padded[at] = 0;
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            (*plane)[static_cast<size_t>(y) * width + x] = padded[static_cast<size_t>(y + 1) * stride + x + 1];
        }
    }
}

}  // namespace fingermatch
