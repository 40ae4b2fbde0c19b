// Cost of one pointer event during the gestures of a 1000 x 700 view: a left-button pan (snapshot shifted,
// navigator, crosshair, position, longitude/latitude and three band values) and a slider drag that changes
// the step on every event (the snapshot stretched about the centre). The handler alone, and the handler
// with the view's repaint. Then a wheel notch over the view with the thermography preset in the expressions
// (the step changed about the pointer and the whole redraw, waited for), and a plain pointer move with the
// pixel value window shown, with and without its band value plot. Runs on the offscreen platform unless a
// display is given.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWheelEvent>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/MainWindow.h"
#include "bench/gui_bench_support.h"
#include "dialogs/BandValuePlotView.h"
#include "dialogs/PixelValueWindow.h"
#include "display/PresetTexts.h"
#include "display/StepSlider.h"
#include "document/Document.h"
#include "platform/Application.h"
#include "platform/ImageControl.h"

namespace {

MainWindow* benchWindow = nullptr;
ImageControl* view = nullptr;  // the window's picture, found by its name

void sendMouse(QWidget* w, QEvent::Type type, int x, int y, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(x, y), w->mapToGlobal(QPointF(x, y)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

// A 3-band 2000 x 2000 scene in the native format in `folder`, with the corners of 139..140 east and 35..36
// north in its summary (the pan overlay's longitude/latitude line as well).
std::string writeScene(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "summary.txt")
        << "Img_ImageSceneLeftTopLatitude = 36\nImg_ImageSceneLeftTopLongitude = 139\n"
           "Img_ImageSceneRightTopLatitude = 36\nImg_ImageSceneRightTopLongitude = 140\n"
           "Img_ImageSceneLeftBottomLatitude = 35\nImg_ImageSceneLeftBottomLongitude = 139\n"
           "Img_ImageSceneRightBottomLatitude = 35\nImg_ImageSceneRightBottomLongitude = 140\n";
    const std::string path = (folder / "scene.bil").string();
    const int w = 2000, h = 2000, bands = 3;
    std::vector<unsigned char> header(512, 0);
    std::copy_n("VELDAMOR", 8, header.begin());
    header[12] = w >> 8, header[13] = w & 0xFF, header[14] = h >> 8, header[15] = h & 0xFF;
    header[87] = bands;
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(header.data(), 1, header.size(), f);
    std::vector<unsigned char> line(w);
    for (int y = 0; y < h; ++y)
        for (int b = 0; b < bands; ++b) {
            for (int x = 0; x < w; ++x)
                line[x] = static_cast<unsigned char>(x * (b + 1) + y);
            std::fwrite(line.data(), 1, line.size(), f);
        }
    std::fclose(f);
    return path;
}

void PanMove(benchmark::State& state) {
    const bool repaint = state.range(0) != 0;
    sendMouse(view, QEvent::MouseButtonPress, 500, 350, Qt::LeftButton, Qt::LeftButton);
    int i = 0;
    for (auto _ : state) {
        const int d = (i++ % 200) - 100;
        sendMouse(view, QEvent::MouseMove, 500 + d, 350 + d / 2, Qt::NoButton, Qt::LeftButton);
        if (repaint) view->repaint();
    }
    sendMouse(view, QEvent::MouseButtonRelease, 500, 350, Qt::LeftButton, Qt::NoButton);
    waitForJobs(benchWindow);  // the release's redraw is not part of the figure
    state.counters["view"] = view->picture.width() * 10000 + view->picture.height();
}

void SliderDrag(benchmark::State& state) {
    const bool repaint = state.range(0) != 0;
    QWidget* slider = benchWindow->findChild<ImageControl*>(QStringLiteral("zoomSlider"));
    const int hz = slider->height();
    const int y4 = orvenna::slider_tick_y(hz, 4), y6 = orvenna::slider_tick_y(hz, 6);
    sendMouse(slider, QEvent::MouseButtonPress, 20, y4, Qt::LeftButton, Qt::LeftButton);
    int i = 0;
    for (auto _ : state) {
        // Every event crosses to another step: each one draws a preview.
        sendMouse(slider, QEvent::MouseMove, 20, (i++ & 1) ? y4 : y6, Qt::NoButton, Qt::LeftButton);
        if (repaint) {
            slider->repaint();
            view->repaint();
        }
    }
    sendMouse(slider, QEvent::MouseButtonRelease, 20, y4, Qt::LeftButton, Qt::NoButton);
    waitForJobs(benchWindow);  // the release's redraw is not part of the figure
}

void WheelStep(benchmark::State& state) {
    const orvenna::PresetChannelTexts preset = orvenna::ThermographyTexts("a");
    benchWindow->document().setExpressions(preset.red, preset.green, preset.blue);
    int i = 0;
    for (auto _ : state) {
        // In and out in turn, so that the step stays between 4 and 5 and the scene fills the view.
        const QPoint angle(0, (i++ & 1) ? -120 : 120);
        QWheelEvent e(QPointF(400, 300), view->mapToGlobal(QPointF(400, 300)), QPoint(), angle, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(view, &e);
        waitForJobs(benchWindow);
    }
    benchWindow->document().setExpressions("a", "b", "c");
    benchWindow->setZoomStep(5);
    benchWindow->setScrollPosition(1000, 1000);
}

void PointerMove(benchmark::State& state) {
    const bool plot = state.range(0) != 0;
    PixelValueWindow* values = benchWindow->pixelValueWindow();
    values->show();
    values->bandValuePlot->setVisible(plot);  // a hidden plot is not filled
    int i = 0;
    for (auto _ : state) {
        const int d = i++ % 200;
        sendMouse(view, QEvent::MouseMove, 300 + d, 200 + d, Qt::NoButton, Qt::NoButton);
        values->repaint();
    }
}

BENCHMARK(WheelStep)->Unit(benchmark::kMillisecond);
BENCHMARK(PointerMove)->Arg(0)->Arg(1)->ArgName("plot")->Unit(benchmark::kMicrosecond);
BENCHMARK(PanMove)->Arg(0)->Arg(1)->ArgName("repaint")->Unit(benchmark::kMicrosecond);
BENCHMARK(SliderDrag)->Arg(0)->Arg(1)->ArgName("repaint")->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Application app(argc, argv);
    MainWindow window;
    benchWindow = &window;
    view = window.findChild<ImageControl*>(QStringLiteral("view"));
    window.show();
    QCoreApplication::processEvents();
    // Size the window so that the view is 1000 x 700.
    window.resize(window.width() + 1000 - view->width(), window.height() + 700 - view->height());
    QCoreApplication::processEvents();
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("orvenna-bench-" + std::to_string(getpid()));
    window.openFiles(QList<QByteArray>{QByteArray::fromStdString(writeScene(folder))});
    waitForJobs(benchWindow);
    window.setScrollPosition(1000, 1000);
    window.redraw();
    waitForJobs(benchWindow);
    std::printf("view %d x %d, %d bands, geography %s\n", view->picture.width(), view->picture.height(),
                window.document().bandCount(), window.document().geographyKnown() ? "known" : "unknown");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    window.document().closeAll();
    std::filesystem::remove_all(folder);
    return 0;
}
