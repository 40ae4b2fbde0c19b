// tifrec: reads the directory structure of a TIFF file (byte order, every image file directory of the chain
// and every entry with all of its values, converted to the machine's byte order). It reads no image data.
//
// Result codes of tifrec_open:
//   1  the file cannot be opened (also: null arguments, a path of 1024 bytes or more)
//   2  not readable as TIFF: no "II"/"MM" byte order mark, or the structure is damaged (a directory, entry
//   table
//      or value array lies beyond the end of the file, an array would need more bytes than the file holds,
//      the header is truncated, the first directory offset is 0, or the structure is implausibly large for
//      the file). The file is closed and nothing stays allocated.
//   3  every directory has been read; the file stays open until tifrec_close.
// A directory chain that points back to a directory already read ends there (result 3).
#pragma once

#include <cstdint>
#include <cstdio>

// TIFF 6.0 field types.
enum {
    TIFF_TYPE_BYTE = 1,
    TIFF_TYPE_ASCII = 2,
    TIFF_TYPE_SHORT = 3,
    TIFF_TYPE_LONG = 4,
    TIFF_TYPE_RATIONAL = 5,
    TIFF_TYPE_SBYTE = 6,
    TIFF_TYPE_UNDEFINED = 7,
    TIFF_TYPE_SSHORT = 8,
    TIFF_TYPE_SLONG = 9,
    TIFF_TYPE_SRATIONAL = 10,
    TIFF_TYPE_FLOAT = 11,
    TIFF_TYPE_DOUBLE = 12
};

// One directory entry with its values. Exactly one array (two for the rational types) is set, the one of the
// entry's type; it holds `count` elements (at least one element, zero-filled, when `count` is 0, so that
// reading element 0 is always safe). An unknown type sets none. `ascii` holds the `count` bytes as stored
// plus a NUL.
struct TiffEntry {
    uint32_t tag;
    uint32_t type;
    uint32_t count;
    double value;          // the number held in the entry's own 4-byte value field
    int64_t value_offset;  // file offset of the values (the value field itself when they fit in it)
    double* doubles;
    float* floats;
    uint32_t* longs;
    int32_t* slongs;
    uint16_t* shorts;
    int16_t* sshorts;
    uint8_t* bytes;
    int8_t* sbytes;
    uint8_t* undefined;
    uint32_t* rational_num;
    uint32_t* rational_den;
    int32_t* srational_num;
    int32_t* srational_den;
    char* ascii;
};

struct TiffDirectory {
    uint32_t entry_count;
    TiffEntry* entries;   // entry_count entries in file order, owned
    TiffDirectory* next;  // the following directory, owned, or null
};

struct TiffFile {
    FILE* file;                  // null when not open
    char path[1024];             // NUL-terminated
    int32_t byte_order;          // 0 big-endian ("MM"), 1 little-endian ("II"), 2 neither
    int32_t directory_count;     // number of directories read
    TiffDirectory* directories;  // first directory of the chain, owned, or null
};

int tifrec_open(TiffFile* tiff, const char* path);  // 1 cannot open, 2 no byte order mark / damaged, 3 read
void tifrec_close(TiffFile* tiff);
// Sets byte_order from bytes 0 and 1 of the file; returns 1 for "MM"/"II", otherwise byte_order 2 and 0.
int tifrec_byte_order(TiffFile* tiff);
// Unsigned integer of n bytes (1 to 4) at offset in the file's byte order; bytes past the end read as 0.
uint32_t tifrec_read_uint(TiffFile* tiff, int64_t offset, int n);
// Copies n bytes at offset to dest, reversed unless the file is little-endian, so that a multi-byte value
// arrives least significant byte first. Bytes past the end of the file arrive as 0.
void tifrec_read_bytes(TiffFile* tiff, void* dest, int64_t offset, int n);
// Fills value, value_offset and the entry's array; field_position is the file position of its 4-byte value
// field.
void tifrec_read_values(TiffFile* tiff, TiffEntry* entry, int64_t field_position);
