#include "platform/ElidedLabel.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

void ElidedLabel::setElideMode(Qt::TextElideMode mode) {
    elideMode_ = mode;
    update();
}

QRect ElidedLabel::textRoom() const {
    return contentsRect().adjusted(margin(), margin(), -margin(), -margin());
}

bool ElidedLabel::isElided() const {
    return fontMetrics().horizontalAdvance(text()) > textRoom().width();
}

QString ElidedLabel::shownText() const {
    return fontMetrics().elidedText(text(), elideMode_, textRoom().width());
}

void ElidedLabel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);  // the frame only; the text is drawn here
    QPainter painter(this);
    painter.drawText(textRoom(), alignment(), shownText());
}

bool ElidedLabel::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (isElided())
            QToolTip::showText(help->globalPos(), text(), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QLabel::event(event);
}
