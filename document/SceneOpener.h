// The one way files are opened, for the window, the render command and the tests: the files in natural order,
// each through its reader (pictures by their extension, the built-in scene readers, GDAL), the check that
// every band lies on one grid, the histograms and the ranges a band opens with, and the
// metadata beside the first file. Plain C++: it runs on whatever thread its caller gives it and reports
// through OpeningQuestions, which the window answers with its dialogs and the command with its flags.
//
// Bands of different pixel sizes open together on one grid: the area of the first file at the finest pixel
// size among the files (scene_grid.h); the others are placed on it, a file that cannot be (no overlap, no
// way to place it) is refused by name. Files added to a list go onto the list's grid.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "document/DocumentBand.h"
#include "scene/scene_grid.h"
#include "scene/scene_metadata.h"
#include "scene/subdatasets.h"

namespace orvenna {

// A file the opening passed over or stopped at, and why.
struct OpeningRefusal {
    enum class Kind {
        CannotOpen,    // not readable at all: missing, a folder or pipe, no permission
        PathTooLong,   // longer than a scene record holds
        Unrecognised,  // no reader shows it (unknown format, damaged or unsupported contents)
        Picture,       // a bitmap or JPEG that cannot be decoded
        SizeMismatch,  // a picture of another pixel size than the grid
        NotOnGrid,     // a scene that cannot be placed on the grid (no overlap, nothing to place it by)
        TooManyBands,  // more band rows than one opening lists
    };
    Kind kind = Kind::CannotOpen;
    std::string path;
    std::string reason;  // the reader's reason, UTF-8; may be empty
    // What the refusal says after the file's name: "を開けません: ...", "はパスが長すぎるため開けません", the
    // reader's reason, "画像の大きさが違うバンド同士は同時に開けません" ...
    std::string words() const;
};

class OpeningQuestions {
public:
    virtual ~OpeningQuestions() = default;
    // The file's bands decode to more than OpeningOptions::largeFileBytes: should their histograms be counted
    // at opening?
    virtual bool countHistogramsOfLargeFile(const std::string& path) = 0;
    // A file was refused; the opening goes on with the next file. False stops the whole opening (the files
    // opened so far stay).
    virtual bool refused(const OpeningRefusal& refusal) = 0;
    // The file holds several subdatasets (a NetCDF or HDF file's variables): the positions in `list` of those
    // to open, each listed as a file of its own. None passes the file over without a word (the user
    // cancelled).
    virtual std::vector<int> chooseSubdatasets(const std::string& /*path*/,
                                               const std::vector<SubdatasetInfo>& /*list*/) {
        return {};
    }
    // The share of the opening done, 0..1, now and then.
    virtual void progress(double /*done*/) {}
    // A histogram pass, or the opening of a scene on a server, starts (true) or ends (false): it may be
    // stopped meanwhile (OpeningControl::stopPass; for the opening on a server the stop ends the opening).
    virtual void histogramPass(bool /*running*/) {}
};

// Asked from another thread while the opening runs.
struct OpeningControl {
    std::atomic<bool> stopPass{false};     // the running histogram pass ends; its file opens without them
    std::atomic<bool> stopOpening{false};  // the opening ends at its next step
};

struct OpeningOptions {
    enum class Histograms {
        All,       // every band's (the viewer's "histogram at opening")
        WideOnly,  // the bands whose opening range needs one: wider than 8 bits, 8-bit ones with
                   // eightBitAutoRange (the render command)
        None,
    };
    Histograms histograms = Histograms::All;
    // 8-bit bands with a histogram open at their automatic range ("開いたときに自動範囲"), like wider bands
    // (not the colours of a picture: RGB files, palette colours);
    // otherwise at 0..255.
    bool eightBitAutoRange = false;
    // Files whose decoded bands are larger ask before their histograms are counted (All only).
    int64_t largeFileBytes = 100000000;
    // Bands read through GDAL with more samples than this open with a histogram counted from a sample of
    // them (an overview, or blocks spread over the band) and their opening range from it; their exact
    // histogram is left to the caller (OpenedFile::histogramSampled). Such files ask no size question. 0:
    // every histogram is counted exactly at opening. The window and the render command sample bands above
    // kLargeBandSamples: smaller ones count at once anyway.
    int64_t sampleAbove = 0;
    static constexpr int64_t kLargeBandSamples = int64_t(4) << 20;
    // Band rows (by list position) whose range the caller sets itself: no histogram is counted for them.
    std::vector<bool> rangeGiven;
    // Band rows a list may hold; a file that would take it past this is refused with its count.
    int maxBands = 1000;
    int listedBands = 0;  // rows listed before this opening
    // The grid the bands are placed on; width 0 when nothing is listed yet (the files give it).
    SceneGrid grid;
    // Subdatasets chosen beforehand by name (their own or GDAL's): every container opens these and asks
    // nothing; a name a container does not hold refuses it with the names it does hold.
    std::vector<std::string> subdatasets;
    // The metadata as it stands: what no file beside the first one gives carries over.
    SceneMetadataState metadata;
};

// One opened file with its bands in file order, ready to be listed.
struct OpenedFile {
    std::shared_ptr<SceneHandle> scene;
    std::shared_ptr<const DecodedPicture> picture;  // bitmaps and JPEGs
    std::string fileName;
    bool part = false;                   // a part of a container (fileName "file:part")
    std::vector<bool> histogramMade;     // per band: counted exactly
    std::vector<bool> histogramSampled;  // per band: counted from a sample, the exact count still to come
};

struct OpeningResult {
    std::vector<std::string> files;  // the files asked for, in the order they were opened
    std::vector<OpenedFile> opened;
    int width = 0, height = 0;  // the grid's size (the options' when nothing opened)
    // Every file was worked through; false when a refusal or a stop request ended the opening.
    bool finished = false;
    // Read when the opening finished with bands listed (now or before): the metadata beside the first file.
    bool metadataRead = false;
    SceneMetadataState metadata;
    std::string metadataTooLarge;  // a metadata file passed over for its size, for a hint
    std::string metadataIgnored;   // values of the metadata passed over as impossible, for a hint
    int bandCount() const;
};

// Opens `files` (paths as bytes) in natural order.
OpeningResult OpenFiles(const std::vector<std::string>& files, const OpeningOptions& options,
                        OpeningQuestions& questions, OpeningControl& control);

// The file name shown for a path: its last part; for a URL the last part of its path without the query.
std::string FileNameOf(const std::string& path);

}  // namespace orvenna
