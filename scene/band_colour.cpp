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
    if (gdal->channel >= 0) return static_cast<BandColourRole>(BAND_COLOUR_RED + gdal->channel);
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

std::string band_class_name(const BandInfo* const* records, const double* values, int count, int k) {
    if (!records || !values || k < 0 || k >= count) return "";
    const remos_gdal::GdalBand* g = remos_gdal::band_state(records[k]);
    if (!g) return "";
    if (g->channel < 0) {
        const double v = values[k];
        if (!g->classes || !(v >= 0 && v < 256) || v != static_cast<int>(v)) return "";
        return (*g->classes)[static_cast<size_t>(v)];
    }
    if (!g->palette || g->palette->names.empty()) return "";
    // The colour shown: each channel from the record of the same band that reads it.
    int colour[3] = {-1, -1, -1};
    for (int i = 0; i < count; ++i) {
        const remos_gdal::GdalBand* other = remos_gdal::band_state(records[i]);
        if (other && other->palette == g->palette && other->scene == g->scene && other->number == g->number)
            colour[other->channel] = static_cast<int>(values[i]);
    }
    std::string names;
    for (int index = 0; index < 256; ++index) {
        const unsigned char* c = g->palette->colours[index];
        const std::string& name = g->palette->names[static_cast<size_t>(index)];
        if (name.empty() || c[0] != colour[0] || c[1] != colour[1] || c[2] != colour[2]) continue;
        names += (names.empty() ? "" : " / ") + name;
    }
    return names;
}
