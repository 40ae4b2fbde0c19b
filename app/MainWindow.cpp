// The main window: construction of its controls and of the windows beside it, the status hint, closing.
#include "app/MainWindow.h"

#include "app/KeptPlaces.h"

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
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <limits>

#include "app/BandListWidget.h"
#include "app/BandRowWidget.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/LandsatTemperatureDialog.h"
#include "dialogs/NdviPresetDialog.h"
#include "dialogs/OperationGuideWindow.h"
#include "dialogs/PixelValueWindow.h"
#include "dialogs/ProgressWindow.h"
#include "dialogs/QuickHelpWindow.h"
#include "dialogs/ThermographyPresetDialog.h"
#include "document/Document.h"
#include "document/ValueReadJob.h"
#include "platform/ElidedLabel.h"
#include "platform/Fonts.h"
#include "platform/Hint.h"
#include "platform/ImageControl.h"
#include "platform/ToolIcons.h"

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

template <typename T>
T* named(T* object, const char* name) {
    object->setObjectName(QLatin1String(name));
    return object;
}

QToolButton* makeToolButton(QToolBar* bar, const char* name, ToolIcon icon, const QString& hint,
                            bool checkable = false, bool down = false) {
    auto* button = named(new QToolButton(bar), name);
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

QAction* namedAction(QMenu* menu, const char* name, const QString& text) {
    return named(menu->addAction(text), name);
}

void setLabelColour(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

}  // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), document_(std::make_unique<orvenna::Document>()) {
    setObjectName(QStringLiteral("MainWindow"));
    jobs_ = std::make_unique<orvenna::ViewerJobs>(*document_);
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
    centralLayout->addWidget(toolBarPanel_);
    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    buildViewArea();
    buildBandPanel();
    body->addWidget(viewPanel_, 1);
    body->addWidget(bandPanel_);
    centralLayout->addLayout(body, 1);
    buildStatusBar();
    buildMenus();
    buildNavigationCommands();
    buildDialogs();
    sync_ = new SyncController(*this, *document_, this);
    connectHandlers();
    setAcceptDrops(true);  // files dropped from the desktop
}

MainWindow::~MainWindow() {
    // The jobs end before the document and the pictures they use go.
    jobs_.reset();
}

void MainWindow::buildToolBar() {
    toolBarPanel_ = named(new QWidget(this), "toolBarPanel");
    auto* layout = new QHBoxLayout(toolBarPanel_);
    layout->setContentsMargins(0, 0, 0, 0);
    toolBar_ = named(new QToolBar(toolBarPanel_), "toolBar");
    toolBar_->setMovable(false);
    toolBar_->setFloatable(false);
    layout->addWidget(toolBar_);

    openButton_ = makeToolButton(toolBar_, "openButton", ToolIcon::Open, tr("衛星データを開く"));
    saveButton_ = makeToolButton(toolBar_, "saveButton", ToolIcon::Save, tr("画像を保存"));
    closeAllButton_ = makeToolButton(toolBar_, "closeAllButton", ToolIcon::Close, tr("衛星データを閉じる"));
    toolBar_->addSeparator();
    bandListButton_ = makeToolButton(toolBar_, "bandListButton", ToolIcon::Side,
                                     tr("バンドリストを表示/非表示"), true, true);
    autoUpdateButton_ =
        makeToolButton(toolBar_, "autoUpdateButton", ToolIcon::Update, tr("画面を更新する"), true, true);
    syncButton_ =
        makeToolButton(toolBar_, "syncButton", ToolIcon::Sync, tr("他のビューアを同期させる"), true, false);
    struct Place {
        const char* name;
        ToolIcon icon;
        const char* hint;
    };
    static const Place places[8] = {
        {"placeTopLeftButton", ToolIcon::WindowLeftTop, QT_TRANSLATE_NOOP("MainWindow", "左上へ")},
        {"placeTopRightButton", ToolIcon::WindowRightTop, QT_TRANSLATE_NOOP("MainWindow", "右上ヘ")},
        {"placeBottomLeftButton", ToolIcon::WindowLeftBottom, QT_TRANSLATE_NOOP("MainWindow", "左下へ")},
        {"placeBottomRightButton", ToolIcon::WindowRightBottom, QT_TRANSLATE_NOOP("MainWindow", "右下へ")},
        {"placeTopButton", ToolIcon::WindowTop, QT_TRANSLATE_NOOP("MainWindow", "上へ")},
        {"placeBottomButton", ToolIcon::WindowBottom, QT_TRANSLATE_NOOP("MainWindow", "下へ")},
        {"placeLeftButton", ToolIcon::WindowLeft, QT_TRANSLATE_NOOP("MainWindow", "左へ")},
        {"placeRightButton", ToolIcon::WindowRight, QT_TRANSLATE_NOOP("MainWindow", "右へ")},
    };
    for (int i = 0; i < 8; ++i) {
        if (i == 0 || i == 4) toolBar_->addSeparator();
        placeButtons_[i] = makeToolButton(toolBar_, places[i].name, places[i].icon, tr(places[i].hint));
    }
}

void MainWindow::buildViewArea() {
    viewPanel_ = named(new QWidget(this), "viewPanel");
    auto* layout = new QHBoxLayout(viewPanel_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    zoomStrip_ = named(new QWidget(viewPanel_), "zoomStrip");
    zoomStrip_->setFixedWidth(40);
    auto* zoomLayout = new QVBoxLayout(zoomStrip_);
    zoomLayout->setContentsMargins(0, 2, 0, 2);
    zoomLayout->setSpacing(2);
    auto zoomButton = [this](const char* name, ToolIcon icon, const QString& hint) {
        auto* button = named(new ImageControl(zoomStrip_), name);
        button->setFixedSize(40, 28);
        button->picture = QImage(40, 28, QImage::Format_ARGB32_Premultiplied);
        button->picture.fill(Qt::transparent);
        QPainter(&button->picture).drawImage(10, 4, toolIconImage(icon, 20));
        setHint(button, hint);
        return button;
    };
    zoomInButton_ = zoomButton("zoomInButton", ToolIcon::ZoomIn, tr("拡大"));
    zoomSlider_ = named(new ImageControl(zoomStrip_), "zoomSlider");
    zoomSlider_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    zoomSlider_->setFixedWidth(40);
    setHint(zoomSlider_, tr("倍率変更"));
    zoomOutButton_ = zoomButton("zoomOutButton", ToolIcon::ZoomOut, tr("縮小"));
    zoomLayout->addWidget(zoomInButton_);
    zoomLayout->addWidget(zoomSlider_, 1);
    zoomLayout->addWidget(zoomOutButton_);

    auto* viewFrame = new QWidget(viewPanel_);
    auto* grid = new QGridLayout(viewFrame);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    view_ = named(new ImageControl(viewFrame), "view");
    view_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    view_->setMinimumSize(1, 1);
    view_->setAutoFillBackground(true);
    view_->setMouseTracking(true);
    horizontalScrollBar_ = named(new QScrollBar(Qt::Horizontal, viewFrame), "horizontalScrollBar");
    verticalScrollBar_ = named(new QScrollBar(Qt::Vertical, viewFrame), "verticalScrollBar");
    for (QScrollBar* bar : {horizontalScrollBar_, verticalScrollBar_}) {
        bar->setRange(0, 1000);
        bar->setSingleStep(1);
        bar->setPageStep(1);
    }
    grid->addWidget(view_, 0, 0);
    grid->addWidget(verticalScrollBar_, 0, 1);
    grid->addWidget(horizontalScrollBar_, 1, 0);
    layout->addWidget(zoomStrip_);
    layout->addWidget(viewFrame, 1);

    // "中止", over the view during a long redraw.
    stopRedrawButton_ = named(new QPushButton(tr("中止"), view_), "stopRedrawButton");
    stopRedrawButton_->setFocusPolicy(Qt::NoFocus);
    stopRedrawButton_->adjustSize();
    stopRedrawButton_->hide();
}

void MainWindow::buildBandPanel() {
    bandPanel_ = named(new QWidget(this), "bandPanel");
    bandPanel_->setFixedWidth(284);
    auto* layout = new QVBoxLayout(bandPanel_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    bandList_ = new BandListWidget(*document_, bandPanel_);
    layout->addWidget(bandList_, 1);

    settingsPanel_ = named(new QWidget(bandPanel_), "settingsPanel");
    settingsPanel_->setFixedHeight(144);
    auto check = [this](const char* name, const QString& text, int top, bool checked) {
        auto* box = named(new QCheckBox(text, settingsPanel_), name);
        box->setGeometry(12, top, 253, 17);
        box->setChecked(checked);
        return box;
    };
    histogramOnOpenCheckBox_ =
        check("histogramOnOpenCheckBox", tr("ファイル読み込み時にヒストグラムを計算する"), 8, true);
    smoothScrollCheckBox_ =
        check("smoothScrollCheckBox", tr("滑らかにスクロールさせる（高負荷）"), 28, false);
    autoRangeExcludesEndsCheckBox_ =
        check("autoRangeExcludesEndsCheckBox", tr("自動レンジ設定で0と255を除く"), 48, true);
    histogramPeakExcludesEndsCheckBox_ =
        check("histogramPeakExcludesEndsCheckBox", tr("ヒストグラム表示の最大値から0と255を除く"), 68, true);
    autoRangeOnOpenCheckBox_ = check("autoRangeOnOpenCheckBox", tr("開いたときに自動範囲"), 88, true);
    auto* clipRatioLabel =
        named(new QLabel(tr("自動レンジ設定時の上下除去比率"), settingsPanel_), "clipRatioLabel");
    clipRatioLabel->move(12, 116);
    clipRatioLabel->adjustSize();
    clipRatioEdit_ = named(new QLineEdit(QStringLiteral("0.00085"), settingsPanel_), "clipRatioEdit");
    // Wide enough for its default text whatever the font, still ending inside the panel.
    const int ratioWidth =
        std::max(45, clipRatioEdit_->fontMetrics().horizontalAdvance(clipRatioEdit_->text()) + 8);
    clipRatioEdit_->setGeometry(std::min(224, 276 - ratioWidth), 112, ratioWidth, 21);
    clipRatioEdit_->setTextMargins(-3, 0, -3, 0);
    clipRatioEdit_->setCursorPosition(0);
    settingsPanel_->hide();
    layout->addWidget(settingsPanel_);

    auto* expressionPanel = named(new QWidget(bandPanel_), "expressionPanel");
    expressionPanel->setFixedHeight(105);
    static const char* const kCaptions[3] = {QT_TRANSLATE_NOOP("MainWindow", "赤"),
                                             QT_TRANSLATE_NOOP("MainWindow", "緑"),
                                             QT_TRANSLATE_NOOP("MainWindow", "青")};
    static const char* const kHints[3] = {QT_TRANSLATE_NOOP("MainWindow", "画面上の赤の式"),
                                          QT_TRANSLATE_NOOP("MainWindow", "画面上の緑の式"),
                                          QT_TRANSLATE_NOOP("MainWindow", "画面上の青の式")};
    static const char* const kNames[3] = {"redExpressionEdit", "greenExpressionEdit", "blueExpressionEdit"};
    for (int c = 0; c < 3; ++c) {
        const int top = 4 + 24 * c;
        auto* label = new QLabel(tr(kCaptions[c]), expressionPanel);
        label->move(8, top + 3);
        label->adjustSize();
        setLabelColour(label, channelColour(c));
        auto* edit = named(new QLineEdit(QStringLiteral("a"), expressionPanel), kNames[c]);
        edit->setGeometry(28, top, 248, 21);
        // The language compiles texts of any length; the edit's own limit (32767) would cut a pasted
        // expression and unbalance its brackets.
        edit->setMaxLength(std::numeric_limits<int>::max());
        edit->setAutoFillBackground(true);
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Base, channelColour(c));
        palette.setColor(QPalette::Text, Qt::white);
        edit->setPalette(palette);
        setHint(edit, tr(kHints[c]));
        expressionEdits_[c] = edit;
    }
    presetButton_ = named(new QPushButton(tr("式で処理"), expressionPanel), "presetButton");
    presetButton_->setGeometry(28, 78, 100, 23);
    setHint(presetButton_, tr("式を使って画像を処理する"));
    redrawButton_ = named(new QPushButton(tr("再描画"), expressionPanel), "redrawButton");
    redrawButton_->setGeometry(176, 78, 100, 23);
    redrawButton_->setDefault(true);
    setHint(redrawButton_, tr("画面を書き直す"));
    layout->addWidget(expressionPanel);

    presetMenu_ = named(new QMenu(this), "presetMenu");
    ndviAction_ = namedAction(presetMenu_, "ndviAction", tr("NDVI(&N)"));
    thermographyAction_ = namedAction(presetMenu_, "thermographyAction", tr("サーモグラフィ風(&T)"));
    landsatTemperatureAction_ =
        namedAction(presetMenu_, "landsatTemperatureAction", tr("LANDSAT温度分布(&L)"));
}

void MainWindow::buildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(true);
    const int widths[kStatusPanels] = {200, 150, 240, 50, 180};
    for (int i = 0; i < kStatusPanels; ++i) {
        statusPanels_[i] = new ElidedLabel(bar);
        statusPanels_[i]->setObjectName(QStringLiteral("statusPanel%1").arg(i));
        statusPanels_[i]->setFrameShape(QFrame::Panel);
        statusPanels_[i]->setFrameShadow(QFrame::Sunken);
        // The last panel reaches to the right end of the bar, as a status bar's last part does, so that
        // its metadata state ("座標設定有効") is not cut off at 50 pixels.
        if (i == 3) {
            statusPanels_[i]->setMinimumWidth(widths[i]);
            bar->addWidget(statusPanels_[i], 1);
        } else if (i == 4) {
            // Shown only while it has a place to show, so that the metadata state keeps its room.
            statusPanels_[i]->setFixedWidth(widths[i]);
            statusPanels_[i]->hide();
            bar->insertWidget(3, statusPanels_[i]);
        } else {
            statusPanels_[i]->setFixedWidth(widths[i]);
            bar->addWidget(statusPanels_[i]);
        }
    }
}

void MainWindow::buildMenus() {
    QMenuBar* bar = menuBar();
    fileMenu_ = named(bar->addMenu(tr("ファイル(&F)")), "fileMenu");
    openAction_ = namedAction(fileMenu_, "openAction", tr("開く(&O)"));
    openUrlAction_ = namedAction(fileMenu_, "openUrlAction", tr("URL を開く(&U)..."));
    recentMenu_ = named(fileMenu_->addMenu(tr("最近開いたもの(&R)")), "recentMenu");
    forgetRecentAction_ = new QAction(tr("履歴を消す(&F)"), this);
    forgetRecentAction_->setObjectName(QStringLiteral("forgetRecentAction"));
    fileMenu_->addSeparator();
    saveAction_ = namedAction(fileMenu_, "saveAction", tr("保存(&S)"));
    connect(namedAction(fileMenu_, "exportAction", tr("シーン全体を書き出す(&E)...")), &QAction::triggered,
            this, [this] { exportScene(); });
    closeAllAction_ = namedAction(fileMenu_, "closeAllAction", tr("すべて閉じる(&C)"));
    fileMenu_->addSeparator();
    quitAction_ = namedAction(fileMenu_, "quitAction", tr("終了(&X)"));

    viewMenu_ = named(bar->addMenu(tr("表示(&V)")), "viewMenu");
    showToolBarAction_ = namedAction(viewMenu_, "showToolBarAction", tr("ツールバー(&B)"));
    viewMenu_->addSeparator();
    showBandListAction_ = namedAction(viewMenu_, "showBandListAction", tr("バンドリスト(&B)"));
    showZoomStripAction_ = namedAction(viewMenu_, "showZoomStripAction", tr("ズーム(&Z)"));
    viewMenu_->addSeparator();
    showStatusBarAction_ = namedAction(viewMenu_, "showStatusBarAction", tr("ステータスバー(&S)"));
    showLegendAction_ = namedAction(viewMenu_, "showLegendAction", tr("凡例(&L)"));
    showLegendAction_->setCheckable(true);
    buildLanguageMenu();
    viewMenu_->addSeparator();
    showSettingsAction_ = namedAction(viewMenu_, "showSettingsAction", tr("設定(&C)"));
    for (QAction* a : {showToolBarAction_, showBandListAction_, showZoomStripAction_, showStatusBarAction_,
                       showSettingsAction_})
        a->setCheckable(true);

    windowMenu_ = named(bar->addMenu(tr("ウィンドウ(&W)")), "windowMenu");
    static const char* const kPlaceNames[8] = {
        "placeTopLeftAction", "placeTopRightAction", "placeBottomLeftAction", "placeBottomRightAction",
        "placeTopAction",     "placeBottomAction",   "placeLeftAction",       "placeRightAction"};
    static const char* const kPlaceTexts[8] = {
        QT_TRANSLATE_NOOP("MainWindow", "左上へ(&0)"), QT_TRANSLATE_NOOP("MainWindow", "右上へ(&1)"),
        QT_TRANSLATE_NOOP("MainWindow", "左下へ(&2)"), QT_TRANSLATE_NOOP("MainWindow", "右下へ(&3)"),
        QT_TRANSLATE_NOOP("MainWindow", "上へ(&T)"),   QT_TRANSLATE_NOOP("MainWindow", "下へ(&B)"),
        QT_TRANSLATE_NOOP("MainWindow", "左へ(&L)"),   QT_TRANSLATE_NOOP("MainWindow", "右へ(&R)")};
    for (int i = 0; i < 8; ++i) {
        if (i == 4 || i == 6) windowMenu_->addSeparator();
        placeActions_[i] = namedAction(windowMenu_, kPlaceNames[i], tr(kPlaceTexts[i]));
    }

    // The menu is named after its first item in Japanese; the English one is the usual Help menu.
    helpMenu_ = named(bar->addMenu(tr("バージョン情報(&A)", "the menu")), "helpMenu");
    aboutAction_ = namedAction(helpMenu_, "aboutAction", tr("バージョン情報(&A)"));
    quickHelpAction_ = namedAction(helpMenu_, "quickHelpAction", tr("簡易ヘルプ(&H)"));
}

void MainWindow::buildDialogs() {
    // Made hidden, in the order of start-up; owned by the window, so they go with it.
    progressWindow_ = new ProgressWindow(this);
    pixelValueWindow_ = new PixelValueWindow(this);
    valueReads_ = new orvenna::ValueReadJob(*document_, this);
    connect(valueReads_, &orvenna::ValueReadJob::valuesRead, this,
            [this](int x, int y, const std::vector<double>& values) {
                if (x == readoutX_ && y == readoutY_ && pixelValueWindow_->isVisible())
                    showPixelValues(x, y, orvenna::PixelValues{values, {}});
            });
    aboutDialog_ = new AboutDialog(this);
    ndviDialog_ = new NdviPresetDialog(*document_, this);
    thermographyDialog_ = new ThermographyPresetDialog(*document_, this);
    landsatDialog_ = new LandsatTemperatureDialog(*document_, this);
    quickHelpWindow_ = new QuickHelpWindow(this);
}

void MainWindow::connectHandlers() {
    connect(quitAction_, &QAction::triggered, this, [this] { onQuitTriggered(); });
    connect(aboutAction_, &QAction::triggered, this, [this] { onAboutTriggered(); });
    connect(quickHelpAction_, &QAction::triggered, this, [this] { onQuickHelpTriggered(); });
    connect(openButton_, &QToolButton::clicked, this, [this] { onOpenClicked(); });
    connect(openAction_, &QAction::triggered, this, [this] { onOpenClicked(); });
    connect(openUrlAction_, &QAction::triggered, this, [this] { onOpenUrlClicked(); });
    connect(recentMenu_, &QMenu::aboutToShow, this, [this] { fillRecentMenu(); });
    connect(forgetRecentAction_, &QAction::triggered, this, [] { KeptPlaces().forget(); });
    connect(saveButton_, &QToolButton::clicked, this, [this] { saveView(); });
    connect(saveAction_, &QAction::triggered, this, [this] { saveView(); });
    connect(closeAllButton_, &QToolButton::clicked, this, [this] { closeAll(); });
    connect(closeAllAction_, &QAction::triggered, this, [this] { closeAll(); });
    for (int c = 0; c < 3; ++c)
        connect(expressionEdits_[c], &QLineEdit::textChanged, this, [this, c] { onExpressionEdited(c); });
    connect(document_.get(), &orvenna::Document::expressionChanged, this, &MainWindow::onExpressionChanged);
    connect(document_.get(), &orvenna::Document::bandsChanged, this, &MainWindow::showSceneStatus);
    connect(document_.get(), &orvenna::Document::geographyChanged, this, &MainWindow::showSceneStatus);
    connect(redrawButton_, &QPushButton::clicked, this, [this] { onRedrawClicked(); });
    connect(autoUpdateButton_, &QToolButton::clicked, this,
            [this] { autoUpdate_ = autoUpdateButton_->isChecked(); });
    connect(syncButton_, &QToolButton::clicked, this, [this] { sync_->setOn(syncButton_->isChecked()); });
    connect(histogramPeakExcludesEndsCheckBox_, &QCheckBox::clicked, this,
            [this] { bandList_->setPeakExcludesEnds(histogramPeakExcludesEndsCheckBox_->isChecked()); });
    connect(presetButton_, &QPushButton::clicked, this,
            [this] { presetMenu_->popup(presetButton_->mapToGlobal(QPoint(presetButton_->width(), 0))); });
    connect(ndviAction_, &QAction::triggered, this, [this] { onNdviTriggered(); });
    connect(thermographyAction_, &QAction::triggered, this, [this] { onThermographyTriggered(); });
    connect(landsatTemperatureAction_, &QAction::triggered, this,
            [this] { onLandsatTemperatureTriggered(); });
    for (PresetDialog* dialog :
         std::initializer_list<PresetDialog*>{ndviDialog_, thermographyDialog_, landsatDialog_})
        connect(dialog, &PresetDialog::applied, this, [this] { redraw(); });

    connect(bandList_, &BandListWidget::closeRequested, this, &MainWindow::onCloseBandRequested);
    connect(bandList_, &BandListWidget::channelsChosen, this, &MainWindow::onChannelsChosen);
    connect(bandList_, &BandListWidget::autoRangeRequested, this,
            [this](int i) { onRangeRequested(i, true); });
    connect(bandList_, &BandListWidget::fullRangeRequested, this,
            [this](int i) { onRangeRequested(i, false); });
    connect(bandList_, &BandListWidget::rangeDragEnded, this, [this] { redraw(); });

    jobs_->setRedrawPlanner([this](orvenna::ViewGeometry* g) { return planRedraw(g); });
    connect(jobs_.get(), &orvenna::ViewerJobs::stateChanged, this, &MainWindow::onJobsStateChanged);
    connect(jobs_.get(), &orvenna::ViewerJobs::openingProgressed, this, &MainWindow::onOpeningProgressed);
    connect(jobs_.get(), &orvenna::ViewerJobs::histogramPassRunning, this, [this](bool running) {
        progressWindow_->stopButton->setEnabled(running);
        escapeShortcut_->setEnabled(running || jobs_->state() == orvenna::ViewerJobs::State::Drawing);
    });
    connect(jobs_.get(), &orvenna::ViewerJobs::openingFinished, this, &MainWindow::onOpeningFinished);
    connect(jobs_.get(), &orvenna::ViewerJobs::openingAbandoned, this, [this] {
        timingOpening_ = false;
        showOpeningRefusals();
        setStatusPanelText(0, tr("読み込みを中止しました。中止できなかったファイルは開いていません"));
    });
    connect(jobs_.get(), &orvenna::ViewerJobs::redrawFinished, this, &MainWindow::onRedrawFinished);
    connect(jobs_.get(), &orvenna::ViewerJobs::histogramCounted, this, &MainWindow::onHistogramCounted);
    connect(jobs_.get(), &orvenna::ViewerJobs::histogramProgress, this, [this](int index, double done) {
        if (index >= 0 && index < bandList_->rowCount()) bandList_->row(index)->setHistogramProgress(done);
    });
    connect(bandList_, &BandListWidget::histogramStopRequested, jobs_.get(),
            &orvenna::ViewerJobs::stopHistogram);
    connect(jobs_.get(), &orvenna::ViewerJobs::sceneReadError, this,
            [this](const QString& file, const QString& why) {
                setStatusPanelText(
                    0, tr("\"%1\" の一部が読めないため 0 として表示しています: %2").arg(file, why));
            });
    connect(jobs_.get(), &orvenna::ViewerJobs::readyToClose, this, [this] {
        if (closeAfterWork_) close();
    });
    connect(progressWindow_, &ProgressWindow::stopRequested, this, [this] { jobs_->stopHistogramPass(); });
    connect(stopRedrawButton_, &QPushButton::clicked, this, [this] { jobs_->stopRedraw(); });
    escapeShortcut_ = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escapeShortcut_->setEnabled(false);
    connect(escapeShortcut_, &QShortcut::activated, this, [this] { stopWork(); });
    redrawTicker_ = new QTimer(this);
    redrawTicker_->setInterval(100);
    connect(redrawTicker_, &QTimer::timeout, this, &MainWindow::onRedrawTick);

    connectPlacementHandlers();
    connectLegendHandlers();
    view_->onMouseMove = [this](QMouseEvent* e) { onViewMouseMove(e); };
    view_->onMousePress = [this](QMouseEvent* e) { onViewMousePress(e); };
    connectNavigationHandlers();  // after the readout's: the pan wraps the view's pointer callbacks
    // The default button: Enter anywhere in the window redraws.
    for (int key : {int(Qt::Key_Return), int(Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        connect(shortcut, &QShortcut::activated, redrawButton_, &QPushButton::click);
    }
}

QString MainWindow::statusPanelText(int panel) const {
    return panel >= 0 && panel < kStatusPanels ? statusPanels_[panel]->text() : QString();
}

void MainWindow::setStatusPanelText(int panel, const QString& text) {
    if (panel < 0 || panel >= kStatusPanels) return;
    statusPanels_[panel]->setText(text);
    if (panel == 4) statusPanels_[panel]->setVisible(!text.isEmpty());
}

void MainWindow::showStatus(const QString& text) {
    setStatusPanelText(0, text);
}

bool MainWindow::event(QEvent* event) {
    // The long part of the hint of the control under the pointer goes to status panel 0.
    if (event->type() == QEvent::StatusTip) {
        setStatusPanelText(0, static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (jobs_->busy()) {
        // An opening, a redraw or a histogram pass still uses the scenes: they stop at their next step, and
        // the window closes once they have ended.
        closeAfterWork_ = true;
        jobs_->close();
        event->ignore();
        return;
    }
    event->accept();
    if (keepsGeometry_) KeptPlaces().setWindowGeometry(saveGeometry());
    // Closing the main window ends the application, whatever auxiliary windows are still shown.
    QCoreApplication::quit();
}

void MainWindow::onQuitTriggered() {
    close();
}

void MainWindow::onAboutTriggered() {
    aboutDialog_->exec();
}

void MainWindow::onQuickHelpTriggered() {
    quickHelpWindow_->show();
    quickHelpWindow_->raise();
    quickHelpWindow_->activateWindow();
}

void MainWindow::onGuideTriggered() {
    if (!guideWindow_) guideWindow_ = new OperationGuideWindow(this);
    guideWindow_->show();
    guideWindow_->raise();
    guideWindow_->activateWindow();
}
