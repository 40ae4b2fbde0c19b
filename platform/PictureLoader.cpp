#include "platform/PictureLoader.h"

#include <QFile>
#include <QImageReader>

#include <sys/stat.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>

#include "platform/SystemErrors.h"
#include "scene/regular_file.h"

namespace {

bool sizeAcceptable(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width * height * 3 <= kMaxPictureBytes;
}

QString tooLargeText(int64_t width, int64_t height) {
    return QStringLiteral("画像が大きすぎます (%1 x %2)").arg(width).arg(height);
}

// libjpeg reports fatal errors through error_exit, which must not return: it jumps back to the decoder with
// the formatted message. Warnings are remembered: all but two mean damaged data (cut off, bad Huffman codes,
// a premature end of a segment ...), and a damaged file is refused instead of being shown with a grey part.
struct JpegErrorManager {
    jpeg_error_mgr mgr;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool damaged;
};

void jpegErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    longjmp(err->jump, 1);
}

// Warnings about metadata the decoder can do without; the pixels are intact.
bool harmlessJpegWarning(int code) {
    return code == JWRN_ADOBE_XFORM || code == JWRN_JFIF_MAJOR;
}

void jpegEmitMessage(j_common_ptr cinfo, int level) {
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    if (level < 0) {
        ++cinfo->err->num_warnings;
        if (!harmlessJpegWarning(cinfo->err->msg_code) && !err->damaged) {
            err->damaged = true;
            (*cinfo->err->format_message)(cinfo, err->message);
        }
    }
    // Trace messages (level >= 0) are not wanted; nothing is printed.
}

// Whether `bytes` of compressed data can hold a picture of this size. Every 8 x 8 block of the first
// component costs at least one bit in Huffman coding (its DC difference), so far fewer bytes mean a header
// that lies about the size; arithmetic coding packs tighter and gets a wide margin.
bool jpegDataPlausible(int64_t bytes, int64_t width, int64_t height, bool arithmetic) {
    const int64_t blocks = ((width + 7) / 8) * ((height + 7) / 8);
    const int64_t minimum = arithmetic ? blocks / 8 / 64 : blocks / 8 / 2;
    return bytes >= minimum;
}

void jpegOutputMessage(j_common_ptr) {}

// Adobe writes CMYK JPEGs inverted (0 = full ink); that is by far the common kind.
void cmykLineToBgr(const JSAMPLE* cmyk, uchar* bgr, int width) {
    for (int x = 0; x < width; ++x) {
        const int c = cmyk[4 * x], m = cmyk[4 * x + 1], y = cmyk[4 * x + 2], k = cmyk[4 * x + 3];
        bgr[3 * x] = static_cast<uchar>(y * k / 255);
        bgr[3 * x + 1] = static_cast<uchar>(m * k / 255);
        bgr[3 * x + 2] = static_cast<uchar>(c * k / 255);
    }
}

// Decodes into *out. Only plain C data lives across setjmp here besides *out, which belongs to the caller;
// the jump unwinds libjpeg's own C frames only.
bool decodeJpeg(FILE* file, QImage* out, QString* error) {
    jpeg_decompress_struct cinfo;
    JpegErrorManager err;
    std::memset(&err, 0, sizeof err);
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpegErrorExit;
    err.mgr.emit_message = jpegEmitMessage;
    err.mgr.output_message = jpegOutputMessage;
    JSAMPLE* volatile cmykLine = nullptr;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        std::free(cmykLine);
        *out = QImage();
        *error = QStringLiteral("JPEG の復号に失敗しました: %1").arg(QString::fromLocal8Bit(err.message));
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    if (!sizeAcceptable(cinfo.image_width, cinfo.image_height)) {
        *error = tooLargeText(cinfo.image_width, cinfo.image_height);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    struct stat st;
    if (fstat(fileno(file), &st) == 0 &&
        !jpegDataPlausible(st.st_size, cinfo.image_width, cinfo.image_height, cinfo.arith_code)) {
        *error = QStringLiteral("JPEG のデータが大きさ (%1 x %2) に対して短すぎます")
                     .arg(cinfo.image_width)
                     .arg(cinfo.image_height);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_start_decompress(&cinfo);
    const int width = static_cast<int>(cinfo.output_width);
    const int height = static_cast<int>(cinfo.output_height);
    if (cinfo.output_components != (cmyk ? 4 : 3) || !sizeAcceptable(width, height)) {
        *error = QStringLiteral("JPEG の色形式に対応していません");
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    *out = QImage(width, height, QImage::Format_BGR888);
    if (out->isNull()) {
        *error = QStringLiteral("画像のためのメモリが足りません (%1 x %2)").arg(width).arg(height);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    if (cmyk) {
        cmykLine = static_cast<JSAMPLE*>(std::malloc(static_cast<size_t>(width) * 4));
        if (!cmykLine) {
            *error = QStringLiteral("画像のためのメモリが足りません");
            jpeg_destroy_decompress(&cinfo);
            *out = QImage();
            return false;
        }
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = static_cast<int>(cinfo.output_scanline);
        JSAMPROW row = cmyk ? cmykLine : reinterpret_cast<JSAMPROW>(out->scanLine(y));
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) break;
        if (cmyk) cmykLineToBgr(cmykLine, out->scanLine(y), width);
        if (err.damaged) break;
    }
    const bool cut = cinfo.output_scanline < cinfo.output_height;
    if (!cut && !err.damaged) jpeg_finish_decompress(&cinfo);  // warnings of the file's tail count too
    jpeg_destroy_decompress(&cinfo);
    std::free(cmykLine);
    if (err.damaged || cut) {
        *out = QImage();
        *error =
            err.damaged
                ? QStringLiteral("JPEG のデータが壊れています: %1").arg(QString::fromLocal8Bit(err.message))
                : QStringLiteral("JPEG のデータが途中で終わっています");
        return false;
    }
    return true;
}

uint32_t littleEndian(const uchar* p, int n) {
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

// Uncompressed bitmaps state how many bytes their pixels take; a file shorter than that is cut off. (The
// platform's reader would show the missing lines black instead of refusing the file.)
bool bitmapLengthPlausible(QFile& file, QString* error) {
    const QByteArray head = file.read(54);
    const auto* h = reinterpret_cast<const uchar*>(head.constData());
    if (head.size() < 26 || h[0] != 'B' || h[1] != 'M') {
        *error = QStringLiteral("ビットマップではありません");
        return false;
    }
    const uint32_t pixelsAt = littleEndian(h + 10, 4);
    const uint32_t infoSize = littleEndian(h + 14, 4);
    int64_t width, height, bits;
    uint32_t compression = 0;
    if (infoSize == 12) {  // OS/2 core header
        width = littleEndian(h + 18, 2);
        height = littleEndian(h + 20, 2);
        bits = littleEndian(h + 24, 2);
    } else if (infoSize >= 40 && head.size() >= 34) {
        width = static_cast<int32_t>(littleEndian(h + 18, 4));
        height = static_cast<int32_t>(littleEndian(h + 22, 4));
        bits = littleEndian(h + 28, 2);
        compression = littleEndian(h + 30, 4);
    } else {
        *error = QStringLiteral("ビットマップのヘッダーが壊れています");
        return false;
    }
    if (height < 0) height = -height;
    if (width <= 0 || height <= 0 || bits <= 0 || bits > 32) {
        *error = QStringLiteral("ビットマップのヘッダーが壊れています");
        return false;
    }
    if (!sizeAcceptable(width, height)) {
        *error = tooLargeText(width, height);
        return false;
    }
    // BI_RGB and BI_BITFIELDS: every line is stored, padded to four bytes.
    if (compression == 0 || compression == 3) {
        const int64_t stride = (width * bits + 31) / 32 * 4;
        if (int64_t(pixelsAt) + stride * height > file.size()) {
            *error = QStringLiteral("ビットマップのデータが途中で終わっています");
            return false;
        }
    }
    return true;
}

}  // namespace

// Opens a regular file for reading; a pipe or folder is refused with the reason.
FILE* openPictureFile(const QByteArray& path, QString* error) {
    FILE* file = open_regular_file(path.constData());
    if (!file) *error = QStringLiteral("ファイルを開けません: ") + systemErrorText(errno);
    return file;
}

QImage loadJpegPicture(const QByteArray& path, QString* error) {
    FILE* file = openPictureFile(path, error);
    if (!file) return QImage();
    QImage picture;
    const bool ok = decodeJpeg(file, &picture, error);
    std::fclose(file);
    return ok ? picture : QImage();
}

QImage loadBitmapPicture(const QByteArray& path, QString* error) {
    FILE* handle = openPictureFile(path, error);
    if (!handle) return QImage();
    QFile file;
    if (!file.open(handle, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        std::fclose(handle);
        *error = QStringLiteral("ファイルを開けません");
        return QImage();
    }
    if (!bitmapLengthPlausible(file, error)) return QImage();
    file.seek(0);
    QImageReader reader(&file, "bmp");
    reader.setAutoTransform(false);
    // The reader compares the header's size with its own limit before allocating; the limit is raised to
    // the largest picture this viewer accepts (its 32-bit form is a third larger than the 24-bit one).
    reader.setAllocationLimit(static_cast<int>(kMaxPictureBytes / 3 * 4 / (1024 * 1024)));
    const QSize size = reader.size();
    if (size.isValid() && !sizeAcceptable(size.width(), size.height())) {
        *error = tooLargeText(size.width(), size.height());
        return QImage();
    }
    QImage image = reader.read();
    if (image.isNull()) {
        *error = QStringLiteral("ビットマップの読み込みに失敗しました: %1").arg(reader.errorString());
        return QImage();
    }
    if (!sizeAcceptable(image.width(), image.height())) {
        *error = tooLargeText(image.width(), image.height());
        return QImage();
    }
    // Palette, 16-bit and 32-bit bitmaps all become blue, green, red bytes; an alpha channel is dropped.
    if (image.format() != QImage::Format_BGR888) image = image.convertToFormat(QImage::Format_BGR888);
    if (image.isNull()) *error = QStringLiteral("画像のためのメモリが足りません");
    return image;
}

QImage loadPicture(const QByteArray& path, PictureType type, QString* error) {
    QString ignored;
    QString* message = error ? error : &ignored;
    return type == PictureType::Jpeg ? loadJpegPicture(path, message) : loadBitmapPicture(path, message);
}
