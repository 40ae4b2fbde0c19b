// Closing every band and scene at once, and saving the view as drawn to a picture file (GeoTIFF, PNG and
// JPEG: the part the scene covers, with its georeferencing).
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>

#include "app/MainWindow.h"
#include "app/PictureExport.h"
#include "document/Document.h"
#include "platform/BmpWriter.h"
#include "platform/ErrorDisplay.h"
#include "platform/ImageControl.h"
#include "platform/Prompts.h"

void MainWindow::closeAll() {
    // The running opening is still appending to the list.
    if (jobs_->state() == orvenna::ViewerJobs::State::Opening) return;
    document_->closeAll();
    // A redraw under way reads its own copies of the bands: it gives way to the newest state, which has
    // nothing to draw, and its picture is never shown.
    jobs_->redraw();
    // The whole view turns white. The scroll bars, the magnification, the Landsat values and the expressions
    // stay until the next opening overwrites them.
    canvas().fill(Qt::white);
    view_->update();
}

void MainWindow::saveView() {
    QString name = Prompts::current().pickSaveFile(
        tr("名前を付けて保存"), tr("ビットマップ (*.bmp);;PNG (*.png);;JPEG (*.jpg);;TIFF (*.tif)"));
    if (name.isEmpty()) return;
    if (view_->picture.isNull()) {
        Prompts::current().inform(tr("まだ何も描画されていないため、保存する画像がありません"), tr("情報"),
                                  PromptKind::Information);
        return;
    }
    if (pictureExport().running()) {
        Prompts::current().inform(tr("前の保存がまだ終わっていません"), tr("情報"), PromptKind::Information);
        return;
    }
    // GeoTIFF, PNG and JPEG hold the part of the view the scene covers, with its georeferencing.
    const orvenna::PictureFormat format = orvenna::picture_format_of(QFile::encodeName(name).toStdString());
    if (format != orvenna::PictureFormat::Unknown && format != orvenna::PictureFormat::Bmp)
        return saveScenePart(name);
    // The extension names the format when the platform writes it; otherwise the file is a bitmap.
    const QString suffix = QFileInfo(name).suffix().toLower();
    const bool bitmap =
        suffix == QLatin1String("bmp") || !QImageWriter::supportedImageFormats().contains(suffix.toLatin1());
    if (bitmap && suffix != QLatin1String("bmp")) name += QStringLiteral(".bmp");
    QString error;
    QByteArray bytes;
    const QImage picture = pictureToSave();
    if (bitmap) {
        bytes = encodeBmp24(picture, &error);
    } else {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, suffix.toLatin1());
        if (!writer.write(picture)) {
            error = writer.errorString();
            bytes.clear();
        }
    }
    if (bytes.isEmpty())
        showErrorText(tr("\"%1\" に保存できません: %2").arg(name, error));
    else
        pictureExport().writeBytes(name, bytes);  // off the window's thread
}
