// What the viewer takes from a Landsat metadata text (a `*.met` or `*_MTL.txt` beside the scene, read with
// econf): the scene's corners, the Landsat 7 band 6 (VCID 1) radiance range for the temperature preset, the
// Landsat 8/9 thermal constants of bands 10 and 11, and the satellite's name. Plain C++, no Qt.
//
// Keys (when a file has both spellings, the one named first wins):
//   corners     CORNER_UL_LAT_PRODUCT ... CORNER_LR_LON_PRODUCT (Collection 1 and 2), else the old
//               PRODUCT_UL_CORNER_LAT ... PRODUCT_LR_CORNER_LON
//   LMAX/LMIN   LMAX_BAND61 / LMIN_BAND61 (old files), else RADIANCE_MAXIMUM_BAND_6_VCID_1 /
//               RADIANCE_MINIMUM_BAND_6_VCID_1
//   band 10, 11 RADIANCE_MULT_BAND_n, RADIANCE_ADD_BAND_n, K1_CONSTANT_BAND_n, K2_CONSTANT_BAND_n (all four)
//   satellite   SPACECRAFT_ID, quotes removed
// A value counts as present when its key is, like the window does for the old keys. Numbers are read whole
// (with their exponent); a value that is no plain number is read by econf_number.
#pragma once

#include <string>

#include "scene/econf.h"

// Latitudes and longitudes (decimal degrees) of the four scene corners.
struct LandsatCorners {
    double ul_lat = 0, ul_lon = 0, ur_lat = 0, ur_lon = 0, ll_lat = 0, ll_lon = 0, lr_lat = 0, lr_lon = 0;
};

// Rescaling and thermal constants of one Landsat 8/9 TIRS band: radiance L = mult * DN + add, brightness
// temperature T = k2 / ln(k1 / L + 1) in kelvin.
struct LandsatThermalBand {
    bool valid = false;  // all four keys present
    double radiance_mult = 0, radiance_add = 0, k1 = 0, k2 = 0;
};

// Top-of-atmosphere reflectance rescaling of a reflective band (Landsat 8/9): mult * DN + add, divided by
// the sine of the sun's elevation.
struct LandsatReflectanceBand {
    bool valid = false;  // both keys present
    double mult = 0, add = 0;
};
// Band numbers 1 .. 11 index the reflectance constants (0 unused).
inline constexpr int kLandsatBandSlots = 12;

// The reflectance of a stored value (DN) by the band's constants and the sun's elevation in degrees; NaN for
// a value of 0 (fill), constants not given or a sun not above the horizon.
double LandsatToaReflectance(const LandsatReflectanceBand& band, double sun_elevation, double dn);

struct LandsatMetadata {
    bool has_corners = false;
    LandsatCorners corners;
    bool has_band61 = false;  // Landsat 7 band 6 (low gain) radiance range
    double lmax_band61 = 0, lmin_band61 = 0;
    LandsatThermalBand band10, band11;
    LandsatReflectanceBand reflectance[kLandsatBandSlots];  // REFLECTANCE_MULT_BAND_n, REFLECTANCE_ADD_BAND_n
    double sun_elevation = 0;                               // SUN_ELEVATION, degrees; 0 when not given
    std::string spacecraft;  // "LANDSAT_8", "Landsat7" ...; empty when not given
};

// Reads the values from a file that econf_read has read; missing keys leave their parts unset.
LandsatMetadata read_landsat_metadata(ConfFile* conf);
