// make_synthetic: writes the fingerprint-like test picture as a gray PNG.
// Usage: make_synthetic OUTPUT.png [SIDE [PERIOD]]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "gray_image.h"
#include "synthetic_finger.h"

int main(int argc, char **argv) {
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: make_synthetic OUTPUT.png [SIDE [PERIOD]]\n");
        return 2;
    }
    const int side = argc > 2 ? std::atoi(argv[2]) : 256;
    const double period = argc > 3 ? std::atof(argv[3]) : 9.0;
    if (side < 32 || side > 4096 || period < 3.0 || period > 30.0) {
        std::fprintf(stderr, "make_synthetic: SIDE must be 32 ... 4096 and PERIOD 3 ... 30\n");
        return 2;
    }
    const fpkey::GrayImage image = fpkey::SyntheticFinger(side, side, period, 1);
    std::string error;
    if (!fpkey::WritePng(argv[1], image.height, image.width, 1, image.pixels.data(), &error)) {
        std::fprintf(stderr, "make_synthetic: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
