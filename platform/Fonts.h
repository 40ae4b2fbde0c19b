// The windows' font: "ＭＳ Ｐゴシック" where it exists, else a Japanese Gothic face of the system.
#pragma once

#include <QFont>

QFont uiFont(int pixelSize = 12);
// A font of `points` size on the same faces (for the small texts drawn on canvases).
QFont uiPointFont(int points);
