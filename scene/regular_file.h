// Opening files for reading only when they are regular files. A named pipe would block the opening for
// good, a device can be endless; neither is ever a scene, a picture or a metadata text.
#pragma once

#include <cstdio>

// Opens `path` for binary reading when it names a regular file (symbolic links followed). Returns null and
// sets errno otherwise: the error of open(2), EISDIR for a folder, or ENODEV for a pipe, device or socket.
// The check is made on the opened descriptor (without waiting for a pipe's writer), so the file cannot be
// swapped for a pipe between the check and the open.
FILE* open_regular_file(const char* path);
