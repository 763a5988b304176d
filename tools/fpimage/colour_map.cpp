#include "colour_map.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace fpkey {

Rgb ScaleColour(double t) {
    static constexpr std::array<Rgb, 9> kStops = {{{68, 1, 84},
                                                   {71, 44, 122},
                                                   {59, 81, 139},
                                                   {44, 113, 142},
                                                   {33, 144, 141},
                                                   {39, 173, 129},
                                                   {92, 200, 99},
                                                   {170, 220, 50},
                                                   {253, 231, 37}}};
    if (!(t > 0.0)) t = 0.0;  // also NaN
    t = std::min(t, 1.0);
    const double position = t * (kStops.size() - 1);
    const auto below = static_cast<size_t>(std::floor(position));
    if (below + 1 >= kStops.size()) return kStops.back();
    return Mix(kStops[below], kStops[below + 1], position - static_cast<double>(below));
}

}  // namespace fpkey
