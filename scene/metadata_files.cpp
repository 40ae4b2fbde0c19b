#include "scene/metadata_files.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equals_ignoring_case(const std::string& a, const char* b) {
    const size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

bool ends_with_ignoring_case(const std::string& name, const char* suffix) {
    const size_t n = std::strlen(suffix);
    return name.size() > n && equals_ignoring_case(name.substr(name.size() - n), suffix);
}

bool is_regular(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

bool is_scene_metadata_name(const std::string& path) {
    const std::string name = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    return equals_ignoring_case(name, "summary.txt") || ends_with_ignoring_case(name, ".met") ||
           ends_with_ignoring_case(name, "_mtl.txt");
}

bool is_product_side_file_name(const std::string& path) {
    const std::string name = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    return ends_with_ignoring_case(name, "_ang.txt") || ends_with_ignoring_case(name, "_gcp.txt") ||
           ends_with_ignoring_case(name, ".xml") ||
           (name.size() >= 6 && equals_ignoring_case(name.substr(0, 6), "readme"));
}

bool name_less_ignoring_case(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const unsigned char x = static_cast<unsigned char>(lower(a[i]));
        const unsigned char y = static_cast<unsigned char>(lower(b[i]));
        if (x != y) return x < y;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

SceneMetadataFiles find_scene_metadata_files(const std::string& dir) {
    SceneMetadataFiles found;
    std::unique_ptr<DIR, int (*)(DIR*)> folder(opendir(dir.empty() ? "." : dir.c_str()), closedir);
    if (!folder) return found;
    std::string summary, landsat;
    while (const dirent* entry = readdir(folder.get())) {
        const std::string name = entry->d_name;
        if (equals_ignoring_case(name, "summary.txt")) {
            // The lower-case name wins; among others, the first in name order.
            const bool better = summary.empty() || name == "summary.txt" ||
                                (summary != "summary.txt" && name_less_ignoring_case(name, summary));
            if (better && is_regular(dir + name)) summary = name;
        } else if (ends_with_ignoring_case(name, ".met") || ends_with_ignoring_case(name, "_mtl.txt")) {
            if ((landsat.empty() || name_less_ignoring_case(name, landsat)) && is_regular(dir + name))
                landsat = name;
        }
    }
    if (!summary.empty()) found.summary = dir + summary;
    if (!landsat.empty()) found.landsat = dir + landsat;
    return found;
}
