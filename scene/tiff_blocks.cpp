#include "scene/tiff_blocks.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <set>
#include <vector>

#include "scene/regular_file.h"
#include "text/translated_text.h"

using orvenna::fill_text;
using orvenna::tr_text;

namespace {

constexpr int kMaxDirectories = 4096;

struct Closer {
    void operator()(FILE* f) const {
        if (f) std::fclose(f);
    }
};

constexpr size_t kChunk = 65536;  // array elements read at a time

// Where an entry's array of integers is: in the entry itself or at an offset, `count` values of `size` bytes.
struct Array {
    uint64_t count = 0;
    int size = 0;
    uint64_t at = 0;  // file offset of the values, when they are not in the entry
    unsigned char inline_[8] = {};
    bool in_entry = false;
};

// One image's description, as far as the check needs it.
struct Image {
    uint64_t width = 0, length = 0, bits = 0, compression = 1, samples = 1, rows_per_strip = 0, planar = 1;
    uint64_t tile_width = 0, tile_length = 0;
    Array offsets, counts;
    bool tiled = false, has_counts = false;
};

class TiffReader {
public:
    TiffReader(FILE* file, int64_t size) : file_(file), size_(size) {}

    std::string check() {
        unsigned char head[16] = {};
        if (!read(0, head, 8)) return std::string();
        if (head[0] == 'I' && head[1] == 'I')
            little_ = true;
        else if (head[0] == 'M' && head[1] == 'M')
            little_ = false;
        else
            return std::string();
        const uint64_t version = number(head + 2, 2);
        if (version == 43) {
            if (!read(0, head, 16) || number(head + 4, 2) != 8)
                return broken(tr_text("TiffBlocks", "BigTIFF のヘッダーが壊れています"));
            big_ = true;
        } else if (version != 42) {
            return std::string();  // not a TIFF the readers know
        }
        uint64_t next = big_ ? number(head + 8, 8) : number(head + 4, 4);
        std::set<uint64_t> seen;
        for (int n = 0; next != 0 && n < kMaxDirectories; ++n) {
            if (!seen.insert(next).second) break;  // a chain that points back ends there
            Image image;
            if (!directory(next, &image, &next))
                return broken(tr_text("TiffBlocks", "ディレクトリがファイルの外にあります"));
            const std::string problem = blocks(image, n);
            if (!problem.empty()) return problem;
        }
        return std::string();
    }

private:
    bool read(uint64_t at, void* dest, size_t n) {
        if (at > static_cast<uint64_t>(size_) || n > static_cast<uint64_t>(size_) - at) return false;
        return fseeko(file_, static_cast<off_t>(at), SEEK_SET) == 0 && std::fread(dest, 1, n, file_) == n;
    }

    uint64_t number(const unsigned char* p, int n) const {
        uint64_t v = 0;
        for (int i = 0; i < n; ++i)
            v = little_ ? v | static_cast<uint64_t>(p[i]) << (8 * i) : (v << 8) | p[i];
        return v;
    }

    static std::string broken(const std::string& why) {
        return fill_text(tr_text("TiffBlocks", "TIFF が壊れています: %1"), {why});
    }

    // Where the values of an entry of an integer type (SHORT, LONG, LONG8) are; false for another type or
    // more values than the file can hold.
    bool array_of(const unsigned char* entry, Array* a) const {
        const uint64_t type = number(entry + 2, 2);
        a->count = big_ ? number(entry + 4, 8) : number(entry + 4, 4);
        a->size = type == 3 ? 2 : type == 4 ? 4 : (type == 16 || type == 18) ? 8 : 0;
        if (a->size == 0 || a->count > static_cast<uint64_t>(size_) / a->size) return false;
        const unsigned char* field = entry + (big_ ? 12 : 8);
        a->in_entry = a->count * a->size <= (big_ ? 8u : 4u);
        if (a->in_entry)
            std::copy(field, field + 8, a->inline_);
        else
            a->at = number(field, big_ ? 8 : 4);
        return true;
    }

    // Values [first, first + n) of an array into out; false when they lie outside the file.
    bool read_values(const Array& a, uint64_t first, size_t n, std::vector<uint64_t>* out) {
        out->resize(n);
        if (a.in_entry) {
            for (size_t i = 0; i < n; ++i)
                (*out)[i] = number(a.inline_ + (first + i) * a.size, a.size);
            return true;
        }
        std::vector<unsigned char> raw(n * a.size);
        if (!read(a.at + first * a.size, raw.data(), raw.size())) return false;
        for (size_t i = 0; i < n; ++i)
            (*out)[i] = number(raw.data() + i * a.size, a.size);
        return true;
    }

    bool directory(uint64_t at, Image* image, uint64_t* next) {
        const int countBytes = big_ ? 8 : 2, entryBytes = big_ ? 20 : 12, nextBytes = big_ ? 8 : 4;
        unsigned char head[8];
        if (!read(at, head, countBytes)) return false;
        const uint64_t entries = number(head, countBytes);
        if (entries > static_cast<uint64_t>(size_) / entryBytes) return false;
        std::vector<unsigned char> table(static_cast<size_t>(entries) * entryBytes + nextBytes);
        if (!read(at + countBytes, table.data(), table.size())) return false;
        for (uint64_t i = 0; i < entries; ++i) {
            const unsigned char* e = table.data() + i * entryBytes;
            const uint64_t tag = number(e, 2);
            Array a;
            if (tag == 273 || tag == 324 || tag == 279 || tag == 325) {
                if (!array_of(e, &a)) return false;
                if (tag == 273 || tag == 324) {
                    image->offsets = a;
                    image->tiled = tag == 324;
                } else {
                    image->counts = a;
                    image->has_counts = true;
                }
                continue;
            }
            const bool single = (tag >= 256 && tag <= 259) || tag == 277 || tag == 278 || tag == 284 ||
                                tag == 322 || tag == 323;
            std::vector<uint64_t> v;
            if (!single || !array_of(e, &a) || a.count == 0 || !read_values(a, 0, 1, &v)) continue;
            switch (tag) {
                case 256:
                    image->width = v[0];
                    break;
                case 257:
                    image->length = v[0];
                    break;
                case 258:
                    image->bits = v[0];
                    break;
                case 259:
                    image->compression = v[0];
                    break;
                case 277:
                    image->samples = v[0];
                    break;
                case 278:
                    image->rows_per_strip = v[0];
                    break;
                case 284:
                    image->planar = v[0];
                    break;
                case 322:
                    image->tile_width = v[0];
                    break;
                case 323:
                    image->tile_length = v[0];
                    break;
                default:
                    break;
            }
        }
        *next = number(table.data() + entries * entryBytes, nextBytes);
        return true;
    }

    // The bytes one uncompressed block holds; 0 when the image does not say enough to tell.
    uint64_t uncompressed_block_bytes(const Image& m, uint64_t block) const {
        if (m.compression != 1 || m.bits == 0 || m.width == 0 || m.length == 0 || m.samples == 0) return 0;
        // Sizes past these are no image; the products below stay far from overflowing.
        if (m.bits > 64 || m.samples > 65535 || m.width > (uint64_t(1) << 32) ||
            m.tile_width > (uint64_t(1) << 32) || m.tile_length > (uint64_t(1) << 32))
            return 0;
        const uint64_t pixelBits = m.planar == 2 ? m.bits : m.bits * m.samples;
        if (m.tiled) {
            if (m.tile_width == 0 || m.tile_length == 0) return 0;
            return (m.tile_width * pixelBits + 7) / 8 * m.tile_length;
        }
        const uint64_t rows =
            m.rows_per_strip == 0 || m.rows_per_strip > m.length ? m.length : m.rows_per_strip;
        const uint64_t perPlane = (m.length + rows - 1) / rows;
        const uint64_t first = (block % perPlane) * rows;
        const uint64_t inStrip = first + rows > m.length ? m.length - first : rows;
        return (m.width * pixelBits + 7) / 8 * inStrip;
    }

    std::string blocks(const Image& m, int n) {
        if (m.offsets.count == 0) return std::string();
        // Which image of the file, after the block's number, unless it is the first.
        const std::string image =
            n == 0 ? std::string() : fill_text(tr_text("TiffBlocks", " (画像 %1)"), {std::to_string(n + 1)});
        if (m.has_counts && m.counts.count != m.offsets.count)
            return broken(fill_text(tr_text("TiffBlocks", "ブロックの位置と長さの数が違います%1"), {image}));
        const uint64_t size = static_cast<uint64_t>(size_);
        std::vector<uint64_t> offsets, counts;
        for (uint64_t first = 0; first < m.offsets.count; first += kChunk) {
            const size_t k = static_cast<size_t>(std::min<uint64_t>(kChunk, m.offsets.count - first));
            if (!read_values(m.offsets, first, k, &offsets) ||
                (m.has_counts && !read_values(m.counts, first, k, &counts)))
                return broken(
                    fill_text(tr_text("TiffBlocks", "ブロックの表がファイルの外にあります%1"), {image}));
            for (size_t j = 0; j < k; ++j) {
                const uint64_t i = first + j;
                const uint64_t at = offsets[j];
                const uint64_t expected = uncompressed_block_bytes(m, i);
                const uint64_t length = m.has_counts ? counts[j] : expected;
                if (at == 0 && length == 0) continue;  // a block the writer left out
                if (at > size || length > size - at)
                    return fill_text(tr_text("TiffBlocks",
                                             "ファイルが途中で切れています: ブロック %1%2 は %3 から %4 "
                                             "バイトですが、ファイルは %5 バイトです"),
                                     {std::to_string(i + 1), image, std::to_string(at),
                                      std::to_string(length), std::to_string(size)});
                if (m.has_counts && expected != 0 && length < expected)
                    return fill_text(
                        tr_text("TiffBlocks",
                                "ファイルが途中で切れています: ブロック %1%2 は %3 "
                                "バイトしかありません (画像の大きさ %4 x %5 では %6 バイト)"),
                        {std::to_string(i + 1), image, std::to_string(length), std::to_string(m.width),
                         std::to_string(m.length), std::to_string(expected)});
            }
        }
        return std::string();
    }

    FILE* file_;
    int64_t size_;
    bool little_ = true;
    bool big_ = false;
};

}  // namespace

std::string tiff_block_problem(const char* path) {
    std::unique_ptr<FILE, Closer> file(open_regular_file(path));
    if (!file) return std::string();
    struct stat st;
    if (fstat(fileno(file.get()), &st) != 0) return std::string();
    return TiffReader(file.get(), static_cast<int64_t>(st.st_size)).check();
}
