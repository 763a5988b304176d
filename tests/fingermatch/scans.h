// Images for the fingermatch tests: the shared real scans, and prints drawn
// from a ridge phase with minutiae planted where the test wants them.
#ifndef FPKEY_TESTS_FINGERMATCH_SCANS_H
#define FPKEY_TESTS_FINGERMATCH_SCANS_H

#include <string>
#include <vector>

#include "fingermatch/gray_image.h"
#include "fingermatch/minutia.h"

namespace fingermatch_test {

// A scan of the shared set by its name, e.g. "fvc2002_db1b_101_1", at the
// resolution of its data set. Throws (failing the test) when it cannot be read.
fingermatch::GrayImage SharedScan(const std::string &name);

// The image turned by `degrees` (counterclockwise as displayed) about its
// centre and moved by (dx, dy) pixels, on a canvas grown to hold it; what
// the image did not cover is paper white.
fingermatch::GrayImage TurnedAndMoved(const fingermatch::GrayImage &image, double degrees, int dx, int dy);

// The image enlarged by `factor` (bilinear), declared at the resolution that
// makes it the same finger: 500 dpi times the factor.
fingermatch::GrayImage Enlarged(const fingermatch::GrayImage &image, double factor);

// A print of straight ridges running at `ridgeDegrees` (period 9 pixels)
// with short ridges laid into valleys (two endings each) and short valleys
// into ridges (two bifurcations each), 50 pixels long along the ridges: the
// print carries endings and bifurcations pointing both ways along the
// ridges, every one far from the others.
struct PlantedPrint {
    fingermatch::GrayImage image;
    std::vector<fingermatch::Minutia> planted;
};
PlantedPrint PrintWithPlantedMinutiae(double ridgeDegrees);

}  // namespace fingermatch_test

#endif
