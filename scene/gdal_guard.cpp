#include "scene/gdal_guard.h"

#include <cpl_error.h>
#include <cpl_minixml.h>
#include <cpl_string.h>
#include <dirent.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <set>

#include "scene/system_errors.h"
#include "text/translated_text.h"

namespace remos_gdal {

using orvenna::fill_text;
using orvenna::tr_text;

namespace {

constexpr int64_t kMaxVrtBytes = int64_t(16) << 20;
constexpr size_t kMaxVrtSources = 1000;
constexpr int kMaxVrtDepth = 8;

// Formats GDAL decodes whole (or as good as whole) before the first line can be read.
bool decodes_whole(const char* driver) {
    for (const char* name : {"PNG", "GIF", "BIGGIF", "BMP", "JPEG", "WEBP"})
        if (strcmp(driver, name) == 0) return true;
    return false;
}

std::string file_name_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string folder_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".")
           : slash == 0               ? std::string("/")
                                      : path.substr(0, slash);
}

std::string megabytes(int64_t bytes) {
    return std::to_string((bytes + (1 << 20) - 1) >> 20) + " MB";
}

// a * b without overflow: the largest int64 when it would overflow.
int64_t saturating_product(int64_t a, int64_t b) {
    if (a <= 0 || b <= 0) return 0;
    return a > INT64_MAX / b ? INT64_MAX : a * b;
}

bool starts_with(const std::string& text, const char* prefix) {
    return text.compare(0, strlen(prefix), prefix) == 0;
}

bool equal_ignoring_case(const char* a, const char* b) {
    return strcasecmp(a, b) == 0;
}

// The value of an element's attribute, "" when it has none (names compared without regard to case: GDAL
// writes both relativeToVRT and relativetoVRT).
std::string attribute(const CPLXMLNode* element, const char* name) {
    for (const CPLXMLNode* c = element->psChild; c; c = c->psNext)
        if (c->eType == CXT_Attribute && equal_ignoring_case(c->pszValue, name) && c->psChild)
            return c->psChild->pszValue ? c->psChild->pszValue : "";
    return "";
}

// The text of an element (its first text child).
std::string text_of(const CPLXMLNode* element) {
    for (const CPLXMLNode* c = element->psChild; c; c = c->psNext)
        if (c->eType == CXT_Text) return c->pszValue ? c->pszValue : "";
    return "";
}

class VrtWalk {
public:
    std::string check(const std::string& path, int depth) {
        char resolved[PATH_MAX];
        if (!realpath(path.c_str(), resolved))
            return fill_text(tr_text("GdalScene", "\"%1\" を開けません"), {file_name_of(path)});
        const std::string real = resolved;
        if (visiting_.count(real))
            return fill_text(tr_text("GdalScene", "VRT が自分自身を参照しています: \"%1\""),
                             {file_name_of(path)});
        if (depth > kMaxVrtDepth) return tr_text("GdalScene", "VRT の入れ子が深すぎます");
        struct stat st;
        if (stat(real.c_str(), &st) != 0 || st.st_size > kMaxVrtBytes)
            return fill_text(tr_text("GdalScene", "VRT が大きすぎます (%1 まで)"), {megabytes(kMaxVrtBytes)});
        std::ifstream in(real, std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        CPLErrorReset();
        std::unique_ptr<CPLXMLNode, void (*)(CPLXMLNode*)> root(CPLParseXMLString(text.c_str()),
                                                                CPLDestroyXMLNode);
        if (!root) return fill_text(tr_text("GdalScene", "VRT を読めません: %1"), {CPLGetLastErrorMsg()});
        visiting_.insert(real);
        const std::string problem = walk(root.get(), folder_of(real), depth);
        visiting_.erase(real);
        return problem;
    }

private:
    std::string walk(const CPLXMLNode* root, const std::string& folder, int depth) {
        std::vector<const CPLXMLNode*> stack = {root};
        while (!stack.empty()) {
            const CPLXMLNode* node = stack.back();
            stack.pop_back();
            for (const CPLXMLNode* n = node; n; n = n->psNext) {
                if (n->eType != CXT_Element) continue;
                if (equal_ignoring_case(n->pszValue, "VRTRasterBand") &&
                    equal_ignoring_case(attribute(n, "subClass").c_str(), "VRTRawRasterBand"))
                    return tr_text("GdalScene",
                                   "生データを指す VRT のバンド (VRTRawRasterBand) は開きません: "
                                   "GDAL がデータファイルを書き込みできる状態で開くため");
                if (equal_ignoring_case(n->pszValue, "SourceFilename") ||
                    equal_ignoring_case(n->pszValue, "SourceDataset")) {
                    const std::string problem =
                        source(text_of(n), attribute(n, "relativeToVRT") == "1", folder, depth);
                    if (!problem.empty()) return problem;
                }
                if (n->psChild) stack.push_back(n->psChild);
            }
        }
        return std::string();
    }

    std::string source(const std::string& name, bool relative, const std::string& folder, int depth) {
        const auto shown = [&name](const std::string& why) {
            return fill_text(tr_text("GdalScene", "VRT の参照先 \"%1\": %2"), {name, why});
        };
        if (name.empty()) return shown(tr_text("GdalScene", "名前がありません"));
        if (name.find("://") != std::string::npos)
            return shown(tr_text("GdalScene", "ネットワーク上のファイルは参照できません"));
        if (starts_with(name, "/vsi"))
            return shown(tr_text("GdalScene", "GDAL の仮想ファイルは参照できません"));
        const size_t colon = name.find(':'), slash = name.find('/');
        if (colon != std::string::npos && (slash == std::string::npos || colon < slash))
            return shown(tr_text("GdalScene", "ファイルの名前ではありません"));
        std::string path = name;
        if (path[0] != '/') path = (relative ? folder : gdal_path(".")) + "/" + name;
        const std::string problem = local_file_problem(path);
        if (!problem.empty()) return shown(problem);
        if (!seen_.insert(path).second) return std::string();  // checked already
        if (seen_.size() > kMaxVrtSources)
            return fill_text(tr_text("GdalScene", "VRT の参照先が多すぎます (%1 まで)"),
                             {std::to_string(kMaxVrtSources)});
        if (is_vrt(path)) return check(path, depth + 1);
        // A source of another kind opens as the viewer opens its files, or the VRT is refused with GDAL's
        // reason (GDAL itself would read such a source as zeros).
        CPLErrorReset();
        GDALDatasetH ds = open_checked(path);
        if (!ds) {
            const char* why = CPLGetLastErrorMsg();
            return shown(why && *why ? std::string(why) : tr_text("GdalScene", "開けません"));
        }
        GDALClose(ds);
        return std::string();
    }

    std::set<std::string> visiting_;  // the VRTs being walked, real paths
    std::set<std::string> seen_;      // the sources checked
};

}  // namespace

const char* const* allowed_drivers() {
    static const char* const kDrivers[] = {
        "GTiff",  "VRT",  "NITF",      "HFA",     "AAIGrid",   "GRASSASCIIGrid", "ISG",
        "DTED",   "PNG",  "JPEG",      "GIF",     "BMP",       "PCIDSK",         "SRTMHGT",
        "netCDF", "HDF4", "HDF4Image", "HDF5",    "HDF5Image", "JP2OpenJPEG",    "GRIB",
        "RST",    "SAGA", "WEBP",      "USGSDEM", "GPKG",      "ENVI",           "EHdr",
        "PNM",    "BT",   "FITS",      "L1B",     "RRASTER",   nullptr};
    return kDrivers;
}

std::string gdal_path(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd)) return "./" + path;
    return path == "." ? std::string(cwd) : std::string(cwd) + "/" + path;
}

char** sibling_files(const std::string& path) {
    const std::string name = file_name_of(path);
    const size_t dot = name.rfind('.');
    const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    const std::string folder = folder_of(gdal_path(path));
    CPLStringList siblings;
    siblings.AddString(name.c_str());
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const std::string other = entry->d_name;
            if (other == name || other.size() < stem.size() ||
                strncasecmp(other.c_str(), stem.c_str(), stem.size()) != 0)
                continue;
            // Only regular files: a pipe is never opened, a device never read.
            struct stat st;
            if (stat((folder + "/" + other).c_str(), &st) == 0 && S_ISREG(st.st_mode))
                siblings.AddString(other.c_str());
        }
        closedir(dir);
    }
    return siblings.StealList();
}

std::string local_file_problem(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return system_error_text(errno);
    if (!S_ISREG(st.st_mode)) return unreadable_file_reason(path.c_str());
    char resolved[PATH_MAX];
    if (!realpath(path.c_str(), resolved)) return system_error_text(errno);
    for (const char* system : {"/proc/", "/sys/", "/dev/"})
        if (starts_with(resolved, system)) return tr_text("GdalScene", "システムのファイルは読みません");
    return std::string();
}

bool is_vrt(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char head[64] = {};
    in.read(head, sizeof head - 1);
    const char* p = head;
    if (strncmp(p, "\xEF\xBB\xBF", 3) == 0) p += 3;  // a byte order mark
    while (*p && isspace(static_cast<unsigned char>(*p)))
        ++p;
    return strncmp(p, "<VRTDataset", 11) == 0;
}

std::string vrt_problem(const std::string& path) {
    return VrtWalk().check(gdal_path(path), 0);
}

std::string memory_problem(GDALDatasetH dataset) {
    const int count = GDALGetRasterCount(dataset);
    if (count > kMaxFileBands)
        return fill_text(tr_text("GdalScene", "バンドが多すぎます (%1 バンド、%2 まで)"),
                         {std::to_string(count), std::to_string(kMaxFileBands)});
    if (count < 1) return std::string();
    GDALRasterBandH band = GDALGetRasterBand(dataset, 1);
    const int64_t sample = GDALGetDataTypeSizeBytes(GDALGetRasterDataType(band));
    GDALDriverH driver = GDALGetDatasetDriver(dataset);
    const char* driverName = driver ? GDALGetDriverShortName(driver) : "";
    const int64_t whole = saturating_product(
        saturating_product(saturating_product(GDALGetRasterXSize(dataset), GDALGetRasterYSize(dataset)),
                           count),
        sample);
    if (decodes_whole(driverName) && whole > kDecodeBudgetBytes)
        return fill_text(tr_text("GdalScene", "展開すると %1 になるため開けません (%2 まで)"),
                         {megabytes(whole), megabytes(kDecodeBudgetBytes)});
    int bw = 0, bh = 0;
    GDALGetBlockSize(band, &bw, &bh);
    const char* interleave = GDALGetMetadataItem(dataset, "INTERLEAVE", "IMAGE_STRUCTURE");
    const int64_t perBlock = interleave && equal_ignoring_case(interleave, "PIXEL") ? count : 1;
    const int64_t block =
        saturating_product(saturating_product(saturating_product(bw, bh), sample), perBlock);
    if (block > kDecodeBudgetBytes)
        return fill_text(tr_text("GdalScene", "ブロックが大きすぎます (%1、%2 まで)"),
                         {megabytes(block), megabytes(kDecodeBudgetBytes)});
    return std::string();
}

GDALDatasetH open_checked(const std::string& path) {
    char** siblings = sibling_files(path);
    GDALDatasetH ds =
        GDALOpenEx(gdal_path(path).c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY | GDAL_OF_VERBOSE_ERROR,
                   allowed_drivers(), nullptr, siblings);
    CSLDestroy(siblings);
    return ds;
}

}  // namespace remos_gdal
