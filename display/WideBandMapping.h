// How the composite turns the stored values of a band wider than 8 bits into the bytes 0..255 that the
// expressions see: through the band's display range in its own values, the same way at every magnification
// and reduction. 8-bit bands and pictures are not mapped here: they keep remos_read_row and the 8-bit
// stretch. Qt-free.
#pragma once

#include <cstdint>
#include <vector>

struct BandInfo;  // scene/remos.h

namespace orvenna {

// Byte of a band value through the display range low..high (high > low):
// trunc(255.999999 * (v - low) / (high - low)); 0 at or below low (and for not-a-number), 255 at or above
// high.
inline uint8_t DisplayByte(double v, double low, double high) {
    if (!(v > low)) return 0;
    if (v >= high) return 255;
    return static_cast<uint8_t>(255.999999 * (v - low) / (high - low));
}

// The display range of a wide band, as the mapping below takes it; false when it has none (8-bit bands and
// null ones included).
bool wide_band_display_range(const BandInfo* band, double* low, double* high);

// The display mapping of one band for one redraw.
//
// The range used: display_low..display_high when display_high > display_low; otherwise value_min..value_max
// when the histogram found more than one value; otherwise none, and the band is drawn as before the display
// ranges in band values existed (remos_read_row's conversion and the 8-bit range when reduced). No-data
// pixels give 0.
class WideBandMapping {
public:
    // Takes the band's range fields once; null bands, pictures and 8-bit bands are not mapped.
    void prepare(const BandInfo* band, bool is_picture);

    // The band is read as stored values and mapped through low()..high().
    bool active() const { return active_; }
    double low() const { return low_; }
    double high() const { return high_; }

    // Writes the bytes of the stored samples x0, x0 + step, ... below x0 + n of `line` (clipped to the band
    // like remos_read_row) to dest: (n + step - 1) / step bytes. With step > 1 a GDAL band with overviews
    // gives the overview's values (remos_read_row_stored_reduced).
    // With `missing`, the samples without data (the no-data value, not a number) also set their byte there
    // to 1 (others are left as they are, so that several bands mark one run).
    void fetch(BandInfo* band, unsigned char* dest, int line, int x0, int n, int step,
               uint8_t* missing = nullptr);
    // Whether a sample can be without data: the band has a no-data value or holds floats.
    bool marks_missing() const { return active_ && (has_nodata_ || is_float_); }

    // Lines below `end` may be read ahead, several at a time, by full-resolution fetches (0: none); the
    // lines read ahead serve the fetches that follow for the same columns.
    void set_read_ahead(int end) {
        read_ahead_end_ = end;
        window_lines_ = 0;
    }

    // Byte of one stored value (for tests and the single-value readers).
    uint8_t byte_of(double value) const;

private:
    template <class T>
    void map_run(const T* stored, unsigned char* dest, int count, uint8_t* missing) const;
    template <class T>
    void mark_run(const T* stored, uint8_t* missing, int count) const;
    void build_table();

    bool active_ = false;
    int sample_type_ = 0;
    double low_ = 0, high_ = 0;
    bool has_nodata_ = false;
    bool is_float_ = false;
    double nodata_ = 0;
    // 16-bit bands: the byte of every raw 16-bit pattern, kept while type, range and no-data stay the same.
    std::vector<uint8_t> table_;
    int table_type_ = -1;
    double table_low_ = 0, table_high_ = 0, table_nodata_ = 0;
    bool table_has_nodata_ = false;
    std::vector<uint64_t> stored_;  // one run of stored samples (8-byte aligned for every sample type)
    // Lines read ahead: window_lines_ lines from window_first_, each window_n_ samples from window_x0_.
    int read_ahead_end_ = 0;
    std::vector<uint64_t> window_;
    int window_first_ = 0, window_lines_ = 0, window_x0_ = 0, window_n_ = 0;
    const void* stored_run(BandInfo* band, int line, int x0, int n, int* got);
};

}  // namespace orvenna
