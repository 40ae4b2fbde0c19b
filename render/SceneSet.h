// The bands the render command draws from: the files named on its command line opened the way the viewer
// opens them (natural order, the same readers, pictures by extension, one pixel size for all, the metadata
// beside the first file), each band with its letter and the display range the viewer gives it at opening.
#pragma once

#include <QImage>

#include <memory>
#include <string>
#include <vector>

#include "display/Composite.h"
#include "scene/remos.h"
#include "scene/scene_metadata.h"

namespace orvenna {

struct SetBand {
    BandInfo* band = nullptr;
    const QImage* picture = nullptr;  // picture bands: the decoded 24-bit picture
    std::string file_name;            // the band's file, without folder
};

class SceneSet {
public:
    SceneSet() = default;
    ~SceneSet();
    SceneSet(const SceneSet&) = delete;
    SceneSet& operator=(const SceneSet&) = delete;

    // Opens `files` in natural order. False with *error naming the file and the reason when one cannot be
    // opened, is not recognised, or has another pixel size than the first.
    bool open(const std::vector<std::string>& files, std::string* error);

    // Makes the histograms that ranges need: every band wider than 8 bits (its opening range is the
    // automatic one), and the 8-bit bands in `eight_bit_letters` (bit k: letter 'a' + k).
    void make_histograms(unsigned eight_bit_letters);

    const std::vector<SetBand>& bands() const { return bands_; }
    BandInfo* band_of_letter(char letter) const;
    int width() const { return width_; }
    int height() const { return height_; }
    const SceneMetadataState& metadata() const { return metadata_; }
    // The first scene that carries its own georeferencing, or null.
    const SceneFile* georeferenced_scene() const;

    // The rows the composite draws from (the first 26 bands).
    std::vector<CompositeBandRow> composite_rows() const;

private:
    bool open_picture(const std::string& path, bool jpeg, std::string* error);
    bool open_scene(const std::string& path, std::string* error);
    bool accept_size(const std::string& path, int width, int height, std::string* error);

    std::vector<std::unique_ptr<SceneFile>> scenes_;
    std::vector<std::unique_ptr<QImage>> pictures_;
    std::vector<SetBand> bands_;
    int width_ = 0, height_ = 0;
    SceneMetadataState metadata_;
};

}  // namespace orvenna
