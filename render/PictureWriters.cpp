#include "render/PictureWriters.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <cpl_conv.h>
#include <cpl_error.h>
#include <gdal.h>
#include <jpeglib.h>
#include <ogr_srs_api.h>
#include <png.h>

#include "scene/system_errors.h"
#include "text/translated_text.h"

namespace orvenna {

PictureWriter::~PictureWriter() = default;

namespace {

std::string lower_extension(const std::string& path) {
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
    std::string ext = path.substr(dot + 1);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

// "The file cannot be written", with its reason.
std::string write_failure(const std::string& target, const std::string& reason) {
    return fill_text(tr_text("Render", "\"%1\" を書けません: %2"), {target, reason});
}
std::string write_failure(const std::string& target, int reason) {
    return write_failure(target, system_error_text(reason));
}

// A temporary file in the output's folder; renamed over the output by commit(), removed otherwise.
class TemporaryOutput {
public:
    explicit TemporaryOutput(std::string target) : target_(std::move(target)) {}
    ~TemporaryOutput() { discard(); }

    bool create(std::string* error) {
        const size_t slash = target_.rfind('/');
        const std::string folder = slash == std::string::npos ? "."
                                   : slash == 0               ? "/"
                                                              : target_.substr(0, slash);
        std::vector<char> name(folder.begin(), folder.end());
        const char pattern[] = "/.orvenna-render-XXXXXX";
        name.insert(name.end(), pattern, pattern + sizeof pattern);
        fd_ = mkstemp(name.data());
        if (fd_ < 0) {
            *error = "フォルダ \"" + folder + "\" に書き込めません: " + system_error_text(errno);
            return false;
        }
        path_ = name.data();
        return true;
    }
    int fd() const { return fd_; }
    const std::string& path() const { return path_; }

    // Closes the file (if still open) and renames it over the target with the usual permissions.
    bool commit(std::string* error) { return settle(error) && put_in_place(error); }
    // Closes the file (if still open), its bytes on the disk, with the usual permissions.
    bool settle(std::string* error) {
        int reason = 0;
        if (fd_ >= 0 && fsync(fd_) != 0) reason = errno;
        if (fd_ >= 0 && close(fd_) != 0 && reason == 0) reason = errno;
        fd_ = -1;
        const mode_t mask = umask(0);
        umask(mask);
        if (reason == 0 && chmod(path_.c_str(), 0666 & ~mask) != 0) reason = errno;
        return reason == 0 || fail(reason, error);
    }
    // Renames the settled file over the target.
    bool put_in_place(std::string* error) {
        if (rename(path_.c_str(), target_.c_str()) != 0) return fail(errno, error);
        path_.clear();
        return true;
    }
    // Flushes and closes a stream made on the descriptor (release()), then commits.
    bool commit_stream(std::FILE*& stream, std::string* error) {
        const bool flushed = std::fflush(stream) == 0 && fsync(fileno(stream)) == 0;
        int reason = flushed ? 0 : errno;
        if (std::fclose(stream) != 0 && reason == 0) reason = errno;
        stream = nullptr;
        if (reason != 0) {
            *error = write_failure(target_, reason);
            return false;
        }
        return commit(error);
    }
    // Closes the descriptor, keeping the file (a library that opens it by name writes it).
    void discard_descriptor() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }
    // Gives up the descriptor to a library that closes it itself.
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void discard() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
        if (!path_.empty()) unlink(path_.c_str());
        path_.clear();
    }

private:
    bool fail(int reason, std::string* error) const {
        *error = write_failure(target_, reason);
        return false;
    }

    std::string target_;
    std::string path_;
    int fd_ = -1;
};

// The side files of a PNG or JPEG picture with a transform: the world file (A, D, B, E, then C, F at the
// centre of the top-left pixel) and the coordinate system as ESRI WKT in a ".prj". They are written into
// temporary files before the picture is completed and put in place after it; a failure leaves none.
class SideFiles {
public:
    SideFiles(const std::string& picture, const char* worldExtension, const OutputGeoreference& geo) {
        if (!geo.has_transform) return;
        const size_t slash = picture.rfind('/');
        const size_t dot = picture.rfind('.');
        const std::string stem = dot == std::string::npos || (slash != std::string::npos && dot < slash)
                                     ? picture
                                     : picture.substr(0, dot);
        const double* t = geo.transform;
        char world[512];
        std::snprintf(world, sizeof world, "%.17g\n%.17g\n%.17g\n%.17g\n%.17g\n%.17g\n", t[1], t[4], t[2],
                      t[5], t[0] + 0.5 * t[1] + 0.5 * t[2], t[3] + 0.5 * t[4] + 0.5 * t[5]);
        files_.push_back({stem + "." + worldExtension, world, nullptr});
        if (!geo.crs_wkt.empty()) files_.push_back({stem + ".prj", esri_wkt(geo.crs_wkt), nullptr});
    }

    // Writes every side file into its temporary file.
    bool prepare(std::string* error) {
        for (File& f : files_) {
            f.temporary = std::make_unique<TemporaryOutput>(f.path);
            if (!f.temporary->create(error)) return false;
            const char* bytes = f.text.data();
            for (size_t left = f.text.size(); left > 0;) {
                const ssize_t w = write(f.temporary->fd(), bytes, left);
                if (w < 0 && errno == EINTR) continue;
                if (w <= 0) {
                    *error = write_failure(f.path, w < 0 ? errno : EIO);
                    return false;
                }
                bytes += w;
                left -= static_cast<size_t>(w);
            }
            if (!f.temporary->settle(error)) return false;
        }
        return true;
    }

    // Puts the side files in place beside the completed picture; when one cannot be, the picture and
    // those already in place are removed.
    bool commit(const std::string& picture, std::string* error) {
        for (size_t i = 0; i < files_.size(); ++i) {
            if (files_[i].temporary->put_in_place(error)) continue;
            unlink(picture.c_str());
            for (size_t k = 0; k < i; ++k)
                unlink(files_[k].path.c_str());
            return false;
        }
        return true;
    }

private:
    static std::string esri_wkt(const std::string& wkt) {
        std::string text = wkt;
        OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
        char* esri = nullptr;
        const char* options[] = {"FORMAT=WKT1_ESRI", nullptr};
        std::vector<char> copy(wkt.begin(), wkt.end());
        copy.push_back('\0');
        char* cursor = copy.data();
        if (OSRImportFromWkt(srs, &cursor) == OGRERR_NONE &&
            OSRExportToWktEx(srs, &esri, options) == OGRERR_NONE && esri && *esri)
            text = esri;
        CPLFree(esri);
        OSRDestroySpatialReference(srs);
        return text;
    }

    struct File {
        std::string path, text;
        std::unique_ptr<TemporaryOutput> temporary;
    };
    std::vector<File> files_;
};

// ---- BMP: 24-bit, lines bottom-up, each padded to four bytes; written at their places in the file. ----

void put_le(unsigned char* p, uint32_t v, int n) {
    for (int i = 0; i < n; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

class BmpWriter : public PictureWriter {
public:
    explicit BmpWriter(const std::string& path) : path_(path), file_(path) {}

    bool begin(int width, int height, std::string* error) override {
        width_ = width;
        height_ = height;
        stride_ = (static_cast<uint64_t>(width) * 3 + 3) / 4 * 4;
        const uint64_t pixels = stride_ * static_cast<uint64_t>(height);
        if (width <= 0 || height <= 0 || pixels + 54 > 0x7FFFFFFFull) {
            *error = fill_text(tr_text("Render", "画像が大きすぎて BMP に書けません (%1 x %2)"),
                               {std::to_string(width), std::to_string(height)});
            return false;
        }
        if (!file_.create(error)) return false;
        unsigned char header[54] = {'B', 'M'};
        put_le(header + 2, static_cast<uint32_t>(54 + pixels), 4);
        put_le(header + 10, 54, 4);
        put_le(header + 14, 40, 4);
        put_le(header + 18, static_cast<uint32_t>(width), 4);
        put_le(header + 22, static_cast<uint32_t>(height), 4);
        put_le(header + 26, 1, 2);
        put_le(header + 28, 24, 2);
        put_le(header + 34, static_cast<uint32_t>(pixels), 4);
        put_le(header + 38, 2835, 4);
        put_le(header + 42, 2835, 4);
        return put(header, sizeof header, 0, error);
    }

    bool write_lines(const uint8_t* bgr, std::ptrdiff_t stride, int count, std::string* error) override {
        std::vector<unsigned char> line(stride_, 0);
        for (int k = 0; k < count; ++k, ++next_) {
            std::memcpy(line.data(), bgr + k * stride, static_cast<size_t>(width_) * 3);
            const uint64_t at = 54 + stride_ * static_cast<uint64_t>(height_ - 1 - next_);
            if (!put(line.data(), line.size(), at, error)) return false;
        }
        return true;
    }

    bool finish(std::string* error) override { return file_.commit(error); }

private:
    bool put(const unsigned char* bytes, size_t n, uint64_t at, std::string* error) {
        while (n > 0) {
            const ssize_t w = pwrite(file_.fd(), bytes, n, static_cast<off_t>(at));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) {
                *error = write_failure(path_, w < 0 ? errno : EIO);
                return false;
            }
            bytes += w;
            at += static_cast<uint64_t>(w);
            n -= static_cast<size_t>(w);
        }
        return true;
    }

    std::string path_;
    TemporaryOutput file_;
    int width_ = 0, height_ = 0, next_ = 0;
    uint64_t stride_ = 0;
};

// ---- PNG through libpng: 8-bit RGB, rows as they come. ----

class PngWriter : public PictureWriter {
public:
    PngWriter(const std::string& path, const OutputGeoreference& geo, bool grey)
        : path_(path), file_(path), sides_(path, "pgw", geo), grey_(grey) {}
    ~PngWriter() override {
        if (png_) png_destroy_write_struct(&png_, &info_);
        if (stream_) std::fclose(stream_);
    }

    bool begin(int width, int height, std::string* error) override {
        if (!file_.create(error)) return false;
        stream_ = fdopen(file_.release(), "wb");
        if (!stream_) {
            *error = write_failure(path_, errno);
            return false;
        }
        png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, this, &PngWriter::on_error,
                                       &PngWriter::on_warning);
        info_ = png_ ? png_create_info_struct(png_) : nullptr;
        if (!info_) {
            *error = tr_text("Render", "PNG を書く準備ができません");
            return false;
        }
        if (setjmp(png_jmpbuf(png_))) return fail(error);
        png_init_io(png_, stream_);
        png_set_IHDR(png_, info_, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                     grey_ ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_set_compression_level(png_, 6);
        png_write_info(png_, info_);
        if (!grey_) png_set_bgr(png_);  // the lines hold blue, green, red
        width_ = width;
        if (grey_) grey_line_.resize(static_cast<size_t>(width));
        return true;
    }

    bool write_lines(const uint8_t* bgr, std::ptrdiff_t stride, int count, std::string* error) override {
        if (setjmp(png_jmpbuf(png_))) return fail(error);
        for (int k = 0; k < count; ++k) {
            const uint8_t* line = bgr + k * stride;
            if (grey_) {
                for (int i = 0; i < width_; ++i)
                    grey_line_[static_cast<size_t>(i)] = line[static_cast<size_t>(i) * 3];
                line = grey_line_.data();
            }
            png_write_row(png_, const_cast<png_bytep>(line));
        }
        return true;
    }

    bool finish(std::string* error) override {
        if (setjmp(png_jmpbuf(png_))) return fail(error);
        png_write_end(png_, info_);
        png_destroy_write_struct(&png_, &info_);
        png_ = nullptr;
        return sides_.prepare(error) && file_.commit_stream(stream_, error) && sides_.commit(path_, error);
    }

private:
    static void on_error(png_structp png, png_const_charp message) {
        auto* self = static_cast<PngWriter*>(png_get_error_ptr(png));
        self->message_ = message ? message : "";
        png_longjmp(png, 1);
    }
    static void on_warning(png_structp, png_const_charp) {}
    bool fail(std::string* error) {
        const int reason = stream_ && std::ferror(stream_) ? errno : 0;
        *error = reason ? write_failure(path_, reason) : tr_text("Render", "PNG を書けません: ") + message_;
        return false;
    }

    std::string path_;
    TemporaryOutput file_;
    SideFiles sides_;
    std::FILE* stream_ = nullptr;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
    bool grey_;
    std::vector<uint8_t> grey_line_;
    int width_ = 0;
    std::string message_;
};

// ---- JPEG through libjpeg: quality 92, lines as they come. ----

struct JpegError {
    jpeg_error_mgr manager;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void jpeg_error_exit(j_common_ptr info) {
    auto* error = reinterpret_cast<JpegError*>(info->err);
    (*info->err->format_message)(info, error->message);
    longjmp(error->jump, 1);
}

class JpegWriter : public PictureWriter {
public:
    JpegWriter(const std::string& path, const OutputGeoreference& geo)
        : path_(path), file_(path), sides_(path, "jgw", geo) {
        std::memset(&error_, 0, sizeof error_);
        info_.err = jpeg_std_error(&error_.manager);
        error_.manager.error_exit = jpeg_error_exit;
        error_.manager.output_message = [](j_common_ptr) {};
        jpeg_create_compress(&info_);
    }
    ~JpegWriter() override {
        jpeg_destroy_compress(&info_);
        if (stream_) std::fclose(stream_);
    }

    bool begin(int width, int height, std::string* error) override {
        if (width > 65500 || height > 65500) {
            *error = tr_text("Render", "画像が大きすぎて JPEG に書けません (65500 x 65500 まで)");
            return false;
        }
        if (!file_.create(error)) return false;
        stream_ = fdopen(file_.release(), "wb");
        if (!stream_) {
            *error = write_failure(path_, errno);
            return false;
        }
        if (setjmp(error_.jump)) return fail(error);
        jpeg_stdio_dest(&info_, stream_);
        info_.image_width = static_cast<JDIMENSION>(width);
        info_.image_height = static_cast<JDIMENSION>(height);
        info_.input_components = 3;
        info_.in_color_space = JCS_EXT_BGR;
        jpeg_set_defaults(&info_);
        jpeg_set_quality(&info_, 92, TRUE);
        jpeg_start_compress(&info_, TRUE);
        return true;
    }

    bool write_lines(const uint8_t* bgr, std::ptrdiff_t stride, int count, std::string* error) override {
        if (setjmp(error_.jump)) return fail(error);
        for (int k = 0; k < count; ++k) {
            JSAMPROW row = const_cast<JSAMPROW>(bgr + k * stride);
            jpeg_write_scanlines(&info_, &row, 1);
        }
        return true;
    }

    bool finish(std::string* error) override {
        if (setjmp(error_.jump)) return fail(error);
        jpeg_finish_compress(&info_);
        return sides_.prepare(error) && file_.commit_stream(stream_, error) && sides_.commit(path_, error);
    }

private:
    bool fail(std::string* error) {
        const int reason = stream_ && std::ferror(stream_) ? errno : 0;
        *error =
            reason ? write_failure(path_, reason) : tr_text("Render", "JPEG を書けません: ") + error_.message;
        return false;
    }

    std::string path_;
    TemporaryOutput file_;
    SideFiles sides_;
    std::FILE* stream_ = nullptr;
    jpeg_compress_struct info_;
    JpegError error_;
};

// ---- GeoTIFF through GDAL: RGB, DEFLATE, tiled, with the scene's georeferencing. ----

class GeoTiffWriter : public PictureWriter {
public:
    GeoTiffWriter(const std::string& path, const OutputGeoreference& geo, bool grey)
        : path_(path), file_(path), geo_(geo), grey_(grey) {}
    ~GeoTiffWriter() override {
        if (dataset_) GDALClose(dataset_);
    }

    bool begin(int width, int height, std::string* error) override {
        GDALAllRegister();
        GDALDriverH driver = GDALGetDriverByName("GTiff");
        if (!driver) {
            *error = tr_text("Render", "GeoTIFF を書くドライバがありません");
            return false;
        }
        if (!file_.create(error)) return false;
        // GDAL writes the file itself, by name: the temporary name is reserved, its descriptor closed.
        file_.discard_descriptor();
        // DEFLATE at its fastest level (a fifth larger than level 3, a seventh faster to write), compressed
        // on every core; tiles of a fixed height, written a row of tiles at a time, so that no tile is ever
        // written twice and GDAL holds at most one row of them.
        const char* options[] = {"COMPRESS=DEFLATE",
                                 "ZLEVEL=1",
                                 "NUM_THREADS=ALL_CPUS",
                                 "TILED=YES",
                                 "BLOCKXSIZE=256",
                                 "BLOCKYSIZE=256",
                                 grey_ ? "PHOTOMETRIC=MINISBLACK" : "PHOTOMETRIC=RGB",
                                 "BIGTIFF=IF_SAFER",
                                 nullptr};
        CPLErrorReset();
        dataset_ = GDALCreate(driver, file_.path().c_str(), width, height, grey_ ? 1 : 3, GDT_Byte,
                              const_cast<char**>(options));
        width_ = width;
        height_ = height;
        rows_.reserve(static_cast<size_t>(kTileHeight) * width * 3);
        if (!dataset_) return fail(error);
        if (geo_.has_transform) {
            double transform[6];
            std::copy(std::begin(geo_.transform), std::end(geo_.transform), transform);
            GDALSetGeoTransform(dataset_, transform);
            if (!geo_.crs_wkt.empty()) GDALSetProjection(dataset_, geo_.crs_wkt.c_str());
        } else if (geo_.control_point_count > 0) {
            GDAL_GCP gcps[4];
            char ids[4][8];
            for (int i = 0; i < geo_.control_point_count; ++i) {
                std::snprintf(ids[i], sizeof ids[i], "%d", i + 1);
                gcps[i].pszId = ids[i];
                gcps[i].pszInfo = const_cast<char*>("");
                gcps[i].dfGCPPixel = geo_.control_points[i].pixel;
                gcps[i].dfGCPLine = geo_.control_points[i].line;
                gcps[i].dfGCPX = geo_.control_points[i].lon;
                gcps[i].dfGCPY = geo_.control_points[i].lat;
                gcps[i].dfGCPZ = 0;
            }
            OGRSpatialReferenceH wgs84 = OSRNewSpatialReference(nullptr);
            OSRImportFromEPSG(wgs84, 4326);
            char* wkt = nullptr;
            OSRExportToWkt(wgs84, &wkt);
            GDALSetGCPs(dataset_, geo_.control_point_count, gcps, wkt);
            CPLFree(wkt);
            OSRDestroySpatialReference(wgs84);
        }
        return true;
    }

    bool write_lines(const uint8_t* bgr, std::ptrdiff_t stride, int count, std::string* error) override {
        const size_t lineBytes = static_cast<size_t>(width_) * 3;
        for (int k = 0; k < count; ++k) {
            const uint8_t* line = bgr + k * stride;
            rows_.insert(rows_.end(), line, line + lineBytes);
            if (rows_.size() == lineBytes * kTileHeight && !flush_rows(error)) return false;
        }
        return true;
    }

    bool finish(std::string* error) override {
        if (!rows_.empty() && !flush_rows(error)) return false;
        // GDAL 3.6 reports a failed close (a full disk while flushing) only through its error state.
        CPLErrorReset();
        GDALClose(dataset_);
        dataset_ = nullptr;
        if (CPLGetLastErrorType() >= CE_Failure) return fail(error);
        return file_.commit(error);
    }

private:
    bool fail(std::string* error) {
        const char* message = CPLGetLastErrorMsg();
        *error = write_failure(
            path_, message && *message ? std::string(message) : tr_text("Render", "GDAL のエラー"));
        return false;
    }

    // Writes the gathered lines (a row of tiles, or the last lines) and lets GDAL compress and write them.
    bool flush_rows(std::string* error) {
        const int count = static_cast<int>(rows_.size() / (static_cast<size_t>(width_) * 3));
        int bands[3] = {3, 2, 1};  // the lines hold blue, green, red
        CPLErrorReset();
        // A grey picture writes one of the three equal bytes of each pixel.
        if (GDALDatasetRasterIO(dataset_, GF_Write, 0, next_, width_, count, rows_.data(), width_, count,
                                GDT_Byte, grey_ ? 1 : 3, grey_ ? bands + 2 : bands, 3,
                                static_cast<GSpacing>(width_) * 3, 1) != CE_None)
            return fail(error);
        GDALFlushCache(dataset_);
        if (CPLGetLastErrorType() >= CE_Failure) return fail(error);
        next_ += count;
        rows_.clear();
        return true;
    }

    static constexpr int kTileHeight = 256;
    std::string path_;
    TemporaryOutput file_;
    OutputGeoreference geo_;
    bool grey_;
    GDALDatasetH dataset_ = nullptr;
    int width_ = 0, height_ = 0;
    int next_ = 0;
    std::vector<uint8_t> rows_;
};

}  // namespace

PictureFormat picture_format_of(const std::string& path) {
    const std::string ext = lower_extension(path);
    if (ext == "bmp") return PictureFormat::Bmp;
    if (ext == "png") return PictureFormat::Png;
    if (ext == "jpg" || ext == "jpeg") return PictureFormat::Jpeg;
    if (ext == "tif" || ext == "tiff") return PictureFormat::GeoTiff;
    return PictureFormat::Unknown;
}

std::unique_ptr<PictureWriter> make_picture_writer(const std::string& path, const OutputGeoreference& geo,
                                                   bool grey) {
    switch (picture_format_of(path)) {
        case PictureFormat::Bmp:
            return std::make_unique<BmpWriter>(path);
        case PictureFormat::Png:
            return std::make_unique<PngWriter>(path, geo, grey);
        case PictureFormat::Jpeg:
            return std::make_unique<JpegWriter>(path, geo);
        case PictureFormat::GeoTiff:
            return std::make_unique<GeoTiffWriter>(path, geo, grey);
        default:
            return nullptr;
    }
}

}  // namespace orvenna
