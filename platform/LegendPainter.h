// The colour bar with its texts, drawn the same way for the window's view and for orvenna-render's picture:
// the box, frame, bar and ticks by the Qt-free core (display/Legend.h), the title and the labels with the
// interface font. Needs a QGuiApplication (the render command starts one on the offscreen platform).
#pragma once

#include "display/Legend.h"

// The legend's box drawn for a picture of pictureWidth x pictureHeight (its bottom-right corner); empty
// when the legend has nothing to draw.
orvenna::LegendPicture paintLegend(const orvenna::Legend& legend, int pictureWidth, int pictureHeight);
