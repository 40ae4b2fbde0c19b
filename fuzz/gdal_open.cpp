// Fuzzes the way GDAL files are opened and read: the input becomes a file that is opened with format
// detection (TIFFs the built-in reader takes stay with it) and read through (exercise_scene.h), with GDAL's
// VRT and GTiff drivers only. It covers the checks made before GDAL sees a file (the TIFF's blocks inside
// the file, the VRT's sources local regular files without cycles, the memory budget) and the reads of what
// passes them, including VRT sources that are the input itself or other files.
#include <cstddef>
#include <cstdint>

#include "fuzz/exercise_scene.h"
#include "fuzz/fuzz_input_file.h"

namespace {

// A declared band may be far larger than its file (a VRT of 2^31 x 2^31 zeros); whole-band passes are left
// to bands of at most this many pixels, and runs are cut.
constexpr int64_t kMaxPassPixels = int64_t(1) << 22;
constexpr int kMaxRun = 4096;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool restricted = (KeepGdalDrivers({"VRT", "GTiff"}), true);
    (void)restricted;
    const char* path = WriteFuzzInput("gdal", data, size);
    if (!path) return 0;
    ExerciseScene(path, FMT_DETECT, kMaxRun, kMaxPassPixels);
    return 0;
}
