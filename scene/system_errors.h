// The system's reason for a failed file operation as the user reads it: Japanese for the common cases,
// else the C library's text. UTF-8.
#pragma once

#include <string>

std::string system_error_text(int error);

// Why `path` cannot be read as a file: empty when it is a regular file this process may open for reading;
// otherwise the reason ("フォルダです", "名前付きパイプです", the system's reason ...). Never opens a pipe.
std::string unreadable_file_reason(const char* path);
