// Closing everything at once (what is released, what is kept) and saving the view in the format its name
// says (a 24-bit bitmap when the name says none), or saying why nothing was saved.
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "GuiTestSupport.h"
#include "app/PictureExport.h"
#include "display/ViewGeometry.h"
#include "platform/FileSaver.h"
#include "platform/ImageControl.h"
#include "tests/support/legend_box.h"
#include "tools/samples/sample_scenes.h"

using guitest::MainWindowTest;
using BoxType = ScriptedPrompts::BoxType;

namespace {

class CloseSaveTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        window->resize(900, 578);
        window->show();
        QCoreApplication::processEvents();
    }
    std::string nativeScene(const std::string& name, int w, int h) {
        const std::string path = dir.file(name);
        guitest::writeNativeScene(path, w, h, 2,
                                  [](int b, int x, int y) { return uint8_t(b * 90 + x * 3 + y); });
        return path;
    }
    void save(const std::string& name) {
        prompts.saveAnswers.push_back(QString::fromStdString(dir.file(name)));
        window->saveButton->click();
        EXPECT_TRUE(guitest::pumpUntil([this] { return !window->pictureExport().running(); }, 30000));
    }
    static bool allWhite(const QImage& image) {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != qRgb(255, 255, 255)) return false;
        return true;
    }
};

TEST_F(CloseSaveTest, CloseAllWithNothingLoadedOnlyBlanksTheView) {
    window->statusPanels[1]->setText("縦 : 1 横 : 2");
    window->closeAllButton->click();
    ASSERT_FALSE(window->viewPicture().isNull());
    EXPECT_EQ(window->viewPicture().size(), window->view->size());
    EXPECT_TRUE(allWhite(window->viewPicture()));
    EXPECT_EQ(window->statusPanelText(1), "");  // nothing is open: no scene size
    EXPECT_TRUE(prompts.boxes.empty());
}

TEST_F(CloseSaveTest, CloseAllReleasesEverythingAndKeepsTheRest) {
    // A picture beside Landsat metadata: corners and the band 6 calibration.
    std::string error;
    std::filesystem::create_directories(dir.file("scene"));
    std::ofstream(dir.file("scene/L7_MTL.met"))
        << "PRODUCT_UL_CORNER_LAT = 36.2\nPRODUCT_UL_CORNER_LON = 139.3\n"
           "LMAX_BAND61 = 17.04\nLMIN_BAND61 = 0.0\n";
    ASSERT_TRUE(samples::write_jpeg(dir.file("scene/pic.jpg"), 64, 48, 90, &error)) << error;
    openScene(dir.file("scene/pic.jpg"));
    ASSERT_EQ(document().bandCount(), 3);
    ASSERT_TRUE(document().metadata().geo_valid);
    EXPECT_EQ(window->statusPanelText(3), "座標設定有効 LANDSAT温度設定有効");
    std::weak_ptr picture(document().band(0).picture);
    window->setScrollPosition(20, std::nullopt);
    window->setZoomStep(3);
    window->redExpressionEdit->setText("a*2");
    window->redrawNow();
    ASSERT_FALSE(allWhite(window->viewPicture()));

    window->closeAllButton->click();
    ASSERT_TRUE(window->waitForJobs());
    EXPECT_TRUE(picture.expired());
    EXPECT_FALSE(document().hasBands());
    EXPECT_TRUE(document().scenes().empty());
    EXPECT_EQ(window->rowCount(), 0);
    EXPECT_FALSE(document().metadata().geo_valid);
    EXPECT_TRUE(allWhite(window->viewPicture()));
    // The status no longer describes a scene that is gone.
    EXPECT_EQ(window->statusPanelText(1), "");
    EXPECT_EQ(window->statusPanelText(3), "");
    // Kept until the next opening.
    EXPECT_TRUE(document().landsat7CalibrationValid());
    EXPECT_DOUBLE_EQ(document().metadata().lmax, 17.04);
    EXPECT_EQ(window->horizontalScrollBar->maximum(), 63);
    EXPECT_EQ(window->scrollPosition().x(), 20);
    EXPECT_EQ(window->zoomStep(), 3);
    EXPECT_EQ(document().width(), 64);
    EXPECT_EQ(document().height(), 48);
    EXPECT_EQ(window->redExpressionEdit->text(), "a*2");

    // Drawing does nothing now.
    window->redrawButton->click();
    ASSERT_TRUE(window->waitForJobs());
    EXPECT_TRUE(allWhite(window->viewPicture()));
}

TEST_F(CloseSaveTest, AfterCloseAllAnotherSizeOpens) {
    std::string error;
    openScene(nativeScene("big.bil", 1000, 800));
    ASSERT_EQ(document().bandCount(), 2);
    window->closeAllButton->click();
    const std::string bmp = dir.file("small.bmp");
    ASSERT_TRUE(samples::write_bmp(bmp, 640, 480, &error)) << error;
    openScene(bmp);
    EXPECT_TRUE(prompts.boxes.empty());
    ASSERT_EQ(document().bandCount(), 3);
    EXPECT_EQ(document().width(), 640);
    EXPECT_EQ(document().height(), 480);
    EXPECT_EQ(window->statusPanelText(1), "縦 : 480 横 : 640");
    EXPECT_EQ(bandRow(0)->nameLabel->text(), "A : small.bmp - 0 - R");
}

// A save that cannot be made writes nothing and says why: before anything was drawn, or into a folder that
// does not exist (naming the file). The file dialog offers the bitmap first; cancelling it says nothing.
TEST_F(CloseSaveTest, SavesThatCannotBeMadeSayWhyAndWriteNothing) {
    struct Case {
        bool drawn;
        const char* target;
        const char* says;
    } cases[] = {
        {false, "early", "まだ何も描画されていないため、保存する画像がありません"},
        {true, "no-such-folder/view.bmp", "view.bmp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        if (c.drawn) openScene(nativeScene("scene.bil", 30, 20));
        prompts.boxes.clear();
        save(c.target);
        ASSERT_EQ(prompts.boxes.size(), 2u);
        EXPECT_EQ(prompts.boxes[0].type, BoxType::SaveFile);
        EXPECT_TRUE(prompts.boxes[0].text.startsWith("ビットマップ (*.bmp);;"));
        EXPECT_EQ(prompts.boxes[1].type, BoxType::Message);
        EXPECT_TRUE(prompts.boxes[1].text.contains(c.says)) << prompts.boxes[1].text.toStdString();
        EXPECT_FALSE(std::filesystem::exists(dir.file(c.target)));
        EXPECT_FALSE(std::filesystem::exists(dir.file(c.target) + ".bmp"));
    }
    prompts.boxes.clear();
    window->saveButton->click();  // cancelled
    EXPECT_EQ(prompts.boxes.size(), 1u);
}

// The extension names the format when the platform writes it; other names get ".bmp" and a 24-bit bitmap.
// The file holds the view as drawn, pixel for pixel (a JPEG within its loss): GeoTIFF, PNG and JPEG the
// part the scene covers (GeoTIFF: tests/gui/export.cpp), the others all of it; after closing, the white
// view.
TEST_F(CloseSaveTest, SavedFileIsTheViewInTheFormatItsNameSays) {
    openScene(nativeScene("scene.bil", 120, 90));
    window->greenExpressionEdit->setText("b");
    window->blueExpressionEdit->setText("a+b");
    window->setZoomStep(4);
    window->setScrollPosition(30, 20);
    window->redrawNow();
    const QImage view = window->viewPicture().convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(allWhite(view));
    const orvenna::ViewGeometry g =
        orvenna::compute_view_geometry(view.width(), view.height(), 30, 20, 4, 120, 90);
    const QImage covered = view.copy(g.offset_x, g.offset_y, g.columns * 2, g.lines * 2);
    ASSERT_LT(covered.width(), view.width());

    struct Case {
        const char* name;
        const char* written;  // the file that appears
        const char* format;   // as QImageReader tells it
    } cases[] = {
        {"view.png", "view.png", "png"},     {"view.jpg", "view.jpg", "jpeg"},
        {"view.PNG", "view.PNG", "png"},     {"view.ppm", "view.ppm", "ppm"},
        {"view.xyz", "view.xyz.bmp", "bmp"}, {"view", "view.bmp", "bmp"},
        {"shot.BMP", "shot.BMP", "bmp"},     {"dir.x/plain", "dir.x/plain.bmp", "bmp"},
    };
    std::filesystem::create_directories(dir.file("dir.x"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        save(c.name);
        const std::string path = dir.file(c.written);
        QImageReader reader(QString::fromStdString(path));
        EXPECT_EQ(reader.format(), QByteArray(c.format));
        const QImage read = reader.read().convertToFormat(QImage::Format_RGB32);
        const bool scenePart = std::string(c.format) == "png" || std::string(c.format) == "jpeg";
        const QImage& saved = scenePart ? covered : view;
        ASSERT_EQ(read.size(), saved.size()) << reader.errorString().toStdString();
        if (std::string(c.format) != "jpeg") {
            EXPECT_EQ(read, saved);
        }
        if (std::string(c.format) == "bmp") {
            std::ifstream in(path, std::ios::binary);
            unsigned char header[54];
            in.read(reinterpret_cast<char*>(header), 54);
            EXPECT_EQ(header[0], 'B');
            EXPECT_EQ(header[28], 24);  // bits per pixel
            const uint64_t stride = (uint64_t(view.width()) * 3 + 3) / 4 * 4;
            EXPECT_EQ(std::filesystem::file_size(path), 54 + stride * view.height());
        }
    }
    EXPECT_EQ(prompts.boxes.size(), std::size(cases));  // file dialogs only, no error

    window->closeAllButton->click();
    save("white.bmp");
    const QImage white(QString::fromStdString(dir.file("white.bmp")));
    ASSERT_FALSE(white.isNull());
    EXPECT_TRUE(allWhite(white));
}

// Runs saveFileWhole in a child process, as an unprivileged user when `unprivileged` (root writes
// anywhere) and with its file size limited to `sizeLimit` bytes when that is not 0; returns the error text,
// or "ok".
std::string saveInChild(const std::string& path, const QByteArray& data, bool unprivileged,
                        rlim_t sizeLimit) {
    int fds[2];
    if (pipe(fds) != 0) return "no pipe";
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        if (unprivileged && getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
        if (sizeLimit) {
            signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG
            const rlimit limit{sizeLimit, sizeLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        QString error;
        const QByteArray text =
            saveFileWhole(QByteArray::fromStdString(path), data, &error) ? QByteArray("ok") : error.toUtf8();
        (void)!write(fds[1], text.constData(), static_cast<size_t>(text.size()));
        _exit(0);
    }
    close(fds[1]);
    std::string text;
    char buf[256];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;)
        text.append(buf, static_cast<size_t>(n));
    close(fds[0]);
    waitpid(child, nullptr, 0);
    return text;
}

// A save that cannot be made says why in the system's words and leaves the earlier file as it was: a
// folder that cannot take the temporary file is named as not writable (the file itself may be writable),
// a write that fails half way gives its reason, not "unknown error".
TEST_F(CloseSaveTest, FailedSavesSayWhyAndKeepTheEarlierFile) {
    const std::string folder = dir.file("locked");
    std::filesystem::create_directories(folder);
    const std::string target = folder + "/view.bmp";
    std::ofstream(target) << "earlier";
    chmod(target.c_str(), 0666);
    chmod(folder.c_str(), 0555);
    const std::string unwritable = saveInChild(target, QByteArray(100, 'x'), true, 0);
    EXPECT_NE(unwritable.find("フォルダ"), std::string::npos) << unwritable;
    EXPECT_NE(unwritable.find("書き込めません: 許可されていません"), std::string::npos) << unwritable;
    chmod(folder.c_str(), 0755);

    const std::string tooLarge = saveInChild(target, QByteArray(64 * 1024, 'x'), false, 4096);
    EXPECT_EQ(tooLarge, "ファイルが大きすぎます");

    std::ifstream in(target);
    std::string kept;
    in >> kept;
    EXPECT_EQ(kept, "earlier");
    EXPECT_EQ(saveInChild(target, QByteArray("new"), false, 0), "ok");
}

// "凡例" draws the preset's colour bar over the view's picture and into the saved file, and only there;
// without it, or once a channel is typed by hand, the file is the picture as drawn.
TEST_F(CloseSaveTest, SavedViewCarriesTheLegendWhileShown) {
    openScene(nativeScene("scene.bil", 300, 200));
    ASSERT_TRUE(document().applyPreset(orvenna::PresetRequest::ndvi(0, 1)).applied);
    const struct {
        const char* what;
        std::function<void()> act;
        bool drawn;
    } steps[] = {
        {"shown", [&] { window->showLegendAction->trigger(); }, true},
        {"hidden", [&] { window->showLegendAction->trigger(); }, false},
        {"typed over", [&] { window->showLegendAction->trigger(), window->redExpressionEdit->setText("a"); },
         false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        window->redrawNow();
        save(std::string(step.what) + ".bmp");
        const QImage saved = QImage(QString::fromStdString(dir.file(std::string(step.what) + ".bmp")))
                                 .convertToFormat(QImage::Format_RGB32);
        const QImage picture = window->viewPicture().convertToFormat(QImage::Format_RGB32);
        // The view shows what is saved.
        EXPECT_EQ(window->view->grab().toImage().convertToFormat(QImage::Format_RGB32).copy(picture.rect()),
                  saved);
        if (!step.drawn) {
            EXPECT_EQ(saved, picture);
            continue;
        }
        // The NDVI bar: greys from black to white.
        const QRect box = legendtest::ExpectLegendBox(saved, picture);
        int greys = 0;
        for (int v = 0; v < 256; ++v)
            greys += legendtest::CountInside(saved, box, qRgb(v, v, v)) > 0;
        EXPECT_GT(greys, 100);
        // A PNG holds the scene's part of the view, the bar in its own bottom-right corner.
        const orvenna::ViewGeometry g =
            orvenna::compute_view_geometry(picture.width(), picture.height(), window->scrollPosition().x(),
                                           window->scrollPosition().y(), window->zoomStep(), 300, 200);
        const int F = g.factor;
        const QRect covered(g.offset_x, g.offset_y, g.magnifying() ? g.columns * F : g.columns,
                            g.magnifying() ? g.lines * F : g.lines);
        save("part.png");
        const QImage part =
            QImage(QString::fromStdString(dir.file("part.png"))).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(part.size(), covered.size());
        legendtest::ExpectLegendBox(part, picture.copy(covered));
    }
}

}  // namespace

ORVENNA_GUI_TEST_MAIN()
