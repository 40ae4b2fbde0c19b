// remos: opening scene files, recognising their format and describing their bands.
//
// Every header reader checks that the values it takes make sense (sample widths, record sizes, counts) and
// that the image data they imply lies inside the file before it allocates anything, so a damaged or hostile
// file is refused with "unknown format" instead of being read past its end.
#include "scene/remos.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>

#include "scene/SceneHandle.h"
#include "scene/regular_file.h"
#include "scene/remos_gdal.h"
#include "scene/remos_io.h"
#include "scene/remos_values.h"
#include "scene/scene_url.h"
#include "scene/tiff_blocks.h"
#include "scene/tifrec.h"

namespace {

constexpr int kDetectBytes = 63;
constexpr int kNativeHeaderBytes = 512;
constexpr int kCeosBlockOffset = 180;
constexpr int kMaxBands = 65535;

// Largest value a sample of `bits` bits can hold, 2^bits - 1 computed in floating point and kept in 32 bits.
uint32_t full_scale_of(int bits) {
    if (bits >= 32) return 0xFFFFFFFFu;
    if (bits <= 0) return 0;
    return static_cast<uint32_t>(std::ldexp(1.0, bits) - 1.0);
}

// Sample widths the pixel readers can turn into 8-bit values: 8 and 16 bits as stored, and 32-bit integers,
// which are scaled like 16-bit ones. Anything else would leave rows undrawn.
bool line_mode_bits_supported(int bits) {
    return bits == 8 || bits == 16 || bits == 32;
}

// Byte just past the band's last sample (last line, last column), from its layout; false on overflow.
bool image_end(const BandInfo& b, int64_t* end) {
    int64_t off = 0;
    if (!remos_io::sample_offset(&b, static_cast<int64_t>(b.lines) - 1, static_cast<int64_t>(b.width) - 1,
                                 &off))
        return false;
    *end = off + b.bytes_per_sample;
    return true;
}

// Whether a filled band record describes a readable layout that lies wholly inside a file of `size` bytes.
bool band_fits_file(const BandInfo& b, int64_t size) {
    if (b.width <= 0 || b.lines <= 0 || b.bytes_per_sample <= 0 || b.band_count <= 0) return false;
    if (b.data_offset < 0 || b.prefix_bytes < 0 || b.suffix_bytes < 0) return false;
    if (b.index < 0 || b.index >= b.band_count) return false;
    if (b.interleave == REMOS_BY_LINE || b.interleave == REMOS_BY_GROUP) {
        int64_t group = b.interleave == REMOS_BY_GROUP ? b.samples_per_group : 1;
        if (group <= 0) return false;
        int64_t used = static_cast<int64_t>(b.prefix_bytes) + b.suffix_bytes +
                       static_cast<int64_t>(b.width) * group * b.bytes_per_sample;
        if (b.record_length <= 0 || used > b.record_length) return false;
    }
    int64_t end = 0;
    if (!image_end(b, &end)) return false;
    return size >= 0 && end <= size;
}

// Fills the parts of a band record that every reader sets alike.
void set_band_common(BandInfo* b, int index, int band_count, int bits, FILE* file) {
    b->index = index;
    b->band_count = band_count;
    b->bits = bits;
    b->bytes_per_sample = bits / 8;
    b->range_low = 0;
    b->full_scale = full_scale_of(bits);
    b->range_high = static_cast<int32_t>(b->full_scale);
    b->file = file;
    b->sample_type = bits == 16 ? REMOS_SAMPLE_U16 : bits == 32 ? REMOS_SAMPLE_U32 : REMOS_SAMPLE_U8;
}

// Sets the scene's size from band 0 once every band record is complete.
void finish_scene(SceneFile* scene, int count) {
    scene->band_count = static_cast<uint32_t>(count);
    scene->width = scene->bands[0].width;
    scene->height = static_cast<uint32_t>(scene->bands[0].lines);
}

// Checks every band of the freshly filled scene against the file; releases the records on failure.
int accept_bands(SceneFile* scene, int count) {
    int64_t size = remos_io::file_size(scene->file);
    for (int i = 0; i < count; ++i) {
        if (!band_fits_file(scene->bands[i], size)) {
            free(scene->bands);
            scene->bands = nullptr;
            scene->band_count = 0;
            return 0;
        }
    }
    finish_scene(scene, count);
    return 1;
}

// CEOS image file: the descriptor record's length at byte 8, then decimal text fields from byte 180 on.
int read_ceos_header(SceneFile* scene) {
    const int format = scene->format;
    const int block_bytes = format == FMT_CEOS ? 116 : 112;
    unsigned char head[12];
    unsigned char block[116];
    if (remos_io::read_at(scene->file, 0, head, sizeof head) != sizeof head) return 0;
    if (remos_io::read_at(scene->file, kCeosBlockOffset, block, block_bytes) !=
        static_cast<size_t>(block_bytes))
        return 0;
    uint32_t descriptor_length = remos_bytes_to_uint(head + 8, 4, 0);
    if (descriptor_length > static_cast<uint32_t>(INT32_MAX)) return 0;
    auto field = [&](int offset, int width) {
        return remos_decimal_field(block + (offset - kCeosBlockOffset), width);
    };

    int lines = 0, record_length = field(186, 6), bits = field(216, 4), samples_per_group = 0, prefix = 0,
        suffix = 0;
    if (format == FMT_CEOS) {
        lines = field(180, 6);
        prefix = field(280, 4);
        suffix = field(292, 4);
    } else {
        lines = format == FMT_CEOS_PSRC ? field(180, 6) : field(236, 8);
        prefix = field(276, 4);
        suffix = field(288, 4);
        if (format == FMT_CEOS_PSRB) samples_per_group = field(220, 4);
    }
    // Values that make the derived sizes meaningless.
    if (bits < 8 || lines <= 0 || record_length <= 0 || prefix < 0 || suffix < 0) return 0;
    if (format == FMT_CEOS_PSRB) {
        // Two float bands, each one sample of a data group.
        if (bits != 32 || samples_per_group < 2) return 0;
    } else if (!line_mode_bits_supported(bits)) {
        return 0;
    }
    int64_t data_bytes = static_cast<int64_t>(record_length) - prefix - suffix;
    int64_t sample_group_bytes =
        static_cast<int64_t>(bits / 8) * (samples_per_group > 0 ? samples_per_group : 1);
    int64_t width = data_bytes > 0 ? data_bytes / sample_group_bytes : 0;
    if (width <= 0 || width > INT32_MAX) return 0;

    const int count = format == FMT_CEOS_PSRB ? 2 : 1;
    if (!remos_alloc_bands(scene, count)) return 0;
    for (int i = 0; i < count; ++i) {
        BandInfo* b = &scene->bands[i];
        set_band_common(b, i, count, bits, scene->file);
        b->samples_per_group = format == FMT_CEOS_PSRB ? samples_per_group : 0;
        b->interleave = format == FMT_CEOS_PSRB ? REMOS_BY_GROUP : REMOS_BY_LINE;
        if (format == FMT_CEOS_PSRB) b->sample_type = REMOS_SAMPLE_F32;
        b->record_length = record_length;
        b->lines = lines;
        b->prefix_bytes = prefix;
        b->suffix_bytes = suffix;
        b->width = static_cast<int32_t>(width);
        b->data_offset = static_cast<int32_t>(descriptor_length);
    }
    return accept_bands(scene, count);
}

// Native raw format: a 512-byte header ("VELDAMOR", width, height, band count), then 8-bit line records.
int read_native_header(SceneFile* scene) {
    unsigned char head[kNativeHeaderBytes];
    if (remos_io::read_at(scene->file, 0, head, sizeof head) != sizeof head) return 0;
    int width = remos_be_int(head + 12, 2);
    int height = remos_be_int(head + 14, 2);
    int count = remos_be_int(head + 86, 2);
    if (width <= 0 || height <= 0 || count <= 0) return 0;
    // The band records are allocated only for data the file really holds.
    const int64_t data_bytes = static_cast<int64_t>(width) * height * count;
    if (kNativeHeaderBytes + data_bytes > remos_io::file_size(scene->file)) return 0;
    if (!remos_alloc_bands(scene, count)) return 0;
    for (int i = 0; i < count; ++i) {
        BandInfo* b = &scene->bands[i];
        set_band_common(b, i, count, 8, scene->file);
        b->interleave = REMOS_BY_LINE;
        b->record_length = width;
        b->lines = height;
        b->width = width;
        b->data_offset = kNativeHeaderBytes;
    }
    return accept_bands(scene, count);
}

// What the first TIFF directory says about the image, with the entries the scene reader needs.
struct TiffImage {
    int64_t width = -1, lines = -1, strip_offset = -1, photometric = -1, samples_per_pixel = 1;
    int errors = 0;
    const TiffEntry* strip_offsets = nullptr;
};

bool is_short_or_long(const TiffEntry& e) {
    return (e.type == TIFF_TYPE_SHORT || e.type == TIFF_TYPE_LONG) && e.count >= 1;
}
bool is_short(const TiffEntry& e) {
    return e.type == TIFF_TYPE_SHORT && e.count >= 1 && e.shorts;
}

// Reduces the entries of the first directory to the image description; unexpected values or types count as
// errors. Single-valued tags are taken by their value whether stored as SHORT or LONG; BitsPerSample must be
// SHORT (its values are read from the array) and StripOffsets LONG.
TiffImage inspect_tiff_directory(const TiffDirectory& dir) {
    TiffImage img;
    for (uint32_t i = 0; i < dir.entry_count; ++i) {
        const TiffEntry& e = dir.entries[i];
        switch (e.tag) {
            case 256:  // ImageWidth
                if (is_short_or_long(e))
                    img.width = static_cast<int64_t>(e.value);
                else
                    ++img.errors;
                break;
            case 257:  // ImageLength
                if (is_short_or_long(e))
                    img.lines = static_cast<int64_t>(e.value);
                else
                    ++img.errors;
                break;
            case 258:  // BitsPerSample: every sample 8 bits
                if (!is_short(e)) {
                    ++img.errors;
                    break;
                }
                for (uint32_t k = 0; k < e.count; ++k)
                    if (e.shorts[k] != 8) {
                        ++img.errors;
                        break;
                    }
                break;
            case 259:  // Compression: none
                if (!is_short_or_long(e) || e.value != 1) ++img.errors;
                break;
            case 262:  // PhotometricInterpretation
                if (is_short_or_long(e) && (e.value == 1 || e.value == 2))
                    img.photometric = static_cast<int64_t>(e.value);
                else
                    ++img.errors;
                break;
            case 273:  // StripOffsets
                if (e.type == TIFF_TYPE_LONG && e.count >= 1 && e.longs) {
                    img.strip_offset = e.longs[0];
                    img.strip_offsets = &e;
                } else {
                    ++img.errors;
                }
                break;
            case 277:  // SamplesPerPixel
                if (is_short_or_long(e))
                    img.samples_per_pixel = static_cast<int64_t>(e.value);
                else
                    ++img.errors;
                break;
            case 278:  // RowsPerStrip: one line per strip
                if (!is_short_or_long(e) || e.value != 1) ++img.errors;
                break;
            case 284:  // PlanarConfiguration: chunky
                if (!is_short_or_long(e) || e.value != 1) ++img.errors;
                break;
            default:
                break;
        }
    }
    return img;
}

// Uncompressed 8-bit grey or RGB TIFF stored line after line from its first strip offset on.
int read_tiff_header(SceneFile* scene) {
    orvenna::TiffHandle handle;
    if (!handle.open(scene->path).opened()) return 0;
    const TiffFile& tiff = *handle.get();
    TiffImage img = inspect_tiff_directory(*tiff.directories);
    // A BitsPerSample entry is required: its TIFF default is 1 bit.
    bool has_bits = false;
    for (uint32_t i = 0; i < tiff.directories->entry_count; ++i)
        if (tiff.directories->entries[i].tag == 258) has_bits = true;

    int count = img.photometric == 2 ? 3 : 1;
    bool ok = img.errors == 0 && has_bits && img.width > 0 && img.width <= INT32_MAX && img.lines > 0 &&
              img.lines <= INT32_MAX && img.strip_offset >= 0 && img.strip_offset <= INT32_MAX &&
              img.photometric >= 1 && img.samples_per_pixel == count;
    int64_t row_bytes = ok ? img.width * count : 0;
    if (ok && img.width * count > INT32_MAX) ok = false;
    // The bands read the image as one block from the first strip on: every further strip must follow its
    // predecessor directly, or the lines would be taken from the wrong bytes.
    if (ok) {
        const TiffEntry& so = *img.strip_offsets;
        for (uint32_t k = 1; k < so.count && ok; ++k)
            if (static_cast<int64_t>(so.longs[k]) != img.strip_offset + row_bytes * k) ok = false;
    }
    if (!ok) return 0;

    if (!remos_alloc_bands(scene, count)) return 0;
    for (int i = 0; i < count; ++i) {
        BandInfo* b = &scene->bands[i];
        set_band_common(b, i, count, 8, scene->file);
        b->interleave = count == 3 ? REMOS_BY_PIXEL_RGB : REMOS_BY_LINE;
        b->record_length = static_cast<int32_t>(img.width);
        b->lines = static_cast<int32_t>(img.lines);
        b->width = static_cast<int32_t>(img.width);
        b->data_offset = static_cast<int32_t>(img.strip_offset);
    }
    return accept_bands(scene, count);
}

// Shared part of the two raw descriptions.
int describe_raw(SceneFile* scene, int format, int data_offset, int prefix_bytes, int suffix_bytes, int lines,
                 int record_length, int band_count, int bits) {
    // The scene's file may still be closed: the bands then take the null handle and read as zeros.
    if (!scene || band_count < 1 || band_count > kMaxBands || lines < 1 || data_offset < 0 ||
        prefix_bytes < 0 || suffix_bytes < 0 || !line_mode_bits_supported(bits))
        return 0;
    // The width counts samples, so the record's data bytes are divided by the sample size.
    int64_t width = (static_cast<int64_t>(record_length) - prefix_bytes - suffix_bytes) / (bits / 8);
    if (width <= 0) return 0;
    if (!remos_alloc_bands(scene, band_count)) return 0;
    scene->format = format;
    for (int i = 0; i < band_count; ++i) {
        BandInfo* b = &scene->bands[i];
        set_band_common(b, i, band_count, bits, scene->file);
        b->interleave = REMOS_BY_LINE;
        b->record_length = record_length;
        b->width = static_cast<int32_t>(width);
        b->lines = lines;
        b->prefix_bytes = prefix_bytes;
        b->suffix_bytes = suffix_bytes;
        b->data_offset = data_offset;
    }
    finish_scene(scene, band_count);
    return 1;
}

}  // namespace

BandInfo* remos_alloc_bands(SceneFile* scene, int count) {
    if (!scene) return nullptr;
    remos_values::release(scene->bands, scene->band_count);
    free(scene->bands);
    scene->bands = nullptr;
    scene->band_count = 0;
    if (count < 1 || count > kMaxBands) return nullptr;
    scene->bands = static_cast<BandInfo*>(calloc(static_cast<size_t>(count), sizeof(BandInfo)));
    if (scene->bands) scene->band_count = static_cast<uint32_t>(count);
    return scene->bands;
}

namespace {

// The records remos_open has opened and remos_close has not closed yet, each with the file it holds. Opening
// such a record again closes it first, so its file and bands are not lost; a record that is not listed (a new
// one, whatever its bytes, or one closed since) is never read before it is filled.
std::mutex g_open_records_mutex;
std::unordered_map<const SceneFile*, FILE*> g_open_records;

void forget_open_record(const SceneFile* scene) {
    std::lock_guard<std::mutex> lock(g_open_records_mutex);
    g_open_records.erase(scene);
}

bool is_open_record(const SceneFile* scene) {
    std::lock_guard<std::mutex> lock(g_open_records_mutex);
    const auto it = g_open_records.find(scene);
    return it != g_open_records.end() && it->second == scene->file;
}

void remember_open_record(const SceneFile* scene) {
    std::lock_guard<std::mutex> lock(g_open_records_mutex);
    g_open_records[scene] = scene->file;
}

}  // namespace

int remos_open(SceneFile* scene, const char* path, int format) {
    if (!scene) return REMOS_CANNOT_OPEN;
    if (is_open_record(scene)) remos_close(scene);
    scene->format = format;
    scene->band_count = 0;
    scene->bands = nullptr;
    scene->file = nullptr;
    scene->width = 0;
    scene->height = 0;
    scene->path[0] = '\0';
    scene->source = nullptr;
    scene->open_reason[0] = '\0';
    if (!path) return REMOS_CANNOT_OPEN;
    size_t len = strnlen(path, REMOS_PATH_SIZE);
    if (len >= REMOS_PATH_SIZE) return REMOS_CANNOT_OPEN;
    memcpy(scene->path, path, len + 1);

    // A scene on a server is read by GDAL alone (scene_url.h): no file of its own, no built-in reader.
    if (is_scene_url(path)) {
        remember_open_record(scene);
        if (format != FMT_DETECT && format != FMT_GDAL) return REMOS_CANNOT_OPEN;
        scene->format = FMT_UNKNOWN;
        return remos_gdal::open_scene(scene);
    }
    // Folders, pipes and devices are never scenes (a pipe would block the opening for good).
    FILE* f = open_regular_file(path);
    if (!f) return REMOS_CANNOT_OPEN;
    // Unbuffered: every read goes to the file itself at its own offset, so no read can return bytes a
    // buffer kept from an earlier read, and large reads go straight into the caller's memory.
    setvbuf(f, nullptr, _IONBF, 0);
    scene->file = f;
    remember_open_record(scene);
    if (format == FMT_OPEN_ONLY) return REMOS_OK;
    if (format != FMT_DETECT) return remos_read_header(scene) == 1 ? REMOS_OK : REMOS_UNKNOWN_FORMAT;

    // Built-in signatures first; GDAL reads what they do not claim, and the TIFFs the built-in reader
    // refuses. A CEOS or native file that its reader refuses stays refused.
    scene->format = remos_detect(scene);
    if (scene->format == FMT_UNKNOWN) return remos_gdal::open_scene(scene);
    // A TIFF whose data is not in the file (cut, or a header lying about its size) is refused, by either
    // reader: only layouts the built-in reader does not read go on to GDAL.
    if (scene->format == FMT_TIFF) {
        const std::string damage = tiff_block_problem(path);
        if (!damage.empty()) {
            remos_gdal::set_open_reason(scene, damage.c_str());
            return REMOS_UNKNOWN_FORMAT;
        }
    }
    if (remos_read_header(scene) == 1) {
        if (scene->format == FMT_TIFF) remos_gdal::attach_georeferencing(scene);
        return REMOS_OK;
    }
    if (scene->format == FMT_TIFF) return remos_gdal::open_scene(scene);
    return REMOS_UNKNOWN_FORMAT;
}

const char* remos_open_reason(const SceneFile* scene) {
    return scene ? scene->open_reason : "";
}

int remos_close(SceneFile* scene) {
    if (!scene) return 1;
    forget_open_record(scene);
    remos_gdal::close_scene(scene);
    if (scene->file) fclose(scene->file);
    scene->file = nullptr;
    remos_values::release(scene->bands, scene->band_count);
    free(scene->bands);
    scene->bands = nullptr;
    scene->band_count = 0;
    return 1;
}

int remos_detect(SceneFile* scene) {
    unsigned char head[kDetectBytes];
    if (!scene || !scene->file) return FMT_UNKNOWN;
    // A file shorter than the signature area is no scene of any kind.
    if (remos_io::read_at(scene->file, 0, head, sizeof head) != sizeof head) return FMT_UNKNOWN;
    if (memcmp(head, "VELDAMOR", 8) == 0) return FMT_NATIVE;
    if (head[48] == 'A' && head[49] == 'L') {
        if (memcmp(head + 52, "PSRC", 4) == 0) return FMT_CEOS_PSRC;
        if (memcmp(head + 52, "PSRB", 4) == 0) return FMT_CEOS_PSRB;
        return FMT_CEOS;
    }
    if ((head[0] == 'I' && head[1] == 'I') || (head[0] == 'M' && head[1] == 'M')) return FMT_TIFF;
    return FMT_UNKNOWN;
}

int remos_read_header(SceneFile* scene) {
    if (!scene || !scene->file) return 0;
    // Records of an earlier reading are replaced, never leaked.
    remos_alloc_bands(scene, 0);
    switch (scene->format) {
        case FMT_CEOS:
        case FMT_CEOS_PSRC:
        case FMT_CEOS_PSRB:
            return read_ceos_header(scene);
        case FMT_TIFF:
            return read_tiff_header(scene);
        case FMT_NATIVE:
            return read_native_header(scene);
        case FMT_GDAL:
            return remos_gdal::open_scene(scene) == REMOS_OK ? 1 : 0;
        default:
            // Raw files are described by their caller; codes 2 and 5 have no reader.
            return 0;
    }
}

int remos_describe_raw(SceneFile* scene, int data_offset, int prefix_bytes, int suffix_bytes, int lines,
                       int record_length, int band_count, int bits) {
    return describe_raw(scene, FMT_RAW_MULTI, data_offset, prefix_bytes, suffix_bytes, lines, record_length,
                        band_count, bits);
}

int remos_describe_raw_single(SceneFile* scene, int data_offset, int prefix_bytes, int suffix_bytes,
                              int lines, int record_length, int bits) {
    return describe_raw(scene, FMT_RAW_SINGLE, data_offset, prefix_bytes, suffix_bytes, lines, record_length,
                        1, bits);
}

// Base-10 integer of at most n characters: leading white space, optional sign, digits up to the first other
// character (a NUL ends the text early). No digits give 0; values beyond int32 give the nearest limit.
int remos_decimal_field(const unsigned char* bytes, int n) {
    if (!bytes || n <= 0) return 0;
    int i = 0;
    while (i < n && (bytes[i] == ' ' || (bytes[i] >= '\t' && bytes[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < n && (bytes[i] == '+' || bytes[i] == '-')) negative = bytes[i++] == '-';
    int64_t value = 0;
    for (; i < n && bytes[i] >= '0' && bytes[i] <= '9'; ++i) {
        value = value * 10 + (bytes[i] - '0');
        if (value > static_cast<int64_t>(INT32_MAX) + 1) value = static_cast<int64_t>(INT32_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int>(value);
}

int remos_be_int(const unsigned char* bytes, int n) {
    if (!bytes) return 0;
    switch (n) {
        case 1:
            return bytes[0];
        case 2:
            return (bytes[0] << 8) | bytes[1];
        case 4:
            return static_cast<int32_t>(remos_bytes_to_uint(bytes, 4, 0));
        default:
            return 0;
    }
}

uint32_t remos_bytes_to_uint(const unsigned char* bytes, int n, int little_endian) {
    if (!bytes || n < 1 || n > 4) return 0;
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) {
        int k = little_endian ? n - 1 - i : i;
        v = (v << 8) | bytes[k];
    }
    return v;
}

float remos_bytes_to_float(const unsigned char* bytes, int n, int little_endian) {
    if (!bytes || n != 4) return 0.0f;
    unsigned char b[4];
    for (int i = 0; i < 4; ++i)
        b[i] = little_endian ? bytes[i] : bytes[3 - i];
    uint32_t u = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                 (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
    float f;
    memcpy(&f, &u, 4);
    return f;
}

BandInfo* remos_band(SceneFile* scene, int i) {
    if (!scene || !scene->bands || i < 0 || static_cast<uint32_t>(i) >= scene->band_count) return nullptr;
    return &scene->bands[i];
}

void remos_set_range(BandInfo* band, int high, int low) {
    if (!band) return;
    band->range_high = high;
    band->range_low = low;
}
