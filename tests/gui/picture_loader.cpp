// Picture decoding: every kind of bitmap (compared with Qt's own reading of it) and JPEG becomes a 24-bit
// blue-green-red picture with the same colours; damaged and oversized files are refused with a message.
#include <QFile>
#include <QImage>

#include <cstring>
#include <fstream>

#include "GuiTestSupport.h"
#include "scene/picture_files.h"

namespace {

// The decoder's picture as an image, null when it refused the file with a reason.
QImage loadPicture(const QByteArray& path, PictureType type, QString* error) {
    DecodedPicture decoded;
    std::string why;
    if (!decode_picture(path.toStdString(), type, &decoded, &why)) {
        *error = QString::fromStdString(why);
        return QImage();
    }
    QImage image(decoded.width, decoded.height, QImage::Format_BGR888);
    for (int y = 0; y < decoded.height; ++y)
        std::memcpy(image.scanLine(y), decoded.line(y), static_cast<size_t>(decoded.stride()));
    return image;
}

QImage patternImage(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 7 % 256, y * 11 % 256, (x + y) * 5 % 256));
    return image;
}

TEST(PictureLoader, EveryBitmapDepthBecomes24BitWithTheSameColours) {
    guitest::TempDir dir;
    const QImage pattern = patternImage(37, 21);  // odd width: padded bitmap lines
    QImage grey(37, 21, QImage::Format_Grayscale8);
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 37; ++x)
            grey.scanLine(y)[x] = uchar(x * 6 + y);
    struct Case {
        const char* name;
        QImage image;
    } cases[] = {
        {"rgb32.bmp", pattern},
        {"argb.bmp", pattern.convertToFormat(QImage::Format_ARGB32)},
        {"indexed.bmp", pattern.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither)},
        {"grey.bmp", grey},
        {"mono.bmp", pattern.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = QString::fromStdString(dir.file(c.name));
        ASSERT_TRUE(c.image.save(path, "BMP"));
        const QImage expected(path);  // the platform's own reading of the file
        QString error;
        const QImage loaded = loadPicture(QFile::encodeName(path), PictureType::Bitmap, &error);
        ASSERT_FALSE(loaded.isNull()) << error.toStdString();
        EXPECT_EQ(loaded.format(), QImage::Format_BGR888);
        ASSERT_EQ(loaded.size(), expected.size());
        for (int y = 0; y < loaded.height(); ++y) {
            const uchar* line = loaded.constScanLine(y);
            for (int x = 0; x < loaded.width(); ++x) {
                const QRgb want = expected.pixel(x, y);
                ASSERT_EQ(line[3 * x], qBlue(want)) << x << "," << y;
                ASSERT_EQ(line[3 * x + 1], qGreen(want));
                ASSERT_EQ(line[3 * x + 2], qRed(want));
            }
        }
    }
}

TEST(PictureLoader, GreyAndColourJpegsBecome24Bit) {
    guitest::TempDir dir;
    QImage grey(64, 48, QImage::Format_Grayscale8);
    grey.fill(200);
    const QString greyPath = QString::fromStdString(dir.file("grey.jpg"));
    ASSERT_TRUE(grey.save(greyPath, "JPG", 95));
    QString error;
    const QImage loaded = loadPicture(QFile::encodeName(greyPath), PictureType::Jpeg, &error);
    ASSERT_FALSE(loaded.isNull()) << error.toStdString();
    EXPECT_EQ(loaded.format(), QImage::Format_BGR888);
    EXPECT_EQ(loaded.size(), QSize(64, 48));
    const uchar* p = loaded.constScanLine(20) + 3 * 30;
    EXPECT_NEAR(p[0], 200, 2);
    EXPECT_EQ(p[0], p[1]);
    EXPECT_EQ(p[1], p[2]);

    QImage colour(40, 30, QImage::Format_RGB32);
    colour.fill(qRgb(250, 20, 60));
    const QString colourPath = QString::fromStdString(dir.file("colour.jpg"));
    ASSERT_TRUE(colour.save(colourPath, "JPG", 95));
    const QImage c = loadPicture(QFile::encodeName(colourPath), PictureType::Jpeg, &error);
    ASSERT_FALSE(c.isNull());
    const uchar* q = c.constScanLine(10) + 3 * 10;
    EXPECT_NEAR(q[2], 250, 6);  // red byte last
    EXPECT_NEAR(q[1], 20, 6);
    EXPECT_NEAR(q[0], 60, 6);
}

TEST(PictureLoader, HugeHeaderSizesAreRefusedBeforeAllocating) {
    guitest::TempDir dir;
    // A bitmap header claiming 60000 x 60000 pixels of 24 bits in a file of 54 bytes.
    unsigned char h[54] = {'B', 'M'};
    auto le32 = [&](int at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            h[at + i] = uchar(v >> (8 * i));
    };
    le32(10, 54);
    le32(14, 40);
    le32(18, 60000);
    le32(22, 60000);
    h[26] = 1;
    h[28] = 24;
    const std::string big = dir.file("big.bmp");
    std::ofstream(big, std::ios::binary).write(reinterpret_cast<const char*>(h), 54);
    QString error;
    EXPECT_TRUE(loadPicture(QByteArray::fromStdString(big), PictureType::Bitmap, &error).isNull());
    EXPECT_FALSE(error.isEmpty());

    // A JPEG frame header claiming 60000 x 60000 (SOF0 with nothing after it).
    const unsigned char jpeg[] = {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x11, 0x08, 0xEA, 0x60, 0xEA, 0x60, 0x03,
                                  0x01, 0x22, 0x00, 0x02, 0x11, 0x01, 0x03, 0x11, 0x01, 0xFF, 0xD9};
    const std::string bigJpeg = dir.file("big.jpg");
    std::ofstream(bigJpeg, std::ios::binary).write(reinterpret_cast<const char*>(jpeg), sizeof jpeg);
    error.clear();
    EXPECT_TRUE(loadPicture(QByteArray::fromStdString(bigJpeg), PictureType::Jpeg, &error).isNull());
    EXPECT_FALSE(error.isEmpty());
    error.clear();
    EXPECT_TRUE(
        loadPicture(QByteArray::fromStdString(dir.file("none.jpg")), PictureType::Jpeg, &error).isNull());
    EXPECT_FALSE(error.isEmpty());
}

}  // namespace

ORVENNA_GUI_TEST_MAIN()
