// Writing the rendered picture to a file as it is drawn, a band of lines at a time, so that memory does not
// grow with the picture: BMP, PNG, JPEG and GeoTIFF, chosen by the output name's extension. Each writer
// writes into a temporary file beside the output and renames it over the output only when the picture is
// complete: a failed or interrupted render never leaves a half-written file under the output name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace orvenna {

// Where the picture lies on the ground. GeoTIFF carries the transform and its coordinate system, or the
// control points; PNG and JPEG carry a transform in a world file (".pgw", ".jgw") and a ".prj" beside the
// picture, and no control points; BMP carries none.
struct OutputGeoreference {
    // The scene's own: an affine pixel-to-map transform (GDAL's order) for the output's pixels and the
    // coordinate system as WKT.
    bool has_transform = false;
    double transform[6] = {0, 1, 0, 0, 0, 1};
    std::string crs_wkt;
    // Corner metadata: ground control points (output pixel centre -> WGS 84 longitude, latitude).
    struct ControlPoint {
        double pixel = 0, line = 0;  // output pixel position
        double lon = 0, lat = 0;
    };
    ControlPoint control_points[4];
    int control_point_count = 0;
};

class PictureWriter {
public:
    virtual ~PictureWriter();
    PictureWriter(const PictureWriter&) = delete;
    PictureWriter& operator=(const PictureWriter&) = delete;

    // Starts a picture of width x height pixels. False with *error when the file cannot be made.
    virtual bool begin(int width, int height, std::string* error) = 0;
    // Adds `count` lines from the top down: each `width` pixels of blue, green, red bytes, `stride` bytes
    // apart.
    virtual bool write_lines(const uint8_t* bgr, std::ptrdiff_t stride, int count, std::string* error) = 0;
    // Completes the file and puts it under the output name.
    virtual bool finish(std::string* error) = 0;

protected:
    PictureWriter() = default;
};

// Output formats by extension (case ignored): .bmp, .png, .jpg/.jpeg, .tif/.tiff.
enum class PictureFormat { Unknown, Bmp, Png, Jpeg, GeoTiff };
PictureFormat picture_format_of(const std::string& path);

// A writer for `path` (its format from the extension); null for an unknown extension. With `grey`, the
// caller promises lines whose three bytes are equal in every pixel: PNG and GeoTIFF then hold one grey band
// (a third of the data to compress and write), BMP and JPEG stay colour.
std::unique_ptr<PictureWriter> make_picture_writer(const std::string& path, const OutputGeoreference& geo,
                                                   bool grey = false);

}  // namespace orvenna
