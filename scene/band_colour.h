// Which colour of a picture a band carries, as its file says: the channels of a pixel-interleaved RGB
// TIFF, and the colour interpretation GDAL reports for the bands of the files it reads (a JPEG, a PNG, an
// RGB GeoTIFF ...). The viewer shows such a file in colour when it opens it first.
#pragma once

struct BandInfo;  // scene/remos.h

enum BandColourRole {
    BAND_COLOUR_NONE = 0,
    BAND_COLOUR_RED = 1,
    BAND_COLOUR_GREEN = 2,
    BAND_COLOUR_BLUE = 3
};

// The band's colour; BAND_COLOUR_NONE for a grey or unmarked band, and for a null one.
BandColourRole band_colour_role(const BandInfo* band);
