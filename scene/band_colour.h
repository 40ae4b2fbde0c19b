// Which colour of a picture a band carries, as its file says: the channels of a pixel-interleaved RGB
// TIFF, and the colour interpretation GDAL reports for the bands of the files it reads (a JPEG, a PNG, an
// RGB GeoTIFF ...), and the three colour records of a band of palette indices. The viewer shows such a file
// in colour when it opens it first.
#pragma once

#include <string>

struct BandInfo;  // scene/remos.h

enum BandColourRole {
    BAND_COLOUR_NONE = 0,
    BAND_COLOUR_RED = 1,
    BAND_COLOUR_GREEN = 2,
    BAND_COLOUR_BLUE = 3
};

// The band's colour; BAND_COLOUR_NONE for a grey or unmarked band, and for a null one.
BandColourRole band_colour_role(const BandInfo* band);

// The class the pointer readout names for record k of `records` at one pixel (`values` as read there), from
// the file's raster attribute table: a band with names for its values names its value; a palette band's
// colour record names the index whose colour its red, green and blue records (found among `records`) show,
// the names of several indices of that colour joined by " / ". "" when there is none.
std::string band_class_name(const BandInfo* const* records, const double* values, int count, int k);
