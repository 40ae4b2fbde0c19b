// Opening files through GDAL: the one-time set-up of GDAL, the checks that turn a dataset into band records
// (or a refusal with its reason), closing, and the read errors a scene keeps for the window.
#include "scene/remos_gdal.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <cpl_vsi.h>
#include <cpl_vsi_error.h>
#include <dlfcn.h>
#include <gdal.h>
#include <strings.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "scene/gdal_file_hook.h"
#include "scene/gdal_guard.h"
#include "scene/gdal_scene.h"
#include "scene/scene_url.h"
#include "text/translated_text.h"

namespace remos_gdal {

using orvenna::fill_text;
using orvenna::tr_text;

namespace {

// The last failure GDAL reported on this thread; GDAL prints nothing.
thread_local std::string t_last_error;

void CPL_STDCALL quiet_error_handler(CPLErr level, CPLErrorNum, const char* message) {
    if (level >= CE_Failure && message) t_last_error = message;
}

// Sample type and stored width of a GDAL data type; false for types the viewer does not read.
bool sample_type_of(GDALDataType type, int* sample_type, int* bits) {
    switch (type) {
        case GDT_Byte:
            *sample_type = REMOS_SAMPLE_U8;
            *bits = 8;
            return true;
        case GDT_UInt16:
            *sample_type = REMOS_SAMPLE_U16;
            *bits = 16;
            return true;
        case GDT_Int16:
            *sample_type = REMOS_SAMPLE_I16;
            *bits = 16;
            return true;
        case GDT_UInt32:
            *sample_type = REMOS_SAMPLE_U32;
            *bits = 32;
            return true;
        case GDT_Int32:
            *sample_type = REMOS_SAMPLE_I32;
            *bits = 32;
            return true;
        case GDT_Float32:
            *sample_type = REMOS_SAMPLE_F32;
            *bits = 32;
            return true;
        case GDT_Float64:
            *sample_type = REMOS_SAMPLE_F64;
            *bits = 64;
            return true;
        default:
            return false;
    }
}

std::string type_name(GDALDataType type) {
    const char* name = GDALGetDataTypeName(type);
    return name ? name : "?";
}

// Why a dataset cannot become band records, or "" when it can.
std::string refusal_of(GDALDatasetH ds) {
    const int count = GDALGetRasterCount(ds);
    if (count < 1) return tr_text("GdalScene", "ラスタバンドがありません");
    const std::string memory = memory_problem(ds);
    if (!memory.empty()) return memory;
    const int width = GDALGetRasterXSize(ds), height = GDALGetRasterYSize(ds);
    if (width < 1 || height < 1) return tr_text("GdalScene", "画像の大きさが 0 です");
    const GDALDataType first = GDALGetRasterDataType(GDALGetRasterBand(ds, 1));
    for (int i = 1; i <= count; ++i) {
        GDALRasterBandH band = GDALGetRasterBand(ds, i);
        if (!band) return fill_text(tr_text("GdalScene", "バンド %1 を読めません"), {std::to_string(i)});
        const GDALDataType type = GDALGetRasterDataType(band);
        if (GDALDataTypeIsComplex(type))
            return fill_text(tr_text("GdalScene", "複素数のサンプル (%1) は表示できません"),
                             {type_name(type)});
        int sample_type = 0, bits = 0;
        if (!sample_type_of(type, &sample_type, &bits))
            return fill_text(tr_text("GdalScene", "サンプル型 %1 は表示できません"), {type_name(type)});
        if (type != first)
            return fill_text(tr_text("GdalScene", "バンドのサンプル型が揃っていません (%1 と %2)"),
                             {type_name(first), type_name(type)});
        if (GDALGetRasterBandXSize(band) != width || GDALGetRasterBandYSize(band) != height)
            return tr_text("GdalScene", "バンドの大きさが揃っていません");
    }
    return "";
}

constexpr const char* kHttpConnectTimeout[] = {"GDAL_HTTP_CONNECTTIMEOUT", "10"};
constexpr const char* kHttpTimeout[] = {"GDAL_HTTP_TIMEOUT", "30"};
constexpr const char* kHttpMaxRetry[] = {"GDAL_HTTP_MAX_RETRY", "0"};

// Drivers of scenes on a server: formats of single files that GDAL reads by byte ranges.
const char* const* remote_drivers() {
    static const char* const kDrivers[] = {"GTiff", "JP2OpenJPEG", "NITF", "HFA", "PCIDSK", "PNG",
                                           "JPEG",  "GIF",         "WEBP", "BMP", nullptr};
    return kDrivers;
}

// The user's words for a server's failure, with GDAL's (curl's) message.
std::string server_problem(const std::string& message) {
    if (message.find("404") != std::string::npos)
        return tr_text("GdalScene", "サーバーにファイルがありません (HTTP 404)");
    if (message.find("timed out") != std::string::npos || message.find("Timeout") != std::string::npos)
        return fill_text(tr_text("GdalScene", "サーバーが時間内に応答しません (%1)"), {message});
    if (message.empty()) return tr_text("GdalScene", "サーバーから読めません");
    return fill_text(tr_text("GdalScene", "サーバーから読めません: %1"), {message});
}

// Opens a scene on a server (scene_url.h): the file must answer first, else *reachable is false and the
// reason is in last_error(); then GDAL opens it with the drivers above and no side files. Answers cached
// for the URL before are dropped, so a file mended on the server since is read anew.
GDALDatasetH open_remote(const std::string& url, bool* reachable) {
    const std::string name = scene_url_gdal_name(url);
    VSICurlPartialClearCache(name.c_str());
    VSIErrorReset();
    VSILFILE* probe = VSIFOpenExL(name.c_str(), "rb", TRUE);
    *reachable = probe != nullptr;
    if (!probe) {
        const char* why = VSIGetLastErrorMsg();
        if (why && *why) t_last_error = why;
        return nullptr;
    }
    VSIFCloseL(probe);
    CPLStringList siblings;
    siblings.AddString(CPLGetFilename(name.c_str()));
    return GDALOpenEx(name.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY | GDAL_OF_VERBOSE_ERROR,
                      remote_drivers(), nullptr, siblings.List());
}

// Opens a file the way the viewer lets GDAL open one (gdal_guard.h), or a subdataset by the name GDAL gave
// it.
GDALDatasetH open_dataset(const std::string& name, bool subdataset) {
    if (is_scene_url(name)) {
        bool reachable = false;
        return open_remote(name, &reachable);
    }
    if (!subdataset) return open_checked(name);
    return GDALOpenEx(name.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY | GDAL_OF_VERBOSE_ERROR,
                      allowed_drivers(), nullptr, nullptr);
}

// Opens the file; a container without bands of its own (HDF, NetCDF with several variables) gives its first
// subdataset. *name is what was opened, *subdataset whether it is a subdataset's name.
GDALDatasetH open_raster(const char* path, std::string* name, bool* subdataset) {
    *name = path;
    *subdataset = false;
    GDALDatasetH ds = open_dataset(path, false);
    if (ds && GDALGetRasterCount(ds) == 0) {
        // The whole domain: NetCDF does not answer for single items of it.
        const char* first = CSLFetchNameValue(GDALGetMetadata(ds, "SUBDATASETS"), "SUBDATASET_1_NAME");
        if (first) {
            *name = first;
            *subdataset = true;
            GDALClose(ds);
            ds = open_dataset(*name, true);
        }
    }
    return ds;
}

// ESRI and GRASS ASCII grids: GDAL finds a line of them by reading every line before it.
bool is_text_grid(GDALDatasetH ds) {
    GDALDriverH driver = GDALGetDatasetDriver(ds);
    const char* name = driver ? GDALGetDriverShortName(driver) : "";
    return strcmp(name, "AAIGrid") == 0 || strcmp(name, "GRASSASCIIGrid") == 0 || strcmp(name, "ISG") == 0;
}

// A file GDAL knows but the viewer cannot show is FMT_GDAL, except a TIFF, which stays FMT_TIFF so that the
// window can say it is one.
void mark_recognised(SceneFile* scene) {
    if (scene->format != FMT_TIFF) scene->format = FMT_GDAL;
}

// NetCDF-4 and HDF5 files go through the HDF5 library, which prints its error stack (on probes that fail as
// expected) on every thread where that was not turned off; netCDF turns it off only on the thread that used
// it first. Looked up by name: the viewer does not link HDF5 itself, GDAL brings it.
void quiet_hdf5_on_this_thread() {
    thread_local bool quiet = false;
    if (quiet) return;
    quiet = true;
    using SetAuto = int (*)(int64_t stack, void* print, void* data);
    static const auto set_auto = reinterpret_cast<SetAuto>(dlsym(RTLD_DEFAULT, "H5Eset_auto2"));
    if (set_auto) set_auto(0 /* H5E_DEFAULT */, nullptr, nullptr);
}

// The names a band's raster attribute table gives its values 0..255 (a column used as names, else one
// called "name" or "class"); null without such a table or when no value has a name.
std::shared_ptr<const std::vector<std::string>> class_names_of(GDALRasterBandH band) {
    const GDALDataType type = GDALGetRasterDataType(band);
    if (type != GDT_Byte && type != GDT_UInt16 && type != GDT_Int16) return nullptr;
    GDALRasterAttributeTableH table = GDALGetDefaultRAT(band);
    if (!table) return nullptr;
    int column = -1;
    const int columns = GDALRATGetColumnCount(table);
    for (int c = 0; c < columns && column < 0; ++c)
        if (GDALRATGetUsageOfCol(table, c) == GFU_Name) column = c;
    for (int c = 0; c < columns && column < 0; ++c) {
        const char* name = GDALRATGetNameOfCol(table, c);
        if (name && (strcasecmp(name, "name") == 0 || strcasecmp(name, "class") == 0)) column = c;
    }
    if (column < 0) return nullptr;
    auto names = std::make_shared<std::vector<std::string>>(256);
    bool any = false;
    for (int value = 0; value < 256; ++value) {
        const int row = GDALRATGetRowOfValue(table, value);
        if (row < 0 || row >= GDALRATGetRowCount(table)) continue;
        const char* name = GDALRATGetValueAsString(table, row, column);
        if (name && *name) {
            (*names)[static_cast<size_t>(value)] = name;
            any = true;
        }
    }
    return any ? names : nullptr;
}

// The colours of a Byte band of palette indices with an RGB colour table; null for any other band.
std::shared_ptr<const Palette> palette_of(GDALRasterBandH band,
                                          const std::shared_ptr<const std::vector<std::string>>& names) {
    if (GDALGetRasterDataType(band) != GDT_Byte || GDALGetRasterColorInterpretation(band) != GCI_PaletteIndex)
        return nullptr;
    GDALColorTableH table = GDALGetRasterColorTable(band);
    if (!table || GDALGetPaletteInterpretation(table) != GPI_RGB) return nullptr;
    auto palette = std::make_shared<Palette>();
    const int entries = std::min(256, GDALGetColorEntryCount(table));
    for (int i = 0; i < entries; ++i) {
        const GDALColorEntry* entry = GDALGetColorEntry(table, i);
        if (!entry) continue;
        const short parts[3] = {entry->c1, entry->c2, entry->c3};
        for (int c = 0; c < 3; ++c)
            palette->colours[i][c] = static_cast<unsigned char>(std::clamp<int>(parts[c], 0, 255));
    }
    if (names) palette->names = *names;
    return palette;
}

uint32_t full_scale_of(int bits) {
    return bits >= 32 ? 0xFFFFFFFFu : static_cast<uint32_t>((uint64_t(1) << bits) - 1);
}

}  // namespace

void initialise() {
    quiet_hdf5_on_this_thread();
    static std::once_flag once;
    std::call_once(once, [] {
        // The viewer only reads: no .aux.xml beside the user's files.
        CPLSetConfigOption("GDAL_PAM_ENABLED", "NO");
        // GDAL never lists a folder itself: it is given the side files it may read (gdal_guard.h).
        CPLSetConfigOption("GDAL_DISABLE_READDIR_ON_OPEN", "TRUE");
        // Decoded blocks kept for the drawing: bounded, whatever the machine's memory.
        CPLSetConfigOption("GDAL_CACHEMAX", "256");
        // No code in a VRT is run; a connection that is allowed does not wait long.
        CPLSetConfigOption("GDAL_VRT_ENABLE_PYTHON", "NO");
        // Scenes on a server: a server that does not answer is given up within these seconds (unless the
        // user's environment sets them), a failed request is not repeated, and no folder on the server is
        // listed (GDAL_DISABLE_READDIR_ON_OPEN above).
        for (const char* const* option : {kHttpConnectTimeout, kHttpTimeout, kHttpMaxRetry})
            if (!CPLGetConfigOption(option[0], nullptr)) CPLSetConfigOption(option[0], option[1]);
        // GDAL_NUM_THREADS stays unset: GDAL's multi-threaded GeoTIFF decoding bypasses the block cache, so
        // that drawing line by line would decode every tile again for each line.
        CPLSetErrorHandler(quiet_error_handler);
        GDALAllRegister();
        install_file_hook();
    });
}

std::string last_error() {
    return t_last_error;
}

void clear_last_error() {
    t_last_error.clear();
    CPLErrorReset();
}

void set_open_reason(SceneFile* scene, const char* reason) {
    if (!scene) return;
    const size_t n = reason ? strnlen(reason, REMOS_REASON_SIZE - 1) : 0;
    if (n) memcpy(scene->open_reason, reason, n);
    // A UTF-8 character cut at the end is dropped whole.
    size_t end = n;
    if (end == REMOS_REASON_SIZE - 1) {
        size_t k = end;
        while (k > 0 && (static_cast<unsigned char>(scene->open_reason[k - 1]) & 0xC0) == 0x80)
            --k;
        if (k > 0 && static_cast<unsigned char>(scene->open_reason[k - 1]) >= 0xC0) end = k - 1;
    }
    scene->open_reason[end] = '\0';
}

void note_read_error(GdalScene* scene) {
    if (scene->read_error_seen) return;
    scene->read_error_seen = true;
    std::string message = t_last_error;
    if (message.empty()) message = CPLGetLastErrorMsg();
    if (message.empty()) message = tr_text("GdalScene", "ブロックを復号できませんでした");
    scene->read_error = message;
}

int open_scene(SceneFile* scene, const std::string& subdataset_name) {
    initialise();
    close_scene(scene);
    clear_last_error();
    const bool remote = is_scene_url(scene->path);
    std::string name = scene->path;
    bool subdataset = false;
    GDALDatasetH ds = nullptr;
    if (remote) {
        // A server that does not give the file: the scene cannot be read at all.
        bool reachable = false;
        ds = open_remote(name, &reachable);
        if (!reachable) {
            set_open_reason(scene, server_problem(last_error()).c_str());
            return REMOS_CANNOT_OPEN;
        }
    } else {
        // What GDAL would reach: the file itself (no system file), and the sources of a VRT.
        std::string problem = local_file_problem(scene->path);
        if (problem.empty() && is_vrt(scene->path)) {
            problem = vrt_problem(scene->path);
            if (!problem.empty()) mark_recognised(scene);
        }
        if (!problem.empty()) {
            set_open_reason(scene, problem.c_str());
            return REMOS_UNKNOWN_FORMAT;
        }
        if (subdataset_name.empty()) {
            ds = open_raster(scene->path, &name, &subdataset);
        } else {
            name = subdataset_name;
            subdataset = true;
            ds = open_dataset(name, true);
        }
    }
    if (!ds) {
        // GDAL's message on a scene on a server names the GDAL path, not the URL the user gave.
        const std::string reason = remote ? std::string() : last_error();
        set_open_reason(scene, reason.empty()
                                   ? tr_text("GdalScene", "GDAL が読める形式ではありません").c_str()
                                   : reason.c_str());
        return REMOS_UNKNOWN_FORMAT;
    }
    const std::string refusal = refusal_of(ds);
    if (!refusal.empty()) {
        GDALClose(ds);
        mark_recognised(scene);
        set_open_reason(scene, refusal.c_str());
        return REMOS_UNKNOWN_FORMAT;
    }
    // Records: three (red, green, blue) for each band of palette indices, one for every other band.
    const int raster_count = GDALGetRasterCount(ds);
    std::vector<std::pair<int, int>> records;  // band number, palette channel
    std::vector<std::shared_ptr<const Palette>> palettes(static_cast<size_t>(raster_count) + 1);
    std::vector<std::shared_ptr<const std::vector<std::string>>> classes(palettes.size());
    for (int n = 1; n <= raster_count; ++n) {
        GDALRasterBandH band = GDALGetRasterBand(ds, n);
        classes[static_cast<size_t>(n)] = class_names_of(band);
        palettes[static_cast<size_t>(n)] = palette_of(band, classes[static_cast<size_t>(n)]);
        for (int c = palettes[static_cast<size_t>(n)] ? 0 : -1;
             c < (palettes[static_cast<size_t>(n)] ? 3 : 0); ++c)
            records.emplace_back(n, c);
    }
    const int count = static_cast<int>(records.size());
    if (count > kMaxFileBands) {
        GDALClose(ds);
        mark_recognised(scene);
        set_open_reason(scene, fill_text(tr_text("GdalScene", "バンドが多すぎます (%1 バンド、%2 まで)"),
                                         {std::to_string(count), std::to_string(kMaxFileBands)})
                                   .c_str());
        return REMOS_UNKNOWN_FORMAT;
    }
    if (!remos_alloc_bands(scene, count)) {
        GDALClose(ds);
        mark_recognised(scene);
        set_open_reason(scene, tr_text("GdalScene", "メモリが足りません").c_str());
        return REMOS_UNKNOWN_FORMAT;
    }

    auto state = std::make_unique<GdalScene>();
    state->dataset = ds;
    state->dataset_name = name;
    state->raster_count = raster_count;
    state->subdataset = subdataset;
    state->remote = remote;
    const unsigned further_cores = std::min(7u, std::max(1u, std::thread::hardware_concurrency()) - 1);
    for (unsigned k = 0; k < further_cores; ++k)
        state->spares.push_back(std::make_unique<GdalScene::Spare>());
    state->bands.resize(static_cast<size_t>(count));
    const int width = GDALGetRasterXSize(ds), height = GDALGetRasterYSize(ds);
    for (int i = 0; i < count; ++i) {
        GdalBand& g = state->bands[static_cast<size_t>(i)];
        g.scene = state.get();
        g.number = records[static_cast<size_t>(i)].first;
        g.channel = records[static_cast<size_t>(i)].second;
        g.handle = GDALGetRasterBand(ds, g.number);
        if (g.channel >= 0) {
            g.palette = palettes[static_cast<size_t>(g.number)];
        } else {
            g.classes = classes[static_cast<size_t>(g.number)];
        }
        g.type = GDALGetRasterDataType(g.handle);
        GDALGetBlockSize(g.handle, &g.block_width, &g.block_height);
        if (g.block_width < 1) g.block_width = width;
        if (g.block_height < 1) g.block_height = 1;
        g.overview_count = GDALGetOverviewCount(g.handle);
        g.label = g.channel >= 0 ? std::string(1, "RGB"[g.channel]) : band_label_of(ds, g.handle);
        // Colours have no unit; a band's own values may ("K", "m", a NetCDF variable's units).
        const char* unit = g.channel >= 0 ? nullptr : GDALGetRasterUnitType(g.handle);
        g.unit = unit ? std::string(unit).substr(0, 32) : std::string();
        // A file's declared scale and offset (NetCDF scale_factor / add_offset) turn its values into the
        // physical ones; unusable declarations are ignored.
        if (g.channel < 0) {
            int has_scale = 0, has_offset = 0;
            const double scale = GDALGetRasterScale(g.handle, &has_scale);
            const double offset = GDALGetRasterOffset(g.handle, &has_offset);
            if (has_scale && std::isfinite(scale) && scale != 0) g.scale = scale;
            if (has_offset && std::isfinite(offset)) g.offset = offset;
        }
        g.text_lines = is_text_grid(ds);
        // A local band without overviews gets a reduced copy from its exact histogram pass (reduced_copy.h).
        if (g.overview_count == 0 && !g.text_lines && !remote)
            g.reduced = std::make_shared<remos_reduced::ReducedSlot>();

        BandInfo* b = &scene->bands[i];
        int sample_type = 0, bits = 0;
        sample_type_of(g.type, &sample_type, &bits);
        b->index = i;
        b->band_count = count;
        b->bits = bits;
        b->bytes_per_sample = bits / 8;
        b->interleave = REMOS_BY_LINE;
        // The decoded line as if stored in line records (no reader uses it for GDAL bands).
        const int64_t row_bytes = static_cast<int64_t>(width) * (bits / 8);
        b->record_length = row_bytes <= INT32_MAX ? static_cast<int32_t>(row_bytes) : 0;
        b->lines = height;
        b->width = width;
        b->full_scale = full_scale_of(bits);
        b->range_low = 0;
        b->range_high = static_cast<int32_t>(b->full_scale);
        b->file = scene->file;
        b->sample_type = sample_type;
        int has_nodata = 0;
        const double nodata = GDALGetRasterNoDataValue(g.handle, &has_nodata);
        // A palette band's no-data value is an index, not a colour.
        b->has_nodata = has_nodata && g.channel < 0 ? 1 : 0;
        b->nodata = has_nodata ? nodata : 0.0;
        b->source = &g;
    }
    // No .prj is looked for beside a scene on a server.
    read_georeferencing(ds, remote ? "" : scene->path, &state->georef);

    scene->format = FMT_GDAL;
    scene->band_count = static_cast<uint32_t>(count);
    scene->width = width;
    scene->height = static_cast<uint32_t>(height);
    scene->source = state.release();
    return REMOS_OK;
}

void attach_georeferencing(SceneFile* scene) {
    initialise();
    close_scene(scene);
    clear_last_error();
    GDALDatasetH ds = open_checked(scene->path);
    if (!ds) return;
    auto state = std::make_unique<GdalScene>();
    // Only a transform for exactly this image size describes the bands the built-in reader found.
    if (GDALGetRasterXSize(ds) == scene->width && GDALGetRasterYSize(ds) == static_cast<int>(scene->height) &&
        read_georeferencing(ds, scene->path, &state->georef))
        scene->source = state.release();
    GDALClose(ds);
    clear_last_error();
}

void close_scene(SceneFile* scene) {
    GdalScene* state = scene_state(scene);
    if (!state) return;
    release_georeferencing(&state->georef);
    // The warp reads the file's dataset: it goes first.
    if (state->warped) GDALClose(state->warped);
    if (state->dataset) GDALClose(state->dataset);
    for (const auto& spare : state->spares)
        if (spare->dataset) GDALClose(spare->dataset);
    delete state;
    scene->source = nullptr;
}

GDALDatasetH open_spare(const GdalScene* scene) {
    if (scene->dataset_name.empty() || !scene->dataset) return nullptr;
    initialise();
    GDALDatasetH spare = open_dataset(scene->dataset_name, scene->subdataset);
    clear_last_error();
    // The same file must give the same bands; anything else (the file changed) is not read from.
    if (spare && (GDALGetRasterCount(spare) != scene->raster_count ||
                  GDALGetRasterXSize(spare) != GDALGetRasterXSize(scene->dataset) ||
                  GDALGetRasterYSize(spare) != GDALGetRasterYSize(scene->dataset))) {
        GDALClose(spare);
        spare = nullptr;
    }
    return spare;
}

}  // namespace remos_gdal

int remos_take_read_error(SceneFile* scene, char* message, int size) {
    remos_gdal::GdalScene* state = remos_gdal::scene_state(scene);
    if (!state || !message || size <= 0) return 0;
    std::lock_guard<std::mutex> lock(state->io);
    if (state->read_error.empty()) return 0;
    const size_t n = std::min(state->read_error.size(), static_cast<size_t>(size - 1));
    memcpy(message, state->read_error.data(), n);
    message[n] = '\0';
    state->read_error.clear();
    return 1;
}
