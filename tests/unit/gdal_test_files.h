// Raster files written by the GDAL tests with GDAL's own command-line tools (gdal_translate, gdaladdo), and
// the answers of gdallocationinfo and gdaltransform about them, which the tests take as the truth.
#pragma once

#include <gdal.h>

#include <cmath>
#include <cstdint>
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

// A NetCDF container written with GDAL's multidimensional API: "sst" (time 3, y 4, x 5; Float32, t * 100 +
// y * 10 + x), "t" (lev 2, y, x; Float32, 500 + lev index) and "depth" (y, x; Int16, -(y * 10 + x)); time in
// "days since 1800-01-01" at 0, 31 and 73048.5 days, lev at 850 and 500 without time units.
inline bool write_netcdf_container(const std::string& path) {
    GDALAllRegister();
    GDALDriverH driver = GDALGetDriverByName("netCDF");
    GDALDatasetH ds = driver ? GDALCreateMultiDimensional(driver, path.c_str(), nullptr, nullptr) : nullptr;
    if (!ds) return false;
    GDALGroupH root = GDALDatasetGetRootGroup(ds);
    GDALExtendedDataTypeH f32 = GDALExtendedDataTypeCreate(GDT_Float32);
    GDALExtendedDataTypeH f64 = GDALExtendedDataTypeCreate(GDT_Float64);
    GDALExtendedDataTypeH i16 = GDALExtendedDataTypeCreate(GDT_Int16);
    GDALExtendedDataTypeH text = GDALExtendedDataTypeCreateString(0);
    bool ok = true;
    auto dimension = [&](const char* name, const char* type, int size) {
        return GDALGroupCreateDimension(root, name, type, nullptr, static_cast<GUInt64>(size), nullptr);
    };
    GDALDimensionH time = dimension("time", "TEMPORAL", 3), lev = dimension("lev", nullptr, 2),
                   y = dimension("y", "HORIZONTAL_Y", 4), x = dimension("x", "HORIZONTAL_X", 5);
    auto write = [&](const char* name, std::vector<GDALDimensionH> dims, GDALExtendedDataTypeH type,
                     const void* values, const char* units) {
        GDALMDArrayH array = GDALGroupCreateMDArray(root, name, dims.size(), dims.data(), type, nullptr);
        if (!array) {
            ok = false;
            return;
        }
        std::vector<GUInt64> start(dims.size(), 0);
        std::vector<size_t> count;
        for (GDALDimensionH d : dims)
            count.push_back(static_cast<size_t>(GDALDimensionGetSize(d)));
        ok = ok &&
             GDALMDArrayWrite(array, start.data(), count.data(), nullptr, nullptr, type, values, nullptr, 0);
        if (units) {
            GDALAttributeH attribute = GDALMDArrayCreateAttribute(array, "units", 0, nullptr, text, nullptr);
            ok = ok && attribute && GDALAttributeWriteString(attribute, units);
            if (attribute) GDALAttributeRelease(attribute);
        }
        GDALMDArrayRelease(array);
    };
    const double times[3] = {0, 31, 73048.5}, levels[2] = {850, 500};
    std::vector<float> sst, t;
    std::vector<int16_t> depth;
    for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 20; ++j)
            sst.push_back(static_cast<float>(k * 100 + j / 5 * 10 + j % 5));
    for (int k = 0; k < 2; ++k)
        for (int j = 0; j < 20; ++j)
            t.push_back(static_cast<float>(500 + k));
    for (int j = 0; j < 20; ++j)
        depth.push_back(static_cast<int16_t>(-(j / 5 * 10 + j % 5)));
    write("time", {time}, f64, times, "days since 1800-01-01");
    write("lev", {lev}, f64, levels, "hPa");
    write("sst", {time, y, x}, f32, sst.data(), nullptr);
    write("t", {lev, y, x}, f32, t.data(), nullptr);
    write("depth", {y, x}, i16, depth.data(), nullptr);
    for (GDALDimensionH d : {time, lev, y, x})
        GDALDimensionRelease(d);
    for (GDALExtendedDataTypeH type : {f32, f64, i16, text})
        GDALExtendedDataTypeRelease(type);
    GDALGroupRelease(root);
    GDALClose(ds);
    return ok;
}

// A palette file (6 x 4 Byte indices (x + y) % 3) written with GDAL's API through `driver` ("GTiff", "HFA"):
// colour table kPalette, and with `names` an attribute table naming the indices kClassNames (HFA keeps it in
// the file; a GeoTIFF would keep it in a side file the viewer does not read).
inline const unsigned char kPalette[3][3] = {{10, 20, 30}, {200, 100, 0}, {0, 255, 64}};
inline const char* const kClassNames[3] = {"water", "forest", "urban"};
inline bool write_palette_file(const std::string& path, const char* driver_name, bool names) {
    GDALAllRegister();
    GDALDriverH driver = GDALGetDriverByName(driver_name);
    GDALDatasetH ds = driver ? GDALCreate(driver, path.c_str(), 6, 4, 1, GDT_Byte, nullptr) : nullptr;
    if (!ds) return false;
    GDALRasterBandH band = GDALGetRasterBand(ds, 1);
    unsigned char indices[24];
    for (int i = 0; i < 24; ++i)
        indices[i] = static_cast<unsigned char>((i % 6 + i / 6) % 3);
    bool ok = GDALRasterIO(band, GF_Write, 0, 0, 6, 4, indices, 6, 4, GDT_Byte, 0, 0) == CE_None;
    GDALColorTableH table = GDALCreateColorTable(GPI_RGB);
    for (int i = 0; i < 3; ++i) {
        const GDALColorEntry entry = {kPalette[i][0], kPalette[i][1], kPalette[i][2], 255};
        GDALSetColorEntry(table, i, &entry);
    }
    ok = ok && GDALSetRasterColorTable(band, table) == CE_None;
    GDALDestroyColorTable(table);
    if (names) {
        GDALRasterAttributeTableH rat = GDALCreateRasterAttributeTable();
        GDALRATCreateColumn(rat, "Value", GFT_Integer, GFU_MinMax);
        GDALRATCreateColumn(rat, "Class_Names", GFT_String, GFU_Name);
        for (int i = 0; i < 3; ++i) {
            GDALRATSetValueAsInt(rat, i, 0, i);
            GDALRATSetValueAsString(rat, i, 1, kClassNames[i]);
        }
        ok = ok && GDALSetDefaultRAT(band, rat) == CE_None;
        GDALDestroyRasterAttributeTable(rat);
    }
    GDALClose(ds);
    return ok;
}

}  // namespace gdal_test
