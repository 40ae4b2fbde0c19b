// Deterministic demo and test scenes in every format the viewer reads.
//
// The pixels follow one synthetic landscape (water, vegetation, bare soil, a town, a warm patch in the thermal
// band) so that composites, NDVI and temperature pictures show real structure. Tests use the pixel model below
// to compute the values they expect independently of the readers.
#pragma once

#include <cstdint>
#include <string>

namespace samples {

// Spectral bands of the synthetic landscape.
enum class Band { Blue = 0, Green = 1, Red = 2, NearInfrared = 3, Thermal = 4 };

enum class LandClass { Water, Vegetation, Soil, Town, WarmPatch };

// Class of the ground at pixel (x, y) of a scene of width w and height h.
LandClass land_class(int x, int y, int w, int h);

// 8-bit value of band `band` at pixel (x, y); the same for every format that stores 8-bit samples.
uint8_t band_value(Band band, int x, int y, int w, int h);

// 16-bit value stored by the 16-bit CEOS file (a wider-range version of band_value).
uint16_t band_value16(Band band, int x, int y, int w, int h);

// Float stored by the "PSRB" CEOS file for group sample `sample` (0 or 1) at (x, y).
float psrb_value(int sample, int x, int y, int w, int h);

// Relative paths of the files write_sample_scenes creates under its folder.
namespace files {
inline constexpr const char* kNative4 = "native/scene4.vdm";        // "VELDAMOR", 4 bands B G R NIR
inline constexpr const char* kCeosDir = "ceos";                     // 8-bit CEOS bands + summary.txt
inline constexpr const char* kCeosBand1 = "ceos/IMG-01-DEMO-O1B2R";  // blue
inline constexpr const char* kCeosBand2 = "ceos/IMG-02-DEMO-O1B2R";  // green
inline constexpr const char* kCeosBand3 = "ceos/IMG-03-DEMO-O1B2R";  // red
inline constexpr const char* kCeosBand4 = "ceos/IMG-04-DEMO-O1B2R";  // near infrared
inline constexpr const char* kCeosSummary = "ceos/summary.txt";
inline constexpr const char* kCeos16 = "ceos16/IMG-DEMO16";   // 16-bit general CEOS, near infrared
inline constexpr const char* kPsrc = "psrc/IMG-HH-DEMO-PSRC";  // "PSRC" kind, 8-bit
inline constexpr const char* kPsrb = "psrb/IMG-HH-DEMO-PSRB";  // "PSRB" kind, float groups of 2
inline constexpr const char* kTiffGreyLE = "tiff/grey_le.tif";
inline constexpr const char* kTiffGreyBE = "tiff/grey_be.tif";
inline constexpr const char* kTiffRgbLE = "tiff/rgb_le.tif";
inline constexpr const char* kTiffRgbBE = "tiff/rgb_be.tif";
inline constexpr const char* kBmp = "picture/demo.bmp";
inline constexpr const char* kJpeg = "picture/demo.jpg";
inline constexpr const char* kLandsatDir = "landsat";
inline constexpr const char* kLandsatRed = "landsat/L7DEMO_B30.tif";      // 8-bit grey TIFF
inline constexpr const char* kLandsatNir = "landsat/L7DEMO_B40.tif";      // 8-bit grey TIFF
inline constexpr const char* kLandsatThermal = "landsat/L7DEMO_B61.tif";  // 8-bit grey TIFF, warm town
inline constexpr const char* kLandsatMet = "landsat/L7DEMO_MTL.met";
}  // namespace files

// Scene size of every file of the set (all files share it, so any of them can be opened together).
inline constexpr int kWidth = 800;
inline constexpr int kHeight = 600;

// Writes the whole set into `dir` (created if missing). Returns false and sets *error on an I/O failure.
bool write_sample_scenes(const std::string& dir, std::string* error);

// Writes a large native file of `bands` 8-bit bands for benchmarks (for example 16000 x 16000).
bool write_large_native(const std::string& path, int width, int height, int bands, std::string* error);

}  // namespace samples
