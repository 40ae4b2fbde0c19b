// Finding the metadata texts that lie beside a scene's first file: an ALOS "summary.txt" and Landsat
// "*.met" and "*_MTL.txt" files, whatever the letter case of their names (folders copied from removable media
// often have upper-case names). Plain C++; names are bytes as the file system holds them.
//
// Precedence, as the window applies it: "summary.txt" first (when present, no Landsat file is consulted);
// otherwise `landsat`, the first "*.met" or "*_MTL.txt" in name order. A scene whose file carries its own
// georeferencing takes its coordinates from there; the metadata corners serve only scenes without.
#pragma once

#include <string>

struct SceneMetadataFiles {
    std::string
        summary;  // path of "summary.txt" in any letter case (the lower-case name preferred); or empty
    std::string
        landsat;  // path of the first "*.met" or "*_MTL.txt" in name order without regard to case; or empty
};

// Looks in `dir`, given with its trailing separator ("" for the working folder). Entries that are not
// regular files (folders, pipes) are passed over; nothing is opened.
SceneMetadataFiles find_scene_metadata_files(const std::string& dir);

// Whether a file name (the last part of a path) names a metadata text: "summary.txt", "*.met" or
// "*_MTL.txt", in any letter case. Such files are read beside the scene, never opened as bands.
bool is_scene_metadata_name(const std::string& path);

// Whether a file name names one of the other side files products ship beside their bands: "*_ANG.txt",
// "*_GCP.txt", "*.xml" and "README*", in any letter case. Passed over when opened with the bands.
bool is_product_side_file_name(const std::string& path);

// Orders names without regard to ASCII letter case, bytes otherwise; equal names keep byte order.
bool name_less_ignoring_case(const std::string& a, const std::string& b);
