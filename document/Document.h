// The document: what the viewer shows, apart from any window. It owns the opened scenes, the bands in letter
// order with their display ranges and histograms, the three channel expressions (compiled once per change),
// the scene's geography (its own georeferencing or the metadata's corners) and the Landsat calibration. It
// keeps display ranges valid, applies the colour presets, and tells its observers what changed. The main
// window is a view of it; the render command and the tests use it without a window. QtCore only.
#pragma once

#include <QObject>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "calc/Expression.h"
#include "display/Composite.h"
#include "display/LandsatThermalChoice.h"
#include "display/Legend.h"
#include "document/DocumentBand.h"
#include "document/Presets.h"
#include "document/SceneOpener.h"
#include "scene/BandHistogram.h"
#include "scene/scene_metadata.h"

namespace orvenna {

// What a redraw reads, taken when it starts: the redraw may run on another thread while the document
// changes. It keeps the scenes, pictures and expressions it reads alive until it is dropped.
struct RedrawScene {
    RedrawScene() = default;
    RedrawScene(RedrawScene&&) = default;
    RedrawScene& operator=(RedrawScene&&) = default;
    RedrawScene(const RedrawScene&) = delete;  // its rows point into its own records
    RedrawScene& operator=(const RedrawScene&) = delete;

    std::vector<std::shared_ptr<SceneHandle>> scenes;
    std::vector<std::shared_ptr<const DecodedPicture>> pictures;
    std::vector<BandInfo> records;       // copies of the bands' records, ranges as they were
    std::vector<CompositeBandRow> rows;  // one per lettered band, pointing into the above
    std::array<std::shared_ptr<const Expression>, 3> expressions;
    int width = 0, height = 0;
    CompositeExpressions compositeExpressions() const;
};

// Band values at one pixel; `busy` (empty, or one per value) marks values that could not be read yet.
struct PixelValues {
    std::vector<double> values;
    std::vector<bool> busy;
    bool isBusy(size_t band) const { return band < busy.size() && busy[band]; }
    bool anyBusy() const;
};

// Which bound of a display range the user moved: when the bounds would meet, it steps back to the other side
// of the one that stayed.
enum class MovedBound { Lower, Upper };

class Document : public QObject {
    Q_OBJECT
public:
    explicit Document(QObject* parent = nullptr);
    ~Document() override;

    // ---- Bands --------------------------------------------------------------------------------------------
    int bandCount() const { return static_cast<int>(bands_.size()); }
    const DocumentBand& band(int index) const { return bands_.at(static_cast<size_t>(index)); }
    bool hasBands() const { return !bands_.empty(); }
    // The pixel size every listed band shares. It stays after everything is closed, until the next opening.
    int width() const { return width_; }
    int height() const { return height_; }
    // The open scene files in opening order.
    std::vector<const SceneHandle*> scenes() const;

    // Lists what an opening gave (its bands after the listed ones), takes its metadata and, when the list was
    // empty and the expressions untouched, shows a picture or colour file in colour.
    void adopt(OpeningResult&& result);
    // The options an opening starts from: the current size and metadata.
    OpeningOptions openingOptions(OpeningOptions::Histograms histograms) const;
    void closeBand(int index);
    void closeAll();

    // ---- Display ranges and histograms --------------------------------------------------------------------
    // An 8-bit band's range, kept inside 0..255 with low < high (the bound that moved steps back when they
    // would meet).
    void setEightBitRange(int index, int low, int high, MovedBound moved);
    // A wider band's range in its own values, kept inside its kind and apart.
    void setValueRange(int index, double low, double high, MovedBound moved);
    // "<>": 0..255, or a wide band's smallest to largest value.
    void setFullRange(int index);
    // "自動": cuts `ratio` of the pixels at both ends of the band's histogram as it stands.
    void setAutomaticRange(int index, double ratio, bool excludeEnds);
    // A preset's range, in stored values: a wide band takes it as it is (also past its kind), an 8-bit band
    // the nearest whole values inside 0..255.
    void setPresetRange(int index, double low, double high);
    // Counts the band's histogram here and now (the render command; the window counts through a job).
    bool makeHistogram(int index);
    // A histogram counted elsewhere for the band at `index` (a job), put into its record.
    void adoptHistogram(int index, BandHistogram&& histogram);

    // ---- Channel expressions ------------------------------------------------------------------------------
    // 0 red, 1 green, 2 blue.
    const Expression& expression(int channel) const { return *expressions_.at(static_cast<size_t>(channel)); }
    void setExpression(int channel, const std::string& text);
    void setExpressions(const std::string& red, const std::string& green, const std::string& blue);
    // The three texts are still those of start-up ("a").
    bool expressionsAtStartUp() const;

    // ---- Presets ------------------------------------------------------------------------------------------
    PresetResult applyPreset(const PresetRequest& request);
    // The colour bar of the last preset applied; none once an expression is set to another text than the
    // preset's, or after closing everything or opening a scene into an empty list.
    const Legend& legend() const { return legend_; }
    // The calibration the temperature preset takes for the band at `index`.
    LandsatThermalChoice thermalChoice(int index) const;
    // The listed band the scene's thermal calibration belongs to (its file name says band 10 or 11, or
    // Landsat 7's band 6), -1 when none.
    int thermalBandIndex() const;
    // The listed red and near-infrared bands of a known product, by their file names (-1 where none).
    NdviBandChoice ndviBands() const;
    // The value `value` of the band at `index` in degrees Celsius, by the temperature preset's calibration:
    // only for the scene's thermal band with usable constants, and a value of positive radiance.
    bool temperatureOf(int index, double value, double* celsius) const;
    // The top-of-atmosphere reflectance of band `index`'s stored value by the scene's Landsat metadata
    // (REFLECTANCE_MULT/ADD of the band its file name says, the sun's elevation); false when there is none.
    bool reflectanceOf(int index, double value, double* reflectance) const;

    // ---- Geography and calibration ------------------------------------------------------------------------
    const SceneMetadataState& metadata() const { return metadata_; }
    // The first listed scene with georeferencing of its own: it gives the geography before any corners.
    const SceneHandle* georeferencedScene() const;
    // Longitude and latitude can be told: a georeferenced scene or the metadata's corners.
    bool geographyKnown() const;
    // Latitude and longitude of pixel (x, y): exact from the georeferenced scene, else interpolated between
    // the corners. False when the geography is not known.
    bool geoAt(int x, int y, double* lat, double* lon) const;
    // The pixel at a position: the georeferenced scene's exact inverse, else the corners'. False when it
    // cannot be placed.
    bool pixelAt(double lat, double lon, int* x, int* y) const;
    bool landsat7CalibrationValid() const { return metadata_.landsat7_valid; }

    // ---- Reading ------------------------------------------------------------------------------------------
    // Every band's value at pixel (x, y), as stored (picture bands: their channel byte); empty outside the
    // scene or when nothing is listed.
    std::vector<double> valuesAt(int x, int y) const;
    // valuesAt for the window's readout, which must not wait: a band whose file is busy with a read on
    // another thread (a histogram pass, a slow block) is marked busy and reads 0.
    PixelValues valuesNowAt(int x, int y) const;
    // valuesAt to be run later on another thread: the reader holds copies of the band records and keeps
    // their files open.
    std::function<std::vector<double>()> valuesReader(int x, int y) const;
    RedrawScene redrawScene() const;

signals:
    void bandsChanged();          // bands were listed or closed: positions and letters may have moved
    void bandChanged(int index);  // a band's display range or histogram
    void expressionChanged(int channel);
    void geographyChanged();  // the georeferenced scene, the corners or the calibration
    void legendChanged();

private:
    std::vector<std::string> bandFileNames() const;
    void emitBandChanged(int index);
    void settleRange(DocumentBand& band);
    DocumentBand* bandAt(int index);
    void showFirstSceneInColour();
    void rememberLegend(const PresetRequest& request);
    void forgetLegend();

    std::vector<DocumentBand> bands_;
    int width_ = 1, height_ = 1;
    std::array<std::shared_ptr<const Expression>, 3> expressions_;
    SceneMetadataState metadata_;
    Legend legend_;
    std::array<std::string, 3> legendTexts_;  // the channel texts the legend belongs to
};

}  // namespace orvenna
