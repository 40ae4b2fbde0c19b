#include "scene/scene_url.h"

#include <strings.h>

#include <cstring>

namespace {

struct Scheme {
    const char* prefix;  // as typed, compared without regard to case
    const char* gdal;    // GDAL's file system
    bool keep_url;  // the whole URL follows the file system's name (/vsicurl/), else the part after "://"
};

constexpr Scheme kSchemes[] = {{"http://", "/vsicurl/", true},
                               {"https://", "/vsicurl/", true},
                               {"s3://", "/vsis3/", false},
                               {"gs://", "/vsigs/", false},
                               {"az://", "/vsiaz/", false}};

const Scheme* scheme_of(const char* path) {
    if (!path) return nullptr;
    for (const Scheme& s : kSchemes) {
        const size_t n = strlen(s.prefix);
        if (strncasecmp(path, s.prefix, n) == 0 && path[n] != '\0' && path[n] != '/') return &s;
    }
    return nullptr;
}

}  // namespace

bool is_scene_url(const char* path) {
    return scheme_of(path) != nullptr;
}

std::string scene_url_gdal_name(const std::string& url) {
    const Scheme* s = scheme_of(url.c_str());
    if (!s) return std::string();
    return s->gdal + (s->keep_url ? url : url.substr(strlen(s->prefix)));
}

std::string scene_url_file_name(const std::string& url) {
    const Scheme* s = scheme_of(url.c_str());
    if (!s) return url;
    std::string rest = url.substr(strlen(s->prefix));
    rest = rest.substr(0, rest.find_first_of("?#"));
    while (rest.size() > 1 && rest.back() == '/')
        rest.pop_back();
    const size_t slash = rest.rfind('/');
    return slash == std::string::npos ? rest : rest.substr(slash + 1);
}
