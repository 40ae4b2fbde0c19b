// The C++ side of the scene module: handles that own what its C records hold and release it when they go (an
// opened scene file, a TIFF directory chain, a metadata text), and one result type for what opening any of
// them gives, with the reason in the user's words. The C functions and records stay as they are; code above
// the scene module holds scenes through these handles only.
#pragma once

#include <string>

#include "scene/econf.h"
#include "scene/remos.h"
#include "scene/scene_grid.h"
#include "scene/tifrec.h"

namespace orvenna {

struct SceneResult {
    enum class Status {
        Opened,      // the file is open and its records are filled
        CannotOpen,  // the file cannot be read at all (missing, not a regular file, no permission ...)
        Refused,     // the file was read but is not one the reader shows (unknown format, damaged header)
    };
    Status status = Status::CannotOpen;
    std::string reason;  // why not, UTF-8, in the user's words; may be empty for CannotOpen

    bool opened() const { return status == Status::Opened; }
    static SceneResult success() { return {Status::Opened, std::string()}; }
    static SceneResult cannot_open(std::string why) { return {Status::CannotOpen, std::move(why)}; }
    static SceneResult refused(std::string why) { return {Status::Refused, std::move(why)}; }
};

// One scene file record, closed with remos_close when the handle goes. The record stays at its address
// for the handle's life (its band records are referred to by address), so handles are neither copied nor
// moved: hold them by pointer.
class SceneHandle {
public:
    SceneHandle();
    ~SceneHandle();
    SceneHandle(const SceneHandle&) = delete;
    SceneHandle& operator=(const SceneHandle&) = delete;

    // remos_open with `format`. A scene opened by detection must have a usable size (at least one line and
    // one sample, lines within int); one that has not is refused like an unknown format.
    SceneResult open(const std::string& path, int format = FMT_DETECT);

    SceneFile* get() { return &scene_; }
    const SceneFile* get() const { return &scene_; }
    SceneFile* operator->() { return &scene_; }
    const SceneFile* operator->() const { return &scene_; }

    int band_count() const { return static_cast<int>(scene_.band_count); }
    BandInfo* band(int i) { return remos_band(&scene_, i); }
    // The file's name as given to open().
    std::string path() const { return scene_.path; }
    bool georeferenced() const { return remos_is_georeferenced(&scene_) != 0; }
    // Its own pixel size ("20 m") when its bands are placed on a finer grid, else "" (scene_grid.h).
    std::string ownPixelSize() const { return scene_own_pixel_size(&scene_); }

private:
    SceneFile scene_;
};

// A TIFF file's directories, closed with tifrec_close.
class TiffHandle {
public:
    TiffHandle();
    ~TiffHandle();
    TiffHandle(const TiffHandle&) = delete;
    TiffHandle& operator=(const TiffHandle&) = delete;

    // tifrec_open: opened when the byte order mark was found and the directories were read.
    SceneResult open(const std::string& path);
    TiffFile* get() { return &tiff_; }

private:
    TiffFile tiff_;
};

// A metadata text of key = value lines, closed with econf_close.
class ConfHandle {
public:
    ConfHandle();
    ~ConfHandle();
    ConfHandle(const ConfHandle&) = delete;
    ConfHandle& operator=(const ConfHandle&) = delete;

    // econf_open followed by econf_read.
    SceneResult open(const std::string& path);
    ConfFile* get() { return &conf_; }
    const ConfEntry* find(const char* key) { return econf_find(&conf_, key); }

private:
    ConfFile conf_;
};

}  // namespace orvenna
