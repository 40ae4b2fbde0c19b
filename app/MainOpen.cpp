// Opening scenes: the open dialog, files dropped on the window or named at start-up, the per-file work for
// pictures and scene files, and the metadata read beside the first file.
#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QScrollBar>
#include <QToolButton>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "app/Main.h"
#include "dialogs/Status.h"
#include "platform/ImageControl.h"
#include "platform/PictureLoader.h"
#include "platform/Prompts.h"
#include "scene/econf.h"
#include "scene/remos.h"

namespace {

const int64_t kHistogramQuestionBytes = 100000000;
const int kProgressPerFile = 1000;

const QString kLoadingText = QStringLiteral("画像を読み込んでいます...");
const QString kLargeFileQuestion = QStringLiteral(
    "ファイルサイズが100MBを超えているためヒストグラム作成に時間がかかる可能性があります。\n"
    "ヒストグラムを作成しますか？");
const QString kSizeMismatch = QStringLiteral("画像の大きさが違うバンド同士は同時に開けません");

enum class FileOutcome { Next, Stop };

void ShowProgressWindow() {
    if (!StatusForm) return;
    StatusForm->MessageLabel->setText(kLoadingText);
    StatusForm->ProgressBar->setRange(0, 1);
    StatusForm->ProgressBar->setValue(0);
    StatusForm->show();
    QCoreApplication::processEvents();
}

void HideProgressWindow() {
    if (StatusForm) StatusForm->hide();
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

PendingScene NewScene() {
    auto* scene = new SceneFile;
    *scene = SceneFile{};
    return PendingScene(scene);
}

QString FileNameOf(const QString& path) {
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return slash >= 0 ? path.mid(slash + 1) : path;
}

// Directory part of a path with its trailing separator; empty for a bare file name.
QString DirectoryOf(const QString& path) {
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return slash >= 0 ? path.left(slash + 1) : QString();
}

// Extension from the last dot of the file name, dot included, in upper case; empty when there is none.
QString UpperExtension(const QString& path) {
    const QString name = FileNameOf(path);
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 ? name.mid(dot).toUpper() : QString();
}

int64_t DefaultFileSize(const QString& path) {
    std::error_code ec;
    const auto size =
        std::filesystem::file_size(std::filesystem::path(QFile::encodeName(path).toStdString()), ec);
    return ec ? -1 : static_cast<int64_t>(size);
}

// First "*.met" file of a folder (any letter case) in name order without regard to case, the order in
// which dropped files are taken too; an empty text when there is none.
QString FirstLandsatFile(const QString& dir) {
    const QDir folder(dir.isEmpty() ? QStringLiteral(".") : dir);
    const QStringList matches = folder.entryList(
        {QStringLiteral("*.met")}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name | QDir::IgnoreCase);
    return matches.isEmpty() ? QString() : dir + matches.first();
}

class Opener {
public:
    explicit Opener(TGelvantMainForm& form) : form_(form) {}

    // Works through the file list; false when a file stopped the opening.
    bool OpenAll() {
        const QStringList& files = form_.OpenDialogFiles;
        for (int i = 0; i < files.size(); ++i) {
            fileIndex_ = i;
            SetProgress(0, 1);
            if (OpenOne(files[i]) == FileOutcome::Stop) return false;
        }
        SetProgress(1, 1);
        return true;
    }

    int bands_listed = 0;

private:
    FileOutcome OpenOne(const QString& name) {
        // F1: the size question, for this file only.
        const int64_t size = form_.FileSizeLookup ? form_.FileSizeLookup(name) : DefaultFileSize(name);
        wantHistogram_ = form_.HistCheckBox->isChecked();
        if (size > kHistogramQuestionBytes && wantHistogram_) {
            if (!Prompts::Current().AskYesNo(kLargeFileQuestion, QStringLiteral("情報"),
                                             PromptKind::Information))
                wantHistogram_ = false;
        }
        // A path the scene record cannot hold whole is refused by name rather than cut short.
        path_ = QFile::encodeName(name);
        if (path_.size() >= REMOS_PATH_SIZE) {
            Prompts::Current().Inform(QStringLiteral("\"") + FileNameOf(name) +
                                          QStringLiteral("\"\nはパスが長すぎるため開けません"),
                                      QStringLiteral("失敗"), PromptKind::Information);
            return FileOutcome::Next;
        }
        // F2, F3.
        PendingScene scene = NewScene();
        const QString ext = UpperExtension(name);
        if (ext == QLatin1String(".BMP") || ext == QLatin1String(".JPG"))
            return OpenPicture(std::move(scene), name, ext == QLatin1String(".JPG"));
        return OpenSceneFile(std::move(scene), name);
    }

    FileOutcome OpenPicture(PendingScene scene, const QString& name, bool jpeg) {
        // P1: the file is only held open; its three band records are ours to fill.
        remos_open(scene.get(), path_.constData(), FMT_OPEN_ONLY);
        BandInfo* bands = remos_alloc_bands(scene.get(), 3);
        // P2.
        QString error;
        auto picture = std::make_shared<QImage>(
            LoadPicture(name, jpeg ? PictureType::Jpeg : PictureType::Bitmap, &error));
        if (!bands && error.isEmpty()) error = QStringLiteral("メモリが足りません");
        if (picture->isNull() || !bands) {
            HideProgressWindow();
            Prompts::Current().Inform(QStringLiteral("\"") + FileNameOf(name) +
                                          QStringLiteral("\"\n画像を読み込めません: ") + error,
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
        // P3, P4.
        if (!AcceptSize(picture->width(), picture->height())) return FileOutcome::Stop;
        scene->width = picture->width();
        scene->height = static_cast<uint32_t>(picture->height());
        SceneFile* accepted = Accept(std::move(scene), picture->width(), picture->height());
        // P5.
        const QString fileName = FileNameOf(QString::fromLocal8Bit(accepted->path));
        for (int k = 0; k < 3; ++k) {
            BandInfo* band = &accepted->bands[k];
            band->lines = form_.ImgHeight;
            band->width = form_.ImgWidth;
            band->record_length = form_.ImgWidth;
            band->prefix_bytes = 0;
            band->suffix_bytes = 0;
            band->hist_peak = 255;
            band->hist_peak_inner = 1;
            band->range_low = 0;
            band->range_high = 255;
            if (!wantHistogram_) std::fill(std::begin(band->histogram), std::end(band->histogram), 0);
            BandRow* row = AppendRow(band, fileName);
            row->IsPicture = true;
            row->Picture = picture;
            row->HistValid = wantHistogram_;
            if (wantHistogram_) form_.PictureHistogram(row);
            FinishRow(row, k, 3);
        }
        return FileOutcome::Next;
    }

    FileOutcome OpenSceneFile(PendingScene scene, const QString& name) {
        const int r = remos_open(scene.get(), path_.constData(), FMT_DETECT);
        if (r == REMOS_CANNOT_OPEN) return FileOutcome::Next;  // nothing to say, nothing to close
        const bool sized = scene->width >= 1 && scene->height >= 1 && scene->height <= uint32_t(INT32_MAX);
        if (r != REMOS_OK || !sized) {
            Prompts::Current().Inform(
                QStringLiteral("\"") + FileNameOf(name) + QStringLiteral("\"\nは不明な衛星データ形式です"),
                QStringLiteral("識別失敗"), PromptKind::Information);
            return FileOutcome::Next;
        }
        if (!AcceptSize(scene->width, static_cast<int64_t>(scene->height))) return FileOutcome::Stop;
        const int width = scene->width;
        const int height = static_cast<int>(scene->height);
        SceneFile* accepted = Accept(std::move(scene), width, height);
        const QString fileName = FileNameOf(QString::fromLocal8Bit(accepted->path));
        const int count = static_cast<int>(accepted->band_count);
        for (int k = 0; k < count; ++k) {
            BandInfo* band = &accepted->bands[k];
            if (wantHistogram_) {
                remos_make_histogram(band);
                // Only 8-bit bands have a histogram; others show an empty one, as when it was skipped.
                if (band->bits != 8) ClearHistogram(band, 1);
            } else {
                ClearHistogram(band, 255);
                band->range_low = 0;
                band->range_high = 255;
            }
            BandRow* row = AppendRow(band, fileName);
            row->HistValid = wantHistogram_;
            row->IsPicture = false;
            FinishRow(row, k, count);
        }
        return FileOutcome::Next;
    }

    static void ClearHistogram(BandInfo* band, int peaks) {
        std::fill(std::begin(band->histogram), std::end(band->histogram), 0);
        band->hist_peak = peaks;
        band->hist_peak_inner = peaks;
    }

    // P3 / S4: every band listed together has the pixel size of the first accepted file.
    bool AcceptSize(int64_t width, int64_t height) {
        if (form_.ImageLoaded && (width != form_.ImgWidth || height != form_.ImgHeight)) {
            Prompts::Current().Inform(kSizeMismatch, QStringLiteral("失敗"), PromptKind::Information);
            HideProgressWindow();
            return false;
        }
        return true;
    }

    // P4 / S5.
    SceneFile* Accept(PendingScene scene, int width, int height) {
        SceneFile* raw = scene.release();
        form_.ImageLoaded = true;
        form_.SceneList.emplace_back(raw);
        form_.ImgWidth = width;
        form_.ImgHeight = height;
        form_.ScrImgHor->setMaximum(width - 1);
        form_.ScrImgVert->setMaximum(height - 1);
        form_.SetStatusPanelText(1, QStringLiteral("縦 : %1 横 : %2").arg(height).arg(width));
        return raw;
    }

    BandRow* AppendRow(BandInfo* band, const QString& fileName) {
        BandRow* row = form_.AddBandRow(band, fileName, static_cast<int>(form_.BandRowList.size()));
        form_.BandRowList.emplace_back(row);
        ++bands_listed;
        return row;
    }

    void FinishRow(BandRow* row, int k, int count) {
        form_.RefreshBandRow(row);
        SetProgress(k + 1, count);
        QCoreApplication::processEvents();
    }

    void SetProgress(int done, int count) {
        if (!StatusForm || count <= 0) return;
        const int files = std::max<int>(1, static_cast<int>(form_.OpenDialogFiles.size()));
        StatusForm->ProgressBar->setRange(0, files * kProgressPerFile);
        StatusForm->ProgressBar->setValue(fileIndex_ * kProgressPerFile +
                                          static_cast<int>(int64_t(done) * kProgressPerFile / count));
    }

    TGelvantMainForm& form_;
    QByteArray path_;
    bool wantHistogram_ = true;
    int fileIndex_ = 0;
};

}  // namespace

void TGelvantMainForm::ConnectOpenHandlers() {
    connect(TBOpen, &QToolButton::clicked, this, [this] { TBOpenClick(); });
    connect(MI_OPEN, &QAction::triggered, this, [this] { TBOpenClick(); });
    connect(TBSave, &QToolButton::clicked, this, [this] { SaveView(); });
    connect(MI_SAVE, &QAction::triggered, this, [this] { SaveView(); });
    connect(TBClose, &QToolButton::clicked, this, [this] { CloseAll(); });
    connect(MI_CLOSE, &QAction::triggered, this, [this] { CloseAll(); });
    SatImage->OnMouseMove = [this](QMouseEvent* e) { SatImageMouseMove(e); };
    SatImage->OnMouseDown = [this](QMouseEvent* e) { SatImageMouseDown(e); };
}

void TGelvantMainForm::TBOpenClick() {
    if (Opening) return;  // the running opening owns the file list
    // "*" rather than "*.*": scene files often have no extension.
    const QStringList files = Prompts::Current().PickOpenFiles(
        QStringLiteral("開く"), QStringLiteral("すべて (*);;BILファイル (*.bil);;BSQファイル (*.bsq)"));
    if (files.isEmpty()) return;
    OpenDialogFiles = files;
    OpenFiles();
}

void TGelvantMainForm::OpenDroppedFiles(const QStringList& names) {
    if (Opening) return;
    QStringList sorted = names;
    std::stable_sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    OpenDialogFiles = sorted;
    OpenFiles();
}

void TGelvantMainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (!Opening && event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TGelvantMainForm::dropEvent(QDropEvent* event) {
    if (Opening) {
        event->ignore();
        return;
    }
    QStringList names;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) names << url.toLocalFile();
    }
    if (names.isEmpty()) return;
    event->acceptProposedAction();
    // Opened once the drop itself has finished, so the dragging application is not kept waiting.
    QMetaObject::invokeMethod(
        this, [this, names] { OpenDroppedFiles(names); }, Qt::QueuedConnection);
}

void TGelvantMainForm::OpenFiles() {
    if (Opening) return;
    FlagGuard opening(Opening);
    QElapsedTimer clock;
    clock.start();

    ShowProgressWindow();
    Opener opener(*this);
    if (!opener.OpenAll()) return;  // stopped: no metadata, no redraw
    HideProgressWindow();
    if (ImageLoaded) ReadSceneMetadata();
    DrawComposite();

    if (qEnvironmentVariableIsSet("ORVENNA_TIMING")) {
        std::fprintf(stderr,
                     "orvenna: opened %lld file(s), %d band(s), histograms %s: %lld ms to the first redraw\n",
                     static_cast<long long>(OpenDialogFiles.size()), opener.bands_listed,
                     HistCheckBox->isChecked() ? "on" : "off", static_cast<long long>(clock.elapsed()));
    }
}

void TGelvantMainForm::ReadSceneMetadata() {
    const QString dir = DirectoryOf(OpenDialogFiles.value(0));
    const QByteArray summary = QFile::encodeName(dir + QStringLiteral("summary.txt"));
    const QString landsat = FirstLandsatFile(dir);
    auto number = [](ConfFile* conf, const char* key) { return econf_number(econf_find(conf, key)); };
    // The eight corner values, latitude before longitude, in the order UL, UR, LL, LR.
    double* const corners[8] = {&UlLat, &UlLon, &UrLat, &UrLon, &LlLat, &LlLon, &LrLat, &LrLon};
    auto readCorners = [&](ConfFile* conf, const char* const(&keys)[8]) {
        for (int i = 0; i < 8; ++i)
            *corners[i] = number(conf, keys[i]);
    };

    ConfFile conf{};
    if (econf_open(&conf, summary.constData())) {
        // ALOS scene summary: corner coordinates only; a Landsat file beside it is not consulted.
        if (econf_read(&conf) && econf_find(&conf, "Img_ImageSceneLeftTopLatitude")) {
            GeoValid = true;
            LsThermValid = false;
            static const char* const kAlosCorners[8] = {
                "Img_ImageSceneLeftTopLatitude",     "Img_ImageSceneLeftTopLongitude",
                "Img_ImageSceneRightTopLatitude",    "Img_ImageSceneRightTopLongitude",
                "Img_ImageSceneLeftBottomLatitude",  "Img_ImageSceneLeftBottomLongitude",
                "Img_ImageSceneRightBottomLatitude", "Img_ImageSceneRightBottomLongitude"};
            readCorners(&conf, kAlosCorners);
        }
        econf_close(&conf);
    } else if (!landsat.isEmpty() && econf_open(&conf, QFile::encodeName(landsat).constData())) {
        if (econf_read(&conf)) {
            if (econf_find(&conf, "LMAX_BAND61")) {
                LsThermValid = true;
                LsLmax = number(&conf, "LMAX_BAND61");
                LsLmin = number(&conf, "LMIN_BAND61");
            } else {
                LsThermValid = false;
            }
            if (econf_find(&conf, "PRODUCT_UL_CORNER_LAT")) {
                GeoValid = true;
                static const char* const kLandsatCorners[8] = {
                    "PRODUCT_UL_CORNER_LAT", "PRODUCT_UL_CORNER_LON", "PRODUCT_UR_CORNER_LAT",
                    "PRODUCT_UR_CORNER_LON", "PRODUCT_LL_CORNER_LAT", "PRODUCT_LL_CORNER_LON",
                    "PRODUCT_LR_CORNER_LAT", "PRODUCT_LR_CORNER_LON"};
                readCorners(&conf, kLandsatCorners);
            } else {
                GeoValid = false;
            }
        }
        econf_close(&conf);
    }

    QString state = QStringLiteral("設定ファイル無効");
    if (GeoValid)
        state = LsThermValid ? QStringLiteral("座標設定有効 LANDSAT温度設定有効")
                             : QStringLiteral("座標設定有効");
    else if (LsThermValid)
        state = QStringLiteral("LANDSAT温度設定有効");
    SetStatusPanelText(3, state);
}
