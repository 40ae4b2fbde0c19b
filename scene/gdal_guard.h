// What GDAL is let near. GDAL follows names wherever they lead: side files beside a band (a pipe named
// scene.tfw blocks its open for good), the sources of a VRT (pipes, devices, other VRTs, URLs), connection
// strings in file names ("NETCDF:x.nc:v"). Before GDAL opens a file the viewer checks what it would reach and
// hands it only local regular files, through the drivers of the formats the viewer shows, within a memory
// budget. Internal to scene/.
#pragma once

#include <gdal.h>

#include <cstdint>
#include <string>
#include <vector>

namespace remos_gdal {

// Memory the viewer lets one file's decoding take: a block decoded at once, or a whole picture of a format
// that is decoded whole.
inline constexpr int64_t kDecodeBudgetBytes = int64_t(512) << 20;
// Bands of one file (band rows of one opening are limited alike by the opener).
inline constexpr int kMaxFileBands = 1000;

// The drivers GDAL may open files with: raster formats of single files (or of files GDAL finds beside them
// by name) that read only what they are given. A null-terminated list for GDALOpenEx.
const char* const* allowed_drivers();

// The path GDAL is given for a file: absolute, so that no name is taken for a connection or a virtual file
// system ("NETCDF:x.nc:v", "/vsicurl/...").
std::string gdal_path(const std::string& path);

// The regular files beside `path` that GDAL may take as its side files (.tfw, .prj, .ovr, .hdr, .msk ...):
// those whose names begin with the file's own name up to its last dot, in any letter case. GDAL is given this
// list instead of looking into the folder, so it never opens a pipe or a device that is named like a side
// file. A null-terminated list owned by the caller (CSLDestroy).
char** sibling_files(const std::string& path);

// Why GDAL may not read `path` at all: not a regular file, or one of the system's own folders (/proc, /sys,
// /dev). "" when it may.
std::string local_file_problem(const std::string& path);

// Whether the file is a VRT (its text begins with <VRTDataset>).
bool is_vrt(const std::string& path);

// Why a VRT may not be opened: a source that is not a local regular file (a URL, a virtual file system, a
// connection string, a pipe, a device), a raw band (GDAL opens raw data files for writing), a VRT that leads
// back to itself, more than 1000 source files, or a source GDAL cannot open with the drivers above (with
// GDAL's reason). "" when it may.
std::string vrt_problem(const std::string& path);

// Why the opened dataset would take more memory than the budget: more bands than kMaxFileBands, a block
// larger than the budget, or a whole picture larger than it in a format that is decoded whole. "" when not.
std::string memory_problem(GDALDatasetH dataset);

// Opens a dataset the way the viewer does: read-only, the allowed drivers, the checked side files.
GDALDatasetH open_checked(const std::string& path);

}  // namespace remos_gdal
