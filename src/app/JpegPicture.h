#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace vrl {

// Decodes a baseline or progressive JPEG (greyscale or colour) through libjpeg's own API.
// Throws std::runtime_error when the data is not a JPEG image it can decode.
QImage decodeJpeg(const QByteArray &data);

// Reads a JPEG picture from the program's resources (":/pictures/<name>") and decodes it.
QImage loadJpegPicture(const QString &name);

} // namespace vrl
