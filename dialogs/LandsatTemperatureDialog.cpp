#include "dialogs/LandsatTemperatureDialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "dialogs/DialogParts.h"
#include "display/PresetTexts.h"
#include "document/Document.h"
#include "platform/Fonts.h"
#include "platform/ImageControl.h"
#include "platform/Prompts.h"
#include "platform/SpinButtons.h"

namespace {

constexpr int kScaleLeft = 29;
constexpr int kScaleTop = 226;
constexpr int kScaleWidth = 256;

// Colour of the temperature ramp at t (0 = minimum, 1 = maximum): black, blue, cyan, green, yellow, red at
// equal steps, linear in between - the same ramp the preset's expressions draw.
QRgb rampColour(double t) {
    static const int keys[6][3] = {{0, 0, 0},   {0, 0, 255},   {0, 255, 255},
                                   {0, 255, 0}, {255, 255, 0}, {255, 0, 0}};
    const double pos = std::clamp(t, 0.0, 1.0) * 5.0;
    const int k = std::min(static_cast<int>(pos), 4);
    const double f = pos - k;
    int c[3];
    for (int i = 0; i < 3; ++i)
        c[i] = static_cast<int>(std::lround(keys[k][i] + (keys[k + 1][i] - keys[k][i]) * f));
    return qRgb(c[0], c[1], c[2]);
}

QImage scalePicture() {
    QImage picture(kScaleWidth, 10, QImage::Format_RGB32);
    for (int x = 0; x < kScaleWidth; ++x) {
        const QRgb colour = rampColour(1.0 - x / double(kScaleWidth - 1));
        for (int y = 0; y < 10; ++y)
            picture.setPixel(x, y, colour);
    }
    return picture;
}

// Reads an edit's text as a whole number.
bool readWholeNumber(const QLineEdit* edit, int* value) {
    bool ok = false;
    const int v = edit->text().trimmed().toInt(&ok);
    if (ok) *value = v;
    return ok;
}

}  // namespace

LandsatTemperatureDialog::LandsatTemperatureDialog(orvenna::Document& document, QWidget* parent)
    : PresetDialog(document, parent,
                   Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("LandsatTemperatureDialog"));
    setWindowTitle(tr("LANDSAT温度分布"));
    setFont(uiFont());
    setFixedSize(315, 307);

    titleLabel = dialogparts::makeTitleLabel(this, tr("LANDSAT温度分布"));
    //: Lines are broken by hand to fit the box, which does not wrap.
    explanationText =
        dialogparts::makeExplanationText(this,
                                         tr("ひとつのバンドを Landsat-7/ETM+ のバンド6-1とみな\n"
                                            "し、温度分布をサーモグラフィとして作成します。\n"
                                            "\n"
                                            "以下のひとつのバンドを選択し、LMAXとLMINが指定さ\n"
                                            "れていなければ指定してください。\n"
                                            "ただし、V, W, X, Y, Zは内部で計算用に使用しているの\n"
                                            "で選択しないでください。"),
                                         6, 34, 303, 112);

    bandLabel = dialogparts::makeLabel(this, tr("対象"), 12, 156);
    bandComboBox = new QComboBox(this);
    bandComboBox->setGeometry(56, 152, 249, 21);

    lmaxLabel = dialogparts::makeLabel(this, QStringLiteral("LMAX"), 12, 184);
    lmaxEdit = new QLineEdit(QStringLiteral("0"), this);
    lmaxEdit->setGeometry(56, 180, 90, 21);
    lminLabel = dialogparts::makeLabel(this, QStringLiteral("LMIN"), 166, 184);
    lminEdit = new QLineEdit(QStringLiteral("0"), this);
    lminEdit->setGeometry(210, 180, 95, 21);
    constantsLabel = new QLabel(this);
    constantsLabel->setGeometry(12, 180, 293, 21);
    constantsLabel->hide();

    maxTemperatureLabel = dialogparts::makeLabel(this, tr("最大温度(℃)"), 12, 208);
    maxTemperatureEdit = new QLineEdit(QStringLiteral("45"), this);
    maxTemperatureEdit->setGeometry(90, 204, 41, 21);
    maxTemperatureSpin = new SpinButtons(this);
    maxTemperatureSpin->setRange(-255, 255);
    maxTemperatureSpin->setValue(45);
    maxTemperatureSpin->setEdit(maxTemperatureEdit);
    minTemperatureLabel = dialogparts::makeLabel(this, tr("最小温度(℃)"), 166, 208);
    minTemperatureEdit = new QLineEdit(QStringLiteral("0"), this);
    minTemperatureEdit->setGeometry(249, 204, 41, 21);
    minTemperatureSpin = new SpinButtons(this);
    minTemperatureSpin->setRange(-255, 255);
    minTemperatureSpin->setValue(0);
    minTemperatureSpin->setEdit(minTemperatureEdit);

    // The scale sits below the temperature edits; its labels are placed under six equal steps of it.
    scaleView = new ImageControl(this);
    scaleView->setGeometry(kScaleLeft, kScaleTop + 8, kScaleWidth, 10);
    scaleView->picture = scalePicture();
    // Captioned from the temperature edits, at once and at every change.
    redScaleLabel = new QLabel(this);
    yellowScaleLabel = new QLabel(this);
    greenScaleLabel = new QLabel(this);
    cyanScaleLabel = new QLabel(this);
    blueScaleLabel = new QLabel(this);
    blackScaleLabel = new QLabel(this);

    messageLabel = new QLabel(this);
    messageLabel->setGeometry(12, 259, 293, 16);
    messageLabel->setFont(uiFont(11));
    QPalette warning = messageLabel->palette();
    warning.setColor(QPalette::WindowText, Qt::red);
    messageLabel->setPalette(warning);

    runButton = new QPushButton(tr("実行"), this);
    runButton->setGeometry(146, 276, 75, 25);
    runButton->setDefault(true);
    setApplyButton(runButton);
    closeButton = new QPushButton(tr("閉じる"), this);
    closeButton->setGeometry(230, 276, 75, 25);

    connect(runButton, &QPushButton::clicked, this, [this] { onRunClicked(); });
    connect(closeButton, &QPushButton::clicked, this, [this] { onCloseClicked(); });
    connect(bandComboBox, &QComboBox::currentIndexChanged, this, [this] { onBandChanged(); });
    connect(maxTemperatureEdit, &QLineEdit::textChanged, this, [this] { onTemperatureChanged(); });
    connect(minTemperatureEdit, &QLineEdit::textChanged, this, [this] { onTemperatureChanged(); });
    connect(lmaxEdit, &QLineEdit::textChanged, this, [this] { updateMessage(); });
    connect(lminEdit, &QLineEdit::textChanged, this, [this] { updateMessage(); });
    onTemperatureChanged();
}

void LandsatTemperatureDialog::placeScaleLabels() {
    QLabel* labels[6] = {redScaleLabel,  yellowScaleLabel, greenScaleLabel,
                         cyanScaleLabel, blueScaleLabel,   blackScaleLabel};
    for (int i = 0; i < 6; ++i) {
        labels[i]->adjustSize();
        const int centre = kScaleLeft + i * (kScaleWidth - 1) / 5;
        labels[i]->move(centre - labels[i]->width() / 2, kScaleTop + 20);
    }
}

void LandsatTemperatureDialog::setBandLabels(const QStringList& labels) {
    dialogparts::fillBandComboBox(bandComboBox, labels);
    const int thermal = document().thermalBandIndex();
    if (thermal >= 0 && thermal < bandComboBox->count()) bandComboBox->setCurrentIndex(thermal);
    onBandChanged();
}

void LandsatTemperatureDialog::onBandChanged() {
    const int index = bandComboBox->currentIndex();
    using Kind = orvenna::LandsatThermalChoice::Kind;
    const orvenna::LandsatThermalChoice thermal = document().thermalChoice(index);
    const bool landsat8 = thermal.kind == Kind::Landsat8 || thermal.kind == Kind::Landsat8Missing;
    for (QWidget* w : std::initializer_list<QWidget*>{lmaxLabel, lmaxEdit, lminLabel, lminEdit})
        w->setVisible(!landsat8);
    constantsLabel->setVisible(landsat8);
    updateMessage();
    if (!landsat8) return;
    const QString source = tr("%1 バンド%2").arg(QString::fromStdString(thermal.satellite)).arg(thermal.band);
    QPalette palette = constantsLabel->palette();
    if (thermal.kind == Kind::Landsat8) {
        constantsLabel->setText(tr("定数: %1 (*_MTL.txt)").arg(source));
        const orvenna::ThermalCalibration& c = thermal.calibration;
        constantsLabel->setToolTip(QStringLiteral("ML %1, AL %2, K1 %3, K2 %4")
                                       .arg(QString::fromStdString(orvenna::PlainDecimalText(c.radianceMult)),
                                            QString::fromStdString(orvenna::PlainDecimalText(c.radianceAdd)),
                                            QString::fromStdString(orvenna::PlainDecimalText(c.k1)),
                                            QString::fromStdString(orvenna::PlainDecimalText(c.k2))));
        palette.setColor(QPalette::WindowText, Qt::black);
    } else if (thermal.constantsGiven) {
        constantsLabel->setText(tr("%1 の定数が使えない値です (*_MTL.txt)").arg(source));
        constantsLabel->setToolTip(QString());
        palette.setColor(QPalette::WindowText, Qt::red);
    } else {
        constantsLabel->setText(tr("%1 の定数が *_MTL.txt にありません").arg(source));
        constantsLabel->setToolTip(QString());
        palette.setColor(QPalette::WindowText, Qt::red);
    }
    constantsLabel->setPalette(palette);
}

void LandsatTemperatureDialog::updateMessage() {
    using Kind = orvenna::LandsatThermalChoice::Kind;
    const Kind kind = document().thermalChoice(bandComboBox->currentIndex()).kind;
    QString message;
    float lmax = 0, lmin = 0;
    // A Landsat 8/9 band's constants are judged by constantsLabel; LMAX/LMIN that are no numbers are named
    // when the preset is run.
    if (kind != Kind::Landsat8 && kind != Kind::Landsat8Missing &&
        orvenna::ParseCalibrationNumber(lmaxEdit->text().toStdString(), &lmax) &&
        orvenna::ParseCalibrationNumber(lminEdit->text().toStdString(), &lmin))
        message = QString::fromStdString(orvenna::Landsat7CalibrationProblem(lmax, lmin));
    messageLabel->setText(message);
    messageLabel->setToolTip(message);
}

void LandsatTemperatureDialog::setCalibration(double lmax, double lmin) {
    lmaxEdit->setText(QString::fromStdString(orvenna::GeneralNumberText(lmax)));
    lminEdit->setText(QString::fromStdString(orvenna::GeneralNumberText(lmin)));
}

void LandsatTemperatureDialog::onCloseClicked() {
    close();
}

void LandsatTemperatureDialog::onTemperatureChanged() {
    int max = 0;
    int min = 0;
    if (readWholeNumber(maxTemperatureEdit, &max) && readWholeNumber(minTemperatureEdit, &min)) {
        max = maxTemperatureSpin->value();
        min = minTemperatureSpin->value();
    } else {
        max = min = 0;
    }
    const orvenna::TemperatureScaleLabels scale = orvenna::TemperatureScale(max, min);
    redScaleLabel->setText(QString::number(scale.red));
    yellowScaleLabel->setText(QString::number(scale.yellow));
    greenScaleLabel->setText(QString::number(scale.green));
    cyanScaleLabel->setText(QString::number(scale.water));
    blueScaleLabel->setText(QString::number(scale.blue));
    blackScaleLabel->setText(QString::number(scale.black));
    placeScaleLabels();
}

void LandsatTemperatureDialog::onRunClicked() {
    const int index = bandComboBox->currentIndex();
    if (index < 0) return;  // nothing listed to choose from
    orvenna::PresetRequest request = orvenna::PresetRequest::landsatTemperature(
        index, minTemperatureSpin->value(), maxTemperatureSpin->value());
    // A Landsat 8/9 thermal band takes the constants of its scene's metadata; otherwise LMAX/LMIN as they
    // stand in the edits, and a value that is not a number stops the run before anything changes.
    using Kind = orvenna::LandsatThermalChoice::Kind;
    const Kind kind = document().thermalChoice(index).kind;
    if (kind != Kind::Landsat8 && kind != Kind::Landsat8Missing) {
        request.typedCalibration = true;
        for (auto [edit, name, value] :
             {std::tuple{lmaxEdit, "LMAX", &request.lmax}, std::tuple{lminEdit, "LMIN", &request.lmin}}) {
            if (!orvenna::ParseCalibrationNumber(edit->text().toStdString(), value)) {
                Prompts::current().inform(tr("%1 の値「%2」は数値として読めません。数値を入力してください。")
                                              .arg(QLatin1String(name), edit->text()),
                                          tr("失敗"), PromptKind::Information);
                return;
            }
        }
    }
    runButton->setEnabled(false);
    apply(request);
    runButton->setEnabled(true);
}
