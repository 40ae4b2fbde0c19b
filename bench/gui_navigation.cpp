// Cost of one pointer event during the gestures of a 1000 x 700 view: a left-button pan (snapshot shifted,
// navigator, crosshair, position, longitude/latitude and three band values) and a slider drag that changes
// the step on every event (the snapshot stretched about the centre). The handler alone, and the handler
// with the view's repaint. Then a wheel notch over the view with the thermography preset in the expressions
// (the step changed about the pointer and the whole redraw), and a plain pointer move with the pixel value
// window shown, with and without its band value plot. Runs on the offscreen platform unless a display is
// given.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/MainWindow.h"
#include "dialogs/BandValuePlotView.h"
#include "dialogs/PixelValueWindow.h"
#include "display/PresetTexts.h"
#include "display/StepSlider.h"
#include "platform/Application.h"
#include "platform/ImageControl.h"

namespace {

MainWindow* benchWindow = nullptr;

void sendMouse(QWidget* w, QEvent::Type type, int x, int y, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(x, y), w->mapToGlobal(QPointF(x, y)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

// A 3-band 2000 x 2000 scene in the native format.
std::string writeScene() {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("orvenna-bench-" + std::to_string(getpid()) + ".bil"))
            .string();
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
    QWidget* view = benchWindow->view;
    sendMouse(view, QEvent::MouseButtonPress, 500, 350, Qt::LeftButton, Qt::LeftButton);
    int i = 0;
    for (auto _ : state) {
        const int d = (i++ % 200) - 100;
        sendMouse(view, QEvent::MouseMove, 500 + d, 350 + d / 2, Qt::NoButton, Qt::LeftButton);
        if (repaint) view->repaint();
    }
    sendMouse(view, QEvent::MouseButtonRelease, 500, 350, Qt::LeftButton, Qt::NoButton);
    state.counters["view"] = benchWindow->view->picture.width() * 10000 + benchWindow->view->picture.height();
}

void SliderDrag(benchmark::State& state) {
    const bool repaint = state.range(0) != 0;
    QWidget* slider = benchWindow->zoomSlider;
    const int hz = slider->height();
    const int y4 = orvenna::slider_tick_y(hz, 4), y6 = orvenna::slider_tick_y(hz, 6);
    sendMouse(slider, QEvent::MouseButtonPress, 20, y4, Qt::LeftButton, Qt::LeftButton);
    int i = 0;
    for (auto _ : state) {
        // Every event crosses to another step: each one draws a preview.
        sendMouse(slider, QEvent::MouseMove, 20, (i++ & 1) ? y4 : y6, Qt::NoButton, Qt::LeftButton);
        if (repaint) {
            slider->repaint();
            benchWindow->view->repaint();
        }
    }
    benchWindow->autoUpdate = false;  // the release's redraw is not part of the figure
    sendMouse(slider, QEvent::MouseButtonRelease, 20, y4, Qt::LeftButton, Qt::NoButton);
    benchWindow->autoUpdate = true;
}

void WheelStep(benchmark::State& state) {
    const orvenna::PresetChannelTexts preset = orvenna::ThermographyTexts("a");
    benchWindow->setChannelExpressions(QString::fromStdString(preset.red),
                                       QString::fromStdString(preset.green),
                                       QString::fromStdString(preset.blue));
    QWidget* view = benchWindow->view;
    int i = 0;
    for (auto _ : state) {
        // In and out in turn, so that the step stays between 4 and 5 and the scene fills the view.
        const QPoint angle(0, (i++ & 1) ? -120 : 120);
        QWheelEvent e(QPointF(400, 300), view->mapToGlobal(QPointF(400, 300)), QPoint(), angle, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(view, &e);
    }
    benchWindow->setChannelExpressions("a", "b", "c");
    benchWindow->zoomStep = 5;
    benchWindow->horizontalScrollBar->setValue(1000);
    benchWindow->verticalScrollBar->setValue(1000);
}

void PointerMove(benchmark::State& state) {
    const bool plot = state.range(0) != 0;
    pixelValueWindow->show();
    pixelValueWindow->bandValuePlot->setVisible(plot);  // a hidden plot is not filled
    int i = 0;
    for (auto _ : state) {
        const int d = i++ % 200;
        benchWindow->showPointerReadout(300 + d, 200 + d);
        pixelValueWindow->repaint();
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
    mainWindow = &window;
    pixelValueWindow = new PixelValueWindow(&window);
    window.show();
    QCoreApplication::processEvents();
    // Size the window so that the view is 1000 x 700.
    window.resize(window.width() + 1000 - window.view->width(),
                  window.height() + 700 - window.view->height());
    QCoreApplication::processEvents();
    const std::string scene = writeScene();
    window.openDroppedFiles(QList<QByteArray>{QByteArray::fromStdString(scene)});
    window.geoValid = true;  // the pan overlay's longitude/latitude line as well
    window.ulLat = 36, window.urLat = 36, window.llLat = 35, window.lrLat = 35;
    window.ulLon = 139, window.llLon = 139, window.urLon = 140, window.lrLon = 140;
    window.horizontalScrollBar->setValue(1000);
    window.verticalScrollBar->setValue(1000);
    window.onRedrawClicked();
    std::printf("view %d x %d, %zu bands\n", window.view->picture.width(), window.view->picture.height(),
                window.bandRows.size());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    window.releaseAll();
    std::filesystem::remove(scene);
    return 0;
}
