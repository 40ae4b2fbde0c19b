// Start-up: the application object, the main window (the windows beside it are its own), the loop.
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>

#include "app/MainWindow.h"
#include "document/BackgroundJob.h"
#include "document/InterfaceLanguage.h"
#include "platform/Application.h"
#include "platform/ErrorDisplay.h"

namespace {

// Every argument after the program name is a file, even one named like an option ("-platform" in a folder
// opened with "orvenna *"); a first "--" is accepted and skipped. The arguments are taken as the bytes they
// are: a file name that is not UTF-8 must still be found.
QList<QByteArray> filesNamed(int argc, char** argv) {
    QList<QByteArray> files;
    int first = 1;
    if (argc > 1 && std::strcmp(argv[1], "--") == 0) first = 2;
    for (int i = first; i < argc; ++i)
        files << QByteArray(argv[i]);
    return files;
}

int runViewer(const QList<QByteArray>& files) {
    installLanguage(startLanguage());
    try {
        auto window = std::make_unique<MainWindow>();
        window->restoreKeptGeometry();
        window->show();
        // Files named on the command line are opened as if they had been dropped on the window, once the
        // loop runs.
        if (!files.isEmpty())
            QTimer::singleShot(0, window.get(), [&window, files] { window->openFiles(files); });
        return Application::exec();
    } catch (const std::exception& error) {
        showException(error);
    } catch (...) {
        showUnknownException();
    }
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const QList<QByteArray> files = filesNamed(argc, argv);
    // Qt sees the program name only, so none of the files is taken for one of its options (the platform and
    // the like are chosen through its environment variables instead).
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    int status = 1;
    {
        Application app(qtArgc, qtArgv);
        Application::setApplicationName(QStringLiteral("Orvenna"));
        status = runViewer(files);
    }
    // A read that was given up may still sit in the kernel on its own thread; the libraries it is inside
    // must not be torn down under it, so the process ends without running their destructors.
    if (orvenna::BackgroundJob::abandonedRunning() > 0) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
