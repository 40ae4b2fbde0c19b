#include "dialogs/ExportDialog.h"

#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "dialogs/WindowCentring.h"
#include "display/ViewGeometry.h"
#include "platform/Fonts.h"
#include "platform/Prompts.h"
#include "render/PictureWriters.h"

ExportDialog::ExportDialog(int step, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ExportDialog"));
    setWindowTitle(tr("シーン全体を書き出す"));
    setFont(uiFont());
    auto* layout = new QVBoxLayout(this);

    auto* area = new QGroupBox(tr("範囲"), this);
    auto* areaLayout = new QHBoxLayout(area);
    wholeSceneRadioButton = new QRadioButton(tr("シーン全体(&W)"), area);
    viewAreaRadioButton = new QRadioButton(tr("現在の表示範囲(&V)"), area);
    wholeSceneRadioButton->setChecked(true);
    areaLayout->addWidget(wholeSceneRadioButton);
    areaLayout->addWidget(viewAreaRadioButton);
    layout->addWidget(area);

    auto* grid = new QGridLayout;
    auto* stepLabel = new QLabel(tr("倍率(&M)"), this);
    grid->addWidget(stepLabel, 0, 0);
    stepComboBox = new QComboBox(this);
    stepLabel->setBuddy(stepComboBox);
    for (int s = orvenna::kMinZoomStep; s <= orvenna::kMaxZoomStep; ++s)
        stepComboBox->addItem(stepName(s));
    stepComboBox->setCurrentIndex(orvenna::clamp_zoom_step(step));
    grid->addWidget(stepComboBox, 0, 1, 1, 2, Qt::AlignLeft);
    auto* fileLabel = new QLabel(tr("ファイル(&F)"), this);
    grid->addWidget(fileLabel, 1, 0);
    fileEdit = new QLineEdit(this);
    fileLabel->setBuddy(fileEdit);
    fileEdit->setMinimumWidth(320);
    grid->addWidget(fileEdit, 1, 1);
    browseButton = new QPushButton(tr("参照(&B)..."), this);
    grid->addWidget(browseButton, 1, 2);
    layout->addLayout(grid);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    okButton = new QPushButton(tr("OK"), this);
    okButton->setDefault(true);
    cancelButton = new QPushButton(tr("キャンセル"), this);
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    layout->addLayout(buttons);

    connect(browseButton, &QPushButton::clicked, this, &ExportDialog::onBrowseClicked);
    connect(okButton, &QPushButton::clicked, this, &ExportDialog::onOkClicked);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

bool ExportDialog::wholeScene() const {
    return wholeSceneRadioButton->isChecked();
}

int ExportDialog::step() const {
    return stepComboBox->currentIndex();
}

QString ExportDialog::fileName() const {
    return fileEdit->text().trimmed();
}

QString ExportDialog::stepName(int step) {
    const int power = orvenna::kUnitZoomStep - orvenna::clamp_zoom_step(step);
    return power >= 0 ? QStringLiteral("×%1").arg(1 << power) : QStringLiteral("×1/%1").arg(1 << -power);
}

void ExportDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    centreOverWindow(this, parentWidget());
}

void ExportDialog::onBrowseClicked() {
    const QString name = Prompts::current().pickSaveFile(tr("書き出すファイル"),
                                                         tr("GeoTIFF (*.tif);;PNG (*.png);;JPEG (*.jpg)"));
    if (!name.isEmpty()) fileEdit->setText(name);
}

void ExportDialog::onOkClicked() {
    const orvenna::PictureFormat format =
        orvenna::picture_format_of(QFile::encodeName(fileName()).toStdString());
    if (format == orvenna::PictureFormat::Unknown || format == orvenna::PictureFormat::Bmp) {
        Prompts::current().inform(
            tr("ファイル名の拡張子を .tif (GeoTIFF)、.png、.jpg のどれかにしてください"), tr("情報"),
            PromptKind::Information);
        return;
    }
    accept();
}
