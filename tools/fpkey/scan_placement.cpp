#include "scan_placement.h"

#include <vector>

#include "gray_image.h"
#include "sim_status.h"

namespace fpkey {

void PlaceScan(Cli &cli, DeviceContext *key, const std::string &path, int dpi) {
    GrayImage image;
    std::string error;
    if (!ReadGrayImage(path, &image, &error)) throw UsageFailure{error};
    if (HXSimPlaceImage(key, static_cast<uint32_t>(image.height), static_cast<uint32_t>(image.width),
                        static_cast<uint32_t>(dpi), image.pixels.data()) != 0) {
        throw UsageFailure{"placing the scan: " + std::string(HXKeyLastError())};
    }
    const nlohmann::json status = SimStatus(key);
    const auto sensed = status.is_object() ? status.value("imageOnSensor", nlohmann::json()) : nlohmann::json();
    cli.Result()["image"] = path;
    cli.Result()["sensor"] = sensed;
    std::string line = "scan '" + path + "' on the sensor";
    if (sensed.is_object()) {
        line += " (quality " + sensed["quality"].dump() + ", area " + sensed["areaPercent"].dump() + " %, " +
                sensed["minutiae"].dump() + " minutiae)";
    }
    cli.Say(line);
}

}  // namespace fpkey
