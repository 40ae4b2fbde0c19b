// The compiled program against the tree walk: random texts over the whole language and the preset
// texts, compared bit for bit (value and all 26 cells) over rounds of cell values that include NaN,
// infinities, zeros and negatives; and the letter masks the program reports.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "calc/ecalc.h"
#include "calc/ecalc_program.h"
#include "calc/ecalc_stored.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct Cells {
    double v[26] = {};
    LetterCells p;
    Cells() {
        for (int i = 0; i < 26; ++i)
            p[i] = &v[i];
    }
    Cells(const Cells& o) : Cells() { std::memcpy(v, o.v, sizeof v); }
};

bool same_bits(double x, double y) {
    return std::memcmp(&x, &y, sizeof x) == 0;
}

bool reads_cells(const CalcExpr* n) {
    if (!n) return false;
    if (n->kind == CALC_LETTER) return true;
    if (n->kind != CALC_COMPOUND) return false;
    return static_cast<int>(n->value) == CALC_OP_ANS || reads_cells(n->left) || reads_cells(n->right);
}

// Upper bound of the work one evaluation does (nodes visited, repetitions multiplied in), or infinity
// when a repeat count depends on cell values and so is not known before evaluating.
double work_bound(const CalcExpr* n) {
    if (!n || n->kind != CALC_COMPOUND) return 1;
    double w = 1 + work_bound(n->left);
    if (static_cast<int>(n->value) == CALC_OP_REPEAT && n->right && n->right->kind == CALC_COMPOUND) {
        double count = 0;
        if (n->left && n->left->kind == CALC_NUMBER) {
            count = n->left->value;
        } else if (n->left && n->left->kind == CALC_LETTER) {
            return kInf;
        } else if (n->left && n->left->kind == CALC_COMPOUND) {
            // The count is known beforehand only when it reads no letter and no ANS.
            if (reads_cells(n->left) || work_bound(n->left) > 1e5) return kInf;
            double zero[26] = {};
            LetterCells cells;
            for (int i = 0; i < 26; ++i)
                cells[i] = &zero[i];
            count = ecalc_evaluate(n->left, cells, 0);
        }
        if (!(count < 1e6)) count = count >= 1e6 ? kInf : 0;
        return w + (count > 0 ? count : 0) * work_bound(n->right);
    }
    return w + work_bound(n->right);
}

// Random texts over the whole language, with malformed pieces now and then.
class TextGenerator {
public:
    // With `stored`, operands also read stored values ("#a").
    explicit TextGenerator(uint32_t seed, bool stored = false) : rng_(seed), stored_(stored) {}

    std::string text() {
        std::string s = expr(0);
        if (pick(6) == 0) mutate(s);
        return s;
    }

private:
    int pick(int n) { return static_cast<int>(rng_() % static_cast<uint32_t>(n)); }
    std::string letter() {
        static const char kLetters[] = "abcdvwxyzABXq";
        return std::string(1, kLetters[pick(sizeof kLetters - 1)]);
    }
    std::string operand_letter() { return stored_ && pick(3) == 0 ? "#" + letter() : letter(); }
    std::string number() {
        static const char* const kNumbers[] = {"0",       "1",     "2",        "3",   "0.5",
                                               "255",     "1.2.3", "0x1F",     "2.7", "128",
                                               "1282.71", "1e",    "0.000000", "45",  "17.040001"};
        return kNumbers[pick(sizeof kNumbers / sizeof kNumbers[0])];
    }
    std::string count() {
        static const char* const kCounts[] = {"0",  "1",     "2",       "3",       "2.7",
                                              "-1", "(0-2)", "(2>1)+1", "(1<=0)+2"};
        return kCounts[pick(sizeof kCounts / sizeof kCounts[0])];
    }
    std::string expr(int depth) {
        if (depth > 5) return pick(2) ? letter() : number();
        static const char* const kBinary[] = {"+",  "-",  "*",     "/",       "<", ">",
                                              "<=", ">=", " POW ", " power ", ",", " if "};
        static const char* const kFunctions[] = {"SIN", "cos", "TAN",  "ASIN", "acos", "ATAN",
                                                 "LN",  "LOG", "ROOT", "RAD",  "DEG"};
        static const char* const kConstants[] = {"PI", "EPS0", "ANS", "pi"};
        const int d = depth + 1;
        switch (pick(16)) {
            case 0:
                return number();
            case 1:
            case 2:
                return operand_letter();
            case 3:
                return kConstants[pick(4)];
            case 4:
                return "( " + expr(d) + " )";
            case 5:
            case 6:
                return expr(d) + " " + kBinary[pick(12)] + " " + expr(d);
            case 7:
                return std::string(pick(2) ? "-" : "+") + expr(d);
            case 8:
                return std::string(kFunctions[pick(11)]) +
                       (pick(2) ? "( " + expr(d) + " )" : " " + operand_letter());
            case 9:
                return letter() + " = " + expr(d);
            case 10:
                return "( " + expr(d) + " )if( " + letter() + " = " + expr(d) + " )";
            case 11:
                return "( " + count() + " @ ( " + expr(d) + " ) )";
            case 12:
                return expr(d) + operand_letter();
            case 13:
                return number() + "(" + expr(d) + ")";
            case 14:
                return "( " + letter() + " = " + expr(d) + " ), " + expr(d);
            default:
                return "( " + expr(d) + " )if " + (pick(2) ? letter() : number());
        }
    }
    void mutate(std::string& s) {
        static const char kJunk[] = "()+-*/=,@<>.$ 9aZ\xc3\xa9";
        if (s.empty()) return;
        size_t at = rng_() % s.size();
        switch (pick(3)) {
            case 0:
                s.erase(at, 1);
                break;
            case 1:
                s.insert(at, 1, kJunk[pick(sizeof kJunk - 1)]);
                break;
            default:
                std::swap(s[at], s[rng_() % s.size()]);
                break;
        }
    }
    std::mt19937 rng_;
    bool stored_ = false;
};

const double kCellValues[] = {0.0,   -0.0,   1.0,  -1.0,  2.5,  -3.75, 255.0, 17.0, 0.1,
                              1e300, -1e300, kInf, -kInf, kNaN, -kNaN, 128.0, 0.5};

// Evaluates a tree both ways over several rounds of cells (and of stored values, which change every round
// like band values) and reports the first difference.
::testing::AssertionResult both_ways_agree(const CalcExpr* tree, std::mt19937& rng, int rounds) {
    double stored[26] = {};
    std::vector<double> letter_columns[26], stored_columns[26], walk_results;
    EcalcProgram program(tree);
    Cells walk;
    const size_t n_values = sizeof kCellValues / sizeof kCellValues[0];
    for (int i = 0; i < 26; ++i)
        walk.v[i] = kCellValues[rng() % n_values];
    Cells fast(walk);
    for (int round = 0; round < rounds; ++round) {
        // Band letters change every round; scratch letters carry over, as during a redraw.
        for (int i = 0; i < 4; ++i) {
            walk.v[i] = fast.v[i] = kCellValues[rng() % n_values];
            stored[i] = kCellValues[rng() % n_values];
        }
        double ans = round == 3 ? kNaN : round;
        double expected = ecalc_evaluate_stored(tree, walk.p, stored, ans);
        double got = program.evaluate(fast.p, stored, ans);
        if (!same_bits(expected, got)) {
            return ::testing::AssertionFailure()
                   << "round " << round << ": tree " << expected << ", program " << got;
        }
        for (int k = 0; k < 26; ++k) {
            if (!same_bits(walk.v[k], fast.v[k])) {
                return ::testing::AssertionFailure()
                       << "round " << round << ": cell " << static_cast<char>('a' + k) << " tree "
                       << walk.v[k] << ", program " << fast.v[k];
            }
        }
        // A program that runs in bulk gives the rounds' values as one run (with ANS 0).
        for (int k = 0; k < 26; ++k) {
            letter_columns[k].push_back(walk.v[k]);
            stored_columns[k].push_back(stored[k]);
        }
        // (Such a program assigns no letter, so the walk leaves the cells as they are.)
        if (program.runs_in_bulk()) walk_results.push_back(ecalc_evaluate_stored(tree, walk.p, stored, 0));
    }
    if (program.runs_in_bulk()) {
        const double* letters[26];
        const double* stored_values[26];
        for (int k = 0; k < 26; ++k) {
            letters[k] = letter_columns[k].data();
            stored_values[k] = stored_columns[k].data();
        }
        std::vector<double> bulk(static_cast<size_t>(rounds));
        program.evaluate_run(letters, stored_values, rounds, bulk.data());
        for (int round = 0; round < rounds; ++round)
            if (!same_bits(bulk[round], walk_results[round]))
                return ::testing::AssertionFailure() << "in bulk, round " << round << ": tree "
                                                     << walk_results[round] << ", program " << bulk[round];
    }
    return ::testing::AssertionSuccess();
}

TEST(EcalcProgramDifferential, RandomTextsAgreeBitForBit) {
    for (bool stored : {false, true}) {
        SCOPED_TRACE(stored ? "with stored values" : "letters only");
        TextGenerator gen(20240611u, stored);
        std::mt19937 rng(7);
        int compiled = 0, evaluated = 0, in_bulk = 0;
        for (int i = 0; i < 20000; ++i) {
            std::string text = gen.text();
            CalcExpr* tree = stored ? ecalc_compile_stored(text.c_str()) : ecalc_compile(text.c_str());
            if (!stored) {
                // Texts of the language without stored values compile alike with them.
                CalcExpr* again = ecalc_compile_stored(text.c_str());
                EXPECT_EQ(again != nullptr, tree != nullptr) << text;
                ecalc_free(again);
            }
            if (tree) {
                ++compiled;
                if (work_bound(tree) < 1e6) {
                    ++evaluated;
                    EXPECT_TRUE(both_ways_agree(tree, rng, 5)) << text;
                    in_bulk += EcalcProgram(tree).runs_in_bulk();
                }
            }
            ecalc_free(tree);
        }
        // The generator must mostly produce texts that compile and can be run, many of them in bulk.
        EXPECT_GT(compiled, 10000);
        EXPECT_GT(evaluated, 9000);
        EXPECT_GT(in_bulk, 2000);
    }
}

// Letter masks: a letter outside letters_read_before_write can take any starting value without changing
// the result or the other cells; cells that change are within letters_written; letters always written
// end up equal whatever they started with.
TEST(EcalcProgramDifferential, LetterMasksHoldOnRandomTexts) {
    TextGenerator gen(99u);
    std::mt19937 rng(3);
    const size_t n_values = sizeof kCellValues / sizeof kCellValues[0];
    for (int i = 0; i < 5000; ++i) {
        std::string text = gen.text();
        CalcExpr* tree = ecalc_compile(text.c_str());
        if (!tree || !(work_bound(tree) < 1e6)) {
            ecalc_free(tree);
            continue;
        }
        EcalcProgram program(tree);
        ecalc_free(tree);
        EXPECT_EQ(program.letters_always_written() & ~program.letters_written(), 0u) << text;
        EXPECT_EQ(program.letters_read_before_write() & ~program.letters_read(), 0u) << text;
        Cells base;
        for (int k = 0; k < 26; ++k)
            base.v[k] = kCellValues[rng() % n_values];
        Cells first(base);
        double v1 = program.evaluate(first.p, 0);
        for (int k = 0; k < 26; ++k) {
            if (!same_bits(first.v[k], base.v[k])) {
                EXPECT_TRUE(program.letters_written() >> k & 1) << text << " letter " << k;
            }
            if (program.letters_read_before_write() >> k & 1) continue;
            Cells other(base);
            other.v[k] = base.v[k] == 42.0 ? 43.0 : 42.0;
            double v2 = program.evaluate(other.p, 0);
            EXPECT_TRUE(same_bits(v1, v2)) << text << " letter " << k;
            for (int j = 0; j < 26; ++j) {
                if (j == k && !(program.letters_always_written() >> k & 1)) continue;
                EXPECT_TRUE(same_bits(first.v[j], other.v[j])) << text << " letter " << k << " cell " << j;
            }
        }
    }
}

// --- Preset texts ---

const char* const kThermo[3] = {
    "( w = %s ), ( w < ( 255 / 5 * 4 ) )if( x = 0 ), ( w > ( 255 / 5 * 4 ) )if( x = 255 ), ( ( w < ( 255 / 5 "
    "* 4 ) ) "
    "* ( w > ( 255 / 5 * 3 ) ) )if( x = 255 * ( ( w - ( 255 / 5 * 3 ) ) / ( 255 / 5 ) ) ), x",
    "( w = %s ), ( w < ( 255 / 5 * 2 ) )if( y = 0 ), ( w > ( 255 / 5 * 2 ) )if( y = 255 ), ( ( w > ( 255 / 5 "
    ") ) * ( "
    "w < ( 255 / 5 * 2 ) ) )if( y = 255 * ( ( w - 255 / 5 ) / ( 255 / 5 ) ) ), ( ( w > ( 255 / 5 * 4 ) ) * ( "
    "w < ( "
    "256 ) ) )if( y = 255 - 255 * ( ( w - ( 255 / 5 * 4 ) ) / ( 255 / 5 ) ) ), y",
    "( w = %s ), ( w < ( 255 / 5 * 3 ) )if( z = 255 ), ( w > ( 255 / 5 * 3 ) )if( z = 0 ), ( w < ( 255 / 5 ) "
    ")if( z = "
    "255 * ( w / ( 255 / 5 ) ) ), ( ( w > ( 255 / 5 * 2 ) ) * ( w < ( 255 / 5 * 3 ) ) )if( z = 255 - 255 * ( "
    "( w - ( "
    "255 / 5 * 2 ) ) / ( 255 / 5 ) ) ), z"};

const char* const kLandsat[3] = {
    "( v = %c - 1 ), ( v < 0 )if( v = 0 ), ( %c = 1282.71 / ( ln( 666.09 / ( ( %c ) * ( %f - %f ) / ( 255.0 "
    "- 1.0 ) + "
    "%f ) + 1 ) ) - 273.15 - %d ), ( %c < ( %d / 5 * 4 ) )if( x = 0 ), ( %c >= ( %d / 5 * 4 ) )if( x = 255 "
    "), ( ( %c "
    "< ( %d / 5 * 4 ) ) * ( %c >= ( %d / 5 * 3 ) ) )if( x = 255 * ( ( %c - ( %d / 5 * 3 ) ) / ( %d / 5 ) ) "
    "), x",
    "( v = %c - 1 ), ( v < 0 )if( v = 0 ), ( %c = 1282.71 / ( ln( 666.09 / ( ( %c ) * ( %f - %f ) / ( 255.0 "
    "- 1.0 ) + "
    "%f ) + 1 ) ) - 273.15 - %d ), ( %c < ( %d / 5 * 2 ) )if( y = 0 ), ( %c >= ( %d / 5 * 2 ) )if( y = 255 "
    "), ( ( %c "
    ">= ( %d / 5 ) ) * ( %c < ( %d / 5 * 2 ) ) )if( y = 255 * ( ( %c - %d / 5 ) / ( %d / 5 ) ) ), ( ( %c >= "
    "( %d / 5 * "
    "4 ) ) )if( y = 255 - 255 * ( ( %c - ( %d / 5 * 4 ) ) / ( %d / 5 ) ) ), y",
    "( v = %c - 1 ), ( v < 0 )if( v = 0 ), ( %c = 1282.71 / ( ln( 666.09 / ( ( %c ) * ( %f - %f ) / ( 255.0 "
    "- 1.0 ) + "
    "%f ) + 1 ) ) - 273.15 - %d ), ( %c < ( %d / 5 * 3 ) )if( z = 255 ), ( %c >= ( %d / 5 * 3 ) )if( z = 0 "
    "), ( %c < ( "
    "%d / 5 ) )if( z = 255 * ( %c / ( %d / 5 ) ) ), ( ( %c >= ( %d / 5 * 2 ) ) * ( %c < ( %d / 5 * 3 ) ) "
    ")if( z = 255 "
    "- 255 * ( ( %c - ( %d / 5 * 2 ) ) / ( %d / 5 ) ) ), z"};

std::string thermo_text(int channel, const std::string& source) {
    char buf[2048];
    std::snprintf(buf, sizeof buf, kThermo[channel], ("( " + source + " )").c_str());
    return buf;
}

// Fills a Landsat format: B, "w", "v", LMAX, LMIN, LMIN, M, then "w" for each %c and D for each %d.
std::string landsat_text(int channel, char band, float lmax, float lmin, int min_temp, int max_temp) {
    std::string out;
    const char* f = kLandsat[channel];
    int placeholder = 0;
    const int d = max_temp - min_temp;
    char buf[64];
    for (; *f; ++f) {
        if (*f != '%') {
            out += *f;
            continue;
        }
        ++f;
        ++placeholder;
        if (*f == 'c') {
            out += placeholder == 1 ? band : (placeholder == 3 ? 'v' : 'w');
        } else if (*f == 'f') {
            std::snprintf(buf, sizeof buf, "%f", static_cast<double>(placeholder == 4 ? lmax : lmin));
            out += buf;
        } else {
            std::snprintf(buf, sizeof buf, "%d", placeholder == 7 ? min_temp : d);
            out += buf;
        }
    }
    return out;
}

TEST(EcalcPresets, LandsatTextBeginsAsDocumented) {
    EXPECT_EQ(
        landsat_text(0, 'c', 17.04f, 0, 0, 45).substr(0, 170),
        std::string(
            "( v = c - 1 ), ( v < 0 )if( v = 0 ), ( w = 1282.71 / ( ln( 666.09 / ( ( v ) * ( 17.040001 - "
            "0.000000 ) / ( 255.0 - 1.0 ) + 0.000000 ) + 1 ) ) - 273.15 - 0 ), ( w < ( 45 / 5 * 4 ) )if( x "
            "= 0 ), ")
            .substr(0, 170));
}

TEST(EcalcPresets, ThermographyRampValues) {
    struct Case {
        double w;
        double red, green, blue;
    };
    // Ramp black 0, blue 51, cyan 102, green 153, yellow 204, red 255.
    const Case cases[] = {{0, 0, 0, 0},     {25.5, 0, 0, 127.5}, {51, 0, 0, 255},    {80, 0, 145, 255},
                          {153, 0, 255, 0}, {180, 135, 255, 0},  {230, 255, 125, 0}, {255, 255, 0, 0}};
    CalcExpr* trees[3];
    for (int c = 0; c < 3; ++c) {
        trees[c] = ecalc_compile(thermo_text(c, "a").c_str());
        ASSERT_NE(trees[c], nullptr);
    }
    for (const Case& k : cases) {
        Cells cells;
        cells.v[0] = k.w;
        EXPECT_NEAR(ecalc_evaluate(trees[0], cells.p, 0), k.red, 1e-9) << k.w;
        EXPECT_NEAR(ecalc_evaluate(trees[1], cells.p, 0), k.green, 1e-9) << k.w;
        EXPECT_NEAR(ecalc_evaluate(trees[2], cells.p, 0), k.blue, 1e-9) << k.w;
    }
    // At exactly 204 no red branch applies: red shows what x last held.
    Cells cells;
    cells.v[0] = 204;
    cells.v['x' - 'a'] = 77;
    EXPECT_EQ(ecalc_evaluate(trees[0], cells.p, 0), 77);
    for (CalcExpr* t : trees)
        ecalc_free(t);
}

TEST(EcalcPresets, LandsatTemperatureRamp) {
    // With LMAX 17.04, band value 1 gives radiance 0 (temperature far below the minimum: black), and the
    // largest band values exceed 45 degrees (red).
    CalcExpr* red = ecalc_compile(landsat_text(0, 'c', 17.04f, 0, 0, 45).c_str());
    CalcExpr* blue = ecalc_compile(landsat_text(2, 'c', 17.04f, 0, 0, 45).c_str());
    ASSERT_NE(red, nullptr);
    ASSERT_NE(blue, nullptr);
    Cells cells;
    cells.v[2] = 116;  // v = 115, radiance = 115 * 17.040001 / 254
    double radiance = 115.0 * (17.040001 - 0.0) / (255.0 - 1.0) + 0.0;
    double w = 1282.71 / std::log(666.09 / radiance + 1) - 273.15 - 0;
    ASSERT_GT(w, 9);
    ASSERT_LT(w, 18);
    EXPECT_EQ(ecalc_evaluate(red, cells.p, 0), 0);
    EXPECT_EQ(ecalc_evaluate(blue, cells.p, 0), 255);  // between D/5 and 2D/5: full blue
    EXPECT_NEAR(cells.v['w' - 'a'], w, 1e-9);
    ecalc_free(red);
    ecalc_free(blue);
}

TEST(EcalcPresets, CompiledFormMatchesTreeWalkOnEveryBandValue) {
    std::vector<std::string> texts;
    for (int c = 0; c < 3; ++c) {
        texts.push_back(thermo_text(c, "a"));
        texts.push_back(thermo_text(c, "a+b"));
        texts.push_back(landsat_text(c, 'c', 17.04f, 0, 0, 45));
        texts.push_back(landsat_text(c, 'a', 12.65f, -1.2f, 10, 35));
    }
    texts.push_back("( d - c ) / ( d + c ) * 128 + 128");
    for (const std::string& text : texts) {
        CalcExpr* tree = ecalc_compile(text.c_str());
        ASSERT_NE(tree, nullptr) << text;
        EcalcProgram program(tree);
        Cells walk, fast;
        for (int value = 0; value < 256; ++value) {
            for (int band = 0; band < 4; ++band)
                walk.v[band] = fast.v[band] = (value * (band + 3)) % 256;
            double expected = ecalc_evaluate(tree, walk.p, 0);
            double got = program.evaluate(fast.p, 0);
            ASSERT_TRUE(same_bits(expected, got)) << text << " value " << value;
            ASSERT_EQ(std::memcmp(walk.v, fast.v, sizeof walk.v), 0) << text << " value " << value;
        }
        std::mt19937 rng(11);
        EXPECT_TRUE(both_ways_agree(tree, rng, 8)) << text;
        ecalc_free(tree);
    }
}

TEST(EcalcPresets, EmptyThermographySourceDoesNotCompile) {
    EXPECT_EQ(ecalc_compile(thermo_text(0, "").c_str()), nullptr);
}

TEST(EcalcProgramMasks, ReportsLettersOfPresetText) {
    CalcExpr* tree = ecalc_compile(thermo_text(0, "a").c_str());
    EcalcProgram program(tree);
    ecalc_free(tree);
    auto bit = [](char c) { return 1u << (c - 'a'); };
    EXPECT_EQ(program.letters_read(), bit('a') | bit('w') | bit('x'));
    EXPECT_EQ(program.letters_written(), bit('w') | bit('x'));
    EXPECT_EQ(program.letters_always_written(), bit('w'));
    // x is read at the end but may not have been assigned on this path.
    EXPECT_EQ(program.letters_read_before_write(), bit('a') | bit('x'));
    EXPECT_GT(program.operation_count(), 0u);
}

}  // namespace
