// Pictures written with their place on the ground: the view saved as GeoTIFF, PNG or JPEG holds the part the
// scene covers with the scene's transform and coordinate system for those pixels (PNG and JPEG in a world
// file and a ".prj"), a bitmap the whole view; "シーン全体を書き出す..." writes the file orvenna-render
// writes for the same files, expressions, ranges, window and step, and "中止" leaves nothing.
#include <QComboBox>
#include <QImage>
#include <QProgressBar>
#include <QRadioButton>
#include <QTimer>

#include <gdal.h>
#include <ogr_srs_api.h>
#include <sys/wait.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "WideBandTestSupport.h"
#include "app/PictureExport.h"
#include "dialogs/ExportDialog.h"
#include "dialogs/ProgressWindow.h"
#include "display/ViewGeometry.h"

namespace {

using BoxType = ScriptedPrompts::BoxType;

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool sameCrs(const std::string& a, const std::string& b) {
    OGRSpatialReferenceH x = OSRNewSpatialReference(nullptr), y = OSRNewSpatialReference(nullptr);
    const bool same = OSRSetFromUserInput(x, a.c_str()) == OGRERR_NONE &&
                      OSRSetFromUserInput(y, b.c_str()) == OGRERR_NONE && OSRIsSame(x, y);
    OSRDestroySpatialReference(x);
    OSRDestroySpatialReference(y);
    return same;
}

class ExportTest : public guitest::MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        window->resize(900, 578);
        window->show();
        GDALAllRegister();
        // Two UInt16 bands of 30 m pixels in UTM zone 54.
        const std::string place = "-a_srs EPSG:32654 -a_ullr 300000 4000000 303600 3997300";
        files = {dir.file("a.tif"), dir.file("b.tif")};
        ASSERT_TRUE(widetest::writeGeoTiff(
            dir, files[0], "UInt16", 120, 90, [](int x, int y) { return 200 + x * 23 + y * 7; }, place));
        ASSERT_TRUE(widetest::writeGeoTiff(
            dir, files[1], "UInt16", 120, 90, [](int x, int y) { return 3000 - x * 11 + y * 19; }, place));
        openBands();
        GDALDatasetH scene = GDALOpen(files[0].c_str(), GA_ReadOnly);
        ASSERT_NE(scene, nullptr);
        GDALGetGeoTransform(scene, sceneTransform);
        sceneCrs = GDALGetProjectionRef(scene);
        GDALClose(scene);
    }
    void openBands() {
        window->openNow(files);
        ASSERT_EQ(document().bandCount(), 2);
        document().setValueRange(0, 300, 2800, orvenna::MovedBound::Upper);
        document().setValueRange(1, 1000, 4000, orvenna::MovedBound::Upper);
    }
    bool waitForWrite() {
        return guitest::pumpUntil([this] { return !window->pictureExport().running(); }, 30000);
    }
    void save(const std::string& name) {
        prompts.saveAnswers.push_back(QString::fromStdString(dir.file(name)));
        window->saveButton->click();
        EXPECT_TRUE(waitForWrite());
    }

    std::vector<std::string> files;
    double sceneTransform[6] = {};
    std::string sceneCrs;
};

// Magnified with white margins on every side, and reduced and scrolled so that the scene reaches past the
// view's top and left: the GeoTIFF and the PNG hold the covered pixels alone, placed where the scene puts
// them; the bitmap is the whole view.
TEST_F(ExportTest, SavedViewHoldsTheScenePartWithItsGeoreferencing) {
    document().setExpressions("a", "b", "(a + b) / 2");
    const struct { int step, scrollX, scrollY; } views[] = {{4, 60, 45}, {6, 100, 80}, {2, 30, 20}};
    for (const auto& v : views) {
        SCOPED_TRACE(v.step);
        window->setZoomStep(v.step);
        window->setScrollPosition(v.scrollX, v.scrollY);
        window->redrawNow();
        const QImage view = window->viewPicture().convertToFormat(QImage::Format_RGB32);
        const orvenna::ViewGeometry g = orvenna::compute_view_geometry(view.width(), view.height(), v.scrollX,
                                                                       v.scrollY, v.step, 120, 90);
        const int F = g.factor;
        const QRect covered(g.offset_x, g.offset_y, g.magnifying() ? g.columns * F : g.columns,
                            g.magnifying() ? g.lines * F : g.lines);
        ASSERT_LT(covered.width() * covered.height(), view.width() * view.height());
        // The scene's transform moved to the first pixel drawn, each pixel `per` scene pixels.
        const double* t = sceneTransform;
        const double per = g.magnifying() ? 1.0 / F : F, x = g.first_column, y = g.first_line;
        const double expected[6] = {t[0] + t[1] * x + t[2] * y, t[1] * per, t[2] * per,
                                    t[3] + t[4] * x + t[5] * y, t[4] * per, t[5] * per};

        save("view.tif");
        GDALDatasetH tif = GDALOpen(dir.file("view.tif").c_str(), GA_ReadOnly);
        ASSERT_NE(tif, nullptr);
        EXPECT_EQ(QSize(GDALGetRasterXSize(tif), GDALGetRasterYSize(tif)), covered.size());
        double got[6];
        ASSERT_EQ(GDALGetGeoTransform(tif, got), CE_None);
        for (int i = 0; i < 6; ++i)
            EXPECT_NEAR(got[i], expected[i], 1e-6) << i;
        EXPECT_TRUE(sameCrs(GDALGetProjectionRef(tif), sceneCrs));
        // Its pixels are the view's.
        std::vector<uint8_t> band(static_cast<size_t>(covered.width() * covered.height()));
        int differences = 0;
        for (int b = 0; b < 3; ++b) {
            ASSERT_EQ(
                GDALRasterIO(GDALGetRasterBand(tif, b + 1), GF_Read, 0, 0, covered.width(), covered.height(),
                             band.data(), covered.width(), covered.height(), GDT_Byte, 0, 0),
                CE_None);
            for (int i = 0; i < covered.width() * covered.height(); ++i) {
                const QRgb p =
                    view.pixel(covered.x() + i % covered.width(), covered.y() + i / covered.width());
                differences += band[static_cast<size_t>(i)] != (b == 0   ? qRed(p)
                                                                : b == 1 ? qGreen(p)
                                                                         : qBlue(p));
            }
        }
        GDALClose(tif);
        EXPECT_EQ(differences, 0);

        save("view.png");
        EXPECT_EQ(QImage(QString::fromStdString(dir.file("view.png"))).convertToFormat(QImage::Format_RGB32),
                  view.copy(covered));
        // The world file: A, D, B, E, then the centre of the top-left pixel.
        std::ifstream world(dir.file("view.pgw"));
        double w[6] = {};
        for (double& value : w)
            world >> value;
        ASSERT_TRUE(world) << "no world file";
        const double e[6] = {expected[1],
                             expected[4],
                             expected[2],
                             expected[5],
                             expected[0] + expected[1] / 2 + expected[2] / 2,
                             expected[3] + expected[4] / 2 + expected[5] / 2};
        for (int i = 0; i < 6; ++i)
            EXPECT_NEAR(w[i], e[i], 1e-6) << i;
        EXPECT_TRUE(sameCrs("ESRI::" + fileBytes(dir.file("view.prj")), sceneCrs));

        save("view.bmp");
        EXPECT_EQ(QImage(QString::fromStdString(dir.file("view.bmp"))).convertToFormat(QImage::Format_RGB32),
                  view);
    }
    EXPECT_TRUE(prompts.boxes.size() == 9u && prompts.boxes.back().type == BoxType::SaveFile);
}

// The export, chosen in its dialog, is orvenna-render's file byte for byte (its side files too) for the
// whole scene and the view's part, magnified and reduced, with the legend; "中止" leaves no file, and with
// nothing open the export only says so.
TEST_F(ExportTest, ExportIsTheRenderCommandsFile) {
    QAction* exportAction = guitest::findNamed<QAction>(window.get(), "exportAction");
    window->closeAllButton->click();
    exportAction->trigger();
    ASSERT_EQ(prompts.boxes.size(), 1u);
    EXPECT_EQ(prompts.boxes[0].type, BoxType::Message);
    openBands();
    window->setZoomStep(4);
    window->setScrollPosition(80, 30);
    window->redrawNow();
    const QPoint at = window->scrollPosition();
    const orvenna::ViewGeometry g = orvenna::compute_view_geometry(
        window->view->width(), window->view->height(), at.x(), at.y(), 4, 120, 90);
    const std::string viewWindow = std::to_string(g.first_column) + "," + std::to_string(g.first_line) + "," +
                                   std::to_string(g.columns) + "," + std::to_string(g.lines);

    const struct {
        const char* name;
        bool whole, legend, stop;
        int step;
    } cases[] = {
        {"whole.tif", true, false, false, 5},   {"view.png", false, false, false, 3},
        {"reduced.jpg", true, false, false, 7}, {"legend.png", true, true, false, 4},
        {"stopped.tif", true, false, true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.legend) {
            ASSERT_TRUE(document().applyPreset(orvenna::PresetRequest::thermography("a")).applied);
            window->showLegendAction->setChecked(true);
        } else {
            document().setExpressions("a", "b", "(a + b) / 2");
        }
        prompts.boxes.clear();
        prompts.saveAnswers.push_back(QString::fromStdString(dir.file(c.name)));
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<ExportDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->stepComboBox->currentText(), "×2");  // the view's step
            (c.whole ? dialog->wholeSceneRadioButton : dialog->viewAreaRadioButton)->click();
            dialog->stepComboBox->setCurrentIndex(c.step);
            dialog->browseButton->click();
            dialog->okButton->click();
        });
        exportAction->trigger();
        ASSERT_TRUE(window->pictureExport().running());
        if (c.stop) window->pictureExport().progressWindow()->stopButton->click();
        ASSERT_TRUE(waitForWrite());
        EXPECT_FALSE(window->pictureExport().progressWindow()->isVisible());
        ASSERT_EQ(prompts.boxes.size(), 1u) << prompts.boxes.back().text.toStdString();  // the file dialog
        if (c.stop) {  // neither the file nor a temporary one
            for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
                const std::string name = entry.path().filename().string();
                EXPECT_TRUE(name.find("stopped") == std::string::npos && name[0] != '.') << name;
            }
            continue;
        }
        const std::string out = dir.file(std::string("command-") + c.name);
        std::string command = std::string(ORVENNA_BINARY_DIR) + "/orvenna-render -q --step " +
                              std::to_string(c.step) + " --range a=300:2800 --range b=1000:4000 -o '" + out +
                              "' " +
                              (c.legend ? "--preset thermography:a --legend" : "-r a -g b -b '(a + b) / 2'") +
                              (c.whole ? "" : " --window " + viewWindow);
        for (const std::string& f : files)
            command += " '" + f + "'";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
        const std::string exported = fileBytes(dir.file(c.name));
        EXPECT_GT(exported.size(), 100u);
        EXPECT_TRUE(exported == fileBytes(out)) << command;
        const std::string stem = std::string(c.name).substr(0, std::string(c.name).size() - 4);
        for (const char* side : {".pgw", ".jgw", ".prj"}) {
            const bool exists = std::filesystem::exists(dir.file(stem + side));
            EXPECT_EQ(exists, std::filesystem::exists(dir.file("command-" + stem + side))) << side;
            EXPECT_EQ(fileBytes(dir.file(stem + side)), fileBytes(dir.file("command-" + stem + side)));
        }
    }
}

}  // namespace

ORVENNA_GUI_TEST_MAIN()
