// Writing a picture as an uncompressed 24-bit Windows bitmap (bottom-up lines of blue, green, red bytes,
// each padded to four bytes), readable by any viewer.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// The bitmap file's bytes for `image` (any format; converted to 24 bits); empty with *error set when there
// is no picture or it is too large for the format.
QByteArray encodeBmp24(const QImage& image, QString* error);

// Writes `image` as a bitmap to `path` whole or not at all (saveFileWhole). Returns false and sets *error
// on failure.
bool writeBmp24(const QImage& image, const QByteArray& path, QString* error);
