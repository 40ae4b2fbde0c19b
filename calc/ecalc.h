// ecalc: the expression calculator of the channel expressions. A text is tokenised into a chain of
// CalcExpr nodes, the chain is reduced pass by pass into a tree whose root is always a Compound node, and
// the tree is evaluated against 26 letter cells owned by the caller.
//
// Nothing here recurses on the C stack: grouping, reduction, evaluation and release use explicit work
// lists, so texts of any length and nesting depth are handled without exhausting the stack.
#pragma once

#include <cstddef>
#include <cstdint>

struct CalcExpr {
    int32_t kind;     // CalcNodeKind
    double value;     // number value, CalcOp code or letter index, by kind
    char text[64];    // source text of the token, NUL-terminated (display and diagnosis only)
    CalcExpr* left;   // first operand of a compound node, or null
    CalcExpr* right;  // second (or only) operand of a compound node, or null
    CalcExpr* next;   // following token of a chain during compilation; null in a finished tree
};

// 26 pointers to the caller's double cells, index 0 for letter A (a) up to 25 for Z (z). Every pointer
// must name a valid double for the whole evaluation; two letters may share a cell.
typedef double* LetterCells[26];

enum CalcNodeKind : int32_t {
    CALC_NUMBER = 0,
    CALC_OPERATOR = 1,
    CALC_OPEN_PAREN = 2,
    CALC_CLOSE_PAREN = 3,
    CALC_LETTER = 4,
    CALC_END = 5,
    CALC_START = 6,
    CALC_COMPOUND = 7,
    CALC_BAD = 8,
    CALC_CONSTANT_NAME = 9,
    CALC_FUNCTION_NAME = 10,
    CALC_KEYWORD_OPERATOR = 11,
    CALC_FRESH = 12,
};

enum CalcOp : int32_t {
    CALC_OP_ADD = 0,       // "+"
    CALC_OP_SUB = 1,       // "-"
    CALC_OP_MUL = 2,       // "*" and the implicit product
    CALC_OP_DIV = 3,       // "/"
    CALC_OP_ASSIGN = 4,    // "="
    CALC_OP_SEQUENCE = 5,  // ","
    CALC_OP_REPEAT = 6,    // "@"
    CALC_OP_GT = 7,        // ">"
    CALC_OP_GE = 8,        // ">="
    CALC_OP_LT = 9,        // "<"
    CALC_OP_LE = 10,       // "<="
    CALC_OP_PI = 12,
    CALC_OP_EPS0 = 13,
    CALC_OP_ANS = 14,
    CALC_OP_POW = 15,  // POW, POWER
    CALC_OP_ROOT = 16,
    CALC_OP_LOG = 17,
    CALC_OP_LN = 18,
    CALC_OP_RAD = 19,
    CALC_OP_DEG = 20,
    CALC_OP_SIN = 21,
    CALC_OP_COS = 22,
    CALC_OP_TAN = 23,
    CALC_OP_ASIN = 24,
    CALC_OP_ACOS = 25,
    CALC_OP_ATAN = 26,
    CALC_OP_IF = 27,
};

// Repeat counts ("@") are truncated toward zero; a count above this limit (including +infinity) runs this
// many times, so no text can make an evaluation loop forever.
constexpr int64_t ECALC_REPEAT_LIMIT = 2147483647;

// A fresh node: kind Fresh, value 0, empty text, null links. Null when memory runs out.
CalcExpr* ecalc_new_node();

// 1 when text starts with name, compared without regard to ASCII case; 0 otherwise. The character after
// the name is not examined.
int ecalc_match_name(const char* text, const char* name);

// Turns a text (null taken as "") into a chain linked through next that always ends with an End node.
// Never fails: unknown characters, non-ASCII bytes and numbers of 64 or more characters become Bad nodes.
// Null only when memory runs out.
CalcExpr* ecalc_tokenize(const char* text);

// Takes over a chain and reduces it into a tree: the root (always a Compound) or null when the chain does
// not reduce to a single operand. The chain is consumed either way.
CalcExpr* ecalc_parse(CalcExpr* chain);

// ecalc_tokenize followed by ecalc_parse; a null text compiles as "" (null result).
CalcExpr* ecalc_compile(const char* text);

// Why a text does not compile, as ecalc_explain finds it.
enum CalcProblem : int32_t {
    CALC_PROBLEM_NONE = 0,                  // the text compiles
    CALC_PROBLEM_EMPTY = 1,                 // nothing but white space
    CALC_PROBLEM_BAD_CHARACTER = 2,         // a character the language does not know (any non-ASCII byte)
    CALC_PROBLEM_LONG_NUMBER = 3,           // a number of 64 or more characters
    CALC_PROBLEM_MISSING_CLOSE = 4,         // a "(" without its ")"
    CALC_PROBLEM_UNMATCHED_CLOSE = 5,       // a ")" without its "("
    CALC_PROBLEM_EMPTY_GROUP = 6,           // "()"
    CALC_PROBLEM_OPERAND_BEFORE = 7,        // an operator with no operand before it
    CALC_PROBLEM_OPERAND_AFTER = 8,         // an operator with no operand after it
    CALC_PROBLEM_NUMBER_AFTER_OPERAND = 9,  // a number right after an operand ("a 2", "1e5")
    CALC_PROBLEM_FUNCTION_OPERAND = 10,     // a function name not followed by an operand ("SIN -a")
    CALC_PROBLEM_KEYWORD_OPERANDS = 11,     // POW, POWER or IF without an operand on each side
    CALC_PROBLEM_REPEAT_GROUP = 12,         // "@" followed by a lone number or letter ("3 @ x")
    CALC_PROBLEM_ASSIGN_LETTER = 13,        // "=" whose left side is not a single letter
    CALC_PROBLEM_UNREADABLE = 14,           // anything else (or memory ran out)
};

struct CalcExplanation {
    int32_t problem;   // CalcProblem
    int32_t position;  // where the text stops making sense: 1-based character (UTF-8) position; one past
                       // the last character for a problem at the end of the text
    char token[64];    // the token found there, NUL-terminated; empty at the end of the text
};

// Explains why ecalc_compile(text) yields null: the first token the compiler could not place and why
// (for a failing group, the first inside it). Returns 1 and fills *out when the text does not compile;
// 0, with CALC_PROBLEM_NONE, when it does. A null text is taken as "". The other functions are unchanged
// by it; it compiles the text once more.
int ecalc_explain(const char* text, CalcExplanation* out);

// Releases a tree or a chain (left, right and next); null accepted.
void ecalc_free(CalcExpr* tree);

// Value of a compiled tree for the given cells and ANS value. A null tree, or a root that is not a Compound,
// yields 0. Assignments write through the cells. Never fails; domain and range errors of the built-in
// functions give the math library's result (NaN or an infinity) and evaluation goes on with it.
double ecalc_evaluate(const CalcExpr* expr, LetterCells cells, double ans);
