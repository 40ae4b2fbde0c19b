// Channel texts of the three colour presets, built from their format strings, for the composite tests and
// benchmark (the presets' own dialogs live in the GUI).
#pragma once

#include <cstdio>
#include <string>

namespace composite_texts {

struct Channels {
    std::string red, green, blue;
};

inline Channels ndvi(char red_band, char nir_band) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "( %c - %c ) / ( %c + %c ) * 128 + 128", nir_band, red_band, nir_band,
                  red_band);
    return {buf, buf, buf};
}

inline Channels thermography(const std::string& source) {
    const std::string s = "( " + source + " )";
    char r[1024], g[1024], b[1024];
    std::snprintf(
        r, sizeof r,
        "( w = %s ), ( w < ( 255 / 5 * 4 ) )if( x = 0 ), ( w > ( 255 / 5 * 4 ) )if( x = 255 ), ( ( w < ( "
        "255 / 5 * 4 ) ) * ( w > ( 255 / 5 * 3 ) ) )if( x = 255 * ( ( w - ( 255 / 5 * 3 ) ) / ( 255 / 5 ) "
        ") ), x",
        s.c_str());
    std::snprintf(
        g, sizeof g,
        "( w = %s ), ( w < ( 255 / 5 * 2 ) )if( y = 0 ), ( w > ( 255 / 5 * 2 ) )if( y = 255 ), ( ( w > ( "
        "255 / 5 ) ) * ( w < ( 255 / 5 * 2 ) ) )if( y = 255 * ( ( w - 255 / 5 ) / ( 255 / 5 ) ) ), ( ( w > "
        "( 255 / 5 * 4 ) ) * ( w < ( 256 ) ) )if( y = 255 - 255 * ( ( w - ( 255 / 5 * 4 ) ) / ( 255 / 5 ) "
        ") ), y",
        s.c_str());
    std::snprintf(
        b, sizeof b,
        "( w = %s ), ( w < ( 255 / 5 * 3 ) )if( z = 255 ), ( w > ( 255 / 5 * 3 ) )if( z = 0 ), ( w < ( 255 "
        "/ 5 ) )if( z = 255 * ( w / ( 255 / 5 ) ) ), ( ( w > ( 255 / 5 * 2 ) ) * ( w < ( 255 / 5 * 3 ) ) "
        ")if( z = 255 - 255 * ( ( w - ( 255 / 5 * 2 ) ) / ( 255 / 5 ) ) ), z",
        s.c_str());
    return {r, g, b};
}

// Landsat temperature texts: band letter, LMAX, LMIN (single precision as the dialog holds them), minimum and
// maximum temperature.
inline Channels landsat(char band, float lmax, float lmin, int min_temp, int max_temp) {
    const int D = max_temp - min_temp;
    const int M = min_temp;
    const double hi = lmax, lo = lmin;
    const char w = 'w';
    char r[2048], g[2048], b[2048];
    std::snprintf(
        r, sizeof r,
        "( v = %c - 1 ), ( v < 0 )if( v = 0 ), ( %c = 1282.71 / ( ln( 666.09 / ( ( %c ) * ( %f - %f ) / ( "
        "255.0 - 1.0 ) + %f ) + 1 ) ) - 273.15 - %d ), ( %c < ( %d / 5 * 4 ) )if( x = 0 ), ( %c >= ( %d / "
        "5 * 4 ) )if( x = 255 ), ( ( %c < ( %d / 5 * 4 ) ) * ( %c >= ( %d / 5 * 3 ) ) )if( x = 255 * ( ( "
        "%c - ( %d / 5 * 3 ) ) / ( %d / 5 ) ) ), x",
        band, w, 'v', hi, lo, lo, M, w, D, w, D, w, D, w, D, w, D, D);
    std::snprintf(
        g, sizeof g,
        "( v = %c - 1 ), ( v < 0 )if( v = 0 ), ( %c = 1282.71 / ( ln( 666.09 / ( ( %c ) * ( %f - %f ) / ( "
        "255.0 - 1.0 ) + %f ) + 1 ) ) - 273.15 - %d ), ( %c < ( %d / 5 * 2 ) )if( y = 0 ), ( %c >= ( %d / "
        "5 * 2 ) )if( y = 255 ), ( ( %c >= ( %d / 5 ) ) * ( %c < ( %d / 5 * 2 ) ) )if( y = 255 * ( ( %c - "
        "%d / 5 ) / ( %d / 5 ) ) ), ( ( %c >= ( %d / 5 * 4 ) ) )if( y = 255 - 255 * ( ( %c - ( %d / 5 * 4 "
        ") ) / ( %d / 5 ) ) ), y",
        band, w, 'v', hi, lo, lo, M, w, D, w, D, w, D, w, D, w, D, D, w, D, w, D, D);
    std::snprintf(
        b, sizeof b,
        "( v = %c - 1 ), ( v < 0 )if( v = 0 ), ( %c = 1282.71 / ( ln( 666.09 / ( ( %c ) * ( %f - %f ) / ( "
        "255.0 - 1.0 ) + %f ) + 1 ) ) - 273.15 - %d ), ( %c < ( %d / 5 * 3 ) )if( z = 255 ), ( %c >= ( %d / "
        "5 * 3 ) )if( z = 0 ), ( %c < ( %d / 5 ) )if( z = 255 * ( %c / ( %d / 5 ) ) ), ( ( %c >= ( %d / 5 * "
        "2 ) ) * ( %c < ( %d / 5 * 3 ) ) )if( z = 255 - 255 * ( ( %c - ( %d / 5 * 2 ) ) / ( %d / 5 ) ) ), z",
        band, w, 'v', hi, lo, lo, M, w, D, w, D, w, D, w, D, w, D, w, D, w, D, D);
    return {r, g, b};
}

}  // namespace composite_texts
