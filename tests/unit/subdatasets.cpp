// Containers: the parts of a NetCDF file listed with their sizes and types, each opened by a name GDAL gave
// for that file only, and band labels that turn a time coordinate into its date.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scene/SceneHandle.h"
#include "scene/subdatasets.h"
#include "tests/unit/gdal_test_files.h"
#include "tests/unit/remos_test_files.h"

using namespace orvenna;

namespace {

struct Part {
    const char* name;
    int width, height, bands;
    const char* type;
    std::vector<std::string> labels;  // band_label of each band
    double first;                     // band 1's value at pixel (x 3, y 2): the file's y 1, as GDAL turns
                                      // a grid without y coordinates upside down
};

const std::vector<Part> kParts = {
    {"sst", 5, 4, 3, "Float32", {"1800-01-01", "1800-02-01", "2000-01-01 12:00"}, 13},
    {"t", 5, 4, 2, "Float32", {"lev=850", "lev=500"}, 500},
    {"depth", 5, 4, 1, "Int16", {""}, -13},
};

TEST(Subdatasets, ListedPartsOpenByTheirNamesWithTheirLabels) {
    remos_test::TempDir dir;
    const std::string nc = dir.file("x.nc");
    ASSERT_TRUE(gdal_test::write_netcdf_container(nc));
    const std::vector<SubdatasetInfo> list = list_subdatasets(nc);
    ASSERT_EQ(list.size(), kParts.size());
    EXPECT_EQ(subdataset_names(list), "sst, t, depth");
    for (size_t i = 0; i < kParts.size(); ++i) {
        const Part& p = kParts[i];
        SCOPED_TRACE(p.name);
        EXPECT_EQ(list[i].name, p.name);
        EXPECT_EQ(list[i].width, p.width);
        EXPECT_EQ(list[i].height, p.height);
        EXPECT_EQ(list[i].bands, p.bands);
        EXPECT_EQ(list[i].sample_type, p.type);
        // By its own name and by GDAL's alike.
        for (const std::string& wanted : {std::string(p.name), list[i].gdal_name}) {
            SceneHandle scene;
            const SceneResult opened = open_subdataset(&scene, nc, wanted);
            ASSERT_TRUE(opened.opened()) << opened.reason;
            EXPECT_TRUE(scene_is_subdataset(scene.get()));
            ASSERT_EQ(scene.band_count(), p.bands);
            EXPECT_EQ(scene.path(), nc);
            EXPECT_EQ(remos_read_sample(scene.band(0), 2 * 5 + 3), p.first);
            for (int b = 0; b < p.bands; ++b)
                EXPECT_EQ(band_label(scene.band(b)), p.labels[static_cast<size_t>(b)]) << b;
        }
    }
}

// Only a part GDAL lists for the very file opens: a name of another file's part, an unknown name, a plain
// file or a file named like a part is refused with the reason.
TEST(Subdatasets, NamesNotListedForTheFileAreRefused) {
    remos_test::TempDir dir;
    const std::string nc = dir.file("x.nc"), other = dir.file("y.nc");
    ASSERT_TRUE(gdal_test::write_netcdf_container(nc));
    ASSERT_TRUE(gdal_test::write_netcdf_container(other));
    const std::string tif = dir.file("plain.tif");
    ASSERT_TRUE(gdal_test::translate(
        gdal_test::write_envi(dir.file("e"), 4, 3, 1, [](int, int x, int) { return x; }), tif, "-ot Byte"));
    const std::string otherPart = list_subdatasets(other).at(0).gdal_name;
    const struct {
        std::string path, wanted, reason;
    } cases[] = {
        {nc, otherPart, "サブデータセット \"" + otherPart + "\" はありません (sst, t, depth)"},
        {nc, "salinity", "サブデータセット \"salinity\" はありません (sst, t, depth)"},
        {tif, "sst", "サブデータセットを持つファイルではありません"},
        {"NETCDF:\"" + nc + "\":sst", "sst", "サブデータセットを持つファイルではありません"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.wanted);
        SceneHandle scene;
        const SceneResult opened = open_subdataset(&scene, c.path, c.wanted);
        EXPECT_FALSE(opened.opened());
        EXPECT_EQ(opened.reason, c.reason);
        EXPECT_EQ(scene.band_count(), 0);
    }
    EXPECT_TRUE(list_subdatasets(tif).empty());
}

}  // namespace
