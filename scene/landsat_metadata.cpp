#include "scene/landsat_metadata.h"

#include <cmath>

#include <charconv>
#include <cstring>
#include <string>
#include <system_error>

namespace {

bool has(ConfFile* conf, const std::string& key) {
    return econf_find(conf, key.c_str()) != nullptr;
}

// The entry's number. Landsat writes small constants with an exponent ("3.3420E-04"), which econf_number
// would read as 3.342 (it blanks every letter), so the value is parsed as a whole first.
double number(ConfFile* conf, const std::string& key) {
    const ConfEntry* e = econf_find(conf, key.c_str());
    if (!e || !e->value) return 0.0;
    const char* begin = e->value;
    const char* end = begin + std::strlen(begin);
    if (begin != end && *begin == '+') ++begin;
    double v = 0.0;
    const auto [rest, error] = std::from_chars(begin, end, v);
    if (error == std::errc() && rest == end) return v;
    return econf_number(e);
}

// Reads the eight corner keys named by `key(corner, axis)` when the first of them is present.
template <typename KeyOf>
bool read_corners(ConfFile* conf, KeyOf key, LandsatCorners* c) {
    if (!has(conf, key("UL", "LAT"))) return false;
    c->ul_lat = number(conf, key("UL", "LAT"));
    c->ul_lon = number(conf, key("UL", "LON"));
    c->ur_lat = number(conf, key("UR", "LAT"));
    c->ur_lon = number(conf, key("UR", "LON"));
    c->ll_lat = number(conf, key("LL", "LAT"));
    c->ll_lon = number(conf, key("LL", "LON"));
    c->lr_lat = number(conf, key("LR", "LAT"));
    c->lr_lon = number(conf, key("LR", "LON"));
    return true;
}

LandsatThermalBand read_thermal(ConfFile* conf, int band) {
    const std::string n = std::to_string(band);
    const std::string keys[4] = {"RADIANCE_MULT_BAND_" + n, "RADIANCE_ADD_BAND_" + n, "K1_CONSTANT_BAND_" + n,
                                 "K2_CONSTANT_BAND_" + n};
    LandsatThermalBand t;
    for (const std::string& k : keys)
        if (!has(conf, k)) return t;
    t.valid = true;
    t.radiance_mult = number(conf, keys[0]);
    t.radiance_add = number(conf, keys[1]);
    t.k1 = number(conf, keys[2]);
    t.k2 = number(conf, keys[3]);
    return t;
}

std::string unquoted(const char* text) {
    std::string s = text ? text : "";
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
    return s;
}

}  // namespace

LandsatMetadata read_landsat_metadata(ConfFile* conf) {
    LandsatMetadata m;
    if (!conf) return m;
    m.has_corners =
        read_corners(
            conf,
            [](const char* c, const char* a) { return std::string("CORNER_") + c + "_" + a + "_PRODUCT"; },
            &m.corners) ||
        read_corners(
            conf, [](const char* c, const char* a) { return std::string("PRODUCT_") + c + "_CORNER_" + a; },
            &m.corners);
    if (has(conf, "LMAX_BAND61")) {
        m.has_band61 = true;
        m.lmax_band61 = number(conf, "LMAX_BAND61");
        m.lmin_band61 = number(conf, "LMIN_BAND61");
    } else if (has(conf, "RADIANCE_MAXIMUM_BAND_6_VCID_1")) {
        m.has_band61 = true;
        m.lmax_band61 = number(conf, "RADIANCE_MAXIMUM_BAND_6_VCID_1");
        m.lmin_band61 = number(conf, "RADIANCE_MINIMUM_BAND_6_VCID_1");
    }
    m.band10 = read_thermal(conf, 10);
    m.band11 = read_thermal(conf, 11);
    for (int n = 1; n < kLandsatBandSlots; ++n) {
        const std::string mult = "REFLECTANCE_MULT_BAND_" + std::to_string(n),
                          add = "REFLECTANCE_ADD_BAND_" + std::to_string(n);
        if (!has(conf, mult.c_str()) || !has(conf, add.c_str())) continue;
        m.reflectance[n] = {true, number(conf, mult.c_str()), number(conf, add.c_str())};
    }
    if (has(conf, "SUN_ELEVATION")) m.sun_elevation = number(conf, "SUN_ELEVATION");
    if (const ConfEntry* e = econf_find(conf, "SPACECRAFT_ID")) m.spacecraft = unquoted(e->value);
    return m;
}

double LandsatToaReflectance(const LandsatReflectanceBand& band, double sun_elevation, double dn) {
    constexpr double kDegree = 3.14159265358979323846 / 180;
    if (!band.valid || dn == 0 || !(sun_elevation > 0 && sun_elevation <= 90)) return std::nan("");
    return (band.mult * dn + band.add) / std::sin(sun_elevation * kDegree);
}
