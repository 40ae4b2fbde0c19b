// The composite redraw of the view and the channel expression boxes.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QToolButton>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "app/MainWindow.h"
#include "calc/ecalc.h"
#include "display/Composite.h"
#include "display/ViewGeometry.h"
#include "platform/BackgroundTask.h"
#include "platform/Fonts.h"
#include "platform/ImageControl.h"
#include "platform/SystemErrors.h"
#include "scene/remos.h"

namespace {

// A redraw that has run this long offers its "中止" button.
constexpr int kStopButtonDelayMs = 300;
const QString kIncompleteText = QStringLiteral("描画を中止しました。画像は途中までです");

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

void setEditColour(QLineEdit* edit, const QColor& colour) {
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, colour);
    edit->setPalette(palette);
}

}  // namespace

void MainWindow::recompileExpression(CalcExpr*& tree, QLineEdit* edit) {
    ecalc_free(tree);
    tree = nullptr;
    const QByteArray text = edit->text().toUtf8();
    tree = ecalc_compile(text.constData());
}

void MainWindow::onRedExpressionChanged() {
    recompileExpression(redExpression, redExpressionEdit);
    setEditColour(redExpressionEdit, redExpression ? channelColour(0) : QColor(Qt::black));
    showExpressionProblem(0, redExpressionEdit, redExpression != nullptr);
}

void MainWindow::onGreenExpressionChanged() {
    recompileExpression(greenExpression, greenExpressionEdit);
    setEditColour(greenExpressionEdit, greenExpression ? channelColour(1) : QColor(Qt::black));
    showExpressionProblem(1, greenExpressionEdit, greenExpression != nullptr);
}

void MainWindow::onBlueExpressionChanged() {
    recompileExpression(blueExpression, blueExpressionEdit);
    setEditColour(blueExpressionEdit, blueExpression ? channelColour(2) : QColor(Qt::black));
    showExpressionProblem(2, blueExpressionEdit, blueExpression != nullptr);
}

void MainWindow::onRedrawClicked() {
    if (autoUpdate) {
        drawComposite();
        return;
    }
    FlagScope once(autoUpdate, true);
    drawComposite();
}

void MainWindow::onAutoUpdateClicked() {
    autoUpdate = autoUpdateButton->isChecked();
}

void MainWindow::drawComposite() {
    if (!imageLoaded || !autoUpdate) return;
    if (drawing) {
        // Something the picture shows changed while it is being drawn: this redraw gives way to a new one.
        redrawAgain = true;
        if (redrawControl) redrawControl->stop = true;
        return;
    }
    FlagScope drawingScope(drawing, true);
    do {
        redrawAgain = false;
        if (!redrawOnce()) break;
    } while (redrawAgain && imageLoaded && autoUpdate);
    reportSceneReadErrors();
    if (!imageLoaded) {
        // Every band was closed while the picture was being drawn: there is nothing left to show.
        view->picture.fill(Qt::white);
        view->update();
    }
    if (closePending) QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void MainWindow::stopRedraw() {
    if (!redrawControl) return;
    redrawStoppedByUser = true;
    redrawControl->stop = true;
}

void MainWindow::stopRedrawAndWait() {
    if (!redrawControl) return;
    redrawControl->stop = true;
    redrawTask->waitUntilEnded();
}

namespace {

// What one redraw reads, taken when it starts: the worker thread draws from this, so the window may change
// ranges, expressions and rows meanwhile. Scene files stay open until it ends (closing waits for it).
struct RedrawSnapshot {
    std::vector<BandInfo> bands;
    std::vector<QImage> pictures;
    std::vector<orvenna::CompositeBandRow> rows;
    std::unique_ptr<CalcExpr, void (*)(CalcExpr*)> red{nullptr, ecalc_free};
    std::unique_ptr<CalcExpr, void (*)(CalcExpr*)> green{nullptr, ecalc_free};
    std::unique_ptr<CalcExpr, void (*)(CalcExpr*)> blue{nullptr, ecalc_free};
};

CalcExpr* compileText(const QLineEdit* edit) {
    return ecalc_compile(edit->text().toUtf8().constData());
}

// Copies the view lines [from, to) of the picture being drawn into the one shown.
void copyLines(const QImage& from, QImage& to, int first, int end) {
    const int bytes = std::min(from.bytesPerLine(), to.bytesPerLine());
    for (int y = std::max(first, 0); y < std::min(end, std::min(from.height(), to.height())); ++y)
        std::memcpy(to.scanLine(y), from.constScanLine(y), static_cast<size_t>(bytes));
}

}  // namespace

bool MainWindow::redrawOnce() {
    recompileExpression(blueExpression, blueExpressionEdit);
    recompileExpression(greenExpression, greenExpressionEdit);
    recompileExpression(redExpression, redExpressionEdit);

    // Size the picture to the view, keeping what it showed, and put the busy text over it.
    const int w = std::max(view->width(), 1);
    const int h = std::max(view->height(), 1);
    QImage& picture = view->picture;
    if (picture.size() != QSize(w, h) || picture.format() != QImage::Format_BGR888) {
        QImage sized(w, h, QImage::Format_BGR888);
        sized.fill(Qt::white);
        if (!picture.isNull()) {
            QPainter copy(&sized);
            copy.drawImage(0, 0, picture);
        }
        picture = sized;
    }
    const QString busy = QStringLiteral("描画中");
    const QFont busyFont = uiPointFont(12);
    const QFontMetrics metrics(busyFont);
    const int busyX = w / 2 - metrics.horizontalAdvance(busy) / 2;
    const int busyY = h / 2 - metrics.height() - 10;
    auto drawBusyText = [&] {
        QPainter painter(&view->picture);
        painter.setFont(busyFont);
        painter.setPen(Qt::red);
        painter.setBackgroundMode(Qt::OpaqueMode);
        painter.setBackground(Qt::white);
        painter.drawText(busyX, busyY + metrics.ascent(), busy);
    };
    drawBusyText();
    view->update();

    const orvenna::ViewGeometry geometry = orvenna::compute_view_geometry(
        w, h, horizontalScrollBar->value(), verticalScrollBar->value(), zoomStep, imageWidth, imageHeight);
    zoomScale = geometry.scale;
    viewOffsetX = geometry.view_offset_x;
    viewOffsetY = geometry.view_offset_y;

    RedrawSnapshot snapshot;
    snapshot.red.reset(compileText(redExpressionEdit));
    snapshot.green.reset(compileText(greenExpressionEdit));
    snapshot.blue.reset(compileText(blueExpressionEdit));
    const size_t lettered = std::min<size_t>(bandRows.size(), kBandLetterCount);
    snapshot.bands.resize(lettered);
    snapshot.pictures.resize(lettered);
    snapshot.rows.resize(lettered);
    for (size_t i = 0; i < lettered; ++i) {
        BandRow* row = bandRows[i].get();
        orvenna::CompositeBandRow& r = snapshot.rows[i];
        if (row->band) {
            snapshot.bands[i] = *row->band;
            r.band = &snapshot.bands[i];
        }
        if (row->isPicture && row->picture && !row->picture->isNull()) {
            if (row->picture->format() != QImage::Format_BGR888)
                *row->picture = row->picture->convertToFormat(QImage::Format_BGR888);
            const QImage& shared = snapshot.pictures[i] = *row->picture;
            r.picture = shared.constBits();
            r.picture_stride = shared.bytesPerLine();
            r.picture_width = shared.width();
            r.picture_height = shared.height();
        }
        // The redraw's own line buffers: the rows' buffers stay the window's.
        r.line_buf = nullptr;
        r.line_buf_size = 0;
    }
    orvenna::CompositeExpressions exprs;
    exprs.red = snapshot.red.get();
    exprs.green = snapshot.green.get();
    exprs.blue = snapshot.blue.get();

    QImage drawn(w, h, QImage::Format_BGR888);
    orvenna::CompositeTarget target;
    target.pixels = drawn.bits();
    target.width = w;
    target.height = h;
    target.stride = drawn.bytesPerLine();

    orvenna::RedrawControl control;
    redrawControl = &control;
    redrawStoppedByUser = false;
    escapeShortcut->setEnabled(true);
    QElapsedTimer clock;
    clock.start();
    int linesShown = 0;
    // Long redraws show their finished lines as they come and offer to stop.
    auto tick = [&] {
        const int done = control.lines_done.load(std::memory_order_acquire);
        if (done > linesShown) {
            copyLines(drawn, view->picture, linesShown, done);
            linesShown = done;
            drawBusyText();  // stays until the picture is done
            view->update();
        }
        if (!stopRedrawButton->isVisible() && clock.elapsed() >= kStopButtonDelayMs && !control.stop) {
            stopRedrawButton->move(std::max(0, w / 2 - stopRedrawButton->width() / 2),
                                   std::max(0, busyY + metrics.height() + 4));
            stopRedrawButton->show();
            stopRedrawButton->raise();
        }
    };
    redrawTask->run(
        [&] {
            renderer->draw(snapshot.rows.data(), static_cast<int>(snapshot.rows.size()), exprs, geometry,
                           target, &control);
        },
        [&] { control.stop = true; }, tick);
    redrawControl = nullptr;
    escapeShortcut->setEnabled(false);
    stopRedrawButton->hide();

    const bool complete = control.complete.load(std::memory_order_acquire);
    if (!complete && !redrawStoppedByUser) return true;  // given way to a newer redraw, or the window closes
    if (view->picture.size() == drawn.size())
        view->picture = drawn;  // a stopped redraw keeps what it drew; lines not reached are white
    view->update();
    if (!complete) {
        setStatusPanelText(0, kIncompleteText);
        return false;
    }
    return true;
}

void MainWindow::reportSceneReadErrors() {
    // A scene reports the first block that would not decode, once; it drew as zeros. Another scene's report
    // waits for the next redraw, so that none overwrites another unseen.
    for (const auto& scene : scenes) {
        char message[REMOS_REASON_SIZE];
        if (!remos_take_read_error(scene.get(), message, sizeof message)) continue;
        const QString name = displayFileName(QByteArray(scene->path));
        setStatusPanelText(0, QStringLiteral("\"%1\" の一部が読めないため 0 として表示しています: %2")
                                  .arg(name, QString::fromUtf8(message)));
        return;
    }
}
