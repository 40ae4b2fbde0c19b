// Scenes on a server, opened by URL through the window's opener from a small local HTTP server with byte
// ranges: the same bands, size, georeferencing and reduced picture as the local file, a small share of the
// file's bytes read, and a clear refusal for a missing file, a server that never answers, a format the
// viewer does not take from a server, and a GDAL name typed as a path.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <arpa/inet.h>
#include <cpl_conv.h>
#include <gdal.h>
#include <netinet/in.h>
#include <ogr_srs_api.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "document/Document.h"
#include "tests/support/document_opening.h"
#include "tests/support/range_server.h"

using namespace orvenna;
namespace fs = std::filesystem;

namespace {

constexpr int kSize = 4096;  // pixels a side: overviews of 2048 .. 256

// A tiled DEFLATE UInt16 COG (overviews included) in UTM 32N: a gradient with noise, so that the bytes
// served follow the pixels read.
bool WriteCog(const std::string& path) {
    GDALAllRegister();
    GDALDatasetH source = GDALCreate(GDALGetDriverByName("MEM"), "", kSize, kSize, 1, GDT_UInt16, nullptr);
    double transform[6] = {500000, 30, 0, 5000000, 0, -30};
    GDALSetGeoTransform(source, transform);
    OGRSpatialReferenceH utm = OSRNewSpatialReference(nullptr);
    OSRImportFromEPSG(utm, 32632);
    GDALSetSpatialRef(source, utm);
    OSRDestroySpatialReference(utm);
    std::vector<uint16_t> row(kSize);
    uint32_t seed = 12345;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            seed = seed * 1664525u + 1013904223u;
            row[static_cast<size_t>(x)] = static_cast<uint16_t>(4 * (x + y) + (seed >> 22));
        }
        if (GDALRasterIO(GDALGetRasterBand(source, 1), GF_Write, 0, y, kSize, 1, row.data(), kSize, 1,
                         GDT_UInt16, 0, 0) != CE_None)
            return false;
    }
    const char* options[] = {"COMPRESS=DEFLATE", "BLOCKSIZE=256", nullptr};
    GDALDatasetH cog = GDALCreateCopy(GDALGetDriverByName("COG"), path.c_str(), source, FALSE,
                                      const_cast<char**>(options), nullptr, nullptr);
    GDALClose(source);
    if (!cog) return false;
    GDALClose(cog);
    return true;
}

class RemoteScenesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new fs::path(fs::path(ORVENNA_BINARY_DIR) / ("remote-scenes-" + std::to_string(getpid())));
        fs::create_directories(*folder_);
        ASSERT_TRUE(WriteCog((*folder_ / "scene.tif").string()));
        std::ofstream(*folder_ / "notes.txt") << "not a raster\n";
        // A VRT on the server would lead GDAL to files on this machine: it is not opened from a server.
        std::ofstream(*folder_ / "local.vrt")
            << "<VRTDataset rasterXSize=\"1\" rasterYSize=\"1\"><VRTRasterBand dataType=\"UInt16\" "
               "band=\"1\">"
               "<SimpleSource><SourceFilename>"
            << (*folder_ / "scene.tif").string()
            << "</SourceFilename></SimpleSource></VRTRasterBand></VRTDataset>";
        server_ = new rangeserver::RangeServer(*folder_);
        ASSERT_TRUE(server_->running());
    }
    static void TearDownTestSuite() {
        delete server_;
        fs::remove_all(*folder_);
        delete folder_;
    }
    static std::string Local() { return (*folder_ / "scene.tif").string(); }
    static fs::path* folder_;
    static rangeserver::RangeServer* server_;
};

fs::path* RemoteScenesTest::folder_ = nullptr;
rangeserver::RangeServer* RemoteScenesTest::server_ = nullptr;

// The whole scene read at a reduced step, as the first picture of a large scene is.
std::vector<uint16_t> ReducedScene(const Document& document, int step) {
    std::vector<uint16_t> values;
    std::vector<uint16_t> row(static_cast<size_t>(kSize / step));
    for (int y = 0; y < kSize; y += step) {
        const int n =
            remos_read_row_stored_reduced(document.band(0).info, row.data(), y, 0, kSize / step, step);
        values.insert(values.end(), row.begin(), row.begin() + n);
    }
    return values;
}

TEST_F(RemoteScenesTest, UrlOpensLikeItsLocalFileAndReadsASmallShareOfIt) {
    Document local;
    ASSERT_TRUE(doctest::OpenInto(local, {Local()}).empty());
    const long long before = server_->served();
    Document remote;
    const auto refusals = doctest::OpenInto(remote, {server_->url("scene.tif?token=abc")});
    ASSERT_TRUE(refusals.empty()) << refusals[0].words();
    const std::vector<uint16_t> picture = ReducedScene(remote, 16);
    const long long served = server_->served() - before;

    EXPECT_EQ(remote.band(0).fileName, "scene.tif");
    ASSERT_EQ(remote.bandCount(), local.bandCount());
    EXPECT_EQ(remote.width(), local.width());
    EXPECT_EQ(remote.height(), local.height());
    EXPECT_EQ(remote.band(0).info->sample_type, REMOS_SAMPLE_U16);
    ASSERT_TRUE(remote.georeferencedScene());
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{{0, 0}, {kSize - 1, 0}, {1234, 3210}}) {
        double lat[2], lon[2];
        ASSERT_TRUE(local.geoAt(x, y, &lat[0], &lon[0]));
        ASSERT_TRUE(remote.geoAt(x, y, &lat[1], &lon[1]));
        EXPECT_DOUBLE_EQ(lat[0], lat[1]);
        EXPECT_DOUBLE_EQ(lon[0], lon[1]);
    }
    EXPECT_EQ(picture, ReducedScene(local, 16));
    EXPECT_EQ(remote.valuesAt(1234, 3210), local.valuesAt(1234, 3210));
    // The opening (histograms over an overview) and the reduced picture: well under a tenth of the file.
    const long long size = static_cast<long long>(fs::file_size(Local()));
    EXPECT_GT(served, 0);
    EXPECT_LT(served, size / 10) << served << " of " << size << " bytes";
    // The histogram counted over an overview still gives the band its opening range inside its values.
    EXPECT_LT(remote.band(0).info->display_low, remote.band(0).info->display_high);
    EXPECT_GE(remote.band(0).info->display_low, local.band(0).info->value_min);
}

TEST_F(RemoteScenesTest, WhatCannotBeReadIsRefusedWithItsReasonInTime) {
    rangeserver::SilentServer silent;
    using Kind = OpeningRefusal::Kind;
    const struct {
        std::string url;
        Kind kind;
        std::string words;
    } cases[] = {
        {server_->url("missing.tif"), Kind::CannotOpen, "HTTP 404"},
        {silent.url("scene.tif"), Kind::CannotOpen, "応答しません"},
        {server_->url("notes.txt"), Kind::Unrecognised, "不明な衛星データ形式"},
        {server_->url("local.vrt"), Kind::Unrecognised, "不明な衛星データ形式"},
        // A GDAL name typed by the user is a local path like any other.
        {"/vsicurl/" + server_->url("scene.tif"), Kind::CannotOpen, "を開けません"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        const auto start = std::chrono::steady_clock::now();
        Document document;
        const auto refusals = doctest::OpenInto(document, {c.url});
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
        EXPECT_FALSE(document.hasBands());
        ASSERT_EQ(refusals.size(), 1u);
        EXPECT_EQ(refusals[0].kind, c.kind);
        EXPECT_NE(refusals[0].words().find(c.words), std::string::npos) << refusals[0].words();
    }
}

// The window's 中止 during an opening that waits on a server: the opening is told it may be stopped, and a
// stop ends it without a refusal.
TEST_F(RemoteScenesTest, OpeningThatWaitsOnAServerCanBeStopped) {
    rangeserver::SilentServer silent;
    struct StoppingQuestions : doctest::CollectingQuestions {
        OpeningControl* control = nullptr;
        int stoppable = 0;
        void histogramPass(bool running) override {
            if (!running) return;
            ++stoppable;
            control->stopPass = true;
        }
    } questions;
    OpeningControl control;
    questions.control = &control;
    const OpeningResult result = OpenFiles({silent.url("scene.tif")}, OpeningOptions{}, questions, control);
    EXPECT_EQ(questions.stoppable, 1);
    EXPECT_FALSE(result.finished);
    EXPECT_TRUE(result.opened.empty());
    EXPECT_TRUE(questions.refusals.empty());
}

}  // namespace

int main(int argc, char** argv) {
    // A server that never answers is given up after 2 s here, not the viewer's 30 s.
    setenv("GDAL_HTTP_TIMEOUT", "2", 1);
    setenv("GDAL_HTTP_CONNECTTIMEOUT", "2", 1);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
