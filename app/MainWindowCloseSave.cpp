// Closing every band and scene at once, and saving the view as drawn to a bitmap file.
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>

#include "app/MainWindow.h"
#include "platform/BmpWriter.h"
#include "platform/ErrorDisplay.h"
#include "platform/FileSaver.h"
#include "platform/ImageControl.h"
#include "platform/Prompts.h"
#include "scene/remos.h"

void MainWindow::closeAll() {
    if (opening) return;  // the running opening is still appending to the lists
    stopRedrawAndWait();  // a running redraw reads the files closed here
    // Rows first (a picture is shared by its three rows and goes with the last of them), then the scenes.
    for (auto& row : bandRows)
        destroyBandRow(row.get());
    bandRows.clear();
    for (auto& scene : scenes)
        remos_close(scene.get());
    scenes.clear();

    // The whole view turns white; a view never drawn gets a white picture of its size.
    QImage& picture = view->picture;
    if (picture.isNull())
        picture = QImage(std::max(view->width(), 1), std::max(view->height(), 1), QImage::Format_BGR888);
    picture.fill(Qt::white);
    view->update();

    // The scene size and metadata state describe what is open: nothing now. Everything else (scroll bars,
    // magnification, imageWidth, imageHeight, the Landsat values and the expressions) stays until the next
    // opening overwrites it.
    imageLoaded = false;
    geoValid = false;
    clearSceneStatus();
}

void MainWindow::clearSceneStatus() {
    setStatusPanelText(1, QString());
    setStatusPanelText(3, QString());
}

void MainWindow::saveView() {
    QString name = Prompts::current().pickSaveFile(
        QStringLiteral("名前を付けて保存"),
        QStringLiteral("ビットマップ (*.bmp);;PNG (*.png);;JPEG (*.jpg);;TIFF (*.tif)"));
    if (name.isEmpty()) return;
    if (view->picture.isNull()) {
        Prompts::current().inform(QStringLiteral("まだ何も描画されていないため、保存する画像がありません"),
                                  QStringLiteral("情報"), PromptKind::Information);
        return;
    }
    // The extension names the format when the platform writes it; otherwise the file is a bitmap.
    const QString suffix = QFileInfo(name).suffix().toLower();
    const bool bitmap =
        suffix == QLatin1String("bmp") || !QImageWriter::supportedImageFormats().contains(suffix.toLatin1());
    if (bitmap && suffix != QLatin1String("bmp")) name += QStringLiteral(".bmp");
    QString error;
    QByteArray bytes;
    if (bitmap) {
        bytes = encodeBmp24(view->picture, &error);
    } else {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, suffix.toLatin1());
        if (!writer.write(view->picture)) {
            error = writer.errorString();
            bytes.clear();
        }
    }
    if (bytes.isEmpty() || !saveFileWhole(QFile::encodeName(name), bytes, &error))
        showErrorText(QStringLiteral("\"") + name + QStringLiteral("\" に保存できません: ") + error);
}
