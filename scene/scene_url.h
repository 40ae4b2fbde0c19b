// Scenes on a server: a URL the user gives (http://, https://, and s3://, gs://, az:// for the cloud stores
// GDAL reaches when the user's environment configures them) is opened through GDAL's network file systems,
// which read byte ranges: the header, the overviews and the tiles asked for, never the whole file. The user
// types and sees the URL; its GDAL name (/vsicurl/..., /vsis3/...) is made inside the scene module only, and
// a GDAL name typed by the user stays a local path like any other.
#pragma once

#include <string>

// Whether `path` is a URL of a scheme the viewer opens: a known scheme, "://", then at least one character.
bool is_scene_url(const char* path);
inline bool is_scene_url(const std::string& path) {
    return is_scene_url(path.c_str());
}

// The name GDAL opens for a URL ("/vsicurl/https://host/a.tif", "/vsis3/bucket/a.tif"); "" when `url` is
// not one.
std::string scene_url_gdal_name(const std::string& url);

// The file name shown for a URL: the last part of its path, without the query ("?...") or fragment
// ("#..."), as typed (percent escapes kept); the host when the path is empty ("https://host/").
std::string scene_url_file_name(const std::string& url);
