// Small helpers for writing binary sample files: byte packing and a checked output file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace samples {

// A block of bytes with big- and little-endian stores and CEOS-style text fields.
class Bytes {
public:
    explicit Bytes(size_t size, uint8_t fill = 0) : data_(size, fill) {}

    void be16(size_t at, uint32_t v);
    void be32(size_t at, uint32_t v);
    void le16(size_t at, uint32_t v);
    void le32(size_t at, uint32_t v);
    void u16(size_t at, uint32_t v, bool big_endian) { big_endian ? be16(at, v) : le16(at, v); }
    void u32(size_t at, uint32_t v, bool big_endian) { big_endian ? be32(at, v) : le32(at, v); }
    // Copies text without its NUL (cut at the block's end).
    void text(size_t at, const std::string& s);
    // A decimal number right-aligned in a blank-filled field of `width` characters.
    void decimal(size_t at, int width, long long value);

    uint8_t* data() { return data_.data(); }
    const uint8_t* data() const { return data_.data(); }
    size_t size() const { return data_.size(); }
    uint8_t& operator[](size_t i) { return data_[i]; }

private:
    std::vector<uint8_t> data_;
};

// A file opened for writing (parent folders created). Every failure is kept with a message; close()
// reports whether everything reached the file.
class OutputFile {
public:
    OutputFile(const std::string& path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool ok() const { return error_.empty(); }
    void write(const void* data, size_t n);
    void write(const Bytes& b) { write(b.data(), b.size()); }
    // Closes the file; on any failure removes it and stores the message in *error (when given).
    bool close(std::string* error);

private:
    std::string path_;
    FILE* file_ = nullptr;
    bool created_ = false;
    std::string error_;
};

// Sets *error (when given) and returns false.
bool fail(std::string* error, const std::string& message);

}  // namespace samples
