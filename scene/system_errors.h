// The system's reason for a failed file operation as the user reads it: Japanese for the common cases,
// else the C library's text. UTF-8.
#pragma once

#include <string>

std::string system_error_text(int error);

// Why `path` cannot be read as a file: empty when it is a regular file this process may open for reading;
// otherwise the reason ("フォルダです", "名前付きパイプです", the system's reason ...). Never opens a pipe.
std::string unreadable_file_reason(const char* path);

struct SceneFile;  // scene/remos.h

// What the user reads after the file's name when remos_open refused it (result 3):
// "は不明な衛星データ形式です" for a file no reader knows, "TIFF ですが読めません: <reason>" for a TIFF
// neither the built-in reader nor GDAL can show, and "は表示できません: <reason>" for another file GDAL knows
// but cannot show.
std::string scene_refusal_text(const SceneFile* scene);
