// Time from the start of an opening to the end of its first complete redraw, for the demo set (four CEOS
// bands) and for one large 8-bit band, with histograms on and off. The files are read once before timing so
// they sit in the page cache. Runs on the offscreen platform unless a display is given.
//   bench_gui_open [large-band-path]   (default: a 16000 x 16000 band written to the temp folder)
#include <benchmark/benchmark.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QToolButton>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/MainWindow.h"
#include "bench/gui_bench_support.h"
#include "platform/Application.h"
#include "platform/ImageControl.h"
#include "platform/Prompts.h"
#include "tools/samples/sample_scenes.h"

namespace {

MainWindow* benchWindow = nullptr;
QStringList demoFiles;
QString largeFiles;

void warmPageCache(const QStringList& files) {
    std::vector<char> buf(1 << 20);
    for (const QString& f : files) {
        std::ifstream in(f.toStdString(), std::ios::binary);
        while (in.read(buf.data(), static_cast<std::streamsize>(buf.size())) || in.gcount() > 0) {
        }
    }
}

void measureOpening(benchmark::State& state, const QStringList& files) {
    const bool histograms = state.range(0) != 0;
    benchWindow->findChild<QCheckBox*>(QStringLiteral("histogramOnOpenCheckBox"))->setChecked(histograms);
    warmPageCache(files);
    ScriptedPrompts prompts;
    ScopedPrompts scope(&prompts);
    for (auto _ : state) {
        prompts.yesNoAnswers.assign(files.size(), true);  // make histograms of files over 100 MB
        QList<QByteArray> paths;
        for (const QString& f : files)
            paths << QFile::encodeName(f);
        benchWindow->openFiles(paths);  // ends with the first complete redraw
        waitForJobs(benchWindow);
        state.PauseTiming();
        benchWindow->findChild<QToolButton*>(QStringLiteral("closeAllButton"))->click();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}

void OpenDemo(benchmark::State& state) {
    measureOpening(state, demoFiles);
}
void OpenLarge(benchmark::State& state) {
    measureOpening(state, {largeFiles});
}

BENCHMARK(OpenDemo)->Arg(1)->Arg(0)->ArgName("histograms")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(OpenLarge)->Arg(1)->Arg(0)->ArgName("histograms")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Application app(argc, argv);
    MainWindow window;
    benchWindow = &window;
    const QWidget* view = window.findChild<ImageControl*>(QStringLiteral("view"));
    window.show();
    window.resize(window.width() + 1000 - view->width(), window.height() + 700 - view->height());
    QCoreApplication::processEvents();

    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("orvenna-bench-open-" + std::to_string(getpid()));
    std::string error;
    if (!samples::write_sample_scenes(dir.string(), &error)) {
        std::fprintf(stderr, "cannot write the demo set: %s\n", error.c_str());
        return 1;
    }
    for (const char* band : {samples::files::kCeosBand1, samples::files::kCeosBand2,
                             samples::files::kCeosBand3, samples::files::kCeosBand4})
        demoFiles << QString::fromStdString((dir / band).string());

    std::string large = argc > 1 && argv[1][0] != '-' ? argv[1] : "";
    bool wroteLarge = false;
    if (large.empty()) {
        large = (dir / "large.vdm").string();
        if (!samples::write_large_native(large, 16000, 16000, 1, &error)) {
            std::fprintf(stderr, "cannot write the large band: %s\n", error.c_str());
            return 1;
        }
        wroteLarge = true;
    }
    largeFiles = QString::fromStdString(large);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (wroteLarge) std::filesystem::remove(large);
    std::filesystem::remove_all(dir);
    return 0;
}
