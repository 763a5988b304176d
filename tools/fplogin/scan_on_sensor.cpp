#include "scan_on_sensor.h"

#include <cstring>
#include <vector>

#include <QtGui/QImage>
#include <QtGui/QImageReader>

#include "hxkmgr.h"

namespace fplogin {

bool PlaceScan(DeviceContext *key, const QString &path, QString *error) {
    QImageReader reader(path);
    const QImage read = reader.read();
    if (read.isNull()) {
        *error = path + ": " + reader.errorString();
        return false;
    }
    const QImage gray = read.convertToFormat(QImage::Format_Grayscale8);
    const auto width = static_cast<size_t>(gray.width());
    // QImage pads its lines; the key takes them back to back.
    std::vector<uint8_t> pixels(width * static_cast<size_t>(gray.height()));
    for (int row = 0; row < gray.height(); ++row) {
        std::memcpy(pixels.data() + static_cast<size_t>(row) * width, gray.constScanLine(row), width);
    }
    if (HXSimPlaceImage(key, static_cast<uint32_t>(gray.height()), static_cast<uint32_t>(gray.width()), 0,
                        pixels.data()) != 0) {
        *error = QString("cannot place the scan: ") + HXKeyLastError();
        return false;
    }
    return true;
}

}  // namespace fplogin
