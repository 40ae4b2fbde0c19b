#include "scene/picture_files.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include <jerror.h>
#include <jpeglib.h>

#include "scene/regular_file.h"
#include "scene/remos.h"
#include "scene/system_errors.h"
#include "text/translated_text.h"

using orvenna::fill_text;
using orvenna::tr_text;

namespace {

bool size_acceptable(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= kMaxPictureBytes && height <= kMaxPictureBytes &&
           width * height * 3 <= kMaxPictureBytes;
}

std::string too_large_text(int64_t width, int64_t height) {
    return fill_text(tr_text("PictureFiles", "画像が大きすぎます (%1 x %2)"),
                     {std::to_string(width), std::to_string(height)});
}

std::string out_of_memory_text(int64_t width, int64_t height) {
    return fill_text(tr_text("PictureFiles", "画像のためのメモリが足りません (%1 x %2)"),
                     {std::to_string(width), std::to_string(height)});
}

// Sizes the picture's pixels; false when memory is short.
bool allocate(DecodedPicture* out, int width, int height) {
    try {
        out->bgr.assign(static_cast<size_t>(width) * 3 * static_cast<size_t>(height), 0);
    } catch (const std::bad_alloc&) {
        *out = DecodedPicture{};
        return false;
    }
    out->width = width;
    out->height = height;
    return true;
}

uint32_t little_endian(const unsigned char* p, int n) {
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

bool read_at(FILE* file, int64_t offset, void* dest, size_t n) {
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0 && std::fread(dest, 1, n, file) == n;
}

// ---- Bitmaps -------------------------------------------------------------------------------------------

// One colour component of a 16- or 32-bit pixel under its mask, widened to 8 bits: a component of up to 8
// bits is multiplied by 256 / 2^bits (a 5-bit 31 gives 248, as bitmap readers commonly give it), a wider one
// keeps its top 8 bits.
struct ChannelMask {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;  // the component's largest value
    int bits = 0;

    explicit ChannelMask(uint32_t m = 0) : mask(m) {
        if (!m) return;
        while (!((m >> shift) & 1u))
            ++shift;
        max = m >> shift;
        for (uint32_t v = max; v; v >>= 1)
            ++bits;
    }
    uint8_t operator()(uint32_t pixel) const {
        if (!mask) return 0;
        const uint32_t v = (pixel & mask) >> shift;
        if (bits <= 8) return static_cast<uint8_t>(v * (256u / (max + 1u)));
        return static_cast<uint8_t>(v >> (bits - 8));
    }
};

struct BitmapHeader {
    int64_t pixels_at = 0;
    int64_t width = 0, height = 0;
    bool top_down = false;
    int bits = 0;
    uint32_t compression = 0;       // 0 plain, 1 RLE8, 2 RLE4, 3 bit fields, 6 bit fields with alpha
    uint32_t masks[3] = {0, 0, 0};  // red, green, blue
    std::vector<uint8_t> palette;   // blue, green, red per entry
};

enum : uint32_t { kPlain = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

bool read_bitmap_header(FILE* file, int64_t file_size, BitmapHeader* h, std::string* error) {
    unsigned char head[14 + 124] = {};
    if (!read_at(file, 0, head, 18) || head[0] != 'B' || head[1] != 'M') {
        *error = tr_text("PictureFiles", "ビットマップではありません");
        return false;
    }
    const std::string broken = tr_text("PictureFiles", "ビットマップのヘッダーが壊れています");
    h->pixels_at = little_endian(head + 10, 4);
    const uint32_t info_size = little_endian(head + 14, 4);
    int palette_entry = 4;
    int64_t palette_at = 14 + static_cast<int64_t>(info_size);
    uint32_t colours_used = 0;
    if (info_size == 12) {  // OS/2 core header: 16-bit sizes, three-byte palette entries
        if (!read_at(file, 18, head + 18, 8)) {
            *error = broken;
            return false;
        }
        h->width = little_endian(head + 18, 2);
        h->height = little_endian(head + 20, 2);
        h->bits = static_cast<int>(little_endian(head + 24, 2));
        palette_entry = 3;
    } else if (info_size >= 40 && info_size <= 4096) {
        const uint32_t kept = std::min<uint32_t>(info_size, 124);
        if (!read_at(file, 18, head + 18, kept - 4)) {
            *error = broken;
            return false;
        }
        h->width = static_cast<int32_t>(little_endian(head + 18, 4));
        const int32_t height = static_cast<int32_t>(little_endian(head + 22, 4));
        h->top_down = height < 0;
        h->height = height < 0 ? -static_cast<int64_t>(height) : height;
        h->bits = static_cast<int>(little_endian(head + 28, 2));
        h->compression = little_endian(head + 30, 4);
        colours_used = little_endian(head + 46, 4);
        const bool fields = h->compression == kBitFields || h->compression == kAlphaBitFields;
        if (fields && info_size >= 52) {
            for (int i = 0; i < 3; ++i)
                h->masks[i] = little_endian(head + 54 + 4 * i, 4);
        } else if (fields) {
            // The masks follow a plain 40-byte header.
            unsigned char m[12];
            if (!read_at(file, 54, m, sizeof m)) {
                *error = broken;
                return false;
            }
            for (int i = 0; i < 3; ++i)
                h->masks[i] = little_endian(m + 4 * i, 4);
            palette_at += h->compression == kAlphaBitFields ? 16 : 12;
        }
    } else {
        *error = broken;
        return false;
    }

    const int b = h->bits;
    const bool known_bits = b == 1 || b == 4 || b == 8 || b == 16 || b == 24 || b == 32;
    const uint32_t c = h->compression;
    const bool known_compression = (c == kPlain) || (c == kRle8 && b == 8) || (c == kRle4 && b == 4) ||
                                   ((c == kBitFields || c == kAlphaBitFields) && (b == 16 || b == 32));
    if (h->width <= 0 || h->height <= 0 || !known_bits) {
        *error = broken;
        return false;
    }
    if (!known_compression || (h->top_down && (c == kRle8 || c == kRle4))) {
        *error = tr_text("PictureFiles", "このビットマップの圧縮形式には対応していません");
        return false;
    }
    if (!size_acceptable(h->width, h->height)) {
        *error = too_large_text(h->width, h->height);
        return false;
    }
    if (c == kPlain && b == 16) {
        h->masks[0] = 0x7C00, h->masks[1] = 0x03E0, h->masks[2] = 0x001F;
    } else if (c == kPlain && b == 32) {
        h->masks[0] = 0xFF0000, h->masks[1] = 0xFF00, h->masks[2] = 0xFF;
    }
    // Uncompressed lines are all stored, each padded to four bytes: a file shorter than that is cut off.
    if (c != kRle8 && c != kRle4) {
        const int64_t stride = (h->width * b + 31) / 32 * 4;
        if (h->pixels_at + stride * h->height > file_size) {
            *error = tr_text("PictureFiles", "ビットマップのデータが途中で終わっています");
            return false;
        }
    }
    if (b <= 8) {
        uint32_t entries = colours_used == 0 || colours_used > (1u << b) ? (1u << b) : colours_used;
        // A table that does not say its length ends where the pixels begin, at the latest.
        if (colours_used == 0 && h->pixels_at > palette_at)
            entries = std::min<uint32_t>(entries,
                                         static_cast<uint32_t>((h->pixels_at - palette_at) / palette_entry));
        std::vector<uint8_t> raw(static_cast<size_t>(entries) * palette_entry);
        if (!read_at(file, palette_at, raw.data(), raw.size())) {
            *error = broken;
            return false;
        }
        // Indices past the table draw black, as do the entries a short table leaves out.
        h->palette.assign(static_cast<size_t>(256) * 3, 0);
        for (uint32_t i = 0; i < entries; ++i)
            std::memcpy(&h->palette[i * 3], &raw[i * static_cast<size_t>(palette_entry)], 3);
    }
    return true;
}

// One stored line of an uncompressed bitmap into blue, green, red bytes.
void convert_bitmap_line(const BitmapHeader& h, const ChannelMask masks[3], const uint8_t* in, uint8_t* out,
                         int width) {
    switch (h.bits) {
        case 1:
        case 4:
        case 8: {
            const int per_byte = 8 / h.bits;
            const int mask = (1 << h.bits) - 1;
            for (int x = 0; x < width; ++x) {
                const int shift = (per_byte - 1 - x % per_byte) * h.bits;
                const int index = (in[x / per_byte] >> shift) & mask;
                std::memcpy(out + 3 * x, &h.palette[static_cast<size_t>(index) * 3], 3);
            }
            break;
        }
        case 24:
            std::memcpy(out, in, static_cast<size_t>(width) * 3);
            break;
        default: {  // 16 and 32 bits under masks
            const int bytes = h.bits / 8;
            for (int x = 0; x < width; ++x) {
                const uint32_t pixel = little_endian(in + x * bytes, bytes);
                out[3 * x] = masks[2](pixel);
                out[3 * x + 1] = masks[1](pixel);
                out[3 * x + 2] = masks[0](pixel);
            }
            break;
        }
    }
}

// Run-length coded 8- and 4-bit bitmaps: palette indices, bottom line first. Pixels the runs skip (a delta,
// an early end of line) keep index 0.
bool decode_bitmap_runs(const BitmapHeader& h, const std::vector<uint8_t>& data, DecodedPicture* out) {
    const int width = static_cast<int>(h.width), height = static_cast<int>(h.height);
    const bool four = h.compression == kRle4;
    int x = 0, y = 0;  // y counts lines from the bottom
    auto put = [&](int index) {
        if (x < width && y < height)
            std::memcpy(out->line(height - 1 - y) + 3 * x, &h.palette[static_cast<size_t>(index) * 3], 3);
        ++x;
    };
    for (int line = 0; line < height; ++line)  // index 0 everywhere first
        for (int x0 = 0; x0 < width; ++x0)
            std::memcpy(out->line(line) + 3 * x0, &h.palette[0], 3);
    size_t i = 0;
    while (i + 1 < data.size() && y < height) {
        const int count = data[i], value = data[i + 1];
        i += 2;
        if (count > 0) {
            for (int k = 0; k < count; ++k)
                put(four ? (k % 2 == 0 ? value >> 4 : value & 15) : value);
            continue;
        }
        if (value == 0) {  // end of line
            x = 0;
            ++y;
        } else if (value == 1) {  // end of picture
            return true;
        } else if (value == 2) {  // move right and up
            if (i + 1 >= data.size()) return false;
            x += data[i];
            y += data[i + 1];
            i += 2;
        } else {  // `value` pixels stored as they are, padded to a 16-bit boundary
            const size_t bytes = four ? (static_cast<size_t>(value) + 1) / 2 : static_cast<size_t>(value);
            if (i + bytes > data.size()) return false;
            for (int k = 0; k < value; ++k)
                put(four ? (k % 2 == 0 ? data[i + k / 2] >> 4 : data[i + k / 2] & 15) : data[i + k]);
            i += (bytes + 1) & ~size_t(1);
        }
    }
    return true;
}

bool decode_bitmap(FILE* file, int64_t file_size, DecodedPicture* out, std::string* error) {
    BitmapHeader h;
    if (!read_bitmap_header(file, file_size, &h, error)) return false;
    const int width = static_cast<int>(h.width), height = static_cast<int>(h.height);
    if (h.compression == kRle8 || h.compression == kRle4) {
        // The coded data is at most the rest of the file, which is real, not claimed.
        const int64_t length = file_size - h.pixels_at;
        if (length <= 0 || length > kMaxPictureBytes) {
            *error = tr_text("PictureFiles", "ビットマップのデータが途中で終わっています");
            return false;
        }
        std::vector<uint8_t> data;
        try {
            data.resize(static_cast<size_t>(length));
        } catch (const std::bad_alloc&) {
            *error = out_of_memory_text(width, height);
            return false;
        }
        if (!read_at(file, h.pixels_at, data.data(), data.size()) || !allocate(out, width, height)) {
            *error = out->empty() ? out_of_memory_text(width, height)
                                  : tr_text("PictureFiles", "ビットマップを読めません");
            return false;
        }
        if (!decode_bitmap_runs(h, data, out)) {
            *out = DecodedPicture{};
            *error = tr_text("PictureFiles", "ビットマップのデータが途中で終わっています");
            return false;
        }
        return true;
    }
    if (!allocate(out, width, height)) {
        *error = out_of_memory_text(width, height);
        return false;
    }
    const ChannelMask masks[3] = {ChannelMask(h.masks[0]), ChannelMask(h.masks[1]), ChannelMask(h.masks[2])};
    const int64_t stride = (h.width * h.bits + 31) / 32 * 4;
    std::vector<uint8_t> stored(static_cast<size_t>(stride));
    if (fseeko(file, static_cast<off_t>(h.pixels_at), SEEK_SET) != 0) {
        *out = DecodedPicture{};
        *error = tr_text("PictureFiles", "ビットマップを読めません");
        return false;
    }
    for (int k = 0; k < height; ++k) {
        if (std::fread(stored.data(), 1, stored.size(), file) != stored.size()) {
            *out = DecodedPicture{};
            *error = tr_text("PictureFiles", "ビットマップのデータが途中で終わっています");
            return false;
        }
        convert_bitmap_line(h, masks, stored.data(), out->line(h.top_down ? k : height - 1 - k), width);
    }
    return true;
}

// ---- JPEG ----------------------------------------------------------------------------------------------

// libjpeg reports fatal errors through error_exit, which must not return: it jumps back to the decoder with
// the formatted message. Warnings are remembered: all but two mean damaged data (cut off, bad Huffman codes,
// a premature end of a segment ...), and a damaged file is refused instead of being shown with a grey part.
struct JpegErrorManager {
    jpeg_error_mgr mgr;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool damaged;
};

void jpeg_error_exit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    longjmp(err->jump, 1);
}

// Warnings about metadata the decoder can do without; the pixels are intact.
bool harmless_jpeg_warning(int code) {
    return code == JWRN_ADOBE_XFORM || code == JWRN_JFIF_MAJOR;
}

void jpeg_emit_message(j_common_ptr cinfo, int level) {
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    if (level < 0) {
        ++cinfo->err->num_warnings;
        if (!harmless_jpeg_warning(cinfo->err->msg_code) && !err->damaged) {
            err->damaged = true;
            (*cinfo->err->format_message)(cinfo, err->message);
        }
    }
    // Trace messages (level >= 0) are not wanted; nothing is printed.
}

void jpeg_output_message(j_common_ptr) {}

// Whether `bytes` of compressed data can hold a picture of this size. Every 8 x 8 block of the first
// component costs at least one bit in Huffman coding (its DC difference), so far fewer bytes mean a header
// that lies about the size; arithmetic coding packs tighter and gets a wide margin.
bool jpeg_data_plausible(int64_t bytes, int64_t width, int64_t height, bool arithmetic) {
    const int64_t blocks = ((width + 7) / 8) * ((height + 7) / 8);
    const int64_t minimum = arithmetic ? blocks / 8 / 64 : blocks / 8 / 2;
    return bytes >= minimum;
}

// Adobe writes CMYK JPEGs inverted (0 = full ink); that is by far the common kind.
void cmyk_line_to_bgr(const JSAMPLE* cmyk, uint8_t* bgr, int width) {
    for (int x = 0; x < width; ++x) {
        const int c = cmyk[4 * x], m = cmyk[4 * x + 1], y = cmyk[4 * x + 2], k = cmyk[4 * x + 3];
        bgr[3 * x] = static_cast<uint8_t>(y * k / 255);
        bgr[3 * x + 1] = static_cast<uint8_t>(m * k / 255);
        bgr[3 * x + 2] = static_cast<uint8_t>(c * k / 255);
    }
}

// Only plain C data lives across setjmp here besides *out, which belongs to the caller and is only sized
// before the loop; the jump unwinds libjpeg's own C frames only.
bool decode_jpeg(FILE* file, int64_t file_size, DecodedPicture* out, std::string* error) {
    jpeg_decompress_struct cinfo;
    JpegErrorManager err;
    std::memset(&err, 0, sizeof err);
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpeg_error_exit;
    err.mgr.emit_message = jpeg_emit_message;
    err.mgr.output_message = jpeg_output_message;
    JSAMPLE* volatile cmyk_line = nullptr;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        std::free(cmyk_line);
        *error = fill_text(tr_text("PictureFiles", "JPEG の復号に失敗しました: %1"), {err.message});
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    if (!size_acceptable(cinfo.image_width, cinfo.image_height)) {
        *error = too_large_text(cinfo.image_width, cinfo.image_height);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    if (!jpeg_data_plausible(file_size, cinfo.image_width, cinfo.image_height, cinfo.arith_code)) {
        *error = fill_text(tr_text("PictureFiles", "JPEG のデータが大きさ (%1 x %2) に対して短すぎます"),
                           {std::to_string(cinfo.image_width), std::to_string(cinfo.image_height)});
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_start_decompress(&cinfo);
    const int width = static_cast<int>(cinfo.output_width);
    const int height = static_cast<int>(cinfo.output_height);
    if (cinfo.output_components != (cmyk ? 4 : 3) || !size_acceptable(width, height)) {
        *error = tr_text("PictureFiles", "JPEG の色形式に対応していません");
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    if (!allocate(out, width, height)) {
        *error = out_of_memory_text(width, height);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    if (cmyk) {
        cmyk_line = static_cast<JSAMPLE*>(std::malloc(static_cast<size_t>(width) * 4));
        if (!cmyk_line) {
            *error = out_of_memory_text(width, height);
            jpeg_destroy_decompress(&cinfo);
            return false;
        }
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = static_cast<int>(cinfo.output_scanline);
        JSAMPROW row = cmyk ? cmyk_line : out->line(y);
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) break;
        if (cmyk) cmyk_line_to_bgr(cmyk_line, out->line(y), width);
        if (err.damaged) break;
    }
    const bool cut = cinfo.output_scanline < cinfo.output_height;
    if (!cut && !err.damaged) jpeg_finish_decompress(&cinfo);  // warnings of the file's tail count too
    jpeg_destroy_decompress(&cinfo);
    std::free(cmyk_line);
    if (err.damaged || cut) {
        *error = err.damaged
                     ? fill_text(tr_text("PictureFiles", "JPEG のデータが壊れています: %1"), {err.message})
                     : tr_text("PictureFiles", "JPEG のデータが途中で終わっています");
        return false;
    }
    return true;
}

}  // namespace

bool picture_type_of_name(const std::string& path, PictureType* type) {
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    std::string ext = name.substr(dot);
    for (char& c : ext)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (ext == ".BMP") {
        *type = PictureType::Bitmap;
        return true;
    }
    if (ext == ".JPG") {
        *type = PictureType::Jpeg;
        return true;
    }
    return false;
}

bool decode_picture(const std::string& path, PictureType type, DecodedPicture* out, std::string* error) {
    std::string ignored;
    std::string* message = error ? error : &ignored;
    *out = DecodedPicture{};
    FILE* file = open_regular_file(path.c_str());
    if (!file) {
        const std::string why = system_error_text(errno);
        *message = fill_text(tr_text("PictureFiles", "ファイルを開けません: %1"), {why});
        return false;
    }
    struct stat st;
    const int64_t size = fstat(fileno(file), &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
    const bool ok = type == PictureType::Jpeg ? decode_jpeg(file, size, out, message)
                                              : decode_bitmap(file, size, out, message);
    std::fclose(file);
    if (!ok) *out = DecodedPicture{};
    return ok;
}

int picture_channel_offset(int channel) {
    switch (channel) {
        case 0:
            return 2;
        case 1:
            return 1;
        case 2:
            return 0;
        default:
            return -1;
    }
}

void count_picture_histogram(const DecodedPicture& picture, int channel, BandInfo* band) {
    if (!band) return;
    std::fill(std::begin(band->histogram), std::end(band->histogram), 0);
    const int offset = picture_channel_offset(channel);
    if (offset >= 0) {
        for (int y = 0; y < picture.height; ++y) {
            const uint8_t* line = picture.line(y);
            for (int x = 0; x < picture.width; ++x)
                ++band->histogram[line[3 * x + offset]];
        }
    }
    band->hist_peak = std::max(1, *std::max_element(std::begin(band->histogram), std::end(band->histogram)));
    band->hist_peak_inner = std::max(1, *std::max_element(band->histogram + 1, band->histogram + 255));
}
