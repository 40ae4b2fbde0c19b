// Internal helpers of the remos reader: positioned reads that never leave stale bytes, checked size
// arithmetic, and the sample offset of a band position. Not part of the public interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "scene/remos.h"

namespace remos_io {

// Reads `n` bytes at `offset` into `dest` without moving the file position, so several threads may read one
// file. Bytes the file does not hold (end of file, failed read, no file) are set to zero. Returns the number
// of bytes actually read.
size_t read_at(FILE* file, int64_t offset, void* dest, size_t n);

// Size of the open file in bytes, or -1 when it cannot be told.
int64_t file_size(FILE* file);

// a * b + c in 64 bits; false when the result would overflow or an argument is negative.
bool mul_add(int64_t a, int64_t b, int64_t c, int64_t* out);

// File offset of sample (line, x) of `band` in its interleave mode; false when it does not fit 64 bits or the
// band's layout is meaningless.
bool sample_offset(const BandInfo* band, int64_t line, int64_t x, int64_t* out);

}  // namespace remos_io
