#include "display/Presetls_thm.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "app/Main.h"
#include "display/PresetDialogParts.h"
#include "display/PresetTexts.h"
#include "platform/Fonts.h"
#include "platform/ImageControl.h"
#include "platform/Prompts.h"
#include "platform/UpDown.h"

TPresetFormLS_THM* PresetFormLS_THM = nullptr;

namespace {

constexpr int kScaleLeft = 29;
constexpr int kScaleTop = 226;
constexpr int kScaleWidth = 256;

// Colour of the temperature ramp at t (0 = minimum, 1 = maximum): black, blue, cyan, green, yellow, red at
// equal steps, linear in between - the same ramp the preset's expressions draw.
QRgb RampColour(double t) {
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

QImage ScalePicture() {
    QImage picture(kScaleWidth, 10, QImage::Format_RGB32);
    for (int x = 0; x < kScaleWidth; ++x) {
        const QRgb colour = RampColour(1.0 - x / double(kScaleWidth - 1));
        for (int y = 0; y < 10; ++y)
            picture.setPixel(x, y, colour);
    }
    return picture;
}

// Reads an edit's text as a whole number.
bool ReadWholeNumber(const QLineEdit* edit, int* value) {
    bool ok = false;
    const int v = edit->text().trimmed().toInt(&ok);
    if (ok) *value = v;
    return ok;
}

}  // namespace

TPresetFormLS_THM::TPresetFormLS_THM(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("PresetFormLS_THM"));
    setWindowTitle(QStringLiteral("LANDSAT温度分布"));
    setFont(FormFont());
    setFixedSize(315, 307);

    TitleLabel = presetui::MakeTitleLabel(this, QStringLiteral("LANDSAT温度分布"));
    DetailMemo =
        presetui::MakeDetailMemo(this,
                                 {QStringLiteral("ひとつのバンドを Landsat-7/ETM+ のバンド6-1とみな"),
                                  QStringLiteral("し、温度分布をサーモグラフィとして作成します。"), QString(),
                                  QStringLiteral("以下のひとつのバンドを選択し、LMAXとLMINが指定さ"),
                                  QStringLiteral("れていなければ指定してください。"),
                                  QStringLiteral("ただし、V, W, X, Y, Zは内部で計算用に使用しているの"),
                                  QStringLiteral("で選択しないでください。")},
                                 6, 34, 303, 112);

    BandLabel = presetui::MakeLabel(this, QStringLiteral("対象"), 12, 156);
    BandComboBox = new QComboBox(this);
    BandComboBox->setGeometry(56, 152, 249, 21);

    LMAXLabel = presetui::MakeLabel(this, QStringLiteral("LMAX"), 12, 184);
    LMAXEdit = new QLineEdit(QStringLiteral("0"), this);
    LMAXEdit->setGeometry(56, 180, 90, 21);
    LMINLabel = presetui::MakeLabel(this, QStringLiteral("LMIN"), 166, 184);
    LMINEdit = new QLineEdit(QStringLiteral("0"), this);
    LMINEdit->setGeometry(210, 180, 95, 21);

    MaxTempLabel = presetui::MakeLabel(this, QStringLiteral("最大温度(℃)"), 12, 208);
    MaxTempEdit = new QLineEdit(QStringLiteral("45"), this);
    MaxTempEdit->setGeometry(90, 204, 41, 21);
    TempUpDown = new UpDown(this);
    TempUpDown->SetRange(-255, 255);
    TempUpDown->SetPosition(45);
    TempUpDown->SetAssociate(MaxTempEdit);
    MinTempLabel = presetui::MakeLabel(this, QStringLiteral("最小温度(℃)"), 166, 208);
    MinTempEdit = new QLineEdit(QStringLiteral("0"), this);
    MinTempEdit->setGeometry(249, 204, 41, 21);
    TempMinUpDown = new UpDown(this);
    TempMinUpDown->SetRange(-255, 255);
    TempMinUpDown->SetPosition(0);
    TempMinUpDown->SetAssociate(MinTempEdit);

    // The scale sits below the temperature edits; its labels are placed under six equal steps of it.
    Image1 = new ImageControl(this);
    Image1->setGeometry(kScaleLeft, kScaleTop + 8, kScaleWidth, 10);
    Image1->Picture = ScalePicture();
    LabelRed = new QLabel(QStringLiteral("50"), this);
    LabelYellow = new QLabel(QStringLiteral("40"), this);
    LabelGreen = new QLabel(QStringLiteral("30"), this);
    LabelWater = new QLabel(QStringLiteral("20"), this);
    LabelBlue = new QLabel(QStringLiteral("10"), this);
    LabelBlack = new QLabel(QStringLiteral("0"), this);
    PlaceScaleLabels();

    BtnOk = new QPushButton(QStringLiteral("実行"), this);
    BtnOk->setGeometry(146, 276, 75, 25);
    BtnOk->setDefault(true);
    BtnCancel = new QPushButton(QStringLiteral("閉じる"), this);
    BtnCancel->setGeometry(230, 276, 75, 25);

    connect(BtnOk, &QPushButton::clicked, this, [this] { BtnOkClick(); });
    connect(BtnCancel, &QPushButton::clicked, this, [this] { BtnCancelClick(); });
    // Connected last, so the captions stored above stand until the user changes a temperature.
    connect(MaxTempEdit, &QLineEdit::textChanged, this, [this] { MaxTempEditChange(); });
    connect(MinTempEdit, &QLineEdit::textChanged, this, [this] { MaxTempEditChange(); });
}

void TPresetFormLS_THM::PlaceScaleLabels() {
    QLabel* labels[6] = {LabelRed, LabelYellow, LabelGreen, LabelWater, LabelBlue, LabelBlack};
    for (int i = 0; i < 6; ++i) {
        labels[i]->adjustSize();
        const int centre = kScaleLeft + i * (kScaleWidth - 1) / 5;
        labels[i]->move(centre - labels[i]->width() / 2, kScaleTop + 20);
    }
}

void TPresetFormLS_THM::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TPresetFormLS_THM::FormShow() {
    BtnOk->setEnabled(true);
}

void TPresetFormLS_THM::BtnCancelClick() {
    close();
}

void TPresetFormLS_THM::MaxTempEditChange() {
    int max = 0;
    int min = 0;
    if (ReadWholeNumber(MaxTempEdit, &max) && ReadWholeNumber(MinTempEdit, &min)) {
        max = TempUpDown->Position();
        min = TempMinUpDown->Position();
    } else {
        max = min = 0;
    }
    const orvenna::TemperatureScaleLabels scale = orvenna::TemperatureScale(max, min);
    LabelRed->setText(QString::number(scale.red));
    LabelYellow->setText(QString::number(scale.yellow));
    LabelGreen->setText(QString::number(scale.green));
    LabelWater->setText(QString::number(scale.water));
    LabelBlue->setText(QString::number(scale.blue));
    LabelBlack->setText(QString::number(scale.black));
    PlaceScaleLabels();
}

void TPresetFormLS_THM::BtnOkClick() {
    TGelvantMainForm* main = GelvantMainForm;
    if (!main) return;

    // Calibration first: a value that is not a number stops the run before anything changes.
    float lmax = 0;
    float lmin = 0;
    for (auto [edit, name, value] :
         {std::tuple{LMAXEdit, "LMAX", &lmax}, std::tuple{LMINEdit, "LMIN", &lmin}}) {
        if (!orvenna::ParseCalibrationNumber(edit->text().toStdString(), value)) {
            Prompts::Current().Inform(
                QStringLiteral("%1 の値「%2」は数値として読めません。数値を入力してください。")
                    .arg(QLatin1String(name), edit->text()),
                QStringLiteral("失敗"), PromptKind::Information);
            return;
        }
    }
    const int index = BandComboBox->currentIndex();
    if (index < 0) return;  // nothing listed to choose from

    const int maxTemp = TempUpDown->Position();
    const int minTemp = TempMinUpDown->Position();
    const orvenna::PresetChannelTexts texts =
        orvenna::LandsatTemperatureTexts(orvenna::PresetBandLetter(index), lmax, lmin, minTemp, maxTemp);
    main->ExpEditR->setText(QString::fromStdString(texts.red));
    main->ExpEditG->setText(QString::fromStdString(texts.green));
    main->ExpEditB->setText(QString::fromStdString(texts.blue));

    // The band is read at its full scale; a row that was closed since the dialog was filled is skipped.
    if (index < static_cast<int>(main->BandRowList.size())) {
        BandRow* row = main->BandRowList[index].get();
        row->MinUpDown->SetPosition(0);
        row->MaxUpDown->SetPosition(255);
        main->RefreshBandRow(row);
    }

    BtnOk->setEnabled(false);
    main->DrawComposite();
    BtnOk->setEnabled(true);
}
