// Saving the part of the view the scene covers with its georeferencing, and "シーン全体を書き出す...": the
// scene, or the part the view shows, drawn at a chosen step by the render command's code and written in the
// background with the progress window, as orvenna-render writes it.
#include <QAction>
#include <QScrollBar>

#include <algorithm>
#include <thread>

#include "app/MainWindow.h"
#include "app/PictureExport.h"
#include "dialogs/ExportDialog.h"
#include "document/Document.h"
#include "platform/ErrorDisplay.h"
#include "platform/ImageControl.h"
#include "platform/LegendPainter.h"
#include "platform/Prompts.h"
#include "render/SceneRender.h"

PictureExport& MainWindow::pictureExport() {
    if (!pictureExport_) pictureExport_ = new PictureExport(this);
    return *pictureExport_;
}

void MainWindow::saveScenePart(const QString& name) {
    const orvenna::ViewGeometry& g = drawnGeometry_;
    const int F = g.factor;
    const QRect covered = QRect(g.offset_x, g.offset_y, g.magnifying() ? g.columns * F : g.columns,
                                g.magnifying() ? g.lines * F : g.lines)
                              .intersected(view_->picture.rect());
    if (!document_->hasBands() || covered.isEmpty()) {
        Prompts::current().inform(tr("表示範囲にシーンがないため、保存する画像がありません"), tr("情報"),
                                  PromptKind::Information);
        return;
    }
    QImage picture = view_->picture.copy(covered).convertToFormat(QImage::Format_BGR888);
    if (showLegendAction_->isChecked()) {
        const orvenna::CompositeTarget target{picture.bits(), picture.width(), picture.height(),
                                              static_cast<std::ptrdiff_t>(picture.bytesPerLine())};
        orvenna::PutLegendPicture(paintLegend(document_->legend(), picture.width(), picture.height()),
                                  target);
    }
    pictureExport().writePicture(name, picture, orvenna::SceneGeoreference(*document_, g));
}

void MainWindow::exportScene() {
    if (!document_->hasBands()) {
        Prompts::current().inform(tr("書き出すシーンがありません。先にファイルを開いてください"), tr("情報"),
                                  PromptKind::Information);
        return;
    }
    if (pictureExport().running()) {
        Prompts::current().inform(tr("前の保存がまだ終わっていません"), tr("情報"), PromptKind::Information);
        return;
    }
    ExportDialog dialog(zoomStep_, this);
    if (dialog.exec() != QDialog::Accepted) return;
    const std::string problem = orvenna::ExpressionsProblem(*document_);
    if (!problem.empty()) return showErrorText(QString::fromStdString(problem));
    // The window in scene pixels: the whole scene, or what the view shows now.
    int x = 0, y = 0, w = document_->width(), h = document_->height();
    if (!dialog.wholeScene()) {
        const orvenna::ViewGeometry g = orvenna::compute_view_geometry(
            view_->width(), view_->height(), horizontalScrollBar_->value(), verticalScrollBar_->value(),
            zoomStep_, document_->width(), document_->height());
        x = g.first_column, y = g.first_line;
        w = g.magnifying() ? g.columns : g.columns * g.factor;
        h = g.magnifying() ? g.lines : g.lines * g.factor;
    }
    orvenna::ViewGeometry geometry;
    if (!orvenna::RenderGeometry(x, y, w, h, dialog.step(), document_->width(), document_->height(),
                                 &geometry)) {
        showErrorText(tr("この範囲と倍率では画像が空になるか、1 辺 %1 ピクセルを超えるため書き出せません")
                          .arg(orvenna::kMaxPictureSide));
        return;
    }
    const int threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    std::unique_ptr<orvenna::SceneRender> render = orvenna::PrepareSceneRender(*document_, geometry, threads);
    if (showLegendAction_->isChecked() && document_->legend().drawable())
        render->takeLegend(paintLegend(document_->legend(), geometry.view_width, geometry.view_height));
    pictureExport().writeRender(dialog.fileName(), std::move(render));
}
