#include "app/PictureExport.h"

#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <atomic>
#include <cstring>
#include <string>

#include "dialogs/ProgressWindow.h"
#include "document/BackgroundJob.h"
#include "platform/ErrorDisplay.h"
#include "platform/FileSaver.h"
#include "render/SceneRender.h"

namespace {

constexpr int kProgressSteps = 1000;

// Hands the lines of a picture drawn already to a writer.
bool writeLines(const QImage& picture, orvenna::PictureWriter& writer, std::string* error) {
    if (!writer.begin(picture.width(), picture.height(), error)) return false;
    for (int y = 0; y < picture.height(); ++y)
        if (!writer.write_lines(picture.constScanLine(y), picture.bytesPerLine(), 1, error)) return false;
    return writer.finish(error);
}

}  // namespace

// One write's state, shared with its thread (which may outlive the window when it is abandoned).
struct PictureExport::Run {
    QString path;
    std::atomic<bool> stop{false};
    std::atomic<double> done{0.0};
    bool written = false;  // read once the job has finished
    std::string error;
};

PictureExport::PictureExport(QWidget* window)
    : QObject(window),
      window_(window),
      job_(new orvenna::BackgroundJob(this)),
      progressWindow_(new ProgressWindow(window)),
      progressTicker_(new QTimer(this)) {
    progressWindow_->setObjectName(QStringLiteral("exportProgressWindow"));
    connect(job_, &orvenna::BackgroundJob::finished, this, &PictureExport::onFinished);
    connect(progressWindow_, &ProgressWindow::stopRequested, this, &PictureExport::stop);
    progressTicker_->setInterval(100);
    connect(progressTicker_, &QTimer::timeout, this, [this] {
        if (run_)
            progressWindow_->progressBar->setValue(static_cast<int>(run_->done.load() * kProgressSteps));
    });
}

PictureExport::~PictureExport() = default;

bool PictureExport::running() const {
    return job_->running();
}

void PictureExport::stop() {
    job_->stop();
}

bool PictureExport::writePicture(const QString& path, const QImage& picture,
                                 const orvenna::OutputGeoreference& geo) {
    const QImage lines = picture.convertToFormat(QImage::Format_BGR888);
    return start(
        path,
        [lines, geo](Run& run) {
            std::unique_ptr<orvenna::PictureWriter> writer =
                orvenna::make_picture_writer(QFile::encodeName(run.path).toStdString(), geo);
            return writer && writeLines(lines, *writer, &run.error);
        },
        false);
}

bool PictureExport::writeBytes(const QString& path, const QByteArray& bytes) {
    return start(
        path,
        [bytes](Run& run) {
            QString error;
            if (saveFileWhole(QFile::encodeName(run.path), bytes, &error)) return true;
            run.error = error.toStdString();
            return false;
        },
        false);
}

bool PictureExport::writeRender(const QString& path, std::unique_ptr<orvenna::SceneRender> render) {
    std::shared_ptr<orvenna::SceneRender> shared(std::move(render));
    return start(
        path,
        [shared](Run& run) {
            shared->request.stop = &run.stop;
            shared->request.progress = [&run](double done) { run.done = done; };
            return shared->write(QFile::encodeName(run.path).toStdString(), &run.error);
        },
        true);
}

bool PictureExport::start(const QString& path, std::function<bool(Run&)> write, bool showProgress) {
    if (job_->running()) return false;
    auto run = std::make_shared<Run>();
    run->path = path;
    const bool started =
        job_->start([run, write] { run->written = write(*run); }, [run] { run->stop = true; });
    if (!started) return false;
    run_ = run;
    if (showProgress) {
        progressWindow_->messageLabel->setText(tr("書き出し中: %1").arg(path.section(QLatin1Char('/'), -1)));
        progressWindow_->progressBar->setRange(0, kProgressSteps);
        progressWindow_->progressBar->setValue(0);
        progressWindow_->stopButton->setEnabled(true);
        progressWindow_->show();
        progressTicker_->start();
    }
    return true;
}

void PictureExport::onFinished() {
    progressTicker_->stop();
    progressWindow_->hide();
    const std::shared_ptr<Run> run = std::move(run_);
    if (!run) return;
    if (!run->written && !run->stop)
        showErrorText(tr("\"%1\" に保存できません: %2").arg(run->path, QString::fromStdString(run->error)));
    emit finished(run->written);
}
