// The last guard between GDAL and the file system: every file GDAL opens by name goes through a hook that
// refuses pipes, devices and sockets. The checks made before an open (gdal_guard.h) hand GDAL only regular
// files and the side files beside them; GDAL still finds further files by itself (a dataset's .aux or .tab
// while it looks for overviews, the side files of a VRT's sources), and a pipe among them would block the
// open for good. Internal to scene/.
#pragma once

namespace remos_gdal {

// Puts the hook in front of GDAL's handler of plain paths; once per process, before the first open.
void install_file_hook();

}  // namespace remos_gdal
