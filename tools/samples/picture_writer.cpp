// Pictures of the landscape in natural colour (red, green, blue bands): a 24-bit Windows bitmap and a JPEG.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "tools/samples/output_file.h"
#include "tools/samples/sample_scenes.h"

namespace samples {
namespace {

// One picture line as red, green, blue bytes.
void rgb_row(int y, int width, int height, std::vector<uint8_t>* rgb, std::vector<uint8_t>* channel) {
    const Band order[3] = {Band::Red, Band::Green, Band::Blue};
    for (int c = 0; c < 3; ++c) {
        band_row(order[c], y, width, height, channel->data());
        for (int x = 0; x < width; ++x)
            (*rgb)[3 * size_t(x) + size_t(c)] = (*channel)[size_t(x)];
    }
}

struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void jpeg_error_exit(j_common_ptr cinfo) {
    JpegError* err = reinterpret_cast<JpegError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    longjmp(err->jump, 1);
}

}  // namespace

bool write_bmp(const std::string& path, int width, int height, std::string* error) {
    const uint64_t stride = (uint64_t(width) * 3 + 3) / 4 * 4;  // rows padded to 4 bytes
    if (width < 1 || height < 1 || stride * uint64_t(height) + 54 > 0x7FFFFFFFull)
        return fail(error, "BMP size out of range: " + path);
    const uint32_t image_size = uint32_t(stride * uint64_t(height));

    Bytes h(54);
    h.text(0, "BM");
    h.le32(2, 54 + image_size);  // file size
    h.le32(10, 54);              // offset of the pixels
    h.le32(14, 40);              // BITMAPINFOHEADER
    h.le32(18, uint32_t(width));
    h.le32(22, uint32_t(height));  // positive: bottom-up rows
    h.le16(26, 1);                 // planes
    h.le16(28, 24);                // bits per pixel
    h.le32(30, 0);                 // no compression
    h.le32(34, image_size);
    h.le32(38, 2835);  // 72 dpi
    h.le32(42, 2835);

    OutputFile out(path);
    out.write(h);
    std::vector<uint8_t> rgb(size_t(width) * 3), channel(static_cast<size_t>(width)), row(size_t(stride), 0);
    for (int y = height - 1; y >= 0 && out.ok(); --y) {
        rgb_row(y, width, height, &rgb, &channel);
        for (int x = 0; x < width; ++x) {  // stored blue, green, red
            row[3 * size_t(x)] = rgb[3 * size_t(x) + 2];
            row[3 * size_t(x) + 1] = rgb[3 * size_t(x) + 1];
            row[3 * size_t(x) + 2] = rgb[3 * size_t(x)];
        }
        out.write(row.data(), row.size());
    }
    return out.close(error);
}

bool write_jpeg(const std::string& path, int width, int height, int quality, std::string* error) {
    if (width < 1 || height < 1 || width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION)
        return fail(error, "JPEG size out of range: " + path);
    std::vector<uint8_t> rgb(size_t(width) * 3), channel(static_cast<size_t>(width));

    jpeg_compress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpeg_error_exit;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::free(buffer);
        return fail(error, "cannot encode " + path + ": " + err.message);
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    for (int y = 0; y < height; ++y) {
        rgb_row(y, width, height, &rgb, &channel);
        JSAMPROW row = rgb.data();
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);

    OutputFile out(path);
    out.write(buffer, size);
    std::free(buffer);
    return out.close(error);
}

}  // namespace samples
