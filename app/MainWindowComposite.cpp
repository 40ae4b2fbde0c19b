// The composite redraw as the window shows it (the picture it draws into, the busy text, finished lines of
// a long redraw, "中止"), and the channel expression boxes over the document's expressions.
#include <QCoreApplication>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/MainWindow.h"
#include "dialogs/ProgressWindow.h"
#include "document/Document.h"
#include "platform/Fonts.h"
#include "platform/ImageControl.h"

namespace {

// A redraw that has run this long offers its "中止" button.
constexpr int kStopButtonDelayMs = 300;

void setEditColour(QLineEdit* edit, const QColor& colour) {
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, colour);
    edit->setPalette(palette);
}

// "描画中" in red on white, above the middle of the view.
void drawBusyText(QImage& picture) {
    const QFont font = uiPointFont(12);
    const QFontMetrics metrics(font);
    QPainter painter(&picture);
    painter.setFont(font);
    painter.setPen(Qt::red);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(Qt::white);
    const QString text = QCoreApplication::translate("MainWindow", "描画中");
    const int x = picture.width() / 2 - metrics.horizontalAdvance(text) / 2;
    const int y = picture.height() / 2 - metrics.height() - 10;
    painter.drawText(x, y + metrics.ascent(), text);
}

}  // namespace

void MainWindow::redraw() {
    if (!autoUpdate_) return;
    jobs_->redraw();
}

void MainWindow::onRedrawClicked() {
    // "再描画" redraws also with automatic update off.
    jobs_->redraw();
}

const QImage& MainWindow::viewPicture() const {
    return view_->picture;
}

QImage& MainWindow::canvas() {
    QImage& picture = view_->picture;
    if (picture.isNull() || picture.format() != QImage::Format_BGR888) {
        QImage fresh(std::max(view_->width(), 1), std::max(view_->height(), 1), QImage::Format_BGR888);
        fresh.fill(Qt::white);
        if (!picture.isNull()) QPainter(&fresh).drawImage(0, 0, picture);
        picture = fresh;
    }
    return picture;
}

bool MainWindow::planRedraw(orvenna::ViewGeometry* geometry) {
    // The shown picture takes the view's size, keeping what it showed, with the busy text over it.
    const int w = std::max(view_->width(), 1);
    const int h = std::max(view_->height(), 1);
    QImage& shown = view_->picture;
    if (shown.size() != QSize(w, h) || shown.format() != QImage::Format_BGR888) {
        QImage sized(w, h, QImage::Format_BGR888);
        sized.fill(Qt::white);
        if (!shown.isNull()) QPainter(&sized).drawImage(0, 0, shown);
        shown = sized;
    }
    drawBusyText(shown);
    view_->update();

    *geometry =
        orvenna::compute_view_geometry(w, h, horizontalScrollBar_->value(), verticalScrollBar_->value(),
                                       zoomStep_, document_->width(), document_->height());
    drawnGeometry_ = *geometry;
    linesShown_ = 0;
    redrawClock_.start();
    return true;
}

void MainWindow::onJobsStateChanged(orvenna::ViewerJobs::State state) {
    using State = orvenna::ViewerJobs::State;
    onOpeningStateChanged(state == State::Opening);
    const bool drawing = state == State::Drawing;
    escapeShortcut_->setEnabled(drawing ||
                                (state == State::Opening && progressWindow_->stopButton->isEnabled()));
    if (drawing) {
        redrawTicker_->start();
    } else {
        redrawTicker_->stop();
        stopRedrawButton_->hide();
    }
}

// Copies the finished lines [first, end) of the redraw's picture into the one shown.
void MainWindow::showRedrawLines(int first, int end) {
    const orvenna::RedrawJob& drawn = jobs_->redrawPicture();
    QImage& shown = view_->picture;
    if (!drawn.pixels() || shown.size() != QSize(drawn.width(), drawn.height())) return;
    const size_t bytes = static_cast<size_t>(drawn.width()) * 3;
    for (int y = std::max(first, 0); y < std::min(end, shown.height()); ++y)
        std::memcpy(shown.scanLine(y), drawn.pixels() + drawn.stride() * y, bytes);
}

// A long redraw shows its finished lines as they come and, after a while, offers to stop.
void MainWindow::onRedrawTick() {
    const int done = jobs_->redrawPicture().linesDone();
    if (done > linesShown_) {
        showRedrawLines(linesShown_, done);
        linesShown_ = done;
        drawBusyText(view_->picture);  // stays until the picture is done
        view_->update();
    }
    if (!stopRedrawButton_->isVisible() && redrawClock_.elapsed() >= kStopButtonDelayMs) {
        // Under the busy text.
        const QImage& shown = view_->picture;
        stopRedrawButton_->move(std::max(0, shown.width() / 2 - stopRedrawButton_->width() / 2),
                                std::max(0, shown.height() / 2 - 6));
        stopRedrawButton_->show();
        stopRedrawButton_->raise();
    }
}

void MainWindow::onRedrawFinished(bool complete, bool stoppedByUser) {
    // A stopped redraw keeps the lines it finished; the lines it did not reach are white.
    const int done = complete ? jobs_->redrawPicture().height() : jobs_->redrawPicture().linesDone();
    showRedrawLines(0, done);
    QImage& shown = view_->picture;
    for (int y = std::max(done, 0); y < shown.height(); ++y)
        std::memset(shown.scanLine(y), 0xFF, static_cast<size_t>(shown.width()) * 3);
    view_->update();
    if (!complete && stoppedByUser) setStatusPanelText(0, tr("描画を中止しました。画像は途中までです"));
    if (!complete) return;
    reportOpeningTime();
    static const bool timing = qEnvironmentVariableIsSet("ORVENNA_TIMING");
    const orvenna::RedrawJob& drawn = jobs_->redrawPicture();
    if (timing)
        std::fprintf(stderr, "orvenna: redraw %dx%d step %d: %lld ms\n", drawn.width(), drawn.height(),
                     drawn.step(), drawn.drawMilliseconds());
}

void MainWindow::stopWork() {
    jobs_->stopRedraw();
    jobs_->stopHistogramPass();
}

// ---- Expression boxes ----------------------------------------------------------------------------------

void MainWindow::onExpressionEdited(int channel) {
    document_->setExpression(channel, expressionEdits_[channel]->text().toStdString());
}

void MainWindow::onExpressionChanged(int channel) {
    QLineEdit* edit = expressionEdits_[channel];
    const QString text = QString::fromStdString(document_->expression(channel).text());
    if (edit->text() != text) {
        const QSignalBlocker blocker(edit);
        edit->setText(text);
    }
    showExpressionProblem(channel);
}

void MainWindow::showExpressionProblem(int channel) {
    // The box's own tooltip is kept while a reason stands in its place.
    static const char* const kOwnToolTip = "ownToolTip";
    QLineEdit* edit = expressionEdits_[channel];
    const orvenna::Expression& expression = document_->expression(channel);
    QString& shown = expressionProblems_[static_cast<size_t>(channel)];
    if (expression.compiles()) {
        setEditColour(edit, channelColour(channel));
        shown.clear();
        if (edit->property(kOwnToolTip).isValid()) edit->setToolTip(edit->property(kOwnToolTip).toString());
        return;
    }
    setEditColour(edit, Qt::black);
    const QString problem = QString::fromStdString(expression.problem());
    if (!edit->property(kOwnToolTip).isValid()) edit->setProperty(kOwnToolTip, edit->toolTip());
    edit->setToolTip(problem);
    if (problem != shown) setStatusPanelText(0, problem);
    shown = problem;
}
