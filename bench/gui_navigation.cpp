// Cost of one pointer event during the gestures of a 1000 x 700 view: a left-button pan (snapshot shifted,
// navigator, crosshair, position, longitude/latitude and three band values) and a slider drag that changes
// the step on every event (the snapshot stretched about the centre). The handler alone, and the handler
// with the view's repaint. Runs on the offscreen platform unless a display is given.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QMouseEvent>
#include <QScrollBar>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/MainWindow.h"
#include "display/StepSlider.h"
#include "platform/Application.h"
#include "platform/ImageControl.h"

namespace {

MainWindow* g_form = nullptr;

void Send(QWidget* w, QEvent::Type type, int x, int y, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(x, y), w->mapToGlobal(QPointF(x, y)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

// A 3-band 2000 x 2000 scene in the native format.
std::string WriteScene() {
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
    QWidget* view = g_form->view;
    Send(view, QEvent::MouseButtonPress, 500, 350, Qt::LeftButton, Qt::LeftButton);
    int i = 0;
    for (auto _ : state) {
        const int d = (i++ % 200) - 100;
        Send(view, QEvent::MouseMove, 500 + d, 350 + d / 2, Qt::NoButton, Qt::LeftButton);
        if (repaint) view->repaint();
    }
    Send(view, QEvent::MouseButtonRelease, 500, 350, Qt::LeftButton, Qt::NoButton);
    state.counters["view"] = g_form->view->picture.width() * 10000 + g_form->view->picture.height();
}

void SliderDrag(benchmark::State& state) {
    const bool repaint = state.range(0) != 0;
    QWidget* slider = g_form->zoomSlider;
    const int hz = slider->height();
    const int y4 = orvenna::slider_tick_y(hz, 4), y6 = orvenna::slider_tick_y(hz, 6);
    Send(slider, QEvent::MouseButtonPress, 20, y4, Qt::LeftButton, Qt::LeftButton);
    int i = 0;
    for (auto _ : state) {
        // Every event crosses to another step: each one draws a preview.
        Send(slider, QEvent::MouseMove, 20, (i++ & 1) ? y4 : y6, Qt::NoButton, Qt::LeftButton);
        if (repaint) {
            slider->repaint();
            g_form->view->repaint();
        }
    }
    g_form->autoUpdate = false;  // the release's redraw is not part of the figure
    Send(slider, QEvent::MouseButtonRelease, 20, y4, Qt::LeftButton, Qt::NoButton);
    g_form->autoUpdate = true;
}

BENCHMARK(PanMove)->Arg(0)->Arg(1)->ArgName("repaint")->Unit(benchmark::kMicrosecond);
BENCHMARK(SliderDrag)->Arg(0)->Arg(1)->ArgName("repaint")->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Application app(argc, argv);
    MainWindow form;
    g_form = &form;
    mainWindow = &form;
    form.show();
    QCoreApplication::processEvents();
    // Size the window so that the view is 1000 x 700.
    form.resize(form.width() + 1000 - form.view->width(), form.height() + 700 - form.view->height());
    QCoreApplication::processEvents();
    const std::string scene = WriteScene();
    form.openDroppedFiles(QList<QByteArray>{QByteArray::fromStdString(scene)});
    form.geoValid = true;  // the pan overlay's longitude/latitude line as well
    form.ulLat = 36, form.urLat = 36, form.llLat = 35, form.lrLat = 35;
    form.ulLon = 139, form.llLon = 139, form.urLon = 140, form.lrLon = 140;
    form.horizontalScrollBar->setValue(1000);
    form.verticalScrollBar->setValue(1000);
    form.onRedrawClicked();
    std::printf("view %d x %d, %zu bands\n", form.view->picture.width(), form.view->picture.height(),
                form.bandRows.size());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    form.releaseAll();
    std::filesystem::remove(scene);
    return 0;
}
