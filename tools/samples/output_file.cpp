#include "tools/samples/output_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace samples {

void Bytes::be16(size_t at, uint32_t v) {
    data_.at(at) = uint8_t(v >> 8);
    data_.at(at + 1) = uint8_t(v);
}

void Bytes::be32(size_t at, uint32_t v) {
    be16(at, v >> 16);
    be16(at + 2, v & 0xFFFF);
}

void Bytes::le16(size_t at, uint32_t v) {
    data_.at(at) = uint8_t(v);
    data_.at(at + 1) = uint8_t(v >> 8);
}

void Bytes::le32(size_t at, uint32_t v) {
    le16(at, v & 0xFFFF);
    le16(at + 2, v >> 16);
}

void Bytes::text(size_t at, const std::string& s) {
    for (size_t i = 0; i < s.size() && at + i < data_.size(); ++i)
        data_[at + i] = uint8_t(s[i]);
}

void Bytes::decimal(size_t at, int width, long long value) {
    std::string s = std::to_string(value);
    if (int(s.size()) < width) s.insert(0, size_t(width) - s.size(), ' ');
    text(at, s.substr(0, size_t(width)));
}

OutputFile::OutputFile(const std::string& path) : path_(path) {
    std::error_code ec;
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent, ec);
    if (ec) {
        error_ = "cannot create folder " + parent.string() + ": " + ec.message();
        return;
    }
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) error_ = "cannot create " + path + ": " + std::strerror(errno);
    created_ = file_ != nullptr;
}

OutputFile::~OutputFile() {
    if (file_) std::fclose(file_);
}

void OutputFile::write(const void* data, size_t n) {
    if (!ok() || n == 0) return;
    if (std::fwrite(data, 1, n, file_) != n) error_ = "cannot write " + path_ + ": " + std::strerror(errno);
}

bool OutputFile::close(std::string* error) {
    if (file_) {
        if (std::fclose(file_) != 0 && ok()) error_ = "cannot write " + path_ + ": " + std::strerror(errno);
        file_ = nullptr;
    }
    if (ok()) return true;
    std::error_code ec;
    if (created_) std::filesystem::remove(path_, ec);  // no half-written file stays behind
    return fail(error, error_);
}

bool fail(std::string* error, const std::string& message) {
    if (error) *error = message;
    return false;
}

}  // namespace samples
