// A real scan on the simulated key's sensor, read from a PGM or PNG file.
#ifndef FPKEY_SCAN_PLACEMENT_H
#define FPKEY_SCAN_PLACEMENT_H

#include <string>

#include "cli.h"

namespace fpkey {

// Reads the scan, hands it to the key and says what the sensor made of it.
void PlaceScan(Cli &cli, DeviceContext *key, const std::string &path, int dpi);

}  // namespace fpkey

#endif
