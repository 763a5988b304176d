// A real scan on the simulated key's sensor, read with Qt's image readers
// (8-bit gray PGM or PNG; colour images are brought to gray).
#ifndef FPLOGIN_SCAN_ON_SENSOR_H
#define FPLOGIN_SCAN_ON_SENSOR_H

#include <QtCore/QString>

#include "fpdevice/transport.h"

namespace fplogin {

// False with a sentence in *error when the file cannot be read or the key
// does not take the scan.
bool PlaceScan(DeviceContext *key, const QString &path, QString *error);

}  // namespace fplogin

#endif
