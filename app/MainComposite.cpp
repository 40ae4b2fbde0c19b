// The composite redraw of the view and the channel expression boxes.
#include <QCoreApplication>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QToolButton>

#include <algorithm>
#include <vector>

#include "app/Main.h"
#include "calc/ecalc.h"
#include "display/Composite.h"
#include "display/ViewGeometry.h"
#include "platform/Fonts.h"
#include "platform/ImageControl.h"
#include "scene/remos.h"

namespace {

// Sets a flag for the lifetime of the object, whatever way the scope is left.
class FlagScope {
public:
    FlagScope(bool& flag, bool value) : flag_(flag), saved_(flag) { flag_ = value; }
    ~FlagScope() { flag_ = saved_; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
    bool saved_;
};

void SetEditColour(QLineEdit* edit, const QColor& colour) {
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, colour);
    edit->setPalette(palette);
}

}  // namespace

void TGelvantMainForm::RecompileExpression(CalcExpr*& tree, QLineEdit* edit) {
    ecalc_free(tree);
    tree = nullptr;
    const QByteArray text = edit->text().toUtf8();
    tree = ecalc_compile(text.constData());
}

void TGelvantMainForm::ExpEditRChange() {
    RecompileExpression(CalcExprR, ExpEditR);
    SetEditColour(ExpEditR, CalcExprR ? ChannelColour(0) : QColor(Qt::black));
}

void TGelvantMainForm::ExpEditGChange() {
    RecompileExpression(CalcExprG, ExpEditG);
    SetEditColour(ExpEditG, CalcExprG ? ChannelColour(1) : QColor(Qt::black));
}

void TGelvantMainForm::ExpEditBChange() {
    RecompileExpression(CalcExprB, ExpEditB);
    SetEditColour(ExpEditB, CalcExprB ? ChannelColour(2) : QColor(Qt::black));
}

void TGelvantMainForm::BtnDrawClick() {
    if (AutoUpdate) {
        DrawComposite();
        return;
    }
    FlagScope once(AutoUpdate, true);
    DrawComposite();
}

void TGelvantMainForm::TBUpdateClick() {
    AutoUpdate = TBUpdate->isChecked();
}

void TGelvantMainForm::DrawComposite() {
    if (!ImageLoaded || Drawing || !AutoUpdate) return;
    FlagScope drawing(Drawing, true);

    RecompileExpression(CalcExprB, ExpEditB);
    RecompileExpression(CalcExprG, ExpEditG);
    RecompileExpression(CalcExprR, ExpEditR);

    // Size the picture to the view, keeping what it showed, and put the busy text over it.
    const int w = std::max(SatImage->width(), 1);
    const int h = std::max(SatImage->height(), 1);
    QImage& picture = SatImage->Picture;
    if (picture.size() != QSize(w, h) || picture.format() != QImage::Format_BGR888) {
        QImage sized(w, h, QImage::Format_BGR888);
        sized.fill(Qt::white);
        if (!picture.isNull()) {
            QPainter copy(&sized);
            copy.drawImage(0, 0, picture);
        }
        picture = sized;
    }
    {
        QPainter painter(&picture);
        painter.setFont(FormPointFont(12));
        painter.setPen(Qt::red);
        painter.setBackgroundMode(Qt::OpaqueMode);
        painter.setBackground(Qt::white);
        const QString busy = QStringLiteral("描画中");
        const QFontMetrics metrics(painter.font());
        const int textWidth = metrics.horizontalAdvance(busy);
        const int textHeight = metrics.height();
        const int x = w / 2 - textWidth / 2;
        const int y = h / 2 - textHeight - 10;
        painter.drawText(x, y + metrics.ascent(), busy);
    }
    SatImage->update();
    QCoreApplication::processEvents();

    // The events just run may have closed bands, replaced trees or resized the view: everything the core
    // needs is taken from the window only now.
    if (SatImage->Picture.size() != QSize(w, h)) {
        QImage sized(w, h, QImage::Format_BGR888);
        sized.fill(Qt::white);
        SatImage->Picture = sized;
    }
    const orvenna::ViewGeometry geometry = orvenna::compute_view_geometry(
        w, h, ScrImgHor->value(), ScrImgVert->value(), ZoomStep, ImgWidth, ImgHeight);
    ZoomScale = geometry.scale;
    ViewOffsetX = geometry.view_offset_x;
    ViewOffsetY = geometry.view_offset_y;

    std::vector<orvenna::CompositeBandRow> rows;
    const size_t lettered = std::min<size_t>(BandRowList.size(), kBandLetterCount);
    rows.reserve(lettered);
    for (size_t i = 0; i < lettered; ++i) {
        BandRow* row = BandRowList[i].get();
        orvenna::CompositeBandRow r;
        r.band = row->Band;
        if (row->IsPicture && row->Picture && !row->Picture->isNull()) {
            if (row->Picture->format() != QImage::Format_BGR888)
                *row->Picture = row->Picture->convertToFormat(QImage::Format_BGR888);
            r.picture = row->Picture->constBits();
            r.picture_stride = row->Picture->bytesPerLine();
            r.picture_width = row->Picture->width();
            r.picture_height = row->Picture->height();
        }
        if (row->Band && row->LineBuf.size() < static_cast<size_t>(std::max(row->Band->width, 0)))
            row->LineBuf.assign(static_cast<size_t>(row->Band->width), 0);
        r.line_buf = row->LineBuf.data();
        r.line_buf_size = static_cast<int>(row->LineBuf.size());
        rows.push_back(r);
    }

    orvenna::CompositeTarget target;
    target.pixels = SatImage->Picture.bits();
    target.width = w;
    target.height = h;
    target.stride = SatImage->Picture.bytesPerLine();
    orvenna::CompositeExpressions exprs;
    exprs.red = CalcExprR;
    exprs.green = CalcExprG;
    exprs.blue = CalcExprB;
    if (ImageLoaded) {
        Renderer->draw(rows.data(), static_cast<int>(rows.size()), exprs, geometry, target);
    } else {
        SatImage->Picture.fill(Qt::white);
    }
    SatImage->update();
}
