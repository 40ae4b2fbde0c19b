#include "scene/SceneHandle.h"

#include <cstdint>
#include <cstring>

#include "scene/scene_url.h"
#include "scene/system_errors.h"
#include "text/translated_text.h"

namespace orvenna {

SceneHandle::SceneHandle() {
    std::memset(&scene_, 0, sizeof scene_);
}

SceneHandle::~SceneHandle() {
    remos_close(&scene_);
}

SceneResult SceneHandle::open(const std::string& path, int format) {
    const int r = remos_open(&scene_, path.c_str(), format);
    // A scene on a server says why it could not be read (scene_url.h); a file asks the file system.
    if (r == REMOS_CANNOT_OPEN && is_scene_url(path))
        return SceneResult::cannot_open(remos_open_reason(&scene_));
    if (r == REMOS_CANNOT_OPEN) return SceneResult::cannot_open(unreadable_file_reason(path.c_str()));
    if (r != REMOS_OK) return SceneResult::refused(scene_refusal_text(&scene_));
    const bool sized = scene_.width >= 1 && scene_.height >= 1 && scene_.height <= uint32_t(INT32_MAX);
    if (format == FMT_DETECT && !sized) {
        std::string why = scene_refusal_text(&scene_);
        remos_close(&scene_);
        return SceneResult::refused(why);
    }
    return SceneResult::success();
}

TiffHandle::TiffHandle() {
    std::memset(&tiff_, 0, sizeof tiff_);
}

TiffHandle::~TiffHandle() {
    tifrec_close(&tiff_);
}

SceneResult TiffHandle::open(const std::string& path) {
    switch (tifrec_open(&tiff_, path.c_str())) {
        case 3:
            if (tiff_.directories) return SceneResult::success();
            return SceneResult::refused(tr_text("SceneHandle", "TIFF のディレクトリがありません"));
        case 2:
            return SceneResult::refused(tr_text("SceneHandle", "TIFF ではありません"));
        default:
            return SceneResult::cannot_open(unreadable_file_reason(path.c_str()));
    }
}

ConfHandle::ConfHandle() {
    std::memset(&conf_, 0, sizeof conf_);
}

ConfHandle::~ConfHandle() {
    econf_close(&conf_);
}

SceneResult ConfHandle::open(const std::string& path) {
    if (!econf_open(&conf_, path.c_str()))
        return SceneResult::cannot_open(unreadable_file_reason(path.c_str()));
    if (!econf_read(&conf_)) return SceneResult::refused(tr_text("SceneHandle", "設定ファイルを読めません"));
    return SceneResult::success();
}

}  // namespace orvenna
