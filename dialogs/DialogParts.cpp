#include "dialogs/DialogParts.h"

#include <algorithm>

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTextDocument>

namespace dialogparts {

QLabel* makeTitleLabel(QWidget* dialog, const QString& text) {
    auto* label = new QLabel(text, dialog);
    QFont font = dialog->font();
    font.setPixelSize(16);
    font.setBold(true);
    label->setFont(font);
    label->move(8, 8);
    label->adjustSize();
    return label;
}

QPlainTextEdit* makeExplanationText(QWidget* dialog, const QString& text, int x, int y, int width,
                                    int height) {
    auto* box = new QPlainTextEdit(dialog);
    box->setReadOnly(true);
    box->setFrameShape(QFrame::NoFrame);
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    box->setFocusPolicy(Qt::NoFocus);
    box->document()->setDocumentMargin(2);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window).darker(105));  // light 3-D grey
    box->setPalette(palette);
    box->setPlainText(text);
    box->setGeometry(x, y, width, height);
    return box;
}

QLabel* makeLabel(QWidget* parent, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->move(x, y);
    label->adjustSize();
    return label;
}

void fillComboBox(QComboBox* combo, const QStringList& items) {
    combo->clear();
    combo->addItems(items);
    combo->setCurrentIndex(0);
}

void fillBandComboBox(QComboBox* combo, const QStringList& labels) {
    QStyleOptionComboBox option;
    option.initFrom(combo);
    const int room = combo->style()
                         ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo)
                         .width();
    const QFontMetrics metrics = combo->fontMetrics();
    combo->clear();
    for (const QString& label : labels) {
        combo->addItem(metrics.elidedText(label, Qt::ElideMiddle, std::max(room - 4, 16)));
        combo->setItemData(combo->count() - 1, label, Qt::ToolTipRole);
    }
    auto showWhole = [combo](int index) {
        combo->setToolTip(combo->itemData(index, Qt::ToolTipRole).toString());
    };
    if (!combo->property("wholeLabelTip").toBool()) {
        combo->setProperty("wholeLabelTip", true);
        QObject::connect(combo, &QComboBox::currentIndexChanged, combo, showWhole);
    }
    combo->setCurrentIndex(0);
    showWhole(combo->currentIndex());
}

}  // namespace dialogparts
