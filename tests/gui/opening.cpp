// Opening scenes: files in natural order however they arrive (named, dropped on the window, picked in the
// open dialog), pictures against scene files, the letters of later bands, size mismatches, metadata beside
// the first file, histograms at opening and the large-file question, damaged pictures, long paths, and
// actions held back while an opening runs.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <fstream>
#include <sstream>

#include "GuiTestSupport.h"
#include "NavigationTestSupport.h"
#include "dialogs/ProgressWindow.h"
#include "dialogs/SubdatasetDialog.h"
#include "display/ViewGeometry.h"
#include "tests/unit/gdal_test_files.h"
#include "tools/samples/sample_scenes.h"

using guitest::MainWindowTest;
using Box = ScriptedPrompts::Box;
using BoxType = ScriptedPrompts::BoxType;

namespace {

const QString kQuestion = QStringLiteral(
    "ファイルサイズが100MBを超えているためヒストグラム作成に時間がかかる可能性があります。\n"
    "ヒストグラムを作成しますか？");

class OpeningTest : public MainWindowTest {
protected:
    // A native scene of `bands` bands whose value at (x, y) is band * 10 + x + y.
    std::string nativeScene(const std::string& name, int w, int h, int bands = 1) {
        const std::string path = dir.file(name);
        guitest::writeNativeScene(path, w, h, bands,
                                  [](int b, int x, int y) { return uint8_t(b * 10 + x + y); });
        return path;
    }
    std::string writeFile(const std::string& name, const std::string& bytes) {
        const std::string path = dir.file(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    // Grows the file to `bytes`: the part added is a hole that takes no disk space.
    static bool growSparse(const std::string& path, off_t bytes) {
        const int fd = ::open(path.c_str(), O_WRONLY);
        const bool grown = fd >= 0 && ::ftruncate(fd, bytes) == 0;
        if (fd >= 0) ::close(fd);
        return grown;
    }
    // A one-band native scene of 10000 x 10000 zeros, over 100 MB: its header and a hole.
    std::string largeScene(const std::string& name) {
        const std::string path = dir.file(name);
        guitest::writeNativeScene(path, 10000, 1, 1, [](int, int, int) { return uint8_t(0); });
        {
            std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
            f.seekp(14);
            f.put(char(10000 >> 8)).put(char(10000 & 0xFF));  // the height
        }
        EXPECT_TRUE(growSparse(path, 512 + 10000LL * 10000));
        return path;
    }
    static QString qstr(const std::string& s) { return QString::fromStdString(s); }
    std::vector<Box> messageBoxes() const {
        std::vector<Box> out;
        for (const Box& b : prompts.boxes)
            if (b.type == BoxType::Message) out.push_back(b);
        return out;
    }
    QString rowLabel(int i) { return bandRow(i)->nameLabel->text(); }
    QStringList rowLabels() {
        QStringList labels;
        for (int i = 0; i < window->rowCount(); ++i)
            labels << rowLabel(i);
        return labels;
    }
    // Drags `paths` onto the window and drops them there: whether it took the drag and the drop. The drop is
    // handed over as Qt does after an accepted drag enter.
    std::pair<bool, bool> dropOnWindow(const std::vector<std::string>& paths) {
        QMimeData mime;
        QList<QUrl> urls;
        for (const std::string& p : paths)
            urls << QUrl::fromLocalFile(qstr(p));
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        enter.ignore();  // events start accepted
        QCoreApplication::sendEvent(window.get(), &enter);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        static_cast<QObject*>(window.get())->event(&drop);
        return {enter.isAccepted(), drop.isAccepted()};
    }
};

TEST_F(OpeningTest, FilesOpenInNaturalOrderHoweverTheyArrive) {
    const std::vector<std::string> files = {nativeScene("b10.bil", 8, 6), nativeScene("B2.bil", 8, 6),
                                            nativeScene("a.bil", 8, 6), nativeScene("b3.bil", 8, 6)};
    const QStringList expected = {"A : a.bil - 0", "B : B2.bil - 0", "C : b3.bil - 0", "D : b10.bil - 0"};
    QStringList picked;
    for (const std::string& f : files)
        picked << qstr(f);
    const struct {
        const char* how;
        std::function<void()> open;
    } ways[] = {
        {"named on the command line", [&] { window->openNow(files); }},
        {"dropped on the window",
         [&] {
             EXPECT_EQ(dropOnWindow(files), std::make_pair(true, true));
             EXPECT_FALSE(document().hasBands());  // opened once the drop itself has finished
             EXPECT_TRUE(guitest::pumpUntil([&] { return document().hasBands(); }));
             EXPECT_TRUE(window->waitForJobs());
         }},
        {"picked in the open dialog",
         [&] {
             prompts.openAnswers.push_back(picked);
             window->openButton->click();
             EXPECT_TRUE(window->waitForJobs());
             ASSERT_EQ(prompts.boxes.size(), 1u);
             EXPECT_EQ(prompts.boxes[0].type, BoxType::OpenFiles);
             EXPECT_EQ(prompts.boxes[0].text, "すべて (*);;BILファイル (*.bil);;BSQファイル (*.bsq)");
         }},
    };
    navtest::RedrawProbe redraws(window.get());
    for (const auto& way : ways) {
        SCOPED_TRACE(way.how);
        window->closeAllButton->click();
        redraws.arm();
        way.open();
        EXPECT_EQ(rowLabels(), expected);
        EXPECT_TRUE(redraws.ran());
    }
    window->openButton->click();  // cancelled: nothing changes
    EXPECT_TRUE(window->waitForJobs());
    EXPECT_EQ(document().bandCount(), 4);
    EXPECT_EQ(prompts.boxes.size(), 2u);  // the two dialogs, no other box
}

// "URL を開く..." asks for a URL and opens it like files, as a job: a text that is no URL is refused at once,
// a server that is not there gives the opening's refusal under the URL's file name.
TEST_F(OpeningTest, UrlIsAskedForAndOpenedLikeFiles) {
    QAction* openUrl = window->findChild<QAction*>(QStringLiteral("openUrlAction"));
    ASSERT_NE(openUrl, nullptr);
    // A port of this machine that nothing listens on.
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof at;
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&at), size), 0);
    ASSERT_EQ(getsockname(fd, reinterpret_cast<sockaddr*>(&at), &size), 0);
    ::close(fd);
    const QString closed = QStringLiteral("http://127.0.0.1:%1/scenes/B4.TIF?sig=1").arg(ntohs(at.sin_port));
    const struct {
        QString typed;
        QString said;
    } cases[] = {
        {QStringLiteral("ftp://host/a.tif"),
         QStringLiteral("\"ftp://host/a.tif\"\nは開ける URL ではありません")},
        {closed, QStringLiteral("\"B4.TIF\"\nを開けません: サーバーから読めません")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        prompts.boxes.clear();
        prompts.textAnswers.push_back(c.typed);
        openUrl->trigger();
        EXPECT_TRUE(window->waitForJobs());
        ASSERT_EQ(prompts.boxes.size(), 2u);
        EXPECT_EQ(prompts.boxes[0].type, BoxType::Text);
        EXPECT_TRUE(prompts.boxes[1].text.startsWith(c.said)) << prompts.boxes[1].text.toStdString();
        EXPECT_FALSE(document().hasBands());
    }
    openUrl->trigger();  // cancelled: the one box asking, nothing else
    EXPECT_TRUE(window->waitForJobs());
    EXPECT_EQ(prompts.boxes.size(), 3u);
}

TEST_F(OpeningTest, PictureOrSceneIsDecidedByTheExtension) {
    std::string error;
    const struct {
        const char* name;
        bool picture;
    } cases[] = {{"photo.jpg", true}, {"PHOTO.JPG", true}, {"Photo.Bmp", true}, {"photo.jpeg", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(c.name);
        const bool bmp = QString(c.name).toLower().endsWith(".bmp");
        ASSERT_TRUE(bmp ? samples::write_bmp(path, 32, 24, &error)
                        : samples::write_jpeg(path, 32, 24, 90, &error))
            << error;
        const int before = document().bandCount();
        window->openNow({path});
        // Any other extension makes the file a scene file: the scene reader opens it (a JPEG through GDAL),
        // three bands that are no picture bands.
        EXPECT_TRUE(prompts.boxes.empty());
        ASSERT_EQ(document().bandCount(), before + 3);
        for (int k = 0; k < 3; ++k) {
            const orvenna::DocumentBand& b = document().band(before + k);
            EXPECT_EQ(b.isPicture(), c.picture);
            EXPECT_EQ(b.picture, document().band(before).picture);  // one picture, three bands
            EXPECT_EQ(b.info->index, k);
            EXPECT_EQ(b.info->width, 32);
            EXPECT_EQ(b.info->lines, 24);
        }
        if (c.picture) {
            EXPECT_EQ(document().band(before).picture->width, 32);
            EXPECT_EQ(document().band(before).picture->height, 24);
            EXPECT_TRUE(rowLabel(before).endsWith(QStringLiteral("%1 - 0 - R").arg(c.name)));
            EXPECT_TRUE(rowLabel(before + 2).endsWith(" - 2 - B"));
        }
    }
    EXPECT_EQ(window->statusPanelText(1), "縦 : 24 横 : 32");
}

// Scene bands, then picture bands, then the bands of a later opening of the same size take the next letters.
TEST_F(OpeningTest, LaterBandsTakeTheNextLetters) {
    std::string error;
    const std::string tif = dir.file("colour.tif"), jpg = dir.file("photo.jpg");
    ASSERT_TRUE(samples::write_tiff_rgb(tif, 64, 48, false, &error)) << error;
    ASSERT_TRUE(samples::write_jpeg(jpg, 64, 48, 90, &error)) << error;
    window->openNow({jpg, tif});
    window->openNow({nativeScene("n.bil", 64, 48, 2)});
    EXPECT_EQ(rowLabels(),
              QStringList({"A : colour.tif - 0 - R", "B : colour.tif - 1 - G", "C : colour.tif - 2 - B",
                           "D : photo.jpg - 0 - R", "E : photo.jpg - 1 - G", "F : photo.jpg - 2 - B",
                           "G : n.bil - 0", "H : n.bil - 1"}));
    EXPECT_EQ(document().scenes().size(), 3u);
    EXPECT_EQ(window->statusPanelText(1), "縦 : 48 横 : 64");
    EXPECT_EQ(window->horizontalScrollBar->maximum(), 63);
    EXPECT_EQ(window->verticalScrollBar->maximum(), 47);
}

// A new scene is first shown whole and centred, as "全体表示" shows it; bands added to it keep the view.
TEST_F(OpeningTest, TheFirstViewShowsTheWholeScene) {
    window->view->setFixedSize(300, 200);
    window->show();
    const int fitted = orvenna::fit_zoom_step(300, 200, 1200, 900);
    ASSERT_GT(fitted, 5);  // smaller than 1:1
    for (int round = 0; round < 2; ++round) {
        window->openNow({nativeScene("big.bil", 1200, 900)});
        EXPECT_EQ(window->zoomStep(), fitted);
        EXPECT_EQ(window->scrollPosition(), QPoint(600, 450));
        window->setZoomStep(5);
        window->setScrollPosition(10, 20);
        window->openNow({nativeScene("more.bil", 1200, 900)});
        EXPECT_EQ(window->zoomStep(), 5);
        EXPECT_EQ(window->scrollPosition(), QPoint(10, 20));
        window->closeAllButton->click();
        ASSERT_TRUE(window->waitForJobs());
    }
}

// A file of another size is named in the message at the end; the files after it open, the metadata is read
// and the view drawn.
TEST_F(OpeningTest, SizeMismatchIsNamedAndTheOthersOpen) {
    const auto first = nativeScene("1.bil", 10, 8, 2), second = nativeScene("2.bil", 11, 8),
               third = nativeScene("3.bil", 10, 8);
    writeFile("summary.txt", "Img_ImageSceneLeftTopLatitude = 35.0\n");
    navtest::RedrawProbe redraws(window.get());
    window->openNow({first, second, third});
    ASSERT_EQ(messageBoxes().size(), 1u);
    EXPECT_EQ(messageBoxes()[0].text,
              "\"2.bil\"\nは重ねて表示できません: 大きさ 11 × 8 が格子 10 × 8 の整数分の 1 "
              "ではなく、重ねる位置を決める地理情報もありません");
    EXPECT_EQ(messageBoxes()[0].caption, "失敗");
    EXPECT_EQ(messageBoxes()[0].kind, PromptKind::Information);
    EXPECT_EQ(document().bandCount(), 3);       // the first and third files' bands
    EXPECT_EQ(document().scenes().size(), 2u);  // the refused scene is released
    EXPECT_TRUE(document().metadata().geo_valid);
    EXPECT_TRUE(redraws.ran());
    EXPECT_FALSE(window->progressWindow()->isVisible());

    // A picture of another size is refused the same way, its decoded picture released.
    std::string error;
    const std::string bmp = dir.file("other.bmp");
    ASSERT_TRUE(samples::write_bmp(bmp, 12, 8, &error));
    window->openNow({bmp});
    EXPECT_EQ(messageBoxes().size(), 2u);
    EXPECT_EQ(document().bandCount(), 3);
    EXPECT_EQ(document().scenes().size(), 2u);
}

// The metadata beside the first file of an opening, over what was known before (from a band of an earlier
// opening, still listed): a text that gives neither group clears both, one that is found but holds nothing
// carries the state over, a summary without corners hides the Landsat file beside it, the first Landsat file
// in name order counts, names are found in any case, a key missing from an accepted group reads as 0, and
// metadata files opened together with the bands are read as metadata, not opened as bands.
TEST_F(OpeningTest, MetadataBesideTheFirstFile) {
    const char* const kNeither = "OTHER = 1\n";
    const char* const kGeo = "PRODUCT_UL_CORNER_LAT = 1\nPRODUCT_UL_CORNER_LON = 99\n";
    const char* const kTherm = "LMAX_BAND61 = 12\n";
    const char* const kBoth = "PRODUCT_UL_CORNER_LAT = 1\nPRODUCT_UL_CORNER_LON = 99\nLMAX_BAND61 = 12\n";
    const char* const kLat3 = "PRODUCT_UL_CORNER_LAT = 3\n";
    const char* const kSummaryLat = "Img_ImageSceneLeftTopLatitude = \"35.5\"\n";
    const double none = NAN;
    const struct {
        const char* before;  // the metadata beside the band listed before
        std::vector<std::pair<const char*, const char*>> files;
        bool openedWithTheBand;
        const char* panel;
        double ulLat, ulLon;
    } cases[] = {
        {kNeither, {{"x.MET", kTherm}}, false, "LANDSAT温度設定有効", none, none},
        {kTherm, {{"x.MET", kLat3}}, false, "座標設定有効", 3.0, 0.0},
        {kBoth, {}, false, "座標設定有効 LANDSAT温度設定有効", 1.0, 99.0},  // nothing found: carried over
        {kBoth, {{"x.MET", kNeither}}, false, "設定ファイル無効", none, none},
        {kGeo, {{"x.MET", "\n  \n"}}, false, "座標設定有効", 1.0, 99.0},  // found, nothing to read
        {kTherm, {{"x.MET", "\n"}}, false, "LANDSAT温度設定有効", none, none},
        {kNeither, {{"summary.txt", kNeither}, {"x.met", kBoth}}, false, "設定ファイル無効", none, none},
        {kNeither, {{"B.met", kTherm}, {"a.met", kLat3}}, false, "座標設定有効", 3.0, 0.0},
        {kBoth, {{"SUMMARY.TXT", kSummaryLat}, {"scene_MTL.txt", kTherm}}, true, "座標設定有効", 35.5, 0.0},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(n++);
        guitest::TempDir earlier, folder;
        std::ofstream(earlier.file("p.met")) << c.before;
        std::vector<std::string> paths = {earlier.file("band.bil")};
        guitest::writeNativeScene(paths[0], 8, 6, 1, [](int, int x, int) { return uint8_t(x); });
        window->closeAllButton->click();
        window->openNow(paths);
        paths = {folder.file("band.bil")};
        guitest::writeNativeScene(paths[0], 8, 6, 1, [](int, int x, int) { return uint8_t(x); });
        for (const auto& [name, text] : c.files) {
            std::ofstream(folder.file(name)) << text;
            if (c.openedWithTheBand) paths.push_back(folder.file(name));
        }
        window->openNow(paths);
        EXPECT_TRUE(prompts.boxes.empty());  // no "unknown format" for metadata files
        EXPECT_EQ(document().bandCount(), 2);
        EXPECT_EQ(window->statusPanelText(3), c.panel);
        EXPECT_EQ(document().metadata().geo_valid, !std::isnan(c.ulLat));
        if (!std::isnan(c.ulLat)) {
            EXPECT_DOUBLE_EQ(document().metadata().corners.ul_lat, c.ulLat);
            EXPECT_DOUBLE_EQ(document().metadata().corners.ul_lon, c.ulLon);
        }
    }
}

// Corners from a summary (a value in quotes as well) and from a real Landsat 7 file, with its calibration.
TEST_F(OpeningTest, CornersAndCalibrationAreTakenAsWritten) {
    std::ifstream in(ORVENNA_SOURCE_DIR "/tests/data/metadata/L71092085_08520100315_MTL.met",
                     std::ios::binary);
    std::stringstream landsat;
    landsat << in.rdbuf();
    const struct {
        const char* name;
        std::string text;
        std::array<double, 8> corners;  // upper left, upper right, lower left, lower right; latitude first
        bool calibrated;
        double lmax;
    } cases[] = {
        {"summary.txt",
         "Img_ImageSceneLeftTopLatitude = \"35.5\"\nImg_ImageSceneLeftTopLongitude = 139.25\n"
         "Img_ImageSceneRightTopLatitude = 35.4\nImg_ImageSceneRightTopLongitude = 140.0\n"
         "Img_ImageSceneLeftBottomLatitude = 35.0\nImg_ImageSceneLeftBottomLongitude = 139.2\n"
         "Img_ImageSceneRightBottomLatitude = 34.9\nImg_ImageSceneRightBottomLongitude = 139.9\n",
         {35.5, 139.25, 35.4, 140.0, 35.0, 139.2, 34.9, 139.9},
         false,
         0.0},
        {"L71092085_08520100315_MTL.met",
         landsat.str(),
         {-35.07, 144.87, -35.07, 147.59, -37.0, 144.87, -37.0, 147.59},
         true,
         17.04},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        guitest::TempDir folder;
        std::ofstream(folder.file(c.name), std::ios::binary) << c.text;
        guitest::writeNativeScene(folder.file("B61.bil"), 8, 6, 1,
                                  [](int, int x, int) { return uint8_t(x); });
        window->closeAllButton->click();
        window->openNow({folder.file("B61.bil")});
        const SceneMetadataState& m = document().metadata();
        EXPECT_TRUE(m.geo_valid);
        const std::array<double, 8> corners = {m.corners.ul_lat, m.corners.ul_lon, m.corners.ur_lat,
                                               m.corners.ur_lon, m.corners.ll_lat, m.corners.ll_lon,
                                               m.corners.lr_lat, m.corners.lr_lon};
        for (size_t i = 0; i < corners.size(); ++i)
            EXPECT_DOUBLE_EQ(corners[i], c.corners[i]) << i;
        EXPECT_EQ(document().landsat7CalibrationValid(), c.calibrated);
        if (c.calibrated) {
            EXPECT_DOUBLE_EQ(m.lmax, c.lmax);
            EXPECT_DOUBLE_EQ(m.lmin, 0.0);
        }
        EXPECT_EQ(window->statusPanelText(3),
                  c.calibrated ? "座標設定有効 LANDSAT温度設定有効" : "座標設定有効");
    }
}

// Histograms are counted at opening when the settings ask for them. A file whose bands are over 100 MB (on
// disk or decoded) asks first and the answer holds for it; one of exactly 100 MB does not ask, nor does a
// large picture file of few pixels. A band without its histogram has an empty one. A
// band wider than 8 bits is counted over its own values and opens with the automatic range inside them, or,
// without its histogram, with the whole range of its kind.
TEST_F(OpeningTest, HistogramsAtOpening) {
    enum Kind { Native, Picture, Wide };
    const struct {
        Kind kind;
        off_t size;  // the file grown to this many bytes; 0: as written
        bool histogramOnOpen;
        std::deque<bool> answers;
        bool asked, counted;
    } cases[] = {
        {Native, 100000001, true, {false}, true, false},
        {Native, 100000001, true, {true}, true, true},
        {Native, 100000000, true, {}, false, true},
        {Native, 100000001, false, {}, false, false},
        {Picture, 100000001, true, {}, false, true},  // a large file of few pixels: the decoded size counts
        {Picture, 0, false, {}, false, false},
        {Wide, 0, true, {}, false, true},
        {Wide, 0, false, {}, false, false},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(n);
        const std::string path = dir.file("file" + std::to_string(n++) + (c.kind == Picture ? ".bmp" : ""));
        std::string error;
        const int bands = c.kind == Native ? 2 : c.kind == Picture ? 3 : 1;
        const int pixels = c.kind == Native ? 16 * 4 : 20 * 10;
        if (c.kind == Native)
            guitest::writeNativeScene(path, 16, 4, bands,
                                      [](int b, int x, int y) { return uint8_t(b * 10 + x + y); });
        else if (c.kind == Picture)
            ASSERT_TRUE(samples::write_bmp(path, 20, 10, &error)) << error;
        else
            ASSERT_TRUE(samples::write_ceos(path, samples::CeosKind::General, samples::Band::NearInfrared, 16,
                                            20, 10, &error))
                << error;
        if (c.size) {
            ASSERT_TRUE(growSparse(path, c.size));
        }
        window->closeAllButton->click();
        prompts.boxes.clear();
        prompts.yesNoAnswers = c.answers;
        openScene(path, c.histogramOnOpen);
        ASSERT_EQ(prompts.boxes.size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_EQ(prompts.boxes[0].type, BoxType::YesNo);
            EXPECT_EQ(prompts.boxes[0].text, kQuestion);
            EXPECT_EQ(prompts.boxes[0].caption, "情報");
            EXPECT_EQ(prompts.boxes[0].kind, PromptKind::Information);
        }
        ASSERT_EQ(document().bandCount(), bands);
        for (int k = 0; k < bands; ++k) {
            const BandInfo* band = this->band(k);
            EXPECT_EQ(document().band(k).histogramMade, c.counted);
            int64_t total = 0;
            for (int v = 0; v < 256; ++v)
                total += band->histogram[v];
            EXPECT_EQ(total, c.counted ? pixels : 0);
            if (c.kind == Native && c.counted) {
                EXPECT_EQ(band->histogram[k * 10 + 3], 4);  // x + y = 3 four times
            }
            if (c.kind == Picture && !c.counted) {
                EXPECT_EQ(band->hist_peak, 255);
                EXPECT_EQ(band->hist_peak_inner, 1);
            }
            if (c.kind == Wide) {
                EXPECT_EQ(band->bits, 16);
                if (c.counted) {
                    EXPECT_LT(band->value_min, band->value_max);
                    EXPECT_LE(band->value_min, band->display_low);
                    EXPECT_LT(band->display_low, band->display_high);
                    EXPECT_LE(band->display_high, band->value_max);
                } else {
                    EXPECT_EQ(band->display_low, 0);  // the kind's whole range, drawn as without a range
                    EXPECT_EQ(band->display_high, 65535);
                }
            }
        }
    }
}

TEST_F(OpeningTest, DamagedPicturesAreRefusedAndTheNextFileOpens) {
    std::string error;
    const std::string good = dir.file("good.jpg"), goodBmp = dir.file("good.bmp");
    ASSERT_TRUE(samples::write_jpeg(good, 40, 30, 90, &error));
    ASSERT_TRUE(samples::write_bmp(goodBmp, 40, 30, &error));
    const auto contents = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    const std::string bytes = contents(good), bmpBytes = contents(goodBmp);

    // The frame header's size fields, set to 30000 x 20000 over the same 40 x 30 data.
    std::string huge = bytes;
    const size_t sof = huge.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    huge.replace(sof + 5, 4, std::string("\x4E\x20\x75\x30", 4));

    openScene(nativeScene("base.bil", 40, 30));
    const std::pair<const char*, std::string> bad[] = {
        {"cut.jpg", bytes.substr(0, bytes.size() / 2)},
        // Cut, with the end marker added back: libjpeg only warns of a premature end of a segment.
        {"cut_ended.jpg", bytes.substr(0, bytes.size() / 2) + "\xFF\xD9"},
        {"claims_huge.jpg", huge},
        {"noise.jpg", "\xFF\xD8\xFF\xE0garbage that is no JPEG at all"},
        {"empty.jpg", ""},
        {"cut.bmp", bmpBytes.substr(0, 100)},
        {"text.bmp", "BM not a bitmap"},
    };
    for (const auto& [name, content] : bad) {
        SCOPED_TRACE(name);
        prompts.boxes.clear();
        window->openNow({writeFile(name, content), nativeScene("zafter.bil", 40, 30)});
        ASSERT_EQ(messageBoxes().size(), 1u);
        EXPECT_TRUE(
            messageBoxes()[0].text.startsWith(QStringLiteral("\"%1\"\n画像を読み込めません").arg(name)))
            << messageBoxes()[0].text.toStdString();
        // A header that lies about the size is refused before any pixel memory is taken.
        if (std::string(name) == "claims_huge.jpg") {
            EXPECT_TRUE(messageBoxes()[0].text.contains("短すぎます"));
        }
        EXPECT_EQ(messageBoxes()[0].caption, "失敗");
        EXPECT_EQ(document().bandCount(), 2);  // nothing of the picture; the file after it opens
        EXPECT_EQ(document().scenes().size(), 2u);
        window->closeAllButton->click();
        openScene(nativeScene("base.bil", 40, 30));
        EXPECT_FALSE(window->progressWindow()->isVisible());
    }
}

TEST_F(OpeningTest, LongPathsAreNeverCut) {
    // A path past 255 characters opens normally.
    std::string deep = dir.path().string();
    for (int i = 0; i < 3; ++i)
        deep += "/" + std::string(100, char('p' + i));
    std::filesystem::create_directories(deep);
    const std::string longPath = deep + "/band.bil";
    ASSERT_GT(longPath.size(), 255u);
    guitest::writeNativeScene(longPath, 8, 6, 1, [](int, int x, int) { return uint8_t(x); });
    openScene(longPath);
    EXPECT_EQ(document().scenes()[0]->path(), longPath);

    // A path the scene record cannot hold is refused by name; the next file still opens.
    std::string deeper = deep;
    while (deeper.size() < 1100)
        deeper += "/" + std::string(200, 'q');
    std::filesystem::create_directories(deeper);
    const std::string tooLong = deeper + "/far.bil";
    guitest::writeNativeScene(tooLong, 8, 6, 1, [](int, int x, int) { return uint8_t(x); });
    window->openNow({tooLong, longPath});
    ASSERT_EQ(messageBoxes().size(), 1u);
    EXPECT_EQ(messageBoxes()[0].text, "\"far.bil\"\nはパスが長すぎるため開けません");
    EXPECT_EQ(messageBoxes()[0].caption, "失敗");
    EXPECT_EQ(document().bandCount(), 2);
}

// While an opening runs (here the histogram pass over a large file, its question answered Yes), nothing may
// change the list under it: another opening, a drop, the open dialog, closing a band or all of them are held
// back. The progress window shows meanwhile and goes with the opening.
TEST_F(OpeningTest, ActionsDuringAnOpeningAreHeldBack) {
    const std::string big = largeScene("big.bil"), small = nativeScene("small.bil", 8, 6);
    openScene(big, false);
    ProgressWindow* progress = window->progressWindow();
    bool acted = false;
    // Connected after the window's own handler, which enables "中止" for the pass.
    const auto probe = QObject::connect(
        &window->jobs(), &orvenna::ViewerJobs::histogramPassRunning, window.get(), [&](bool on) {
            if (!on || acted || !progress->stopButton->isEnabled()) return;
            acted = true;
            EXPECT_EQ(window->jobs().state(), orvenna::ViewerJobs::State::Opening);
            EXPECT_TRUE(progress->isVisible());
            EXPECT_EQ(progress->messageLabel->text(), "画像を読み込んでいます...");
            EXPECT_FALSE(window->openFiles({QByteArray::fromStdString(small)}));
            EXPECT_EQ(dropOnWindow({small}), std::make_pair(false, false));
            prompts.openAnswers.push_back({qstr(small)});
            window->openButton->click();
            bandRow(0)->closeButton->click();
            window->closeAllButton->click();
            EXPECT_EQ(document().bandCount(), 1);
        });
    prompts.yesNoAnswers = {true};
    openScene(big, true);
    QObject::disconnect(probe);
    EXPECT_TRUE(acted);
    EXPECT_FALSE(progress->isVisible());
    EXPECT_EQ(window->jobs().state(), orvenna::ViewerJobs::State::Idle);
    EXPECT_EQ(rowLabels(), QStringList({"A : big.bil - 0", "B : big.bil - 0"}));
    EXPECT_TRUE(document().band(1).histogramMade);
    ASSERT_EQ(prompts.boxes.size(), 1u);  // the size question; the open dialog was not even shown
    EXPECT_EQ(prompts.boxes[0].text, kQuestion);
}

}  // namespace

// A container asks in a dialog which of its subdatasets to open while the opening waits for the answer; the
// parts chosen list their bands under "x.nc:part", each time step with its date.
TEST_F(OpeningTest, ContainersAskWhichSubdatasetsToOpen) {
    const std::string nc = dir.file("x.nc");
    ASSERT_TRUE(gdal_test::write_netcdf_container(nc));
    QStringList offered;
    QString title;
    std::function<void(SubdatasetDialog*)> act;
    std::function<void()> poll = [&] {
        if (auto* dialog = dynamic_cast<SubdatasetDialog*>(QApplication::activeModalWidget()))
            act(dialog);
        else
            QTimer::singleShot(20, poll);
    };
    for (const bool cancel : {true, false}) {
        window->closeAllButton->click();
        offered.clear();
        act = [&](SubdatasetDialog* dialog) {
            title = dialog->windowTitle();
            QTreeWidget* list = dialog->partList;
            for (int i = 0; i < list->topLevelItemCount(); ++i) {
                const QTreeWidgetItem* item = list->topLevelItem(i);
                offered << item->text(0) + " | " + item->text(1) + " | " + item->text(2);
            }
            list->topLevelItem(2)->setSelected(true);  // with the first, chosen from the start
            if (cancel)
                dialog->reject();
            else
                dialog->accept();
        };
        QTimer::singleShot(0, poll);
        window->openNow({nc});
        EXPECT_EQ(title, "サブデータセットの選択");
        EXPECT_EQ(offered, QStringList({"sst | 5 × 4 × 3 | Float32", "t | 5 × 4 × 2 | Float32",
                                        "depth | 5 × 4 × 1 | Int16"}));
        EXPECT_TRUE(prompts.boxes.empty());  // cancelling says nothing
        if (cancel) {
            EXPECT_EQ(window->rowCount(), 0);
            continue;
        }
        EXPECT_EQ(rowLabels(), QStringList({"A : x.nc:sst - 0 1800-01-01", "B : x.nc:sst - 1 1800-02-01",
                                            "C : x.nc:sst - 2 2000-01-01 12:00", "D : x.nc:depth - 0"}));
    }
}

ORVENNA_GUI_TEST_MAIN()
