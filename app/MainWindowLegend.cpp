// The preset's colour bar over the view ("凡例" in the View menu): drawn at the bottom-right corner of the
// picture shown at every paint, so redraws and the previews of gestures keep it, and saved with the picture.
#include <QAction>
#include <QPainter>

#include "app/MainWindow.h"
#include "document/Document.h"
#include "platform/ImageControl.h"
#include "platform/LegendPainter.h"

void MainWindow::connectLegendHandlers() {
    connect(showLegendAction_, &QAction::toggled, view_, [this] { view_->update(); });
    connect(document_.get(), &orvenna::Document::legendChanged, this, [this] {
        legendPictureSize_ = QSize();
        view_->update();
    });
    view_->paintOver = [this](QPainter& painter) {
        const orvenna::LegendPicture& legend = shownLegend();
        if (legend.empty()) return;
        const orvenna::LegendRect& box = legend.box;
        const QImage drawn(legend.bgr.data(), box.width, box.height, box.width * 3, QImage::Format_BGR888);
        painter.drawImage(box.x, box.y, drawn);
    };
}

const orvenna::LegendPicture& MainWindow::shownLegend() {
    static const orvenna::LegendPicture none;
    if (!showLegendAction_->isChecked() || view_->picture.isNull()) return none;
    if (legendPictureSize_ != view_->picture.size()) {
        legendPictureSize_ = view_->picture.size();
        legendPicture_ =
            paintLegend(document_->legend(), legendPictureSize_.width(), legendPictureSize_.height());
    }
    return legendPicture_;
}

QImage MainWindow::pictureToSave() {
    const orvenna::LegendPicture& legend = shownLegend();
    if (legend.empty()) return view_->picture;
    QImage picture = view_->picture.convertToFormat(QImage::Format_BGR888);
    const orvenna::CompositeTarget target{picture.bits(), picture.width(), picture.height(),
                                          static_cast<std::ptrdiff_t>(picture.bytesPerLine())};
    orvenna::PutLegendPicture(legend, target);
    return picture;
}
