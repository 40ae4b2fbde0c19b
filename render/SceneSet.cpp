#include "render/SceneSet.h"

#include <algorithm>

#include "display/DisplayRanges.h"
#include "platform/PictureLoader.h"
#include "scene/metadata_files.h"
#include "scene/natural_order.h"
#include "scene/system_errors.h"

namespace orvenna {

namespace {

std::string file_name_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string upper_extension(const std::string& path) {
    const std::string name = file_name_of(path);
    const size_t dot = name.rfind('.');
    std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
    for (char& c : ext)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return ext;
}

std::string quoted(const std::string& path) {
    return "\"" + file_name_of(path) + "\"";
}

}  // namespace

SceneSet::~SceneSet() {
    for (auto& scene : scenes_)
        remos_close(scene.get());
}

bool SceneSet::open(const std::vector<std::string>& files, std::string* error) {
    std::vector<std::string> ordered = files;
    std::stable_sort(ordered.begin(), ordered.end(), natural_name_less);
    for (const std::string& path : ordered) {
        // A metadata text named with the bands is read beside them, not opened as one.
        if (is_scene_metadata_name(path)) continue;
        const std::string unreadable = unreadable_file_reason(path.c_str());
        if (!unreadable.empty()) {
            *error = quoted(path) + " を開けません: " + unreadable;
            return false;
        }
        if (path.size() >= REMOS_PATH_SIZE) {
            *error = quoted(path) + " はパスが長すぎるため開けません";
            return false;
        }
        const std::string ext = upper_extension(path);
        const bool ok = ext == ".BMP" || ext == ".JPG" ? open_picture(path, ext == ".JPG", error)
                                                       : open_scene(path, error);
        if (!ok) return false;
    }
    if (bands_.empty()) {
        *error = "開けるバンドがありません";
        return false;
    }
    read_scene_metadata(ordered.front(), &metadata_);
    return true;
}

bool SceneSet::accept_size(const std::string& path, int width, int height, std::string* error) {
    if (!bands_.empty() && (width != width_ || height != height_)) {
        *error = quoted(path) + ": 画像の大きさが違うバンド同士は同時に開けません";
        return false;
    }
    width_ = width;
    height_ = height;
    return true;
}

bool SceneSet::open_picture(const std::string& path, bool jpeg, std::string* error) {
    QString why;
    auto picture = std::make_unique<QImage>(
        loadPicture(QByteArray::fromStdString(path), jpeg ? PictureType::Jpeg : PictureType::Bitmap, &why));
    if (picture->isNull()) {
        *error = quoted(path) + " 画像を読み込めません: " + why.toStdString();
        return false;
    }
    if (!accept_size(path, picture->width(), picture->height(), error)) return false;
    // The picture's three bands get records of their own, as the viewer gives them.
    auto scene = std::make_unique<SceneFile>();
    *scene = SceneFile{};
    remos_open(scene.get(), path.c_str(), FMT_OPEN_ONLY);
    BandInfo* records = remos_alloc_bands(scene.get(), 3);
    if (!records) {
        *error = quoted(path) + " 画像を読み込めません: メモリが足りません";
        remos_close(scene.get());
        return false;
    }
    for (int k = 0; k < 3; ++k) {
        BandInfo& b = records[k];
        b.index = k;
        b.band_count = 3;
        b.bits = 8;
        b.bytes_per_sample = 1;
        b.full_scale = 255;
        b.lines = picture->height();
        b.width = picture->width();
        b.record_length = picture->width();
        b.range_low = 0;
        b.range_high = 255;
        bands_.push_back({&b, picture.get(), file_name_of(path)});
    }
    scene->width = picture->width();
    scene->height = static_cast<uint32_t>(picture->height());
    scenes_.push_back(std::move(scene));
    pictures_.push_back(std::move(picture));
    return true;
}

bool SceneSet::open_scene(const std::string& path, std::string* error) {
    auto scene = std::make_unique<SceneFile>();
    *scene = SceneFile{};
    const int r = remos_open(scene.get(), path.c_str(), FMT_DETECT);
    if (r == REMOS_CANNOT_OPEN) {
        const std::string reason = unreadable_file_reason(path.c_str());
        *error = quoted(path) + " を開けません" + (reason.empty() ? std::string() : ": " + reason);
        return false;
    }
    const bool sized = scene->width >= 1 && scene->height >= 1 && scene->height <= uint32_t(INT32_MAX);
    if (r != REMOS_OK || !sized) {
        *error = quoted(path) + " " + scene_refusal_text(scene.get());
        remos_close(scene.get());
        return false;
    }
    if (!accept_size(path, scene->width, static_cast<int>(scene->height), error)) {
        remos_close(scene.get());
        return false;
    }
    for (uint32_t k = 0; k < scene->band_count; ++k) {
        BandInfo* band = &scene->bands[k];
        band->range_low = 0;
        band->range_high = 255;
        bands_.push_back({band, nullptr, file_name_of(path)});
    }
    scenes_.push_back(std::move(scene));
    return true;
}

void SceneSet::make_histograms(unsigned eight_bit_letters) {
    for (size_t i = 0; i < bands_.size(); ++i) {
        BandInfo* band = bands_[i].band;
        if (bands_[i].picture) {
            // A picture band's histogram comes from its decoded picture.
            if (i >= 26 || !(eight_bit_letters & (1u << i))) continue;
            const QImage& p = *bands_[i].picture;
            const int channel = band->index == 0 ? 2 : band->index == 1 ? 1 : 0;
            std::fill(std::begin(band->histogram), std::end(band->histogram), 0);
            for (int y = 0; y < p.height(); ++y) {
                const uchar* line = p.constScanLine(y);
                for (int x = 0; x < p.width(); ++x)
                    ++band->histogram[line[3 * x + channel]];
            }
            continue;
        }
        if (remos_band_is_wide(band)) {
            remos_make_band_histogram(band, nullptr, nullptr);
            SetOpeningRange(band);
        } else if (i < 26 && (eight_bit_letters & (1u << i))) {
            remos_make_histogram(band);
        }
    }
}

BandInfo* SceneSet::band_of_letter(char letter) const {
    const size_t i = static_cast<size_t>(letter - 'a');
    return letter >= 'a' && letter <= 'z' && i < bands_.size() ? bands_[i].band : nullptr;
}

const SceneFile* SceneSet::georeferenced_scene() const {
    for (const auto& scene : scenes_)
        if (remos_is_georeferenced(scene.get())) return scene.get();
    return nullptr;
}

std::vector<CompositeBandRow> SceneSet::composite_rows() const {
    std::vector<CompositeBandRow> rows;
    for (size_t i = 0; i < bands_.size() && i < 26; ++i) {
        CompositeBandRow row;
        row.band = bands_[i].band;
        if (const QImage* p = bands_[i].picture) {
            row.picture = p->constBits();
            row.picture_stride = p->bytesPerLine();
            row.picture_width = p->width();
            row.picture_height = p->height();
        }
        rows.push_back(row);
    }
    return rows;
}

}  // namespace orvenna
