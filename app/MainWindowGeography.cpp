// The scene's geography: a listed scene's own georeferencing (exact, through PROJ) comes before the corner
// coordinates of summary.txt / *.met / *_MTL.txt, which hold the corners of the whole scene rather than of
// the clip that is open.
#include "app/MainWindow.h"
#include "scene/remos.h"

const SceneFile* MainWindow::georeferencedScene() const {
    for (const auto& scene : scenes)
        if (remos_is_georeferenced(scene.get())) return scene.get();
    return nullptr;
}

bool MainWindow::geographyKnown() const {
    return geoValid || georeferencedScene() != nullptr;
}

bool MainWindow::exactPixelToGeo(int x, int y, double* lat, double* lon) const {
    const SceneFile* scene = georeferencedScene();
    return scene && remos_pixel_to_geo(scene, x, y, lat, lon) == 1;
}

QString MainWindow::metadataStateText() const {
    if (geographyKnown())
        return landsatCalibrationValid ? QStringLiteral("座標設定有効 LANDSAT温度設定有効")
                                       : QStringLiteral("座標設定有効");
    if (landsatCalibrationValid) return QStringLiteral("LANDSAT温度設定有効");
    return QStringLiteral("設定ファイル無効");
}
