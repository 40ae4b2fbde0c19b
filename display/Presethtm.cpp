#include "display/Presethtm.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/Main.h"
#include "display/PresetDialogParts.h"
#include "display/PresetTexts.h"
#include "platform/Fonts.h"

TPresetFormTHM* PresetFormTHM = nullptr;

TPresetFormTHM::TPresetFormTHM(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("PresetFormTHM"));
    setWindowTitle(QStringLiteral("サーモグラフィー風"));
    setFont(FormFont());
    setFixedSize(315, 313);

    TitleLabel = presetui::MakeTitleLabel(this, QStringLiteral("サーモグラフィー風"));
    DetailMemo = presetui::MakeDetailMemo(
        this,
        {QStringLiteral("ひとつのバンドをサーモグラフィー風に色合成します。"),
         QStringLiteral("値が大きいほどその部分が赤に近づき、小さいほど黒"), QStringLiteral("に近づきます。"),
         QString(), QStringLiteral("以下のひとつのバンド、もしくは式を選択してください。"),
         QStringLiteral("ただし、W, X, Y, Zは内部で計算用に使用しているので"),
         QStringLiteral("選択や使用をしないでください。"), QString(),
         QStringLiteral("（処理に若干の時間がかかります）")},
        6, 34, 303, 142);

    BandRadioButton = new QRadioButton(QStringLiteral("バンドに処理(&B)"), this);
    BandRadioButton->move(12, 184);
    BandRadioButton->adjustSize();
    BandRadioButton->setChecked(true);
    BandLabel = presetui::MakeLabel(this, QStringLiteral("対象"), 32, 210);
    BandComboBox = new QComboBox(this);
    BandComboBox->setGeometry(72, 206, 233, 21);

    ExpRadioButton = new QRadioButton(QStringLiteral("式に処理(&E)"), this);
    ExpRadioButton->move(12, 234);
    ExpRadioButton->adjustSize();
    ExpLabel = presetui::MakeLabel(this, QStringLiteral("式"), 32, 260);
    ExpComboBox = new QComboBox(this);
    ExpComboBox->setEditable(true);
    ExpComboBox->setInsertPolicy(QComboBox::NoInsert);
    ExpComboBox->setGeometry(72, 256, 233, 21);
    ExpComboBox->setEnabled(false);

    BtnOk = new QPushButton(QStringLiteral("OK"), this);
    BtnOk->setGeometry(146, 283, 75, 25);
    BtnOk->setDefault(true);
    BtnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    BtnCancel->setGeometry(230, 283, 75, 25);

    connect(BtnOk, &QPushButton::clicked, this, [this] { BtnOkClick(); });
    connect(BtnCancel, &QPushButton::clicked, this, [this] { BtnCancelClick(); });
    connect(BandRadioButton, &QRadioButton::clicked, this, [this] { BandRadioButtonClick(); });
    connect(ExpRadioButton, &QRadioButton::clicked, this, [this] { ExpRadioButtonClick(); });
}

void TPresetFormTHM::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TPresetFormTHM::FormShow() {
    BtnOk->setEnabled(true);
}

void TPresetFormTHM::BtnCancelClick() {
    close();
}

void TPresetFormTHM::BandRadioButtonClick() {
    BandComboBox->setEnabled(true);
    ExpComboBox->setEnabled(false);
}

void TPresetFormTHM::ExpRadioButtonClick() {
    BandComboBox->setEnabled(false);
    ExpComboBox->setEnabled(true);
}

void TPresetFormTHM::BtnOkClick() {
    TGelvantMainForm* main = GelvantMainForm;
    if (!main) return;
    std::string source;
    if (BandRadioButton->isChecked()) {
        if (BandComboBox->currentIndex() < 0) return;  // nothing listed to choose from
        source = std::string(1, orvenna::PresetBandLetter(BandComboBox->currentIndex()));
    } else {
        // A text that does not compile is written as it stands: its channels and boxes turn black.
        source = ExpComboBox->currentText().toStdString();
    }
    const orvenna::PresetChannelTexts texts = orvenna::ThermographyTexts(source);
    main->ExpEditR->setText(QString::fromStdString(texts.red));
    main->ExpEditG->setText(QString::fromStdString(texts.green));
    main->ExpEditB->setText(QString::fromStdString(texts.blue));

    hide();
    BtnOk->setEnabled(false);
    main->DrawComposite();
    close();
}
