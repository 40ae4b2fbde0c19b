// Raster files written by the GDAL tests with GDAL's own command-line tools (gdal_translate, gdaladdo), and
// the answers of gdallocationinfo and gdaltransform about them, which the tests take as the truth.
#pragma once

#include <gdal.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace gdal_test {

// Runs a shell command; its standard output, or "" with *ok false when it failed. GDAL's tools run without
// PAM so that they leave no .aux.xml beside the files they read.
inline std::string shell(const std::string& command, bool* ok = nullptr) {
    const std::string full = "GDAL_PAM_ENABLED=NO " + command + " 2>/dev/null";
    FILE* p = popen(full.c_str(), "r");
    std::string out;
    if (p) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0)
            out.append(buf, n);
    }
    const int status = p ? pclose(p) : -1;
    if (ok) *ok = status == 0;
    return status == 0 ? out : std::string();
}

inline std::string quoted(const std::string& path) {
    return "'" + path + "'";
}

struct Pixel {
    int x, y;
};

// Values of band `band` (from 1) at the pixels, as gdallocationinfo reads them.
inline std::vector<double> location_values(const std::string& path, const std::vector<Pixel>& pixels,
                                           int band) {
    std::ostringstream input;
    for (const Pixel& p : pixels)
        input << p.x << ' ' << p.y << '\n';
    const std::string cmd = "printf '%s' '" + input.str() + "' | gdallocationinfo -valonly -b " +
                            std::to_string(band) + " " + quoted(path);
    std::istringstream out(shell(cmd));
    std::vector<double> values;
    std::string word;
    while (out >> word)
        values.push_back(word == "nan" || word == "-nan" ? NAN : std::stod(word));
    return values;
}

struct LonLat {
    double lon, lat;
};

// WGS 84 longitude/latitude of pixel positions (fractional column, line), as gdaltransform gives them.
inline std::vector<LonLat> to_wgs84(const std::string& path,
                                    const std::vector<std::pair<double, double>>& at) {
    std::ostringstream input;
    input.precision(17);
    for (const auto& p : at)
        input << p.first << ' ' << p.second << '\n';
    std::istringstream out(
        shell("printf '%s' '" + input.str() + "' | gdaltransform -t_srs EPSG:4326 " + quoted(path)));
    std::vector<LonLat> result;
    double lon, lat, z;
    while (out >> lon >> lat >> z)
        result.push_back({lon, lat});
    return result;
}

// Fractional pixel positions of WGS 84 longitude/latitude, as gdaltransform -i gives them.
inline std::vector<std::pair<double, double>> from_wgs84(const std::string& path,
                                                         const std::vector<LonLat>& at) {
    std::ostringstream input;
    input.precision(17);
    for (const LonLat& p : at)
        input << p.lon << ' ' << p.lat << '\n';
    std::istringstream out(
        shell("printf '%s' '" + input.str() + "' | gdaltransform -i -t_srs EPSG:4326 " + quoted(path)));
    std::vector<std::pair<double, double>> result;
    double x, y, z;
    while (out >> x >> y >> z)
        result.push_back({x, y});
    return result;
}

// A raw Float64 band-sequential file with its ENVI header (which GDAL reads): `bands` bands of
// width x height values value(band, x, y). Returns the raw file's path (`base`.raw).
inline std::string write_envi(const std::string& base, int width, int height, int bands,
                              const std::function<double(int, int, int)>& value) {
    const std::string raw = base + ".raw";
    std::ofstream out(raw, std::ios::binary);
    for (int b = 0; b < bands; ++b)
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const double v = value(b, x, y);
                out.write(reinterpret_cast<const char*>(&v), sizeof v);
            }
    std::ofstream hdr(base + ".hdr");
    hdr << "ENVI\nsamples = " << width << "\nlines = " << height << "\nbands = " << bands
        << "\nheader offset = 0\nfile type = ENVI Standard\ndata type = 5\ninterleave = bsq\nbyte order = "
           "0\n";
    return raw;
}

// gdal_translate `source` into `dest` with the options; true when it succeeded.
inline bool translate(const std::string& source, const std::string& dest, const std::string& options) {
    bool ok = false;
    shell("gdal_translate -q " + options + " " + quoted(source) + " " + quoted(dest), &ok);
    return ok;
}

// The byte offset and size of one tile of a tiled GeoTIFF, as GDAL's TIFF driver reports them.
inline bool tile_bytes(const std::string& path, int tx, int ty, long* offset, long* size) {
    GDALAllRegister();
    GDALDatasetH ds = GDALOpen(path.c_str(), GA_ReadOnly);
    if (!ds) return false;
    GDALRasterBandH band = GDALGetRasterBand(ds, 1);
    const std::string suffix = std::to_string(tx) + "_" + std::to_string(ty);
    const char* off = GDALGetMetadataItem(band, ("BLOCK_OFFSET_" + suffix).c_str(), "TIFF");
    const char* len = GDALGetMetadataItem(band, ("BLOCK_SIZE_" + suffix).c_str(), "TIFF");
    const bool ok = off && len;
    if (ok) {
        *offset = std::stol(off);
        *size = std::stol(len);
    }
    GDALClose(ds);
    return ok;
}

}  // namespace gdal_test
