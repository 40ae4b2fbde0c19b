#include "dialogs/Helpformcode.h"

#include "platform/Fonts.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

THelpForm* HelpForm = nullptr;

namespace {

const char* const kHelpLines[] = {
    "■ Orvenna",
    "",
    "■ 対応形式",
    "ALOSのCEOS形式のデータに対応しています。",
    "現在のところ、PRISM, AVNIR2のデータを読み込むことができます。",
    "その他のデータも、一部読み込めることがありますが、基本的には上記のデータ専用です。",
    "また、summary.txtから座標データを読み込めます。",
    "",
    "一部のTIFF形式の画像に対応しています。",
    "GeoTIFFも読み込むことはできますが、座標等を表す情報は読み込まれません。",
    "LANDSATのデータの場合、拡張子が「met」のテキストデータを読み込むLANDSATのデータと同じディレクトリ",
    "に入れておくと自動的に読み込みます。",
    "この時、ファイル内に「LMAX_BAND61」と「LMIN_BAND61」が存在すると、LANDSAT温度分布を利用すること",
    "ができます。",
    "LANDSATのデータによっては拡張子が「met」ではない場合があるので、その時は拡張子を「met」に書き換え",
    "てください",
};

}  // namespace

THelpForm::THelpForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("簡易ヘルプ"));
    setFont(FormFont());
    resize(581, 456);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Panel1 = new QWidget(this);
    auto* panel1Layout = new QVBoxLayout(Panel1);
    panel1Layout->setContentsMargins(0, 0, 0, 0);
    Memo1 = new QPlainTextEdit(Panel1);
    Memo1->setReadOnly(true);
    // Only a vertical scroll bar: lines longer than the box wrap at its width instead of being cut off.
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QStringList lines;
    for (const char* line : kHelpLines)
        lines << QString::fromUtf8(line);
    Memo1->setPlainText(lines.join(QLatin1Char('\n')));
    panel1Layout->addWidget(Memo1);
    layout->addWidget(Panel1, 1);

    Panel2 = new QWidget(this);
    Panel2->setFixedHeight(39);
    auto* panel2Layout = new QHBoxLayout(Panel2);
    panel2Layout->setContentsMargins(0, 0, 8, 0);
    panel2Layout->addStretch(1);
    Button1 = new QPushButton(QStringLiteral("閉じる(&C)"), Panel2);
    Button1->setFixedSize(75, 25);
    panel2Layout->addWidget(Button1, 0, Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(Panel2);

    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

void THelpForm::Button1Click() {
    close();
}
