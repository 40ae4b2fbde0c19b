#include "display/Presetndvi.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/Main.h"
#include "display/PresetDialogParts.h"
#include "display/PresetTexts.h"
#include "platform/Fonts.h"
#include "platform/UpDown.h"

TPresetFormNDVI* PresetFormNDVI = nullptr;

TPresetFormNDVI::TPresetFormNDVI(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("PresetFormNDVI"));
    setWindowTitle(QStringLiteral("NDVI"));
    setFont(FormFont());
    setFixedSize(315, 221);

    TitleLabel = presetui::MakeTitleLabel(this, QStringLiteral("NDVI"));
    DetailMemo = presetui::MakeDetailMemo(this,
                                          {QStringLiteral("植物の元気具合を合成します。"),
                                           QStringLiteral("白ければ白いほど、その部分の植物が元気であること"),
                                           QStringLiteral("を表しています。"), QString(),
                                           QStringLiteral("以下の２つのバンドを選択してください")},
                                          6, 34, 303, 84);

    RedLabel = presetui::MakeLabel(this, QStringLiteral("赤"), 16, 132);
    RedComboBox = new QComboBox(this);
    RedComboBox->setGeometry(72, 128, 233, 21);
    NIRLabel = presetui::MakeLabel(this, QStringLiteral("近赤外"), 16, 160);
    NIRComboBox = new QComboBox(this);
    NIRComboBox->setGeometry(72, 156, 233, 21);

    BtnOk = new QPushButton(QStringLiteral("OK"), this);
    BtnOk->setGeometry(146, 190, 75, 25);
    BtnOk->setDefault(true);
    BtnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    BtnCancel->setGeometry(230, 190, 75, 25);

    connect(BtnOk, &QPushButton::clicked, this, [this] { BtnOkClick(); });
    connect(BtnCancel, &QPushButton::clicked, this, [this] { BtnCancelClick(); });
}

void TPresetFormNDVI::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TPresetFormNDVI::FormShow() {
    BtnOk->setEnabled(true);
}

void TPresetFormNDVI::BtnCancelClick() {
    close();
}

void TPresetFormNDVI::BtnOkClick() {
    TGelvantMainForm* main = GelvantMainForm;
    if (!main) return;
    const int red = RedComboBox->currentIndex();
    const int nir = NIRComboBox->currentIndex();
    if (red < 0 || nir < 0) return;  // nothing listed to choose from

    const QString text = QString::fromStdString(
        orvenna::NdviText(orvenna::PresetBandLetter(red), orvenna::PresetBandLetter(nir)));
    main->ExpEditR->setText(text);
    main->ExpEditG->setText(text);
    main->ExpEditB->setText(text);

    // The band list may have changed since the dialog was filled: rows that are gone are skipped.
    auto row = [main](int index) -> BandRow* {
        return index < static_cast<int>(main->BandRowList.size()) ? main->BandRowList[index].get() : nullptr;
    };
    for (BandRow* r : {row(red), row(nir)}) {
        if (!r) continue;
        r->MinUpDown->SetPosition(0);
        r->MaxUpDown->SetPosition(255);
    }
    for (BandRow* r : {row(red), row(nir)}) {
        if (r) main->RefreshBandRow(r);
    }

    hide();
    BtnOk->setEnabled(false);
    main->DrawComposite();
    close();
}
