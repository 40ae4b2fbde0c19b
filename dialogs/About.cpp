#include "dialogs/About.h"

#include "app/Main.h"
#include "app/ToolIcons.h"
#include "platform/Fonts.h"
#include "platform/ImageControl.h"

#include <QLabel>
#include <QPushButton>

TAboutForm* AboutForm = nullptr;

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setWindowTitle(QStringLiteral("バージョン情報"));
    setFont(FormFont());
    setFixedSize(365, 188);

    Image1 = new ImageControl(this);
    Image1->setGeometry(16, 8, 41, 41);
    Image1->Picture = ApplicationIconImage(32);

    auto label = [this](const char* text, int x, int y) {
        auto* l = new QLabel(QString::fromUtf8(text), this);
        l->move(x, y);
        l->adjustSize();
        return l;
    };
    Label1 = label("Orvenna ver1.11", 68, 12);
    Label3 = label("ecalc ver1.4", 96, 68);
    Label4 = label("tifrec ver1.0", 96, 84);
    Label5 = label("remos ver1.2", 96, 100);
    Label8 = label("econf ver1.0", 96, 116);

    ButtonOk = new QPushButton(QStringLiteral("OK"), this);
    ButtonOk->setGeometry(284, 156, 75, 25);
    ButtonOk->setDefault(true);
    connect(ButtonOk, &QPushButton::clicked, this, [this] { ButtonOkClick(); });
}

void TAboutForm::ButtonOkClick() {
    accept();
}

void TAboutForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!GelvantMainForm) return;
    const QRect main = GelvantMainForm->frameGeometry();
    const QRect own = frameGeometry();
    move(main.left() + main.width() / 2 - own.width() / 2, main.top() + main.height() / 2 - own.height() / 2);
}
