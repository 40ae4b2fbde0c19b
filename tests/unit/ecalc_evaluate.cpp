// Evaluation of compiled expressions: values, assignments through the cells, IF, repeat, division by
// zero, NaN comparisons, built-in functions, and very long texts. Every case runs through both the tree
// walk and the compiled program.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "calc/ecalc.h"
#include "calc/ecalc_program.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kPi = 3.141592653589793;

struct Cells {
    double v[26] = {};
    LetterCells p;
    Cells() {
        for (int i = 0; i < 26; ++i)
            p[i] = &v[i];
    }
    double& operator[](char letter) { return v[letter - 'a']; }
};

struct ValueCase {
    const char* text;
    double a;      // value of cell a before evaluation (other cells 0, x as given)
    double x;      // value of cell x before evaluation
    double value;  // expected result
    double x_after;
};

class Value : public ::testing::TestWithParam<ValueCase> {};

TEST_P(Value, TreeWalkAndProgramGiveExpectedValueAndCellX) {
    const ValueCase& c = GetParam();
    CalcExpr* tree = ecalc_compile(c.text);
    ASSERT_NE(tree, nullptr) << c.text;
    EcalcProgram program(tree);
    for (int way = 0; way < 2; ++way) {
        Cells cells;
        cells['a'] = c.a;
        cells['x'] = c.x;
        double v = way == 0 ? ecalc_evaluate(tree, cells.p, 0.0) : program.evaluate(cells.p, 0.0);
        if (std::isnan(c.value)) {
            EXPECT_TRUE(std::isnan(v)) << c.text << " way " << way;
        } else {
            EXPECT_EQ(v, c.value) << c.text << " way " << way;
        }
        if (std::isnan(c.x_after)) {
            EXPECT_TRUE(std::isnan(cells['x'])) << c.text;
        } else {
            EXPECT_EQ(cells['x'], c.x_after) << c.text << " way " << way;
        }
    }
    ecalc_free(tree);
}

INSTANTIATE_TEST_SUITE_P(
    Ecalc, Value,
    ::testing::Values(
        ValueCase{"a", 17, 0, 17, 0}, ValueCase{"3", 0, 0, 3, 0}, ValueCase{"1/0", 0, 0, 0, 0},
        ValueCase{"a/(b-b)", 5, 0, 0, 0}, ValueCase{"1/a", kNaN, 0, 0, 0}, ValueCase{"3 > 2", 0, 0, 1, 0},
        ValueCase{"2 >= 2", 0, 0, 1, 0}, ValueCase{"2 < 2", 0, 0, 0, 0}, ValueCase{"2 <= 2", 0, 0, 1, 0},
        ValueCase{"(0)if( x = 5 )", 0, 9, 0, 9}, ValueCase{"(2)if( x = 5 )", 0, 9, 2, 5},
        ValueCase{"(0)if 7", 0, 0, 7, 0}, ValueCase{"(1)if x", 0, 4, 4, 4},
        ValueCase{"(a)if( x = 5 )", kNaN, 9, kNaN, 9}, ValueCase{"(a)if( x = 5 )", -0.5, 9, -0.5, 5},
        ValueCase{"3 @ ( x = x + 1 )", 0, 0, 3, 3}, ValueCase{"2.7 @ ( x = x + 1 )", 0, 0, 2, 2},
        ValueCase{"0 @ ( x = 1 )", 0, 7, 0, 7}, ValueCase{"-1 @ ( x = 1 )", 0, 7, 0, 7},
        ValueCase{"a @ ( x = 1 )", kNaN, 7, 0, 7}, ValueCase{"a @ ( x = x * 2 )", 4.9, 1, 16, 16},
        ValueCase{"a @ ( 5 )", 3, 0, 5, 0}, ValueCase{"x = 5", 0, 0, 5, 5},
        ValueCase{"x = y = 2", 0, 0, 2, 2}, ValueCase{"PI", 0, 0, kPi, 0},
        ValueCase{"EPS0", 0, 0, 8.85418782e-12, 0}, ValueCase{"DEG PI", 0, 0, 180, 0},
        ValueCase{"RAD 180", 0, 0, kPi, 0}, ValueCase{"SIN (RAD 90)", 0, 0, 1, 0},
        ValueCase{"LOG 100", 0, 0, 2, 0}, ValueCase{"LN 1", 0, 0, 0, 0}, ValueCase{"ROOT 16", 0, 0, 4, 0},
        ValueCase{"2 POW 10", 0, 0, 1024, 0}, ValueCase{"2 POWER 10", 0, 0, 1024, 0},
        ValueCase{"-2 POW 2", 0, 0, -4, 0}, ValueCase{"2(3)", 0, 0, 6, 0}, ValueCase{"0x1F", 0, 0, 31, 0},
        ValueCase{"1.2.3", 0, 0, 1.2, 0}, ValueCase{"pix", 0, 2, 2 * kPi, 2}, ValueCase{"-a", 17, 0, -17, 0},
        ValueCase{"a * - 2", 3, 0, -6, 0}, ValueCase{"( x = 3 ), x * 2", 0, 0, 6, 3},
        // Comparisons with a NaN side.
        ValueCase{"a > 1", kNaN, 0, 0, 0}, ValueCase{"a >= 1", kNaN, 0, 0, 0},
        ValueCase{"a < 1", kNaN, 0, 1, 0}, ValueCase{"a <= 1", kNaN, 0, 1, 0},
        ValueCase{"1 < a", kNaN, 0, 1, 0},
        // Domain and range errors give the math library's value.
        ValueCase{"ROOT (0-1)", 0, 0, kNaN, 0}, ValueCase{"LN 0", 0, 0, -kInf, 0},
        ValueCase{"LOG 0", 0, 0, -kInf, 0}, ValueCase{"ASIN 2", 0, 0, kNaN, 0},
        ValueCase{"(0-2) POW 0.5", 0, 0, kNaN, 0}, ValueCase{"10 POW 400", 0, 0, kInf, 0},
        ValueCase{"a * 2", kInf, 0, kInf, 0},
        // Left before right: the left letter is read before the right side assigns it.
        ValueCase{"x + (x = 5)", 0, 1, 6, 5}, ValueCase{"(x = 5) + x", 0, 1, 10, 5},
        ValueCase{"x * (x = x + 1) * x", 0, 2, 18, 3}, ValueCase{"(x = 2) @ (x = x + 1)", 0, 0, 4, 4},
        ValueCase{"x if (x = 4)", 0, 3, 3, 4}, ValueCase{"x, x = 8", 0, 3, 8, 8},
        ValueCase{"ANS", 0, 0, 0, 0}, ValueCase{"x = 1/0", 0, 5, 0, 0}, ValueCase{"y = x = 2", 0, 0, 2, 2},
        ValueCase{"diff", 0, 0, 0, 0}, ValueCase{"(a)if( x = 5 ), x", 3, 1, 5, 5}));

TEST(EcalcEvaluate, NullTreeAndNonCompoundRootYieldZero) {
    Cells cells;
    EXPECT_EQ(ecalc_evaluate(nullptr, cells.p, 5.0), 0.0);
    CalcExpr* leaf = ecalc_new_node();
    leaf->kind = CALC_NUMBER;
    leaf->value = 7;
    EXPECT_EQ(ecalc_evaluate(leaf, cells.p, 5.0), 0.0);
    EcalcProgram program(leaf);
    EXPECT_TRUE(program.empty());
    EXPECT_EQ(program.evaluate(cells.p, 5.0), 0.0);
    ecalc_free(leaf);
    EcalcProgram none;
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(none.evaluate(cells.p, 1.0), 0.0);
}

TEST(EcalcEvaluate, AnsIsTheGivenValue) {
    CalcExpr* tree = ecalc_compile("ANS * 2");
    EcalcProgram program(tree);
    Cells cells;
    EXPECT_EQ(ecalc_evaluate(tree, cells.p, 21.5), 43.0);
    EXPECT_EQ(program.evaluate(cells.p, 21.5), 43.0);
    EXPECT_EQ(program.evaluate(cells.p, -1.0), -2.0);
    ecalc_free(tree);
}

TEST(EcalcEvaluate, AssignmentsPersistInCellsAcrossEvaluations) {
    CalcExpr* tree = ecalc_compile("w = w + a, w");
    EcalcProgram program(tree);
    Cells walk, fast;
    walk['a'] = fast['a'] = 2.5;
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(ecalc_evaluate(tree, walk.p, 0), 2.5 * i);
        EXPECT_EQ(program.evaluate(fast.p, 0), 2.5 * i);
    }
    EXPECT_EQ(walk['w'], 10.0);
    EXPECT_EQ(fast['w'], 10.0);
    ecalc_free(tree);
}

TEST(EcalcEvaluate, UpperAndLowerCaseNameTheSameCell) {
    CalcExpr* tree = ecalc_compile("X = 4, x + A");
    Cells cells;
    cells['a'] = 1;
    EXPECT_EQ(ecalc_evaluate(tree, cells.p, 0), 5.0);
    EXPECT_EQ(cells['x'], 4.0);
    ecalc_free(tree);
}

TEST(EcalcEvaluate, SharedCellsBehaveAlikeInBothForms) {
    // Letters a and b name one cell: an assignment to b is seen through a.
    CalcExpr* tree = ecalc_compile("a + (b = 5) + a");
    EcalcProgram program(tree);
    double shared = 1;
    double rest[26] = {};
    LetterCells cells;
    for (int i = 0; i < 26; ++i)
        cells[i] = &rest[i];
    cells[0] = cells[1] = &shared;
    EXPECT_EQ(ecalc_evaluate(tree, cells, 0), 11.0);
    shared = 1;
    EXPECT_EQ(program.evaluate(cells, 0), 11.0);
    ecalc_free(tree);
}

// --- Trees built by hand: codes and letter indices are truncated, unknown codes give 0, and both
// operands are evaluated (with their assignments) whatever the operation. ---

CalcExpr* hand_node(int32_t kind, double value, CalcExpr* left = nullptr, CalcExpr* right = nullptr) {
    CalcExpr* n = ecalc_new_node();
    n->kind = kind;
    n->value = value;
    n->left = left;
    n->right = right;
    return n;
}
CalcExpr* hand_number(double v) {
    return hand_node(CALC_NUMBER, v);
}
CalcExpr* hand_letter(char letter) {
    return hand_node(CALC_LETTER, letter - 'a');
}
CalcExpr* hand_compound(double code, CalcExpr* left, CalcExpr* right) {
    return hand_node(CALC_COMPOUND, code, left, right);
}

TEST(EcalcEvaluate, HandBuiltTreesReadCodesByTruncation) {
    struct Case {
        const char* what;
        CalcExpr* tree;
        double value;
        char cell;
        double cell_after;
    };
    const Case cases[] = {
        {"code 2.9 multiplies", hand_compound(2.9, hand_number(3), hand_number(4)), 12, 'a', 1},
        {"code -0.5 adds", hand_compound(-0.5, hand_number(3), hand_number(4)), 7, 'a', 1},
        {"unused code 11", hand_compound(11, hand_number(3), hand_number(4)), 0, 'a', 1},
        {"code 28", hand_compound(28, hand_number(3), hand_number(4)), 0, 'a', 1},
        {"letter index 2.7 is c", hand_compound(0, nullptr, hand_node(CALC_LETTER, 2.7)), 3, 'c', 3},
        {"assignment code 4.5 stores", hand_compound(4.5, hand_letter('z'), hand_number(9)), 9, 'z', 9},
        {"assignment to a number stores nothing", hand_compound(4, hand_number(25), hand_number(9)), 9, 'z',
         26},
        {"other node kinds read as 0", hand_compound(0, hand_node(CALC_CONSTANT_NAME, 12), hand_number(1)), 1,
         'a', 1},
        {"IF without action", hand_compound(27, hand_number(5), nullptr), 0, 'a', 1},
        {"repeat of a letter", hand_compound(6, hand_number(3), hand_letter('g')), 7, 'g', 7},
        {"constant evaluates both operands",
         hand_compound(12, hand_compound(4, hand_letter('b'), hand_number(42)),
                       hand_compound(4, hand_letter('d'), hand_number(43))),
         kPi, 'd', 43},
        {"function ignores its left operand", hand_compound(16, hand_number(5), hand_number(16)), 4, 'a', 1},
    };
    for (const Case& c : cases) {
        EcalcProgram program(c.tree);
        for (int way = 0; way < 2; ++way) {
            Cells cells;
            for (int i = 0; i < 26; ++i)
                cells.v[i] = i + 1;
            double v = way == 0 ? ecalc_evaluate(c.tree, cells.p, 0.0) : program.evaluate(cells.p, 0.0);
            EXPECT_EQ(v, c.value) << c.what << " way " << way;
            EXPECT_EQ(cells[c.cell], c.cell_after) << c.what << " way " << way;
        }
        ecalc_free(c.tree);
    }
}

// --- Long texts: no stack exhaustion, no quadratic time, clean failure where the language fails. ---

struct LongCase {
    std::string text;
    bool compiles;
    double a;
    double value;
};

void check_long(const LongCase& c) {
    CalcExpr* tree = ecalc_compile(c.text.c_str());
    ASSERT_EQ(tree != nullptr, c.compiles) << c.text.substr(0, 40);
    EcalcProgram program(tree);
    Cells walk, fast;
    walk['a'] = fast['a'] = c.a;
    if (c.compiles) {
        EXPECT_EQ(ecalc_evaluate(tree, walk.p, 0), c.value);
        EXPECT_EQ(program.evaluate(fast.p, 0), c.value);
        EXPECT_EQ(std::memcmp(walk.v, fast.v, sizeof walk.v), 0);
    }
    ecalc_free(tree);
}

std::string repeated(const std::string& piece, size_t times) {
    std::string s;
    s.reserve(piece.size() * times);
    for (size_t i = 0; i < times; ++i)
        s += piece;
    return s;
}

TEST(EcalcLongText, HundredThousandNestedParentheses) {
    check_long({repeated("(", 100000) + "a" + repeated(")", 100000), true, 3.5, 3.5});
    check_long({repeated("(", 100000) + "a" + repeated(")", 99999), false, 0, 0});
    check_long({repeated("(", 100000) + repeated(")", 100000), false, 0, 0});
}

TEST(EcalcLongText, SumOfHundredThousandTerms) {
    check_long({"a" + repeated("+a", 99999), true, 1.0, 100000.0});
    check_long({"a" + repeated("-a", 99999), true, 1.0, 1.0 - 99999.0});
}

TEST(EcalcLongText, OneMegabyteTexts) {
    const size_t mb = 1 << 20;
    check_long({"1" + repeated("+1", mb / 2 - 1), true, 0, static_cast<double>(mb / 2)});
    check_long({repeated("-", mb) + "a", true, 2.0, 2.0});           // 0 - (0 - (... a))
    check_long({repeated("x=", mb / 2) + "a", true, 6.0, 6.0});      // right-nested assignment
    check_long({repeated("SIN ", mb / 4) + "0", true, 0, 0.0});      // nested functions
    check_long({repeated("a POW ", mb / 6) + "1", true, 1.0, 1.0});  // left-nested keyword
    check_long({"0" + repeated(",a", mb / 2 - 1), true, 4.0, 4.0});  // long sequence
    check_long({repeated("1@(", mb / 4) + "a" + repeated(")", mb / 4), true, 9.0, 9.0});
    check_long({repeated("(1)if(", mb / 7) + "x=a" + repeated(")", mb / 7), true, 5.0, 1.0});
    check_long({repeated("(", mb), false, 0, 0});
    check_long({repeated(")", mb), false, 0, 0});
    check_long({repeated("7", mb), false, 0, 0});                 // one over-long number
    check_long({repeated("\xe3\x81\x82", mb / 3), false, 0, 0});  // non-ASCII text
    check_long({repeated("a ", mb / 2), true, 1.0, 1.0});         // implicit products
}

}  // namespace
