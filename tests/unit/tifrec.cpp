// TIFF directory reader: files are written byte by byte here, in both byte orders, so every expectation
// follows from bytes the test itself laid out.
#include "scene/tifrec.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

fs::path temp_dir() {
    static int counter = 0;
    fs::path d = fs::temp_directory_path() /
                 ("orvenna-tifrec-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    fs::create_directories(d);
    return d;
}

std::string write_file(const std::vector<uint8_t>& bytes, const std::string& name = "t.tif") {
    fs::path p = temp_dir() / name;
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return p.string();
}

// Appends integers and reals in a chosen byte order.
struct Encoder {
    bool little;
    void put(std::vector<uint8_t>& out, uint64_t v, int n) const {
        for (int i = 0; i < n; ++i) {
            int shift = little ? 8 * i : 8 * (n - 1 - i);
            out.push_back(static_cast<uint8_t>(v >> shift));
        }
    }
    void set(std::vector<uint8_t>& out, size_t at, uint64_t v, int n) const {
        std::vector<uint8_t> tmp;
        put(tmp, v, n);
        std::copy(tmp.begin(), tmp.end(), out.begin() + static_cast<long>(at));
    }
    void put_float(std::vector<uint8_t>& out, float f) const {
        uint32_t u;
        std::memcpy(&u, &f, 4);
        put(out, u, 4);
    }
    void put_double(std::vector<uint8_t>& out, double d) const {
        uint64_t u;
        std::memcpy(&u, &d, 8);
        put(out, u, 8);
    }
};

// One entry as the test wants it stored: its values already encoded in the file's byte order.
struct RawEntry {
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    std::vector<uint8_t> data;
};

// Where the builder put things, so tests can check offsets and damage the file.
struct Layout {
    std::vector<uint8_t> bytes;
    std::vector<size_t> dir_offsets;
    std::vector<std::vector<size_t>> field_positions;  // per directory, per entry
    std::vector<std::vector<size_t>> data_offsets;     // per directory, per entry (0 when inline)
    std::vector<size_t> next_field;                    // per directory: position of its next-offset field
};

// Lays out header, then each directory followed by the values that do not fit in their fields.
Layout build_tiff(bool little, const std::vector<std::vector<RawEntry>>& dirs) {
    Encoder enc{little};
    Layout l;
    auto& b = l.bytes;
    b.push_back(little ? 'I' : 'M');
    b.push_back(little ? 'I' : 'M');
    enc.put(b, 42, 2);
    enc.put(b, 8, 4);
    for (size_t d = 0; d < dirs.size(); ++d) {
        size_t dir_at = b.size();
        l.dir_offsets.push_back(dir_at);
        enc.put(b, dirs[d].size(), 2);
        size_t data_at = dir_at + 2 + 12 * dirs[d].size() + 4;
        std::vector<uint8_t> data;
        l.field_positions.emplace_back();
        l.data_offsets.emplace_back();
        for (const RawEntry& e : dirs[d]) {
            enc.put(b, e.tag, 2);
            enc.put(b, e.type, 2);
            enc.put(b, e.count, 4);
            l.field_positions.back().push_back(b.size());
            if (e.data.size() <= 4) {
                std::vector<uint8_t> field = e.data;
                field.resize(4, 0);
                b.insert(b.end(), field.begin(), field.end());
                l.data_offsets.back().push_back(0);
            } else {
                size_t at = data_at + data.size();
                enc.put(b, at, 4);
                data.insert(data.end(), e.data.begin(), e.data.end());
                if (data.size() % 2) data.push_back(0);  // word boundary
                l.data_offsets.back().push_back(at);
            }
        }
        l.next_field.push_back(b.size());
        enc.put(b, 0, 4);
        b.insert(b.end(), data.begin(), data.end());
        if (d + 1 < dirs.size()) enc.set(b, l.next_field.back(), b.size(), 4);
    }
    return l;
}

RawEntry short_entry(bool little, uint16_t tag, std::vector<uint16_t> values) {
    Encoder enc{little};
    RawEntry e{tag, TIFF_TYPE_SHORT, static_cast<uint32_t>(values.size()), {}};
    for (uint16_t v : values)
        enc.put(e.data, v, 2);
    return e;
}

RawEntry long_entry(bool little, uint16_t tag, std::vector<uint32_t> values) {
    Encoder enc{little};
    RawEntry e{tag, TIFF_TYPE_LONG, static_cast<uint32_t>(values.size()), {}};
    for (uint32_t v : values)
        enc.put(e.data, v, 4);
    return e;
}

// Opens a file for the duration of a test and always releases it.
struct Opened {
    TiffFile tiff{};
    int result = 0;
    explicit Opened(const std::string& path) { result = tifrec_open(&tiff, path.c_str()); }
    ~Opened() { tifrec_close(&tiff); }
    const TiffEntry& entry(int dir, int i) const {
        const TiffDirectory* d = tiff.directories;
        for (int k = 0; k < dir; ++k)
            d = d->next;
        return d->entries[i];
    }
};

// ---------------------------------------------------------------------------------------------------------------
// Every field type, both byte orders.

struct TypeCase {
    const char* name;
    uint16_t type;
    std::vector<double> values;  // rationals: numerator, denominator pairs
    bool inline_values;          // the values fit in the 4-byte field
    double value;                // expected `value` (NAN: the byte order decides, see offset_value below)
};

void PrintTo(const TypeCase& c, std::ostream* os) {
    *os << c.name;
}

// The case's values encoded in the file's byte order.
RawEntry encode_case(const TypeCase& c, bool little) {
    Encoder enc{little};
    RawEntry e{300, c.type, 0, {}};
    bool rational = c.type == TIFF_TYPE_RATIONAL || c.type == TIFF_TYPE_SRATIONAL;
    e.count = static_cast<uint32_t>(rational ? c.values.size() / 2 : c.values.size());
    for (double v : c.values) {
        switch (c.type) {
            case TIFF_TYPE_BYTE:
            case TIFF_TYPE_ASCII:
            case TIFF_TYPE_SBYTE:
            case TIFF_TYPE_UNDEFINED:
                e.data.push_back(static_cast<uint8_t>(static_cast<int64_t>(v)));
                break;
            case TIFF_TYPE_SHORT:
            case TIFF_TYPE_SSHORT:
                enc.put(e.data, static_cast<uint64_t>(static_cast<int64_t>(v)), 2);
                break;
            case TIFF_TYPE_FLOAT:
                enc.put_float(e.data, static_cast<float>(v));
                break;
            case TIFF_TYPE_DOUBLE:
                enc.put_double(e.data, v);
                break;
            default:  // LONG, SLONG, the rationals, unknown types: 4 bytes each
                enc.put(e.data, static_cast<uint64_t>(static_cast<int64_t>(v)), 4);
                break;
        }
    }
    return e;
}

// Values of whichever array the entry has set, and the number of arrays set.
std::vector<double> array_values(const TiffEntry& e, int* arrays_set) {
    std::vector<double> out;
    int n = 0;
    auto take = [&](auto* p) {
        if (!p) return;
        ++n;
        for (uint32_t i = 0; i < e.count; ++i)
            out.push_back(static_cast<double>(p[i]));
    };
    take(e.doubles);
    take(e.floats);
    take(e.longs);
    take(e.slongs);
    take(e.shorts);
    take(e.sshorts);
    take(e.bytes);
    take(e.sbytes);
    take(e.undefined);
    take(e.ascii);
    if (e.rational_num && e.rational_den) {
        n += 2;
        for (uint32_t i = 0; i < e.count; ++i) {
            out.push_back(e.rational_num[i]);
            out.push_back(e.rational_den[i]);
        }
    }
    if (e.srational_num && e.srational_den) {
        n += 2;
        for (uint32_t i = 0; i < e.count; ++i) {
            out.push_back(e.srational_num[i]);
            out.push_back(e.srational_den[i]);
        }
    }
    *arrays_set = n;
    return out;
}

const TypeCase kTypeCases[] = {
    {"byte_inline", TIFF_TYPE_BYTE, {1, 200, 255}, true, 1},
    {"byte_four", TIFF_TYPE_BYTE, {9, 8, 7, 6}, true, 9},
    {"byte_offset", TIFF_TYPE_BYTE, {1, 2, 3, 4, 5, 6}, false, NAN},
    {"ascii_inline", TIFF_TYPE_ASCII, {'a', 'b', 0}, true, 0},
    {"ascii_offset", TIFF_TYPE_ASCII, {'h', 'e', 'l', 'l', 'o', ' ', 'w', 0}, false, 0},
    {"short_one", TIFF_TYPE_SHORT, {0x0100}, true, 256},
    {"short_two", TIFF_TYPE_SHORT, {8, 65535}, true, 8},
    {"short_three", TIFF_TYPE_SHORT, {8, 8, 8}, false, NAN},
    {"long_one", TIFF_TYPE_LONG, {305419896}, true, 305419896},
    {"long_two", TIFF_TYPE_LONG, {100, 4000000000.0}, false, NAN},
    {"rational", TIFF_TYPE_RATIONAL, {72, 1}, false, 72.0},
    {"rational_two", TIFF_TYPE_RATIONAL, {1, 4, 4000000000.0, 2}, false, 0.25},
    {"sbyte", TIFF_TYPE_SBYTE, {-1, -128, 127}, true, -1},
    {"undefined", TIFF_TYPE_UNDEFINED, {0xde, 0xad, 0xbe, 0xef}, true, 0xde},
    {"undefined_offset", TIFF_TYPE_UNDEFINED, {1, 2, 3, 4, 5}, false, NAN},
    {"sshort", TIFF_TYPE_SSHORT, {-2, 300}, true, -2},
    {"slong", TIFF_TYPE_SLONG, {-70000}, true, -70000},
    {"slong_two", TIFF_TYPE_SLONG, {-1, 2}, false, NAN},
    {"srational", TIFF_TYPE_SRATIONAL, {-3, 4}, false, -0.75},
    {"srational_negative_den", TIFF_TYPE_SRATIONAL, {3, -2, -5, 7}, false, -1.5},
    {"float_one", TIFF_TYPE_FLOAT, {1.5}, true, 1.5},
    {"float_two", TIFF_TYPE_FLOAT, {1.5, -2.25}, false, NAN},
    {"double", TIFF_TYPE_DOUBLE, {3.25, -1e10}, false, 3.25},
};

class TypeTest : public ::testing::TestWithParam<std::tuple<bool, TypeCase>> {};

TEST_P(TypeTest, ValuesArriveInMachineOrder) {
    const bool little = std::get<0>(GetParam());
    const TypeCase& c = std::get<1>(GetParam());
    // A second entry after the tested one checks that the entry table keeps its 12-byte stride.
    Layout l = build_tiff(little, {{encode_case(c, little), short_entry(little, 301, {77})}});
    Opened f(write_file(l.bytes));
    ASSERT_EQ(f.result, 3);
    ASSERT_EQ(f.tiff.directory_count, 1);
    ASSERT_EQ(f.tiff.directories->entry_count, 2u);
    const TiffEntry& e = f.entry(0, 0);
    EXPECT_EQ(e.tag, 300u);
    EXPECT_EQ(e.type, c.type);

    int arrays = 0;
    std::vector<double> got = array_values(e, &arrays);
    bool rational = c.type == TIFF_TYPE_RATIONAL || c.type == TIFF_TYPE_SRATIONAL;
    EXPECT_EQ(arrays, rational ? 2 : 1);
    ASSERT_EQ(got.size(), c.values.size());
    for (size_t i = 0; i < got.size(); ++i) {
        if (c.type == TIFF_TYPE_ASCII)
            EXPECT_EQ(static_cast<uint8_t>(got[i]), static_cast<uint8_t>(c.values[i])) << i;
        else
            EXPECT_DOUBLE_EQ(got[i], c.values[i]) << i;
    }

    const int64_t field = static_cast<int64_t>(l.field_positions[0][0]);
    const int64_t data = static_cast<int64_t>(l.data_offsets[0][0]);
    EXPECT_EQ(e.value_offset, c.inline_values ? field : data);
    if (!std::isnan(c.value)) {
        EXPECT_DOUBLE_EQ(e.value, c.value);
    } else {
        // Values that do not fit: `value` is the start of the stored offset read with the element size.
        int size = c.type == TIFF_TYPE_SHORT || c.type == TIFF_TYPE_SSHORT                              ? 2
                   : c.type == TIFF_TYPE_LONG || c.type == TIFF_TYPE_SLONG || c.type == TIFF_TYPE_FLOAT ? 4
                                                                                                        : 1;
        double expected = little ? static_cast<double>(data & ((int64_t{1} << (8 * size)) - 1))
                                 : static_cast<double>(data >> (8 * (4 - size)));
        if (c.type != TIFF_TYPE_FLOAT) {
            EXPECT_DOUBLE_EQ(e.value, expected);
        }
    }
    EXPECT_EQ(f.entry(0, 1).tag, 301u);
    EXPECT_EQ(f.entry(0, 1).value, 77.0);
}

INSTANTIATE_TEST_SUITE_P(AllTypes, TypeTest,
                         ::testing::Combine(::testing::Bool(), ::testing::ValuesIn(kTypeCases)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param) ? "II_" : "MM_") +
                                    std::get<1>(info.param).name;
                         });

TEST(Tifrec, UnknownTypeKeepsOnlyTheFieldNumber) {
    for (bool little : {true, false}) {
        Encoder enc{little};
        RawEntry e{400, 13, 1, {}};
        enc.put(e.data, 0x01020304, 4);
        Layout l = build_tiff(little, {{e}});
        Opened f(write_file(l.bytes));
        ASSERT_EQ(f.result, 3);
        int arrays = 0;
        array_values(f.entry(0, 0), &arrays);
        EXPECT_EQ(arrays, 0);
        EXPECT_EQ(f.entry(0, 0).value, double{0x01020304});
    }
}

TEST(Tifrec, EmptyEntryStillHasAReadableFirstElement) {
    for (bool little : {true, false}) {
        RawEntry e{258, TIFF_TYPE_SHORT, 0, {}};
        Layout l = build_tiff(little, {{e}});
        Opened f(write_file(l.bytes));
        ASSERT_EQ(f.result, 3);
        ASSERT_NE(f.entry(0, 0).shorts, nullptr);
        EXPECT_EQ(f.entry(0, 0).shorts[0], 0);
    }
}

TEST(Tifrec, AsciiArrayIsTerminatedEvenWithoutStoredNul) {
    RawEntry e{270, TIFF_TYPE_ASCII, 6, {'a', 'b', 'c', 'd', 'e', 'f'}};
    Layout l = build_tiff(true, {{e}});
    Opened f(write_file(l.bytes));
    ASSERT_EQ(f.result, 3);
    EXPECT_STREQ(f.entry(0, 0).ascii, "abcdef");
}

// ---------------------------------------------------------------------------------------------------------------
// Directory structure.

TEST(Tifrec, TwelveEntriesInFileOrder) {
    for (bool little : {true, false}) {
        std::vector<RawEntry> entries;
        // Deliberately unsorted tags: the reader keeps file order.
        const uint16_t tags[12] = {256, 257, 258, 259, 262, 273, 277, 278, 279, 284, 282, 254};
        for (uint16_t t : tags)
            entries.push_back(short_entry(little, t, {static_cast<uint16_t>(t + 1)}));
        entries[2] = short_entry(little, 258, {8, 8, 8});
        Layout l = build_tiff(little, {entries});
        Opened f(write_file(l.bytes));
        ASSERT_EQ(f.result, 3);
        EXPECT_EQ(f.tiff.byte_order, little ? 1 : 0);
        EXPECT_EQ(f.tiff.directory_count, 1);
        ASSERT_EQ(f.tiff.directories->entry_count, 12u);
        EXPECT_EQ(f.tiff.directories->next, nullptr);
        for (int i = 0; i < 12; ++i) {
            EXPECT_EQ(f.entry(0, i).tag, tags[i]) << i;
            if (i != 2) {
                EXPECT_EQ(f.entry(0, i).value, tags[i] + 1) << i;
            }
        }
        const TiffEntry& bps = f.entry(0, 2);
        EXPECT_EQ(bps.shorts[0], 8);
        EXPECT_EQ(bps.shorts[2], 8);
        EXPECT_NE(bps.value, 8.0);
    }
}

TEST(Tifrec, SingleStripOffsetIsValueAndFirstLong) {
    for (bool little : {true, false}) {
        Layout l = build_tiff(little, {{long_entry(little, 273, {123456})}});
        Opened f(write_file(l.bytes));
        ASSERT_EQ(f.result, 3);
        EXPECT_EQ(f.entry(0, 0).longs[0], 123456u);
        EXPECT_EQ(f.entry(0, 0).value, 123456.0);
    }
}

TEST(Tifrec, ChainOfThreeDirectories) {
    for (bool little : {true, false}) {
        Layout l = build_tiff(little, {{short_entry(little, 256, {1})},
                                       {short_entry(little, 256, {2}), long_entry(little, 273, {5, 6, 7})},
                                       {short_entry(little, 256, {3})}});
        Opened f(write_file(l.bytes));
        ASSERT_EQ(f.result, 3);
        ASSERT_EQ(f.tiff.directory_count, 3);
        const TiffDirectory* d = f.tiff.directories;
        for (int k = 1; k <= 3; ++k, d = d->next) {
            ASSERT_NE(d, nullptr);
            EXPECT_EQ(d->entries[0].value, k);
        }
        EXPECT_EQ(d, nullptr);
        EXPECT_EQ(f.entry(1, 1).longs[2], 7u);
    }
}

// Chains that point back to a directory already read end there.
struct LoopCase {
    const char* name;
    int from;  // directory whose next offset is rewritten
    int to;    // directory it then points to
    int expected_directories;
};

class LoopTest : public ::testing::TestWithParam<LoopCase> {};

TEST_P(LoopTest, StopsAtADirectoryAlreadyRead) {
    for (bool little : {true, false}) {
        Layout l = build_tiff(little, {{short_entry(little, 256, {1})},
                                       {short_entry(little, 256, {2})},
                                       {short_entry(little, 256, {3})}});
        Encoder{little}.set(l.bytes, l.next_field[GetParam().from], l.dir_offsets[GetParam().to], 4);
        Opened f(write_file(l.bytes));
        ASSERT_EQ(f.result, 3);
        EXPECT_EQ(f.tiff.directory_count, GetParam().expected_directories);
        int n = 0;
        for (const TiffDirectory* d = f.tiff.directories; d; d = d->next)
            ++n;
        EXPECT_EQ(n, GetParam().expected_directories);
    }
}

INSTANTIATE_TEST_SUITE_P(Loops, LoopTest,
                         ::testing::Values(LoopCase{"self", 0, 0, 1}, LoopCase{"back_to_first", 2, 0, 3},
                                           LoopCase{"back_to_second", 2, 1, 3},
                                           LoopCase{"two_cycle", 1, 0, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------------------------
// Damaged files and other bytes: a clear result, the file closed, nothing left allocated.

struct DamageCase {
    const char* name;
    std::function<void(Layout&, const Encoder&)> damage;
    int expected;
};

Layout base_file(bool little) {
    return build_tiff(little, {{short_entry(little, 256, {64}), short_entry(little, 258, {8, 8, 8}),
                                long_entry(little, 273, {100, 200})},
                               {short_entry(little, 256, {32})}});
}

const DamageCase kDamageCases[] = {
    {"intact", [](Layout&, const Encoder&) {}, 3},
    // The version number after the byte order mark is not looked at.
    {"version_43", [](Layout& l, const Encoder& e) { e.set(l.bytes, 2, 43, 2); }, 3},
    {"version_0", [](Layout& l, const Encoder& e) { e.set(l.bytes, 2, 0, 2); }, 3},
    {"empty_file", [](Layout& l, const Encoder&) { l.bytes.clear(); }, 2},
    {"header_only_mark", [](Layout& l, const Encoder&) { l.bytes.resize(2); }, 2},
    {"header_cut_in_offset", [](Layout& l, const Encoder&) { l.bytes.resize(6); }, 2},
    {"mark_IM", [](Layout& l, const Encoder&) { l.bytes[1] = 'M', l.bytes[0] = 'I'; }, 2},
    {"mark_MI", [](Layout& l, const Encoder&) { l.bytes[0] = 'M', l.bytes[1] = 'I'; }, 2},
    {"first_offset_zero", [](Layout& l, const Encoder& e) { e.set(l.bytes, 4, 0, 4); }, 2},
    {"first_offset_past_end", [](Layout& l, const Encoder& e) { e.set(l.bytes, 4, l.bytes.size() + 10, 4); },
     2},
    {"first_offset_huge", [](Layout& l, const Encoder& e) { e.set(l.bytes, 4, 0xFFFFFFF0u, 4); }, 2},
    {"first_offset_last_byte", [](Layout& l, const Encoder& e) { e.set(l.bytes, 4, l.bytes.size() - 1, 4); },
     2},
    {"entry_count_past_end", [](Layout& l, const Encoder& e) { e.set(l.bytes, l.dir_offsets[0], 5000, 2); },
     2},
    {"value_offset_past_end",
     [](Layout& l, const Encoder& e) { e.set(l.bytes, l.field_positions[0][1], l.bytes.size(), 4); }, 2},
    {"value_offset_huge",
     [](Layout& l, const Encoder& e) { e.set(l.bytes, l.field_positions[0][2], 0xFFFFFFFCu, 4); }, 2},
    {"long_count_beyond_file",
     [](Layout& l, const Encoder& e) { e.set(l.bytes, l.field_positions[0][2] - 4, 0x40000000u, 4); }, 2},
    {"short_count_max",
     [](Layout& l, const Encoder& e) { e.set(l.bytes, l.field_positions[0][1] - 4, 0xFFFFFFFFu, 4); }, 2},
    {"double_count_max",
     [](Layout& l, const Encoder& e) {
         e.set(l.bytes, l.field_positions[0][2] - 6, TIFF_TYPE_DOUBLE, 2);
         e.set(l.bytes, l.field_positions[0][2] - 4, 0xFFFFFFFFu, 4);
     },
     2},
    {"empty_double_with_offset_past_end",
     [](Layout& l, const Encoder& e) {
         e.set(l.bytes, l.field_positions[0][2] - 6, TIFF_TYPE_DOUBLE, 2);
         e.set(l.bytes, l.field_positions[0][2] - 4, 0, 4);
         e.set(l.bytes, l.field_positions[0][2], 0xFFFFFFF0u, 4);
     },
     3},
    {"unknown_type_huge_count",
     [](Layout& l, const Encoder& e) {
         e.set(l.bytes, l.field_positions[0][2] - 6, 99, 2);
         e.set(l.bytes, l.field_positions[0][2] - 4, 0xFFFFFFFFu, 4);
     },
     3},
    {"next_offset_past_end",
     [](Layout& l, const Encoder& e) { e.set(l.bytes, l.next_field[0], l.bytes.size() + 100, 4); }, 2},
    {"truncated_in_values", [](Layout& l, const Encoder&) { l.bytes.resize(l.data_offsets[0][2] + 5); }, 2},
    {"truncated_in_second_directory", [](Layout& l, const Encoder&) { l.bytes.resize(l.dir_offsets[1] + 7); },
     2},
    {"truncated_in_first_directory", [](Layout& l, const Encoder&) { l.bytes.resize(l.dir_offsets[0] + 13); },
     2},
};

void PrintTo(const DamageCase& c, std::ostream* os) {
    *os << c.name;
}

class DamageTest : public ::testing::TestWithParam<std::tuple<bool, DamageCase>> {};

TEST_P(DamageTest, ClearResult) {
    const bool little = std::get<0>(GetParam());
    const DamageCase& c = std::get<1>(GetParam());
    Encoder enc{little};
    Layout l = base_file(little);
    c.damage(l, enc);
    Opened f(write_file(l.bytes));
    EXPECT_EQ(f.result, c.expected);
    if (f.result != 3) {
        EXPECT_EQ(f.tiff.file, nullptr);
        EXPECT_EQ(f.tiff.directories, nullptr);
        EXPECT_EQ(f.tiff.directory_count, 0);
    } else {
        EXPECT_NE(f.tiff.file, nullptr);
        EXPECT_GE(f.tiff.directory_count, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Damage, DamageTest,
                         ::testing::Combine(::testing::Bool(), ::testing::ValuesIn(kDamageCases)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param) ? "II_" : "MM_") +
                                    std::get<1>(info.param).name;
                         });

// Entries that all point at the same array multiply the work and memory a small file can demand; a few shared
// arrays are fine, hundreds of copies of a large one are refused.
TEST(Tifrec, SharedArraysAreBounded) {
    for (int entries : {2, 200}) {
        Encoder enc{true};
        std::vector<RawEntry> dir;
        for (int i = 0; i < entries; ++i)
            dir.push_back(RawEntry{static_cast<uint16_t>(1000 + i), TIFF_TYPE_BYTE, 8, {}});
        dir[0].data.assign(8, 1);
        Layout l = build_tiff(true, {dir});
        // A large array at the end of the file, shared by every entry.
        size_t array_at = l.bytes.size();
        l.bytes.resize(array_at + 4000, 7);
        for (int i = 0; i < entries; ++i) {
            enc.set(l.bytes, l.field_positions[0][i] - 4, 4000, 4);
            enc.set(l.bytes, l.field_positions[0][i], array_at, 4);
        }
        Opened f(write_file(l.bytes));
        EXPECT_EQ(f.result, entries == 2 ? 3 : 2) << entries;
        if (f.result == 3) {
            EXPECT_EQ(f.entry(0, 1).bytes[3999], 7);
        }
    }
}

TEST(Tifrec, MissingFileAndNullArguments) {
    TiffFile t{};
    EXPECT_EQ(tifrec_open(&t, (temp_dir() / "missing.tif").string().c_str()), 1);
    EXPECT_EQ(t.file, nullptr);
    EXPECT_EQ(tifrec_open(&t, nullptr), 1);
    EXPECT_EQ(tifrec_open(nullptr, "x"), 1);
    tifrec_close(&t);
    tifrec_close(&t);  // closing twice is harmless
}

// A path of 1023 bytes fits with its NUL; one of 1024 bytes is refused without being copied.
TEST(Tifrec, PathLengthLimit) {
    Layout l = build_tiff(true, {{short_entry(true, 256, {1})}});
    fs::path file = write_file(l.bytes);
    std::string dir = file.parent_path().string();
    std::string name = file.filename().string();
    for (size_t length : {1023u, 1024u, 5000u}) {
        // Repeated slashes name the same folder, so the path can be padded to any length.
        std::string path = dir + std::string(length - dir.size() - name.size(), '/') + name;
        ASSERT_EQ(path.size(), length);
        Opened f(path);
        EXPECT_EQ(f.result, length < 1024 ? 3 : 1) << length;
        if (length < 1024) {
            EXPECT_EQ(std::string(f.tiff.path), path);
        }
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Primitive reads.

TEST(Tifrec, ReadUintFollowsByteOrder) {
    std::vector<uint8_t> bytes = {'I', 'I', 0x01, 0x02, 0x03, 0x04};
    std::string path = write_file(bytes);
    struct {
        int order;
        int64_t offset;
        int n;
        uint32_t expected;
    } cases[] = {
        {1, 2, 1, 0x01},       {1, 2, 2, 0x0201},     {1, 2, 4, 0x04030201},
        {0, 2, 2, 0x0102},     {0, 2, 4, 0x01020304}, {1, 4, 4, 0x00000403},  // past the end: zeros
        {0, 4, 4, 0x03040000}, {1, 6, 4, 0},          {1, 1 << 30, 4, 0},
        {1, -1, 4, 0},         {1, 2, 0, 0},          {1, 2, 5, 0},
    };
    for (const auto& c : cases) {
        TiffFile t{};
        t.file = std::fopen(path.c_str(), "rb");
        ASSERT_NE(t.file, nullptr);
        t.byte_order = c.order;
        EXPECT_EQ(tifrec_read_uint(&t, c.offset, c.n), c.expected)
            << c.order << " " << c.offset << " " << c.n;
        std::fclose(t.file);
    }
}

TEST(Tifrec, ReadBytesReversesBigEndianAndZeroesPastTheEnd) {
    std::vector<uint8_t> bytes = {'M', 'M', 0x11, 0x22, 0x33, 0x44};
    std::string path = write_file(bytes);
    TiffFile t{};
    t.file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(t.file, nullptr);
    ASSERT_EQ(tifrec_byte_order(&t), 1);
    EXPECT_EQ(t.byte_order, 0);

    uint8_t dest[4];
    tifrec_read_bytes(&t, dest, 2, 4);
    EXPECT_EQ(std::vector<uint8_t>(dest, dest + 4), (std::vector<uint8_t>{0x44, 0x33, 0x22, 0x11}));

    // Partly and wholly past the end: the missing bytes are zeros, never what dest held before.
    std::memset(dest, 0xAA, 4);
    tifrec_read_bytes(&t, dest, 4, 4);
    EXPECT_EQ(std::vector<uint8_t>(dest, dest + 4), (std::vector<uint8_t>{0, 0, 0x44, 0x33}));
    std::memset(dest, 0xAA, 4);
    tifrec_read_bytes(&t, dest, 100, 4);
    EXPECT_EQ(std::vector<uint8_t>(dest, dest + 4), (std::vector<uint8_t>{0, 0, 0, 0}));

    t.byte_order = 1;
    tifrec_read_bytes(&t, dest, 2, 4);
    EXPECT_EQ(std::vector<uint8_t>(dest, dest + 4), (std::vector<uint8_t>{0x11, 0x22, 0x33, 0x44}));
    std::fclose(t.file);
}

TEST(Tifrec, ByteOrderMark) {
    struct {
        std::vector<uint8_t> bytes;
        int result;
        int order;
    } cases[] = {{{'M', 'M', 0, 42}, 1, 0},
                 {{'I', 'I', 42, 0}, 1, 1},
                 {{'I', 'M'}, 0, 2},
                 {{'i', 'i'}, 0, 2},
                 {{'M'}, 0, 2},
                 {{}, 0, 2}};
    for (const auto& c : cases) {
        std::string path = write_file(c.bytes);
        TiffFile t{};
        t.file = std::fopen(path.c_str(), "rb");
        EXPECT_EQ(tifrec_byte_order(&t), c.result);
        EXPECT_EQ(t.byte_order, c.order);
        std::fclose(t.file);
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Files kept from fuzzing and crash reports: each must give a clear result without crashing.

TEST(Tifrec, MalformedCorpus) {
    fs::path dir = fs::path(ORVENNA_SOURCE_DIR) / "tests" / "data" / "malformed";
    int seen = 0;
    if (fs::exists(dir)) {
        for (const auto& item : fs::directory_iterator(dir)) {
            if (item.path().extension() != ".tif") continue;
            ++seen;
            Opened f(item.path().string());
            EXPECT_TRUE(f.result == 2 || f.result == 3) << item.path();
            int n = 0;
            for (const TiffDirectory* d = f.tiff.directories; d; d = d->next)
                ++n;
            EXPECT_EQ(n, f.tiff.directory_count) << item.path();
        }
    }
    RecordProperty("malformed_files", seen);
}

}  // namespace
