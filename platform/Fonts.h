// The forms' font: "ＭＳ Ｐゴシック" where it exists, else a Japanese Gothic face of the system.
#pragma once

#include <QFont>

QFont FormFont(int pixelSize = 12);
// A font of `points` size on the same faces (for the small texts drawn on canvases).
QFont FormPointFont(int points);
