#include "dialogs/BandValuePlotView.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

BandValuePlotView::BandValuePlotView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void BandValuePlotView::setSamples(std::vector<orvenna::BandValueSample> samples) {
    samples_ = std::move(samples);
    update();
}

orvenna::BandValuePlotLayout BandValuePlotView::currentLayout() const {
    const QFontMetrics metrics = fontMetrics();
    return orvenna::layout_band_value_plot(samples_, width(), height(),
                                           metrics.horizontalAdvance(QStringLiteral("26")), metrics.height());
}

void BandValuePlotView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& colours = palette();
    p.fillRect(rect(), colours.color(QPalette::Base));
    const orvenna::BandValuePlotLayout layout = currentLayout();

    // Frame of the value axis: bottom = the low end of every band's scale, top = the high end.
    p.setPen(colours.color(QPalette::Mid));
    p.drawRect(QRect(QPoint(layout.left - 2, layout.top - 2), QPoint(layout.right + 2, layout.bottom + 2)));
    p.drawLine(layout.left - 2, (layout.top + layout.bottom) / 2, layout.right + 2,
               (layout.top + layout.bottom) / 2);

    p.setPen(colours.color(QPalette::Text));
    const QFontMetrics metrics = fontMetrics();
    for (size_t i = 0; i < layout.labels.size(); ++i) {
        if (layout.labels[i].empty()) continue;
        const QString label = QString::fromStdString(layout.labels[i]);
        const int x = layout.points[i].x - metrics.horizontalAdvance(label) / 2;
        p.drawText(x, layout.bottom + 3 + metrics.ascent(), label);
    }

    // The line through the bands' values; a band without a value breaks it.
    const QColor ink = colours.color(QPalette::Highlight);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(ink, 1.5));
    QPainterPath line;
    bool drawing = false;
    for (const orvenna::BandValuePoint& point : layout.points) {
        if (!point.valid) {
            drawing = false;
            continue;
        }
        if (drawing)
            line.lineTo(point.x, point.y);
        else
            line.moveTo(point.x, point.y);
        drawing = true;
    }
    p.drawPath(line);
    for (const orvenna::BandValuePoint& point : layout.points) {
        if (!point.valid) continue;
        // Values beyond the band's scale show as hollow marks on the edge they passed.
        p.setBrush(point.clipped ? colours.color(QPalette::Base) : ink);
        p.drawEllipse(QPointF(point.x, point.y), 2.5, 2.5);
    }

    // Notes beside their points, kept inside the plot: right of the point, or left of it near the right edge.
    p.setPen(colours.color(QPalette::Text));
    for (size_t i = 0; i < layout.points.size() && i < samples_.size(); ++i) {
        const orvenna::BandValuePoint& point = layout.points[i];
        if (!point.valid || samples_[i].note.empty()) continue;
        const QString note = QString::fromStdString(samples_[i].note);
        const int w = metrics.horizontalAdvance(note);
        int x = point.x + 5;
        if (x + w > layout.right) x = std::max(layout.left, point.x - 5 - w);
        const int highest = std::min(layout.top + metrics.ascent(), layout.bottom);
        const int y = std::clamp(point.y + metrics.ascent() / 2, highest, layout.bottom);
        p.drawText(x, y, note);
    }
}
