// Tokeniser and reducer of the expression calculator: token kinds and values, tree shapes, and the texts
// that must not compile.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "calc/Expression.h"
#include "calc/ecalc.h"
#include "calc/ecalc_stored.h"

namespace {

// Shape of a tree as an S-expression over operation codes: "(+ 0 a)", "(SIN x)", "PI".
std::string op_name(int code) {
    static const char* const kNames[] = {
        "+",   "-",   "*",    "/",   "=",  ",",   "@",   ">",   ">=",  "<",   "<=",   "?11",  "PI",   "EPS0",
        "ANS", "POW", "ROOT", "LOG", "LN", "RAD", "DEG", "SIN", "COS", "TAN", "ASIN", "ACOS", "ATAN", "IF"};
    return (code >= 0 && code <= 27) ? kNames[code] : "?";
}

std::string shape(const CalcExpr* n) {
    if (!n) return "_";
    char buf[64];
    switch (n->kind) {
        case CALC_NUMBER:
            std::snprintf(buf, sizeof buf, "%.17g", n->value);
            return buf;
        case CALC_LETTER:
            if (n->value >= kCalcStoredLetterBase)
                return "#" + std::string(1, static_cast<char>('a' + static_cast<int>(n->value) - 26));
            return std::string(1, static_cast<char>('a' + static_cast<int>(n->value)));
        case CALC_COMPOUND: {
            int code = static_cast<int>(n->value);
            if (!n->left && !n->right) return op_name(code);
            if (!n->left) return "(" + op_name(code) + " " + shape(n->right) + ")";
            return "(" + op_name(code) + " " + shape(n->left) + " " + shape(n->right) + ")";
        }
        default:
            return "<kind " + std::to_string(n->kind) + ">";
    }
}

// A finished tree has no chain links left.
bool no_next_links(const CalcExpr* n) {
    if (!n) return true;
    return !n->next && no_next_links(n->left) && no_next_links(n->right);
}

struct ShapeCase {
    const char* text;
    const char* tree;
};

class TreeShape : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(TreeShape, CompilesToExpectedTree) {
    CalcExpr* tree = ecalc_compile(GetParam().text);
    ASSERT_NE(tree, nullptr) << GetParam().text;
    EXPECT_EQ(tree->kind, CALC_COMPOUND);
    EXPECT_EQ(shape(tree), GetParam().tree) << GetParam().text;
    EXPECT_TRUE(no_next_links(tree));
    ecalc_free(tree);
}

INSTANTIATE_TEST_SUITE_P(
    Ecalc, TreeShape,
    ::testing::Values(
        ShapeCase{"a", "(+ 0 a)"}, ShapeCase{"3", "(+ 0 3)"}, ShapeCase{"PI", "PI"}, ShapeCase{"pi", "PI"},
        ShapeCase{"EPS0", "EPS0"}, ShapeCase{"ans", "ANS"}, ShapeCase{"a POWER 2", "(POW a 2)"},
        ShapeCase{"a POW 2", "(POW a 2)"}, ShapeCase{"a pow 2", "(POW a 2)"}, ShapeCase{"pix", "(* PI x)"},
        ShapeCase{"diff", "(IF d f)"}, ShapeCase{"ab", "(* a b)"}, ShapeCase{"AB", "(* a b)"},
        ShapeCase{"sine", "(SIN e)"}, ShapeCase{"2(3)", "(* 2 (+ 0 3))"}, ShapeCase{"(3)", "(+ 0 3)"},
        ShapeCase{"(a)", "(+ 0 a)"}, ShapeCase{"((a))", "(+ 0 a)"}, ShapeCase{"1.2.3", "(+ 0 1.2)"},
        ShapeCase{"1..5", "(+ 0 1)"}, ShapeCase{"0x1F", "(+ 0 31)"}, ShapeCase{"0X1f", "(+ 0 31)"},
        ShapeCase{"0x1.8", "(+ 0 1.5)"}, ShapeCase{"-a", "(- 0 a)"}, ShapeCase{"+a", "(+ 0 a)"},
        ShapeCase{"--a", "(- 0 (- 0 a))"}, ShapeCase{"a*-b", "(* a (- 0 b))"},
        ShapeCase{"a * - b", "(* a (- 0 b))"}, ShapeCase{"a - -b", "(- a (- 0 b))"},
        ShapeCase{"SIN(-a)", "(SIN (- 0 a))"}, ShapeCase{"a POW (-2)", "(POW a (- 0 2))"},
        ShapeCase{"-2 POW 2", "(- 0 (POW 2 2))"}, ShapeCase{"x = 3", "(= x 3)"},
        ShapeCase{"x = y = 0", "(= x (= y 0))"}, ShapeCase{"3 @ (x = x + 1)", "(@ 3 (= x (+ x 1)))"},
        ShapeCase{"2 @ (a) @ (b)", "(@ 2 (@ (+ 0 a) (+ 0 b)))"}, ShapeCase{"SIN a POW 2", "(POW (SIN a) 2)"},
        ShapeCase{"a POW b POW c", "(POW (POW a b) c)"}, ShapeCase{"SIN COS a", "(SIN (COS a))"},
        ShapeCase{"a POW SIN b", "(POW a (SIN b))"}, ShapeCase{"a < b < c", "(< (< a b) c)"},
        ShapeCase{"a, b, c", "(, (, a b) c)"}, ShapeCase{"2a", "(* 2 a)"}, ShapeCase{"2pi", "(* 2 PI)"},
        ShapeCase{"a SIN b", "(* a (SIN b))"}, ShapeCase{"2(a+b)", "(* 2 (+ a b))"},
        ShapeCase{"abc", "(* (* a b) c)"}, ShapeCase{"a * b c", "(* (* a b) c)"},
        ShapeCase{"a+b*c", "(+ a (* b c))"}, ShapeCase{"a-b-c", "(- (- a b) c)"},
        ShapeCase{"a/b/c", "(/ (/ a b) c)"}, ShapeCase{"a < b + c", "(< a (+ b c))"},
        ShapeCase{"a >= b", "(>= a b)"}, ShapeCase{"a<=b", "(<= a b)"}, ShapeCase{"a>b", "(> a b)"},
        ShapeCase{"x = a < b", "(= x (< a b))"}, ShapeCase{"a, x = 1", "(, a (= x 1))"},
        ShapeCase{"x = 2 @ (y)", "(= x (@ 2 (+ 0 y)))"}, ShapeCase{"(c)if(x=1)", "(IF (+ 0 c) (= x 1))"},
        ShapeCase{"(0)if 7", "(IF (+ 0 0) 7)"}, ShapeCase{"a if b + c", "(+ (IF a b) c)"},
        ShapeCase{"LOG100", "(LOG 100)"}, ShapeCase{"asin a", "(ASIN a)"}, ShapeCase{"ln(a)", "(LN (+ 0 a))"},
        ShapeCase{"DEG PI", "(DEG PI)"}, ShapeCase{" \t\na\r\v\f", "(+ 0 a)"},
        ShapeCase{"( w = 3 ), w * 2", "(, (= w 3) (* w 2))"}));

class BadText : public ::testing::TestWithParam<const char*> {};

TEST_P(BadText, YieldsNull) {
    EXPECT_EQ(ecalc_compile(GetParam()), nullptr) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Ecalc, BadText,
                         ::testing::Values("", "   ", "()", "(a", "a)", ")(", "((a)", "(a))", ".5", "1e5",
                                           "SIN -a", "a POW -2", "3 = x", "(x) = 3", "3 @ x", "a == b", "a 2",
                                           "a +", "* a", "a $ b", "a <> b", "SIN", "POW", "a POW", "IF b",
                                           "x = = 1", "a,", ",a", "pi2", "( w = (  ) )", "a\xc3\xa9", "\xff",
                                           "a # b", "2 @ 3", "a = 1 = b", "(a)(", "a;b"));

TEST(EcalcCompile, NullTextCompilesAsEmpty) {
    EXPECT_EQ(ecalc_compile(nullptr), nullptr);
}

TEST(EcalcCompile, ParseOfNullChainIsNull) {
    EXPECT_EQ(ecalc_parse(nullptr), nullptr);
}

TEST(EcalcCompile, FreeAcceptsNull) {
    ecalc_free(nullptr);
}

// --- Tokeniser ---

struct TokenCase {
    const char* text;
    int32_t kind;
    double value;
    const char* token_text;
};

class FirstToken : public ::testing::TestWithParam<TokenCase> {};

TEST_P(FirstToken, HasKindValueAndText) {
    const TokenCase& c = GetParam();
    CalcExpr* chain = ecalc_tokenize(c.text);
    ASSERT_NE(chain, nullptr);
    EXPECT_EQ(chain->kind, c.kind) << c.text;
    if (c.kind != CALC_BAD) {
        EXPECT_EQ(chain->value, c.value) << c.text;
    }
    EXPECT_STREQ(chain->text, c.token_text);
    ecalc_free(chain);
}

INSTANTIATE_TEST_SUITE_P(
    Ecalc, FirstToken,
    ::testing::Values(
        TokenCase{"12.5", CALC_NUMBER, 12.5, "12.5"}, TokenCase{"1.2.3", CALC_NUMBER, 1.2, "1.2.3"},
        TokenCase{"0x1F", CALC_NUMBER, 31, "0x1F"}, TokenCase{"0x", CALC_NUMBER, 0, "0x"},
        TokenCase{"pix", CALC_CONSTANT_NAME, CALC_OP_PI, "PI"},
        TokenCase{"Eps0", CALC_CONSTANT_NAME, CALC_OP_EPS0, "EPS0"},
        TokenCase{"power", CALC_KEYWORD_OPERATOR, CALC_OP_POW, "POWER"},
        TokenCase{"pow", CALC_KEYWORD_OPERATOR, CALC_OP_POW, "POW"},
        TokenCase{"If", CALC_KEYWORD_OPERATOR, CALC_OP_IF, "IF"},
        TokenCase{"acos", CALC_FUNCTION_NAME, CALC_OP_ACOS, "ACOS"},
        TokenCase{"log", CALC_FUNCTION_NAME, CALC_OP_LOG, "LOG"},
        TokenCase{"root", CALC_FUNCTION_NAME, CALC_OP_ROOT, "ROOT"}, TokenCase{"q", CALC_LETTER, 16, "q"},
        TokenCase{"Z", CALC_LETTER, 25, "Z"}, TokenCase{"(", CALC_OPEN_PAREN, 0, "("},
        TokenCase{")", CALC_CLOSE_PAREN, 0, ")"}, TokenCase{">=", CALC_OPERATOR, CALC_OP_GE, ">="},
        TokenCase{"<=", CALC_OPERATOR, CALC_OP_LE, "<="}, TokenCase{"<>", CALC_OPERATOR, CALC_OP_LT, "<"},
        TokenCase{"@", CALC_OPERATOR, CALC_OP_REPEAT, "@"},
        TokenCase{",", CALC_OPERATOR, CALC_OP_SEQUENCE, ","},
        TokenCase{"=", CALC_OPERATOR, CALC_OP_ASSIGN, "="}, TokenCase{".", CALC_BAD, 0, "."},
        TokenCase{"\xe3\x81\x82", CALC_BAD, 0, "\xe3"}, TokenCase{"", CALC_END, 0, ""}));

TEST(EcalcTokenize, ChainEndsWithEndAndCountsTokens) {
    CalcExpr* chain = ecalc_tokenize("  a+ 0x1F*(b)  ");
    int kinds[16];
    int n = 0;
    for (CalcExpr* t = chain; t && n < 16; t = t->next)
        kinds[n++] = t->kind;
    ASSERT_EQ(n, 8);
    EXPECT_EQ(kinds[0], CALC_LETTER);
    EXPECT_EQ(kinds[1], CALC_OPERATOR);
    EXPECT_EQ(kinds[2], CALC_NUMBER);
    EXPECT_EQ(kinds[3], CALC_OPERATOR);
    EXPECT_EQ(kinds[4], CALC_OPEN_PAREN);
    EXPECT_EQ(kinds[5], CALC_LETTER);
    EXPECT_EQ(kinds[6], CALC_CLOSE_PAREN);
    EXPECT_EQ(kinds[7], CALC_END);
    ecalc_free(chain);
}

TEST(EcalcTokenize, NonAsciiBytesAreEachBad) {
    CalcExpr* chain = ecalc_tokenize("\xc3\xa9");
    ASSERT_NE(chain, nullptr);
    EXPECT_EQ(chain->kind, CALC_BAD);
    ASSERT_NE(chain->next, nullptr);
    EXPECT_EQ(chain->next->kind, CALC_BAD);
    EXPECT_EQ(chain->next->next->kind, CALC_END);
    ecalc_free(chain);
}

TEST(EcalcTokenize, NumberOf63CharactersIsANumberAnd64IsBad) {
    std::string ok(63, '1');
    CalcExpr* chain = ecalc_tokenize(ok.c_str());
    EXPECT_EQ(chain->kind, CALC_NUMBER);
    EXPECT_EQ(std::string(chain->text), ok);
    EXPECT_EQ(chain->next->kind, CALC_END);
    ecalc_free(chain);

    std::string bad = std::string(64, '7') + "+a";
    chain = ecalc_tokenize(bad.c_str());
    EXPECT_EQ(chain->kind, CALC_BAD);
    EXPECT_EQ(std::string(chain->text), std::string(63, '7'));
    // Tokenising goes on after the whole run.
    ASSERT_NE(chain->next, nullptr);
    EXPECT_EQ(chain->next->kind, CALC_OPERATOR);
    EXPECT_EQ(chain->next->next->kind, CALC_LETTER);
    ecalc_free(chain);
    EXPECT_EQ(ecalc_compile(bad.c_str()), nullptr);

    std::string hex = "0x" + std::string(70, 'f');
    chain = ecalc_tokenize(hex.c_str());
    EXPECT_EQ(chain->kind, CALC_BAD);
    EXPECT_EQ(chain->next->kind, CALC_END);
    ecalc_free(chain);
}

TEST(EcalcTokenize, MatchNameIgnoresCaseAndFollowingCharacters) {
    EXPECT_EQ(ecalc_match_name("PoWeRx", "POWER"), 1);
    EXPECT_EQ(ecalc_match_name("po", "POW"), 0);
    EXPECT_EQ(ecalc_match_name("sinus", "SIN"), 1);
    EXPECT_EQ(ecalc_match_name("asin", "SIN"), 0);
    // Case is ignored on both sides, and the empty name matches anything.
    EXPECT_EQ(ecalc_match_name("Sin(x)", "sin"), 1);
    EXPECT_EQ(ecalc_match_name("EPS0", "eps0"), 1);
    EXPECT_EQ(ecalc_match_name("eps", "eps0"), 0);
    EXPECT_EQ(ecalc_match_name("x", ""), 1);
}

TEST(EcalcParse, TakesOverAHandMadeChain) {
    // 2 * x built by hand, without an End node.
    CalcExpr* two = ecalc_new_node();
    CalcExpr* times = ecalc_new_node();
    CalcExpr* x = ecalc_new_node();
    two->kind = CALC_NUMBER;
    two->value = 2;
    times->kind = CALC_OPERATOR;
    times->value = CALC_OP_MUL;
    x->kind = CALC_LETTER;
    x->value = 23;
    two->next = times;
    times->next = x;
    CalcExpr* tree = ecalc_parse(two);
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(shape(tree), "(* 2 x)");
    ecalc_free(tree);
}

// Where and why a text stops making sense: the problem, the 1-based character position and the token.
TEST(EcalcExplain, NamesThePlaceAndTheReason) {
    struct Case {
        const char* text;
        int problem;
        int position;
        const char* token;
    } cases[] = {
        {"", CALC_PROBLEM_EMPTY, 1, ""},
        {"   ", CALC_PROBLEM_EMPTY, 1, ""},
        {"(a+b*(c-d)", CALC_PROBLEM_MISSING_CLOSE, 11, ""},
        {"a+b)", CALC_PROBLEM_UNMATCHED_CLOSE, 4, ")"},
        {"a * ()", CALC_PROBLEM_EMPTY_GROUP, 5, "("},
        {"a $ b", CALC_PROBLEM_BAD_CHARACTER, 3, "$"},
        {"aé+1", CALC_PROBLEM_BAD_CHARACTER, 2, "\xc3"},  // counted in characters, not bytes
        {"é + # b", CALC_PROBLEM_BAD_CHARACTER, 1, "\xc3"},
        {"a + 1234567890123456789012345678901234567890123456789012345678901234", CALC_PROBLEM_LONG_NUMBER, 5,
         "123456789012345678901234567890123456789012345678901234567890123"},
        {"* a", CALC_PROBLEM_OPERAND_BEFORE, 1, "*"},
        {"a +", CALC_PROBLEM_OPERAND_AFTER, 3, "+"},
        {"(a + b) * (c -)", CALC_PROBLEM_OPERAND_AFTER, 14, "-"},
        {"a 2", CALC_PROBLEM_NUMBER_AFTER_OPERAND, 3, "2"},
        {"1e5", CALC_PROBLEM_NUMBER_AFTER_OPERAND, 3, "5"},
        {"SIN -a", CALC_PROBLEM_FUNCTION_OPERAND, 1, "SIN"},
        {"a POW -2", CALC_PROBLEM_KEYWORD_OPERANDS, 3, "POW"},
        {"3 @ x", CALC_PROBLEM_REPEAT_GROUP, 5, "x"},
        {"(x) = 3", CALC_PROBLEM_ASSIGN_LETTER, 5, "="},
        {"a + x = 3", CALC_PROBLEM_ASSIGN_LETTER, 7, "="},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        CalcExplanation e{};
        ASSERT_EQ(ecalc_explain(c.text, &e), 1);
        EXPECT_EQ(e.problem, c.problem);
        EXPECT_EQ(e.position, c.position);
        EXPECT_STREQ(e.token, c.token);
    }
    EXPECT_EQ(orvenna::explain_expression("(a+b*(c-d)"), "11文字目: ')' が足りません");
    EXPECT_EQ(orvenna::explain_expression("a+b"), "");
}

// ecalc_explain finds a problem exactly when ecalc_compile gives no tree, for every text of the tables
// above and of the tokeniser's corners.
TEST(EcalcExplain, AgreesWithCompile) {
    std::vector<std::string> texts = {"a",       "(c)if(x=1)", "2 @ (a) @ (b)",    "x = y = 0",
                                      "a, b, c", "-2 POW 2",   "( w = 3 ), w * 2", "0x1.8",
                                      "diff",    "SIN COS a",  "a if b + c"};
    for (const char* bad :
         {"",       "()",           "(a",    "a)",      ")(",        "((a)",   "(a))",    ".5",  "1e5",
          "SIN -a", "a POW -2",     "3 = x", "(x) = 3", "3 @ x",     "a == b", "a 2",     "a +", "* a",
          "a $ b",  "a <> b",       "SIN",   "POW",     "a POW",     "IF b",   "x = = 1", "a,",  ",a",
          "pi2",    "( w = (  ) )", "\xff",  "2 @ 3",   "a = 1 = b", "(a)(",   "a;b"})
        texts.push_back(bad);
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        CalcExpr* tree = ecalc_compile(text.c_str());
        CalcExplanation e{};
        EXPECT_EQ(ecalc_explain(text.c_str(), &e), tree ? 0 : 1);
        EXPECT_EQ(e.problem == CALC_PROBLEM_NONE, tree != nullptr);
        if (!tree) {
            EXPECT_GE(e.position, 1);
        }
        ecalc_free(tree);
    }
}

// Stored values ("#a"): read only by the entry points that know them, operands like letters, never assigned.
TEST(EcalcStored, ReadOnlyThroughTheirOwnEntryPoints) {
    struct Case {
        const char* text;
        const char* tree;  // null: does not compile, for the reason below
        int problem;
        int position;
        const char* token;
    } cases[] = {
        {"#a", "(+ 0 #a)", 0, 0, ""},
        {"( #E - #d ) / ( #e + #D ) * 128 + 128", "(+ (* (/ (- #e #d) (+ #e #d)) 128) 128)", 0, 0, ""},
        {"2#b + a#b", "(+ (* 2 #b) (* a #b))", 0, 0, ""},
        {"x = #c, x", "(, (= x #c) x)", 0, 0, ""},
        {"#a = 1", nullptr, CALC_PROBLEM_ASSIGN_LETTER, 4, "="},
        {"a + #", nullptr, CALC_PROBLEM_BAD_CHARACTER, 5, "#"},
        {"# a", nullptr, CALC_PROBLEM_BAD_CHARACTER, 1, "#"},
        {"#1", nullptr, CALC_PROBLEM_BAD_CHARACTER, 1, "#"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        // The language without stored values keeps refusing "#".
        CalcExpr* plain = ecalc_compile(c.text);
        EXPECT_EQ(plain, nullptr);
        ecalc_free(plain);
        CalcExpr* tree = ecalc_compile_stored(c.text);
        CalcExplanation e{};
        EXPECT_EQ(ecalc_explain_stored(c.text, &e), tree ? 0 : 1);
        if (c.tree) {
            EXPECT_EQ(shape(tree), c.tree);
        } else {
            EXPECT_EQ(tree, nullptr);
            EXPECT_EQ(e.problem, c.problem);
            EXPECT_EQ(e.position, c.position);
            EXPECT_STREQ(e.token, c.token);
        }
        ecalc_free(tree);
    }
    EXPECT_EQ(orvenna::explain_expression("a + #"), "5文字目: '#' の後にはバンドの文字 (a〜z) が必要です");
    EXPECT_TRUE(orvenna::Expression("#a * 0.5").compiles());
    // Evaluation: the tree walk reads the stored values given, and 0 without them.
    CalcExpr* tree = ecalc_compile_stored("#b * 2 + a");
    double cells_values[26] = {};
    cells_values[0] = 1;
    LetterCells cells;
    for (int k = 0; k < 26; ++k)
        cells[k] = &cells_values[k];
    double stored[26] = {};
    stored[1] = 1000.5;
    EXPECT_EQ(ecalc_evaluate_stored(tree, cells, stored, 0), 2002.0);
    EXPECT_EQ(ecalc_evaluate(tree, cells, 0), 1.0);
    ecalc_free(tree);
}

}  // namespace
