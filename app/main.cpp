// Start-up: the application object, the main window (the windows beside it are its own), the loop.
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>

#include <exception>
#include <memory>

#include "app/MainWindow.h"
#include "platform/Application.h"
#include "platform/ErrorDisplay.h"

int main(int argc, char** argv) {
    Application app(argc, argv);
    Application::setApplicationName(QStringLiteral("Orvenna"));
    // Qt's own texts (standard buttons, context menus of edits and scroll bars) in Japanese like the rest.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        Application::installTranslator(&qtTexts);
    try {
        auto window = std::make_unique<MainWindow>();
        window->show();
        // Files named on the command line are opened as if they had been dropped on the window, once the
        // loop runs. The arguments are taken as the bytes they are: a file name that is not UTF-8 must still
        // be found.
        QList<QByteArray> files;
        for (int i = 1; i < argc; ++i)
            files << QByteArray(argv[i]);
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
