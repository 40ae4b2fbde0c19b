// orvenna-render: the viewer's composite of a scene, written to a file without a window.
#include <unistd.h>

#include <QGuiApplication>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "display/DisplayRanges.h"
#include "document/Document.h"
#include "document/InterfaceLanguage.h"
#include "document/SceneOpener.h"
#include "platform/LegendPainter.h"
#include "render/PictureWriters.h"
#include "render/Render.h"
#include "render/RenderOptions.h"
#include "render/SceneRender.h"
#include "scene/remos.h"
#include "text/translated_text.h"

using namespace orvenna;

namespace {

enum ExitCode { kWritten = 0, kBadArguments = 2, kCannotOpen = 3, kBadExpression = 4, kCannotWrite = 5 };

int fail(int code, const std::string& message) {
    std::fprintf(stderr, "orvenna-render: %s\n", message.c_str());
    return code;
}

// The command's answers to the opening: no histogram question (it counts what its ranges need), and the
// first file that cannot be opened ends the command.
class CommandOpening : public OpeningQuestions {
public:
    bool countHistogramsOfLargeFile(const std::string&) override { return true; }
    bool refused(const OpeningRefusal& refusal) override {
        const std::string name = "\"" + FileNameOf(refusal.path) + "\"";
        const char* between = refusal.kind == OpeningRefusal::Kind::SizeMismatch ? ": " : " ";
        error = name + between + refusal.words();
        return false;
    }
    // A container is opened only by the parts named with --subdataset.
    std::vector<int> chooseSubdatasets(const std::string& path,
                                       const std::vector<SubdatasetInfo>& list) override {
        error = fill_text(
            tr_text("Render",
                    "\"%1\" はサブデータセットを複数持っています。--subdataset で選んでください: %2"),
            {FileNameOf(path), subdataset_names(list)});
        return {};
    }
    std::string error;
};

// Letter of a band position, for messages.
std::string letterOf(int index) {
    return std::string(1, static_cast<char>('a' + index));
}

// The ranges asked for on the command line, set as the band rows would set them.
bool ApplyRanges(const std::vector<RangeRequest>& ranges, Document& document, std::string* error) {
    for (const RangeRequest& r : ranges) {
        const int index = r.letter - 'a';
        if (index >= document.bandCount()) {
            *error = fill_text(tr_text("Render", "--range: バンド %1 がありません"), {letterOf(index)});
            return false;
        }
        const DocumentBand& band = document.band(index);
        switch (r.kind) {
            case RangeRequest::Full:
                document.setFullRange(index);
                break;
            case RangeRequest::Automatic:
                if (!band.histogramMade) document.makeHistogram(index);
                document.setAutomaticRange(index, kDefaultClipRatio, kDefaultExcludeEnds);
                break;
            case RangeRequest::Values:
                if (band.isWide()) {
                    document.setValueRange(index, r.low, r.high, MovedBound::Upper);
                } else if (r.low < 0 || r.high > 255) {
                    *error = fill_text(tr_text("Render", "--range: 8ビットのバンド %1 の範囲は 0..255 です"),
                                       {letterOf(index)});
                    return false;
                } else {
                    document.setEightBitRange(index, static_cast<int>(r.low), static_cast<int>(r.high),
                                              MovedBound::Upper);
                }
                break;
        }
    }
    return true;
}

// Progress on standard error: a bar on a terminal, a line every tenth otherwise.
class Progress {
public:
    explicit Progress(bool quiet) : quiet_(quiet), terminal_(isatty(2) != 0) {}
    void operator()(double done) {
        if (quiet_) return;
        const int percent = static_cast<int>(std::floor(done * 100.0));
        if (terminal_) {
            const int filled = percent * 40 / 100;
            std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(filled, '#').c_str(),
                         std::string(40 - filled, '.').c_str(), percent);
            if (percent >= 100) std::fputc('\n', stderr);
        } else if (percent / 10 > last_ / 10 || (percent == 100 && last_ < 100)) {
            std::fprintf(stderr, "orvenna-render: %d%%\n", percent);
        }
        last_ = percent;
    }

private:
    bool quiet_;
    bool terminal_;
    int last_ = -1;
};

}  // namespace

int main(int argc, char** argv) {
    installLanguage(startLanguage());  // the viewer's language, for the help and the messages
    RenderOptions options;
    std::string error;
    if (!parse_render_options(argc - 1, argv + 1, &options, &error)) {
        std::fprintf(stderr, "%s", render_usage().c_str());
        return fail(kBadArguments, error);
    }
    if (options.help) {
        std::printf("%s", render_usage().c_str());
        return kWritten;
    }
    if (picture_format_of(options.output) == PictureFormat::Unknown)
        return fail(kBadArguments,
                    tr_text("Render", "出力ファイルは .png .tif .bmp .jpg のどれかにしてください: ") +
                        options.output);

    Document document;
    {
        CommandOpening answers;
        OpeningControl control;
        // As the window opens them: large bands take their opening range from a sample, so that the picture
        // is the window's and each band's tiles are read once. Bands whose range is given count nothing.
        OpeningOptions opening = document.openingOptions(OpeningOptions::Histograms::WideOnly);
        opening.sampleAbove = OpeningOptions::kLargeBandSamples;
        opening.eightBitAutoRange = options.eight_bit_auto_range;
        for (const RangeRequest& r : options.ranges) {
            const size_t row = static_cast<size_t>(r.letter - 'a');
            if (r.kind != RangeRequest::Values) continue;
            if (opening.rangeGiven.size() <= row) opening.rangeGiven.resize(row + 1);
            opening.rangeGiven[row] = true;
        }
        opening.subdatasets = options.subdatasets;
        OpeningResult opened = OpenFiles(options.files, opening, answers, control);
        if (!answers.error.empty()) return fail(kCannotOpen, answers.error);
        if (opened.bandCount() == 0) return fail(kCannotOpen, tr_text("Render", "開けるバンドがありません"));
        if (!opened.metadataIgnored.empty() && !options.quiet)
            std::fprintf(stderr, "orvenna-render: %s\n", opened.metadataIgnored.c_str());
        document.adopt(std::move(opened));
    }

    if (options.preset) {
        const PresetResult preset = document.applyPreset(*options.preset);
        if (!preset.applied) return fail(kBadArguments, preset.problem);
    }
    if (options.red) document.setExpression(0, *options.red);
    if (options.green) document.setExpression(1, *options.green);
    if (options.blue) document.setExpression(2, *options.blue);
    if (!ApplyRanges(options.ranges, document, &error)) return fail(kBadArguments, error);

    // The three expressions, each named by its channel when it does not compile.
    const std::string problem = ExpressionsProblem(document);
    if (!problem.empty()) return fail(kBadExpression, problem);

    ViewGeometry geometry;
    const int x = options.has_window ? options.window_x : 0, y = options.has_window ? options.window_y : 0;
    const int w = options.has_window ? options.window_width : document.width();
    const int h = options.has_window ? options.window_height : document.height();
    if (!RenderGeometry(x, y, w, h, options.step, document.width(), document.height(), &geometry, &error))
        return fail(kBadArguments, error);
    const int threads = options.threads > 0
                            ? options.threads
                            : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const std::unique_ptr<SceneRender> render = PrepareSceneRender(document, geometry, threads);
    Progress progress(options.quiet);
    render->request.progress = [&](double done) { progress(done); };
    // The legend's texts need fonts, which Qt gives through an application on a platform: the offscreen
    // one, as the command needs no display. Qt reads none of the command's arguments.
    std::unique_ptr<QGuiApplication> fonts;
    if (options.legend && document.legend().drawable()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});  // says its own
        static int qtArgc = 1;
        static char* qtArgv[] = {argv[0], nullptr};
        fonts = std::make_unique<QGuiApplication>(qtArgc, qtArgv);
        render->takeLegend(paintLegend(document.legend(), geometry.view_width, geometry.view_height));
    } else if (options.legend && !options.quiet) {
        std::fprintf(stderr, "orvenna-render: %s\n",
                     tr_text("Render", "凡例はプリセットの式のときだけ描きます").c_str());
    }
    if (!render->write(options.output, &error)) return fail(kCannotWrite, error);
    return kWritten;
}
