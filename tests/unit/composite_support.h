// Helpers of the composite tests: small scenes written to a temp folder, band rows over them, and redraws
// into plain buffers.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "calc/ecalc.h"
#include "calc/ecalc_stored.h"
#include "display/Composite.h"
#include "scene/remos.h"

namespace composite_test {

inline std::filesystem::path make_temp_dir() {
    static int counter = 0;
    std::random_device rd;
    auto dir = std::filesystem::temp_directory_path() /
               ("orvenna_composite_" + std::to_string(rd()) + "_" + std::to_string(counter++));
    std::filesystem::create_directories(dir);
    return dir;
}

// Writes a native "VELDAMOR" scene: a 512-byte header, then per line one record of `width` bytes per band.
inline void write_native(const std::string& path, int width, int height,
                         const std::vector<std::vector<uint8_t>>& bands) {
    std::vector<uint8_t> head(512, 0);
    std::memcpy(head.data(), "VELDAMOR", 8);
    head[12] = static_cast<uint8_t>(width >> 8);
    head[13] = static_cast<uint8_t>(width);
    head[14] = static_cast<uint8_t>(height >> 8);
    head[15] = static_cast<uint8_t>(height);
    head[86] = static_cast<uint8_t>(bands.size() >> 8);
    head[87] = static_cast<uint8_t>(bands.size());
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(head.data(), 1, head.size(), f);
    for (int y = 0; y < height; ++y) {
        for (const auto& band : bands)
            std::fwrite(band.data() + static_cast<size_t>(y) * width, 1, width, f);
    }
    std::fclose(f);
}

// An opened scene with one band row per band.
struct Scene {
    SceneFile file{};
    int width = 0, height = 0;
    std::vector<std::vector<uint8_t>> pixels;  // the values written, per band
    std::vector<std::vector<unsigned char>> line_bufs;
    std::vector<orvenna::CompositeBandRow> rows;

    ~Scene() {
        if (file.file) remos_close(&file);
    }
    void make_rows() {
        rows.clear();
        line_bufs.assign(file.band_count, std::vector<unsigned char>(static_cast<size_t>(width)));
        for (uint32_t b = 0; b < file.band_count; ++b) {
            orvenna::CompositeBandRow row;
            row.band = &file.bands[b];
            row.line_buf = line_bufs[b].data();
            row.line_buf_size = width;
            rows.push_back(row);
        }
    }
    uint8_t at(int band, int x, int y) const { return pixels[band][static_cast<size_t>(y) * width + x]; }
};

// Writes and opens a native scene of `band_count` bands filled by value(band, x, y).
template <typename ValueFn>
std::unique_ptr<Scene> make_scene(const std::filesystem::path& dir, int width, int height, int band_count,
                                  ValueFn value) {
    auto s = std::make_unique<Scene>();
    s->width = width;
    s->height = height;
    s->pixels.assign(band_count, std::vector<uint8_t>(static_cast<size_t>(width) * height));
    for (int b = 0; b < band_count; ++b) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x)
                s->pixels[b][static_cast<size_t>(y) * width + x] = value(b, x, y);
        }
    }
    static int n = 0;
    const std::string path = (dir / ("scene" + std::to_string(n++) + ".vdm")).string();
    write_native(path, width, height, s->pixels);
    EXPECT_EQ(remos_open(&s->file, path.c_str(), FMT_DETECT), 1);
    EXPECT_EQ(static_cast<int>(s->file.band_count), band_count);
    s->make_rows();
    return s;
}

// Three compiled texts, released at the end of the scope.
struct Texts {
    CalcExpr* trees[3] = {nullptr, nullptr, nullptr};
    Texts(const std::string& r, const std::string& g, const std::string& b) {
        trees[0] = ecalc_compile_stored(r.c_str());
        trees[1] = ecalc_compile_stored(g.c_str());
        trees[2] = ecalc_compile_stored(b.c_str());
    }
    ~Texts() {
        for (CalcExpr* t : trees)
            ecalc_free(t);
    }
    Texts(const Texts&) = delete;
    Texts& operator=(const Texts&) = delete;
    orvenna::CompositeExpressions exprs() const { return {trees[0], trees[1], trees[2]}; }
};

// A view picture in a plain buffer (with a stride wider than the line, to catch stride mistakes).
struct Picture {
    int width, height;
    std::ptrdiff_t stride;
    std::vector<uint8_t> bytes;
    Picture(int w, int h)
        : width(w), height(h), stride(w * 3 + 5), bytes(static_cast<size_t>(stride) * h, 0x5A) {}
    orvenna::CompositeTarget target() { return {bytes.data(), width, height, stride}; }
    const uint8_t* px(int x, int y) const { return bytes.data() + y * stride + x * 3; }
    // Compares the pixels only (the stride padding is not part of the picture).
    bool same_pixels(const Picture& o) const {
        for (int y = 0; y < height; ++y) {
            if (std::memcmp(px(0, y), o.px(0, y), static_cast<size_t>(width) * 3) != 0) return false;
        }
        return true;
    }
};

// The display-range mapping of an 8-bit value, written out independently of the reader.
inline int stretch(int v, int low, int high) {
    if ((low == 0 && high == 255) || high - low < 1) return v;
    const int r = static_cast<int>(255.999999 / (high - low) * (v - low));
    return r < 0 ? 0 : (r > 255 ? 255 : r);
}

// The composite's three evaluators: the reference tree walk, the renderer with and without its cache.
enum class Engine { Reference, Fast, FastUncached };
const Engine kEngines[] = {Engine::Reference, Engine::Fast, Engine::FastUncached};
inline const char* engine_name(Engine e) {
    return e == Engine::Reference ? "reference" : (e == Engine::Fast ? "fast" : "fast uncached");
}

inline void draw(Engine e, std::vector<orvenna::CompositeBandRow>& rows, const Texts& texts,
                 const orvenna::ViewGeometry& g, Picture& pic) {
    if (e == Engine::Reference) {
        orvenna::DrawCompositeReference(rows.data(), static_cast<int>(rows.size()), texts.exprs(), g,
                                        pic.target());
        return;
    }
    orvenna::CompositeRenderer renderer;
    renderer.set_cache_enabled(e == Engine::Fast);
    renderer.draw(rows.data(), static_cast<int>(rows.size()), texts.exprs(), g, pic.target());
}

}  // namespace composite_test
