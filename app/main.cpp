// Start-up: the application object, the windows in their order (all but the main window hidden), the loop.
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>

#include <exception>

#include "app/MainWindow.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/LandsatTemperatureDialog.h"
#include "dialogs/NdviPresetDialog.h"
#include "dialogs/PixelValueWindow.h"
#include "dialogs/ProgressWindow.h"
#include "dialogs/QuickHelpWindow.h"
#include "dialogs/ThermographyPresetDialog.h"
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
        mainWindow = new MainWindow;
        progressWindow = new ProgressWindow(mainWindow);
        pixelValueWindow = new PixelValueWindow(mainWindow);
        aboutDialog = new AboutDialog(mainWindow);
        ndviPresetDialog = new NdviPresetDialog(mainWindow);
        thermographyPresetDialog = new ThermographyPresetDialog(mainWindow);
        landsatTemperatureDialog = new LandsatTemperatureDialog(mainWindow);
        quickHelpWindow = new QuickHelpWindow(mainWindow);
        mainWindow->show();
        // Files named on the command line are opened as if they had been dropped on the window, once the
        // loop runs.
        // The arguments are taken as the bytes they are: a file name that is not UTF-8 must still be found.
        QList<QByteArray> files;
        for (int i = 1; i < argc; ++i)
            files << QByteArray(argv[i]);
        if (!files.isEmpty())
            QTimer::singleShot(0, mainWindow, [files] { mainWindow->openDroppedFiles(files); });
        const int result = Application::exec();
        delete mainWindow;  // the other windows are its children
        return result;
    } catch (const std::exception& error) {
        showException(error);
    } catch (...) {
        showUnknownException();
    }
    return 1;
}
