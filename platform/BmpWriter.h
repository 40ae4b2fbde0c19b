// Writing a picture as an uncompressed 24-bit Windows bitmap (bottom-up lines of blue, green, red bytes,
// each padded to four bytes), readable by any viewer.
#pragma once

#include <QImage>
#include <QString>

// Writes `image` (any format; converted to 24 bits) to `path`. The file is written beside the target and
// renamed over it at the end, so a failed write leaves any earlier file as it was. Returns false and sets
// *error on failure.
bool WriteBmp24(const QImage& image, const QString& path, QString* error);
