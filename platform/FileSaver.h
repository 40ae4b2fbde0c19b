// Writing a file whole or not at all: the bytes go to a temporary file in the target's folder, which is then
// renamed over the target. A failure (full disk, no permission) leaves any earlier file as it was and says
// why in the user's words.
#pragma once

#include <QByteArray>
#include <QString>

// Writes `data` to `path` (bytes as the file system holds them). Returns false and sets *error on failure:
// the system's reason, and for a folder that cannot take the temporary file, that the folder is not
// writable. A file that existed keeps its permission bits.
bool saveFileWhole(const QByteArray& path, const QByteArray& data, QString* error);
