// Opening scenes: the open dialog, files dropped on the window or named at start-up, the opening job's
// questions answered with message boxes, its progress window, and the status panels of what is open.
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QUrl>

#include <cstdio>

#include "app/KeptPlaces.h"
#include "app/MainWindow.h"
#include "dialogs/ProgressWindow.h"
#include "dialogs/SubdatasetDialog.h"
#include "document/Document.h"
#include "platform/Prompts.h"
#include "platform/SystemErrors.h"
#include "scene/scene_url.h"

namespace {

constexpr int kProgressSteps = 100000;

QString quoted(const std::string& path) {
    return QStringLiteral("\"") + displayFileName(QByteArray::fromStdString(path)) + QStringLiteral("\"");
}

QByteArray localPathOfUrl(const QUrl& url) {
    if (!url.isLocalFile()) return QByteArray();
    // The encoded form keeps the name's bytes (a name that is not UTF-8 stays as %FF ...); decoding the URL
    // into text would replace them and the file would not be found.
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
}

}  // namespace

void MainWindow::onOpenClicked() {
    if (jobs_->state() == orvenna::ViewerJobs::State::Opening) return;  // the running opening comes first
    // "*" rather than "*.*": scene files often have no extension.
    KeptPlaces kept;
    const QStringList files = Prompts::current().pickOpenFiles(
        tr("開く"), tr("すべて (*);;BILファイル (*.bil);;BSQファイル (*.bsq)"), kept.openFolder());
    if (files.isEmpty()) return;
    kept.setOpenFolder(QFileInfo(files.first()).absolutePath());
    QList<QByteArray> paths;
    for (const QString& file : files)
        paths << QFile::encodeName(file);
    openFiles(paths);
}

void MainWindow::onOpenUrlClicked() {
    if (jobs_->state() == orvenna::ViewerJobs::State::Opening) return;
    const QString url = Prompts::current().askText(
        tr("サーバー上の画像ファイルの URL (http://, https://, s3://, gs://, az://):"), tr("URL を開く"));
    if (url.isEmpty()) return;
    if (!is_scene_url(url.toStdString())) {
        Prompts::current().inform(tr("\"%1\"\nは開ける URL ではありません: http://, https://, s3://, gs://, "
                                     "az:// で始まる URL を入力してください")
                                      .arg(url),
                                  tr("失敗"), PromptKind::Information);
        return;
    }
    // Opened like a file (the scene module reads it through GDAL, off the GUI thread in the opening job).
    openFiles({url.toUtf8()});
}

bool MainWindow::openFiles(const QList<QByteArray>& paths) {
    std::vector<std::string> files;
    for (const QByteArray& p : paths)
        files.push_back(p.toStdString());
    const auto histograms = histogramOnOpenCheckBox_->isChecked() ? orvenna::OpeningOptions::Histograms::All
                                                                  : orvenna::OpeningOptions::Histograms::None;
    if (!jobs_->open(files, histograms, this, autoRangeOnOpenCheckBox_->isChecked())) return false;
    openingAsked_.clear();
    for (const QByteArray& p : paths)
        openingAsked_ << QFile::decodeName(p);
    openingClock_.start();
    timingOpening_ = qEnvironmentVariableIsSet("ORVENNA_TIMING");
    return true;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (jobs_->state() != orvenna::ViewerJobs::State::Opening && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    if (jobs_->state() == orvenna::ViewerJobs::State::Opening) {
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
        this, [this, names] { openFiles(names); }, Qt::QueuedConnection);
}

void MainWindow::onOpeningStateChanged(bool opening) {
    if (opening) {
        progressWindow_->messageLabel->setText(tr("画像を読み込んでいます..."));
        progressWindow_->progressBar->setRange(0, kProgressSteps);
        progressWindow_->progressBar->setValue(0);
        progressWindow_->stopButton->setEnabled(false);
        progressWindow_->show();
    } else {
        progressWindow_->hide();
    }
}

void MainWindow::onOpeningProgressed(double done) {
    progressWindow_->progressBar->setValue(static_cast<int>(done * kProgressSteps));
}

// The progress window stands aside while a question or refusal is up, so its frame does not show behind
// the box, and comes back afterwards if the opening goes on.
class MainWindow::ProgressWindowAside {
public:
    ProgressWindowAside(MainWindow* window, bool openingGoesOn) : window_(window), goesOn_(openingGoesOn) {
        window_->progressWindow_->hide();
    }
    ~ProgressWindowAside() {
        if (goesOn_ && window_->jobs_->state() == orvenna::ViewerJobs::State::Opening)
            window_->progressWindow_->show();
    }
    ProgressWindowAside(const ProgressWindowAside&) = delete;
    ProgressWindowAside& operator=(const ProgressWindowAside&) = delete;

private:
    MainWindow* window_;
    bool goesOn_;
};

bool MainWindow::countHistogramsOfLargeFile(const std::string&) {
    ProgressWindowAside aside(this, true);
    return Prompts::current().askYesNo(
        tr("ファイルサイズが100MBを超えているためヒストグラム作成に時間がかかる可能性があります。\n"
           "ヒストグラムを作成しますか？"),
        tr("情報"), PromptKind::Information);
}

// Asked from the opening's thread, which waits for the choice; cancelling passes the file over silently.
std::vector<int> MainWindow::chooseSubdatasets(const std::string& path,
                                               const std::vector<orvenna::SubdatasetInfo>& list) {
    ProgressWindowAside aside(this, true);
    SubdatasetDialog dialog(displayFileName(QByteArray::fromStdString(orvenna::FileNameOf(path))), list,
                            this);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.chosen();
}

bool MainWindow::refused(const orvenna::OpeningRefusal& refusal) {
    // Told in one message once the opening has ended: the other files open meanwhile.
    openingRefusals_.push_back(refusal);
    return true;
}

// The files the opening refused, each by name on a line of its own with what is wrong with it, in one box
// shown after the opened bands have started drawing.
void MainWindow::showOpeningRefusals() {
    if (openingRefusals_.empty()) return;
    const std::vector<orvenna::OpeningRefusal> refusals = std::move(openingRefusals_);
    openingRefusals_.clear();
    QStringList texts;
    bool allUnrecognised = true;
    for (const orvenna::OpeningRefusal& r : refusals) {
        texts << quoted(r.path) + "\n" + QString::fromStdString(r.words());
        allUnrecognised = allUnrecognised && r.kind == orvenna::OpeningRefusal::Kind::Unrecognised;
    }
    QMetaObject::invokeMethod(
        this,
        [texts, allUnrecognised] {
            Prompts::current().inform(texts.join(QStringLiteral("\n\n")),
                                      allUnrecognised ? tr("識別失敗") : tr("失敗"), PromptKind::Information);
        },
        Qt::QueuedConnection);
}

void MainWindow::onOpeningFinished(const orvenna::OpeningSummary& summary) {
    openedFiles_ = static_cast<int>(summary.files.size());
    openedBands_ = summary.bandsListed;
    // An opening that listed bands is kept for the File menu, as the set of files it was asked for.
    if (summary.bandsListed > 0) KeptPlaces().addOpening(openingAsked_);
    // What was passed over in the metadata, as a hint in the message panel.
    QStringList hints;
    if (!summary.metadataTooLarge.empty())
        hints << tr("%1 は大きすぎるため読みません (16MB まで)").arg(quoted(summary.metadataTooLarge));
    if (!summary.metadataIgnored.empty()) hints << QString::fromStdString(summary.metadataIgnored);
    if (!hints.isEmpty()) setStatusPanelText(0, hints.join(QStringLiteral("  ")));
    // A stopped opening asks for no redraw, and its time is not told.
    if (!summary.finished) timingOpening_ = false;
    // A new scene is first shown whole, centred, as "全体表示" shows it (the other viewers follow).
    if (summary.firstBands) onFitClicked();
    showOpeningRefusals();
}

void MainWindow::showSceneStatus() {
    const orvenna::Document& d = *document_;
    if (!d.geographyKnown()) setStatusPanelText(4, QString());  // no place on the ground to show
    if (!d.hasBands()) {
        // The scene size and metadata state describe what is open: nothing now.
        setStatusPanelText(1, QString());
        setStatusPanelText(3, QString());
        return;
    }
    horizontalScrollBar_->setMaximum(d.width() - 1);
    verticalScrollBar_->setMaximum(d.height() - 1);
    setStatusPanelText(1, tr("縦 : %1 横 : %2").arg(d.height()).arg(d.width()));
    const bool landsat = d.landsat7CalibrationValid();
    if (d.geographyKnown())
        setStatusPanelText(3, landsat ? tr("座標設定有効 LANDSAT温度設定有効") : tr("座標設定有効"));
    else
        setStatusPanelText(3, landsat ? tr("LANDSAT温度設定有効") : tr("設定ファイル無効"));
}

// The time from the start of an opening to its first complete redraw, on standard error (ORVENNA_TIMING).
void MainWindow::reportOpeningTime() {
    if (!timingOpening_) return;
    timingOpening_ = false;
    std::fprintf(stderr,
                 "orvenna: opened %d file(s), %d band(s), histograms %s: %lld ms to the first redraw\n",
                 openedFiles_, openedBands_, histogramOnOpenCheckBox_->isChecked() ? "on" : "off",
                 static_cast<long long>(openingClock_.elapsed()));
}

void MainWindow::fillRecentMenu() {
    recentMenu_->clear();
    const QList<QStringList> openings = KeptPlaces().openings();
    for (int i = 0; i < openings.size(); ++i) {
        const QStringList files = openings[i];
        // The first file's name, and how many more came with it.
        QString text = QStringLiteral("&%1 %2").arg((i + 1) % 10).arg(QFileInfo(files.first()).fileName());
        if (files.size() > 1) text += tr(" (他 %1)").arg(files.size() - 1);
        QAction* action = recentMenu_->addAction(text);
        action->setToolTip(files.join(QLatin1Char('\n')));
        connect(action, &QAction::triggered, this, [this, files] {
            if (jobs_->state() == orvenna::ViewerJobs::State::Opening) return;
            QList<QByteArray> paths;
            for (const QString& file : files)
                paths << QFile::encodeName(file);
            openFiles(paths);
        });
    }
    if (openings.isEmpty()) recentMenu_->addAction(tr("(なし)"))->setEnabled(false);
    recentMenu_->addSeparator();
    recentMenu_->addAction(forgetRecentAction_);
}

void MainWindow::restoreKeptGeometry() {
    keepsGeometry_ = true;
    const QByteArray geometry = KeptPlaces().windowGeometry();
    if (!geometry.isEmpty()) restoreGeometry(geometry);
}
