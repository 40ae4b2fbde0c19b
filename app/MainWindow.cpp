// The main window: construction of its controls and state, the status hint, closing.
#include "app/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <limits>

#include "app/ToolIcons.h"
#include "calc/ecalc.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/QuickHelpWindow.h"
#include "display/Composite.h"
#include "platform/BackgroundTask.h"
#include "platform/ElidedLabel.h"
#include "platform/Fonts.h"
#include "platform/Hint.h"
#include "platform/ImageControl.h"
#include "scene/remos.h"

MainWindow* mainWindow = nullptr;

QColor channelColour(int channel) {
    switch (channel) {
        case 0:
            return QColor(255, 0, 0);
        case 1:
            return QColor(0, 128, 0);
        default:
            return QColor(0, 0, 255);
    }
}

namespace {

QToolButton* makeToolButton(QToolBar* bar, ToolIcon icon, const QString& hint, bool checkable = false,
                            bool down = false) {
    auto* button = new QToolButton(bar);
    button->setIcon(makeToolIcon(icon));
    button->setIconSize(QSize(20, 20));
    button->setAutoRaise(true);
    button->setFixedSize(33, 28);
    button->setFocusPolicy(Qt::NoFocus);
    setHint(button, hint);
    if (checkable) {
        button->setCheckable(true);
        button->setChecked(down);
    }
    bar->addWidget(button);
    return button;
}

void setLabelColour(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Orvenna"));
    setWindowIcon(QIcon(QPixmap::fromImage(applicationIconImage(32))));
    setFont(uiFont());
    resize(900, 578);

    auto* central = new QWidget(this);
    auto* centralLayout = new QVBoxLayout(central);
    centralLayout->setContentsMargins(0, 0, 0, 0);
    centralLayout->setSpacing(0);
    setCentralWidget(central);

    buildToolBar();
    centralLayout->addWidget(toolBarPanel);
    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    buildViewArea();
    buildBandPanel();
    body->addWidget(viewPanel, 1);
    body->addWidget(bandPanel);
    centralLayout->addLayout(body, 1);
    buildStatusBar();
    buildMenus();
    buildNavigationCommands();
    connectHandlers();

    // State beside the controls (the field initialisers hold the starting values).
    renderer = std::make_unique<orvenna::CompositeRenderer>();
    redrawTask = std::make_unique<BackgroundTask>();
    histogramTask = std::make_unique<BackgroundTask>();
    stopRedrawButton = new QPushButton(QStringLiteral("中止"), view);
    stopRedrawButton->setFocusPolicy(Qt::NoFocus);
    stopRedrawButton->adjustSize();
    stopRedrawButton->hide();
    connect(stopRedrawButton, &QPushButton::clicked, this, [this] { stopRedraw(); });
    escapeShortcut = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escapeShortcut->setEnabled(false);
    connect(escapeShortcut, &QShortcut::activated, this, [this] {
        stopRedraw();
        stopOpeningHistogram();
    });
    gestureSnapshot = QImage();
    QApplication::setApplicationName(QStringLiteral("Orvenna"));

    // Files dropped from the desktop.
    setAcceptDrops(true);
}

MainWindow::~MainWindow() {
    releaseAll();
    if (mainWindow == this) mainWindow = nullptr;
}

void MainWindow::buildToolBar() {
    toolBarPanel = new QWidget(this);
    auto* layout = new QHBoxLayout(toolBarPanel);
    layout->setContentsMargins(0, 0, 0, 0);
    toolBar = new QToolBar(toolBarPanel);
    toolBar->setMovable(false);
    toolBar->setFloatable(false);
    layout->addWidget(toolBar);

    openButton = makeToolButton(toolBar, ToolIcon::Open, QStringLiteral("衛星データを開く"));
    saveButton = makeToolButton(toolBar, ToolIcon::Save, QStringLiteral("画像を保存"));
    closeAllButton = makeToolButton(toolBar, ToolIcon::Close, QStringLiteral("衛星データを閉じる"));
    toolBar->addSeparator();
    bandListButton =
        makeToolButton(toolBar, ToolIcon::Side, QStringLiteral("バンドリストを表示/非表示"), true, true);
    autoUpdateButton =
        makeToolButton(toolBar, ToolIcon::Update, QStringLiteral("画面を更新する"), true, true);
    syncButton =
        makeToolButton(toolBar, ToolIcon::Sync, QStringLiteral("他のビューアを同期させる"), true, false);
    toolBar->addSeparator();
    placeTopLeftButton = makeToolButton(toolBar, ToolIcon::WindowLeftTop, QStringLiteral("左上へ"));
    placeTopRightButton = makeToolButton(toolBar, ToolIcon::WindowRightTop, QStringLiteral("右上ヘ"));
    placeBottomLeftButton = makeToolButton(toolBar, ToolIcon::WindowLeftBottom, QStringLiteral("左下へ"));
    placeBottomRightButton = makeToolButton(toolBar, ToolIcon::WindowRightBottom, QStringLiteral("右下へ"));
    toolBar->addSeparator();
    placeTopButton = makeToolButton(toolBar, ToolIcon::WindowTop, QStringLiteral("上へ"));
    placeBottomButton = makeToolButton(toolBar, ToolIcon::WindowBottom, QStringLiteral("下へ"));
    placeLeftButton = makeToolButton(toolBar, ToolIcon::WindowLeft, QStringLiteral("左へ"));
    placeRightButton = makeToolButton(toolBar, ToolIcon::WindowRight, QStringLiteral("右へ"));
}

void MainWindow::buildViewArea() {
    viewPanel = new QWidget(this);
    auto* layout = new QHBoxLayout(viewPanel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    zoomStrip = new QWidget(viewPanel);
    zoomStrip->setFixedWidth(40);
    auto* zoomLayout = new QVBoxLayout(zoomStrip);
    zoomLayout->setContentsMargins(0, 2, 0, 2);
    zoomLayout->setSpacing(2);
    zoomInButton = new ImageControl(zoomStrip);
    zoomInButton->setFixedSize(40, 28);
    zoomInButton->picture = QImage(40, 28, QImage::Format_ARGB32_Premultiplied);
    zoomInButton->picture.fill(Qt::transparent);
    zoomSlider = new ImageControl(zoomStrip);
    zoomSlider->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    zoomSlider->setFixedWidth(40);
    zoomOutButton = new ImageControl(zoomStrip);
    zoomOutButton->setFixedSize(40, 28);
    zoomOutButton->picture = QImage(40, 28, QImage::Format_ARGB32_Premultiplied);
    zoomOutButton->picture.fill(Qt::transparent);
    {
        QPainter p(&zoomInButton->picture);
        p.drawImage(10, 4, toolIconImage(ToolIcon::ZoomIn, 20));
    }
    {
        QPainter p(&zoomOutButton->picture);
        p.drawImage(10, 4, toolIconImage(ToolIcon::ZoomOut, 20));
    }
    setHint(zoomInButton, QStringLiteral("拡大"));
    setHint(zoomSlider, QStringLiteral("倍率変更"));
    setHint(zoomOutButton, QStringLiteral("縮小"));
    zoomLayout->addWidget(zoomInButton);
    zoomLayout->addWidget(zoomSlider, 1);
    zoomLayout->addWidget(zoomOutButton);

    viewFrame = new QWidget(viewPanel);
    auto* grid = new QGridLayout(viewFrame);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    view = new ImageControl(viewFrame);
    view->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    view->setMinimumSize(1, 1);
    view->setAutoFillBackground(true);
    view->setMouseTracking(true);
    horizontalScrollBar = new QScrollBar(Qt::Horizontal, viewFrame);
    verticalScrollBar = new QScrollBar(Qt::Vertical, viewFrame);
    for (QScrollBar* bar : {horizontalScrollBar, verticalScrollBar}) {
        bar->setRange(0, 1000);
        bar->setSingleStep(1);
        bar->setPageStep(1);
    }
    grid->addWidget(view, 0, 0);
    grid->addWidget(verticalScrollBar, 0, 1);
    grid->addWidget(horizontalScrollBar, 1, 0);

    layout->addWidget(zoomStrip);
    layout->addWidget(viewFrame, 1);
}

void MainWindow::buildBandPanel() {
    bandPanel = new QWidget(this);
    bandPanel->setFixedWidth(284);
    auto* layout = new QVBoxLayout(bandPanel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    bandList = new QScrollArea(bandPanel);
    bandList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    bandList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    bandList->setWidgetResizable(true);
    bandListContents = new QWidget;
    bandListLayout = new QVBoxLayout(bandListContents);
    bandListLayout->setContentsMargins(0, 0, 0, 0);
    bandListLayout->setSpacing(0);
    bandListLayout->setAlignment(Qt::AlignTop);
    bandList->setWidget(bandListContents);
    layout->addWidget(bandList, 1);

    settingsPanel = new QWidget(bandPanel);
    settingsPanel->setFixedHeight(124);
    auto check = [this](const QString& text, int top, bool checked) {
        auto* box = new QCheckBox(text, settingsPanel);
        box->setGeometry(12, top, 253, 17);
        box->setChecked(checked);
        return box;
    };
    histogramOnOpenCheckBox = check(QStringLiteral("ファイル読み込み時にヒストグラムを計算する"), 8, true);
    smoothScrollCheckBox = check(QStringLiteral("滑らかにスクロールさせる（高負荷）"), 28, false);
    autoRangeExcludesEndsCheckBox = check(QStringLiteral("自動レンジ設定で0と255を除く"), 48, true);
    histogramPeakExcludesEndsCheckBox =
        check(QStringLiteral("ヒストグラム表示の最大値から0と255を除く"), 68, true);
    clipRatioLabel = new QLabel(QStringLiteral("自動レンジ設定時の上下除去比率"), settingsPanel);
    clipRatioLabel->move(12, 96);
    clipRatioLabel->adjustSize();
    clipRatioEdit = new QLineEdit(QStringLiteral("0.00085"), settingsPanel);
    // Wide enough for its default text whatever the font, still ending inside the panel.
    const int ratioWidth =
        std::max(45, clipRatioEdit->fontMetrics().horizontalAdvance(clipRatioEdit->text()) + 8);
    clipRatioEdit->setGeometry(std::min(224, 276 - ratioWidth), 92, ratioWidth, 21);
    clipRatioEdit->setTextMargins(-3, 0, -3, 0);
    clipRatioEdit->setCursorPosition(0);
    settingsPanel->hide();
    layout->addWidget(settingsPanel);

    expressionPanel = new QWidget(bandPanel);
    expressionPanel->setFixedHeight(105);
    auto channel = [this](const QString& caption, int index, int top, const QString& hint, QLabel** label) {
        *label = new QLabel(caption, expressionPanel);
        (*label)->move(8, top + 3);
        (*label)->adjustSize();
        setLabelColour(*label, channelColour(index));
        auto* edit = new QLineEdit(QStringLiteral("a"), expressionPanel);
        edit->setGeometry(28, top, 248, 21);
        // The language compiles texts of any length; the edit's own limit (32767) would cut a pasted
        // expression and unbalance its brackets.
        edit->setMaxLength(std::numeric_limits<int>::max());
        edit->setAutoFillBackground(true);
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Base, channelColour(index));
        palette.setColor(QPalette::Text, Qt::white);
        edit->setPalette(palette);
        setHint(edit, hint);
        return edit;
    };
    redExpressionEdit = channel(QStringLiteral("赤"), 0, 4, QStringLiteral("画面上の赤の式"), &redLabel);
    greenExpressionEdit = channel(QStringLiteral("緑"), 1, 28, QStringLiteral("画面上の緑の式"), &greenLabel);
    blueExpressionEdit = channel(QStringLiteral("青"), 2, 52, QStringLiteral("画面上の青の式"), &blueLabel);
    presetButton = new QPushButton(QStringLiteral("式で処理"), expressionPanel);
    presetButton->setGeometry(28, 78, 100, 23);
    setHint(presetButton, QStringLiteral("式を使って画像を処理する"));
    redrawButton = new QPushButton(QStringLiteral("再描画"), expressionPanel);
    redrawButton->setGeometry(176, 78, 100, 23);
    redrawButton->setDefault(true);
    setHint(redrawButton, QStringLiteral("画面を書き直す"));
    layout->addWidget(expressionPanel);

    presetMenu = new QMenu(this);
    ndviAction = presetMenu->addAction(QStringLiteral("NDVI(&N)"));
    thermographyAction = presetMenu->addAction(QStringLiteral("サーモグラフィ風(&T)"));
    landsatTemperatureAction = presetMenu->addAction(QStringLiteral("LANDSAT温度分布(&L)"));
}

void MainWindow::buildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(true);
    const int widths[4] = {200, 150, 240, 50};
    for (int i = 0; i < 4; ++i) {
        statusPanels[i] = new ElidedLabel(bar);
        statusPanels[i]->setFrameShape(QFrame::Panel);
        statusPanels[i]->setFrameShadow(QFrame::Sunken);
        // The last panel reaches to the right end of the bar, as a status bar's last part does, so that
        // its metadata state ("座標設定有効") is not cut off at 50 pixels.
        if (i < 3) {
            statusPanels[i]->setFixedWidth(widths[i]);
            bar->addWidget(statusPanels[i]);
        } else {
            statusPanels[i]->setMinimumWidth(widths[i]);
            bar->addWidget(statusPanels[i], 1);
        }
    }
}

void MainWindow::buildMenus() {
    QMenuBar* bar = menuBar();
    fileMenu = bar->addMenu(QStringLiteral("ファイル(&F)"));
    openAction = fileMenu->addAction(QStringLiteral("開く(&O)"));
    fileMenu->addSeparator();
    saveAction = fileMenu->addAction(QStringLiteral("保存(&S)"));
    closeAllAction = fileMenu->addAction(QStringLiteral("すべて閉じる(&C)"));
    fileMenu->addSeparator();
    quitAction = fileMenu->addAction(QStringLiteral("終了(&X)"));

    viewMenu = bar->addMenu(QStringLiteral("表示(&V)"));
    showToolBarAction = viewMenu->addAction(QStringLiteral("ツールバー(&B)"));
    viewMenu->addSeparator();
    showBandListAction = viewMenu->addAction(QStringLiteral("バンドリスト(&B)"));
    showZoomStripAction = viewMenu->addAction(QStringLiteral("ズーム(&Z)"));
    viewMenu->addSeparator();
    showStatusBarAction = viewMenu->addAction(QStringLiteral("ステータスバー(&S)"));
    viewMenu->addSeparator();
    showSettingsAction = viewMenu->addAction(QStringLiteral("設定(&C)"));
    for (QAction* a : {showToolBarAction, showBandListAction, showZoomStripAction, showStatusBarAction,
                       showSettingsAction})
        a->setCheckable(true);

    windowMenu = bar->addMenu(QStringLiteral("ウィンドウ(&W)"));
    placeTopLeftAction = windowMenu->addAction(QStringLiteral("左上へ(&0)"));
    placeTopRightAction = windowMenu->addAction(QStringLiteral("右上へ(&1)"));
    placeBottomLeftAction = windowMenu->addAction(QStringLiteral("左下へ(&2)"));
    placeBottomRightAction = windowMenu->addAction(QStringLiteral("右下へ(&3)"));
    windowMenu->addSeparator();
    placeTopAction = windowMenu->addAction(QStringLiteral("上へ(&T)"));
    placeBottomAction = windowMenu->addAction(QStringLiteral("下へ(&B)"));
    windowMenu->addSeparator();
    placeLeftAction = windowMenu->addAction(QStringLiteral("左へ(&L)"));
    placeRightAction = windowMenu->addAction(QStringLiteral("右へ(&R)"));

    helpMenu = bar->addMenu(QStringLiteral("バージョン情報(&A)"));
    aboutAction = helpMenu->addAction(QStringLiteral("バージョン情報(&A)"));
    quickHelpAction = helpMenu->addAction(QStringLiteral("簡易ヘルプ(&H)"));
}

void MainWindow::connectHandlers() {
    connect(quitAction, &QAction::triggered, this, [this] { onQuitTriggered(); });
    connect(aboutAction, &QAction::triggered, this, [this] { onAboutTriggered(); });
    connect(quickHelpAction, &QAction::triggered, this, [this] { onQuickHelpTriggered(); });
    connect(redExpressionEdit, &QLineEdit::textChanged, this, [this] { onRedExpressionChanged(); });
    connect(greenExpressionEdit, &QLineEdit::textChanged, this, [this] { onGreenExpressionChanged(); });
    connect(blueExpressionEdit, &QLineEdit::textChanged, this, [this] { onBlueExpressionChanged(); });
    connect(redrawButton, &QPushButton::clicked, this, [this] { onRedrawClicked(); });
    connect(autoUpdateButton, &QToolButton::clicked, this, [this] { onAutoUpdateClicked(); });
    connect(histogramPeakExcludesEndsCheckBox, &QCheckBox::clicked, this,
            [this] { onHistogramPeakExcludesEndsClicked(); });
    connectPresetHandlers();
    connectPlacementHandlers();
    connectOpenHandlers();
    connectNavigationHandlers();  // after the readout's: the pan wraps the view's pointer callbacks
    connectSyncHandlers();
    // The default button: Enter anywhere in the window redraws.
    for (int key : {int(Qt::Key_Return), int(Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        connect(shortcut, &QShortcut::activated, redrawButton, &QPushButton::click);
    }
}

QString MainWindow::statusPanelText(int panel) const {
    return panel >= 0 && panel < 4 ? statusPanels[panel]->text() : QString();
}

void MainWindow::setStatusPanelText(int panel, const QString& text) {
    if (panel >= 0 && panel < 4) statusPanels[panel]->setText(text);
}

bool MainWindow::event(QEvent* event) {
    // The long part of the hint of the control under the pointer goes to status panel 0.
    if (event->type() == QEvent::StatusTip) {
        setStatusPanelText(0, static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void MainWindow::releaseAll() {
    stopRedrawAndWait();
    for (auto& scene : scenes)
        remos_close(scene.get());
    scenes.clear();
    for (auto& row : bandRows)
        destroyBandRow(row.get());
    bandRows.clear();
    gestureSnapshot = QImage();
    ecalc_free(redExpression);
    ecalc_free(greenExpression);
    ecalc_free(blueExpression);
    redExpression = greenExpression = blueExpression = nullptr;
    imageLoaded = false;
    geoValid = false;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (opening || drawing) {
        // The opening or the redraw below us on the stack still uses the scenes and rows: stop them at their
        // next step, and close once they have unwound.
        closePending = true;
        openingStopRequested = true;
        stopOpeningHistogram();
        if (redrawControl) redrawControl->stop = true;
        event->ignore();
        return;
    }
    releaseAll();
    event->accept();
    // Closing the main window ends the application, whatever auxiliary windows are still shown.
    QCoreApplication::quit();
}

void MainWindow::onQuitTriggered() {
    close();
}

void MainWindow::onAboutTriggered() {
    if (aboutDialog) aboutDialog->exec();
}

void MainWindow::onQuickHelpTriggered() {
    if (!quickHelpWindow) return;
    quickHelpWindow->show();
    quickHelpWindow->raise();
    quickHelpWindow->activateWindow();
}
