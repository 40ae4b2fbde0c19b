// Writes the demo and test scenes, or one large native file for benchmarks.
//
//   make_sample_scenes <folder>
//   make_sample_scenes --large <path> [width height bands]   (default 16000 x 16000, 1 band)
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tools/samples/sample_scenes.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: make_sample_scenes <folder>\n"
                 "       make_sample_scenes --large <path> [width height bands]\n");
    return 2;
}

// A positive decimal number, or -1.
long parse_count(const char* s) {
    char* end = nullptr;
    const long v = std::strtol(s, &end, 10);
    return end != s && *end == '\0' && v > 0 ? v : -1;
}

void print_file(const std::string& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    std::printf("%12llu  %s\n", ec ? 0ull : (unsigned long long)size, path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    if (argc >= 2 && std::string(argv[1]) == "--large") {
        if (argc != 3 && argc != 6) return usage();
        long w = 16000, h = 16000, bands = 1;
        if (argc == 6) {
            w = parse_count(argv[3]);
            h = parse_count(argv[4]);
            bands = parse_count(argv[5]);
            if (w < 0 || h < 0 || bands < 0 || w > 65535 || h > 65535 || bands > 65535) return usage();
        }
        if (!samples::write_large_native(argv[2], int(w), int(h), int(bands), &error)) {
            std::fprintf(stderr, "make_sample_scenes: %s\n", error.c_str());
            return 1;
        }
        std::printf("wrote native scene %ld x %ld, %ld band(s):\n", w, h, bands);
        print_file(argv[2]);
        return 0;
    }
    if (argc != 2 || argv[1][0] == '-') return usage();

    const std::string dir = argv[1];
    if (!samples::write_sample_scenes(dir, &error)) {
        std::fprintf(stderr, "make_sample_scenes: %s\n", error.c_str());
        return 1;
    }
    std::printf("wrote sample scenes of %d x %d pixels into %s:\n", samples::kWidth, samples::kHeight,
                dir.c_str());
    int count = 0;
    const samples::SampleFile* files = samples::sample_files(&count);
    for (int i = 0; i < count; ++i)
        print_file(dir + "/" + files[i].path);
    print_file(dir + "/" + samples::files::kCeosSummary);
    print_file(dir + "/" + samples::files::kLandsatMet);
    return 0;
}
