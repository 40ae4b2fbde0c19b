#include "dialogs/ThermographyPresetDialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "dialogs/DialogParts.h"
#include "display/PresetTexts.h"
#include "document/Presets.h"
#include "platform/Fonts.h"

ThermographyPresetDialog::ThermographyPresetDialog(orvenna::Document& document, QWidget* parent)
    : PresetDialog(document, parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("ThermographyPresetDialog"));
    setWindowTitle(tr("サーモグラフィー風"));
    setFont(uiFont());
    setFixedSize(315, 313);

    titleLabel = dialogparts::makeTitleLabel(this, tr("サーモグラフィー風"));
    //: Lines are broken by hand to fit the box, which does not wrap.
    explanationText =
        dialogparts::makeExplanationText(this,
                                         tr("ひとつのバンドをサーモグラフィー風に色合成します。\n"
                                            "値が大きいほどその部分が赤に近づき、小さいほど黒\n"
                                            "に近づきます。\n"
                                            "\n"
                                            "以下のひとつのバンド、もしくは式を選択してください。\n"
                                            "ただし、W, X, Y, Zは内部で計算用に使用しているので\n"
                                            "選択や使用をしないでください。\n"
                                            "\n"
                                            "（処理に若干の時間がかかります）"),
                                         6, 34, 303, 142);

    bandRadioButton = new QRadioButton(tr("バンドに処理(&B)"), this);
    bandRadioButton->move(12, 184);
    bandRadioButton->adjustSize();
    bandRadioButton->setChecked(true);
    bandLabel = dialogparts::makeLabel(this, tr("対象"), 32, 210);
    bandComboBox = new QComboBox(this);
    bandComboBox->setGeometry(72, 206, 233, 21);

    expressionRadioButton = new QRadioButton(tr("式に処理(&E)"), this);
    expressionRadioButton->move(12, 234);
    expressionRadioButton->adjustSize();
    expressionLabel = dialogparts::makeLabel(this, tr("式"), 32, 260);
    expressionComboBox = new QComboBox(this);
    expressionComboBox->setEditable(true);
    expressionComboBox->setInsertPolicy(QComboBox::NoInsert);
    expressionComboBox->setGeometry(72, 256, 233, 21);
    expressionComboBox->setEnabled(false);

    okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setGeometry(146, 283, 75, 25);
    okButton->setDefault(true);
    setApplyButton(okButton);
    cancelButton = new QPushButton(tr("キャンセル"), this);
    cancelButton->setGeometry(230, 283, 75, 25);

    connect(okButton, &QPushButton::clicked, this, [this] { onOkClicked(); });
    connect(cancelButton, &QPushButton::clicked, this, [this] { onCancelClicked(); });
    connect(bandRadioButton, &QRadioButton::clicked, this, [this] { onBandRadioClicked(); });
    connect(expressionRadioButton, &QRadioButton::clicked, this, [this] { onExpressionRadioClicked(); });
}

void ThermographyPresetDialog::setSources(const QStringList& bandLabels, const QStringList& expressions) {
    dialogparts::fillBandComboBox(bandComboBox, bandLabels);
    dialogparts::fillComboBox(expressionComboBox, expressions);
}

void ThermographyPresetDialog::onCancelClicked() {
    close();
}

void ThermographyPresetDialog::onBandRadioClicked() {
    bandComboBox->setEnabled(true);
    expressionComboBox->setEnabled(false);
}

void ThermographyPresetDialog::onExpressionRadioClicked() {
    bandComboBox->setEnabled(false);
    expressionComboBox->setEnabled(true);
}

void ThermographyPresetDialog::onOkClicked() {
    std::string source;
    if (bandRadioButton->isChecked()) {
        if (bandComboBox->currentIndex() < 0) return;  // nothing listed to choose from
        source = std::string(1, orvenna::PresetBandLetter(bandComboBox->currentIndex()));
    } else {
        // A text that does not compile is written as it stands: its channels and boxes turn black.
        source = expressionComboBox->currentText().toStdString();
    }
    hide();
    okButton->setEnabled(false);
    apply(orvenna::PresetRequest::thermography(source));
    close();
}
