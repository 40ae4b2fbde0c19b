#include "display/PresetDialogParts.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QTextDocument>

#include "app/Main.h"

namespace presetui {

QLabel* MakeTitleLabel(QWidget* dialog, const QString& text) {
    auto* label = new QLabel(text, dialog);
    QFont font = dialog->font();
    font.setPixelSize(16);
    font.setBold(true);
    label->setFont(font);
    label->move(8, 8);
    label->adjustSize();
    return label;
}

QPlainTextEdit* MakeDetailMemo(QWidget* dialog, const QStringList& lines, int x, int y, int width,
                               int height) {
    auto* memo = new QPlainTextEdit(dialog);
    memo->setReadOnly(true);
    memo->setFrameShape(QFrame::NoFrame);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    memo->setFocusPolicy(Qt::NoFocus);
    memo->document()->setDocumentMargin(2);
    QPalette palette = memo->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window).darker(105));  // light 3-D grey
    memo->setPalette(palette);
    memo->setPlainText(lines.join(QLatin1Char('\n')));
    memo->setGeometry(x, y, width, height);
    return memo;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->move(x, y);
    label->adjustSize();
    return label;
}

void CentreOverMainWindow(QWidget* dialog) {
    if (!GelvantMainForm) return;
    const QRect main = GelvantMainForm->frameGeometry();
    const QRect own = dialog->frameGeometry();
    dialog->move(main.left() + main.width() / 2 - own.width() / 2,
                 main.top() + main.height() / 2 - own.height() / 2);
}

}  // namespace presetui
