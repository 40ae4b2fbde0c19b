// Whether the image data a TIFF declares is in the file: every strip or tile of every image of the directory
// chain (classic TIFF and BigTIFF) must lie inside the file, and an uncompressed one must be as long as the
// image's size says. A file that fails is cut or lies about its size; it is refused with the reason, never
// read with holes. Plain C++, no Qt and no GDAL.
#pragma once

#include <string>

// "" when the data lies in the file (also for a file that is no TIFF at all, which the readers judge);
// otherwise why not, in the user's words: "ファイルが途中で切れています: ...", "TIFF が壊れています: ...".
std::string tiff_block_problem(const char* path);
