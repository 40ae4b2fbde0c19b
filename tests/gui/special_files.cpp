// Files that are not what they seem: pipes, folders and missing files named as scenes or pictures, metadata
// texts that are pipes, endless devices or huge, names that are not UTF-8 or hold control characters, and
// expressions longer than an edit's default limit. A pipe used to hang the viewer for good, so this
// program's tests have a short time limit (see CMakeLists.txt).
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "GuiTestSupport.h"
#include "NavigationTestSupport.h"

using guitest::MainWindowTest;

namespace {

class SpecialFilesTest : public MainWindowTest {
protected:
    std::string nativeScene(const std::string& name) {
        const std::string path = dir.file(name);
        guitest::writeNativeScene(path, 8, 6, 1, [](int, int x, int y) { return uint8_t(x + y); });
        return path;
    }
};

// Only regular files are opened: a pipe, a folder or a missing file, whatever its extension, gets
// "開けません" with its name and the reason, and the next file still opens and is drawn.
TEST_F(SpecialFilesTest, OnlyRegularFilesAreOpened) {
    struct Case {
        const char* name;
        enum { Pipe, Folder, Missing } kind;
        const char* reason;
    } cases[] = {
        {"pipe_scene", Case::Pipe, "名前付きパイプです"},    {"pipe.bmp", Case::Pipe, "名前付きパイプです"},
        {"pipe.jpg", Case::Pipe, "名前付きパイプです"},      {"folder.bil", Case::Folder, "フォルダです"},
        {"gone.bil", Case::Missing, "ファイルがありません"},
    };
    const std::string good = nativeScene("zgood.bil");  // sorts after every case
    navtest::RedrawProbe redraws(window.get());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window->closeAllButton->click();
        prompts.boxes.clear();
        redraws.arm();
        const std::string path = dir.file(c.name);
        if (c.kind == Case::Pipe) {
            ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
        }
        if (c.kind == Case::Folder) {
            ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
        }
        window->openNow({path, good});
        ASSERT_EQ(prompts.boxes.size(), 1u);
        EXPECT_EQ(prompts.boxes[0].text,
                  QStringLiteral("\"%1\"\nを開けません: %2").arg(c.name, QString::fromUtf8(c.reason)));
        EXPECT_EQ(prompts.boxes[0].caption, "失敗");
        EXPECT_EQ(document().bandCount(), 1);
        EXPECT_TRUE(redraws.ran());
    }
}

// Metadata beside the first file is read only from regular files of at most 16 MB: a pipe or a link to an
// endless device is passed over, a huge text is skipped with a hint, corners off the globe are not used (with
// a hint), and the opening ends with its redraw.
TEST_F(SpecialFilesTest, MetadataThatCannotBeTextIsPassedOver) {
    struct Case {
        const char* name;
        enum { Pipe, EndlessDevice, Huge, OffTheGlobe } kind;
        const char* hint;
    } cases[] = {
        {"summary.txt", Case::Pipe, ""},
        {"scene.met", Case::Pipe, ""},
        {"summary.txt", Case::EndlessDevice, ""},
        {"scene.met", Case::EndlessDevice, ""},
        {"scene.met", Case::Huge, "\"scene.met\" は大きすぎるため読みません (16MB まで)"},
        {"summary.txt", Case::OffTheGlobe,
         "\"summary.txt\" の隅の座標は使いません: 経度 400 は ±180 を越えています"},
    };
    navtest::RedrawProbe redraws(window.get());
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        const std::string folder = dir.file("m" + std::to_string(n++));
        std::filesystem::create_directories(folder);
        const std::string meta = folder + "/" + c.name;
        if (c.kind == Case::Pipe) {
            ASSERT_EQ(mkfifo(meta.c_str(), 0600), 0);
        }
        if (c.kind == Case::EndlessDevice) {
            ASSERT_EQ(symlink("/dev/zero", meta.c_str()), 0);
        }
        if (c.kind == Case::Huge) {
            std::ofstream(meta) << "PRODUCT_UL_CORNER_LAT = 35.0\n";
            ASSERT_EQ(truncate(meta.c_str(), (16 << 20) + 1), 0);
        }
        if (c.kind == Case::OffTheGlobe) {
            std::ofstream summary(meta);
            for (const char* corner : {"LeftTop", "RightTop", "LeftBottom", "RightBottom"})
                summary << "Img_ImageScene" << corner << "Latitude = 35\nImg_ImageScene" << corner
                        << "Longitude = 400\n";
        }
        guitest::writeNativeScene(folder + "/a.bil", 8, 6, 1, [](int, int x, int) { return uint8_t(x); });
        window->closeAllButton->click();
        window->statusPanels[0]->setText(QString());
        redraws.arm();
        window->openNow({folder + "/a.bil"});
        EXPECT_FALSE(document().metadata().geo_valid);
        EXPECT_EQ(window->statusPanelText(3), "設定ファイル無効");
        EXPECT_TRUE(redraws.ran());
        EXPECT_EQ(window->statusPanelText(0), QString::fromUtf8(c.hint));
    }
}

// Names are kept as the bytes they are: a name that is not UTF-8 opens from the list the command line hands
// over and from a drop; control characters in a name are shown escaped in the band row.
TEST_F(SpecialFilesTest, NamesAreKeptAsBytesAndShownSafely) {
    const std::string latin1 = nativeScene("bad\xff\xfe.dat");
    const std::string newline = nativeScene("two\nlines.bil");
    window->openNow({latin1, newline});
    ASSERT_EQ(document().bandCount(), 2);
    EXPECT_EQ(document().scenes()[0]->path(), latin1);
    EXPECT_EQ(bandRow(0)->nameLabel->text(), QStringLiteral("A : bad\uFFFD\uFFFD.dat - 0"));
    EXPECT_EQ(bandRow(1)->nameLabel->text(), QStringLiteral("B : two\\nlines.bil - 0"));

    // Dropped from a file manager: the URL carries the bytes percent-encoded.
    window->closeAllButton->click();
    QMimeData data;
    data.setUrls({QUrl::fromEncoded("file://" + QByteArray::fromStdString(latin1).toPercentEncoding("/"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &enter);  // Qt delivers drops only after an accepted drag enter
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &drop);
    EXPECT_TRUE(guitest::pumpUntil([&] { return document().hasBands(); }));  // once the drop has finished
    EXPECT_TRUE(window->waitForJobs());
    ASSERT_EQ(document().bandCount(), 1);
    EXPECT_EQ(document().scenes()[0]->path(), latin1);
}

// A pasted expression of several megabytes stays whole (the edit's default limit would cut it at 32767
// characters and unbalance its brackets) and compiles.
TEST_F(SpecialFilesTest, LongExpressionsAreNotCut) {
    QString text;
    for (int i = 0; i < 200000; ++i)
        text += QStringLiteral("(a+");
    text += QStringLiteral("1");
    for (int i = 0; i < 200000; ++i)
        text += QStringLiteral(")");
    QLineEdit* const edits[] = {window->redExpressionEdit, window->greenExpressionEdit,
                                window->blueExpressionEdit};
    for (int c = 0; c < 3; ++c) {
        edits[c]->setText(text);
        EXPECT_EQ(edits[c]->text().size(), text.size());
        EXPECT_EQ(document().expression(c).text().size(), size_t(text.size()));
        EXPECT_TRUE(document().expression(c).compiles()) << document().expression(c).problem();
    }
}

}  // namespace

ORVENNA_GUI_TEST_MAIN()
