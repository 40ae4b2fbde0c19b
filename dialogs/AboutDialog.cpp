#include "dialogs/AboutDialog.h"

#include "dialogs/WindowCentring.h"
#include "platform/Fonts.h"
#include "platform/ImageControl.h"
#include "platform/ToolIcons.h"

#include <QLabel>
#include <QPushButton>

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setWindowTitle(tr("バージョン情報"));
    setFont(uiFont());
    setFixedSize(365, 188);

    iconView = new ImageControl(this);
    iconView->setGeometry(16, 8, 41, 41);
    iconView->picture = applicationIconImage(32);

    auto label = [this](const char* text, int x, int y) {
        auto* l = new QLabel(QString::fromUtf8(text), this);
        l->move(x, y);
        l->adjustSize();
        return l;
    };
    viewerVersionLabel = label("Orvenna ver1.11", 68, 12);
    ecalcVersionLabel = label("ecalc ver1.4", 96, 68);
    tifrecVersionLabel = label("tifrec ver1.0", 96, 84);
    remosVersionLabel = label("remos ver1.2", 96, 100);
    econfVersionLabel = label("econf ver1.0", 96, 116);

    okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setGeometry(284, 156, 75, 25);
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, [this] { onOkClicked(); });
}

void AboutDialog::onOkClicked() {
    accept();
}

void AboutDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    centreOverWindow(this, parentWidget());
}
