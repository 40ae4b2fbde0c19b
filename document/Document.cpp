#include "document/Document.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "display/BandValues.h"
#include "display/DisplayRanges.h"
#include "display/PresetTexts.h"
#include "scene/band_colour.h"
#include "text/translated_text.h"

namespace orvenna {

namespace {

const char kStartUpExpression[] = "a";

std::shared_ptr<const Expression> compiled(const std::string& text) {
    return std::make_shared<const Expression>(text);
}

// Bilinear interpolation between the values at the centres of the four corner pixels, in extended
// precision, stored as a double. A scene one pixel wide or high has no extent in that direction, so the
// terms that would divide by zero are left out.
double cornerInterpolation(double ul, double ur, double ll, double lr, int width, int height, int x, int y) {
    long double v = 0;
    if (width > 1) v += static_cast<long double>(ur - ul) / (width - 1) * x;
    v += ul;
    if (height > 1) v += static_cast<long double>(ll - ul) / (height - 1) * y;
    if (width > 1 && height > 1) {
        // 64-bit products: the 32-bit ones wrap for scenes over 46341 pixels on a side.
        const int64_t area = int64_t(width - 1) * (height - 1);
        const int64_t xy = int64_t(x) * y;
        v += static_cast<long double>(static_cast<long double>(lr) - ll - ur + ul) / area * xy;
    }
    return static_cast<double>(v);
}

// A picture band's channel byte at pixel (x, y).
double pictureValue(const DocumentBand& band, int x, int y) {
    const DecodedPicture& p = *band.picture;
    const int offset = picture_channel_offset(band.info ? band.info->index : -1);
    if (offset < 0 || x < 0 || x >= p.width || y < 0) return 0;
    return p.line(std::min(y, p.height - 1))[3 * x + offset];
}

// Every band's value at (x, y); with `busy` given, bands whose file is busy elsewhere are not waited for.
std::vector<double> readValues(const std::vector<DocumentBand>& bands, int width, int height, int x, int y,
                               std::vector<bool>* busy) {
    std::vector<double> values;
    // The white margin around the scene has no values.
    if (bands.empty() || x < 0 || y < 0 || x >= width || y >= height) return values;
    const int64_t index = int64_t(width) * y + x;
    values.reserve(bands.size());
    if (busy) busy->assign(bands.size(), false);
    for (size_t k = 0; k < bands.size(); ++k) {
        const DocumentBand& b = bands[k];
        double value = 0.0;
        if (b.isPicture())
            value = pictureValue(b, x, y);
        else if (!busy)
            value = remos_read_sample(b.info, index);
        else if (b.info && !remos_read_sample_nowait(b.info, index, &value))
            (*busy)[k] = true;
        values.push_back(value);
    }
    return values;
}

}  // namespace

CompositeExpressions RedrawScene::compositeExpressions() const {
    CompositeExpressions e;
    e.red = expressions[0] ? expressions[0]->tree() : nullptr;
    e.green = expressions[1] ? expressions[1]->tree() : nullptr;
    e.blue = expressions[2] ? expressions[2]->tree() : nullptr;
    return e;
}

PresetRequest PresetRequest::ndvi(int red, int nearInfrared) {
    PresetRequest r;
    r.kind = Kind::Ndvi;
    r.red = red;
    r.nearInfrared = nearInfrared;
    return r;
}

PresetRequest PresetRequest::thermography(std::string source) {
    PresetRequest r;
    r.kind = Kind::Thermography;
    r.source = std::move(source);
    return r;
}

PresetRequest PresetRequest::landsatTemperature(int band, int minTemperature, int maxTemperature) {
    PresetRequest r;
    r.kind = Kind::LandsatTemperature;
    r.band = band;
    r.minTemperature = minTemperature;
    r.maxTemperature = maxTemperature;
    return r;
}

Document::Document(QObject* parent) : QObject(parent) {
    for (auto& e : expressions_)
        e = compiled(kStartUpExpression);
}

Document::~Document() = default;

// ---- Bands -----------------------------------------------------------------------------------------------

std::vector<const SceneHandle*> Document::scenes() const {
    std::vector<const SceneHandle*> out;
    for (const DocumentBand& b : bands_)
        if (std::find(out.begin(), out.end(), b.scene.get()) == out.end()) out.push_back(b.scene.get());
    return out;
}

DocumentBand* Document::bandAt(int index) {
    if (index < 0 || index >= bandCount()) return nullptr;
    return &bands_[static_cast<size_t>(index)];
}

OpeningOptions Document::openingOptions(OpeningOptions::Histograms histograms) const {
    OpeningOptions options;
    options.histograms = histograms;
    // Files added to the list go onto its grid: the first band's scene is on it.
    if (hasBands()) {
        options.grid = scene_grid_of(bands_.front().scene->get());
        options.grid.width = width_;
        options.grid.height = height_;
    }
    options.listedBands = bandCount();
    options.metadata = metadata_;
    return options;
}

void Document::adopt(OpeningResult&& result) {
    if (bands_.empty() && !result.opened.empty()) forgetLegend();
    const bool colourIfFirst = bands_.empty() && expressionsAtStartUp();
    const bool hadGeography = georeferencedScene() != nullptr;
    for (OpenedFile& file : result.opened) {
        for (int k = 0; k < file.scene->band_count(); ++k) {
            DocumentBand band;
            band.scene = file.scene;
            band.info = file.scene->band(k);
            band.picture = file.picture;
            band.fileName = file.fileName;
            band.histogramMade = k < static_cast<int>(file.histogramMade.size()) && file.histogramMade[k];
            band.histogramSampled =
                k < static_cast<int>(file.histogramSampled.size()) && file.histogramSampled[k];
            // A wide band without a range of its own (no histogram, or no value in it) is drawn over the
            // values its kind can hold, which its row shows.
            if (band.isWide() && !(band.info->display_high > band.info->display_low))
                ShownDisplayRange(band.info, &band.info->display_low, &band.info->display_high);
            bands_.push_back(std::move(band));
        }
    }
    if (!result.opened.empty()) {
        width_ = result.width;
        height_ = result.height;
    }
    if (colourIfFirst) showFirstSceneInColour();
    if (result.metadataRead) metadata_ = result.metadata;
    if (!result.opened.empty()) emit bandsChanged();
    if (result.metadataRead || hadGeography != (georeferencedScene() != nullptr)) emit geographyChanged();
}

void Document::showFirstSceneInColour() {
    if (bands_.size() < 3) return;
    // The first three bands must be the three bands of one file, each marked with a different colour.
    const DocumentBand& first = bands_[0];
    if (!first.info || first.info->band_count != 3) return;
    std::string letters[3];  // red, green, blue
    for (int k = 0; k < 3; ++k) {
        const DocumentBand& b = bands_[static_cast<size_t>(k)];
        if (!b.info || b.scene != first.scene) return;
        const int role = b.isPicture() ? b.info->index + 1 : band_colour_role(b.info);
        if (role < BAND_COLOUR_RED || role > BAND_COLOUR_BLUE || !letters[role - 1].empty()) return;
        letters[role - 1] = std::string(1, static_cast<char>('a' + k));
    }
    setExpressions(letters[0], letters[1], letters[2]);
}

void Document::closeBand(int index) {
    if (!bandAt(index)) return;
    const SceneHandle* gaveGeography = georeferencedScene();
    bands_.erase(bands_.begin() + index);  // the scene closes with its last band (or the last job reading it)
    if (bands_.empty()) metadata_.geo_valid = false;
    emit bandsChanged();
    if (bands_.empty() || gaveGeography != georeferencedScene()) emit geographyChanged();
}

void Document::closeAll() {
    // The size, the Landsat values and the expressions stay until the next opening overwrites them.
    bands_.clear();
    metadata_.geo_valid = false;
    forgetLegend();
    emit bandsChanged();
    emit geographyChanged();
}

// ---- Display ranges and histograms ------------------------------------------------------------------------

void Document::emitBandChanged(int index) {
    emit bandChanged(index);
}

void Document::setEightBitRange(int index, int low, int high, MovedBound moved) {
    DocumentBand* b = bandAt(index);
    if (!b || b->isWide()) return;
    SeparateEightBitBounds(moved == MovedBound::Lower, &low, &high);
    if (b->info->range_low == low && b->info->range_high == high) return;
    b->info->range_low = low;
    b->info->range_high = high;
    emitBandChanged(index);
}

void Document::setValueRange(int index, double low, double high, MovedBound moved) {
    DocumentBand* b = bandAt(index);
    if (!b || !b->isWide()) return;
    SeparateBounds(b->info, moved == MovedBound::Lower, &low, &high);
    if (b->info->display_low == low && b->info->display_high == high) return;
    b->info->display_low = low;
    b->info->display_high = high;
    emitBandChanged(index);
}

void Document::setFullRange(int index) {
    DocumentBand* b = bandAt(index);
    if (!b) return;
    SetFullRange(b->info);
    settleRange(*b);
    emitBandChanged(index);
}

void Document::setAutomaticRange(int index, double ratio, bool excludeEnds) {
    DocumentBand* b = bandAt(index);
    if (!b) return;
    SetAutomaticRange(b->info, ratio, excludeEnds);
    settleRange(*b);
    emitBandChanged(index);
}

void Document::settleRange(DocumentBand& b) {
    // A range taken from the histogram can have its bounds equal or crossed (a band of one value): they are
    // kept apart, the upper one giving way.
    if (b.isWide()) {
        double low = b.info->display_low, high = b.info->display_high;
        SeparateBounds(b.info, false, &low, &high);
        b.info->display_low = low;
        b.info->display_high = high;
    } else {
        int low = b.info->range_low, high = b.info->range_high;
        SeparateEightBitBounds(false, &low, &high);
        b.info->range_low = low;
        b.info->range_high = high;
    }
}

void Document::setPresetRange(int index, double low, double high) {
    DocumentBand* b = bandAt(index);
    if (!b) return;
    if (b->isWide()) {
        // Taken as it is, also past the values the band's kind stores: the preset's texts are made for it.
        if (!(low < high) || !std::isfinite(low) || !std::isfinite(high)) return;
        b->info->display_low = low;
        b->info->display_high = high;
    } else {
        // The nearest whole values, kept apart inside 0..255.
        const int wholeLow = std::clamp(static_cast<int>(std::lround(std::clamp(low, -1.0, 256.0))), 0, 254);
        const int wholeHigh =
            std::clamp(static_cast<int>(std::lround(std::clamp(high, -1.0, 256.0))), wholeLow + 1, 255);
        b->info->range_low = wholeLow;
        b->info->range_high = wholeHigh;
    }
    emitBandChanged(index);
}

bool Document::makeHistogram(int index) {
    DocumentBand* b = bandAt(index);
    if (!b) return false;
    if (b->isPicture()) {
        count_picture_histogram(*b->picture, b->info->index, b->info);
    } else {
        BandHistogram histogram;
        if (!histogram.count(*b->info)) return false;
        histogram.applyTo(b->info);
    }
    b->histogramMade = true;
    b->histogramSampled = false;
    emitBandChanged(index);
    return true;
}

void Document::adoptHistogram(int index, BandHistogram&& histogram) {
    DocumentBand* b = bandAt(index);
    if (!b || !histogram.counted()) return;
    // The range stays as it is: a range drawn from a sample does not jump when the exact counts arrive.
    histogram.applyTo(b->info);
    b->histogramMade = true;
    b->histogramSampled = false;
    emitBandChanged(index);
}

// ---- Channel expressions ----------------------------------------------------------------------------------

void Document::setExpression(int channel, const std::string& text) {
    if (channel < 0 || channel > 2) return;
    auto& slot = expressions_[static_cast<size_t>(channel)];
    if (slot->text() == text) return;
    if (text != legendTexts_[static_cast<size_t>(channel)]) forgetLegend();
    slot = compiled(text);
    emit expressionChanged(channel);
}

void Document::setExpressions(const std::string& red, const std::string& green, const std::string& blue) {
    setExpression(0, red);
    setExpression(1, green);
    setExpression(2, blue);
}

bool Document::expressionsAtStartUp() const {
    for (const auto& e : expressions_)
        if (e->text() != kStartUpExpression) return false;
    return true;
}

// ---- Presets ----------------------------------------------------------------------------------------------

LandsatThermalChoice Document::thermalChoice(int index) const {
    if (index < 0 || index >= bandCount()) return {};
    return ChooseLandsatThermal(metadata_, bands_[static_cast<size_t>(index)].fileName);
}

std::vector<std::string> Document::bandFileNames() const {
    std::vector<std::string> names;
    names.reserve(bands_.size());
    for (const DocumentBand& b : bands_)
        names.push_back(b.fileName);
    return names;
}

int Document::thermalBandIndex() const {
    return ThermalBandIndex(metadata_, bandFileNames());
}

NdviBandChoice Document::ndviBands() const {
    return NdviBandsByName(bandFileNames());
}

bool Document::temperatureOf(int index, double value, double* celsius) const {
    if (index < 0 || index >= bandCount()) return false;
    const DocumentBand& b = bands_[static_cast<size_t>(index)];
    if (b.isPicture() || (b.info && IsNoDataValue(b.info, value))) return false;
    ThermalCalibration calibration;
    if (!ReadoutThermalCalibration(metadata_, b.fileName, &calibration)) return false;
    const double t = BrightnessTemperature(calibration, value);
    if (!std::isfinite(t)) return false;
    *celsius = t;
    return true;
}

bool Document::reflectanceOf(int index, double value, double* reflectance) const {
    if (index < 0 || index >= bandCount()) return false;
    const DocumentBand& b = bands_[static_cast<size_t>(index)];
    if (b.isPicture() || (b.info && IsNoDataValue(b.info, value))) return false;
    return ReadoutReflectance(metadata_, b.fileName, value, reflectance);
}

PresetResult Document::applyPreset(const PresetRequest& request) {
    PresetResult result;
    auto missing = [&](int index) {
        if (index >= 0 && index < bandCount()) return false;
        result.problem = fill_text(tr_text("Presets", "バンド %1 がありません"),
                                   {std::string(1, PresetBandLetter(index))});
        return true;
    };
    switch (request.kind) {
        case PresetRequest::Kind::Ndvi: {
            if (missing(request.red) || missing(request.nearInfrared)) return result;
            // Over the stored values (reflectances where the metadata rescales both bands), whatever the
            // display ranges.
            auto band = [this](int index) {
                NdviBand b;
                b.letter = PresetBandLetter(index);
                LandsatReflectanceBand rescaling;
                if (ReflectanceRescaling(metadata_, bands_[static_cast<size_t>(index)].fileName,
                                         &rescaling)) {
                    b.rescaled = true;
                    b.mult = rescaling.mult;
                    b.add = rescaling.add;
                }
                return b;
            };
            const std::string text = NdviText(band(request.red), band(request.nearInfrared));
            setExpressions(text, text, text);
            break;
        }
        case PresetRequest::Kind::Thermography: {
            const PresetChannelTexts texts = ThermographyTexts(request.source);
            setExpressions(texts.red, texts.green, texts.blue);
            break;
        }
        case PresetRequest::Kind::LandsatTemperature: {
            if (missing(request.band)) return result;
            const char letter = PresetBandLetter(request.band);
            const LandsatThermalChoice choice = thermalChoice(request.band);
            const std::string source =
                fill_text(tr_text("Presets", "%1 バンド%2"), {choice.satellite, std::to_string(choice.band)});
            using Kind = LandsatThermalChoice::Kind;
            if (choice.kind == Kind::Landsat8Missing) {
                const std::string n = std::to_string(choice.band);
                result.problem = fill_text(
                    choice.constantsGiven
                        ? tr_text("Presets",
                                  "%1 の熱赤外の定数 (RADIANCE_MULT_BAND_%2, RADIANCE_ADD_BAND_%2, "
                                  "K1_CONSTANT_BAND_%2, K2_CONSTANT_BAND_%2) が *_MTL.txt では使えない"
                                  "値のため、温度を計算できません。")
                        : tr_text("Presets",
                                  "%1 の熱赤外の定数 (RADIANCE_MULT_BAND_%2, RADIANCE_ADD_BAND_%2, "
                                  "K1_CONSTANT_BAND_%2, K2_CONSTANT_BAND_%2) が *_MTL.txt にないため、"
                                  "温度を計算できません。"),
                    {source, n});
                return result;
            }
            if (choice.kind == Kind::Landsat8) {
                // Landsat 8/9: the band's range narrows to the values of the scale's temperatures, so no step
                // of the scale is lost in the bytes the expressions see.
                Landsat8Preset made;
                const BandInfo* info = bands_[static_cast<size_t>(request.band)].info;
                if (!Landsat8TemperaturePreset(letter, choice.calibration, request.minTemperature,
                                               request.maxTemperature, BandHoldsIntegers(info), &made)) {
                    result.problem = fill_text(
                        tr_text("Presets", "最小温度 %1℃ から最大温度 %2℃ の範囲では %3 の値に直せません。"),
                        {std::to_string(request.minTemperature), std::to_string(request.maxTemperature),
                         source});
                    return result;
                }
                setExpressions(made.texts.red, made.texts.green, made.texts.blue);
                setPresetRange(request.band, made.displayLow, made.displayHigh);
                break;
            }
            // Landsat 7 band 6: LMAX/LMIN as typed, else the metadata's.
            float lmax = request.lmax, lmin = request.lmin;
            if (!request.typedCalibration) {
                if (choice.kind != Kind::Landsat7) {
                    result.problem =
                        tr_text("Presets", "LANDSAT の熱赤外の校正値 (*.met / *_MTL.txt) が見つかりません");
                    return result;
                }
                lmax = static_cast<float>(metadata_.lmax);
                lmin = static_cast<float>(metadata_.lmin);
            }
            // Equal bounds (a file without metadata: both 0) would draw every pixel black.
            const std::string problem = Landsat7CalibrationProblem(lmax, lmin);
            if (!problem.empty()) {
                result.problem = problem;
                return result;
            }
            const PresetChannelTexts texts =
                LandsatTemperatureTexts(letter, lmax, lmin, request.minTemperature, request.maxTemperature);
            setExpressions(texts.red, texts.green, texts.blue);
            // The calibration is of band 6's bytes: the band is read at 0..255, which a wider band holding
            // those bytes passes on unchanged.
            setPresetRange(request.band, 0, 255);
            break;
        }
    }
    result.applied = true;
    rememberLegend(request);
    return result;
}

void Document::rememberLegend(const PresetRequest& request) {
    // Texts that do not compile draw black: there are no colours to show.
    for (const auto& e : expressions_)
        if (!e->compiles()) {
            forgetLegend();
            return;
        }
    const CalcExpr* const channels[3] = {expressions_[0]->tree(), expressions_[1]->tree(),
                                         expressions_[2]->tree()};
    switch (request.kind) {
        case PresetRequest::Kind::Ndvi:
            legend_ = NdviLegend();
            break;
        case PresetRequest::Kind::Thermography:
            legend_ = ThermographyLegend(request.source);
            break;
        case PresetRequest::Kind::LandsatTemperature:
            legend_ = TemperatureLegend(channels, PresetBandLetter(request.band), kTemperatureLetter,
                                        request.minTemperature, request.maxTemperature);
            break;
    }
    for (size_t c = 0; c < 3; ++c)
        legendTexts_[c] = expressions_[c]->text();
    emit legendChanged();
}

void Document::forgetLegend() {
    if (legend_.kind == Legend::Kind::None) return;
    legend_ = Legend();
    legendTexts_ = {};
    emit legendChanged();
}

// ---- Geography --------------------------------------------------------------------------------------------

const SceneHandle* Document::georeferencedScene() const {
    for (const SceneHandle* scene : scenes())
        if (scene->georeferenced()) return scene;
    return nullptr;
}

bool Document::geographyKnown() const {
    return metadata_.geo_valid || georeferencedScene() != nullptr;
}

bool Document::geoAt(int x, int y, double* lat, double* lon) const {
    if (const SceneHandle* scene = georeferencedScene()) {
        if (remos_pixel_to_geo(scene->get(), x, y, lat, lon) == 1) return true;
    }
    if (!metadata_.geo_valid) return false;
    const LandsatCorners& c = metadata_.corners;
    *lat = cornerInterpolation(c.ul_lat, c.ur_lat, c.ll_lat, c.lr_lat, width_, height_, x, y);
    *lon = cornerInterpolation(c.ul_lon, c.ur_lon, c.ll_lon, c.lr_lon, width_, height_, x, y);
    return true;
}

bool Document::pixelAt(double lat, double lon, int* x, int* y) const {
    if (const SceneHandle* scene = georeferencedScene())
        return remos_geo_to_pixel_exact(scene->get(), lat, lon, x, y) == 1;
    if (!metadata_.geo_valid) return false;
    const LandsatCorners& c = metadata_.corners;
    remos_geo_to_pixel(x, y, width_, height_, static_cast<float>(lat), static_cast<float>(lon),
                       static_cast<float>(c.ul_lon), static_cast<float>(c.ul_lat),
                       static_cast<float>(c.ll_lon), static_cast<float>(c.ll_lat),
                       static_cast<float>(c.ur_lon), static_cast<float>(c.ur_lat),
                       static_cast<float>(c.lr_lon), static_cast<float>(c.lr_lat));
    return true;
}

// ---- Reading ----------------------------------------------------------------------------------------------

bool PixelValues::anyBusy() const {
    return std::find(busy.begin(), busy.end(), true) != busy.end();
}

std::vector<double> Document::valuesAt(int x, int y) const {
    return readValues(bands_, width_, height_, x, y, nullptr);
}

PixelValues Document::valuesNowAt(int x, int y) const {
    PixelValues read;
    read.values = readValues(bands_, width_, height_, x, y, &read.busy);
    return read;
}

std::function<std::vector<double>()> Document::valuesReader(int x, int y) const {
    struct Copy {
        std::vector<DocumentBand> bands;
        std::vector<BandInfo> records;
    };
    auto copy = std::make_shared<Copy>();
    copy->bands = bands_;
    copy->records.reserve(bands_.size());
    for (DocumentBand& b : copy->bands)
        if (b.info) {
            copy->records.push_back(*b.info);
            b.info = &copy->records.back();
        }
    return [copy, w = width_, h = height_, x, y] { return readValues(copy->bands, w, h, x, y, nullptr); };
}

RedrawScene Document::redrawScene() const {
    RedrawScene s;
    s.width = width_;
    s.height = height_;
    s.expressions = expressions_;
    const size_t lettered = std::min<size_t>(bands_.size(), kBandLetterCount);
    s.records.resize(lettered);
    s.rows.resize(lettered);
    for (size_t i = 0; i < lettered; ++i) {
        const DocumentBand& b = bands_[i];
        if (std::find(s.scenes.begin(), s.scenes.end(), b.scene) == s.scenes.end())
            s.scenes.push_back(b.scene);
        CompositeBandRow& row = s.rows[i];
        if (b.info) {
            s.records[i] = *b.info;
            row.band = &s.records[i];
        }
        if (const DecodedPicture* p = b.picture.get()) {
            if (std::find(s.pictures.begin(), s.pictures.end(), b.picture) == s.pictures.end())
                s.pictures.push_back(b.picture);
            row.picture = p->bgr.data();
            row.picture_stride = p->stride();
            row.picture_width = p->width;
            row.picture_height = p->height;
        }
    }
    return s;
}

}  // namespace orvenna
