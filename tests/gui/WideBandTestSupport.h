// Window tests on GDAL files written at test time: a fixture that opens files the way the user does (the
// opening workflow with its histograms, ranges and metadata) and helpers that write small GeoTIFFs of any
// sample type with GDAL's own tools.
#pragma once

#include <QString>

#include <functional>
#include <string>
#include <vector>

#include "GuiTestSupport.h"
#include "dialogs/ProgressWindow.h"
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

class OpeningWindowTest : public guitest::MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        progressWindow = new ProgressWindow(window.get());
    }
    void TearDown() override {
        progressWindow = nullptr;  // a child of the main window
        MainWindowTest::TearDown();
    }
    void openFiles(const std::vector<std::string>& paths) {
        window->filesToOpen.clear();
        for (const auto& p : paths)
            window->filesToOpen << QByteArray::fromStdString(p);
        window->openFiles();
    }
};

}  // namespace widetest
