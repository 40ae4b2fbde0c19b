// Window tests on GDAL files written at test time: helpers that write small GeoTIFFs of any sample type with
// GDAL's own tools.
#pragma once

#include <QString>

#include <functional>
#include <string>
#include <vector>

#include "GuiTestSupport.h"
#include "tests/unit/gdal_test_files.h"

namespace widetest {

// Writes a one-band GeoTIFF of `type` ("UInt16", "Int16", "Float32" ...) with value(x, y) at `path`;
// `options` go to gdal_translate as well (no-data, georeferencing, tiling). False when GDAL failed.
inline bool writeGeoTiff(const guitest::TempDir& dir, const std::string& path, const std::string& type, int w,
                         int h, const std::function<double(int, int)>& value,
                         const std::string& options = "") {
    static int counter = 0;
    const std::string source = gdal_test::write_envi(dir.file("source" + std::to_string(counter++)), w, h, 1,
                                                     [&](int, int x, int y) { return value(x, y); });
    return gdal_test::translate(source, path, "-of GTiff -ot " + type + " " + options);
}

}  // namespace widetest
