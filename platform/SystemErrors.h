// The system's reasons for failed file operations, as the user reads them (the texts of
// scene/system_errors.h as Qt strings), and file names as they are shown.
#pragma once

#include <QByteArray>
#include <QString>

// The reason for an errno value: Japanese for the common cases, else the C library's text.
QString systemErrorText(int error);

// Why `path` cannot be read as a file: empty when it is a regular file this process may open for reading;
// otherwise the reason ("フォルダです", "名前付きパイプです", the system's reason ...). Never opens a pipe.
QString unreadableFileReason(const QByteArray& path);

// The name of a local path as it is shown: bytes that are not UTF-8 become replacement characters, control
// characters (a newline in a name) are shown escaped.
QString displayFileName(const QByteArray& path);
