// Damaged and hostile files opened the way the viewer opens them, without a window, each under a watchdog:
// pipes named like side files and sources, VRTs that point at themselves, devices or the network, TIFFs
// whose data is not in the file, a band count that would take gigabytes, a name that reads like a GDAL
// connection string, a block that decodes to more than the memory budget, metadata that cannot be right, and
// a band wider than a signed 32-bit pass can count.
// Each one opens or is refused with its reason; none blocks, and nothing connects anywhere.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>

#include "document/Document.h"
#include "tests/unit/gdal_test_files.h"
#include "tests/unit/remos_test_files.h"

using namespace orvenna;

namespace {

// Ends the program naming what it was doing when that takes longer than `seconds`: a hang is the failure,
// and the rest of the table would wait behind it.
class Watchdog {
public:
    Watchdog(std::string what, int seconds)
        : thread_([this, what, seconds] {
              std::unique_lock<std::mutex> lock(mutex_);
              if (!ended_.wait_for(lock, std::chrono::seconds(seconds), [this] { return done_; })) {
                  std::fprintf(stderr, "%s: no answer within %d s\n", what.c_str(), seconds);
                  std::_Exit(1);
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        ended_.notify_all();
        thread_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable ended_;
    bool done_ = false;
    std::thread thread_;
};

// A listening socket on the loopback: VRTs point at it, and the test checks nobody knocked.
class Listener {
public:
    Listener() {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&a), size) != 0 || listen(fd_, 4) != 0 ||
            getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &size) != 0)
            ADD_FAILURE() << "no loopback listener";
        url_ = "http://127.0.0.1:" + std::to_string(ntohs(a.sin_port)) + "/scene.tif";
    }
    ~Listener() { close(fd_); }
    const std::string& url() const { return url_; }
    bool knocked() const {
        const int c = accept(fd_, nullptr, nullptr);
        if (c >= 0) close(c);
        return c >= 0;
    }

private:
    int fd_ = -1;
    std::string url_;
};

struct Opened {
    std::vector<OpeningRefusal> refusals;
    std::vector<std::string> largeFileQuestions;
    std::string metadataIgnored;
    Document document;
};

class Answers : public OpeningQuestions {
public:
    explicit Answers(Opened* opened) : opened_(opened) {}
    bool countHistogramsOfLargeFile(const std::string& path) override {
        opened_->largeFileQuestions.push_back(path);
        return true;
    }
    bool refused(const OpeningRefusal& refusal) override {
        opened_->refusals.push_back(refusal);
        return true;
    }

private:
    Opened* opened_;
};

void open(const std::string& path, Opened* opened) {
    Answers answers(opened);
    OpeningControl control;
    OpeningResult result =
        OpenFiles({path}, opened->document.openingOptions(OpeningOptions::Histograms::All), answers, control);
    opened->metadataIgnored = result.metadataIgnored;
    opened->document.adopt(std::move(result));
}

class HostileFilesTest : public ::testing::Test {
protected:
    std::string file(const std::string& name) { return dir.file(name); }
    void text(const std::string& name, const std::string& content) { std::ofstream(file(name)) << content; }
    void fifo(const std::string& name) { ASSERT_EQ(mkfifo(file(name).c_str(), 0600), 0) << name; }
    // A GeoTIFF written by GDAL from a 64 x 48 ramp.
    void geotiff(const std::string& name, const std::string& options) {
        const std::string source = gdal_test::write_envi(file(name + ".src"), 64, 48, 1,
                                                         [](int, int x, int y) { return x + 2 * y; });
        ASSERT_TRUE(gdal_test::translate(source, file(name), options)) << name;
    }
    // Cuts a file to half its size.
    void cut(const std::string& name) {
        std::filesystem::resize_file(file(name), std::filesystem::file_size(file(name)) / 2);
    }
    // A VRT of one 8 x 8 Byte band read from `source` (a sub-class of band, or a source element).
    void vrt(const std::string& name, const std::string& source, bool raw = false) {
        const std::string band =
            raw ? "<VRTRasterBand dataType=\"Byte\" band=\"1\" "
                  "subClass=\"VRTRawRasterBand\"><SourceFilename>" +
                      source + "</SourceFilename></VRTRasterBand>"
                : "<VRTRasterBand dataType=\"Byte\" band=\"1\"><SimpleSource><SourceFilename>" + source +
                      "</SourceFilename><SourceBand>1</SourceBand></SimpleSource></VRTRasterBand>";
        text(name, "<VRTDataset rasterXSize=\"8\" rasterYSize=\"8\">" + band + "</VRTDataset>");
    }
    remos_test::TempDir dir;
};

TEST_F(HostileFilesTest, EachFileOpensOrIsRefusedWithItsReasonAndNothingBlocks) {
    Listener network;
    // A tiled GeoTIFF that GDAL reads, with pipes in the place of every side file GDAL looks for.
    std::filesystem::create_directories(file("side"));
    geotiff("side/scene.tif", "-ot UInt16 -co TILED=YES -co BLOCKXSIZE=16 -co BLOCKYSIZE=16");
    for (const char* side : {"scene.tfw", "scene.tifw", "scene.wld", "scene.prj", "scene.hdr",
                             "scene.tif.ovr", "scene.ovr", "scene.tif.msk", "scene.tif.aux.xml", "scene.aux",
                             "scene.imd", "scene.rpb", "scene_rpc.txt", "scene.tab", "scene.xml"})
        fifo(std::string("side/") + side);
    fifo("pipe.raw");
    vrt("raw_pipe.vrt", file("pipe.raw"), true);
    vrt("pipe_source.vrt", file("pipe.raw"));
    vrt("self.vrt", file("self.vrt"));
    vrt("device.vrt", "/dev/zero");
    vrt("url.vrt", network.url());
    vrt("vsicurl.vrt", "/vsicurl/" + network.url());
    vrt("virtual.vrt", "/vsimem/scene.tif");
    vrt("connection.vrt", "NETCDF:" + file("x.nc") + ":v");
    text("notes.txt", "not a raster\n");
    vrt("text_source.vrt", file("notes.txt"));
    // TIFFs cut short: one the built-in reader takes (8-bit strips), one only GDAL reads (DEFLATE tiles).
    geotiff("cut_strips.tif", "-ot Byte -co BLOCKYSIZE=4");
    cut("cut_strips.tif");
    geotiff("cut_tiles.tif",
            "-ot UInt16 -co TILED=YES -co BLOCKXSIZE=16 -co BLOCKYSIZE=16 -co COMPRESS=DEFLATE");
    cut("cut_tiles.tif");
    // 65535 bands of one pixel: under a megabyte of file, a list of gigabytes.
    std::string many = "<VRTDataset rasterXSize=\"1\" rasterYSize=\"1\">";
    for (int b = 1; b <= 65535; ++b)
        many += "<VRTRasterBand dataType=\"Byte\" band=\"" + std::to_string(b) + "\"/>";
    text("many.vrt", many + "</VRTDataset>");
    ASSERT_TRUE(gdal_test::translate(file("many.vrt"), file("bands65535.tif"), "-co INTERLEAVE=BAND"));
    // A strip that decodes to 573 MB in a file of a few hundred bytes (GDAL leaves the empty strips out).
    text("long.vrt",
         "<VRTDataset rasterXSize=\"600000000\" rasterYSize=\"2\">"
         "<VRTRasterBand dataType=\"Byte\" band=\"1\"/></VRTDataset>");
    ASSERT_TRUE(
        gdal_test::translate(file("long.vrt"), file("bomb.tif"), "-co SPARSE_OK=TRUE -co BLOCKYSIZE=1"));
    // A file whose name GDAL would take for a subdataset of x.nc, beside a real x.nc.
    geotiff("x.nc", "-of netCDF");
    text("NETCDF:x.nc:v", "not a raster either\n");
    // Corners off the globe beside a scene of the system's own format.
    std::filesystem::create_directories(file("meta"));
    remos_test::write_file(file("meta/scene.bil"), remos_test::native_file(8, 6, 1));
    text("meta/summary.txt",
         "Img_ImageSceneLeftTopLatitude = 95\nImg_ImageSceneLeftTopLongitude = 400\n"
         "Img_ImageSceneRightTopLatitude = 35\nImg_ImageSceneRightTopLongitude = 140\n"
         "Img_ImageSceneLeftBottomLatitude = 34\nImg_ImageSceneLeftBottomLongitude = 139\n"
         "Img_ImageSceneRightBottomLatitude = 34\nImg_ImageSceneRightBottomLongitude = 140\n");

    struct Case {
        const char* name;
        int bands;           // bands it opens with; 0: refused
        const char* reason;  // part of the refusal's reason, or of the hint about passed-over metadata
    } cases[] = {
        {"side/scene.tif", 1, ""},
        {"raw_pipe.vrt", 0, "VRTRawRasterBand"},
        {"pipe_source.vrt", 0, "名前付きパイプです"},
        {"self.vrt", 0, "自分自身を参照"},
        {"device.vrt", 0, "デバイス"},
        {"url.vrt", 0, "ネットワーク上のファイルは参照できません"},
        {"vsicurl.vrt", 0, "ネットワーク上のファイルは参照できません"},
        {"virtual.vrt", 0, "GDAL の仮想ファイルは参照できません"},
        {"connection.vrt", 0, "ファイルの名前ではありません"},
        {"text_source.vrt", 0, "not recognized"},  // GDAL's own reason
        {"cut_strips.tif", 0, "ファイルが途中で切れています"},
        {"cut_tiles.tif", 0, "ファイルが途中で切れています"},
        {"bands65535.tif", 0, "バンドが多すぎます (65535 バンド"},
        {"bomb.tif", 0, "ブロックが大きすぎます (573 MB、512 MB まで)"},
        {"NETCDF:x.nc:v", 0, "不明な衛星データ形式"},
        {"meta/scene.bil", 1, "緯度 95"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Watchdog watchdog(c.name, 60);
        Opened opened;
        open(file(c.name), &opened);
        EXPECT_EQ(opened.document.bandCount(), c.bands);
        if (c.bands == 0) {
            ASSERT_EQ(opened.refusals.size(), 1u);
            EXPECT_NE(opened.refusals[0].reason.find(c.reason), std::string::npos)
                << opened.refusals[0].reason;
        } else {
            EXPECT_TRUE(opened.refusals.empty());
            EXPECT_NE(opened.metadataIgnored.find(c.reason), std::string::npos) << opened.metadataIgnored;
            EXPECT_TRUE(opened.document.band(0).histogramMade);
        }
    }
    EXPECT_FALSE(network.knocked());
}

// One line of 2^31 - 1 pixels, past every signed 32-bit position of a pass: the large-file question is asked
// of what it decodes to (its file has a few hundred bytes), and the histogram counts every pixel, the last
// ones included.
TEST_F(HostileFilesTest, WideBandIsCountedToItsLastPixel) {
    text("wide.vrt",
         "<VRTDataset rasterXSize=\"2147483647\" rasterYSize=\"1\">"
         "<VRTRasterBand dataType=\"Byte\" band=\"1\"/></VRTDataset>");
    Watchdog watchdog("wide.vrt", 120);
    Opened opened;
    open(file("wide.vrt"), &opened);
    ASSERT_EQ(opened.document.bandCount(), 1);
    EXPECT_EQ(opened.largeFileQuestions.size(), 1u);
    const BandInfo* band = opened.document.band(0).info;
    EXPECT_EQ(band->histogram[0], 2147483647);  // a band without sources reads as zeros
    EXPECT_EQ(opened.document.valuesAt(2147483646, 0), std::vector<double>{0});
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
