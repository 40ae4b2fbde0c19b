#include "dialogs/OperationGuideWindow.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Fonts.h"

namespace {

const char* const kGuideLines[] = {
    "■ マウス",
    "左ボタンでドラッグ: 画像を動かす",
    "ホイール: ポインタの位置を中心に拡大・縮小（1ノッチで1段階）",
    "Shift + ホイール: 左右にスクロール　　Ctrl + ホイール: 上下にスクロール（画面の1/10）",
    "右ボタン・中ボタン: 座標値ウィンドウをポインタの横に表示",
    "左の「拡大」「縮小」ボタンと倍率スライダー、「全体表示」ボタン（シーン全体が入る倍率で中央に表示）",
    "バンドのヒストグラム上でドラッグ: 左ボタンで下限、右ボタンで上限を設定",
    "",
    "■ キー（画像をクリックしてから）",
    "矢印キー: 画面の1/8ずつ移動（Shift を押しながら: 画面1つ分）",
    "+ / -: 画面の中央を中心に拡大・縮小　　Home: シーンを中央に表示",
    "",
    "■ キー（ウィンドウのどこでも）",
    "Ctrl+O: 開く　　Ctrl+S: 保存　　Ctrl+W: すべて閉じる　　F5: 再描画　　Ctrl+Q: 終了",
    "Enter: 再描画　　Esc: 描画や読み込み中のヒストグラム計算を中止",
    "",
    "■ 式",
    "赤・緑・青の式は画素ごとに計算され、0〜255 の値がその色の明るさになります。",
    "書けない式は箱が黒くなり、どこがおかしいかがツールチップとステータスバーに出ます。",
    "",
    "文字: a〜z はバンドリストの上から順のバンドの値を表示範囲で 0〜255 にしたもの（大文字も同じ）。",
    "　例: a　　（1番目のバンドをそのまま）",
    "#文字: #a〜#z "
    "はファイルに入っているバンドの値そのもの（ファイルが倍率とオフセットを持つときはそれを当てた値）。",
    "表示範囲には左右されません。値のない画素（値なしの値や "
    "NaN）は値のない画素の色になります。代入はできません。",
    "　例: #a / 100　　(#e - #d) / (#e + #d) * 128 + 128　　#d * 0.00002 - 0.1",
    "バンドのない文字は自由に使える変数です。",
    "数: 10進数と16進数。",
    "　例: 2.5　　0xFF",
    "演算子: + - * / と比較 > >= < <=（真は1、偽は0）。数や文字を並べると掛け算になります。",
    "　例: (b - a) / (b + a) * 128 + 128　　2a　　a > 100",
    "関数: SIN COS TAN ASIN ACOS ATAN LN LOG ROOT RAD DEG、定数 PI EPS0 ANS、べき乗 POW。",
    "　例: ROOT(a * b)　　LOG(a + 1) * 100　　a POW 2 / 255",
    "代入: 文字 = 値。",
    "　例: w = a + b",
    "並び: 「,」で区切った文を順に計算し、最後の値が結果になります。",
    "　例: (w = a + b), w / 2",
    "IF: ( 条件 )if( 文 ) は条件が0でないときだけ文を計算します。",
    "　例: (x = 0), (a > 128)if(x = 255), x",
    "繰り返し: 回数 @ ( 文 ) は文を回数だけ計算します。",
    "　例: (x = 1), 3 @ (x = x * 2), x　　（x は 8）",
    "",
    "■ 式で処理（プリセット）",
    "「式で処理」ボタンから、3つの式をまとめて書きます。",
    "NDVI: 近赤外と赤のバンドを選び、ファイルの値（LANDSAT の *_MTL.txt "
    "があれば大気上端の反射率）から植生指数を"
    "求め、-1〜1 を 0〜255 の明るさで表示します。",
    "サーモグラフィ風: バンドか式を選び、値の低い方から青・緑・赤の色で表示します。",
    "LANDSAT温度分布: LANDSAT の熱赤外バンドから地表の温度を求め、色で表示します。",
};

}  // namespace

QString operationGuideText() {
    QStringList lines;
    for (const char* line : kGuideLines)
        lines << QString::fromUtf8(line);
    return lines.join(QLatin1Char('\n'));
}

OperationGuideWindow::OperationGuideWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("操作と式の説明"));
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
    closeButton = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    closeButton->setFixedSize(75, 25);
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
}
