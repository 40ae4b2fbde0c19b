// Closing everything at once (what is released, what is kept) and saving the view as a 24-bit bitmap.
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QVBoxLayout>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "GuiTestSupport.h"
#include "dialogs/ProgressWindow.h"
#include "platform/FileSaver.h"
#include "platform/ImageControl.h"
#include "tools/samples/sample_scenes.h"

using guitest::MainWindowTest;
using BoxType = ScriptedPrompts::BoxType;

namespace {

class CloseSaveTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        progressWindow = new ProgressWindow(window.get());
        window->resize(900, 578);
        window->show();
        QCoreApplication::processEvents();
    }
    void TearDown() override {
        progressWindow = nullptr;
        MainWindowTest::TearDown();
    }
    void openFile(const std::string& path) {
        window->filesToOpen = {QByteArray::fromStdString(path)};
        window->openFiles();
    }
    std::string nativeScene(const std::string& name, int w, int h) {
        const std::string path = dir.file(name);
        guitest::writeNativeScene(path, w, h, 2,
                                  [](int b, int x, int y) { return uint8_t(b * 90 + x * 3 + y); });
        return path;
    }
    static bool allWhite(const QImage& image) {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != qRgb(255, 255, 255)) return false;
        return true;
    }
};

TEST_F(CloseSaveTest, CloseAllWithNothingLoadedOnlyBlanksTheView) {
    window->setStatusPanelText(1, "縦 : 1 横 : 2");
    window->closeAll();
    ASSERT_FALSE(window->view->picture.isNull());
    EXPECT_EQ(window->view->picture.size(), window->view->size());
    EXPECT_TRUE(allWhite(window->view->picture));
    EXPECT_EQ(window->statusPanelText(1), "");  // nothing is open: no scene size
    EXPECT_TRUE(prompts.boxes.empty());
}

TEST_F(CloseSaveTest, CloseAllReleasesEverythingAndKeepsTheRest) {
    std::string error;
    const std::string jpg = dir.file("pic.jpg");
    ASSERT_TRUE(samples::write_jpeg(jpg, 64, 48, 90, &error)) << error;
    openFile(jpg);
    ASSERT_EQ(window->bandRows.size(), 3u);
    std::weak_ptr<QImage> picture = bandRow(0)->picture;
    EXPECT_EQ(picture.use_count(), 3);  // held by its three rows only
    window->geoValid = true;
    window->landsatCalibrationValid = true;
    window->landsatLmax = 17.04;
    window->setStatusPanelText(3, "座標設定有効 LANDSAT温度設定有効");
    window->horizontalScrollBar->setValue(20);
    window->zoomStep = 3;
    window->redExpressionEdit->setText("a*2");
    window->drawComposite();
    ASSERT_FALSE(allWhite(window->view->picture));

    window->closeAll();
    EXPECT_TRUE(picture.expired());
    EXPECT_TRUE(window->bandRows.empty());
    EXPECT_TRUE(window->scenes.empty());
    EXPECT_EQ(window->bandListLayout->count(), 0);
    EXPECT_FALSE(window->imageLoaded);
    EXPECT_FALSE(window->geoValid);
    EXPECT_TRUE(allWhite(window->view->picture));
    // The status no longer describes a scene that is gone.
    EXPECT_EQ(window->statusPanelText(1), "");
    EXPECT_EQ(window->statusPanelText(3), "");
    // Kept until the next opening.
    EXPECT_TRUE(window->landsatCalibrationValid);
    EXPECT_DOUBLE_EQ(window->landsatLmax, 17.04);
    EXPECT_EQ(window->horizontalScrollBar->maximum(), 63);
    EXPECT_EQ(window->horizontalScrollBar->value(), 20);
    EXPECT_EQ(window->zoomStep, 3);
    EXPECT_EQ(window->imageWidth, 64);
    EXPECT_EQ(window->imageHeight, 48);
    EXPECT_EQ(window->redExpressionEdit->text(), "a*2");

    // Drawing does nothing now.
    window->drawComposite();
    EXPECT_TRUE(allWhite(window->view->picture));
}

TEST_F(CloseSaveTest, AfterCloseAllAnotherSizeOpens) {
    std::string error;
    openFile(nativeScene("big.bil", 1000, 800));
    ASSERT_EQ(window->bandRows.size(), 2u);
    window->closeAll();
    const std::string bmp = dir.file("small.bmp");
    ASSERT_TRUE(samples::write_bmp(bmp, 640, 480, &error)) << error;
    openFile(bmp);
    EXPECT_TRUE(prompts.boxes.empty());
    ASSERT_EQ(window->bandRows.size(), 3u);
    EXPECT_EQ(window->imageWidth, 640);
    EXPECT_EQ(window->imageHeight, 480);
    EXPECT_EQ(window->statusPanelText(1), "縦 : 480 横 : 640");
    EXPECT_EQ(window->bandRows[0]->nameLabel->text(), "A : small.bmp - 0 - R");
}

TEST_F(CloseSaveTest, NothingIsWrittenBeforeAnythingWasDrawn) {
    const std::string target = dir.file("early");
    prompts.saveAnswers.push_back(QString::fromStdString(target));
    window->saveView();
    ASSERT_EQ(prompts.boxes.size(), 2u);
    EXPECT_EQ(prompts.boxes[0].type, BoxType::SaveFile);
    EXPECT_TRUE(prompts.boxes[0].text.startsWith("ビットマップ (*.bmp);;"));  // the default format first
    // The user hears why nothing was written.
    EXPECT_EQ(prompts.boxes[1].type, BoxType::Message);
    EXPECT_EQ(prompts.boxes[1].text, "まだ何も描画されていないため、保存する画像がありません");
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_FALSE(std::filesystem::exists(target + ".bmp"));
    window->saveView();  // cancelled
    EXPECT_EQ(prompts.boxes.size(), 3u);
}

// The extension names the format when the platform writes it; other names get ".bmp" and a bitmap.
TEST_F(CloseSaveTest, SavedFileHasTheFormatItsNameSays) {
    openFile(nativeScene("scene.bil", 30, 20));
    window->drawComposite();
    const QImage shown = window->view->picture.convertToFormat(QImage::Format_RGB32);
    struct Case {
        const char* name;
        const char* written;  // the file that appears
        const char* format;   // as QImageReader tells it
        bool exact;           // lossless
    } cases[] = {
        {"view.png", "view.png", "png", true},     {"view.tif", "view.tif", "tiff", true},
        {"view.jpg", "view.jpg", "jpeg", false},   {"view.PNG", "view.PNG", "png", true},
        {"view.xyz", "view.xyz.bmp", "bmp", true}, {"view", "view.bmp", "bmp", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prompts.saveAnswers.push_back(QString::fromStdString(dir.file(c.name)));
        window->saveView();
        QImageReader reader(QString::fromStdString(dir.file(c.written)));
        EXPECT_EQ(reader.format(), QByteArray(c.format));
        const QImage read = reader.read().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(read.size(), shown.size());
        if (c.exact) {
            EXPECT_EQ(read, shown);
        }
    }
}

TEST_F(CloseSaveTest, SavedBitmapIsTheViewPixelForPixel) {
    openFile(nativeScene("scene.bil", 120, 90));
    window->greenExpressionEdit->setText("b");
    window->blueExpressionEdit->setText("a+b");
    window->zoomStep = 4;
    window->horizontalScrollBar->setValue(30);
    window->verticalScrollBar->setValue(20);
    window->drawComposite();
    const QImage view = window->view->picture;

    struct Case {
        std::string given, written;
    } cases[] = {{"view", "view.bmp"}, {"shot.BMP", "shot.BMP"}, {"dir.x/plain", "dir.x/plain.bmp"}};
    std::filesystem::create_directories(dir.file("dir.x"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        prompts.saveAnswers.push_back(QString::fromStdString(dir.file(c.given)));
        window->saveView();
        const std::string path = dir.file(c.written);
        ASSERT_TRUE(std::filesystem::exists(path));
        std::ifstream in(path, std::ios::binary);
        unsigned char header[54];
        in.read(reinterpret_cast<char*>(header), 54);
        EXPECT_EQ(header[0], 'B');
        EXPECT_EQ(header[28], 24);  // bits per pixel
        const uint64_t stride = (uint64_t(view.width()) * 3 + 3) / 4 * 4;
        EXPECT_EQ(std::filesystem::file_size(path), 54 + stride * view.height());

        QImageReader reader(QString::fromStdString(path));
        const QImage saved = reader.read();
        ASSERT_FALSE(saved.isNull()) << reader.errorString().toStdString();
        ASSERT_EQ(saved.size(), view.size());
        for (int y = 0; y < view.height(); ++y)
            for (int x = 0; x < view.width(); ++x)
                ASSERT_EQ(saved.pixel(x, y), view.pixel(x, y)) << x << "," << y;
    }
    EXPECT_TRUE(prompts.boxes.size() == 3u);  // dialogs only, no error

    // After closing, the white view is what gets saved.
    window->closeAll();
    prompts.saveAnswers.push_back(QString::fromStdString(dir.file("white.bmp")));
    window->saveView();
    const QImage white(QString::fromStdString(dir.file("white.bmp")));
    EXPECT_TRUE(allWhite(white));
}

TEST_F(CloseSaveTest, UnwritableTargetShowsAnErrorAndWritesNothing) {
    openFile(nativeScene("scene.bil", 30, 20));
    window->drawComposite();
    const std::string target = dir.file("no-such-folder/view.bmp");
    prompts.saveAnswers.push_back(QString::fromStdString(target));
    window->saveView();
    ASSERT_EQ(prompts.boxes.size(), 2u);
    EXPECT_EQ(prompts.boxes[1].type, BoxType::Message);
    EXPECT_TRUE(prompts.boxes[1].text.contains("view.bmp"));
    EXPECT_FALSE(std::filesystem::exists(target));
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

}  // namespace

ORVENNA_GUI_TEST_MAIN()
