// The whole demo and test set: every format at the same size, plus the metadata texts.
#include <string>

#include "tools/samples/metadata_writer.h"
#include "tools/samples/output_file.h"
#include "tools/samples/sample_scenes.h"

namespace samples {
namespace {

using B = Band;
const SampleFile kFiles[] = {
    {files::kNative4, Container::Native, Encoding::Value8, 4, {B::Blue, B::Green, B::Red, B::NearInfrared}},
    {files::kCeosBand1, Container::Ceos, Encoding::Value8, 1, {B::Blue}},
    {files::kCeosBand2, Container::Ceos, Encoding::Value8, 1, {B::Green}},
    {files::kCeosBand3, Container::Ceos, Encoding::Value8, 1, {B::Red}},
    {files::kCeosBand4, Container::Ceos, Encoding::Value8, 1, {B::NearInfrared}},
    {files::kCeos16, Container::Ceos, Encoding::Value16, 1, {B::NearInfrared}},
    {files::kPsrc, Container::CeosPsrc, Encoding::Value8, 1, {B::Green}},
    {files::kPsrb, Container::CeosPsrb, Encoding::Psrb, 2, {B::Red, B::NearInfrared}},
    {files::kTiffGreyLE, Container::Tiff, Encoding::Value8, 1, {B::NearInfrared}},
    {files::kTiffGreyBE, Container::Tiff, Encoding::Value8, 1, {B::Red}},
    {files::kTiffRgbLE, Container::Tiff, Encoding::Value8, 3, {B::Red, B::Green, B::Blue}},
    {files::kTiffRgbBE, Container::Tiff, Encoding::Value8, 3, {B::Red, B::Green, B::Blue}},
    {files::kBmp, Container::Bmp, Encoding::Value8, 3, {B::Red, B::Green, B::Blue}},
    {files::kJpeg, Container::Jpeg, Encoding::Value8, 3, {B::Red, B::Green, B::Blue}},
    {files::kLandsatRed, Container::Tiff, Encoding::Value8, 1, {B::Red}},
    {files::kLandsatNir, Container::Tiff, Encoding::Value8, 1, {B::NearInfrared}},
    {files::kLandsatThermal, Container::Tiff, Encoding::Value8, 1, {B::Thermal}},
};

bool write_one(const SampleFile& f, const std::string& path, std::string* error) {
    const int w = kWidth, h = kHeight;
    const std::string name = f.path;
    switch (f.container) {
        case Container::Native:
            return write_native(path, w, h, f.band_count, error);
        case Container::Ceos:
            return write_ceos(path, CeosKind::General, f.bands[0], f.encoding == Encoding::Value16 ? 16 : 8,
                              w, h, error);
        case Container::CeosPsrc:
            return write_ceos(path, CeosKind::Psrc, f.bands[0], 8, w, h, error);
        case Container::CeosPsrb:
            return write_ceos(path, CeosKind::Psrb, f.bands[0], 32, w, h, error);
        case Container::Tiff: {
            const bool big_endian = name == files::kTiffGreyBE || name == files::kTiffRgbBE;
            if (f.band_count == 3) return write_tiff_rgb(path, w, h, big_endian, error);
            return write_tiff_grey(path, f.bands[0], w, h, big_endian, error);
        }
        case Container::Bmp:
            return write_bmp(path, w, h, error);
        case Container::Jpeg:
            return write_jpeg(path, w, h, 90, error);
    }
    return fail(error, "unknown container for " + path);
}

}  // namespace

const SampleFile* sample_files(int* count) {
    *count = int(sizeof kFiles / sizeof kFiles[0]);
    return kFiles;
}

bool write_sample_scenes(const std::string& dir, std::string* error) {
    const std::string root = dir.empty() || dir.back() == '/' ? dir : dir + "/";
    for (const SampleFile& f : kFiles)
        if (!write_one(f, root + f.path, error)) return false;
    return write_alos_summary(root + files::kCeosSummary, kWidth, kHeight, error) &&
           write_landsat_met(root + files::kLandsatMet, kWidth, kHeight, error);
}

}  // namespace samples
