// Opening scenes: the open dialog, files dropped on the window or named at start-up, the per-file work for
// pictures and scene files, and the metadata read beside the first file.
#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QToolButton>
#include <QUrl>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cstdio>

#include "app/MainWindow.h"
#include "dialogs/ProgressWindow.h"
#include "display/DisplayRanges.h"
#include "platform/BackgroundTask.h"
#include "platform/ImageControl.h"
#include "platform/PictureLoader.h"
#include "platform/Prompts.h"
#include "platform/SystemErrors.h"
#include "scene/metadata_files.h"
#include "scene/natural_order.h"
#include "scene/remos.h"
#include "scene/scene_metadata.h"
#include "scene/system_errors.h"

namespace {

const int64_t kHistogramQuestionBytes = 100000000;
const int kProgressPerFile = 1000;

const QString kLoadingText = QStringLiteral("画像を読み込んでいます...");
const QString kLargeFileQuestion = QStringLiteral(
    "ファイルサイズが100MBを超えているためヒストグラム作成に時間がかかる可能性があります。\n"
    "ヒストグラムを作成しますか？");
const QString kSizeMismatch = QStringLiteral("画像の大きさが違うバンド同士は同時に開けません");

enum class FileOutcome { Next, Stop };

void showProgressWindow(MainWindow* window) {
    if (!progressWindow) return;
    QObject::connect(progressWindow, &ProgressWindow::stopRequested, window,
                     &MainWindow::stopOpeningHistogram, Qt::UniqueConnection);
    progressWindow->messageLabel->setText(kLoadingText);
    progressWindow->progressBar->setRange(0, 1);
    progressWindow->progressBar->setValue(0);
    progressWindow->stopButton->setEnabled(false);
    progressWindow->show();
    QCoreApplication::processEvents();
}

void hideProgressWindow() {
    if (progressWindow) progressWindow->hide();
}

// Restores a flag however the scope is left.
class FlagGuard {
public:
    explicit FlagGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagGuard() { flag_ = false; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

private:
    bool& flag_;
};

// The scene records are released with remos_close whatever way the per-file steps end, until handed over.
struct SceneCloser {
    void operator()(SceneFile* scene) const {
        remos_close(scene);
        delete scene;
    }
};
using PendingScene = std::unique_ptr<SceneFile, SceneCloser>;

PendingScene newScene() {
    auto* scene = new SceneFile;
    *scene = SceneFile{};
    return PendingScene(scene);
}

// Extension from the last dot of the file name, dot included, in upper case; empty when there is none.
QByteArray upperExtension(const QByteArray& path) {
    const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
    const int dot = name.lastIndexOf('.');
    return dot >= 0 ? name.mid(dot).toUpper() : QByteArray();
}

int64_t defaultFileSize(const QByteArray& path) {
    struct stat st;
    return stat(path.constData(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

QString quoted(const QByteArray& path) {
    return QStringLiteral("\"") + displayFileName(path) + QStringLiteral("\"");
}

void informCannotOpen(const QByteArray& path, const QString& reason) {
    QString text = quoted(path) + QStringLiteral("\nを開けません");
    if (!reason.isEmpty()) text += QStringLiteral(": ") + reason;
    Prompts::current().inform(text, QStringLiteral("失敗"), PromptKind::Information);
}

// Progress of a histogram pass as the worker reports it, and the window's request to stop it.
struct HistogramPass {
    std::atomic<bool> stop{false};
    std::atomic<int> permille{0};
    static int report(void* context, double done) {
        auto* pass = static_cast<HistogramPass*>(context);
        pass->permille.store(static_cast<int>(done * 1000.0), std::memory_order_relaxed);
        return pass->stop.load(std::memory_order_relaxed) ? 0 : 1;
    }
};

class Opener {
public:
    explicit Opener(MainWindow& window) : window_(window) {}

    // Works through the file list; false when a file (or a request to close) stopped the opening.
    bool openAll() {
        const QList<QByteArray>& files = window_.filesToOpen;
        for (int i = 0; i < files.size(); ++i) {
            if (window_.openingStopRequested) return false;
            fileIndex_ = i;
            setProgress(0, 1);
            if (openOne(files[i]) == FileOutcome::Stop) return false;
        }
        setProgress(1, 1);
        return !window_.openingStopRequested;
    }

    int bandsListed = 0;

private:
    FileOutcome openOne(const QByteArray& name) {
        // A metadata text picked or dropped with the bands is read beside them anyway, not opened as one.
        if (is_scene_metadata_name(name.toStdString())) return FileOutcome::Next;
        // Only regular files are opened: a pipe would hang the opening, a folder or device is never a scene.
        const QString unreadable = unreadableFileReason(name);
        if (!unreadable.isEmpty()) {
            informCannotOpen(name, unreadable);
            return FileOutcome::Next;
        }
        // Files over 100 MB ask whether their histograms should be counted; the answer holds for this file
        // only.
        const int64_t size = window_.fileSizeLookup ? window_.fileSizeLookup(name) : defaultFileSize(name);
        wantHistogram_ = window_.histogramOnOpenCheckBox->isChecked();
        if (size > kHistogramQuestionBytes && wantHistogram_) {
            if (!Prompts::current().askYesNo(kLargeFileQuestion, QStringLiteral("情報"),
                                             PromptKind::Information))
                wantHistogram_ = false;
        }
        // A path the scene record cannot hold whole is refused by name rather than cut short.
        if (name.size() >= REMOS_PATH_SIZE) {
            Prompts::current().inform(quoted(name) + QStringLiteral("\nはパスが長すぎるため開けません"),
                                      QStringLiteral("失敗"), PromptKind::Information);
            return FileOutcome::Next;
        }
        // Pictures by their extension, everything else by the scene reader's detection.
        PendingScene scene = newScene();
        const QByteArray ext = upperExtension(name);
        if (ext == ".BMP" || ext == ".JPG") return openPicture(std::move(scene), name, ext == ".JPG");
        return openSceneFile(std::move(scene), name);
    }

    FileOutcome openPicture(PendingScene scene, const QByteArray& name, bool jpeg) {
        // The file is only held open; its three band records (red, green, blue) are ours to fill.
        remos_open(scene.get(), name.constData(), FMT_OPEN_ONLY);
        BandInfo* bands = remos_alloc_bands(scene.get(), 3);
        QString error;
        auto picture = std::make_shared<QImage>(
            loadPicture(name, jpeg ? PictureType::Jpeg : PictureType::Bitmap, &error));
        if (!bands && error.isEmpty()) error = QStringLiteral("メモリが足りません");
        if (picture->isNull() || !bands) {
            hideProgressWindow();
            Prompts::current().inform(quoted(name) + QStringLiteral("\n画像を読み込めません: ") + error,
                                      QStringLiteral("失敗"), PromptKind::Information);
            return FileOutcome::Stop;
        }
        for (int k = 0; k < 3; ++k) {
            bands[k].index = k;
            bands[k].band_count = 3;
            bands[k].bits = 8;
            bands[k].bytes_per_sample = 1;
            bands[k].full_scale = 255;
            bands[k].range_low = 0;
            bands[k].range_high = 255;
            bands[k].file = scene->file;
        }
        if (!acceptSize(picture->width(), picture->height())) return FileOutcome::Stop;
        scene->width = picture->width();
        scene->height = static_cast<uint32_t>(picture->height());
        SceneFile* accepted = acceptScene(std::move(scene), picture->width(), picture->height());
        // One row per colour channel, all sharing the decoded picture.
        const QString fileName = displayFileName(name);
        for (int k = 0; k < 3; ++k) {
            BandInfo* band = &accepted->bands[k];
            band->lines = window_.imageHeight;
            band->width = window_.imageWidth;
            band->record_length = window_.imageWidth;
            band->prefix_bytes = 0;
            band->suffix_bytes = 0;
            band->hist_peak = 255;
            band->hist_peak_inner = 1;
            band->range_low = 0;
            band->range_high = 255;
            if (!wantHistogram_) std::fill(std::begin(band->histogram), std::end(band->histogram), 0);
            BandRow* row = appendRow(band, fileName);
            row->isPicture = true;
            row->picture = picture;
            row->histogramValid = wantHistogram_;
            if (wantHistogram_) window_.computePictureHistogram(row);
            finishRow(row, k, 3);
        }
        return FileOutcome::Next;
    }

    FileOutcome openSceneFile(PendingScene scene, const QByteArray& name) {
        const int r = remos_open(scene.get(), name.constData(), FMT_DETECT);
        if (r == REMOS_CANNOT_OPEN) {
            // Vanished or made unreadable since the check above: still a failure the user hears of.
            const QString reason = unreadableFileReason(name);
            informCannotOpen(name, reason);
            return FileOutcome::Next;
        }
        const bool sized = scene->width >= 1 && scene->height >= 1 && scene->height <= uint32_t(INT32_MAX);
        if (r != REMOS_OK || !sized) {
            // Unknown formats, and TIFFs or other files GDAL knows but cannot show, with the reason.
            Prompts::current().inform(
                quoted(name) + QStringLiteral("\n") + QString::fromStdString(scene_refusal_text(scene.get())),
                QStringLiteral("識別失敗"), PromptKind::Information);
            return FileOutcome::Next;
        }
        if (!acceptSize(scene->width, static_cast<int64_t>(scene->height))) return FileOutcome::Stop;
        const int width = scene->width;
        const int height = static_cast<int>(scene->height);
        SceneFile* accepted = acceptScene(std::move(scene), width, height);
        const QString fileName = displayFileName(name);
        const int count = static_cast<int>(accepted->band_count);
        for (int k = 0; k < count; ++k) {
            BandInfo* band = &accepted->bands[k];
            bool made = false;
            if (wantHistogram_ && !window_.openingStopRequested) {
                made = makeHistogram(band, k, count);
                // A wide band opens with what "自動" gives, so that it shows contrast at once.
                if (made && remos_band_is_wide(band)) orvenna::SetOpeningRange(band);
            }
            if (!made) {
                clearHistogram(band, 255);
                band->range_low = 0;
                band->range_high = 255;
            }
            BandRow* row = appendRow(band, fileName);
            row->histogramValid = made;
            row->isPicture = false;
            finishRow(row, k, count);
            if (window_.openingStopRequested) return FileOutcome::Stop;
        }
        return FileOutcome::Next;
    }

    // Counts the band's histogram on a worker thread while the window stays responsive. False when it was
    // stopped ("中止" or Esc): this band and the file's remaining bands then open without histograms, as
    // when the size question is answered No.
    bool makeHistogram(BandInfo* band, int k, int count) {
        const bool wide = remos_band_is_wide(band) != 0;
        if (!wide && band->bits != 8) return true;  // nothing to count
        HistogramPass pass;
        window_.openingHistogramStop = &pass.stop;
        if (progressWindow) progressWindow->stopButton->setEnabled(true);
        window_.escapeShortcut->setEnabled(true);
        int made = 0;
        window_.histogramTask->run(
            [&] {
                made = wide ? remos_make_band_histogram(band, &HistogramPass::report, &pass)
                            : remos_make_histogram_progress(band, &HistogramPass::report, &pass);
            },
            [&] { pass.stop = true; },
            [&] { setProgress(k * 1000 + pass.permille.load(std::memory_order_relaxed), count * 1000); });
        window_.openingHistogramStop = nullptr;
        if (progressWindow) progressWindow->stopButton->setEnabled(false);
        window_.escapeShortcut->setEnabled(false);
        if (!made) wantHistogram_ = false;
        return made != 0;
    }

    static void clearHistogram(BandInfo* band, int peaks) {
        std::fill(std::begin(band->histogram), std::end(band->histogram), 0);
        band->hist_peak = peaks;
        band->hist_peak_inner = peaks;
    }

    // Every band listed together has the pixel size of the first accepted file.
    bool acceptSize(int64_t width, int64_t height) {
        if (window_.imageLoaded && (width != window_.imageWidth || height != window_.imageHeight)) {
            Prompts::current().inform(kSizeMismatch, QStringLiteral("失敗"), PromptKind::Information);
            hideProgressWindow();
            return false;
        }
        return true;
    }

    // The file joins the open scenes and sets the image size, the scroll ranges and the size in the status
    // bar.
    SceneFile* acceptScene(PendingScene scene, int width, int height) {
        SceneFile* raw = scene.release();
        window_.imageLoaded = true;
        window_.scenes.emplace_back(raw);
        window_.imageWidth = width;
        window_.imageHeight = height;
        window_.horizontalScrollBar->setMaximum(width - 1);
        window_.verticalScrollBar->setMaximum(height - 1);
        window_.setStatusPanelText(1, QStringLiteral("縦 : %1 横 : %2").arg(height).arg(width));
        return raw;
    }

    BandRow* appendRow(BandInfo* band, const QString& fileName) {
        BandRow* row = window_.addBandRow(band, fileName, static_cast<int>(window_.bandRows.size()));
        window_.bandRows.emplace_back(row);
        ++bandsListed;
        return row;
    }

    void finishRow(BandRow* row, int k, int count) {
        window_.refreshBandRow(row);
        setProgress(k + 1, count);
        QCoreApplication::processEvents();
    }

    void setProgress(int done, int count) {
        if (!progressWindow || count <= 0) return;
        const int files = std::max<int>(1, static_cast<int>(window_.filesToOpen.size()));
        progressWindow->progressBar->setRange(0, files * kProgressPerFile);
        progressWindow->progressBar->setValue(fileIndex_ * kProgressPerFile +
                                              static_cast<int>(int64_t(done) * kProgressPerFile / count));
    }

    MainWindow& window_;
    bool wantHistogram_ = true;
    int fileIndex_ = 0;
};

// Files opened together take their letters in natural order, as people number them: "B2" before "B10",
// letter case ignored otherwise.
void sortNaturally(QList<QByteArray>& files) {
    std::stable_sort(files.begin(), files.end(), [](const QByteArray& a, const QByteArray& b) {
        return natural_name_less(a.toStdString(), b.toStdString());
    });
}

}  // namespace

void MainWindow::connectOpenHandlers() {
    connect(openButton, &QToolButton::clicked, this, [this] { onOpenClicked(); });
    connect(openAction, &QAction::triggered, this, [this] { onOpenClicked(); });
    connect(saveButton, &QToolButton::clicked, this, [this] { saveView(); });
    connect(saveAction, &QAction::triggered, this, [this] { saveView(); });
    connect(closeAllButton, &QToolButton::clicked, this, [this] { closeAll(); });
    connect(closeAllAction, &QAction::triggered, this, [this] { closeAll(); });
    view->onMouseMove = [this](QMouseEvent* e) { onViewMouseMove(e); };
    view->onMousePress = [this](QMouseEvent* e) { onViewMousePress(e); };
}

void MainWindow::onOpenClicked() {
    if (opening) return;  // the running opening owns the file list
    // "*" rather than "*.*": scene files often have no extension.
    const QStringList files = Prompts::current().pickOpenFiles(
        QStringLiteral("開く"), QStringLiteral("すべて (*);;BILファイル (*.bil);;BSQファイル (*.bsq)"));
    if (files.isEmpty()) return;
    filesToOpen.clear();
    for (const QString& file : files)
        filesToOpen << QFile::encodeName(file);
    sortNaturally(filesToOpen);
    openFiles();
}

void MainWindow::openDroppedFiles(const QList<QByteArray>& names) {
    if (opening) return;
    filesToOpen = names;
    sortNaturally(filesToOpen);
    openFiles();
}

void MainWindow::openDroppedFiles(const QStringList& names) {
    QList<QByteArray> paths;
    for (const QString& name : names)
        paths << QFile::encodeName(name);
    openDroppedFiles(paths);
}

static QByteArray localPathOfUrl(const QUrl& url) {
    if (!url.isLocalFile()) return QByteArray();
    // The encoded form keeps the name's bytes (a name that is not UTF-8 stays as %FF ...); decoding the URL
    // into text would replace them and the file would not be found.
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!opening && event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    if (opening) {
        event->ignore();
        return;
    }
    QList<QByteArray> names;
    for (const QUrl& url : event->mimeData()->urls()) {
        const QByteArray path = localPathOfUrl(url);
        if (!path.isEmpty()) names << path;
    }
    if (names.isEmpty()) return;
    event->acceptProposedAction();
    // Opened once the drop itself has finished, so the dragging application is not kept waiting.
    QMetaObject::invokeMethod(
        this, [this, names] { openDroppedFiles(names); }, Qt::QueuedConnection);
}

void MainWindow::stopOpeningHistogram() {
    if (openingHistogramStop) *openingHistogramStop = true;
}

void MainWindow::openFiles() {
    if (opening) return;
    FlagGuard openingScope(opening);
    openingStopRequested = false;
    QElapsedTimer clock;
    clock.start();

    const bool colourIfFirst = bandRows.empty() && expressionsAtStartUp();
    showProgressWindow(this);
    Opener opener(*this);
    const bool finished = opener.openAll();
    hideProgressWindow();
    if (colourIfFirst) showFirstSceneInColour();
    if (finished) {  // a stopped opening reads no metadata and asks for no redraw
        if (imageLoaded) readSceneMetadata();
        drawComposite();
        if (qEnvironmentVariableIsSet("ORVENNA_TIMING")) {
            std::fprintf(
                stderr,
                "orvenna: opened %lld file(s), %d band(s), histograms %s: %lld ms to the first redraw\n",
                static_cast<long long>(filesToOpen.size()), opener.bandsListed,
                histogramOnOpenCheckBox->isChecked() ? "on" : "off", static_cast<long long>(clock.elapsed()));
        }
    }
    if (closePending) QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void MainWindow::readSceneMetadata() {
    // The reader starts from what the window holds, so that values no file gives carry over.
    SceneMetadataState state = sceneMetadata;
    state.geo_valid = geoValid;
    state.corners = {ulLat, ulLon, urLat, urLon, llLat, llLon, lrLat, lrLon};
    state.landsat7_valid = landsatCalibrationValid;
    state.lmax = landsatLmax;
    state.lmin = landsatLmin;
    const std::string tooLarge = read_scene_metadata(filesToOpen.value(0).toStdString(), &state);
    if (!tooLarge.empty())
        setStatusPanelText(0, quoted(QByteArray::fromStdString(tooLarge)) +
                                  QStringLiteral(" は大きすぎるため読みません (16MB まで)"));
    sceneMetadata = state;
    geoValid = state.geo_valid;
    const LandsatCorners& c = state.corners;
    ulLat = c.ul_lat, ulLon = c.ul_lon, urLat = c.ur_lat, urLon = c.ur_lon;
    llLat = c.ll_lat, llLon = c.ll_lon, lrLat = c.lr_lat, lrLon = c.lr_lon;
    landsatCalibrationValid = state.landsat7_valid;
    landsatLmax = state.lmax;
    landsatLmin = state.lmin;
    setStatusPanelText(3, metadataStateText());
}
