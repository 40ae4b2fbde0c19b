// Helpers shared by the window tests: a QApplication main, a temporary folder, native scene files written by
// the test itself, and a fixture that builds the main window with scripted prompts.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QString>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/MainWindow.h"
#include "platform/Application.h"
#include "platform/Prompts.h"
#include "scene/remos.h"

namespace guitest {

// A fresh folder under the system's temporary folder, removed with its contents.
class TempDir {
public:
    TempDir() {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path() /
                ("orvenna-gui-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

using PixelFn = std::function<uint8_t(int band, int x, int y)>;

// Writes a "VELDAMOR" native file: 512-byte header, then per line one record of `width` bytes per band.
inline void writeNativeScene(const std::string& path, int width, int height, int bands,
                             const PixelFn& value) {
    std::vector<unsigned char> header(512, 0);
    std::copy_n("VELDAMOR", 8, header.begin());
    header[12] = static_cast<unsigned char>(width >> 8);
    header[13] = static_cast<unsigned char>(width & 0xFF);
    header[14] = static_cast<unsigned char>(height >> 8);
    header[15] = static_cast<unsigned char>(height & 0xFF);
    header[86] = static_cast<unsigned char>(bands >> 8);
    header[87] = static_cast<unsigned char>(bands & 0xFF);
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(header.data(), 1, header.size(), f);
    std::vector<unsigned char> record(static_cast<size_t>(width));
    for (int y = 0; y < height; ++y) {
        for (int b = 0; b < bands; ++b) {
            for (int x = 0; x < width; ++x)
                record[static_cast<size_t>(x)] = value(b, x, y);
            std::fwrite(record.data(), 1, record.size(), f);
        }
    }
    std::fclose(f);
}

// Builds the main window with scripted prompts installed; opens scenes the way the opening workflow does
// (scene into scenes, one row per band appended and refreshed).
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Prompts::install(&prompts);
        window = std::make_unique<MainWindow>();
        mainWindow = window.get();
    }
    void TearDown() override {
        window.reset();
        mainWindow = nullptr;
        Prompts::install(nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Opens `path` and lists all its bands; returns the scene (owned by the window).
    SceneFile* openScene(const std::string& path, bool histogram = true) {
        auto scene = std::make_unique<SceneFile>();
        *scene = SceneFile{};
        if (remos_open(scene.get(), path.c_str(), FMT_DETECT) != REMOS_OK) {
            ADD_FAILURE() << "cannot open " << path;
            return nullptr;
        }
        SceneFile* raw = scene.get();
        window->scenes.push_back(std::move(scene));
        const QString name = QString::fromStdString(std::filesystem::path(path).filename().string());
        for (uint32_t i = 0; i < raw->band_count; ++i) {
            BandInfo* band = &raw->bands[i];
            if (histogram) remos_make_histogram(band);
            BandRow* row = window->addBandRow(band, name, static_cast<int>(window->bandRows.size()));
            row->histogramValid = histogram;
            window->bandRows.emplace_back(row);
            window->refreshBandRow(row);
        }
        window->imageWidth = raw->width;
        window->imageHeight = static_cast<int>(raw->height);
        window->imageLoaded = true;
        return raw;
    }

    BandRow* bandRow(size_t i) { return window->bandRows.at(i).get(); }

    ScriptedPrompts prompts;
    std::unique_ptr<MainWindow> window;
    TempDir dir;
};

}  // namespace guitest

// Each GUI test program brings this main: the application object first, then the tests.
// Without any display (test discovery runs the program bare) the offscreen platform is used.
#define ORVENNA_GUI_TEST_MAIN()                                                                         \
    int main(int argc, char** argv) {                                                                   \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") && \
            qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))                                             \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                                    \
        Application app(argc, argv);                                                                    \
        ::testing::InitGoogleTest(&argc, argv);                                                         \
        return RUN_ALL_TESTS();                                                                         \
    }
