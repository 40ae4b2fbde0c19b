// Reading a scene: long band names keep both ends, a colour file opened first shows in colour, a broken
// expression says where and why, the pixel value window's band value plot follows the pointer, and the
// guide's examples are expressions that compile.
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QToolButton>

#include <cpl_string.h>
#include <gdal.h>

#include <algorithm>
#include <filesystem>

#include "GuiTestSupport.h"
#include "NavigationTestSupport.h"
#include "calc/Expression.h"
#include "dialogs/BandValuePlotView.h"
#include "dialogs/NdviPresetDialog.h"
#include "dialogs/OperationGuideWindow.h"
#include "dialogs/PixelValueWindow.h"
#include "platform/ElidedLabel.h"
#include "platform/ImageControl.h"
#include "tools/samples/sample_scenes.h"

namespace {

const std::string kLandsat = ORVENNA_SOURCE_DIR "/tests/data/landsat/";
const char* const kLe07 = "LE07_L1TP_195025_20010730_20170204_01_T1_";

class ReadingSceneTest : public guitest::MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        window->resize(1100, 700);
        window->show();
    }
    std::vector<std::string> landsat(const char* prefix, const std::vector<std::string>& bands) {
        std::vector<std::string> paths;
        for (const std::string& b : bands)
            paths.push_back(kLandsat + prefix + b + ".TIF");
        return paths;
    }
    QStringList expressions() const {
        return {window->redExpressionEdit->text(), window->greenExpressionEdit->text(),
                window->blueExpressionEdit->text()};
    }
};

TEST_F(ReadingSceneTest, LongBandNamesKeepTheirStartAndEnd) {
    window->openNow(landsat(kLe07, {"B4", "B1", "B3", "B2", "B6_VCID_1"}));
    ASSERT_EQ(document().bandCount(), 5);
    const QString b4 = QStringLiteral("D : ") + kLe07 + QStringLiteral("B4.TIF - 0");
    const struct {
        int row;
        QString whole;
        QString end;
    } cases[] = {
        {3, b4, "_B4.TIF - 0"},
        {0, QStringLiteral("A : ") + kLe07 + QStringLiteral("B1.TIF - 0"), "_B1.TIF - 0"},
        {4, QStringLiteral("E : ") + kLe07 + QStringLiteral("B6_VCID_1.TIF - 0"), "VCID_1.TIF - 0"},
    };
    for (const auto& c : cases) {
        auto* label = dynamic_cast<ElidedLabel*>(bandRow(c.row)->nameLabel);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), c.whole);
        EXPECT_EQ(label->toolTip(), c.whole);
        const QString shown = label->shownText();
        EXPECT_TRUE(label->isElided());
        EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
        EXPECT_TRUE(shown.startsWith(c.whole.left(12))) << shown.toStdString();
        EXPECT_TRUE(shown.endsWith(c.end)) << shown.toStdString();
        EXPECT_LE(label->fontMetrics().horizontalAdvance(shown), label->width());
        // The label stays inside the row, left of its right-hand controls.
        EXPECT_LE(label->geometry().right(), bandRow(c.row)->widget->width());
    }

    // The preset dialogs' band lists show the same labels cut the same way, whole in their tooltips.
    window->ndviAction->trigger();
    NdviPresetDialog* ndvi = window->ndviPresetDialog();
    QComboBox* combo = ndvi->nearInfraredBandComboBox;
    ASSERT_EQ(combo->count(), 5);
    EXPECT_TRUE(combo->itemText(3).contains(QChar(0x2026)));
    EXPECT_TRUE(combo->itemText(3).endsWith("B4.TIF - 0")) << combo->itemText(3).toStdString();
    EXPECT_EQ(combo->itemData(3, Qt::ToolTipRole).toString(), b4);
    combo->setCurrentIndex(3);
    EXPECT_EQ(combo->toolTip(), b4);
    // Short labels stay whole.
    ndvi->setBandLabels({"A : a.bil - 0"});
    EXPECT_EQ(combo->itemText(0), "A : a.bil - 0");
}

// A 3-band GeoTIFF stored band by band, its bands marked red, green and blue: only GDAL reads it.
bool writeGdalRgb(const std::string& path, std::string* error) {
    GDALAllRegister();
    GDALDriverH driver = GDALGetDriverByName("GTiff");
    char** options = nullptr;
    options = CSLSetNameValue(options, "INTERLEAVE", "BAND");
    options = CSLSetNameValue(options, "PHOTOMETRIC", "RGB");
    options = CSLSetNameValue(options, "COMPRESS", "DEFLATE");
    GDALDatasetH ds = GDALCreate(driver, path.c_str(), 16, 12, 3, GDT_Byte, options);
    CSLDestroy(options);
    if (!ds) return *error = "GDALCreate", false;
    std::vector<unsigned char> values(16 * 12);
    for (int b = 1; b <= 3; ++b) {
        std::fill(values.begin(), values.end(), static_cast<unsigned char>(60 * b));
        if (GDALRasterIO(GDALGetRasterBand(ds, b), GF_Write, 0, 0, 16, 12, values.data(), 16, 12, GDT_Byte, 0,
                         0) != CE_None)
            return GDALClose(ds), *error = "GDALRasterIO", false;
    }
    GDALClose(ds);
    return true;
}

TEST_F(ReadingSceneTest, AColourFileOpenedFirstShowsInColour) {
    using Writer = std::function<bool(const std::string&, std::string*)>;
    const struct {
        const char* name;
        Writer write;
        QStringList expressions;
    } cases[] = {
        {"picture.bmp", [](auto& p, auto* e) { return samples::write_bmp(p, 20, 10, e); }, {"a", "b", "c"}},
        {"photo.jpg",
         [](auto& p, auto* e) { return samples::write_jpeg(p, 20, 10, 90, e); },
         {"a", "b", "c"}},
        {"colour.tif",
         [](auto& p, auto* e) { return samples::write_tiff_rgb(p, 20, 10, false, e); },
         {"a", "b", "c"}},
        {"gdal_rgb.tif", writeGdalRgb, {"a", "b", "c"}},
        {"three_grey.bil",
         [](auto& p, auto*) {
             guitest::writeNativeScene(p, 20, 10, 3, [](int b, int, int) { return uint8_t(b); });
             return true;
         },
         {"a", "a", "a"}},
    };
    for (const auto& c : cases) {
        window->closeAllButton->click();
        document().setExpressions("a", "a", "a");
        const std::string path = dir.file(c.name);
        std::string error;
        ASSERT_TRUE(c.write(path, &error)) << error;
        window->openNow({path});
        ASSERT_EQ(document().bandCount(), 3) << c.name;
        EXPECT_EQ(expressions(), c.expressions) << c.name;
    }

    // Expressions of the user's own, or bands already listed, are left as they are.
    const std::string bmp = dir.file("picture.bmp");
    window->closeAllButton->click();
    document().setExpressions("a", "a", "a");
    window->openNow({dir.file("three_grey.bil")});
    window->openNow({bmp});
    EXPECT_EQ(expressions(), QStringList({"a", "a", "a"}));
    window->closeAllButton->click();
    window->redExpressionEdit->setText("a*2");
    window->openNow({bmp});
    EXPECT_EQ(expressions(), QStringList({"a*2", "a", "a"}));
}

TEST_F(ReadingSceneTest, ABrokenExpressionSaysWhereAndWhy) {
    const QString ownTip = window->greenExpressionEdit->toolTip();
    const struct {
        const char* text;
        bool compiles;
    } cases[] = {
        {"(a + b) / (a - b", false}, {"a $ b", false}, {"", false}, {"(a + b) / 2", true}, {"SIN -a", false},
    };
    for (const auto& c : cases) {
        window->statusPanels[0]->setText("hint");
        window->greenExpressionEdit->setText(c.text);
        const QString reason = QString::fromStdString(orvenna::explain_expression(c.text));
        if (c.compiles) {
            EXPECT_TRUE(reason.isEmpty());
            EXPECT_EQ(window->greenExpressionEdit->toolTip(), ownTip) << c.text;
            EXPECT_EQ(window->statusPanelText(0), "hint") << c.text;
        } else {
            EXPECT_TRUE(reason.contains(QStringLiteral("文字目"))) << reason.toStdString();
            EXPECT_EQ(window->greenExpressionEdit->toolTip(), reason) << c.text;
            EXPECT_EQ(window->statusPanelText(0), reason) << c.text;
        }
    }
    window->greenExpressionEdit->setText("(a");
    EXPECT_EQ(window->greenExpressionEdit->toolTip(), QStringLiteral("3文字目: ')' が足りません"));
    // The same reason again is not written over the status bar's hints a second time.
    window->statusPanels[0]->setText("hint");
    window->greenExpressionEdit->setText("(b");
    EXPECT_EQ(window->greenExpressionEdit->toolTip(), QStringLiteral("3文字目: ')' が足りません"));
    EXPECT_EQ(window->statusPanelText(0), "hint");
}

TEST_F(ReadingSceneTest, TheBandValuePlotFollowsThePointerBelowTheText) {
    PixelValueWindow* pixelValueWindow = window->pixelValueWindow();
    const std::string path = dir.file("four.bil");
    guitest::writeNativeScene(path, 50, 40, 4, [](int b, int x, int y) { return uint8_t(b * 50 + x + y); });
    openScene(path);
    ASSERT_EQ(document().bandCount(), 4);
    pixelValueWindow->show();
    window->setZoomStep(5);
    window->setScrollPosition(25, 20);
    window->redrawButton->click();
    ASSERT_TRUE(window->waitForJobs());

    // Inside the scene the plot takes every band's value at the pixel under the pointer; in the white
    // margin it has none.
    const int w = window->view->width(), h = window->view->height();
    for (QPoint at : {QPoint(w / 2 + 2, h / 2 + 3), QPoint(w / 2 - 20, h / 2 - 15), QPoint(w - 2, 2)}) {
        navtest::moveTo(window->view, at.x(), at.y(), Qt::NoButton);
        const int x = window->imageColumnAtView(at.x()), y = window->imageLineAtView(at.y());
        const bool inside = x >= 0 && y >= 0 && x < 50 && y < 40;
        const auto& shown = pixelValueWindow->bandValuePlot->samples();
        ASSERT_EQ(shown.size(), 4u);
        for (int b = 0; b < 4; ++b) {
            EXPECT_EQ(shown[b].valid, inside) << x << "," << y;
            if (inside) {
                EXPECT_EQ(shown[b].value, b * 50 + x + y);
            }
        }
    }
    EXPECT_GE(pixelValueWindow->bandValuePlot->geometry().top(),
              pixelValueWindow->valueLabel->geometry().bottom());
    EXPECT_LE(pixelValueWindow->bandValuePlot->geometry().bottom(), pixelValueWindow->height());
    EXPECT_EQ(pixelValueWindow->bandValuePlot->height(), PixelValueWindow::kBandValuePlotHeight);
}

TEST_F(ReadingSceneTest, EveryExampleOfTheGuideCompiles) {
    const QStringList lines = operationGuideText().split('\n');
    int examples = 0;
    for (const QString& line : lines) {
        if (!line.startsWith(QStringLiteral("　例:"))) continue;
        // Examples stand apart by two wide spaces; a note in wide brackets follows some.
        QString rest = line.mid(4);
        rest.remove(QRegularExpression(QStringLiteral("（[^）]*）")));
        for (const QString& example : rest.split(QStringLiteral("　　"), Qt::SkipEmptyParts)) {
            const QByteArray text = example.trimmed().toUtf8();
            EXPECT_TRUE(orvenna::Expression(text.toStdString()).compiles()) << text.constData();
            ++examples;
        }
    }
    EXPECT_GE(examples, 10);
    for (const char* topic : {"ホイール", "矢印キー", "Ctrl+O", "IF", "@", "代入", "#文字", "NDVI"})
        EXPECT_TRUE(operationGuideText().contains(QString::fromUtf8(topic))) << topic;
}

}  // namespace

ORVENNA_GUI_TEST_MAIN()
