// remos: the scene file reader. Opens one band file of a scene (CEOS, 8-bit TIFF, the native "VELDAMOR" raw
// format, and through GDAL every other raster format GDAL reads), describes its bands in fixed records and
// reads their samples, histograms and display ranges.
//
// Procedural on purpose: plain records passed by pointer, small integer results, no messages of its own.
//
// What the reader refuses (remos_open gives 3): files shorter than the header they claim; header values that
// make sizes meaningless (sample widths other than 8, 16 or 32 bits in line records, PSRB groups that are not
// at least two 32-bit floats, records no longer than their prefix and suffix, zero width, lines or bands);
// image data that the headers place beyond the end of the file; TIFFs without ImageWidth, ImageLength,
// BitsPerSample, PhotometricInterpretation or StripOffsets, with them stored in an unexpected type, or whose
// strips do not follow each other directly. A path of 1024 bytes or more is not opened (result 0).
//
// Reading: bytes the file does not hold read as zero. 32-bit integer samples in line records draw as
// v * 255 / (2^32 - 1), like 16-bit ones. The scene file is unbuffered: every read seeks and reads the file.
#pragma once

#include <cstdint>
#include <cstdio>

// Format codes: the third argument of remos_open and the detected `format` of a scene.
enum {
    FMT_OPEN_ONLY = -3,  // argument only: open the file and record its path
    FMT_UNKNOWN = -2,    // detection result: no known signature
    FMT_DETECT = -1,     // argument only: detect, then read the headers
    FMT_RAW_MULTI = 0,   // raw band-interleaved file described by its caller
    FMT_RAW_SINGLE = 1,  // raw single-band file described by its caller
    FMT_CEOS = 3,        // CEOS image file, "AL" at byte 48
    FMT_TIFF = 4,        // uncompressed 8-bit TIFF
    FMT_NATIVE = 6,      // "VELDAMOR" raw format
    FMT_CEOS_PSRC = 7,   // CEOS image file of kind "PSRC"
    FMT_CEOS_PSRB = 8,   // CEOS image file of kind "PSRB": float data groups
    FMT_GDAL = 9         // any raster GDAL reads (GeoTIFF, COG, JPEG 2000, HDF, NetCDF ...)
};

// Results of remos_open.
enum { REMOS_CANNOT_OPEN = 0, REMOS_OK = 1, REMOS_UNKNOWN_FORMAT = 3 };

// Sample layouts of BandInfo::interleave.
enum { REMOS_BY_LINE = 0, REMOS_BY_PIXEL_RGB = 1, REMOS_BY_GROUP = 2 };

// Longest path a scene keeps, including its terminating NUL.
enum { REMOS_PATH_SIZE = 1024 };

struct RemosValueCounts;  // fine value counts of a wide band's histogram (remos_make_band_histogram)
// Size of SceneFile::open_reason, including its terminating NUL.
enum { REMOS_REASON_SIZE = 256 };

// One band of an opened scene file. The records of a scene lie in one array in band order.
struct BandInfo {
    int32_t index;              // position of the band in its file, from 0
    int32_t band_count;         // bands in the file
    int32_t bits;               // bits per sample as stored
    int32_t bytes_per_sample;   // bits / 8
    int32_t samples_per_group;  // samples per data group (interleave 2 only)
    uint32_t interleave;        // REMOS_BY_LINE, REMOS_BY_PIXEL_RGB or REMOS_BY_GROUP
    int32_t record_length;      // bytes from one line record to the next (interleave 0 and 2)
    int32_t lines;              // number of lines
    int32_t prefix_bytes;       // bytes ahead of the samples in a line record
    int32_t suffix_bytes;       // bytes behind the samples in a line record
    int32_t width;              // samples per line
    int32_t histogram[256];     // count of each 8-bit value
    int32_t hist_peak;          // largest bin over 0..255
    int32_t hist_peak_inner;    // largest bin over 1..254
    int32_t range_high;         // upper bound of the display range
    int32_t range_low;          // lower bound of the display range
    uint32_t full_scale;        // 2^bits - 1
    int32_t data_offset;        // file offset of the image data
    FILE* file;                 // the scene's file, not owned

    // The fields below serve bands wider than 8 bits and bands read through GDAL. A reader that fills none
    // of them leaves them zero: an 8-bit unsigned band without no-data.
    int32_t sample_type;  // REMOS_SAMPLE_*: how one stored sample reads
    int32_t has_nodata;   // 1 when `nodata` marks pixels without data
    double nodata;        // the no-data value, as stored
    double value_min;     // smallest value present (no-data left out); set by the histogram pass
    double value_max;     // largest value present; with value_min the span of the 256 histogram columns
    double display_low;   // display range in the band's own values (bands wider than 8 bits)
    double display_high;
    void* source;  // reader-private state (the GDAL band), owned by the scene; shared by copies of the record
    // Fine counts of the last remos_make_band_histogram of a band wider than 8 bits, for its automatic
    // range; owned by the scene (released by remos_close), shared by copies of the record.
    RemosValueCounts* value_counts;
};

// Sample types of BandInfo::sample_type: the stored value's kind, whatever the file's byte order.
enum {
    REMOS_SAMPLE_U8 = 0,
    REMOS_SAMPLE_U16 = 1,
    REMOS_SAMPLE_I16 = 2,
    REMOS_SAMPLE_U32 = 3,
    REMOS_SAMPLE_I32 = 4,
    REMOS_SAMPLE_F32 = 5,
    REMOS_SAMPLE_F64 = 6
};

// One opened scene file. The caller owns the record; remos_open fills it, remos_close empties it.
struct SceneFile {
    FILE* file;                  // null when not open
    char path[REMOS_PATH_SIZE];  // the path as given
    int32_t format;              // FMT_* code
    uint32_t band_count;         // records in `bands`
    int32_t width;               // samples per line (band 0's width)
    uint32_t height;             // lines (band 0's lines)
    BandInfo* bands;             // owned; null when not read or after closing

    // Reader-private state of the whole scene (the GDAL dataset, the georeferencing), owned; null when none.
    void* source;
    // Why remos_open gave 3, when a reader said why (GDAL's message, or the sample type or band sizes that
    // cannot be read); "" otherwise. UTF-8, NUL-terminated, kept after remos_close.
    char open_reason[REMOS_REASON_SIZE];
};

// Opening and band records.
//
// With FMT_DETECT the built-in signatures come first: a file they claim opens with its built-in reader, and
// a CEOS or "VELDAMOR" file that reader refuses stays refused (3). A file without a built-in signature, and a
// TIFF the built-in TIFF reader refuses (compressed, tiled, several rows per strip, wider than 8 bits,
// planar), goes on to GDAL: on success `format` is FMT_GDAL. A TIFF GDAL cannot read either keeps `format`
// FMT_TIFF with the result 3 and the reason in `open_reason`; another file GDAL recognises but the viewer
// cannot show gives FMT_GDAL, 3 and the reason; a file GDAL does not know keeps FMT_UNKNOWN. GDAL bands hold
// Byte, UInt16, Int16, UInt32, Int32, Float32 or Float64 samples (`sample_type`), all bands of one type and
// size; other files are refused with a reason. An explicit format code reads that format only (FMT_GDAL: GDAL
// only). Only regular files are opened, by every reader. A URL (scene_url.h) is read by GDAL only, without a
// FILE of its own: FMT_DETECT or FMT_GDAL, result 0 with the reason in `open_reason` when the server does
// not give the file.
// A record opened before and not closed since is closed first (its file is not left open).
int remos_open(SceneFile* scene, const char* path, int format);  // 0 cannot open, 1 ok, 3 unknown/bad header
// The scene's open_reason ("" when none); never null.
const char* remos_open_reason(const SceneFile* scene);
int remos_close(SceneFile* scene);        // returns 1
int remos_detect(SceneFile* scene);       // FMT_NATIVE, _CEOS_PSRC, _PSRB, _CEOS, _TIFF
int remos_read_header(SceneFile* scene);  // 1 ok, 0 failed
// Raw layouts described by the caller: the records stay record_length bytes apart (prefix and suffix
// included), the width is the record's data bytes divided by the sample size. Returns 0 for layouts that
// cannot be read (no lines or data bytes, negative offsets, sample widths other than 8, 16 or 32 bits, band
// counts outside 1..65535).
int remos_describe_raw(SceneFile* scene, int data_offset, int prefix_bytes, int suffix_bytes, int lines,
                       int record_length, int band_count, int bits);
int remos_describe_raw_single(SceneFile* scene, int data_offset, int prefix_bytes, int suffix_bytes,
                              int lines, int record_length, int bits);

// Field readers.
int remos_decimal_field(const unsigned char* bytes, int n);
int remos_be_int(const unsigned char* bytes, int n);
uint32_t remos_bytes_to_uint(const unsigned char* bytes, int n, int little_endian);
float remos_bytes_to_float(const unsigned char* bytes, int n, int little_endian);

// Samples, rows, histograms and display ranges.
//
// GDAL bands: remos_read_sample gives the value as stored (negative integers negative, floats with their
// fraction). remos_read_row gives 8-bit values: Byte as stored; unsigned 16 and 32 bits v * 255 / (2^bits -
// 1) truncated, as for the built-in 16- and 32-bit bands; signed integers the same after adding 2^(bits-1),
// so the type's whole range maps onto 0..255 in order; floats their value truncated and kept inside 0..255
// (NaN 0). A block that cannot be decoded reads as zeros; the scene keeps GDAL's reason for
// remos_take_read_error. The histogram of a Byte band leaves the band's no-data value out.
// Threads: every read of a GDAL band may come from any thread. A scene keeps a main GDAL dataset behind a
// lock (each read holds it for one read of GDAL; the blocks decoded stay in GDAL's block cache); the further
// parts of a histogram pass read through spare datasets of the same file, at most one per further core, so
// they decode in parallel. Scenes (band files) read on different threads run in parallel.
double remos_read_sample(BandInfo* band, int64_t pixel_index);
// remos_read_sample that never waits for another thread's read of the scene nor decodes a large block: 1 with
// the value in *value, or 0 (nothing read) when the scene is busy with a read elsewhere (a histogram pass, a
// slow block) or the sample's block is large and not decoded yet. Built-in formats always read.
int remos_read_sample_nowait(BandInfo* band, int64_t pixel_index, double* value);
// Writes the 8-bit values of the samples x0 .. x0 + n - 1 of `line` into dest. The run is clamped to the band
// first: a line past the last (or below 0) reads the nearest line, a column past the last (or below 0) starts
// at the nearest column, and n is cut so the run ends at the band's last sample; dest receives only that many
// values. Bytes the file does not hold, a layout the reader cannot convert and a block that cannot be decoded
// are written as zeros. Returns 1 whenever band and dest are given (also when nothing was written because n
// or the band's size is 0), 0 otherwise; it never reports a read that failed.
int remos_read_row(BandInfo* band, unsigned char* dest, int line, int x0, int n);
// Reduced runs for drawing a reduced view: n values for the samples x0, x0 + step, ... of `line` (n cut to
// the samples inside the band), converted like remos_read_row. A GDAL band with overviews takes them from
// the overview that matches `step` (the area each value stands for: columns x0 + i * step .. + step - 1,
// lines line .. line + step - 1); other bands give exactly the samples named. Returns the count written.
int remos_read_row_reduced(BandInfo* band, unsigned char* dest, int line, int x0, int n, int step);
// The same with stored samples, as remos_read_row_stored writes them.
int remos_read_row_stored_reduced(BandInfo* band, void* dest, int line, int x0, int n, int step);
// Takes the reason of the first read of the scene that failed (a block GDAL could not decode), once: 1 with
// the message copied into `message` (size bytes, NUL-terminated), 0 when there is nothing to report. Each
// scene reports one failure; later ones read as zeros silently. Any thread.
int remos_take_read_error(SceneFile* scene, char* message, int size);
// Reads n stored samples of `line` from column x0 into dest as the band's sample_type in the machine's byte
// order (remos_sample_size bytes each), clipped like remos_read_row. Samples that cannot be read are zero.
// Returns the count written. Safe to call from several threads for bands of one scene.
int remos_read_row_stored(BandInfo* band, void* dest, int line, int x0, int n);
int remos_sample_size(int sample_type);  // bytes of one sample of that type; 0 for unknown types
// 256-bin histogram of an 8-bit band (0 for other bands). A band that marks pixels without data by a byte
// value (has_nodata) leaves them out of its bin; the built-in formats mark none.
int remos_make_histogram(BandInfo* band);
// Called now and then by a long pass with the share of the work done (0..1); a result of 0 stops the pass.
// It runs on the thread that runs the pass.
typedef int (*RemosProgress)(void* context, double done);
// remos_make_histogram that reports its progress and can be stopped: 1 made, 0 stopped or not made (a
// stopped pass leaves the band's histogram fields as they were).
int remos_make_histogram_progress(BandInfo* band, RemosProgress progress, void* context);
// Threads that count a histogram pass: 0 (the default) one per core, bands of a few MiB on one; n > 0 exactly
// n, however small the band. Counts are the same for every setting. The callback of a pass is only ever
// called on the thread that called the pass.
void remos_set_pass_threads(int threads);
void remos_auto_range(BandInfo* band, double ratio, int exclude_ends);
void remos_stretch_row(BandInfo* band, unsigned char* buf, int len);
int remos_stretch_value(BandInfo* band, int value);
void remos_geo_to_pixel(int* column, int* row, int width, int height, float lat, float lon, float ul_lon,
                        float ul_lat, float ll_lon, float ll_lat, float ur_lon, float ur_lat, float lr_lon,
                        float lr_lat);

// Bands wider than 8 bits (16- and 32-bit integers, signed or not, floats), in the band's own values.
//
// The histogram of such a band spans the smallest to the largest value present (value_min..value_max,
// no-data and non-finite values left out) over the 256 columns of `histogram`; hist_peak and
// hist_peak_inner are taken over those columns as for 8-bit bands. Integer bands of up to 16 bits are counted
// exactly (every value in its own bin, the columns sums of whole bins); wider integers and floats are counted
// in a second pass into 65536 bins of equal share of the span (one per value when the span has fewer values),
// so memory stays bounded. The fine counts stay with the band for remos_auto_range_values.
//
// 1 when the band holds samples other than 8-bit unsigned ones (its sample_type is not REMOS_SAMPLE_U8).
int remos_band_is_wide(const BandInfo* band);
// Histogram of any band: 8-bit bands exactly as remos_make_histogram_progress (value fields untouched),
// wider bands as above (sets histogram, hist_peak, hist_peak_inner, value_min, value_max and the fine
// counts; a band without any usable value gets empty columns and the span 0..0). Leaves the display range
// alone. 1 made, 0 stopped (band unchanged) or no band.
int remos_make_band_histogram(BandInfo* band, RemosProgress progress, void* context);
// Automatic display range of a wide band from its fine counts: the share `ratio` of the values counted is
// cut at each end, as remos_auto_range does for 8-bit bands. display_low is the smallest value of the first
// fine bin where the sum from below exceeds the share, display_high the largest value of the first bin where
// the sum from above does (integers for integer bands). With exclude_ends, the sums leave out the pixels of
// the smallest and the largest value present (what 0 and 255 are to 8-bit bands), though they still count in
// the total. A bound whose sum never exceeds the share keeps its value; nothing forces low below high.
// Returns 1 when both bounds were set, 0 otherwise (8-bit band, no histogram made, no value counted).
int remos_auto_range_values(BandInfo* band, double ratio, int exclude_ends);
// Full range of a wide band: display_low..display_high = value_min..value_max. 1 set, 0 as above.
int remos_full_range_values(BandInfo* band);
// Histogram column (0..255) of a value: for wide bands the column that counts it (values outside the span
// clamped to the end columns), for 8-bit bands the value itself clamped to 0..255.
int remos_histogram_column(const BandInfo* band, double value);
// Smallest value that a histogram column counts (integers: the smallest whole value); 8-bit bands: column.
double remos_histogram_column_value(const BandInfo* band, int column);
// The scene file's own georeferencing (GeoTIFF keys, a world file with its .prj, GML in JPEG 2000, any CRS
// that GDAL and PROJ know), read at opening for GDAL scenes and built-in TIFFs. Coordinates are WGS 84
// degrees. Any thread.
//
// Latitude and longitude of the centre of pixel (x, y); 1, or 0 when the scene has no georeferencing of its
// own (built-in formats other than GeoTIFF, files without a CRS or transform).
int remos_pixel_to_geo(const SceneFile* scene, int x, int y, double* lat, double* lon);
// The pixel whose area holds the position (column and line rounded down; may lie outside the image); 1, or 0
// without georeferencing or when the position cannot be transformed.
int remos_geo_to_pixel_exact(const SceneFile* scene, double lat, double lon, int* x, int* y);
// 1 when the scene has georeferencing of its own, else 0.
int remos_is_georeferenced(const SceneFile* scene);
// The scene's own pixel-to-map transform (GDAL's six coefficients: map x = t0 + column * t1 + line * t2,
// map y = t3 + column * t4 + line * t5, pixel corners) and its coordinate system as WKT into crs_wkt
// (crs_size bytes with the NUL); 1, or 0 without georeferencing or when the WKT does not fit.
int remos_scene_transform(const SceneFile* scene, double transform[6], char* crs_wkt, int crs_size);

// Band arrays: `bands` is allocated with calloc and released by remos_close with free. A caller that hangs
// its own records on a scene (pictures opened with FMT_OPEN_ONLY) allocates them here. Releases any earlier
// array; returns the zeroed array, or null (and band_count 0) when count is not 1..65535 or memory is short.
BandInfo* remos_alloc_bands(SceneFile* scene, int count);

// Small conveniences.
BandInfo* remos_band(SceneFile* scene, int i);  // null when i is outside 0..band_count-1
void remos_set_range(BandInfo* band, int high, int low);

// One integer sample per band of a scene at one pixel.
struct RemosPixelVector {
    int* values;  // `length` elements, owned; null when released
    int length;
};
// Allocates one element per band of `scene` (values zero); returns 1, or 0 when the scene has no bands.
int remos_alloc_pixel_vector(const SceneFile* scene, RemosPixelVector* vector);
// Releases the elements and sets `values` to null and `length` to 0; null or released vectors are accepted.
void remos_free_pixel_vector(RemosPixelVector* vector);
// Stores remos_read_sample of every band at pixel_index, truncated to int; returns 1, or 0 when the vector is
// not allocated for this scene's band count or pixel_index lies outside the image.
int remos_read_pixel_vector(SceneFile* scene, int64_t pixel_index, RemosPixelVector* vector);
