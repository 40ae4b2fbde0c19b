// Fuzzes the scene reader: the input becomes a file that is opened with format detection and read through
// (exercise_scene.h).
//
// GDAL: only its AAIGrid driver (ESRI ASCII grid, a short text header and numbers) is registered here; it
// takes 8 bytes per declared line without checking the file, so text grids declaring more than 2048 columns
// or lines are passed over. Within that bound every GDAL path of the reader runs on real GDAL bands:
// the fall-back from detection, the type and size checks, no-data, sample, row, stored and reduced reads,
// the transform without a CRS, and the read errors of grids shorter than they claim.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/exercise_scene.h"
#include "fuzz/fuzz_input_file.h"

namespace {

constexpr long kMaxGridSide = 2048;
constexpr int kMaxRun = 4096;

// Whether a text header declares "ncols" or "nrows" above the bound (case-insensitive, as GDAL reads them).
bool declares_large_grid(const uint8_t* data, size_t size) {
    const std::string head(reinterpret_cast<const char*>(data), size < 2048 ? size : 2048);
    std::vector<std::string> words;
    std::string word;
    for (char ch : head) {
        if (std::isspace(static_cast<unsigned char>(ch))) {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        }
    }
    if (!word.empty()) words.push_back(word);
    for (size_t i = 0; i + 1 < words.size(); ++i)
        if (words[i] == "ncols" || words[i] == "nrows") {
            const long v = std::atol(words[i + 1].c_str());
            if (v > kMaxGridSide || v < -kMaxGridSide) return true;
        }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool restricted = (KeepGdalDrivers({"AAIGrid"}), true);
    (void)restricted;
    if (declares_large_grid(data, size)) return 0;
    const char* path = WriteFuzzInput("remos", data, size);
    if (!path) return 0;

    ExerciseScene(path, FMT_DETECT, kMaxRun);
    return 0;
}
