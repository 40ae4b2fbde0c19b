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
#include "platform/Fonts.h"
#include "platform/ImageControl.h"

namespace {

const QColor kOverlayPink(255, 200, 200);
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

// Turns the window events this code answers into handler calls: the end of every scroll (a scroll bar's
// button or key released, a wheel turn done), the slider control's resize and the window's first show.
class NavigationEvents : public QObject {
public:
    explicit NavigationEvents(MainWindow* window) : QObject(window), window_(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (watched == window_->horizontalScrollBar || watched == window_->verticalScrollBar) {
            // The bar's context menu scrolls from inside its own modal loop; let the bar run it now, so that
            // the end of the scroll is queued after the chosen scroll has happened.
            if (type == QEvent::ContextMenu && !inContextMenu_) {
                inContextMenu_ = true;
                QCoreApplication::sendEvent(watched, event);
                inContextMenu_ = false;
                queueEndScroll(static_cast<QScrollBar*>(watched));
                return true;
            }
            const bool ends = type == QEvent::MouseButtonRelease || type == QEvent::Wheel ||
                              (type == QEvent::KeyRelease && !static_cast<QKeyEvent*>(event)->isAutoRepeat());
            // The end of the scroll comes after the bar has taken its final position.
            if (ends) queueEndScroll(static_cast<QScrollBar*>(watched));
        } else if (watched == window_->zoomStrip && type == QEvent::Resize) {
            window_->onZoomStripResized();
        } else if (watched == window_->zoomSlider && type == QEvent::Resize) {
            window_->drawZoomSlider(0);  // the slider's picture follows the control's size
        } else if (watched == window_ && type == QEvent::Show) {
            window_->onShown();
        } else if (watched == window_ && type == QEvent::Resize) {
            window_->onResized();
        } else if (watched == window_->view && type == QEvent::Resize) {
            window_->onViewResized();
        }
        return false;
    }

private:
    void queueEndScroll(QScrollBar* bar) {
        QMetaObject::invokeMethod(
            window_,
            [window = window_, bar] {
                if (bar == window->horizontalScrollBar)
                    window->onHorizontalScroll(orvenna::ScrollCode::EndScroll, bar->value());
                else
                    window->onVerticalScroll(orvenna::ScrollCode::EndScroll, bar->value());
            },
            Qt::QueuedConnection);
    }

    MainWindow* window_;
    bool inContextMenu_ = false;
};

// The picture the view shows; a view never drawn gets a white one of its size, so overlays have a canvas.
QImage& viewPicture(ImageControl* view) {
    QImage& picture = view->picture;
    if (picture.isNull() || picture.format() != QImage::Format_BGR888) {
        QImage fresh(std::max(view->width(), 1), std::max(view->height(), 1), QImage::Format_BGR888);
        fresh.fill(Qt::white);
        if (!picture.isNull()) {
            QPainter copy(&fresh);
            copy.drawImage(0, 0, picture);
        }
        picture = fresh;
    }
    return picture;
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
    connect(horizontalScrollBar, &QAbstractSlider::actionTriggered, this, [this](int action) {
        onHorizontalScroll(scrollCodeOf(action), horizontalScrollBar->sliderPosition());
    });
    connect(verticalScrollBar, &QAbstractSlider::actionTriggered, this, [this](int action) {
        onVerticalScroll(scrollCodeOf(action), verticalScrollBar->sliderPosition());
    });

    // The view's pointer: the left button pans; the readout keeps the other buttons and the plain moves.
    auto readoutDown = view->onMousePress;
    auto readoutMove = view->onMouseMove;
    view->onMousePress = [this, readoutDown](QMouseEvent* e) {
        onViewPanMousePress(e);
        if (readoutDown) readoutDown(e);
    };
    view->onMouseMove = [this, readoutMove](QMouseEvent* e) {
        onViewPanMouseMove(e);
        if (readoutMove) readoutMove(e);
    };
    view->onMouseRelease = [this](QMouseEvent* e) { onViewMouseRelease(e); };

    zoomSlider->onMousePress = [this](QMouseEvent* e) { onZoomSliderMousePress(e); };
    zoomSlider->onMouseMove = [this](QMouseEvent* e) { onZoomSliderMouseMove(e); };
    zoomSlider->onMouseRelease = [this](QMouseEvent* e) { onZoomSliderMouseRelease(e); };
    zoomInButton->onMouseRelease = [this](QMouseEvent* e) { onZoomInReleased(e); };
    zoomOutButton->onMouseRelease = [this](QMouseEvent* e) { onZoomOutReleased(e); };

    auto* events = new NavigationEvents(this);
    for (QObject* watched :
         {static_cast<QObject*>(horizontalScrollBar), static_cast<QObject*>(verticalScrollBar),
          static_cast<QObject*>(zoomStrip), static_cast<QObject*>(zoomSlider), static_cast<QObject*>(view),
          static_cast<QObject*>(this)})
        watched->installEventFilter(events);
}

// ---- Scroll bars ----------------------------------------------------------------------------------------

void MainWindow::onHorizontalScroll(orvenna::ScrollCode code, int scrollPos) {
    if (!imageLoaded) return;
    if (code == orvenna::ScrollCode::EndScroll || smoothScrollCheckBox->isChecked()) {
        // The bar still holds its position from before this event: a smooth redraw lags one event behind.
        if (syncOn)
            broadcastScrollX();
        else
            drawComposite();
        return;
    }
    if (orvenna::scroll_code_draws_overlay(code)) drawScrollOverlay(scrollPos, verticalScrollBar->value());
}

void MainWindow::onVerticalScroll(orvenna::ScrollCode code, int scrollPos) {
    if (!imageLoaded) return;
    if (code == orvenna::ScrollCode::EndScroll || smoothScrollCheckBox->isChecked()) {
        if (syncOn)
            broadcastScrollY();
        else
            drawComposite();
        return;
    }
    if (orvenna::scroll_code_draws_overlay(code)) drawScrollOverlay(horizontalScrollBar->value(), scrollPos);
}

void MainWindow::drawScrollOverlay(int x, int y) {
    QImage& picture = viewPicture(view);
    const int w = picture.width();
    const int h = picture.height();
    QPainter p(&picture);
    drawNavigator(p, orvenna::navigator_marks(x, y, imageWidth, imageHeight), true);
    p.setPen(Qt::red);
    p.drawLine(w / 2, 0, w / 2, h);
    p.drawLine(0, h / 2, w, h / 2);
    prepareOverlayText(p);
    drawOverlayText(p, w / 2 + 5, h / 2 + 5, QString::fromStdString(orvenna::scroll_overlay_text(x, y)));
    p.end();
    view->update();
}

// ---- Panning --------------------------------------------------------------------------------------------

void MainWindow::onViewPanMousePress(QMouseEvent* event) {
    if (!imageLoaded || event->button() != Qt::LeftButton) return;
    const QPoint pointer = event->position().toPoint();
    panStartX = pointer.x();
    panStartY = pointer.y();
    panStartScrollX = horizontalScrollBar->value();
    panStartScrollY = verticalScrollBar->value();
    gestureSnapshot = viewPicture(view).copy();
    panning = true;
}

void MainWindow::onViewPanMouseMove(QMouseEvent* event) {
    if (!panning) return;
    const QPoint pointer = event->position().toPoint();
    horizontalScrollBar->setValue(
        orvenna::pan_scroll_position(panStartScrollX, panStartX, pointer.x(), zoomScale));
    verticalScrollBar->setValue(
        orvenna::pan_scroll_position(panStartScrollY, panStartY, pointer.y(), zoomScale));
    QImage& picture = viewPicture(view);
    orvenna::copy_shifted(pixelsOf(std::as_const(gestureSnapshot)), pixelsOf(picture),
                          pointer.x() - panStartX, pointer.y() - panStartY);
    drawPanOverlay(horizontalScrollBar->value(), verticalScrollBar->value());
}

void MainWindow::onViewMouseRelease(QMouseEvent* event) {
    if (!panning) return;
    const QPoint pointer = event->position().toPoint();
    QImage& picture = viewPicture(view);
    orvenna::copy_shifted(pixelsOf(std::as_const(gestureSnapshot)), pixelsOf(picture),
                          pointer.x() - panStartX, pointer.y() - panStartY);
    view->update();
    panning = false;
    if (syncOn)
        broadcastPanEnd();
    else
        drawComposite();
}

void MainWindow::drawPanOverlay(int x, int y) {
    QImage& picture = viewPicture(view);
    const int w = picture.width();
    const int h = picture.height();
    // Through the centre pixel where the last redraw put it.
    const int cx = w / 2 - viewOffsetX;
    const int cy = h / 2 - viewOffsetY;
    QPainter p(&picture);
    drawNavigator(p, orvenna::navigator_marks(x, y, imageWidth, imageHeight), false);
    p.setPen(Qt::red);
    p.drawLine(cx, 0, cx, h);
    p.drawLine(0, cy, w, cy);

    prepareOverlayText(p);
    const int lineHeight = QFontMetrics(p.font()).height();
    const QStringList lines = panOverlayLines(x, y);
    for (int k = 0; k < lines.size(); ++k)
        if (!lines[k].isEmpty()) drawOverlayText(p, cx + 5, cy + 5 + k * lineHeight, lines[k]);
    p.end();
    view->update();
}

QStringList MainWindow::panOverlayLines(int x, int y) {
    QStringList lines;
    lines << QStringLiteral("X, Y : %1, %2").arg(x).arg(y);
    lines << (geographyKnown() ? QStringLiteral("経度, 緯度 :  ") + longitudeText(x, y) +
                                     QStringLiteral(", ") + latitudeText(x, y)
                               : QString());
    const int64_t index = int64_t(imageWidth) * y + x;
    for (size_t i = 0; i < bandRows.size(); ++i) {
        // Rows past the 26th have no letter; they are shown by their list number.
        const QString letter = i < static_cast<size_t>(kBandLetterCount) ? QString(QChar('a' + int(i)))
                                                                         : QStringLiteral("[%1]").arg(i + 1);
        lines << letter + QStringLiteral(" : ") + bandValueText(bandRows[i].get(), index);
    }
    return lines;
}

// ---- Zoom buttons and the step slider -------------------------------------------------------------------

void MainWindow::onZoomInReleased(QMouseEvent*) {
    zoomStep = std::max(zoomStep - 1, orvenna::kMinZoomStep);
    drawZoomSlider(0);
    drawComposite();  // a zoom-in stays with this viewer
}

void MainWindow::onZoomOutReleased(QMouseEvent*) {
    zoomStep = std::min(zoomStep + 1, orvenna::kMaxZoomStep);
    drawZoomSlider(0);
    if (syncOn)
        broadcastZoomOut();
    else
        drawComposite();
}

void MainWindow::onZoomSliderMousePress(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    zoomDragging = true;
    zoomDragStartStep = zoomPreviewStep = zoomStep;
    gestureSnapshot = viewPicture(view).copy();
    onZoomSliderMouseMove(event);
}

void MainWindow::onZoomSliderMouseMove(QMouseEvent* event) {
    if (!zoomDragging) return;
    const int hz = zoomSlider->height();
    const int y = orvenna::slider_clamp_pointer(hz, event->position().toPoint().y());
    zoomStep = orvenna::slider_step_at(hz, y, zoomStep);
    zoomScale = orvenna::zoom_scale_for_step(zoomStep);
    drawZoomSlider(y);
    if (zoomStep != zoomPreviewStep) {
        // The snapshot grows or shrinks about the view centre by the steps moved since the drag began.
        QImage& picture = viewPicture(view);
        orvenna::stretch_into(
            pixelsOf(std::as_const(gestureSnapshot)), pixelsOf(picture),
            orvenna::zoom_preview_rect(picture.width(), picture.height(), zoomDragStartStep, zoomStep));
        view->update();
    }
    zoomPreviewStep = zoomStep;
}

void MainWindow::onZoomSliderMouseRelease(QMouseEvent*) {
    // Only the release of a drag that began here; an ignored button's release does nothing.
    if (!zoomDragging) return;
    zoomDragging = false;
    drawZoomSlider(0);
    drawComposite();  // the step chosen on the slider is not sent to other viewers
}

void MainWindow::drawZoomSlider(int y) {
    const int wz = zoomSlider->width();
    const int hz = zoomSlider->height();
    if (wz <= 0 || hz <= 0) return;
    QImage& picture = zoomSlider->picture;
    if (picture.size() != QSize(wz, hz) || picture.format() != QImage::Format_BGR888)
        picture = QImage(wz, hz, QImage::Format_BGR888);
    const int knob = zoomDragging ? y : orvenna::slider_tick_y(hz, orvenna::clamp_zoom_step(zoomStep));
    orvenna::draw_step_slider(pixelsOf(picture), knob);
    zoomSlider->update();
}

void MainWindow::onZoomStripResized() {
    drawZoomSlider(0);
}

void MainWindow::onShown() {
    drawZoomSlider(0);
}

void MainWindow::onResized() {
    // The view's own resize (below) redraws; the window's size alone changes nothing.
}

void MainWindow::onViewResized() {
    // A window resize, a placement or a panel shown or hidden changes the view's size in several steps:
    // one redraw once the size has settled, instead of an old picture in a corner with grey around it.
    if (!resizeRedrawTimer) {
        resizeRedrawTimer = new QTimer(this);
        resizeRedrawTimer->setSingleShot(true);
        resizeRedrawTimer->setInterval(kResizeSettleMs);
        connect(resizeRedrawTimer, &QTimer::timeout, this, [this] {
            if (imageLoaded && autoUpdate && view->picture.size() != view->size()) drawComposite();
        });
    }
    resizeRedrawTimer->start();
}
