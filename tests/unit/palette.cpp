// Bands of palette indices: three records, red, green and blue, that read each index as its colour, marked
// with their colours; the readout's class names from the file's attribute table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scene/SceneHandle.h"
#include "scene/band_colour.h"
#include "scene/subdatasets.h"
#include "tests/unit/gdal_test_files.h"
#include "tests/unit/remos_test_files.h"

using namespace orvenna;

namespace {

TEST(Palette, IndicesReadAsTheirColoursAndNameTheirClasses) {
    remos_test::TempDir dir;
    const struct {
        const char* file;
        const char* driver;
        bool names;
    } cases[] = {{"lc.img", "HFA", true}, {"lc.tif", "GTiff", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = dir.file(c.file);
        ASSERT_TRUE(gdal_test::write_palette_file(path, c.driver, c.names));
        SceneHandle scene;
        ASSERT_TRUE(scene.open(path).opened());
        ASSERT_EQ(scene.band_count(), 3);
        const BandInfo* records[3] = {scene.band(0), scene.band(1), scene.band(2)};
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(band_colour_role(records[k]), BAND_COLOUR_RED + k);
            EXPECT_EQ(band_label(records[k]), std::string(1, "RGB"[k]));
        }
        for (int y = 0; y < 4; ++y) {
            // Runs, reduced runs, samples and the histogram all see colours.
            unsigned char row[3][6], reduced[3][3];
            for (int k = 0; k < 3; ++k) {
                remos_read_row(scene.band(k), row[k], y, 0, 6);
                EXPECT_EQ(remos_read_row_reduced(scene.band(k), reduced[k], y, 0, 3, 2), 3);
            }
            for (int x = 0; x < 6; ++x) {
                const int index = (x + y) % 3;
                double values[3];
                for (int k = 0; k < 3; ++k) {
                    EXPECT_EQ(row[k][x], gdal_test::kPalette[index][k]) << x << "," << y;
                    if (x % 2 == 0) {
                        EXPECT_EQ(reduced[k][x / 2], gdal_test::kPalette[index][k]);
                    }
                    values[k] = remos_read_sample(scene.band(k), y * 6 + x);
                    EXPECT_EQ(values[k], gdal_test::kPalette[index][k]);
                }
                EXPECT_EQ(band_class_name(records, values, 3, x % 3),
                          c.names ? gdal_test::kClassNames[index] : "");
            }
        }
        ASSERT_EQ(remos_make_histogram(scene.band(1)), 1);
        EXPECT_EQ(scene.band(1)->histogram[100], 8);  // forest's green, 8 of the 24 pixels
    }
}

}  // namespace
