// Several lines of a band's stored samples in one read: a GDAL band decodes or copies each block once for
// all of them, under one lock, where line-by-line reads would visit every block once per line.
#pragma once

#include "scene/remos.h"

// Reads up to `lines` lines from `line` on, each the n stored samples from column x0 (clipped to the band as
// remos_read_row_stored clips one line, and cut at the band's last line), rows packed n samples apart, into
// dest. Returns the lines read (0 when nothing can be read). Any thread, as remos_read_row_stored.
int remos_read_lines_stored(BandInfo* band, void* dest, int line, int lines, int x0, int n);
