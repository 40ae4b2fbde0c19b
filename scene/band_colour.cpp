#include "scene/band_colour.h"

#include <mutex>

#include "scene/gdal_scene.h"
#include "scene/remos.h"

BandColourRole band_colour_role(const BandInfo* band) {
    if (!band) return BAND_COLOUR_NONE;
    if (band->interleave == REMOS_BY_PIXEL_RGB) {
        switch (band->index) {
            case 0:
                return BAND_COLOUR_RED;
            case 1:
                return BAND_COLOUR_GREEN;
            case 2:
                return BAND_COLOUR_BLUE;
            default:
                return BAND_COLOUR_NONE;
        }
    }
    const remos_gdal::GdalBand* gdal = remos_gdal::band_state(band);
    if (!gdal || !gdal->handle || !gdal->scene) return BAND_COLOUR_NONE;
    GDALColorInterp interpretation;
    {
        std::lock_guard<std::mutex> lock(gdal->scene->io);
        interpretation = GDALGetRasterColorInterpretation(gdal->handle);
    }
    switch (interpretation) {
        case GCI_RedBand:
            return BAND_COLOUR_RED;
        case GCI_GreenBand:
            return BAND_COLOUR_GREEN;
        case GCI_BlueBand:
            return BAND_COLOUR_BLUE;
        default:
            return BAND_COLOUR_NONE;
    }
}
