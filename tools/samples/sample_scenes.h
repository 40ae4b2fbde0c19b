// Deterministic demo and test scenes in every format the viewer reads.
//
// The pixels follow one synthetic landscape (water, vegetation, bare soil, a town, a warm patch in the
// thermal band) so that composites, NDVI and temperature pictures show real structure. Tests use the pixel
// model below to compute the values they expect independently of the readers.
#pragma once

#include <cstdint>
#include <string>

namespace samples {

// The wavelength bands of the synthetic landscape.
enum class Band { Blue = 0, Green = 1, Red = 2, NearInfrared = 3, Thermal = 4 };

enum class LandClass { Water, Vegetation, Soil, Town, WarmPatch };

// Class of the ground at pixel (x, y) of a scene of width w and height h.
LandClass land_class(int x, int y, int w, int h);

// 8-bit value of band `band` at pixel (x, y); the same for every format that stores 8-bit samples.
uint8_t band_value(Band band, int x, int y, int w, int h);

// 16-bit value stored by the 16-bit CEOS file (a wider-range version of band_value).
uint16_t band_value16(Band band, int x, int y, int w, int h);

// Float stored by the "PSRB" CEOS file for group sample `sample` (0 or 1) at (x, y). Sample 0 follows the red
// band, sample 1 the near infrared: |value| = (band_value + 0.5) * 1e6 / 255, with a sign that varies per
// pixel, so a reader scaling |value| by 255e-6 gets band_value back.
float psrb_value(int sample, int x, int y, int w, int h);

// band_value of `width` pixels of line y into out[0..width-1] (faster than one call per pixel).
void band_row(Band band, int y, int w, int h, uint8_t* out);

// Relative paths of the files write_sample_scenes creates under its folder.
namespace files {
inline constexpr const char* kNative4 = "native/scene4.vdm";         // "VELDAMOR", 4 bands B G R NIR
inline constexpr const char* kCeosDir = "ceos";                      // 8-bit CEOS bands + summary.txt
inline constexpr const char* kCeosBand1 = "ceos/IMG-01-DEMO-O1B2R";  // blue
inline constexpr const char* kCeosBand2 = "ceos/IMG-02-DEMO-O1B2R";  // green
inline constexpr const char* kCeosBand3 = "ceos/IMG-03-DEMO-O1B2R";  // red
inline constexpr const char* kCeosBand4 = "ceos/IMG-04-DEMO-O1B2R";  // near infrared
inline constexpr const char* kCeosSummary = "ceos/summary.txt";
inline constexpr const char* kCeos16 =
    "ceos16/IMG-DEMO16";  // 16-bit general CEOS, near infrared (band_value16)
inline constexpr const char* kPsrc = "psrc/IMG-HH-DEMO-PSRC";   // "PSRC" kind, 8-bit, green
inline constexpr const char* kPsrb = "psrb/IMG-HH-DEMO-PSRB";   // "PSRB" kind, float groups of 2 (psrb_value)
inline constexpr const char* kTiffGreyLE = "tiff/grey_le.tif";  // near infrared, 32-bit width and height tags
inline constexpr const char* kTiffGreyBE = "tiff/grey_be.tif";  // red, 16-bit width and height tags
inline constexpr const char* kTiffRgbLE = "tiff/rgb_le.tif";    // samples red, green, blue
inline constexpr const char* kTiffRgbBE = "tiff/rgb_be.tif";    // samples red, green, blue
inline constexpr const char* kBmp = "picture/demo.bmp";         // 24-bit, red, green, blue bands
inline constexpr const char* kJpeg = "picture/demo.jpg";        // red, green, blue bands, lossy
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
// Band i holds the model band i mod 5 (Blue, Green, Red, NearInfrared, Thermal).
bool write_large_native(const std::string& path, int width, int height, int bands, std::string* error);

// ---------------------------------------------------------------------------------------------------------
// What each file of the set holds, for tests that open every file and compare its samples with the model.

enum class Container { Native, Ceos, CeosPsrc, CeosPsrb, Tiff, Bmp, Jpeg };
enum class Encoding {
    Value8,   // band_value, one byte per sample
    Value16,  // band_value16, big-endian 16 bits per sample
    Psrb,     // psrb_value of group sample k for stored band k, big-endian float
};

struct SampleFile {
    const char* path;  // relative to the set's folder (one of files::k...)
    Container container;
    Encoding encoding;
    int band_count;  // bands a reader lists for the file
    Band bands[4];   // model band of each stored band, in file order (for Value8 and Value16)
};

// Every scene and picture file written by write_sample_scenes (the metadata texts are not listed).
const SampleFile* sample_files(int* count);

// Layout of the CEOS files written (constant for the whole set, so tests can check the headers).
inline constexpr int kCeosDescriptorLength = 720;  // file descriptor record; the image records follow it
inline constexpr int kCeosPrefix = 412;            // general kind: bytes ahead of the samples in each record
inline constexpr int kCeosSuffix = 28;             // general kind: bytes behind the samples
inline constexpr int kSarPrefix = 192;             // "PSRC" and "PSRB": bytes ahead of the samples
inline constexpr int kSarSuffix = 12;              // "PSRC" and "PSRB": bytes behind the samples

// Corner coordinates written into the metadata texts (decimal degrees of the corner pixel centres).
struct Corners {
    double ul_lat, ul_lon, ur_lat, ur_lon, ll_lat, ll_lon, lr_lat, lr_lon;
};
inline constexpr Corners kAlosCorners{35.9412, 139.4021, 35.8953, 140.1838,
                                      35.3127, 139.3482, 35.2671, 140.1255};
inline constexpr Corners kLandsatCorners{36.2000, 139.3000, 36.2000, 140.1000,
                                         35.6000, 139.3000, 35.6000, 140.1000};
inline constexpr double kLandsatLmax61 = 17.040;
inline constexpr double kLandsatLmin61 = 0.000;

// ---------------------------------------------------------------------------------------------------------
// Single-file writers at any size, for tests that need other sizes (size mismatch, odd widths, padding).
// Each writes the model at width x height, creates missing parent folders, and returns false with *error set
// on an I/O failure or a size the format cannot hold.

enum class CeosKind { General, Psrc, Psrb };

bool write_native(const std::string& path, int width, int height, int bands, std::string* error);
// General: `bits` 8 (band_value) or 16 (band_value16). Psrc: 8-bit band_value. Psrb: psrb_value, `band`
// unused.
bool write_ceos(const std::string& path, CeosKind kind, Band band, int bits, int width, int height,
                std::string* error);
bool write_tiff_grey(const std::string& path, Band band, int width, int height, bool big_endian,
                     std::string* error);
bool write_tiff_rgb(const std::string& path, int width, int height, bool big_endian, std::string* error);
bool write_bmp(const std::string& path, int width, int height, std::string* error);
bool write_jpeg(const std::string& path, int width, int height, int quality, std::string* error);

}  // namespace samples
