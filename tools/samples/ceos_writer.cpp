// CEOS image files of ALOS products: a 720-byte file descriptor record, then one image record per line.
//
// The general kind (optical sensors) keeps its prefix and suffix sizes at bytes 280 and 292; the SAR kinds
// "PSRC" and "PSRB" at 276 and 288. Prefix and suffix bytes are never zero, so a reader that ignores them
// shows visibly shifted or striped lines.
#include <cstring>
#include <string>
#include <vector>

#include "tools/samples/output_file.h"
#include "tools/samples/sample_scenes.h"

namespace samples {
namespace {

struct CeosLayout {
    int bits, samples_per_group, prefix, suffix;
    int bytes_per_group() const { return bits / 8 * samples_per_group; }
};

CeosLayout layout_of(CeosKind kind, int bits) {
    switch (kind) {
        case CeosKind::Psrc:
            return {8, 1, kSarPrefix, kSarSuffix};
        case CeosKind::Psrb:
            return {32, 2, kSarPrefix, kSarSuffix};
        default:
            return {bits, 1, kCeosPrefix, kCeosSuffix};
    }
}

Bytes descriptor(CeosKind kind, const CeosLayout& l, int width, int height, int record_length) {
    Bytes d(kCeosDescriptorLength, ' ');
    d.be32(0, 1);  // record sequence number
    d[4] = 0x3F;   // record type codes of an image file descriptor
    d[5] = 0xC0;
    d[6] = 0x12;
    d[7] = 0x12;
    d.be32(8, kCeosDescriptorLength);  // record length: the image records start behind it
    const bool sar = kind != CeosKind::General;
    d.text(12, "A ");
    d.text(16, sar ? "CEOS-SAR-CCT" : "CEOS-OPT-CCT");
    d.text(28, "A A ");
    d.text(32, "ORVENNA 0.1 ");
    d.decimal(44, 4, 1);  // file number
    d.text(48, kind == CeosKind::Psrc   ? "ALOSPSRC-DEMO-HH"
               : kind == CeosKind::Psrb ? "ALOSPSRB-DEMO-HH"
                                        : "ALAV2A000000DEMO");
    d.text(64, "FSEQ");
    d.decimal(68, 4, 1);
    d.decimal(72, 4, 4);
    d.text(76, "FTYP");
    d.decimal(80, 4, 5);
    d.decimal(84, 4, 4);
    d.text(88, "FLGT");
    d.decimal(92, 4, 9);
    d.decimal(96, 4, 4);

    d.decimal(180, 6, height);         // image records
    d.decimal(186, 6, record_length);  // image record length
    d.decimal(216, 4, l.bits);
    d.decimal(220, 4, l.samples_per_group);
    d.decimal(224, 4, l.bytes_per_group());
    d.text(228, "    ");
    d.decimal(232, 4, 1);       // channels
    d.decimal(236, 8, height);  // lines per channel
    d.decimal(244, 4, 0);       // left border pixels
    d.decimal(248, 8, width);   // pixels per line
    d.decimal(256, 4, 0);       // right border pixels
    d.decimal(260, 4, 0);       // top border lines
    d.decimal(264, 4, 0);       // bottom border lines
    d.text(268, "BSQ ");
    d.decimal(272, 2, 1);  // physical records per line
    d.decimal(274, 2, 1);
    const int data_bytes = width * l.bytes_per_group();
    if (sar) {
        d.decimal(276, 4, l.prefix);
        d.decimal(280, 8, data_bytes);
        d.decimal(288, 4, l.suffix);
    } else {
        d.decimal(280, 4, l.prefix);
        d.decimal(284, 8, data_bytes);
        d.decimal(292, 4, l.suffix);
    }
    const char* type = kind == CeosKind::Psrb ? "COMPLEX*8"
                       : l.bits == 16         ? "UNSIGNED INTEGER*2"
                                              : "UNSIGNED INTEGER*1";
    d.text(400, type);
    d.text(428, kind == CeosKind::Psrb ? "C*8 " : l.bits == 16 ? "IU2 " : "IU1 ");
    return d;
}

// The bytes ahead of one line's samples: a record header, then non-zero filler.
void fill_prefix(uint8_t* p, int prefix, bool sar, int line, int width, int record_length) {
    Bytes h{size_t(prefix)};
    for (int i = 0; i < prefix; ++i)
        h[size_t(i)] = uint8_t(0x80 | ((i * 29 + line * 7) & 0x7F));
    if (prefix >= 28) {
        h.be32(0, uint32_t(line + 2));  // record sequence number (the descriptor is record 1)
        h[4] = sar ? 0x32 : 0xED;
        h[5] = sar ? 0x0A : 0xED;
        h[6] = 0x12;
        h[7] = sar ? 0x14 : 0x12;
        h.be32(8, uint32_t(record_length));
        h.be32(12, uint32_t(line + 1));  // line number from 1
        h.be32(16, 1);                   // channel
        h.be32(20, uint32_t(width));     // pixels in this line
        h.be32(24, 0x5A5A5A5A);
    }
    std::memcpy(p, h.data(), size_t(prefix));
}

void fill_suffix(uint8_t* p, int suffix, int line) {
    for (int i = 0; i < suffix; ++i)
        p[i] = uint8_t(0xF0 | ((i + line) & 0x0F));
}

void fill_samples(uint8_t* p, CeosKind kind, Band band, int bits, int line, int width, int height) {
    if (kind == CeosKind::Psrb) {
        for (int x = 0; x < width; ++x) {
            for (int s = 0; s < 2; ++s) {
                const float f = psrb_value(s, x, line, width, height);
                uint32_t u;
                std::memcpy(&u, &f, 4);
                uint8_t* q = p + (size_t(x) * 2 + size_t(s)) * 4;
                q[0] = uint8_t(u >> 24);
                q[1] = uint8_t(u >> 16);
                q[2] = uint8_t(u >> 8);
                q[3] = uint8_t(u);
            }
        }
    } else if (bits == 16) {
        for (int x = 0; x < width; ++x) {
            const uint16_t v = band_value16(band, x, line, width, height);
            p[2 * size_t(x)] = uint8_t(v >> 8);
            p[2 * size_t(x) + 1] = uint8_t(v);
        }
    } else {
        band_row(band, line, width, height, p);
    }
}

}  // namespace

bool write_ceos(const std::string& path, CeosKind kind, Band band, int bits, int width, int height,
                std::string* error) {
    if (kind == CeosKind::General && bits != 8 && bits != 16)
        return fail(error, "CEOS general kind takes 8 or 16 bits: " + path);
    const CeosLayout l = layout_of(kind, bits);
    const long long record_length = l.prefix + (long long)width * l.bytes_per_group() + l.suffix;
    // The descriptor's decimal fields hold six digits for lines and record length.
    if (width < 1 || height < 1 || height > 999999 || record_length > 999999)
        return fail(error, "CEOS size out of range: " + path);

    OutputFile out(path);
    out.write(descriptor(kind, l, width, height, int(record_length)));
    std::vector<uint8_t> record(static_cast<size_t>(record_length));
    const bool sar = kind != CeosKind::General;
    for (int line = 0; line < height && out.ok(); ++line) {
        fill_prefix(record.data(), l.prefix, sar, line, width, int(record_length));
        fill_samples(record.data() + l.prefix, kind, band, l.bits, line, width, height);
        fill_suffix(record.data() + record_length - l.suffix, l.suffix, line);
        out.write(record.data(), record.size());
    }
    return out.close(error);
}

}  // namespace samples
