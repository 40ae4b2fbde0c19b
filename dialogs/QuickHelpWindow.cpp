#include "dialogs/QuickHelpWindow.h"

#include "platform/Fonts.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The help, translated a paragraph at a time; the Japanese keeps its lines broken where it always has.
QString quickHelpText() {
    return QStringList{
        QStringLiteral("■ Orvenna"),
        QCoreApplication::translate("QuickHelpWindow",
                                    "■ 対応形式\n"
                                    "ALOSのCEOS形式のデータに対応しています。\n"
                                    "現在のところ、PRISM, AVNIR2のデータを読み込むことができます。\n"
                                    "その他のデータも、一部読み込めることがありますが、"
                                    "基本的には上記のデータ専用です。\n"
                                    "また、summary.txtから座標データを読み込めます。"),
        QCoreApplication::translate(
            "QuickHelpWindow",
            "一部のTIFF形式の画像に対応しています。\n"
            "GeoTIFFも読み込むことはできますが、座標等を表す情報は読み込まれません。\n"
            "LANDSATのデータの場合、拡張子が「met」のテキストデータを"
            "読み込むLANDSATのデータと同じディレクトリ\n"
            "に入れておくと自動的に読み込みます。\n"
            "この時、ファイル内に「LMAX_BAND61」と「LMIN_BAND61」が存在すると、"
            "LANDSAT温度分布を利用すること\n"
            "ができます。\n"
            "LANDSATのデータによっては拡張子が「met」ではない場合があるので、"
            "その時は拡張子を「met」に書き換え\n"
            "てください"),
    }
        .join(QStringLiteral("\n\n"));
}

}  // namespace

QuickHelpWindow::QuickHelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(tr("簡易ヘルプ"));
    setFont(uiFont());
    resize(581, 456);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    textPanel = new QWidget(this);
    auto* textLayout = new QVBoxLayout(textPanel);
    textLayout->setContentsMargins(0, 0, 0, 0);
    helpText = new QPlainTextEdit(textPanel);
    helpText->setReadOnly(true);
    // Only a vertical scroll bar: lines longer than the box wrap at its width instead of being cut off.
    helpText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    helpText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    helpText->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    helpText->setPlainText(quickHelpText());
    textLayout->addWidget(helpText);
    layout->addWidget(textPanel, 1);

    buttonPanel = new QWidget(this);
    buttonPanel->setFixedHeight(39);
    auto* buttonLayout = new QHBoxLayout(buttonPanel);
    buttonLayout->setContentsMargins(0, 0, 8, 0);
    buttonLayout->addStretch(1);
    closeButton = new QPushButton(tr("閉じる(&C)"), buttonPanel);
    closeButton->setFixedSize(75, 25);
    buttonLayout->addWidget(closeButton, 0, Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(buttonPanel);

    connect(closeButton, &QPushButton::clicked, this, [this] { onCloseClicked(); });
}

void QuickHelpWindow::onCloseClicked() {
    close();
}
