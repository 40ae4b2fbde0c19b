// Texts of the metadata files written beside the sample scenes.
#pragma once

#include <string>

namespace samples {

std::string alos_summary_text(int width, int height);
std::string landsat_met_text(int width, int height);
bool write_alos_summary(const std::string& path, int width, int height, std::string* error);
bool write_landsat_met(const std::string& path, int width, int height, std::string* error);

}  // namespace samples
