// orvenna-render: the viewer's composite of a scene, written to a file without a window.
#include <QCoreApplication>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "calc/ecalc.h"
#include "display/DisplayRanges.h"
#include "display/ExpressionProblems.h"
#include "display/LandsatThermal.h"
#include "display/LandsatThermalChoice.h"
#include "display/PresetTexts.h"
#include "render/PictureWriters.h"
#include "render/Render.h"
#include "render/RenderOptions.h"
#include "render/SceneSet.h"
#include "scene/remos.h"

using namespace orvenna;

namespace {

enum ExitCode { kWritten = 0, kBadArguments = 2, kCannotOpen = 3, kBadExpression = 4, kCannotWrite = 5 };

int fail(int code, const std::string& message) {
    std::fprintf(stderr, "orvenna-render: %s\n", message.c_str());
    return code;
}

struct Channels {
    std::string red = "a", green = "a", blue = "a";
};

// The preset's texts and ranges, as the preset dialogs write and set them. False with *error when the
// preset cannot be made for these bands.
bool ApplyPreset(const PresetRequest& preset, SceneSet& set, Channels* channels, std::string* error) {
    auto band = [&](char letter) -> BandInfo* {
        BandInfo* b = set.band_of_letter(letter);
        if (!b) *error = std::string("バンド ") + letter + " がありません";
        return b;
    };
    switch (preset.kind) {
        case PresetRequest::Ndvi: {
            BandInfo* red = band(preset.red);
            BandInfo* nir = red ? band(preset.near_infrared) : nullptr;
            if (!nir) return false;
            SetFullRange(red);
            SetFullRange(nir);
            channels->red = channels->green = channels->blue = NdviText(preset.red, preset.near_infrared);
            return true;
        }
        case PresetRequest::Thermography: {
            const PresetChannelTexts texts = ThermographyTexts(preset.source);
            channels->red = texts.red;
            channels->green = texts.green;
            channels->blue = texts.blue;
            return true;
        }
        case PresetRequest::Landsat: {
            BandInfo* thermal = band(preset.band);
            if (!thermal) return false;
            const SceneMetadataState& m = set.metadata();
            const std::string& fileName = set.bands()[static_cast<size_t>(preset.band - 'a')].file_name;
            // The calibration the window's dialog would take for this band, by the same rule.
            const LandsatThermalChoice choice = ChooseLandsatThermal(m, fileName);
            PresetChannelTexts texts;
            switch (choice.kind) {
                case LandsatThermalChoice::Kind::Landsat8: {
                    // Landsat 8/9: the band's range narrows to the temperatures of the scale.
                    Landsat8Preset made;
                    const bool integers =
                        thermal->sample_type != REMOS_SAMPLE_F32 && thermal->sample_type != REMOS_SAMPLE_F64;
                    if (!Landsat8TemperaturePreset(preset.band, choice.calibration, preset.min_temperature,
                                                   preset.max_temperature, integers, &made)) {
                        *error = "LANDSAT 8/9 の熱赤外の定数が使えません";
                        return false;
                    }
                    texts = made.texts;
                    thermal->display_low = made.displayLow;
                    thermal->display_high = made.displayHigh;
                    break;
                }
                case LandsatThermalChoice::Kind::Landsat8Missing:
                    *error = choice.satellite + " バンド" + std::to_string(choice.band) +
                             " の定数が *_MTL.txt にありません";
                    return false;
                case LandsatThermalChoice::Kind::Landsat7:
                    SetFullRange(thermal);
                    texts = LandsatTemperatureTexts(preset.band, static_cast<float>(m.lmax),
                                                    static_cast<float>(m.lmin), preset.min_temperature,
                                                    preset.max_temperature);
                    break;
                case LandsatThermalChoice::Kind::Typed:
                    *error = "LANDSAT の熱赤外の校正値 (*.met / *_MTL.txt) が見つかりません";
                    return false;
            }
            channels->red = texts.red;
            channels->green = texts.green;
            channels->blue = texts.blue;
            return true;
        }
        default:
            return true;
    }
}

// The georeferencing the output carries: the scene's own transform for the window and step, or the corner
// metadata as four control points in WGS 84.
OutputGeoreference Georeference(const SceneSet& set, const ViewGeometry& g) {
    OutputGeoreference geo;
    // Output pixel (i, j) shows scene pixel (first + i / s) for magnification s, (first + i * F) reduced.
    const double perPixel = g.magnifying() ? 1.0 / g.factor : g.factor;
    if (const SceneFile* scene = set.georeferenced_scene()) {
        double transform[6];
        std::vector<char> wkt(1 << 16);
        if (remos_scene_transform(scene, transform, wkt.data(), static_cast<int>(wkt.size()))) {
            geo.has_transform = true;
            geo.crs_wkt = wkt.data();
            geo.transform[0] = transform[0] + transform[1] * g.first_column + transform[2] * g.first_line;
            geo.transform[3] = transform[3] + transform[4] * g.first_column + transform[5] * g.first_line;
            geo.transform[1] = transform[1] * perPixel;
            geo.transform[2] = transform[2] * perPixel;
            geo.transform[4] = transform[4] * perPixel;
            geo.transform[5] = transform[5] * perPixel;
            return geo;
        }
    }
    const SceneMetadataState& m = set.metadata();
    if (!m.geo_valid) return geo;
    // The corners are the centres of the scene's corner pixels.
    const double right = set.width() - 1, bottom = set.height() - 1;
    const double corners[4][4] = {{0, 0, m.corners.ul_lon, m.corners.ul_lat},
                                  {right, 0, m.corners.ur_lon, m.corners.ur_lat},
                                  {0, bottom, m.corners.ll_lon, m.corners.ll_lat},
                                  {right, bottom, m.corners.lr_lon, m.corners.lr_lat}};
    for (int i = 0; i < 4; ++i) {
        OutputGeoreference::ControlPoint& p = geo.control_points[i];
        p.pixel = (corners[i][0] + 0.5 - g.first_column) / perPixel;
        p.line = (corners[i][1] + 0.5 - g.first_line) / perPixel;
        p.lon = corners[i][2];
        p.lat = corners[i][3];
    }
    geo.control_point_count = 4;
    return geo;
}

// Progress on standard error: a bar on a terminal, a line every tenth otherwise.
class Progress {
public:
    explicit Progress(bool quiet) : quiet_(quiet), terminal_(isatty(2) != 0) {}
    void operator()(double done) {
        if (quiet_) return;
        const int percent = static_cast<int>(std::floor(done * 100.0));
        if (terminal_) {
            const int filled = percent * 40 / 100;
            std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(filled, '#').c_str(),
                         std::string(40 - filled, '.').c_str(), percent);
            if (percent >= 100) std::fputc('\n', stderr);
        } else if (percent / 10 > last_ / 10 || (percent == 100 && last_ < 100)) {
            std::fprintf(stderr, "orvenna-render: %d%%\n", percent);
        }
        last_ = percent;
    }

private:
    bool quiet_;
    bool terminal_;
    int last_ = -1;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);  // picture decoding looks up Qt's image plugins
    RenderOptions options;
    std::string error;
    if (!parse_render_options(argc - 1, argv + 1, &options, &error)) {
        std::fprintf(stderr, "%s", render_usage().c_str());
        return fail(kBadArguments, error);
    }
    if (options.help) {
        std::printf("%s", render_usage().c_str());
        return kWritten;
    }
    if (picture_format_of(options.output) == PictureFormat::Unknown)
        return fail(kBadArguments,
                    "出力ファイルは .png .tif .bmp .jpg のどれかにしてください: " + options.output);

    SceneSet set;
    if (!set.open(options.files, &error)) return fail(kCannotOpen, error);
    // Histograms: every wide band (its opening range is automatic), and the 8-bit bands "auto" asks for.
    unsigned autoLetters = 0;
    for (const RangeRequest& r : options.ranges)
        if (r.kind == RangeRequest::Automatic) autoLetters |= 1u << (r.letter - 'a');
    set.make_histograms(autoLetters);

    Channels channels;
    if (!ApplyPreset(options.preset, set, &channels, &error)) return fail(kBadArguments, error);
    if (options.red) channels.red = *options.red;
    if (options.green) channels.green = *options.green;
    if (options.blue) channels.blue = *options.blue;
    for (const RangeRequest& r : options.ranges) {
        BandInfo* band = set.band_of_letter(r.letter);
        if (!band) return fail(kBadArguments, std::string("--range: バンド ") + r.letter + " がありません");
        if (r.kind == RangeRequest::Full) {
            SetFullRange(band);
        } else if (r.kind == RangeRequest::Automatic) {
            SetAutomaticRange(band, kDefaultClipRatio, kDefaultExcludeEnds);
        } else if (remos_band_is_wide(band)) {
            band->display_low = r.low;
            band->display_high = r.high;
        } else {
            if (r.low < 0 || r.high > 255)
                return fail(kBadArguments,
                            std::string("--range: 8ビットのバンド ") + r.letter + " の範囲は 0..255 です");
            band->range_low = static_cast<int>(r.low);
            band->range_high = static_cast<int>(r.high);
        }
    }

    // The three expressions, each named by its channel when it does not compile.
    struct Tree {
        const char* name;
        const std::string* text;
        CalcExpr* tree = nullptr;
    } trees[3] = {{"赤", &channels.red}, {"緑", &channels.green}, {"青", &channels.blue}};
    for (Tree& t : trees) {
        t.tree = ecalc_compile(t.text->c_str());
        if (!t.tree) {
            for (Tree& u : trees)
                ecalc_free(u.tree);
            return fail(kBadExpression, std::string(t.name) + "の式: " + explain_expression(t.text->c_str()));
        }
    }

    ViewGeometry geometry;
    const int x = options.has_window ? options.window_x : 0, y = options.has_window ? options.window_y : 0;
    const int w = options.has_window ? options.window_width : set.width();
    const int h = options.has_window ? options.window_height : set.height();
    int code = kWritten;
    if (!RenderGeometry(x, y, w, h, options.step, set.width(), set.height(), &geometry)) {
        code = fail(kBadArguments, "--window と --step では描くピクセルがありません");
    } else {
        const std::vector<CompositeBandRow> rows = set.composite_rows();
        Progress progress(options.quiet);
        RenderRequest request;
        request.rows = rows.data();
        request.rowCount = static_cast<int>(rows.size());
        request.expressions = {trees[0].tree, trees[1].tree, trees[2].tree};
        request.geometry = geometry;
        request.threads = options.threads > 0
                              ? options.threads
                              : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
        request.progress = [&](double done) { progress(done); };
        std::unique_ptr<PictureWriter> writer =
            make_picture_writer(options.output, Georeference(set, geometry));
        if (!RenderPicture(request, *writer, &error)) code = fail(kCannotWrite, error);
    }
    for (Tree& t : trees)
        ecalc_free(t.tree);
    return code;
}
