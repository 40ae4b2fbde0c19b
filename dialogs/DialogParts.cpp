#include "dialogs/DialogParts.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
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

QPlainTextEdit* makeExplanationText(QWidget* dialog, const QStringList& lines, int x, int y, int width,
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
    box->setPlainText(lines.join(QLatin1Char('\n')));
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

}  // namespace dialogparts
