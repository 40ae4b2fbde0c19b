#include "platform/BmpWriter.h"

#include "platform/FileSaver.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstring>

namespace {

void putLe32(unsigned char* p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

void putLe16(unsigned char* p, uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

}  // namespace

QByteArray encodeBmp24(const QImage& image, QString* error) {
    if (image.isNull()) {
        *error = QCoreApplication::translate("BmpWriter", "保存する画像がありません");
        return QByteArray();
    }
    const QImage bgr =
        image.format() == QImage::Format_BGR888 ? image : image.convertToFormat(QImage::Format_BGR888);
    const uint64_t stride = (uint64_t(bgr.width()) * 3 + 3) / 4 * 4;
    const uint64_t pixelBytes = stride * uint64_t(bgr.height());
    if (pixelBytes + 54 > 0x7FFFFFFFull) {
        *error = QCoreApplication::translate("BmpWriter", "画像が大きすぎます");
        return QByteArray();
    }

    QByteArray bytes(static_cast<qsizetype>(54 + pixelBytes), '\0');
    auto* header = reinterpret_cast<unsigned char*>(bytes.data());
    header[0] = 'B';
    header[1] = 'M';
    putLe32(header + 2, static_cast<uint32_t>(54 + pixelBytes));  // file size
    putLe32(header + 10, 54);                                     // offset of the pixels
    putLe32(header + 14, 40);                                     // BITMAPINFOHEADER
    putLe32(header + 18, static_cast<uint32_t>(bgr.width()));
    putLe32(header + 22, static_cast<uint32_t>(bgr.height()));  // positive: bottom-up
    putLe16(header + 26, 1);                                    // planes
    putLe16(header + 28, 24);                                   // bits per pixel
    putLe32(header + 34, static_cast<uint32_t>(pixelBytes));
    putLe32(header + 38, 2835);  // 72 dpi
    putLe32(header + 42, 2835);
    unsigned char* line = header + 54;
    for (int y = bgr.height() - 1; y >= 0; --y) {
        std::memcpy(line, bgr.constScanLine(y), static_cast<size_t>(bgr.width()) * 3);
        line += stride;
    }
    return bytes;
}

bool writeBmp24(const QImage& image, const QByteArray& path, QString* error) {
    const QByteArray bytes = encodeBmp24(image, error);
    return !bytes.isEmpty() && saveFileWhole(path, bytes, error);
}
