#include "dialogs/NdviPresetDialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "dialogs/DialogParts.h"
#include "document/Document.h"
#include "document/Presets.h"
#include "platform/Fonts.h"

NdviPresetDialog::NdviPresetDialog(orvenna::Document& document, QWidget* parent)
    : PresetDialog(document, parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("NdviPresetDialog"));
    setWindowTitle(QStringLiteral("NDVI"));
    setFont(uiFont());
    setFixedSize(315, 221);

    titleLabel = dialogparts::makeTitleLabel(this, QStringLiteral("NDVI"));
    //: Lines are broken by hand to fit the box, which does not wrap.
    explanationText = dialogparts::makeExplanationText(this,
                                                       tr("植物の元気具合を合成します。\n"
                                                          "白ければ白いほど、その部分の植物が元気であること\n"
                                                          "を表しています。\n"
                                                          "\n"
                                                          "以下の２つのバンドを選択してください"),
                                                       6, 34, 303, 84);

    redBandLabel = dialogparts::makeLabel(this, tr("赤"), 16, 132);
    redBandComboBox = new QComboBox(this);
    redBandComboBox->setGeometry(72, 128, 233, 21);
    nearInfraredBandLabel = dialogparts::makeLabel(this, tr("近赤外"), 16, 160);
    nearInfraredBandComboBox = new QComboBox(this);
    nearInfraredBandComboBox->setGeometry(72, 156, 233, 21);

    okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setGeometry(146, 190, 75, 25);
    okButton->setDefault(true);
    setApplyButton(okButton);
    cancelButton = new QPushButton(tr("キャンセル"), this);
    cancelButton->setGeometry(230, 190, 75, 25);

    connect(okButton, &QPushButton::clicked, this, [this] { onOkClicked(); });
    connect(cancelButton, &QPushButton::clicked, this, [this] { onCancelClicked(); });
}

void NdviPresetDialog::setBandLabels(const QStringList& labels) {
    dialogparts::fillBandComboBox(nearInfraredBandComboBox, labels);
    dialogparts::fillBandComboBox(redBandComboBox, labels);
    // The red and near-infrared bands of a known product start chosen.
    const orvenna::NdviBandChoice bands = document().ndviBands();
    if (bands.red >= 0 && bands.red < redBandComboBox->count()) redBandComboBox->setCurrentIndex(bands.red);
    if (bands.nearInfrared >= 0 && bands.nearInfrared < nearInfraredBandComboBox->count())
        nearInfraredBandComboBox->setCurrentIndex(bands.nearInfrared);
}

void NdviPresetDialog::onCancelClicked() {
    close();
}

void NdviPresetDialog::onOkClicked() {
    const int red = redBandComboBox->currentIndex();
    const int nir = nearInfraredBandComboBox->currentIndex();
    if (red < 0 || nir < 0) return;  // nothing listed to choose from
    hide();
    okButton->setEnabled(false);
    apply(orvenna::PresetRequest::ndvi(red, nir));
    close();
}
