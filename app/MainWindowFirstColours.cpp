// A picture or a colour file opened into an empty band list shows in colour: its red, green and blue bands
// go into the three channel expressions, as long as the user has not written expressions of their own.
#include <QLineEdit>

#include "app/MainWindow.h"
#include "scene/band_colour.h"
#include "scene/remos.h"

bool MainWindow::expressionsAtStartUp() const {
    const QString startUp = QStringLiteral("a");
    return redExpressionEdit->text() == startUp && greenExpressionEdit->text() == startUp &&
           blueExpressionEdit->text() == startUp;
}

void MainWindow::showFirstSceneInColour() {
    if (bandRows.size() < 3) return;
    // The first three rows must be the three bands of one file, each marked with a different colour.
    const BandInfo* first = bandRows[0]->band;
    if (!first || first->band_count != 3) return;
    const SceneFile* scene = sceneOfBand(first);
    QString letters[3];  // red, green, blue
    for (int k = 0; k < 3; ++k) {
        const BandRow* row = bandRows[static_cast<size_t>(k)].get();
        if (!row->band || sceneOfBand(row->band) != scene) return;
        const int role = row->isPicture ? row->band->index + 1 : band_colour_role(row->band);
        if (role < BAND_COLOUR_RED || role > BAND_COLOUR_BLUE || !letters[role - 1].isEmpty()) return;
        letters[role - 1] = QString(QChar('a' + k));
    }
    setChannelExpressions(letters[0], letters[1], letters[2]);
}
