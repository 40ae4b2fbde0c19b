// Writing pictures off the window's thread: the view as saved (a picture already drawn) and the export of a
// scene drawn by the render command's code, with the progress window and its "中止" while it draws. One
// write runs at a time; when it fails the error display names the file and the reason, and nothing of it is
// left behind.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

#include "render/PictureWriters.h"

class ProgressWindow;
class QTimer;

namespace orvenna {
class BackgroundJob;
struct SceneRender;
}  // namespace orvenna

class PictureExport : public QObject {
    Q_OBJECT
public:
    explicit PictureExport(QWidget* window);
    ~PictureExport() override;

    // A write runs: another is refused until `finished`.
    bool running() const;
    // The picture (any format; written as 24-bit blue, green, red lines) in the format `path`'s extension
    // names (.tif, .png, .jpg), with its georeferencing.
    bool writePicture(const QString& path, const QImage& picture, const orvenna::OutputGeoreference& geo);
    // Bytes already encoded, written whole.
    bool writeBytes(const QString& path, const QByteArray& bytes);
    // Draws `render` and writes it to `path`, showing its progress; "中止" stops it.
    bool writeRender(const QString& path, std::unique_ptr<orvenna::SceneRender> render);
    // Stops a render under way (its file does not appear).
    void stop();

    ProgressWindow* progressWindow() const { return progressWindow_; }

signals:
    // The write has ended: the file is in place, or not (failed, told through the error display, or
    // stopped).
    void finished(bool written);

private:
    struct Run;
    bool start(const QString& path, std::function<bool(Run&)> write, bool showProgress);
    void onFinished();

    QWidget* window_;
    orvenna::BackgroundJob* job_;
    ProgressWindow* progressWindow_;
    QTimer* progressTicker_;
    std::shared_ptr<Run> run_;
};
