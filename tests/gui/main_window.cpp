// The main window at start-up: controls, captions, initial state, hints in the status bar, menus, message
// numbers, closing with scenes open, and the application's error display.
#include <QAction>
#include <QCheckBox>
#include <QEnterEvent>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolButton>
#include <QToolTip>
#include <QtTest/QTest>

#include <stdexcept>

#include "GuiTestSupport.h"
#include "platform/ElidedLabel.h"
#include "platform/Hint.h"
#include "platform/ImageControl.h"
#include "platform/ViewerBus.h"

using guitest::MainWindowTest;

namespace {

QStringList menuLayout(const QMenu* menu) {
    QStringList items;
    for (const QAction* a : menu->actions())
        items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return items;
}

}  // namespace

TEST_F(MainWindowTest, FreshStartState) {
    EXPECT_EQ(window->windowTitle(), "Orvenna");
    EXPECT_EQ(window->size(), QSize(900, 578));
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(window->statusPanelText(i).isEmpty()) << "panel " << i;
    const int widths[3] = {200, 150, 240};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(window->statusPanels[i]->width(), widths[i]);
    EXPECT_EQ(window->statusPanels[3]->minimumWidth(), 50);
    QLineEdit* edits[3] = {window->redExpressionEdit, window->greenExpressionEdit,
                           window->blueExpressionEdit};
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(edits[c]->text(), "a");
        EXPECT_EQ(document().expression(c).text(), "a");
    }
    EXPECT_TRUE(window->autoUpdateButton->isCheckable() && window->autoUpdateButton->isChecked());
    EXPECT_TRUE(window->bandListButton->isCheckable() && window->bandListButton->isChecked());
    EXPECT_TRUE(window->syncButton->isCheckable());
    EXPECT_FALSE(window->syncButton->isChecked());
    EXPECT_FALSE(window->sync().isOn());
    EXPECT_TRUE(window->settingsPanel->isHidden());
    EXPECT_FALSE(window->bandPanel->isHidden());
    EXPECT_EQ(window->horizontalScrollBar->maximum(), 1000);
    EXPECT_EQ(window->verticalScrollBar->maximum(), 1000);
    EXPECT_EQ(window->zoomStep(), 5);  // x1
    EXPECT_EQ(document().width(), 1);
    EXPECT_EQ(document().height(), 1);
    EXPECT_EQ(window->jobs().state(), orvenna::ViewerJobs::State::Idle);
    for (bool flag :
         {document().hasBands(), document().geographyKnown(), document().landsat7CalibrationValid()})
        EXPECT_FALSE(flag);
    EXPECT_TRUE(document().scenes().empty());
    EXPECT_EQ(window->rowCount(), 0);
    EXPECT_EQ(window->bandPanel->width(), 284);
    EXPECT_EQ(window->zoomStrip->width(), 40);
    EXPECT_EQ(window->settingsPanel->height(), 144);
    EXPECT_EQ(window->expressionPanel->height(), 105);
}

// The last panel shows the metadata states whole; in a narrow window a status text that does not fit keeps
// its whole text for its tooltip, and the clip ratio box is wide enough for its default text.
TEST_F(MainWindowTest, StatusTextsAreWholeOrInTheirTooltip) {
    window->show();
    ElidedLabel* last = window->statusPanels[3];
    for (const char* text : {"設定ファイル無効", "座標設定有効"}) {
        last->setText(QString::fromUtf8(text));
        QCoreApplication::processEvents();
        EXPECT_GE(last->contentsRect().width(), last->fontMetrics().horizontalAdvance(last->text())) << text;
    }
    EXPECT_EQ(window->statusPanels[0]->width(), 200);
    EXPECT_EQ(window->statusPanels[2]->width(), 240);
    // The pointer's place on the ground fits whole, whatever its signs.
    ElidedLabel* place = window->statusPanels[4];
    EXPECT_TRUE(place->isHidden());  // until there is a place to show
    place->setText(QStringLiteral("経度 -139.1234, 緯度 -35.1234"));
    EXPECT_GE(place->contentsRect().width(), place->fontMetrics().horizontalAdvance(place->text()));

    window->resize(640, 578);
    const QString hint =
        QStringLiteral("他のビューアとの同期は使えません: フォルダが他のユーザーにも開かれています");
    window->statusPanels[0]->setText(hint);
    window->statusPanels[3]->setText(QStringLiteral("座標設定有効 LANDSAT温度設定有効"));
    QCoreApplication::processEvents();
    for (int panel : {0, 3}) {
        SCOPED_TRACE(panel);
        ElidedLabel* label = window->statusPanels[panel];
        ASSERT_TRUE(label->isElided());
        QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), label->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(label, &help);
        EXPECT_EQ(QToolTip::text(), label->text());
    }
    EXPECT_EQ(window->statusPanelText(0), hint);  // the text itself is whole
    const QLineEdit* ratio = window->clipRatioEdit;
    EXPECT_GE(ratio->width(), ratio->fontMetrics().horizontalAdvance("0.00085") + 4);
    EXPECT_LE(ratio->geometry().right(), 284);
}

TEST_F(MainWindowTest, SettingsPanelDefaults) {
    struct Case {
        QCheckBox* box;
        const char* caption;
        bool checked;
        int top;
    } cases[] = {
        {window->histogramOnOpenCheckBox, "ファイル読み込み時にヒストグラムを計算する", true, 8},
        {window->smoothScrollCheckBox, "滑らかにスクロールさせる（高負荷）", false, 28},
        {window->autoRangeExcludesEndsCheckBox, "自動レンジ設定で0と255を除く", true, 48},
        {window->histogramPeakExcludesEndsCheckBox, "ヒストグラム表示の最大値から0と255を除く", true, 68},
        {window->autoRangeOnOpenCheckBox, "開いたときに自動範囲", true, 88},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.box->text(), QString::fromUtf8(c.caption));
        EXPECT_EQ(c.box->isChecked(), c.checked) << c.caption;
        EXPECT_EQ(c.box->geometry(), QRect(12, c.top, 253, 17)) << c.caption;
    }
    EXPECT_EQ(window->clipRatioLabel->text(), "自動レンジ設定時の上下除去比率");
    EXPECT_EQ(window->clipRatioEdit->text(), "0.00085");
    EXPECT_EQ(window->clipRatioEdit->y(), 112);  // its width is that of its text (below)
}

TEST_F(MainWindowTest, ToolButtonHintsAndIcons) {
    struct Case {
        QToolButton* button;
        const char* hint;
    } cases[] = {
        {window->openButton, "衛星データを開く"},
        {window->saveButton, "画像を保存"},
        {window->closeAllButton, "衛星データを閉じる"},
        {window->bandListButton, "バンドリストを表示/非表示"},
        {window->autoUpdateButton, "画面を更新する"},
        {window->syncButton, "他のビューアを同期させる"},
        {window->placeTopLeftButton, "左上へ"},
        {window->placeTopRightButton, "右上ヘ"},
        {window->placeBottomLeftButton, "左下へ"},
        {window->placeBottomRightButton, "右下へ"},
        {window->placeTopButton, "上へ"},
        {window->placeBottomButton, "下へ"},
        {window->placeLeftButton, "左へ"},
        {window->placeRightButton, "右へ"},
    };
    QList<qint64> iconKeys;
    for (const Case& c : cases) {
        EXPECT_EQ(c.button->toolTip(), QString::fromUtf8(c.hint));
        EXPECT_EQ(c.button->statusTip(), QString::fromUtf8(c.hint));
        EXPECT_EQ(c.button->width(), 33);
        ASSERT_FALSE(c.button->icon().isNull()) << c.hint;
        const QImage picture = c.button->icon().pixmap(20, 20).toImage();
        iconKeys << qint64(qHashBits(picture.constBits(), picture.sizeInBytes()));
    }
    // Every command has a picture of its own.
    for (int i = 0; i < iconKeys.size(); ++i)
        for (int j = i + 1; j < iconKeys.size(); ++j)
            EXPECT_NE(iconKeys[i], iconKeys[j]) << i << " " << j;

    EXPECT_EQ(window->zoomInButton->toolTip(), "拡大");
    EXPECT_EQ(window->zoomSlider->toolTip(), "倍率変更");
    EXPECT_EQ(window->zoomOutButton->toolTip(), "縮小");
    EXPECT_EQ(window->redExpressionEdit->toolTip(), "画面上の赤の式");
    EXPECT_EQ(window->greenExpressionEdit->toolTip(), "画面上の緑の式");
    EXPECT_EQ(window->blueExpressionEdit->toolTip(), "画面上の青の式");
    EXPECT_EQ(window->presetButton->text(), "式で処理");
    EXPECT_EQ(window->presetButton->toolTip(), "式を使って画像を処理する");
    EXPECT_EQ(window->redrawButton->text(), "再描画");
    EXPECT_EQ(window->redrawButton->toolTip(), "画面を書き直す");
    EXPECT_TRUE(window->redrawButton->isDefault());
}

TEST_F(MainWindowTest, PointingAtAControlShowsItsLongHintInPanelZero) {
    struct Case {
        QWidget* widget;
        const char* text;
    } cases[] = {
        {window->openButton, "衛星データを開く"},
        {window->greenExpressionEdit, "画面上の緑の式"},
        {window->zoomSlider, "倍率変更"},
    };
    for (const Case& c : cases) {
        QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
        QCoreApplication::sendEvent(c.widget, &enter);
        EXPECT_EQ(window->statusPanelText(0), QString::fromUtf8(c.text));
    }
    // A hint with a short and a long part: the long part goes to the panel, the short one is the tool tip.
    setHint(window->saveButton, QStringLiteral("保存|表示中の画像をビットマップで保存"));
    EXPECT_EQ(window->saveButton->toolTip(), "保存");
    QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
    QCoreApplication::sendEvent(window->saveButton, &enter);
    EXPECT_EQ(window->statusPanelText(0), "表示中の画像をビットマップで保存");
}

TEST_F(MainWindowTest, MenusWithSeparators) {
    EXPECT_EQ(window->fileMenu->title(), "ファイル(&F)");
    EXPECT_EQ(menuLayout(window->fileMenu),
              QStringList({"開く(&O)", "URL を開く(&U)...", "最近開いたもの(&R)", "-", "保存(&S)",
                           "シーン全体を書き出す(&E)...", "すべて閉じる(&C)", "-", "終了(&X)"}));
    EXPECT_EQ(window->viewMenu->title(), "表示(&V)");
    EXPECT_EQ(menuLayout(window->viewMenu),
              QStringList({"ツールバー(&B)", "-", "バンドリスト(&B)", "ズーム(&Z)", "-", "ステータスバー(&S)",
                           "凡例(&L)", "言語(&G)", "-", "設定(&C)", "-", "全体表示(&F)", "再描画(&R)"}));
    EXPECT_EQ(window->windowMenu->title(), "ウィンドウ(&W)");
    EXPECT_EQ(menuLayout(window->windowMenu),
              QStringList({"左上へ(&0)", "右上へ(&1)", "左下へ(&2)", "右下へ(&3)", "-", "上へ(&T)",
                           "下へ(&B)", "-", "左へ(&L)", "右へ(&R)"}));
    EXPECT_EQ(window->helpMenu->title(), "バージョン情報(&A)");
    EXPECT_EQ(window->aboutAction->text(), "バージョン情報(&A)");
    EXPECT_EQ(menuLayout(window->helpMenu),
              QStringList({"バージョン情報(&A)", "簡易ヘルプ(&H)", "操作と式の説明(&G)"}));
    EXPECT_TRUE(window->helpMenu->actions().contains(window->quickHelpAction));
    EXPECT_EQ(menuLayout(window->presetMenu),
              QStringList({"NDVI(&N)", "サーモグラフィ風(&T)", "LANDSAT温度分布(&L)"}));
}

TEST_F(MainWindowTest, MessageNumbersAreRegisteredAndSharedBetweenWindows) {
    const SyncController::Messages& m = window->sync().messages();
    const unsigned numbers[7] = {m.scrollX,  m.scrollY,   m.zoomStep, m.connect,
                                 m.latitude, m.longitude, m.draw};
    const char* names[7] = {"PELLORANDE_SCR_X_9145",   "PELLORANDE_SCR_Y_9145", "PELLORANDE_SCR_MAG_9145",
                            "PELLORANDE_CONNECT_9145", "PELLORANDE_LAT_9145",   "PELLORANDE_LON_9145",
                            "PELLORANDE_DRAW_9145"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_GE(numbers[i], 0xC000u) << names[i];
        EXPECT_EQ(ViewerBus::registerMessage(names[i]), numbers[i]) << names[i];
        for (int j = 0; j < i; ++j)
            EXPECT_NE(numbers[i], numbers[j]);
    }
    MainWindow second;
    EXPECT_EQ(second.sync().messages().scrollX, m.scrollX);
    EXPECT_EQ(second.sync().messages().draw, m.draw);
}

// Closing the window with scenes open says nothing; the scenes are let go with the window.
TEST_F(MainWindowTest, ClosingTheWindowReleasesEveryScene) {
    const std::string a = dir.file("a.vdm");
    const std::string b = dir.file("b.vdm");
    guitest::writeNativeScene(a, 8, 4, 2, [](int band, int x, int y) { return uint8_t(band * 50 + x + y); });
    guitest::writeNativeScene(b, 8, 4, 1, [](int, int x, int) { return uint8_t(x * 3); });
    openScene(a);
    openScene(b);
    ASSERT_EQ(document().scenes().size(), 2u);
    ASSERT_EQ(document().bandCount(), 3);
    const std::weak_ptr<orvenna::SceneHandle> first = document().band(0).scene,
                                              second = document().band(2).scene;
    window->show();
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(window->waitForJobs());
    window.reset();
    EXPECT_TRUE(first.expired());
    EXPECT_TRUE(second.expired());
    EXPECT_EQ(prompts.boxes.size(), 0u);  // no messages on the way out
}

namespace {

class ThrowingObject : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) throw std::runtime_error("読み込みに失敗しました");
        if (e->type() == QEvent::User + 1) throw 42;
        return QObject::event(e);
    }
};

}  // namespace

TEST_F(MainWindowTest, ErrorsEscapingAHandlerAreShownAndTheProgramGoesOn) {
    ThrowingObject target;
    QEvent first(QEvent::User);
    QCoreApplication::sendEvent(&target, &first);
    QEvent second(static_cast<QEvent::Type>(QEvent::User + 1));
    QCoreApplication::sendEvent(&target, &second);
    ASSERT_EQ(prompts.boxes.size(), 2u);
    EXPECT_EQ(prompts.boxes[0].text, "読み込みに失敗しました");
    EXPECT_EQ(prompts.boxes[0].kind, PromptKind::Error);
    EXPECT_EQ(prompts.boxes[0].type, ScriptedPrompts::BoxType::Message);
    EXPECT_TRUE(prompts.boxes[1].text.isEmpty());
    // A failure in a click handler, reached through the widget's own mouse events.
    QPushButton button;
    QObject::connect(&button, &QPushButton::clicked, [] { throw std::runtime_error("ボタンの処理に失敗"); });
    button.resize(40, 20);
    button.show();
    QTest::mouseClick(&button, Qt::LeftButton);
    ASSERT_EQ(prompts.boxes.size(), 3u);
    EXPECT_EQ(prompts.boxes[2].text, "ボタンの処理に失敗");
    // The loop goes on: a posted event after the failures is still delivered.
    bool delivered = false;
    QMetaObject::invokeMethod(
        &target, [&] { delivered = true; }, Qt::QueuedConnection);
    QCoreApplication::processEvents();
    EXPECT_TRUE(delivered);
}

ORVENNA_GUI_TEST_MAIN()
