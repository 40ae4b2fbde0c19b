#include "scene/subdatasets.h"

#include <cpl_string.h>
#include <gdal.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "scene/gdal_guard.h"
#include "scene/gdal_scene.h"
#include "scene/remos_gdal.h"
#include "scene/scene_url.h"
#include "text/translated_text.h"

namespace orvenna {

namespace {

bool all_digits(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text)
        if (!isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

// The part's own name from GDAL's name for it: what follows the file's path (NETCDF:"/d/x.nc":sst gives
// "sst", HDF5:"/d/x.h5"://grid/t "grid/t"); a bare index gives way to the description.
std::string short_name(const std::string& gdal_name, const std::string& path, const std::string& description,
                       int number) {
    std::string rest;
    const size_t at = gdal_name.find(path);
    if (at != std::string::npos) {
        rest = gdal_name.substr(at + path.size());
    } else {
        const size_t colon = gdal_name.rfind(':');
        rest = colon == std::string::npos ? std::string() : gdal_name.substr(colon + 1);
    }
    size_t start = 0;
    while (start < rest.size() && (rest[start] == '"' || rest[start] == ':' || rest[start] == '/'))
        ++start;
    rest = rest.substr(start);
    if (!rest.empty() && !all_digits(rest)) return rest;
    if (!description.empty()) return description;
    return "#" + std::to_string(number);
}

// Days from 1970-01-01 of a date of the proleptic Gregorian calendar, and back.
int64_t days_from_civil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civil_from_days(int64_t z, int64_t* y, int* m, int* d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    *y = yoe + era * 400 + (*m <= 2);
}

double unit_seconds(const std::string& unit) {
    for (const char* u : {"seconds", "second", "secs", "sec", "s"})
        if (unit == u) return 1;
    for (const char* u : {"minutes", "minute", "mins", "min"})
        if (unit == u) return 60;
    for (const char* u : {"hours", "hour", "hrs", "hr", "h"})
        if (unit == u) return 3600;
    for (const char* u : {"days", "day", "d"})
        if (unit == u) return 86400;
    return 0;
}

std::string lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

// The date a time coordinate stands for, from CF units ("days since 1800-01-01", "hours since 1900-1-1
// 00:00:0.0"); "" when the units are not of that kind, the calendar is not the Gregorian one or the date
// falls outside the years 1..9999.
std::string date_of(const std::string& value_text, const std::string& units, const std::string& calendar) {
    const std::string cal = lower(calendar);
    if (!cal.empty() && cal != "standard" && cal != "gregorian" && cal != "proleptic_gregorian") return "";
    char* end = nullptr;
    const double value = strtod(value_text.c_str(), &end);
    if (end == value_text.c_str() || *end != '\0' || !std::isfinite(value)) return "";
    const std::string u = lower(units);
    const size_t since = u.find(" since ");
    if (since == std::string::npos) return "";
    const double unit = unit_seconds(u.substr(0, since));
    if (unit == 0) return "";
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, consumed = 0;
    double second = 0;
    const char* p = u.c_str() + since + 7;
    if (sscanf(p, "%d-%d-%d%n", &year, &month, &day, &consumed) != 3) return "";
    p += consumed;
    if (*p == 't' || *p == ' ') {
        int n = 0;
        if (sscanf(p + 1, "%d:%d%n", &hour, &minute, &n) == 2) {
            p += 1 + n;
            if (*p == ':' && sscanf(p + 1, "%lf%n", &second, &n) == 1) p += 1 + n;
        }
    }
    while (*p == ' ')
        ++p;
    const std::string zone = p;
    if (!zone.empty() && zone != "z" && zone != "utc" && zone != "gmt" && zone != "+00:00" &&
        zone != "+0000" && zone != "+0:00" && zone != "+00" && zone != "0:00")
        return "";
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 ||
        minute > 59 || !(second >= 0 && second < 61) || year < -9999 || year > 9999)
        return "";
    const double offset = value * unit;
    if (std::fabs(offset) > 1e12) return "";  // beyond any year the label can show
    const double total = static_cast<double>(days_from_civil(year, month, day)) * 86400.0 + hour * 3600.0 +
                         minute * 60.0 + second + offset;
    const int64_t seconds = static_cast<int64_t>(std::llround(total));
    int64_t days = seconds / 86400, of_day = seconds % 86400;
    if (of_day < 0) {
        of_day += 86400;
        --days;
    }
    int64_t y = 0;
    int m = 0, d = 0;
    civil_from_days(days, &y, &m, &d);
    if (y < 1 || y > 9999) return "";
    char text[40];
    const int hh = static_cast<int>(of_day / 3600), mm = static_cast<int>(of_day / 60 % 60),
              ss = static_cast<int>(of_day % 60);
    if (of_day == 0)
        snprintf(text, sizeof text, "%04d-%02d-%02d", static_cast<int>(y), m, d);
    else if (ss == 0)
        snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", static_cast<int>(y), m, d, hh, mm);
    else
        snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", static_cast<int>(y), m, d, hh, mm, ss);
    return text;
}

std::string item(GDALMajorObjectH object, const std::string& key) {
    const char* value = GDALGetMetadataItem(object, key.c_str(), nullptr);
    return value ? value : "";
}

}  // namespace

namespace {

// The list, with each part opened for its size and type when `sized`.
std::vector<SubdatasetInfo> subdatasets_of(const std::string& path, bool sized) {
    std::vector<SubdatasetInfo> list;
    if (is_scene_url(path) || !remos_gdal::local_file_problem(path).empty() || remos_gdal::is_vrt(path))
        return list;
    remos_gdal::initialise();
    GDALDatasetH ds = remos_gdal::open_checked(path);
    if (!ds) {
        remos_gdal::clear_last_error();
        return list;
    }
    const std::string absolute = remos_gdal::gdal_path(path);
    // A file with bands of its own is a scene, whatever else it lists.
    // The whole domain: NetCDF does not answer for single items of it.
    char** parts = GDALGetRasterCount(ds) == 0 ? GDALGetMetadata(ds, "SUBDATASETS") : nullptr;
    for (int i = 1; parts && i <= kMaxSubdatasets; ++i) {
        const std::string key = "SUBDATASET_" + std::to_string(i);
        const char* name = CSLFetchNameValue(parts, (key + "_NAME").c_str());
        if (!name) break;
        const char* description = CSLFetchNameValue(parts, (key + "_DESC").c_str());
        SubdatasetInfo info;
        info.gdal_name = name;
        info.description = description ? description : "";
        info.name = short_name(info.gdal_name, absolute, info.description, i);
        GDALDatasetH part = sized ? GDALOpenEx(name, GDAL_OF_RASTER | GDAL_OF_READONLY,
                                               remos_gdal::allowed_drivers(), nullptr, nullptr)
                                  : nullptr;
        if (part) {
            info.width = GDALGetRasterXSize(part);
            info.height = GDALGetRasterYSize(part);
            info.bands = GDALGetRasterCount(part);
            if (info.bands > 0) {
                const char* type = GDALGetDataTypeName(GDALGetRasterDataType(GDALGetRasterBand(part, 1)));
                info.sample_type = type ? type : "";
            }
            GDALClose(part);
        }
        list.push_back(std::move(info));
    }
    GDALClose(ds);
    remos_gdal::clear_last_error();
    return list;
}

}  // namespace

std::vector<SubdatasetInfo> list_subdatasets(const std::string& path) {
    return subdatasets_of(path, true);
}

int find_subdataset(const std::vector<SubdatasetInfo>& list, const std::string& wanted) {
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].name == wanted || list[i].gdal_name == wanted) return static_cast<int>(i);
    return -1;
}

std::string subdataset_names(const std::vector<SubdatasetInfo>& list) {
    std::string names;
    for (const SubdatasetInfo& info : list)
        names += (names.empty() ? "" : ", ") + info.name;
    return names;
}

SceneResult open_subdataset(SceneHandle* scene, const std::string& path, const std::string& wanted) {
    const std::vector<SubdatasetInfo> list = subdatasets_of(path, false);
    const int k = find_subdataset(list, wanted);
    if (k < 0)
        return SceneResult::refused(
            list.empty() ? tr_text("Subdatasets", "サブデータセットを持つファイルではありません")
                         : fill_text(tr_text("Subdatasets", "サブデータセット \"%1\" はありません (%2)"),
                                     {wanted, subdataset_names(list)}));
    SceneResult opened = scene->open(path, FMT_OPEN_ONLY);
    if (!opened.opened()) return opened;
    (*scene)->format = FMT_UNKNOWN;
    if (remos_gdal::open_scene(scene->get(), list[static_cast<size_t>(k)].gdal_name) != REMOS_OK) {
        const std::string why = remos_open_reason(scene->get());
        remos_close(scene->get());
        return SceneResult::refused(why.empty() ? tr_text("Subdatasets", "サブデータセットを開けません")
                                                : why);
    }
    return SceneResult::success();
}

bool scene_is_subdataset(const SceneFile* scene) {
    const remos_gdal::GdalScene* state = remos_gdal::scene_state(scene);
    return state && state->dataset && state->subdataset;
}

std::string band_unit(const BandInfo* band) {
    const remos_gdal::GdalBand* state = band ? remos_gdal::band_state(band) : nullptr;
    return state ? state->unit : std::string();
}

void band_value_scale(const BandInfo* band, double* scale, double* offset) {
    const remos_gdal::GdalBand* state = band ? remos_gdal::band_state(band) : nullptr;
    *scale = state ? state->scale : 1.0;
    *offset = state ? state->offset : 0.0;
}

std::string band_label(const BandInfo* band) {
    const remos_gdal::GdalBand* state = band ? remos_gdal::band_state(band) : nullptr;
    return state ? state->label : std::string();
}

}  // namespace orvenna

namespace remos_gdal {

std::string band_label_of(GDALDatasetH dataset, GDALRasterBandH band) {
    std::string label;
    auto add = [&label](const std::string& part) {
        if (!part.empty()) label += (label.empty() ? "" : " ") + part;
    };
    // NetCDF: NETCDF_DIM_<dim>=<value> for each dimension beyond the two of the picture.
    static const char kDimension[] = "NETCDF_DIM_";
    for (char** entry = GDALGetMetadata(band, nullptr); entry && *entry; ++entry) {
        char* key = nullptr;
        const char* value = CPLParseNameValue(*entry, &key);
        if (key && value && strncmp(key, kDimension, sizeof kDimension - 1) == 0) {
            const std::string dimension = key + sizeof kDimension - 1;
            const std::string date = orvenna::date_of(value, orvenna::item(dataset, dimension + "#units"),
                                                      orvenna::item(dataset, dimension + "#calendar"));
            add(date.empty() ? dimension + "=" + value : date);
        }
        CPLFree(key);
    }
    const char* description = GDALGetDescription(band);
    if (description) add(description);
    return label;
}

}  // namespace remos_gdal
