// Closing every band and scene at once, and saving the view as drawn to a bitmap file.
#include <QFile>
#include <QFileInfo>

#include "app/Main.h"
#include "platform/BmpWriter.h"
#include "platform/ErrorDisplay.h"
#include "platform/ImageControl.h"
#include "platform/Prompts.h"
#include "scene/remos.h"

void TGelvantMainForm::CloseAll() {
    if (Opening) return;  // the running opening is still appending to the lists
    StopRedrawAndWait();  // a running redraw reads the files closed here
    // Rows first (a picture is shared by its three rows and goes with the last of them), then the scenes.
    for (auto& row : BandRowList)
        DestroyBandRow(row.get());
    BandRowList.clear();
    for (auto& scene : SceneList)
        remos_close(scene.get());
    SceneList.clear();

    // The whole view turns white; a view never drawn gets a white picture of its size.
    QImage& picture = SatImage->Picture;
    if (picture.isNull())
        picture =
            QImage(std::max(SatImage->width(), 1), std::max(SatImage->height(), 1), QImage::Format_BGR888);
    picture.fill(Qt::white);
    SatImage->update();

    // Everything else (status texts, scroll bars, magnification, ImgWidth, ImgHeight, the Landsat values and
    // the expressions) stays until the next opening overwrites it.
    ImageLoaded = false;
    GeoValid = false;
}

void TGelvantMainForm::SaveView() {
    QString name = Prompts::Current().PickSaveFile(QStringLiteral("名前を付けて保存"),
                                                   QStringLiteral("ビットマップ (*.bmp)"));
    if (name.isEmpty()) return;
    if (QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".bmp");
    if (SatImage->Picture.isNull()) return;  // nothing has been drawn yet
    QString error;
    if (!WriteBmp24(SatImage->Picture, QFile::encodeName(name), &error))
        ShowErrorText(QStringLiteral("\"") + name + QStringLiteral("\" に保存できません: ") + error);
}
