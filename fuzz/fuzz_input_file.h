// The readers under fuzzing take a path, so each input is written to a file of this process first: in
// /dev/shm when it can be written (no disk traffic per run), else in /tmp.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// Writes `size` bytes to this process's input file named after `tag` and returns its path; null on failure.
inline const char* WriteFuzzInput(const char* tag, const uint8_t* data, size_t size) {
    static const std::string path =
        (access("/dev/shm", W_OK) == 0 ? std::string("/dev/shm") : std::string("/tmp")) + "/orvenna-fuzz-" +
        tag + "-" + std::to_string(getpid());
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return nullptr;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
    return path.c_str();
}
