#include "document/SceneOpener.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "display/DisplayRanges.h"
#include "scene/BandHistogram.h"
#include "scene/band_colour.h"
#include "scene/metadata_files.h"
#include "scene/natural_order.h"
#include "scene/scene_url.h"
#include "scene/system_errors.h"
#include "text/translated_text.h"

namespace orvenna {

std::string OpeningRefusal::words() const {
    const std::string why = reason.empty() ? std::string() : ": " + reason;
    switch (kind) {
        case Kind::CannotOpen:
            return tr_text("Opening", "を開けません") + why;
        case Kind::PathTooLong:
            return tr_text("Opening", "はパスが長すぎるため開けません");
        case Kind::Unrecognised:  // unknown formats, and files GDAL knows but cannot show, with the reason
        case Kind::TooManyBands:
            return reason;
        case Kind::Picture:
            return tr_text("Opening", "画像を読み込めません") + why;
        case Kind::SizeMismatch:
            return tr_text("Opening", "画像の大きさが違うバンド同士は同時に開けません");
        case Kind::NotOnGrid:
            return tr_text("Opening", "は重ねて表示できません") + why;  // the grid's reason
    }
    return reason;
}

namespace {

int64_t saturatingProduct(int64_t a, int64_t b) {
    if (a <= 0 || b <= 0) return 0;
    return a > INT64_MAX / b ? INT64_MAX : a * b;
}

int64_t fileSize(const std::string& path) {
    if (is_scene_url(path)) return -1;  // its histograms are counted over an overview: the decoded size tells
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

// The progress of a histogram pass as the reader reports it, and the control's request to stop it.
struct PassProgress {
    OpeningControl* control;
    OpeningQuestions* questions;
    double first, share;  // where this pass lies in the whole opening
    static int report(void* context, double done) {
        auto* p = static_cast<PassProgress*>(context);
        p->questions->progress(p->first + p->share * done);
        return p->control->stopPass.load(std::memory_order_relaxed) ||
                       p->control->stopOpening.load(std::memory_order_relaxed)
                   ? 0
                   : 1;
    }
};

void clearHistogram(BandInfo* band, int peaks) {
    std::fill(std::begin(band->histogram), std::end(band->histogram), 0);
    band->hist_peak = peaks;
    band->hist_peak_inner = peaks;
}

class Opening {
public:
    Opening(const OpeningOptions& options, OpeningQuestions& questions, OpeningControl& control)
        : options_(options), questions_(questions), control_(control) {
        result_.width = options.grid.width;
        result_.height = options.grid.height;
    }

    OpeningResult run(const std::vector<std::string>& files) {
        result_.files = files;
        std::stable_sort(result_.files.begin(), result_.files.end(), natural_name_less);
        const int count = static_cast<int>(result_.files.size());
        // The files open first (quickly: their headers), then go onto one grid, then their histograms are
        // counted. A refusal that ends the opening keeps the files opened before it.
        bool going = true;
        for (int i = 0; i < count && going && !control_.stopOpening; ++i)
            going = openOne(result_.files[static_cast<size_t>(i)]);
        if (!control_.stopOpening && !placeOnGrid()) going = false;
        const int kept = static_cast<int>(result_.opened.size());
        for (int i = 0; i < kept && !control_.stopOpening; ++i) {
            fileFirst_ = double(i) / kept;
            fileShare_ = 1.0 / kept;
            questions_.progress(fileFirst_);
            if (!countHistograms(result_.opened[static_cast<size_t>(i)])) break;
        }
        // A file whose bands were not all worked through is not listed.
        result_.opened.resize(static_cast<size_t>(countedFiles_));
        questions_.progress(1.0);
        result_.finished = going && countedFiles_ == kept && !control_.stopOpening;
        // A stopped opening reads no metadata.
        if (result_.finished && (options_.grid.width > 0 || !result_.opened.empty())) {
            result_.metadata = options_.metadata;
            // No metadata text is looked for beside a scene on a server.
            if (!is_scene_url(result_.files.front()))
                result_.metadataTooLarge = read_scene_metadata(result_.files.front(), &result_.metadata);
            result_.metadataIgnored = result_.metadata.ignored;
            result_.metadataRead = true;
        }
        return std::move(result_);
    }

private:
    // False when the file ends the opening.
    bool openOne(const std::string& path) {
        // A scene on a server goes to GDAL alone: no local checks, no picture reader (scene_url.h).
        if (is_scene_url(path)) return openUrl(path);
        // A metadata text picked with the bands is read beside them anyway, not opened as one; the other side
        // files of a product are passed over as quietly.
        if (is_scene_metadata_name(path) || is_product_side_file_name(path)) return true;
        // Only regular files are opened: a pipe would hang the opening, a folder or device is never a scene.
        const std::string unreadable = unreadable_file_reason(path.c_str());
        if (!unreadable.empty()) return refuse(OpeningRefusal::Kind::CannotOpen, path, unreadable);
        wantHistograms_ = options_.histograms != OpeningOptions::Histograms::None;
        // A path the scene record cannot hold whole is refused by name rather than cut short.
        if (path.size() >= REMOS_PATH_SIZE) return refuse(OpeningRefusal::Kind::PathTooLong, path, "");
        PictureType type;
        if (picture_type_of_name(path, &type)) return openPicture(path, type);
        return openScene(path);
    }

    bool openUrl(const std::string& path) {
        wantHistograms_ = options_.histograms != OpeningOptions::Histograms::None;
        if (path.size() >= REMOS_PATH_SIZE) return refuse(OpeningRefusal::Kind::PathTooLong, path, "");
        return openScene(path);
    }

    void startStoppableWait() {
        control_.stopPass = false;
        questions_.histogramPass(true);
    }
    // True when a stop was asked meanwhile.
    bool endStoppableWait() {
        questions_.histogramPass(false);
        return control_.stopPass || control_.stopOpening;
    }

    // Band rows of this opening so far, with those listed before it.
    int rowsListed() const { return options_.listedBands + result_.bandCount(); }

    // A file whose bands would take the list past its limit is refused with its count.
    bool tooManyBands(const std::string& path, int bands) {
        if (rowsListed() + bands <= options_.maxBands) return false;
        refuse(OpeningRefusal::Kind::TooManyBands, path,
               fill_text(tr_text("Opening", "バンドが多すぎます (%1 バンド、1 回に開けるのは %2 まで)"),
                         {std::to_string(bands), std::to_string(options_.maxBands)}));
        return true;
    }

    bool refuse(OpeningRefusal::Kind kind, const std::string& path, const std::string& reason) {
        OpeningRefusal refusal;
        refusal.kind = kind;
        refusal.path = path;
        refusal.reason = reason;
        return questions_.refused(refusal);
    }

    // The grid every band of the list lies on: the list's own, or the one the opened files make; files of
    // another grid are placed on it (a built-in scene through GDAL), or refused by name. False when a
    // refusal ended the opening.
    bool placeOnGrid() {
        if (result_.opened.empty()) return true;
        SceneGrid grid = options_.grid;
        if (grid.width <= 0) {
            std::vector<SceneGrid> grids;
            for (const OpenedFile& file : result_.opened)
                grids.push_back(scene_grid_of(file.scene->get()));
            grid = finest_scene_grid(grids);
        }
        std::vector<OpenedFile> placed;
        bool going = true;
        for (OpenedFile& file : result_.opened) {
            if (!going || control_.stopOpening) break;
            const std::string path = file.scene->path(), named = namedPath(path, file);
            if (scene_grid_of(file.scene->get()).same_as(grid)) {
                placed.push_back(std::move(file));
                continue;
            }
            if (file.picture) {
                going = refuse(OpeningRefusal::Kind::SizeMismatch, named, "");
                continue;
            }
            const std::string problem = grid_placement_problem(scene_grid_of(file.scene->get()), grid);
            if (!problem.empty()) {
                going = refuse(OpeningRefusal::Kind::NotOnGrid, named, problem);
                continue;
            }
            // The built-in readers read at the file's own size only: GDAL places the file instead.
            if (!file.scene->band(0)->source) {
                auto again = std::make_shared<SceneHandle>();
                const SceneResult opened = again->open(path, FMT_GDAL);
                if (!opened.opened() || again->band_count() != file.scene->band_count()) {
                    going =
                        refuse(OpeningRefusal::Kind::NotOnGrid, named,
                               tr_text("Opening", "この形式のファイルは大きさの違うバンドと重ねられません"));
                    continue;
                }
                file.scene = std::move(again);
            }
            const std::string why = place_scene_on_grid(file.scene->get(), grid);
            if (!why.empty()) {
                going = refuse(OpeningRefusal::Kind::NotOnGrid, named, why);
                continue;
            }
            placed.push_back(std::move(file));
        }
        result_.opened = std::move(placed);
        if (!result_.opened.empty()) {
            result_.width = grid.width;
            result_.height = grid.height;
        }
        return going && !control_.stopOpening;
    }

    bool openPicture(const std::string& path, PictureType type) {
        // The file is only held open; its three band records (red, green, blue) are filled here.
        auto scene = std::make_shared<SceneHandle>();
        scene->open(path, FMT_OPEN_ONLY);
        auto picture = std::make_shared<DecodedPicture>();
        std::string why;
        const bool decoded = decode_picture(path, type, picture.get(), &why);
        BandInfo* bands = decoded ? remos_alloc_bands(scene->get(), 3) : nullptr;
        if (decoded && !bands) why = tr_text("Opening", "メモリが足りません");
        if (!bands) return refuse(OpeningRefusal::Kind::Picture, path, why);
        if (tooManyBands(path, 3)) return true;
        (*scene)->width = picture->width;
        (*scene)->height = static_cast<uint32_t>(picture->height);
        OpenedFile file;
        file.scene = scene;
        file.picture = picture;
        file.fileName = FileNameOf(path);
        for (int k = 0; k < 3; ++k) {
            BandInfo& b = bands[k];
            b.index = k;
            b.band_count = 3;
            b.bits = 8;
            b.bytes_per_sample = 1;
            b.full_scale = 255;
            b.lines = picture->height;
            b.width = picture->width;
            b.record_length = picture->width;
            b.range_low = 0;
            b.range_high = 255;
            b.file = (*scene)->file;
            b.hist_peak = 255;
            b.hist_peak_inner = 1;
            const bool made = wantHistograms_ && options_.histograms == OpeningOptions::Histograms::All;
            if (made) count_picture_histogram(*picture, k, &b);
            file.histogramMade.push_back(made);
        }
        result_.opened.push_back(std::move(file));
        return true;
    }

    bool openScene(const std::string& path) {
        auto scene = std::make_shared<SceneHandle>();
        // Opening a scene on a server waits on the network: it can be stopped like a histogram pass (a stop
        // ends the opening; the window gives up one that does not return).
        const bool remote = is_scene_url(path);
        if (remote) startStoppableWait();
        const SceneResult opened = scene->open(path, FMT_DETECT);
        if (remote && endStoppableWait()) return false;
        if (opened.status == SceneResult::Status::CannotOpen)
            return refuse(OpeningRefusal::Kind::CannotOpen, path, opened.reason);
        // A container opens the parts chosen (offered even when its first part was refused); a container of
        // one part opens it under its name.
        std::string shown = FileNameOf(path);
        if (!remote && (opened.opened() ? scene_is_subdataset(scene->get()) : (*scene)->format == FMT_GDAL)) {
            const std::vector<SubdatasetInfo> parts = list_subdatasets(path);
            if (parts.size() > 1 || (!parts.empty() && (!options_.subdatasets.empty() || !opened.opened())))
                return openSubdatasets(path, parts);
            if (!parts.empty()) shown += ":" + parts.front().name;
        }
        if (!opened.opened()) return refuse(OpeningRefusal::Kind::Unrecognised, path, opened.reason);
        return listScene(path, scene, shown, false);
    }

    // Opens the parts of a container that the options name or the user chooses, each as a file of its own.
    bool openSubdatasets(const std::string& path, const std::vector<SubdatasetInfo>& parts) {
        std::vector<int> chosen;
        if (options_.subdatasets.empty()) chosen = questions_.chooseSubdatasets(path, parts);
        for (const std::string& name : options_.subdatasets) {
            const int k = find_subdataset(parts, name);
            if (k >= 0) {
                chosen.push_back(k);
            } else if (!refuse(OpeningRefusal::Kind::Unrecognised, path,
                               fill_text(tr_text("Opening", "サブデータセット \"%1\" はありません (%2)"),
                                         {name, subdataset_names(parts)}))) {
                return false;
            }
        }
        for (const int k : chosen) {
            if (control_.stopOpening) return false;
            if (k < 0 || static_cast<size_t>(k) >= parts.size()) continue;
            const SubdatasetInfo& part = parts[static_cast<size_t>(k)];
            auto scene = std::make_shared<SceneHandle>();
            const SceneResult opened = open_subdataset(scene.get(), path, part.gdal_name);
            const bool goOn =
                opened.opened()
                    ? listScene(path, scene, FileNameOf(path) + ":" + part.name, true)
                    : refuse(OpeningRefusal::Kind::Unrecognised, path + ":" + part.name, opened.reason);
            if (!goOn) return false;
        }
        return true;
    }

    // Lists an opened scene under `shown`; its histograms wait until every band is on the grid.
    bool listScene(const std::string& path, const std::shared_ptr<SceneHandle>& scene,
                   const std::string& shown, bool part) {
        OpenedFile file;
        file.scene = scene;
        file.fileName = shown;
        file.part = part;
        if (tooManyBands(namedPath(path, file), scene->band_count())) return true;
        result_.opened.push_back(std::move(file));
        return true;
    }

    // The name a file is refused by: its path, and for a part of a container the part's name after it.
    static std::string namedPath(const std::string& path, const OpenedFile& file) {
        return file.part ? path + file.fileName.substr(FileNameOf(path).size()) : path;
    }

    // Counts the histograms of an opened scene file and sets the ranges its bands open with (a part of a
    // container asks about its own decoded size, not the container's). False when the opening was stopped
    // meanwhile.
    bool countHistograms(OpenedFile& file) {
        if (file.picture) {
            ++countedFiles_;
            countedRows_ += 3;
            return true;
        }
        SceneHandle* scene = file.scene.get();
        const std::string path = scene->path();
        const bool part = file.part;
        const int count = scene->band_count();
        wantHistograms_ = options_.histograms != OpeningOptions::Histograms::None;
        // Its own pixels: a band placed on a finer grid is counted (and sampled) at its own size.
        const BandInfo* first = own_band_record(scene->band(0));
        const int64_t pixels = saturatingProduct(first->width, first->lines);
        // Large bands read through GDAL open from a sample: nothing waits for their exact histograms.
        const bool sampling =
            options_.sampleAbove > 0 && pixels > options_.sampleAbove && scene->band(0)->source != nullptr;
        // Bands that decode to more than the limit ask whether their histograms should be counted (the file's
        // own size says little of a compressed one); the answer holds for this file only.
        const int64_t decoded = saturatingProduct(saturatingProduct(pixels, count),
                                                  std::max(1, scene->band(0)->bytes_per_sample));
        if (wantHistograms_ && !sampling && options_.histograms == OpeningOptions::Histograms::All &&
            std::max(decoded, part ? int64_t(0) : fileSize(path)) > options_.largeFileBytes &&
            !questions_.countHistogramsOfLargeFile(path))
            wantHistograms_ = false;
        for (int k = 0; k < count && !control_.stopOpening; ++k) {
            BandInfo* band = scene->band(k);
            const bool wide = remos_band_is_wide(band) != 0;
            const size_t row = static_cast<size_t>(options_.listedBands + countedRows_ + k);
            const bool rangeGiven = row < options_.rangeGiven.size() && options_.rangeGiven[row];
            const bool wanted = wantHistograms_ && !rangeGiven &&
                                (wide || options_.eightBitAutoRange ||
                                 options_.histograms == OpeningOptions::Histograms::All);
            const bool sampled = wanted && sampling && countSample(band, pixels);
            const bool made = wanted && !sampled && makeHistogram(band, k, count);
            band->range_low = 0;
            band->range_high = 255;
            // A wide band opens with what "自動" gives, so that it shows contrast at once; an 8-bit one too
            // when asked, unless it carries a colour of a picture (its colours are shown as they are).
            const bool stretched =
                wide || (options_.eightBitAutoRange && band_colour_role(band) == BAND_COLOUR_NONE);
            if ((made || sampled) && stretched) SetOpeningRange(band);
            if (!made && !sampled) clearHistogram(band, 255);
            file.histogramMade.push_back(made);
            file.histogramSampled.push_back(sampled);
            questions_.progress(fileFirst_ + fileShare_ * (k + 1) / count);
        }
        if (control_.stopOpening) return false;
        ++countedFiles_;
        countedRows_ += count;
        return true;
    }

    // The band's histogram from a sample of it (`own` pixels): half a million samples or more, from an
    // overview or blocks; a band placed on a finer grid as densely over the grid's area, so that its coarser
    // pixels cost no more to sample than the grid's own bands.
    static bool countSample(BandInfo* band, int64_t own) {
        constexpr int64_t kSampleSamples = int64_t(1) << 19;
        const double share = double(own) / std::max<int64_t>(1, int64_t(band->width) * band->lines);
        const int64_t enough =
            std::max<int64_t>(kSampleSamples >> 3, int64_t(kSampleSamples * std::min(1.0, share)));
        BandHistogram histogram;
        if (histogram.countSample(*band, enough) == BandHistogram::Sample::None) return false;
        histogram.applyTo(band);
        return true;
    }

    // Counts the band's histogram. False when it was stopped: this band and the file's remaining bands then
    // open without histograms, as when the size question is answered No.
    bool makeHistogram(BandInfo* band, int k, int count) {
        const bool wide = remos_band_is_wide(band) != 0;
        if (!wide && band->bits != 8) return true;  // nothing to count
        control_.stopPass = false;
        PassProgress progress{&control_, &questions_, fileFirst_ + fileShare_ * k / count,
                              fileShare_ / count};
        questions_.histogramPass(true);
        const int made = wide ? remos_make_band_histogram(band, &PassProgress::report, &progress)
                              : remos_make_histogram_progress(band, &PassProgress::report, &progress);
        questions_.histogramPass(false);
        if (!made) wantHistograms_ = false;
        return made != 0;
    }

    const OpeningOptions& options_;
    OpeningQuestions& questions_;
    OpeningControl& control_;
    OpeningResult result_;
    bool wantHistograms_ = true;
    int countedFiles_ = 0;  // files of result_.opened whose histograms are done
    int countedRows_ = 0;   // and their band rows
    double fileFirst_ = 0, fileShare_ = 1;
};

}  // namespace

int OpeningResult::bandCount() const {
    int n = 0;
    for (const OpenedFile& f : opened)
        n += f.scene ? f.scene->band_count() : 0;
    return n;
}

std::string FileNameOf(const std::string& path) {
    if (is_scene_url(path)) return scene_url_file_name(path);
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

OpeningResult OpenFiles(const std::vector<std::string>& files, const OpeningOptions& options,
                        OpeningQuestions& questions, OpeningControl& control) {
    return Opening(options, questions, control).run(files);
}

}  // namespace orvenna
