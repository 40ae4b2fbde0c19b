#include "scene/tifrec.h"

#include "scene/regular_file.h"

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <unordered_set>

namespace {

// Limits on the structure of one file. A real file's directories and value arrays do not overlap, so the
// bytes they cover add up to at most the file size; a hostile file can make entries share bytes and multiply
// the work and memory. Twice the file size (plus slack for tiny files) leaves room for writers that share
// arrays.
constexpr uint64_t kStructureSlack = 64 * 1024;
constexpr uint64_t kMaxDirectories = 1u << 16;
constexpr uint64_t kMaxEntries = 1u << 20;

int64_t file_size_of(FILE* f) {
    struct stat st;
    if (!f || fstat(fileno(f), &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

// True when n bytes at offset lie wholly inside a file of `size` bytes. Nothing is read for n = 0, so any
// offset will do (an empty entry's unused offset field is not damage).
bool within_file(int64_t offset, uint64_t n, int64_t size) {
    if (n == 0) return offset >= 0;
    if (offset < 0 || size < 0 || offset > size) return false;
    return n <= static_cast<uint64_t>(size - offset);
}

// Reads up to n bytes at offset into dest in file order; whatever lies past the end of the file stays 0.
void read_raw(FILE* f, unsigned char* dest, int64_t offset, size_t n) {
    std::memset(dest, 0, n);
    if (!f || offset < 0 || n == 0) return;
    if (fseeko(f, static_cast<off_t>(offset), SEEK_SET) != 0) return;
    size_t got = fread(dest, 1, n, f);
    if (got < n) std::memset(dest + got, 0, n - got);
}

void reverse_bytes(unsigned char* p, size_t n) {
    for (size_t i = 0, j = n; i + 1 < j; ++i) {
        --j;
        unsigned char t = p[i];
        p[i] = p[j];
        p[j] = t;
    }
}

int element_size(uint32_t type) {
    switch (type) {
        case TIFF_TYPE_BYTE:
        case TIFF_TYPE_ASCII:
        case TIFF_TYPE_SBYTE:
        case TIFF_TYPE_UNDEFINED:
            return 1;
        case TIFF_TYPE_SHORT:
        case TIFF_TYPE_SSHORT:
            return 2;
        case TIFF_TYPE_LONG:
        case TIFF_TYPE_SLONG:
        case TIFF_TYPE_FLOAT:
            return 4;
        case TIFF_TYPE_RATIONAL:
        case TIFF_TYPE_SRATIONAL:
        case TIFF_TYPE_DOUBLE:
            return 8;
        default:
            return 0;
    }
}

// Where the values of an entry lie: in its 4-byte value field when they fit there, otherwise at the offset
// that the field holds. Rationals and doubles never fit.
int64_t values_position(TiffFile* tiff, const TiffEntry* entry, int64_t field_position) {
    int size = element_size(entry->type);
    bool fits = size < 8 && static_cast<uint64_t>(entry->count) * static_cast<uint64_t>(size) <= 4;
    if (fits) return field_position;
    uint32_t stored = 0;
    tifrec_read_bytes(tiff, &stored, field_position, 4);
    return static_cast<int64_t>(stored);
}

// Allocates a zeroed array of count elements of elem_size bytes, at least one element so that element 0 can
// be read even for an empty entry. The caller has checked count against the file size.
void* alloc_elements(uint32_t count, size_t elem_size) {
    size_t n = count == 0 ? 1 : static_cast<size_t>(count);
    return std::calloc(n, elem_size);
}

// Reads count elements of elem_size bytes at offset into dest, each converted to machine order (least
// significant byte first), with one read for the whole array.
void read_elements(TiffFile* tiff, void* dest, int64_t offset, size_t count, size_t elem_size) {
    unsigned char* p = static_cast<unsigned char*>(dest);
    read_raw(tiff->file, p, offset, count * elem_size);
    if (tiff->byte_order == 1 || elem_size == 1) return;
    for (size_t i = 0; i < count; ++i)
        reverse_bytes(p + i * elem_size, elem_size);
}

// Rationals are pairs of 4-byte integers; numerators and denominators go to separate arrays.
template <typename T>
bool read_rationals(TiffFile* tiff, TiffEntry* entry, T** num, T** den) {
    *num = static_cast<T*>(alloc_elements(entry->count, sizeof(T)));
    *den = static_cast<T*>(alloc_elements(entry->count, sizeof(T)));
    if (!*num || !*den) return false;
    uint32_t* pairs = static_cast<uint32_t*>(alloc_elements(entry->count, 8));
    if (!pairs) return false;
    read_elements(tiff, pairs, entry->value_offset, static_cast<size_t>(entry->count) * 2, 4);
    for (uint32_t i = 0; i < entry->count; ++i) {
        std::memcpy(&(*num)[i], &pairs[2 * static_cast<size_t>(i)], 4);
        std::memcpy(&(*den)[i], &pairs[2 * static_cast<size_t>(i) + 1], 4);
    }
    std::free(pairs);
    return true;
}

template <typename T>
bool read_array(TiffFile* tiff, TiffEntry* entry, T** array) {
    *array = static_cast<T*>(alloc_elements(entry->count, sizeof(T)));
    if (!*array) return false;
    read_elements(tiff, *array, entry->value_offset, entry->count, sizeof(T));
    return true;
}

void free_entry_arrays(TiffEntry* e) {
    std::free(e->doubles);
    std::free(e->floats);
    std::free(e->longs);
    std::free(e->slongs);
    std::free(e->shorts);
    std::free(e->sshorts);
    std::free(e->bytes);
    std::free(e->sbytes);
    std::free(e->undefined);
    std::free(e->rational_num);
    std::free(e->rational_den);
    std::free(e->srational_num);
    std::free(e->srational_den);
    std::free(e->ascii);
}

void free_directories(TiffDirectory* dir) {
    while (dir) {
        TiffDirectory* next = dir->next;
        if (dir->entries) {
            for (uint32_t i = 0; i < dir->entry_count; ++i)
                free_entry_arrays(&dir->entries[i]);
            std::free(dir->entries);
        }
        std::free(dir);
        dir = next;
    }
}

// Fills the entry's values after checking that they lie inside the file. False when the entry's values reach
// past the end of the file or its array cannot be allocated.
bool read_entry_values_checked(TiffFile* tiff, TiffEntry* entry, int64_t field_position, int64_t file_size,
                               uint64_t* budget) {
    int size = element_size(entry->type);
    if (size > 0) {
        uint64_t bytes = static_cast<uint64_t>(entry->count) * static_cast<uint64_t>(size);
        int64_t at = values_position(tiff, entry, field_position);
        if (!within_file(at, bytes, file_size)) return false;
        // Inline values lie in the entry itself, which the directory check has already counted.
        if (at != field_position) {
            if (bytes > *budget) return false;
            *budget -= bytes;
        }
    }
    tifrec_read_values(tiff, entry, field_position);
    if (size == 0) return true;
    switch (entry->type) {
        case TIFF_TYPE_RATIONAL:
            return entry->rational_num && entry->rational_den;
        case TIFF_TYPE_SRATIONAL:
            return entry->srational_num && entry->srational_den;
        default:
            return entry->doubles || entry->floats || entry->longs || entry->slongs || entry->shorts ||
                   entry->sshorts || entry->bytes || entry->sbytes || entry->undefined || entry->ascii;
    }
}

// Reads the directory chain that starts at the header's first offset. False when the structure is damaged.
bool read_directory_chain(TiffFile* tiff, int64_t file_size) {
    uint64_t budget = 2 * static_cast<uint64_t>(file_size) + kStructureSlack;
    uint64_t total_entries = 0;
    std::unordered_set<int64_t> visited;
    TiffDirectory** link = &tiff->directories;

    int64_t offset = tifrec_read_uint(tiff, 4, 4);
    if (offset == 0) return false;  // a TIFF file holds at least one directory
    while (offset != 0) {
        // A chain that points back to a directory already read ends here.
        if (!visited.insert(offset).second) break;
        if (visited.size() > kMaxDirectories) return false;
        if (!within_file(offset, 2, file_size)) return false;

        uint32_t entry_count = tifrec_read_uint(tiff, offset, 2);
        uint64_t table_bytes = 2 + 12 * static_cast<uint64_t>(entry_count) + 4;
        if (!within_file(offset, table_bytes, file_size)) return false;
        if (table_bytes > budget) return false;
        budget -= table_bytes;
        total_entries += entry_count;
        if (total_entries > kMaxEntries) return false;

        TiffDirectory* dir = static_cast<TiffDirectory*>(std::calloc(1, sizeof(TiffDirectory)));
        if (!dir) return false;
        *link = dir;
        link = &dir->next;
        ++tiff->directory_count;
        if (entry_count > 0) {
            dir->entries = static_cast<TiffEntry*>(std::calloc(entry_count, sizeof(TiffEntry)));
            if (!dir->entries) return false;
        }
        dir->entry_count = entry_count;

        int64_t pos = offset + 2;
        for (uint32_t i = 0; i < entry_count; ++i, pos += 12) {
            TiffEntry* e = &dir->entries[i];
            e->tag = tifrec_read_uint(tiff, pos, 2);
            e->type = tifrec_read_uint(tiff, pos + 2, 2);
            e->count = tifrec_read_uint(tiff, pos + 4, 4);
            if (!read_entry_values_checked(tiff, e, pos + 8, file_size, &budget)) return false;
        }
        offset = tifrec_read_uint(tiff, pos, 4);
    }
    return true;
}

void reset_record(TiffFile* tiff) {
    tiff->file = nullptr;
    tiff->byte_order = 2;
    tiff->directory_count = 0;
    tiff->directories = nullptr;
}

}  // namespace

int tifrec_open(TiffFile* tiff, const char* path) {
    if (!tiff) return 1;
    reset_record(tiff);
    tiff->path[0] = '\0';
    if (!path) return 1;
    size_t len = strnlen(path, sizeof(tiff->path));
    if (len >= sizeof(tiff->path)) return 1;  // would not fit with its NUL
    std::memcpy(tiff->path, path, len + 1);

    tiff->file = open_regular_file(tiff->path);
    if (!tiff->file) return 1;
    int64_t size = file_size_of(tiff->file);
    // The header is 8 bytes: byte order mark, version, first directory offset.
    if (!tifrec_byte_order(tiff) || size < 8 || !read_directory_chain(tiff, size)) {
        tifrec_close(tiff);
        return 2;
    }
    return 3;
}

void tifrec_close(TiffFile* tiff) {
    if (!tiff) return;
    if (tiff->file) std::fclose(tiff->file);
    tiff->file = nullptr;
    free_directories(tiff->directories);
    tiff->directories = nullptr;
    tiff->directory_count = 0;
}

int tifrec_byte_order(TiffFile* tiff) {
    if (!tiff) return 0;
    unsigned char mark[2];
    read_raw(tiff->file, mark, 0, 2);
    if (mark[0] == 'M' && mark[1] == 'M') {
        tiff->byte_order = 0;
        return 1;
    }
    if (mark[0] == 'I' && mark[1] == 'I') {
        tiff->byte_order = 1;
        return 1;
    }
    tiff->byte_order = 2;
    return 0;
}

uint32_t tifrec_read_uint(TiffFile* tiff, int64_t offset, int n) {
    if (!tiff || n < 1 || n > 4) return 0;
    unsigned char b[4];
    read_raw(tiff->file, b, offset, static_cast<size_t>(n));
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) {
        int k = tiff->byte_order == 1 ? n - 1 - i : i;  // most significant byte first
        v = (v << 8) | b[k];
    }
    return v;
}

void tifrec_read_bytes(TiffFile* tiff, void* dest, int64_t offset, int n) {
    if (!dest || n <= 0) return;
    unsigned char* p = static_cast<unsigned char*>(dest);
    read_raw(tiff ? tiff->file : nullptr, p, offset, static_cast<size_t>(n));
    if (!tiff || tiff->byte_order != 1) reverse_bytes(p, static_cast<size_t>(n));
}

void tifrec_read_values(TiffFile* tiff, TiffEntry* e, int64_t field_position) {
    if (!tiff || !e) return;
    e->doubles = nullptr;
    e->floats = nullptr;
    e->longs = nullptr;
    e->slongs = nullptr;
    e->shorts = nullptr;
    e->sshorts = nullptr;
    e->bytes = nullptr;
    e->sbytes = nullptr;
    e->undefined = nullptr;
    e->rational_num = nullptr;
    e->rational_den = nullptr;
    e->srational_num = nullptr;
    e->srational_den = nullptr;
    e->ascii = nullptr;
    e->value = 0.0;

    int size = element_size(e->type);
    if (size == 0) {
        // Unknown type: only the field's own number; value_offset is left as it was.
        e->value = tifrec_read_uint(tiff, field_position, 4);
        return;
    }
    e->value_offset = values_position(tiff, e, field_position);
    // Never allocate an array larger than the file: such an entry keeps no values.
    int64_t file_size = file_size_of(tiff->file);
    uint64_t bytes = static_cast<uint64_t>(e->count) * static_cast<uint64_t>(size);
    if (!within_file(e->value_offset, bytes, file_size)) return;

    switch (e->type) {
        case TIFF_TYPE_BYTE:
            if (read_array(tiff, e, &e->bytes)) e->value = tifrec_read_uint(tiff, field_position, 1);
            break;
        case TIFF_TYPE_ASCII:
            // Stored as is, without reversal, plus a terminating NUL.
            e->ascii = static_cast<char*>(std::calloc(static_cast<size_t>(e->count) + 1, 1));
            if (e->ascii)
                read_raw(tiff->file, reinterpret_cast<unsigned char*>(e->ascii), e->value_offset, e->count);
            break;
        case TIFF_TYPE_SHORT:
            if (read_array(tiff, e, &e->shorts)) e->value = tifrec_read_uint(tiff, field_position, 2);
            break;
        case TIFF_TYPE_LONG:
            if (read_array(tiff, e, &e->longs)) e->value = tifrec_read_uint(tiff, field_position, 4);
            break;
        case TIFF_TYPE_RATIONAL:
            if (read_rationals(tiff, e, &e->rational_num, &e->rational_den) && e->count > 0 &&
                e->rational_den[0] != 0)
                e->value = static_cast<double>(e->rational_num[0]) / static_cast<double>(e->rational_den[0]);
            break;
        case TIFF_TYPE_SBYTE:
            if (read_array(tiff, e, &e->sbytes))
                e->value = static_cast<int8_t>(tifrec_read_uint(tiff, field_position, 1));
            break;
        case TIFF_TYPE_UNDEFINED:
            if (read_array(tiff, e, &e->undefined)) e->value = tifrec_read_uint(tiff, field_position, 1);
            break;
        case TIFF_TYPE_SSHORT:
            if (read_array(tiff, e, &e->sshorts))
                e->value = static_cast<int16_t>(tifrec_read_uint(tiff, field_position, 2));
            break;
        case TIFF_TYPE_SLONG:
            if (read_array(tiff, e, &e->slongs))
                e->value = static_cast<int32_t>(tifrec_read_uint(tiff, field_position, 4));
            break;
        case TIFF_TYPE_SRATIONAL:
            if (read_rationals(tiff, e, &e->srational_num, &e->srational_den) && e->count > 0 &&
                e->srational_den[0] != 0)
                e->value =
                    static_cast<double>(e->srational_num[0]) / static_cast<double>(e->srational_den[0]);
            break;
        case TIFF_TYPE_FLOAT:
            if (read_array(tiff, e, &e->floats) && e->count == 1) e->value = e->floats[0];
            break;
        case TIFF_TYPE_DOUBLE:
            if (read_array(tiff, e, &e->doubles)) e->value = e->doubles[0];
            break;
    }
}
