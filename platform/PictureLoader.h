// Decoding of the picture files the viewer lists as three bands (Windows bitmaps and JPEG files) into one
// 24-bit picture: each line holds the pixels as blue, green, red bytes (QImage::Format_BGR888), whatever the
// file's own pixel format (palette, grey, 16 or 32 bits, CMYK JPEG).
#pragma once

#include <QImage>
#include <QString>

#include <cstdint>

enum class PictureType { Bitmap, Jpeg };

// Largest decoded picture accepted, in bytes of 24-bit pixels. Larger pictures are refused before any pixel
// memory is allocated (a header can claim any size).
inline constexpr int64_t kMaxPictureBytes = 0x7FFFFFFF;

// Decodes the file at `path` (bytes as the file system holds them; only regular files) as the given type. On
// success returns a non-null Format_BGR888 image; on failure returns a null image and sets *error to a short
// description of what went wrong (never exits, never throws).
QImage loadPicture(const QByteArray& path, PictureType type, QString* error);

// The two decoders behind loadPicture.
QImage loadBitmapPicture(const QByteArray& path, QString* error);
QImage loadJpegPicture(const QByteArray& path, QString* error);
