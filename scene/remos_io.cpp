// Positioned reads and offset arithmetic shared by the remos header and pixel readers.
#include "scene/remos_io.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <cstring>

namespace remos_io {

size_t read_at(FILE* file, int64_t offset, void* dest, size_t n) {
    if (n == 0) return 0;
    size_t got = 0;
    const int fd = file ? fileno(file) : -1;
    if (fd >= 0 && offset >= 0) {
        // pread leaves the descriptor's position alone, so the redraw's worker thread and the window's own
        // reads (pointer readout, histograms) can share one scene file.
        auto* bytes = static_cast<unsigned char*>(dest);
        while (got < n) {
            const ssize_t r = pread(fd, bytes + got, n - got, static_cast<off_t>(offset + int64_t(got)));
            if (r > 0)
                got += static_cast<size_t>(r);
            else if (r < 0 && errno == EINTR)
                continue;
            else
                break;
        }
    } else if (file && offset >= 0 && fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0) {
        // A stream without a descriptor (memory streams in tests).
        got = fread(dest, 1, n, file);
        if (got < n) clearerr(file);
    }
    // Never leave what a buffer held before: missing bytes read as zero.
    if (got < n) memset(static_cast<unsigned char*>(dest) + got, 0, n - got);
    return got;
}

int64_t file_size(FILE* file) {
    if (!file) return -1;
    struct stat st;
    if (fstat(fileno(file), &st) == 0 && S_ISREG(st.st_mode)) return static_cast<int64_t>(st.st_size);
    // Not a regular file: ask the stream itself.
    off_t here = ftello(file);
    if (fseeko(file, 0, SEEK_END) != 0) return -1;
    off_t size = ftello(file);
    if (here >= 0) fseeko(file, here, SEEK_SET);
    return size;
}

bool mul_add(int64_t a, int64_t b, int64_t c, int64_t* out) {
    if (a < 0 || b < 0 || c < 0) return false;
    int64_t p = 0;
    if (__builtin_mul_overflow(a, b, &p)) return false;
    if (__builtin_add_overflow(p, c, out)) return false;
    return true;
}

bool sample_offset(const BandInfo* band, int64_t line, int64_t x, int64_t* out) {
    const BandInfo& b = *band;
    const int64_t B = b.bytes_per_sample;
    if (line < 0 || x < 0 || B <= 0 || b.index < 0 || b.data_offset < 0 || b.prefix_bytes < 0) return false;
    const int64_t base = static_cast<int64_t>(b.data_offset) + b.prefix_bytes;
    int64_t k = 0;
    switch (b.interleave) {
        case REMOS_BY_LINE: {
            // (line * band_count + index) * record_length + x * B
            int64_t rec = 0, start = 0, in_rec = 0;
            if (b.band_count <= 0 || b.record_length < 0) return false;
            if (!mul_add(line, b.band_count, b.index, &rec)) return false;
            if (!mul_add(rec, b.record_length, base, &start)) return false;
            if (!mul_add(x, B, 0, &in_rec)) return false;
            return !__builtin_add_overflow(start, in_rec, out);
        }
        case REMOS_BY_PIXEL_RGB:
            // ((line * width + x) * 3 + index) * B
            if (b.width < 0 || !mul_add(line, b.width, x, &k) || !mul_add(k, 3, b.index, &k)) return false;
            return mul_add(k, B, base, out);
        case REMOS_BY_GROUP: {
            // line * record_length + (x * samples_per_group + index) * B
            int64_t start = 0;
            if (b.samples_per_group <= 0 || b.record_length < 0) return false;
            if (!mul_add(line, b.record_length, base, &start)) return false;
            if (!mul_add(x, b.samples_per_group, b.index, &k)) return false;
            return mul_add(k, B, start, out);
        }
        default:
            return false;
    }
}

}  // namespace remos_io
