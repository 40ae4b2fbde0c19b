#include "dialogs/OperationGuideWindow.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Fonts.h"

// Sections stand apart by an empty line; the long one on expressions is translated in pieces. Each example
// line keeps its expressions as written, whatever the language.
QString operationGuideText() {
    const QStringList sections = {
        QCoreApplication::translate(
            "OperationGuideWindow",
            "■ マウス\n"
            "左ボタンでドラッグ: 画像を動かす\n"
            "ホイール: ポインタの位置を中心に拡大・縮小（1ノッチで1段階）\n"
            "Shift + ホイール: 左右にスクロール　　Ctrl + ホイール: 上下にスクロール（画面の1/10）\n"
            "右ボタン・中ボタン: 座標値ウィンドウをポインタの横に表示\n"
            "左の「拡大」「縮小」ボタンと倍率スライダー、"
            "「全体表示」ボタン（シーン全体が入る倍率で中央に表示）\n"
            "バンドのヒストグラム上でドラッグ: 左ボタンで下限、右ボタンで上限を設定"),
        QCoreApplication::translate("OperationGuideWindow",
                                    "■ キー（画像をクリックしてから）\n"
                                    "矢印キー: 画面の1/8ずつ移動（Shift を押しながら: 画面1つ分）\n"
                                    "+ / -: 画面の中央を中心に拡大・縮小　　Home: シーンを中央に表示"),
        QCoreApplication::translate(
            "OperationGuideWindow",
            "■ キー（ウィンドウのどこでも）\n"
            "Ctrl+O: 開く　　Ctrl+S: 保存　　Ctrl+W: すべて閉じる　　F5: 再描画　　Ctrl+Q: 終了\n"
            "Enter: 再描画　　Esc: 描画や読み込み中のヒストグラム計算を中止"),
        QCoreApplication::translate(
            "OperationGuideWindow",
            "■ 式\n"
            "赤・緑・青の式は画素ごとに計算され、0〜255 の値がその色の明るさになります。\n"
            "書けない式は箱が黒くなり、どこがおかしいかがツールチップとステータスバーに出ます。"),
        QStringList{
            QCoreApplication::translate(
                "OperationGuideWindow",
                "文字: a〜z はバンドリストの上から順のバンドの値を表示範囲で 0〜255 にしたもの"
                "（大文字も同じ）。\n"
                "　例: a　　（1番目のバンドをそのまま）\n"
                "#文字: #a〜#z はファイルに入っているバンドの値そのもの"
                "（ファイルが倍率とオフセットを持つときはそれを当てた値）。\n"
                "表示範囲には左右されません。"
                "値のない画素（値なしの値や NaN）は値のない画素の色になります。代入はできません。\n"
                "　例: #a / 100　　(#e - #d) / (#e + #d) * 128 + 128　　#d * 0.00002 - 0.1\n"
                "バンドのない文字は自由に使える変数です。"),
            QCoreApplication::translate(
                "OperationGuideWindow",
                "数: 10進数と16進数。\n"
                "　例: 2.5　　0xFF\n"
                "演算子: + - * / と比較 > >= < <=（真は1、偽は0）。数や文字を並べると掛け算になります。\n"
                "　例: (b - a) / (b + a) * 128 + 128　　2a　　a > 100\n"
                "関数: SIN COS TAN ASIN ACOS ATAN LN LOG ROOT RAD DEG、定数 PI EPS0 ANS、べき乗 POW。\n"
                "　例: ROOT(a * b)　　LOG(a + 1) * 100　　a POW 2 / 255"),
            QCoreApplication::translate("OperationGuideWindow",
                                        "代入: 文字 = 値。\n"
                                        "　例: w = a + b\n"
                                        "並び: 「,」で区切った文を順に計算し、最後の値が結果になります。\n"
                                        "　例: (w = a + b), w / 2\n"
                                        "IF: ( 条件 )if( 文 ) は条件が0でないときだけ文を計算します。\n"
                                        "　例: (x = 0), (a > 128)if(x = 255), x\n"
                                        "繰り返し: 回数 @ ( 文 ) は文を回数だけ計算します。\n"
                                        "　例: (x = 1), 3 @ (x = x * 2), x　　（x は 8）"),
        }
            .join(QLatin1Char('\n')),
        QCoreApplication::translate(
            "OperationGuideWindow",
            "■ 式で処理（プリセット）\n"
            "「式で処理」ボタンから、3つの式をまとめて書きます。\n"
            "NDVI: 近赤外と赤のバンドを選び、ファイルの値（LANDSAT の *_MTL.txt "
            "があれば大気上端の反射率）から植生指数を求め、-1〜1 を 0〜255 の明るさで表示します。\n"
            "サーモグラフィ風: バンドか式を選び、値の低い方から青・緑・赤の色で表示します。\n"
            "LANDSAT温度分布: LANDSAT の熱赤外バンドから地表の温度を求め、色で表示します。"),
    };
    return sections.join(QStringLiteral("\n\n"));
}

OperationGuideWindow::OperationGuideWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(tr("操作と式の説明"));
    setFont(uiFont());
    resize(640, 520);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    guideText = new QPlainTextEdit(this);
    guideText->setReadOnly(true);
    guideText->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    guideText->setPlainText(operationGuideText());
    layout->addWidget(guideText, 1);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 7, 8, 7);
    buttons->addStretch(1);
    closeButton = new QPushButton(tr("閉じる(&C)"), this);
    closeButton->setFixedSize(75, 25);
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
}
