// The auxiliary windows the main window owns: progress, pixel value, about and quick help.
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>

#include "GuiTestSupport.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/PixelValueWindow.h"
#include "dialogs/ProgressWindow.h"
#include "dialogs/QuickHelpWindow.h"
#include "platform/ImageControl.h"

using guitest::MainWindowTest;

TEST_F(MainWindowTest, ProgressWindowIsCentredOnTheMainWindow) {
    ProgressWindow& status = *window->progressWindow();
    EXPECT_EQ(status.windowTitle(), "処理中...しばらくお待ちください");
    EXPECT_EQ(status.size(), QSize(355, 72));
    EXPECT_EQ(status.stopButton->text(), "中止");
    EXPECT_FALSE(status.stopButton->isEnabled());  // only while a histogram is being counted
    EXPECT_EQ(status.messageLabel->pos(), QPoint(12, 12));
    EXPECT_EQ(status.messageLabel->font().pixelSize(), 16);
    window->setGeometry(100, 80, 900, 578);
    window->show();
    status.messageLabel->setText("画像を読み込んでいます...");
    status.show();
    const QRect main = window->frameGeometry();
    const QRect own = status.frameGeometry();
    EXPECT_EQ(own.left(), main.left() + main.width() / 2 - own.width() / 2);
    EXPECT_EQ(own.top(), main.top() + main.height() / 2 - own.height() / 2);
    status.hide();
}

TEST_F(MainWindowTest, PixelValueWindowGrowsAndNeverShrinks) {
    PixelValueWindow& pix = *window->pixelValueWindow();
    EXPECT_EQ(pix.windowTitle(), "座標値");
    EXPECT_EQ(pix.size(), QSize(203, 21));
    EXPECT_EQ(pix.valueLabel->text(), "座標値");
    EXPECT_EQ(pix.valueLabel->pos(), QPoint(4, 4));
    EXPECT_TRUE(pix.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(pix.isHidden());

    pix.popupAt(QPoint(300, 200));
    EXPECT_TRUE(pix.isVisible());
    EXPECT_EQ(pix.pos(), QPoint(310, 210));
    // A second right-button press moves the window without hiding it.
    pix.popupAt(QPoint(500, 100));
    EXPECT_TRUE(pix.isVisible());
    EXPECT_EQ(pix.pos(), QPoint(510, 110));

    QStringList lines;
    for (int i = 0; i < 12; ++i)
        lines << QStringLiteral("%1 : %2").arg(QChar('a' + i)).arg(i * 10);
    pix.setValueText(lines.join('\n'));
    const int grown = pix.height();
    EXPECT_GE(grown + (pix.frameGeometry().height() - pix.height()), pix.valueLabel->height() + 30);
    EXPECT_GT(grown, 21);
    pix.setValueText(QStringLiteral("a : 1"));
    EXPECT_EQ(pix.height(), grown);
    pix.hide();
    pix.popupAt(QPoint(0, 0));
    EXPECT_EQ(pix.height(), grown);
}

TEST_F(MainWindowTest, AboutBoxShowsTheVersions) {
    AboutDialog& about = *window->findChild<AboutDialog*>();
    EXPECT_EQ(about.windowTitle(), "バージョン情報");
    EXPECT_EQ(about.size(), QSize(365, 188));
    struct Case {
        QLabel* label;
        const char* text;
        QPoint at;
    } cases[] = {
        {about.viewerVersionLabel, "Orvenna ver1.11", {68, 12}},
        {about.ecalcVersionLabel, "ecalc ver1.4", {96, 68}},
        {about.tifrecVersionLabel, "tifrec ver1.0", {96, 84}},
        {about.remosVersionLabel, "remos ver1.2", {96, 100}},
        {about.econfVersionLabel, "econf ver1.0", {96, 116}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.label->text(), c.text);
        EXPECT_EQ(c.label->pos(), c.at);
    }
    EXPECT_EQ(about.iconView->geometry(), QRect(16, 8, 41, 41));
    EXPECT_EQ(about.iconView->picture.size(), QSize(32, 32));
    EXPECT_EQ(about.okButton->geometry(), QRect(284, 156, 75, 25));
    EXPECT_TRUE(about.okButton->isDefault());
    about.show();
    about.okButton->click();
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST_F(MainWindowTest, QuickHelpWindowHoldsItsText) {
    QuickHelpWindow& help = *window->findChild<QuickHelpWindow*>();
    EXPECT_EQ(help.windowTitle(), "簡易ヘルプ");
    EXPECT_EQ(help.size(), QSize(581, 456));
    EXPECT_TRUE(help.helpText->isReadOnly());
    // A vertical scroll bar only; the longest lines wrap rather than run out of sight.
    EXPECT_EQ(help.helpText->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(help.helpText->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_NE(help.helpText->lineWrapMode(), QPlainTextEdit::NoWrap);
    const QStringList lines = help.helpText->toPlainText().split('\n');
    ASSERT_EQ(lines.size(), 16);
    EXPECT_EQ(lines[0], "■ Orvenna");
    EXPECT_TRUE(lines[1].isEmpty());
    EXPECT_EQ(lines[2], "■ 対応形式");
    EXPECT_TRUE(lines[7].isEmpty());
    EXPECT_EQ(
        lines[12],
        "この時、ファイル内に「LMAX_BAND61」と「LMIN_BAND61」が存在すると、LANDSAT温度分布を利用すること");
    EXPECT_EQ(lines[15], "てください");
    EXPECT_EQ(help.closeButton->text(), "閉じる(&C)");
    EXPECT_EQ(help.closeButton->size(), QSize(75, 25));
    EXPECT_EQ(help.buttonPanel->height(), 39);

    // Opened from the main window's menu, closed by its button; the button stays at the bottom right.
    window->quickHelpAction->trigger();
    EXPECT_TRUE(help.isVisible());
    const QPoint corner = help.closeButton->mapTo(&help, QPoint(75, 25));
    help.resize(700, 500);
    QCoreApplication::processEvents();
    const QPoint moved = help.closeButton->mapTo(&help, QPoint(75, 25));
    EXPECT_EQ(QPoint(700, 500) - moved, QPoint(581, 456) - corner);
    help.closeButton->click();
    EXPECT_FALSE(help.isVisible());
}

ORVENNA_GUI_TEST_MAIN()
