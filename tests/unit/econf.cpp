// Metadata text reader: lines and their entries, numeric readings, and a real Landsat metadata file.
#include "scene/econf.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string write_text(const std::string& text, const std::string& name = "meta.txt") {
    static int counter = 0;
    fs::path d = fs::temp_directory_path() /
                 ("orvenna-econf-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    fs::create_directories(d);
    fs::path p = d / name;
    std::ofstream out(p, std::ios::binary);
    out << text;
    return p.string();
}

// An opened and read file, closed at the end of the test.
struct Read {
    ConfFile conf{};
    int opened = 0;
    int result = 0;
    explicit Read(const std::string& path) {
        opened = econf_open(&conf, path.c_str());
        if (opened) result = econf_read(&conf);
    }
    ~Read() { econf_close(&conf); }
    std::vector<std::pair<std::string, std::string>> entries() const {
        std::vector<std::pair<std::string, std::string>> out;
        for (uint32_t i = 0; i < conf.count; ++i)
            out.emplace_back(conf.entries[i]->key, conf.entries[i]->value);
        return out;
    }
};

using Entries = std::vector<std::pair<std::string, std::string>>;

struct LineCase {
    const char* name;
    std::string text;
    Entries expected;
};

void PrintTo(const LineCase& c, std::ostream* os) {
    *os << c.name;
}

const LineCase kLineCases[] = {
    {"plain", "KEY=VALUE\n", {{"KEY", "VALUE"}}},
    {"blanks", "KEY = VALUE\n", {{"KEY", "VALUE"}}},
    {"leading_blanks", "   KEY   =VALUE\n", {{"KEY", "VALUE"}}},
    {"quoted",
     "Img_ImageSceneLeftTopLatitude=\"35.123\"\n",
     {{"Img_ImageSceneLeftTopLatitude", "\"35.123\""}}},
    {"words_after_value", "KEY = VALUE WITH WORDS\n", {{"KEY", "VALUE"}}},
    {"quoted_words", "ORIGIN = \"Image courtesy\"\n", {{"ORIGIN", "\"Image"}}},
    {"two_equals", "A=B=C\n", {{"A", "B"}}},
    {"equals_twice", "KEY = = V\n", {}},
    {"no_value", "KEY =\n", {}},
    {"no_equals", "KEY VALUE\n", {}},
    {"only_equals", "=\n", {}},
    {"starts_with_equals", "= KEY = V\n", {}},
    {"group_line", "GROUP = L1_METADATA_FILE\n", {{"GROUP", "L1_METADATA_FILE"}}},
    {"tabs_and_cr", "\tKEY\t=\tVALUE\r\n", {{"KEY", "VALUE"}}},
    {"vertical_tab_form_feed", "\vKEY\f=\vV\n", {{"KEY", "V"}}},
    {"last_line_without_newline", "A = 1\nB = 2", {{"A", "1"}, {"B", "2"}}},
    {"nul_ends_the_line", std::string("A = B\0C = D\n", 12), {{"A", "B"}}},
    // Shift-JIS and other bytes above 127 (0x85 and 0xA0 are blanks in some single-byte locales) are word
    // bytes.
    {"high_bytes", "\x83\x4c\x81\x5b = \xa0\x85\x92\x6c\n", {{"\x83\x4c\x81\x5b", "\xa0\x85\x92\x6c"}}},
    {"high_bytes_glued", "\xa0K\xa0=\xa0V\n", {{"\xa0K\xa0", "\xa0V"}}},
    {"blank_lines", "\n\n   \n\t\n", {}},
    {"file_order", "B = 2\nA = 1\nC = 3\n", {{"B", "2"}, {"A", "1"}, {"C", "3"}}},
    {"duplicates_kept", "K = 1\nK = 2\n", {{"K", "1"}, {"K", "2"}}},
};

class LineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineTest, StoresExpectedEntries) {
    Read r(write_text(GetParam().text));
    ASSERT_EQ(r.opened, 1);
    EXPECT_EQ(r.result, GetParam().expected.empty() ? 0 : 1);
    EXPECT_EQ(r.entries(), GetParam().expected);
    for (uint32_t i = 0; i < r.conf.count; ++i)
        EXPECT_EQ(r.conf.entries[i]->valid, 1);
    if (GetParam().expected.empty()) {
        EXPECT_EQ(r.conf.entries, nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(Lines, LineTest, ::testing::ValuesIn(kLineCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Econf, TokensOfOneLine) {
    struct {
        const char* line;
        std::vector<std::pair<int, std::string>> tokens;
    } cases[] = {
        {"", {{CONF_TOKEN_END, ""}}},
        {"  a=b  ", {{1, "a"}, {0, "="}, {1, "b"}, {2, ""}}},
        {"==x y", {{0, "="}, {0, "="}, {1, "x"}, {1, "y"}, {2, ""}}},
        {"\"q w\"", {{1, "\"q"}, {1, "w\""}, {2, ""}}},
    };
    for (const auto& c : cases) {
        ConfToken* tokens = econf_tokenize(c.line);
        std::vector<std::pair<int, std::string>> got;
        for (ConfToken* t = tokens; t; t = t->next)
            got.emplace_back(t->kind, t->text ? t->text : "");
        EXPECT_EQ(got, c.tokens) << c.line;
        econf_free_tokens(tokens);
    }
}

TEST(Econf, NumericReading) {
    struct {
        const char* value;
        double number;
    } cases[] = {
        {"\"35.123\"", 35.123},
        {"-12.5", -12.5},
        {"N35.5", 35.5},
        {"1.5E+03", 1.5},
        {"12-3", 12},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {".5", 0.5},
        {"--5", 0},
        {"1.2.3", 1.2},
        {"2010-03-15", 2010},
        {"23:55:11.66Z", 23},
        {"0x1F", 0},
        {"\xa0\x31\x32.5", 12.5},
        {"inf", 0},
    };
    for (const auto& c : cases) {
        char key[] = "K";
        std::string value = c.value;
        ConfEntry e{key, value.data(), 1, nullptr};
        EXPECT_DOUBLE_EQ(econf_number(&e), c.number) << c.value;
    }
    EXPECT_EQ(econf_number(nullptr), 0.0);
}

// The viewer's toolkit sets the process locale from the environment; a comma-decimal locale must not change
// how metadata numbers read.
TEST(Econf, NumbersIgnoreTheProcessLocale) {
    std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE", "C.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, name)) break;
    }
    char key[] = "K";
    char value[] = "\"35.123\"";
    ConfEntry e{key, value, 1, nullptr};
    EXPECT_DOUBLE_EQ(econf_number(&e), 35.123);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(Econf, OnlyEndAndBlankLinesGiveNoEntries) {
    Read r(write_text("END\n\n\nEND\n"));
    ASSERT_EQ(r.opened, 1);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.conf.count, 0u);
    EXPECT_EQ(r.conf.entries, nullptr);
}

TEST(Econf, FindTakesFirstOccurrenceAndIsCaseSensitive) {
    Read r(write_text("    LMAX_BAND61 = 17.040\nK = 1\nK = 2\nk = 3\n"));
    ASSERT_EQ(r.result, 1);
    ConfEntry* lmax = econf_find(&r.conf, "LMAX_BAND61");
    ASSERT_NE(lmax, nullptr);
    EXPECT_STREQ(lmax->value, "17.040");
    EXPECT_DOUBLE_EQ(econf_number(lmax), 17.04);
    EXPECT_EQ(econf_find(&r.conf, "lmax_band61"), nullptr);
    EXPECT_EQ(econf_find(&r.conf, "LMAX_BAND6"), nullptr);
    EXPECT_EQ(econf_number(econf_find(&r.conf, "K")), 1.0);
    EXPECT_EQ(econf_number(econf_find(&r.conf, "k")), 3.0);
    EXPECT_EQ(econf_number(econf_find(&r.conf, "missing")), 0.0);
    EXPECT_EQ(econf_find(&r.conf, nullptr), nullptr);
    EXPECT_EQ(econf_find(nullptr, "K"), nullptr);
}

// A line longer than 1023 bytes arrives in pieces of 1023, each read as a line of its own.
TEST(Econf, LongLineIsReadInPieces) {
    std::string first = "A=" + std::string(1021, 'x');  // exactly 1023 bytes
    std::string second = "B=" + std::string(475, 'y');  // the remaining 477 bytes
    ASSERT_EQ((first + second).size(), 1500u);
    Read r(write_text(first + second + "\nC = 3\n"));
    ASSERT_EQ(r.result, 1);
    EXPECT_EQ(r.entries(),
              (Entries{{"A", std::string(1021, 'x')}, {"B", std::string(475, 'y')}, {"C", "3"}}));
}

TEST(Econf, VeryLongLinesAndKeysStayBounded) {
    std::string text = std::string(100000, 'k') + " = v\n" + "K = " + std::string(5000, '7') + "\nEND = 1\n";
    Read r(write_text(text));
    ASSERT_EQ(r.result, 1);
    for (uint32_t i = 0; i < r.conf.count; ++i) {
        EXPECT_LT(std::strlen(r.conf.entries[i]->key), 1024u);
        EXPECT_LT(std::strlen(r.conf.entries[i]->value), 1024u);
    }
    EXPECT_NE(econf_find(&r.conf, "END"), nullptr);
}

TEST(Econf, OpenReadCloseLifecycle) {
    ConfFile conf{};
    EXPECT_EQ(econf_read(&conf), 0);  // nothing open
    EXPECT_EQ(econf_close(&conf), 0);
    EXPECT_EQ(econf_open(&conf, (fs::temp_directory_path() / "orvenna-econf-missing" / "x.met").c_str()), 0);
    EXPECT_EQ(conf.file, nullptr);
    EXPECT_EQ(econf_open(&conf, nullptr), 0);
    EXPECT_EQ(econf_open(&conf, std::string(1024, 'a').c_str()), 0);
    EXPECT_EQ(econf_open(&conf, std::string(4000, '/').c_str()), 0);

    std::string path = write_text("A = 1\nB = 2\n");
    ASSERT_EQ(econf_open(&conf, path.c_str()), 1);
    EXPECT_EQ(std::string(conf.path), path);
    EXPECT_EQ(econf_read(&conf), 1);
    EXPECT_EQ(econf_read(&conf), 1);  // a second reading does not duplicate the entries
    EXPECT_EQ(conf.count, 2u);
    EXPECT_EQ(econf_close(&conf), 1);
    EXPECT_EQ(conf.file, nullptr);
    EXPECT_EQ(conf.entries, nullptr);
    EXPECT_EQ(conf.count, 0u);
    EXPECT_EQ(econf_close(&conf), 0);
}

// An ALOS product summary: every value in double quotes.
TEST(Econf, SummaryWithQuotedCorners) {
    const char* text =
        "Scs_SceneID=\"ALAV2A000000000\"\r\n"
        "Img_ImageSceneLeftTopLatitude=\"35.123\"\r\n"
        "Img_ImageSceneLeftTopLongitude=\"139.456\"\r\n"
        "Img_ImageSceneRightTopLatitude=\"35.200\"\r\n"
        "Img_ImageSceneRightTopLongitude=\"140.100\"\r\n"
        "Img_ImageSceneLeftBottomLatitude=\"34.500\"\r\n"
        "Img_ImageSceneLeftBottomLongitude=\"139.300\"\r\n"
        "Img_ImageSceneRightBottomLatitude=\"34.600\"\r\n"
        "Img_ImageSceneRightBottomLongitude=\"-0.25\"\r\n";
    Read r(write_text(text, "summary.txt"));
    ASSERT_EQ(r.result, 1);
    struct {
        const char* key;
        double number;
    } expected[] = {
        {"Img_ImageSceneLeftTopLatitude", 35.123},   {"Img_ImageSceneLeftTopLongitude", 139.456},
        {"Img_ImageSceneRightTopLatitude", 35.2},    {"Img_ImageSceneRightTopLongitude", 140.1},
        {"Img_ImageSceneLeftBottomLatitude", 34.5},  {"Img_ImageSceneLeftBottomLongitude", 139.3},
        {"Img_ImageSceneRightBottomLatitude", 34.6}, {"Img_ImageSceneRightBottomLongitude", -0.25},
    };
    for (const auto& e : expected) {
        ConfEntry* entry = econf_find(&r.conf, e.key);
        ASSERT_NE(entry, nullptr) << e.key;
        EXPECT_DOUBLE_EQ(econf_number(entry), e.number) << e.key;
    }
    EXPECT_STREQ(econf_find(&r.conf, "Scs_SceneID")->value, "\"ALAV2A000000000\"");
}

std::string landsat_met_path() {
    return (fs::path(ORVENNA_SOURCE_DIR) / "tests" / "data" / "metadata" / "L71092085_08520100315_MTL.met")
        .string();
}

// A real Landsat-7 metadata file; the expected numbers were read from the file by eye.
TEST(Econf, LandsatMetadataFile) {
    Read r(landsat_met_path());
    ASSERT_EQ(r.opened, 1) << landsat_met_path();
    ASSERT_EQ(r.result, 1);
    struct {
        const char* key;
        double number;
    } expected[] = {
        {"PRODUCT_UL_CORNER_LAT", -35.07},
        {"PRODUCT_UL_CORNER_LON", 144.87},
        {"PRODUCT_UR_CORNER_LAT", -35.07},
        {"PRODUCT_UR_CORNER_LON", 147.59},
        {"PRODUCT_LL_CORNER_LAT", -37.0},
        {"PRODUCT_LL_CORNER_LON", 144.87},
        {"PRODUCT_LR_CORNER_LAT", -37.0},
        {"PRODUCT_LR_CORNER_LON", 147.59},
        {"LMAX_BAND61", 17.04},
        {"LMIN_BAND61", 0.0},
        {"LMAX_BAND62", 12.65},
        {"LMIN_BAND7", -0.35},
        {"WRS_PATH", 92},
        {"ACQUISITION_DATE", 2010},
        {"SUN_ELEVATION", 41.5610274},
    };
    for (const auto& e : expected) {
        ConfEntry* entry = econf_find(&r.conf, e.key);
        ASSERT_NE(entry, nullptr) << e.key;
        EXPECT_DOUBLE_EQ(econf_number(entry), e.number) << e.key;
    }
    EXPECT_STREQ(econf_find(&r.conf, "LMAX_BAND61")->value, "17.040");
    EXPECT_STREQ(econf_find(&r.conf, "GROUP")->value, "L1_METADATA_FILE");
    EXPECT_STREQ(econf_find(&r.conf, "END_GROUP")->value, "METADATA_FILE_INFO");
    EXPECT_STREQ(econf_find(&r.conf, "ORIGIN")->value, "\"Image");
    EXPECT_STREQ(econf_find(&r.conf, "SENSOR_ID")->value, "\"ETM+\"");
    EXPECT_EQ(econf_find(&r.conf, "END"), nullptr);  // the closing END has no value
    EXPECT_EQ(econf_find(&r.conf, "lmax_band61"), nullptr);
}

}  // namespace
