// Scrolling, panning and magnification of the view: the scroll bars with their overlay, the left-button pan
// over a snapshot, the zoom buttons and the step slider with its live previews, and the window events that
// only repaint the slider. Gestures draw over the current picture and ask for the redraw when they end.
#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

#include "app/MainWindow.h"
#include "display/Navigator.h"
#include "display/StepSlider.h"
#include "display/ViewGeometry.h"
#include "document/Document.h"
#include "platform/Fonts.h"
#include "platform/ImageControl.h"

namespace {

const QColor kOverlayPink(255, 200, 200);
// A resize redraws once the view's size has been still this long.
constexpr int kResizeSettleMs = 150;
constexpr int kOverlayPoints = 9;

orvenna::BgrPixels pixelsOf(QImage& image) {
    return {image.bits(), image.width(), image.height(), static_cast<int>(image.bytesPerLine())};
}

orvenna::ConstBgrPixels pixelsOf(const QImage& image) {
    return {image.constBits(), image.width(), image.height(), static_cast<int>(image.bytesPerLine())};
}

orvenna::ScrollCode scrollCodeOf(int action) {
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            return orvenna::ScrollCode::LineUp;
        case QAbstractSlider::SliderSingleStepAdd:
            return orvenna::ScrollCode::LineDown;
        case QAbstractSlider::SliderPageStepSub:
            return orvenna::ScrollCode::PageUp;
        case QAbstractSlider::SliderPageStepAdd:
            return orvenna::ScrollCode::PageDown;
        case QAbstractSlider::SliderToMinimum:
            return orvenna::ScrollCode::Top;
        case QAbstractSlider::SliderToMaximum:
            return orvenna::ScrollCode::Bottom;
        default:
            return orvenna::ScrollCode::Track;
    }
}

// Navigator at the view's top-left: the scene 100 pixels wide, red outline on pink, red lines through the
// position (and the one-pixel marker of the scroll overlay).
void drawNavigator(QPainter& p, const orvenna::NavigatorMarks& m, bool marker) {
    if (m.height > 0) {
        p.fillRect(0, 0, m.width, m.height, kOverlayPink);
        p.setPen(Qt::red);
        p.drawRect(0, 0, m.width - 1, m.height - 1);
    }
    p.setPen(Qt::red);
    if (marker) p.drawPoint(m.marker_x, m.marker_y);
    if (m.height > 0) p.drawLine(m.marker_x, 0, m.marker_x, m.height - 1);
    p.drawLine(0, m.marker_y, m.width - 1, m.marker_y);
}

// Text in the overlay font with its top-left at (x, y), on the pink background.
void drawOverlayText(QPainter& p, int x, int y, const QString& text) {
    const QFontMetrics metrics(p.font());
    p.drawText(x, y + metrics.ascent(), text);
}

void prepareOverlayText(QPainter& p) {
    p.setFont(uiPointFont(kOverlayPoints));
    p.setPen(Qt::red);
    p.setBackgroundMode(Qt::OpaqueMode);
    p.setBackground(kOverlayPink);
}

}  // namespace

void MainWindow::connectNavigationHandlers() {
    connect(horizontalScrollBar_, &QAbstractSlider::actionTriggered, this, [this](int action) {
        onHorizontalScroll(scrollCodeOf(action), horizontalScrollBar_->sliderPosition());
    });
    connect(verticalScrollBar_, &QAbstractSlider::actionTriggered, this, [this](int action) {
        onVerticalScroll(scrollCodeOf(action), verticalScrollBar_->sliderPosition());
    });

    // The view's pointer: the left button pans; the readout keeps the other buttons and the plain moves.
    auto readoutDown = view_->onMousePress;
    auto readoutMove = view_->onMouseMove;
    view_->onMousePress = [this, readoutDown](QMouseEvent* e) {
        onViewPanMousePress(e);
        if (readoutDown) readoutDown(e);
    };
    view_->onMouseMove = [this, readoutMove](QMouseEvent* e) {
        onViewPanMouseMove(e);
        if (readoutMove) readoutMove(e);
    };
    view_->onMouseRelease = [this](QMouseEvent* e) { onViewMouseRelease(e); };

    zoomSlider_->onMousePress = [this](QMouseEvent* e) { onZoomSliderMousePress(e); };
    zoomSlider_->onMouseMove = [this](QMouseEvent* e) { onZoomSliderMouseMove(e); };
    zoomSlider_->onMouseRelease = [this](QMouseEvent* e) { onZoomSliderMouseRelease(e); };
    zoomInButton_->onMouseRelease = [this](QMouseEvent*) { onZoomInReleased(); };
    zoomOutButton_->onMouseRelease = [this](QMouseEvent*) { onZoomOutReleased(); };

    for (QObject* watched :
         {static_cast<QObject*>(horizontalScrollBar_), static_cast<QObject*>(verticalScrollBar_),
          static_cast<QObject*>(zoomStrip_), static_cast<QObject*>(zoomSlider_), static_cast<QObject*>(view_),
          static_cast<QObject*>(this)})
        watched->installEventFilter(this);
}

// ---- Scroll bars ----------------------------------------------------------------------------------------

void MainWindow::onHorizontalScroll(orvenna::ScrollCode code, int scrollPos) {
    if (!document_->hasBands()) return;
    // The bar still holds its position from before this event: a smooth redraw lags one event behind.
    if (code == orvenna::ScrollCode::EndScroll || smoothScrollCheckBox_->isChecked())
        sync_->scrollEnded(true);
    else if (orvenna::scroll_code_draws_overlay(code))
        drawScrollOverlay(scrollPos, verticalScrollBar_->value());
}

void MainWindow::onVerticalScroll(orvenna::ScrollCode code, int scrollPos) {
    if (!document_->hasBands()) return;
    if (code == orvenna::ScrollCode::EndScroll || smoothScrollCheckBox_->isChecked())
        sync_->scrollEnded(false);
    else if (orvenna::scroll_code_draws_overlay(code))
        drawScrollOverlay(horizontalScrollBar_->value(), scrollPos);
}

void MainWindow::drawScrollOverlay(int x, int y) {
    QImage& picture = canvas();
    const int w = picture.width();
    const int h = picture.height();
    QPainter p(&picture);
    drawNavigator(p, orvenna::navigator_marks(x, y, document_->width(), document_->height()), true);
    p.setPen(Qt::red);
    p.drawLine(w / 2, 0, w / 2, h);
    p.drawLine(0, h / 2, w, h / 2);
    prepareOverlayText(p);
    drawOverlayText(p, w / 2 + 5, h / 2 + 5, QString::fromStdString(orvenna::scroll_overlay_text(x, y)));
    p.end();
    view_->update();
}

// ---- Panning --------------------------------------------------------------------------------------------

void MainWindow::onViewPanMousePress(QMouseEvent* event) {
    if (!document_->hasBands() || event->button() != Qt::LeftButton) return;
    const QPoint pointer = event->position().toPoint();
    panStartX_ = pointer.x();
    panStartY_ = pointer.y();
    panStartScrollX_ = horizontalScrollBar_->value();
    panStartScrollY_ = verticalScrollBar_->value();
    gestureSnapshot_ = canvas().copy();
    panning_ = true;
}

void MainWindow::onViewPanMouseMove(QMouseEvent* event) {
    if (!panning_) return;
    const QPoint pointer = event->position().toPoint();
    horizontalScrollBar_->setValue(orvenna::pan_scroll_position(panStartScrollX_, panStartX_, pointer.x(),
                                                                orvenna::zoom_scale_for_step(zoomStep_)));
    verticalScrollBar_->setValue(orvenna::pan_scroll_position(panStartScrollY_, panStartY_, pointer.y(),
                                                              orvenna::zoom_scale_for_step(zoomStep_)));
    QImage& picture = canvas();
    orvenna::copy_shifted(pixelsOf(std::as_const(gestureSnapshot_)), pixelsOf(picture),
                          pointer.x() - panStartX_, pointer.y() - panStartY_);
    drawPanOverlay(horizontalScrollBar_->value(), verticalScrollBar_->value());
}

void MainWindow::onViewMouseRelease(QMouseEvent* event) {
    if (!panning_) return;
    const QPoint pointer = event->position().toPoint();
    QImage& picture = canvas();
    orvenna::copy_shifted(pixelsOf(std::as_const(gestureSnapshot_)), pixelsOf(picture),
                          pointer.x() - panStartX_, pointer.y() - panStartY_);
    view_->update();
    panning_ = false;
    sync_->panEnded();
}

void MainWindow::drawPanOverlay(int x, int y) {
    QImage& picture = canvas();
    const int w = picture.width();
    const int h = picture.height();
    // Through the centre pixel where the last redraw put it.
    const int cx = w / 2 - drawnGeometry_.view_offset_x;
    const int cy = h / 2 - drawnGeometry_.view_offset_y;
    QPainter p(&picture);
    drawNavigator(p, orvenna::navigator_marks(x, y, document_->width(), document_->height()), false);
    p.setPen(Qt::red);
    p.drawLine(cx, 0, cx, h);
    p.drawLine(0, cy, w, cy);

    prepareOverlayText(p);
    const int lineHeight = QFontMetrics(p.font()).height();
    const QStringList lines = panOverlayLines(x, y);
    for (int k = 0; k < lines.size(); ++k)
        if (!lines[k].isEmpty()) drawOverlayText(p, cx + 5, cy + 5 + k * lineHeight, lines[k]);
    p.end();
    view_->update();
}

QStringList MainWindow::panOverlayLines(int x, int y) const {
    QStringList lines;
    lines << QStringLiteral("X, Y : %1, %2").arg(x).arg(y);
    double lat = 0, lon = 0;
    lines << (document_->geoAt(x, y, &lat, &lon)
                  ? tr("経度, 緯度 :  %1, %2").arg(degreesText(lon), degreesText(lat))
                  : QString());
    // Outside the scene every band reads 0; a band busy elsewhere is not waited for.
    orvenna::PixelValues values = document_->valuesNowAt(x, y);
    values.values.resize(static_cast<size_t>(document_->bandCount()), 0.0);
    for (int i = 0; i < document_->bandCount(); ++i)
        lines << readoutLetter(i) + QStringLiteral(" : ") + bandValueText(values, i);
    return lines;
}

// ---- Zoom buttons and the step slider -------------------------------------------------------------------

void MainWindow::onZoomInReleased() {
    zoomStep_ = std::max(zoomStep_ - 1, orvenna::kMinZoomStep);
    drawZoomSlider(0);
    redraw();  // a zoom-in stays with this viewer
}

void MainWindow::onZoomOutReleased() {
    zoomStep_ = std::min(zoomStep_ + 1, orvenna::kMaxZoomStep);
    drawZoomSlider(0);
    sync_->zoomedOut();
}

void MainWindow::onZoomSliderMousePress(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    zoomDragging_ = true;
    zoomDragStartStep_ = zoomPreviewStep_ = zoomStep_;
    gestureSnapshot_ = canvas().copy();
    onZoomSliderMouseMove(event);
}

void MainWindow::onZoomSliderMouseMove(QMouseEvent* event) {
    if (!zoomDragging_) return;
    const int hz = zoomSlider_->height();
    const int y = orvenna::slider_clamp_pointer(hz, event->position().toPoint().y());
    zoomStep_ = orvenna::slider_step_at(hz, y, zoomStep_);
    drawZoomSlider(y);
    if (zoomStep_ != zoomPreviewStep_) {
        // The snapshot grows or shrinks about the view centre by the steps moved since the drag began.
        QImage& picture = canvas();
        orvenna::stretch_into(
            pixelsOf(std::as_const(gestureSnapshot_)), pixelsOf(picture),
            orvenna::zoom_preview_rect(picture.width(), picture.height(), zoomDragStartStep_, zoomStep_));
        view_->update();
    }
    zoomPreviewStep_ = zoomStep_;
}

void MainWindow::onZoomSliderMouseRelease(QMouseEvent*) {
    // Only the release of a drag that began here; an ignored button's release does nothing.
    if (!zoomDragging_) return;
    zoomDragging_ = false;
    drawZoomSlider(0);
    redraw();  // the step chosen on the slider is not sent to other viewers
}

void MainWindow::drawZoomSlider(int y) {
    const int wz = zoomSlider_->width();
    const int hz = zoomSlider_->height();
    if (wz <= 0 || hz <= 0) return;
    QImage& picture = zoomSlider_->picture;
    if (picture.size() != QSize(wz, hz) || picture.format() != QImage::Format_BGR888)
        picture = QImage(wz, hz, QImage::Format_BGR888);
    const int knob = zoomDragging_ ? y : orvenna::slider_tick_y(hz, orvenna::clamp_zoom_step(zoomStep_));
    orvenna::draw_step_slider(pixelsOf(picture), knob);
    zoomSlider_->update();
}

void MainWindow::onViewResized() {
    // A window resize, a placement or a panel shown or hidden changes the view's size in several steps:
    // one redraw once the size has settled, instead of an old picture in a corner with grey around it.
    if (!resizeRedrawTimer_) {
        resizeRedrawTimer_ = new QTimer(this);
        resizeRedrawTimer_->setSingleShot(true);
        resizeRedrawTimer_->setInterval(kResizeSettleMs);
        connect(resizeRedrawTimer_, &QTimer::timeout, this, [this] {
            if (document_->hasBands() && view_->picture.size() != view_->size()) redraw();
        });
    }
    resizeRedrawTimer_->start();
}

// The window events the view answers: the end of every scroll (a scroll bar's button or key released, a wheel
// turn done), wheel turns and keys over the picture, and the resizes that repaint the step slider or redraw.
bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == horizontalScrollBar_ || watched == verticalScrollBar_) {
        auto* bar = static_cast<QScrollBar*>(watched);
        // The bar's context menu scrolls from inside its own modal loop; let the bar run it now, so that the
        // end of the scroll is queued after the chosen scroll has happened.
        if (type == QEvent::ContextMenu && !inScrollBarMenu_) {
            inScrollBarMenu_ = true;
            QCoreApplication::sendEvent(watched, event);
            inScrollBarMenu_ = false;
            queueScrollEnd(bar);
            return true;
        }
        // A scroll bar's own wheel would move one image pixel a notch; it scrolls as Shift or Ctrl + wheel.
        if (type == QEvent::Wheel) {
            onScrollBarWheel(bar == horizontalScrollBar_, static_cast<QWheelEvent*>(event));
            return true;
        }
        const bool ends = type == QEvent::MouseButtonRelease ||
                          (type == QEvent::KeyRelease && !static_cast<QKeyEvent*>(event)->isAutoRepeat());
        // The end of the scroll comes after the bar has taken its final position.
        if (ends) queueScrollEnd(bar);
    } else if (watched == view_) {
        if (type == QEvent::Wheel) {
            onViewWheel(static_cast<QWheelEvent*>(event));
            return true;
        }
        if (type == QEvent::KeyPress) return onViewKeyPress(static_cast<QKeyEvent*>(event));
        if (type == QEvent::Resize) onViewResized();
    } else if ((watched == zoomStrip_ || watched == zoomSlider_) && type == QEvent::Resize) {
        drawZoomSlider(0);  // the slider's picture follows the control's size
    } else if (watched == this && type == QEvent::Show) {
        drawZoomSlider(0);
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::queueScrollEnd(QScrollBar* bar) {
    QMetaObject::invokeMethod(
        this,
        [this, bar] {
            if (bar == horizontalScrollBar_)
                onHorizontalScroll(orvenna::ScrollCode::EndScroll, bar->value());
            else
                onVerticalScroll(orvenna::ScrollCode::EndScroll, bar->value());
        },
        Qt::QueuedConnection);
}

// ---- Where the view stands --------------------------------------------------------------------------------

QPoint MainWindow::scrollPosition() const {
    return QPoint(horizontalScrollBar_->value(), verticalScrollBar_->value());
}

void MainWindow::setScrollPosition(std::optional<int> x, std::optional<int> y) {
    // The bars clamp the position to this viewer's scene.
    if (x) horizontalScrollBar_->setValue(*x);
    if (y) verticalScrollBar_->setValue(*y);
}

int MainWindow::zoomStep() const {
    return zoomStep_;
}

void MainWindow::setZoomStep(int step) {
    zoomStep_ = orvenna::clamp_zoom_step(step);
    drawZoomSlider(0);
}
