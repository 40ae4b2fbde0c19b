// Opening scenes: file order of drops, pictures against scene files, size mismatches, unrecognised files,
// metadata beside the first file, the large-file question, damaged pictures, long paths, and actions held
// back while an opening runs.
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>

#include <fstream>

#include "GuiTestSupport.h"
#include "dialogs/ProgressWindow.h"
#include "platform/ImageControl.h"
#include "tools/samples/sample_scenes.h"

using guitest::MainWindowTest;
using Box = ScriptedPrompts::Box;
using BoxType = ScriptedPrompts::BoxType;

namespace {

const QString kMismatch = QStringLiteral("画像の大きさが違うバンド同士は同時に開けません");
const QString kQuestion = QStringLiteral(
    "ファイルサイズが100MBを超えているためヒストグラム作成に時間がかかる可能性があります。\n"
    "ヒストグラムを作成しますか？");

class OpeningTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        progressWindow = new ProgressWindow(window.get());
    }
    void TearDown() override {
        progressWindow = nullptr;  // a child of the main window
        MainWindowTest::TearDown();
    }

    // A native scene of `bands` bands whose value at (x, y) is seed + band * 10 + x + y.
    std::string nativeScene(const std::string& name, int w, int h, int bands = 1, int seed = 0) {
        const std::string path = dir.file(name);
        guitest::writeNativeScene(path, w, h, bands,
                                  [seed](int b, int x, int y) { return uint8_t(seed + b * 10 + x + y); });
        return path;
    }
    std::string writeFile(const std::string& name, const std::string& bytes) {
        const std::string path = dir.file(name);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    static QString qstr(const std::string& s) { return QString::fromStdString(s); }

    void openFiles(const std::vector<std::string>& paths) {
        window->filesToOpen.clear();
        for (const auto& p : paths)
            window->filesToOpen << QByteArray::fromStdString(p);
        window->openFiles();
    }
    std::vector<Box> messageBoxes() const {
        std::vector<Box> out;
        for (const Box& b : prompts.boxes)
            if (b.type == BoxType::Message) out.push_back(b);
        return out;
    }
    QString rowLabel(size_t i) { return bandRow(i)->nameLabel->text(); }
    bool viewDrawn() const { return !window->view->picture.isNull(); }
};

TEST_F(OpeningTest, DroppedFilesOpenInNameOrderWithoutRegardToCase) {
    const auto b = nativeScene("b.bil", 8, 6, 1, 1), a = nativeScene("A.bil", 8, 6, 1, 2),
               c = nativeScene("c.bil", 8, 6, 1, 3);
    window->openDroppedFiles({qstr(b), qstr(a), qstr(c)});
    EXPECT_EQ(window->filesToOpen,
              QList<QByteArray>({QByteArray::fromStdString(a), QByteArray::fromStdString(b),
                                 QByteArray::fromStdString(c)}));
    ASSERT_EQ(window->bandRows.size(), 3u);
    EXPECT_EQ(rowLabel(0), "A : A.bil - 0");
    EXPECT_EQ(rowLabel(1), "B : b.bil - 0");
    EXPECT_EQ(rowLabel(2), "C : c.bil - 0");
    EXPECT_TRUE(prompts.boxes.empty());
    EXPECT_TRUE(viewDrawn());
}

TEST_F(OpeningTest, DropOnTheWindowOpensOnceTheDropHasFinished) {
    const auto b = nativeScene("b.bil", 8, 6, 1, 1), a = nativeScene("a.bil", 8, 6, 1, 2);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(qstr(b)), QUrl::fromLocalFile(qstr(a))});
    window->opening = true;  // a drop while an opening runs is refused
    QDropEvent refused(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    window->dropEvent(&refused);  // Qt delivers drops only after an accepted drag enter
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->bandRows.empty());
    window->opening = false;
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    enter.ignore();  // events start accepted
    window->dragEnterEvent(&enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    window->dropEvent(&drop);
    EXPECT_TRUE(window->bandRows.empty());  // not inside the drop itself
    QCoreApplication::processEvents();
    ASSERT_EQ(window->bandRows.size(), 2u);
    EXPECT_EQ(rowLabel(0), "A : a.bil - 0");
    EXPECT_EQ(rowLabel(1), "B : b.bil - 0");
}

TEST_F(OpeningTest, DialogFilesOpenInNaturalOrderAndFilterOffersAllFilesFirst) {
    const auto b = nativeScene("B10.bil", 8, 6, 1, 1), a = nativeScene("b2.bil", 8, 6, 1, 2);
    prompts.openAnswers.push_back({qstr(b), qstr(a)});
    window->onOpenClicked();
    ASSERT_EQ(prompts.boxes.size(), 1u);
    EXPECT_EQ(prompts.boxes[0].type, BoxType::OpenFiles);
    EXPECT_EQ(prompts.boxes[0].text, "すべて (*);;BILファイル (*.bil);;BSQファイル (*.bsq)");
    ASSERT_EQ(window->bandRows.size(), 2u);
    EXPECT_EQ(rowLabel(0), "A : b2.bil - 0");
    EXPECT_EQ(rowLabel(1), "B : B10.bil - 0");

    window->onOpenClicked();  // cancelled: nothing changes
    EXPECT_EQ(window->bandRows.size(), 2u);
}

TEST_F(OpeningTest, PictureOrSceneIsDecidedByTheExtension) {
    std::string error;
    struct Case {
        const char* name;
        bool picture;
    } cases[] = {{"photo.jpg", true}, {"PHOTO.JPG", true}, {"Photo.Bmp", true}, {"photo.jpeg", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(c.name);
        const bool bmp = QString(c.name).toLower().endsWith(".bmp");
        ASSERT_TRUE(bmp ? samples::write_bmp(path, 32, 24, &error)
                        : samples::write_jpeg(path, 32, 24, 90, &error))
            << error;
        const size_t rowsBefore = window->bandRows.size();
        prompts.boxes.clear();
        openFiles({path});
        if (c.picture) {
            EXPECT_TRUE(prompts.boxes.empty());
            ASSERT_EQ(window->bandRows.size(), rowsBefore + 3);
            for (int k = 0; k < 3; ++k) {
                BandRow* row = bandRow(rowsBefore + k);
                EXPECT_TRUE(row->isPicture);
                ASSERT_TRUE(row->picture);
                EXPECT_EQ(row->picture->format(), QImage::Format_BGR888);
                EXPECT_EQ(row->picture.get(), bandRow(rowsBefore)->picture.get());  // one picture, three rows
                EXPECT_EQ(row->band->index, k);
                EXPECT_EQ(row->band->width, 32);
                EXPECT_EQ(row->band->lines, 24);
            }
            EXPECT_TRUE(rowLabel(rowsBefore).endsWith(QStringLiteral("%1 - 0 - R").arg(c.name)));
            EXPECT_TRUE(rowLabel(rowsBefore + 2).endsWith(" - 2 - B"));
        } else {
            // Any other extension makes the file a scene file: the scene reader opens it (a JPEG through
            // GDAL), three bands that are no picture rows.
            EXPECT_TRUE(prompts.boxes.empty());
            ASSERT_EQ(window->bandRows.size(), rowsBefore + 3);
            for (int k = 0; k < 3; ++k) {
                EXPECT_FALSE(bandRow(rowsBefore + k)->isPicture);
                EXPECT_EQ(bandRow(rowsBefore + k)->band->index, k);
                EXPECT_EQ(bandRow(rowsBefore + k)->band->width, 32);
            }
        }
    }
    EXPECT_EQ(window->statusPanelText(1), "縦 : 24 横 : 32");
}

TEST_F(OpeningTest, SceneBandsThenPictureBandsTakeTheNextLetters) {
    std::string error;
    const std::string tif = dir.file("rgb.tif"), jpg = dir.file("pic.jpg");
    ASSERT_TRUE(samples::write_tiff_rgb(tif, 64, 48, false, &error)) << error;
    ASSERT_TRUE(samples::write_jpeg(jpg, 64, 48, 90, &error)) << error;
    openFiles({tif, jpg});
    ASSERT_EQ(window->bandRows.size(), 6u);
    EXPECT_EQ(rowLabel(0), "A : rgb.tif - 0 - R");
    EXPECT_EQ(rowLabel(2), "C : rgb.tif - 2 - B");
    EXPECT_EQ(rowLabel(3), "D : pic.jpg - 0 - R");
    EXPECT_EQ(rowLabel(4), "E : pic.jpg - 1 - G");
    EXPECT_EQ(rowLabel(5), "F : pic.jpg - 2 - B");
    EXPECT_EQ(window->scenes.size(), 2u);
    EXPECT_EQ(window->statusPanelText(1), "縦 : 48 横 : 64");
    EXPECT_EQ(window->horizontalScrollBar->maximum(), 63);
    EXPECT_EQ(window->verticalScrollBar->maximum(), 47);
}

TEST_F(OpeningTest, SizeMismatchStopsTheOpeningWithoutMetadataOrRedraw) {
    const auto first = nativeScene("1.bil", 10, 8, 2), second = nativeScene("2.bil", 11, 8),
               third = nativeScene("3.bil", 10, 8);
    writeFile("summary.txt", "Img_ImageSceneLeftTopLatitude = 35.0\n");
    openFiles({first, second, third});
    ASSERT_EQ(messageBoxes().size(), 1u);
    EXPECT_EQ(messageBoxes()[0].text, kMismatch);
    EXPECT_EQ(messageBoxes()[0].caption, "失敗");
    EXPECT_EQ(messageBoxes()[0].kind, PromptKind::Information);
    ASSERT_EQ(window->bandRows.size(), 2u);  // the first file's bands stay
    EXPECT_EQ(window->scenes.size(), 1u);    // the refused scene is released; the third never opened
    EXPECT_FALSE(window->geoValid);          // metadata not read
    EXPECT_EQ(window->statusPanelText(3), "");
    EXPECT_FALSE(viewDrawn());  // no redraw
    EXPECT_FALSE(progressWindow->isVisible());

    // A picture of another size is refused the same way, its decoded picture released.
    std::string error;
    const std::string bmp = dir.file("other.bmp");
    ASSERT_TRUE(samples::write_bmp(bmp, 12, 8, &error));
    openFiles({bmp});
    EXPECT_EQ(messageBoxes().size(), 2u);
    EXPECT_EQ(window->bandRows.size(), 2u);
    EXPECT_EQ(window->scenes.size(), 1u);
}

TEST_F(OpeningTest, UnrecognisedFileIsNamedAndTheNextFileStillOpens) {
    const auto junk = writeFile("junk.dat", std::string(600, 'x'));
    const auto good = nativeScene("good.bil", 9, 7);
    const auto missing = dir.file("missing.bil");
    openFiles({junk, missing, good});
    ASSERT_EQ(prompts.boxes.size(), 2u);
    EXPECT_EQ(prompts.boxes[0].text, "\"junk.dat\"\nは不明な衛星データ形式です");
    EXPECT_EQ(prompts.boxes[0].caption, "識別失敗");
    EXPECT_EQ(prompts.boxes[0].kind, PromptKind::Information);
    // A file that cannot be opened at all is named with the system's reason.
    EXPECT_EQ(prompts.boxes[1].text, "\"missing.bil\"\nを開けません: ファイルがありません");
    EXPECT_EQ(prompts.boxes[1].caption, "失敗");
    ASSERT_EQ(window->bandRows.size(), 1u);
    EXPECT_EQ(rowLabel(0), "A : good.bil - 0");
    EXPECT_TRUE(viewDrawn());
    EXPECT_EQ(window->statusPanelText(1), "縦 : 7 横 : 9");
}

TEST_F(OpeningTest, SummaryWithoutCornersHidesTheLandsatFile) {
    writeFile("summary.txt", "Scene_ID = X\n");
    writeFile("scene.met", "LMAX_BAND61 = 17.0\nPRODUCT_UL_CORNER_LAT = 1.0\n");
    openFiles({nativeScene("a.bil", 8, 6)});
    EXPECT_FALSE(window->geoValid);
    EXPECT_FALSE(window->landsatCalibrationValid);
    EXPECT_EQ(window->statusPanelText(3), "設定ファイル無効");
}

TEST_F(OpeningTest, SummaryCornersAreTakenInOrder) {
    writeFile("summary.txt",
              "Img_ImageSceneLeftTopLatitude = \"35.5\"\nImg_ImageSceneLeftTopLongitude = 139.25\n"
              "Img_ImageSceneRightTopLatitude = 35.4\nImg_ImageSceneRightTopLongitude = 140.0\n"
              "Img_ImageSceneLeftBottomLatitude = 35.0\nImg_ImageSceneLeftBottomLongitude = 139.2\n"
              "Img_ImageSceneRightBottomLatitude = 34.9\nImg_ImageSceneRightBottomLongitude = 139.9\n");
    window->landsatCalibrationValid = true;  // a Landsat state from before is cleared by the summary
    openFiles({nativeScene("a.bil", 8, 6)});
    EXPECT_TRUE(window->geoValid);
    EXPECT_FALSE(window->landsatCalibrationValid);
    EXPECT_DOUBLE_EQ(window->ulLat, 35.5);
    EXPECT_DOUBLE_EQ(window->ulLon, 139.25);
    EXPECT_DOUBLE_EQ(window->urLat, 35.4);
    EXPECT_DOUBLE_EQ(window->urLon, 140.0);
    EXPECT_DOUBLE_EQ(window->llLat, 35.0);
    EXPECT_DOUBLE_EQ(window->llLon, 139.2);
    EXPECT_DOUBLE_EQ(window->lrLat, 34.9);
    EXPECT_DOUBLE_EQ(window->lrLon, 139.9);
    EXPECT_EQ(window->statusPanelText(3), "座標設定有効");
}

TEST_F(OpeningTest, RealLandsatMetadataGivesCoordinatesAndTemperature) {
    const std::string met = dir.file("L71092085_08520100315_MTL.met");
    std::filesystem::copy_file(
        std::string(ORVENNA_SOURCE_DIR) + "/tests/data/metadata/L71092085_08520100315_MTL.met", met);
    openFiles({nativeScene("B61.bil", 8, 6)});
    EXPECT_EQ(window->statusPanelText(3), "座標設定有効 LANDSAT温度設定有効");
    EXPECT_TRUE(window->geoValid);
    EXPECT_TRUE(window->landsatCalibrationValid);
    EXPECT_DOUBLE_EQ(window->landsatLmax, 17.04);
    EXPECT_DOUBLE_EQ(window->landsatLmin, 0.0);
    EXPECT_DOUBLE_EQ(window->ulLat, -35.07);
    EXPECT_DOUBLE_EQ(window->ulLon, 144.87);
    EXPECT_DOUBLE_EQ(window->lrLat, -37.0);
    EXPECT_DOUBLE_EQ(window->lrLon, 147.59);
}

TEST_F(OpeningTest, MetadataStatesAndCarryOver) {
    struct Case {
        const char* met;  // null: no metadata file in the folder
        bool geoBefore, thermBefore;
        const char* panel;
    } cases[] = {
        {"LMAX_BAND61 = 12\n", false, false, "LANDSAT温度設定有効"},
        {"PRODUCT_UL_CORNER_LAT = 3\n", false, true, "座標設定有効"},  // therm cleared by the file
        {nullptr, true, true, "座標設定有効 LANDSAT温度設定有効"},     // nothing found: flags carry over
        {"OTHER = 1\n", true, true, "設定ファイル無効"},               // read, neither group present
        {"\n  \n", true, false, "座標設定有効"},                       // opens, nothing to read: carried over
        {"\n", false, true, "LANDSAT温度設定有効"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        guitest::TempDir folder;
        if (c.met) std::ofstream(folder.file("x.MET")) << c.met;
        const std::string band = folder.file("band.bil");
        guitest::writeNativeScene(band, 8, 6, 1, [](int, int x, int) { return uint8_t(x); });
        window->closeAll();
        window->geoValid = c.geoBefore;
        window->landsatCalibrationValid = c.thermBefore;
        openFiles({band});
        EXPECT_EQ(window->statusPanelText(3), c.panel);
        ++n;
    }
}

// A key missing from a group that was accepted reads as 0; a summary in upper case is found as well; the
// metadata files picked or dropped together with the bands are read as metadata, not opened as bands.
TEST_F(OpeningTest, MetadataFilesInAnyCaseAndAmongTheBands) {
    guitest::TempDir folder;
    const std::string summary = folder.file("SUMMARY.TXT");
    std::ofstream(summary) << "Img_ImageSceneLeftTopLatitude = \"35.5\"\n";
    const std::string met = folder.file("scene_MTL.txt");
    std::ofstream(met) << "LMAX_BAND61 = 12\n";
    const std::string band = folder.file("band.bil");
    guitest::writeNativeScene(band, 8, 6, 1, [](int, int x, int) { return uint8_t(x); });
    window->ulLon = 99;
    window->openDroppedFiles({qstr(summary), qstr(band), qstr(met)});
    EXPECT_TRUE(prompts.boxes.empty());  // no "unknown format" for the metadata files
    ASSERT_EQ(window->bandRows.size(), 1u);
    EXPECT_EQ(window->statusPanelText(3), "座標設定有効");
    EXPECT_DOUBLE_EQ(window->ulLat, 35.5);
    EXPECT_DOUBLE_EQ(window->ulLon, 0.0);  // missing from the accepted group
}

TEST_F(OpeningTest, FirstLandsatFileIsTakenInNameOrderWithoutRegardToCase) {
    guitest::TempDir folder;
    std::ofstream(folder.file("B.met")) << "LMAX_BAND61 = 12\n";
    std::ofstream(folder.file("a.met")) << "PRODUCT_UL_CORNER_LAT = 3\n";
    const std::string band = folder.file("band.bil");
    guitest::writeNativeScene(band, 8, 6, 1, [](int, int x, int) { return uint8_t(x); });
    openFiles({band});
    EXPECT_EQ(window->statusPanelText(3), "座標設定有効");  // a.met, not B.met
    EXPECT_DOUBLE_EQ(window->ulLat, 3.0);
    EXPECT_FALSE(window->landsatCalibrationValid);
}

TEST_F(OpeningTest, LargeFileQuestion) {
    struct Case {
        int64_t size;
        bool histCheck;
        std::deque<bool> answers;
        bool asked, histogram;
    } cases[] = {
        {100000001, true, {false}, true, false},
        {100000001, true, {true}, true, true},
        {100000000, true, {}, false, true},
        {100000001, false, {}, false, false},
        {-1, true, {}, false, true},  // not found by the size lookup: no question
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n++);
        window->closeAll();
        prompts.boxes.clear();
        prompts.yesNoAnswers = c.answers;
        window->histogramOnOpenCheckBox->setChecked(c.histCheck);
        window->fileSizeLookup = [&c](const QByteArray&) { return c.size; };
        openFiles({nativeScene("big.bil", 16, 4, 2)});
        ASSERT_EQ(prompts.boxes.size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_EQ(prompts.boxes[0].type, BoxType::YesNo);
            EXPECT_EQ(prompts.boxes[0].text, kQuestion);
            EXPECT_EQ(prompts.boxes[0].caption, "情報");
            EXPECT_EQ(prompts.boxes[0].kind, PromptKind::Information);
        }
        ASSERT_EQ(window->bandRows.size(), 2u);
        for (int k = 0; k < 2; ++k) {
            BandInfo* band = bandRow(k)->band;
            EXPECT_EQ(bandRow(k)->histogramValid, c.histogram);
            int64_t total = 0;
            for (int v = 0; v < 256; ++v)
                total += band->histogram[v];
            EXPECT_EQ(total, c.histogram ? 64 : 0);
            if (c.histogram) {
                EXPECT_EQ(band->histogram[k * 10 + 3], 4);  // x + y = 3 four times
            }
        }
    }
    // A picture whose histogram was declined: peaks 255 and 1, every count 0, no valid histogram.
    window->closeAll();
    prompts.yesNoAnswers = {false};
    window->histogramOnOpenCheckBox->setChecked(true);
    window->fileSizeLookup = [](const QByteArray&) { return int64_t(100000001); };
    std::string error;
    const std::string bmp = dir.file("large.bmp");
    ASSERT_TRUE(samples::write_bmp(bmp, 20, 10, &error)) << error;
    openFiles({bmp});
    ASSERT_EQ(window->bandRows.size(), 3u);
    for (int k = 0; k < 3; ++k) {
        const BandInfo* band = bandRow(k)->band;
        EXPECT_FALSE(bandRow(k)->histogramValid);
        EXPECT_EQ(band->hist_peak, 255);
        EXPECT_EQ(band->hist_peak_inner, 1);
        EXPECT_TRUE(std::all_of(std::begin(band->histogram), std::end(band->histogram),
                                [](int v) { return v == 0; }));
    }
}

// A 16-bit band is counted over its own values at opening and gets the automatic range inside them; with
// histograms off it keeps an empty histogram and the whole range of its kind.
TEST_F(OpeningTest, BandsWiderThan8BitsGetTheirHistogramAndRangeAtOpening) {
    std::string error;
    const std::string path = dir.file("wide16");
    ASSERT_TRUE(samples::write_ceos(path, samples::CeosKind::General, samples::Band::NearInfrared, 16, 20, 10,
                                    &error))
        << error;
    for (bool histograms : {true, false}) {
        SCOPED_TRACE(histograms);
        window->closeAll();
        window->histogramOnOpenCheckBox->setChecked(histograms);
        openFiles({path});
        ASSERT_EQ(window->bandRows.size(), 1u);
        BandInfo* band = bandRow(0)->band;
        EXPECT_EQ(band->bits, 16);
        EXPECT_EQ(bandRow(0)->histogramValid, histograms);
        int64_t counted = 0;
        for (int v = 0; v < 256; ++v)
            counted += band->histogram[v];
        EXPECT_EQ(counted, histograms ? 20 * 10 : 0);
        if (histograms) {
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

TEST_F(OpeningTest, DamagedPicturesAreRefusedAndLeaveTheListAsItWas) {
    std::string error;
    const std::string good = dir.file("good.jpg");
    ASSERT_TRUE(samples::write_jpeg(good, 40, 30, 90, &error));
    std::ifstream in(good, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string bmp = dir.file("good.bmp");
    ASSERT_TRUE(samples::write_bmp(bmp, 40, 30, &error));
    std::ifstream inb(bmp, std::ios::binary);
    const std::string bmpBytes((std::istreambuf_iterator<char>(inb)), std::istreambuf_iterator<char>());

    // The frame header's size fields, set to 30000 x 20000 over the same 40 x 30 data.
    std::string huge = bytes;
    const size_t sof = huge.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    huge.replace(sof + 5, 4, std::string("\x4E\x20\x75\x30", 4));

    openFiles({nativeScene("base.bil", 40, 30)});
    ASSERT_EQ(window->bandRows.size(), 1u);
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
        openFiles({writeFile(name, content), nativeScene("after.bil", 40, 30)});
        ASSERT_EQ(messageBoxes().size(), 1u);
        EXPECT_TRUE(
            messageBoxes()[0].text.startsWith(QStringLiteral("\"%1\"\n画像を読み込めません").arg(name)))
            << messageBoxes()[0].text.toStdString();
        // A header that lies about the size is refused before any pixel memory is taken.
        if (std::string(name) == "claims_huge.jpg") {
            EXPECT_TRUE(messageBoxes()[0].text.contains("短すぎます"));
        }
        EXPECT_EQ(messageBoxes()[0].caption, "失敗");
        EXPECT_EQ(window->bandRows.size(), 1u);  // nothing added; the opening ended at the bad picture
        EXPECT_EQ(window->scenes.size(), 1u);
        EXPECT_FALSE(progressWindow->isVisible());
    }
}

TEST_F(OpeningTest, LongPathsAreNeverCut) {
    // A dropped path past 255 characters opens normally.
    std::string deep = dir.path().string();
    for (int i = 0; i < 3; ++i)
        deep += "/" + std::string(100, char('p' + i));
    std::filesystem::create_directories(deep);
    const std::string longPath = deep + "/band.bil";
    ASSERT_GT(longPath.size(), 255u);
    guitest::writeNativeScene(longPath, 8, 6, 1, [](int, int x, int) { return uint8_t(x); });
    window->openDroppedFiles({qstr(longPath)});
    ASSERT_EQ(window->bandRows.size(), 1u);
    EXPECT_EQ(std::string(window->scenes[0]->path), longPath);

    // A path the scene record cannot hold is refused by name; the next file still opens.
    std::string deeper = deep;
    while (deeper.size() < 1100)
        deeper += "/" + std::string(200, 'q');
    std::filesystem::create_directories(deeper);
    const std::string tooLong = deeper + "/far.bil";
    guitest::writeNativeScene(tooLong, 8, 6, 1, [](int, int x, int) { return uint8_t(x); });
    openFiles({tooLong, longPath});
    ASSERT_EQ(messageBoxes().size(), 1u);
    EXPECT_EQ(messageBoxes()[0].text, "\"far.bil\"\nはパスが長すぎるため開けません");
    EXPECT_EQ(messageBoxes()[0].caption, "失敗");
    EXPECT_EQ(window->bandRows.size(), 2u);
}

TEST_F(OpeningTest, ActionsDuringAnOpeningAreHeldBack) {
    const auto a = nativeScene("a.bil", 8, 6, 2), b = nativeScene("b.bil", 8, 6);
    bool progressShown = false;
    int progressMax = 0;
    // Runs inside the opening's own event processing, as a user's click or drop would, once a row is listed.
    std::function<void()> probe = [&] {
        if (window->bandRows.empty()) {
            QTimer::singleShot(0, window.get(), probe);
            return;
        }
        progressShown = progressWindow->isVisible();
        progressMax = progressWindow->progressBar->maximum();
        EXPECT_TRUE(window->opening);
        window->openDroppedFiles({qstr(b)});
        prompts.openAnswers.push_back({qstr(b)});
        window->onOpenClicked();
        window->closeBand(bandRow(0));
        window->closeAll();
    };
    QTimer::singleShot(0, window.get(), probe);
    openFiles({a});
    EXPECT_TRUE(progressShown);
    EXPECT_EQ(progressWindow->messageLabel->text(), "画像を読み込んでいます...");
    EXPECT_EQ(progressMax, 1000);
    EXPECT_FALSE(progressWindow->isVisible());
    EXPECT_FALSE(window->opening);
    ASSERT_EQ(window->bandRows.size(), 2u);
    EXPECT_EQ(rowLabel(0), "A : a.bil - 0");
    EXPECT_EQ(rowLabel(1), "B : a.bil - 1");
    EXPECT_TRUE(prompts.boxes.empty());  // the open dialog was not even shown
}

TEST_F(OpeningTest, SecondOpeningAppendsBandsOfTheSameSize) {
    openFiles({nativeScene("a.bil", 8, 6)});
    openFiles({nativeScene("b.bil", 8, 6, 2)});
    ASSERT_EQ(window->bandRows.size(), 3u);
    EXPECT_EQ(rowLabel(2), "C : b.bil - 1");
    EXPECT_EQ(window->scenes.size(), 2u);
}

}  // namespace

ORVENNA_GUI_TEST_MAIN()
