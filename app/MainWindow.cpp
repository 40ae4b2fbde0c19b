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

QColor ChannelColour(int channel) {
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

QToolButton* MakeToolButton(QToolBar* bar, ToolIcon icon, const QString& hint, bool checkable = false,
                            bool down = false) {
    auto* button = new QToolButton(bar);
    button->setIcon(MakeToolIcon(icon));
    button->setIconSize(QSize(20, 20));
    button->setAutoRaise(true);
    button->setFixedSize(33, 28);
    button->setFocusPolicy(Qt::NoFocus);
    SetHint(button, hint);
    if (checkable) {
        button->setCheckable(true);
        button->setChecked(down);
    }
    bar->addWidget(button);
    return button;
}

void SetLabelColour(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Orvenna"));
    setWindowIcon(QIcon(QPixmap::fromImage(ApplicationIconImage(32))));
    setFont(FormFont());
    resize(900, 578);

    auto* central = new QWidget(this);
    auto* centralLayout = new QVBoxLayout(central);
    centralLayout->setContentsMargins(0, 0, 0, 0);
    centralLayout->setSpacing(0);
    setCentralWidget(central);

    BuildToolBar();
    centralLayout->addWidget(ButtonPanel);
    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    BuildViewArea();
    BuildBandPanel();
    body->addWidget(ImagePanel, 1);
    body->addWidget(BandPanel);
    centralLayout->addLayout(body, 1);
    BuildStatusBar();
    BuildMenus();
    ConnectHandlers();

    // State beside the controls (the field initialisers hold the starting values).
    Renderer = std::make_unique<orvenna::CompositeRenderer>();
    redrawTask = std::make_unique<BackgroundTask>();
    histogramTask = std::make_unique<BackgroundTask>();
    stopRedrawButton = new QPushButton(QStringLiteral("中止"), SatImage);
    stopRedrawButton->setFocusPolicy(Qt::NoFocus);
    stopRedrawButton->adjustSize();
    stopRedrawButton->hide();
    connect(stopRedrawButton, &QPushButton::clicked, this, [this] { StopRedraw(); });
    escapeShortcut = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escapeShortcut->setEnabled(false);
    connect(escapeShortcut, &QShortcut::activated, this, [this] {
        StopRedraw();
        StopOpeningHistogram();
    });
    DragBitmap = QImage();
    QApplication::setApplicationName(QStringLiteral("Orvenna"));

    // Files dropped from the desktop.
    setAcceptDrops(true);
}

MainWindow::~MainWindow() {
    FormClose();
    if (mainWindow == this) mainWindow = nullptr;
}

void MainWindow::BuildToolBar() {
    ButtonPanel = new QWidget(this);
    auto* layout = new QHBoxLayout(ButtonPanel);
    layout->setContentsMargins(0, 0, 0, 0);
    ToolBar = new QToolBar(ButtonPanel);
    ToolBar->setMovable(false);
    ToolBar->setFloatable(false);
    layout->addWidget(ToolBar);

    TBOpen = MakeToolButton(ToolBar, ToolIcon::Open, QStringLiteral("衛星データを開く"));
    TBSave = MakeToolButton(ToolBar, ToolIcon::Save, QStringLiteral("画像を保存"));
    TBClose = MakeToolButton(ToolBar, ToolIcon::Close, QStringLiteral("衛星データを閉じる"));
    ToolBar->addSeparator();
    TBSide = MakeToolButton(ToolBar, ToolIcon::Side, QStringLiteral("バンドリストを表示/非表示"), true, true);
    TBUpdate = MakeToolButton(ToolBar, ToolIcon::Update, QStringLiteral("画面を更新する"), true, true);
    TBScr = MakeToolButton(ToolBar, ToolIcon::Sync, QStringLiteral("他のビューアを同期させる"), true, false);
    ToolBar->addSeparator();
    TBLt = MakeToolButton(ToolBar, ToolIcon::WindowLeftTop, QStringLiteral("左上へ"));
    TBRt = MakeToolButton(ToolBar, ToolIcon::WindowRightTop, QStringLiteral("右上ヘ"));
    TBLb = MakeToolButton(ToolBar, ToolIcon::WindowLeftBottom, QStringLiteral("左下へ"));
    TBRb = MakeToolButton(ToolBar, ToolIcon::WindowRightBottom, QStringLiteral("右下へ"));
    ToolBar->addSeparator();
    ToolButton3 = MakeToolButton(ToolBar, ToolIcon::WindowTop, QStringLiteral("上へ"));
    ToolButton5 = MakeToolButton(ToolBar, ToolIcon::WindowBottom, QStringLiteral("下へ"));
    ToolButton6 = MakeToolButton(ToolBar, ToolIcon::WindowLeft, QStringLiteral("左へ"));
    ToolButton9 = MakeToolButton(ToolBar, ToolIcon::WindowRight, QStringLiteral("右へ"));
}

void MainWindow::BuildViewArea() {
    ImagePanel = new QWidget(this);
    auto* layout = new QHBoxLayout(ImagePanel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    ZoomPanel = new QWidget(ImagePanel);
    ZoomPanel->setFixedWidth(40);
    auto* zoomLayout = new QVBoxLayout(ZoomPanel);
    zoomLayout->setContentsMargins(0, 2, 0, 2);
    zoomLayout->setSpacing(2);
    ZoomUpImage = new ImageControl(ZoomPanel);
    ZoomUpImage->setFixedSize(40, 28);
    ZoomUpImage->Picture = QImage(40, 28, QImage::Format_ARGB32_Premultiplied);
    ZoomUpImage->Picture.fill(Qt::transparent);
    ZoomImage = new ImageControl(ZoomPanel);
    ZoomImage->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    ZoomImage->setFixedWidth(40);
    Image3 = new ImageControl(ZoomPanel);
    Image3->setFixedSize(40, 28);
    Image3->Picture = QImage(40, 28, QImage::Format_ARGB32_Premultiplied);
    Image3->Picture.fill(Qt::transparent);
    {
        QPainter p(&ZoomUpImage->Picture);
        p.drawImage(10, 4, ToolIconImage(ToolIcon::ZoomIn, 20));
    }
    {
        QPainter p(&Image3->Picture);
        p.drawImage(10, 4, ToolIconImage(ToolIcon::ZoomOut, 20));
    }
    SetHint(ZoomUpImage, QStringLiteral("拡大"));
    SetHint(ZoomImage, QStringLiteral("倍率変更"));
    SetHint(Image3, QStringLiteral("縮小"));
    zoomLayout->addWidget(ZoomUpImage);
    zoomLayout->addWidget(ZoomImage, 1);
    zoomLayout->addWidget(Image3);

    PanelImage = new QWidget(ImagePanel);
    auto* grid = new QGridLayout(PanelImage);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    SatImage = new ImageControl(PanelImage);
    SatImage->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    SatImage->setMinimumSize(1, 1);
    SatImage->setAutoFillBackground(true);
    SatImage->setMouseTracking(true);
    ScrImgHor = new QScrollBar(Qt::Horizontal, PanelImage);
    ScrImgVert = new QScrollBar(Qt::Vertical, PanelImage);
    for (QScrollBar* bar : {ScrImgHor, ScrImgVert}) {
        bar->setRange(0, 1000);
        bar->setSingleStep(1);
        bar->setPageStep(1);
    }
    grid->addWidget(SatImage, 0, 0);
    grid->addWidget(ScrImgVert, 0, 1);
    grid->addWidget(ScrImgHor, 1, 0);

    layout->addWidget(ZoomPanel);
    layout->addWidget(PanelImage, 1);
}

void MainWindow::BuildBandPanel() {
    BandPanel = new QWidget(this);
    BandPanel->setFixedWidth(284);
    auto* layout = new QVBoxLayout(BandPanel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    BandList = new QScrollArea(BandPanel);
    BandList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    BandList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    BandList->setWidgetResizable(true);
    BandListContents = new QWidget;
    BandListLayout = new QVBoxLayout(BandListContents);
    BandListLayout->setContentsMargins(0, 0, 0, 0);
    BandListLayout->setSpacing(0);
    BandListLayout->setAlignment(Qt::AlignTop);
    BandList->setWidget(BandListContents);
    layout->addWidget(BandList, 1);

    ConfigPanel = new QWidget(BandPanel);
    ConfigPanel->setFixedHeight(124);
    auto check = [this](const QString& text, int top, bool checked) {
        auto* box = new QCheckBox(text, ConfigPanel);
        box->setGeometry(12, top, 253, 17);
        box->setChecked(checked);
        return box;
    };
    HistCheckBox = check(QStringLiteral("ファイル読み込み時にヒストグラムを計算する"), 8, true);
    ScrCheckBox = check(QStringLiteral("滑らかにスクロールさせる（高負荷）"), 28, false);
    AutoRangeCheckBox = check(QStringLiteral("自動レンジ設定で0と255を除く"), 48, true);
    HistReduceMaxCheckBox = check(QStringLiteral("ヒストグラム表示の最大値から0と255を除く"), 68, true);
    Label7 = new QLabel(QStringLiteral("自動レンジ設定時の上下除去比率"), ConfigPanel);
    Label7->move(12, 96);
    Label7->adjustSize();
    AutoRangeEdit = new QLineEdit(QStringLiteral("0.00085"), ConfigPanel);
    // Wide enough for its default text whatever the font, still ending inside the panel.
    const int ratioWidth =
        std::max(45, AutoRangeEdit->fontMetrics().horizontalAdvance(AutoRangeEdit->text()) + 8);
    AutoRangeEdit->setGeometry(std::min(224, 276 - ratioWidth), 92, ratioWidth, 21);
    AutoRangeEdit->setTextMargins(-3, 0, -3, 0);
    AutoRangeEdit->setCursorPosition(0);
    ConfigPanel->hide();
    layout->addWidget(ConfigPanel);

    CalcPanel = new QWidget(BandPanel);
    CalcPanel->setFixedHeight(105);
    auto channel = [this](const QString& caption, int index, int top, const QString& hint, QLabel** label) {
        *label = new QLabel(caption, CalcPanel);
        (*label)->move(8, top + 3);
        (*label)->adjustSize();
        SetLabelColour(*label, ChannelColour(index));
        auto* edit = new QLineEdit(QStringLiteral("a"), CalcPanel);
        edit->setGeometry(28, top, 248, 21);
        // The language compiles texts of any length; the edit's own limit (32767) would cut a pasted
        // expression and unbalance its brackets.
        edit->setMaxLength(std::numeric_limits<int>::max());
        edit->setAutoFillBackground(true);
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Base, ChannelColour(index));
        palette.setColor(QPalette::Text, Qt::white);
        edit->setPalette(palette);
        SetHint(edit, hint);
        return edit;
    };
    ExpEditR = channel(QStringLiteral("赤"), 0, 4, QStringLiteral("画面上の赤の式"), &LabelR);
    ExpEditG = channel(QStringLiteral("緑"), 1, 28, QStringLiteral("画面上の緑の式"), &LabelG);
    ExpEditB = channel(QStringLiteral("青"), 2, 52, QStringLiteral("画面上の青の式"), &LabelB);
    BtnColor = new QPushButton(QStringLiteral("式で処理"), CalcPanel);
    BtnColor->setGeometry(28, 78, 100, 23);
    SetHint(BtnColor, QStringLiteral("式を使って画像を処理する"));
    BtnDraw = new QPushButton(QStringLiteral("再描画"), CalcPanel);
    BtnDraw->setGeometry(176, 78, 100, 23);
    BtnDraw->setDefault(true);
    SetHint(BtnDraw, QStringLiteral("画面を書き直す"));
    layout->addWidget(CalcPanel);

    ColorMenu = new QMenu(this);
    MI_C_NDVI = ColorMenu->addAction(QStringLiteral("NDVI(&N)"));
    MI_C_TM = ColorMenu->addAction(QStringLiteral("サーモグラフィ風(&T)"));
    MI_C_LS_THM = ColorMenu->addAction(QStringLiteral("LANDSAT温度分布(&L)"));
}

void MainWindow::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(true);
    const int widths[4] = {200, 150, 240, 50};
    for (int i = 0; i < 4; ++i) {
        StatusPanels[i] = new ElidedLabel(bar);
        StatusPanels[i]->setFrameShape(QFrame::Panel);
        StatusPanels[i]->setFrameShadow(QFrame::Sunken);
        // The last panel reaches to the right end of the bar, as a status bar's last part does, so that
        // its metadata state ("座標設定有効") is not cut off at 50 pixels.
        if (i < 3) {
            StatusPanels[i]->setFixedWidth(widths[i]);
            bar->addWidget(StatusPanels[i]);
        } else {
            StatusPanels[i]->setMinimumWidth(widths[i]);
            bar->addWidget(StatusPanels[i], 1);
        }
    }
}

void MainWindow::BuildMenus() {
    QMenuBar* bar = menuBar();
    F1 = bar->addMenu(QStringLiteral("ファイル(&F)"));
    MI_OPEN = F1->addAction(QStringLiteral("開く(&O)"));
    F1->addSeparator();
    MI_SAVE = F1->addAction(QStringLiteral("保存(&S)"));
    MI_CLOSE = F1->addAction(QStringLiteral("すべて閉じる(&C)"));
    F1->addSeparator();
    MI_QUIT = F1->addAction(QStringLiteral("終了(&X)"));

    V1 = bar->addMenu(QStringLiteral("表示(&V)"));
    MI_V_TOOL = V1->addAction(QStringLiteral("ツールバー(&B)"));
    V1->addSeparator();
    MI_V_BAND = V1->addAction(QStringLiteral("バンドリスト(&B)"));
    MI_V_ZOOM = V1->addAction(QStringLiteral("ズーム(&Z)"));
    V1->addSeparator();
    MI_V_STATUS = V1->addAction(QStringLiteral("ステータスバー(&S)"));
    V1->addSeparator();
    MI_V_CONF = V1->addAction(QStringLiteral("設定(&C)"));
    for (QAction* a : {MI_V_TOOL, MI_V_BAND, MI_V_ZOOM, MI_V_STATUS, MI_V_CONF})
        a->setCheckable(true);

    W1 = bar->addMenu(QStringLiteral("ウィンドウ(&W)"));
    MI_W_LT = W1->addAction(QStringLiteral("左上へ(&0)"));
    MI_W_RT = W1->addAction(QStringLiteral("右上へ(&1)"));
    MI_W_LB = W1->addAction(QStringLiteral("左下へ(&2)"));
    MI_W_RB = W1->addAction(QStringLiteral("右下へ(&3)"));
    W1->addSeparator();
    MI_W_T = W1->addAction(QStringLiteral("上へ(&T)"));
    MI_W_B = W1->addAction(QStringLiteral("下へ(&B)"));
    W1->addSeparator();
    MI_W_L = W1->addAction(QStringLiteral("左へ(&L)"));
    MI_W_R = W1->addAction(QStringLiteral("右へ(&R)"));

    H1 = bar->addMenu(QStringLiteral("バージョン情報(&A)"));
    MI_H_ABOUT = H1->addAction(QStringLiteral("バージョン情報(&A)"));
    MI_H_HELP = H1->addAction(QStringLiteral("簡易ヘルプ(&H)"));
}

void MainWindow::ConnectHandlers() {
    connect(MI_QUIT, &QAction::triggered, this, [this] { MI_QUITClick(); });
    connect(MI_H_ABOUT, &QAction::triggered, this, [this] { MI_H_ABOUTClick(); });
    connect(MI_H_HELP, &QAction::triggered, this, [this] { MI_H_HELPClick(); });
    connect(ExpEditR, &QLineEdit::textChanged, this, [this] { ExpEditRChange(); });
    connect(ExpEditG, &QLineEdit::textChanged, this, [this] { ExpEditGChange(); });
    connect(ExpEditB, &QLineEdit::textChanged, this, [this] { ExpEditBChange(); });
    connect(BtnDraw, &QPushButton::clicked, this, [this] { BtnDrawClick(); });
    connect(TBUpdate, &QToolButton::clicked, this, [this] { TBUpdateClick(); });
    connect(HistReduceMaxCheckBox, &QCheckBox::clicked, this, [this] { HistReduceMaxCheckBoxClick(); });
    ConnectPresetHandlers();
    ConnectPlacementHandlers();
    ConnectOpenHandlers();
    ConnectNavigationHandlers();  // after the readout's: the pan wraps the view's pointer callbacks
    ConnectSyncHandlers();
    // The default button: Enter anywhere in the window redraws.
    for (int key : {int(Qt::Key_Return), int(Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        connect(shortcut, &QShortcut::activated, BtnDraw, &QPushButton::click);
    }
}

QString MainWindow::StatusPanelText(int panel) const {
    return panel >= 0 && panel < 4 ? StatusPanels[panel]->text() : QString();
}

void MainWindow::SetStatusPanelText(int panel, const QString& text) {
    if (panel >= 0 && panel < 4) StatusPanels[panel]->setText(text);
}

bool MainWindow::event(QEvent* event) {
    // The long part of the hint of the control under the pointer goes to status panel 0.
    if (event->type() == QEvent::StatusTip) {
        SetStatusPanelText(0, static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void MainWindow::FormClose() {
    StopRedrawAndWait();
    for (auto& scene : SceneList)
        remos_close(scene.get());
    SceneList.clear();
    for (auto& row : BandRowList)
        DestroyBandRow(row.get());
    BandRowList.clear();
    DragBitmap = QImage();
    ecalc_free(CalcExprR);
    ecalc_free(CalcExprG);
    ecalc_free(CalcExprB);
    CalcExprR = CalcExprG = CalcExprB = nullptr;
    ImageLoaded = false;
    GeoValid = false;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (Opening || Drawing) {
        // The opening or the redraw below us on the stack still uses the scenes and rows: stop them at their
        // next step, and close once they have unwound.
        closePending = true;
        openingStopRequested = true;
        StopOpeningHistogram();
        if (redrawControl) redrawControl->stop = true;
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
    // Closing the main window ends the application, whatever auxiliary windows are still shown.
    QCoreApplication::quit();
}

void MainWindow::MI_QUITClick() {
    close();
}

void MainWindow::MI_H_ABOUTClick() {
    if (aboutDialog) aboutDialog->exec();
}

void MainWindow::MI_H_HELPClick() {
    if (!quickHelpWindow) return;
    quickHelpWindow->show();
    quickHelpWindow->raise();
    quickHelpWindow->activateWindow();
}
