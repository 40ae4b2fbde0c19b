// Nodes, the tokeniser, release and the compile entry point of the calculator.
#include "calc/ecalc.h"

#include "calc/ecalc_internal.h"
#include "calc/ecalc_stored.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

namespace {

struct NameEntry {
    const char* name;
    int32_t kind;
    int32_t code;
};

// Searched in this order: longer names that share a start with a shorter one come first where it matters
// (POWER before POW); LN before LOG and ASIN after SIN are harmless because their starts differ.
const NameEntry kNames[] = {
    {"PI", CALC_CONSTANT_NAME, CALC_OP_PI},        {"EPS0", CALC_CONSTANT_NAME, CALC_OP_EPS0},
    {"ANS", CALC_CONSTANT_NAME, CALC_OP_ANS},      {"SIN", CALC_FUNCTION_NAME, CALC_OP_SIN},
    {"COS", CALC_FUNCTION_NAME, CALC_OP_COS},      {"TAN", CALC_FUNCTION_NAME, CALC_OP_TAN},
    {"ASIN", CALC_FUNCTION_NAME, CALC_OP_ASIN},    {"ACOS", CALC_FUNCTION_NAME, CALC_OP_ACOS},
    {"ATAN", CALC_FUNCTION_NAME, CALC_OP_ATAN},    {"LN", CALC_FUNCTION_NAME, CALC_OP_LN},
    {"LOG", CALC_FUNCTION_NAME, CALC_OP_LOG},      {"ROOT", CALC_FUNCTION_NAME, CALC_OP_ROOT},
    {"RAD", CALC_FUNCTION_NAME, CALC_OP_RAD},      {"DEG", CALC_FUNCTION_NAME, CALC_OP_DEG},
    {"POWER", CALC_KEYWORD_OPERATOR, CALC_OP_POW}, {"POW", CALC_KEYWORD_OPERATOR, CALC_OP_POW},
    {"IF", CALC_KEYWORD_OPERATOR, CALC_OP_IF},
};

bool is_digit(unsigned char c) {
    return c >= '0' && c <= '9';
}
bool is_hex_digit(unsigned char c) {
    return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool is_letter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool is_space(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
unsigned char to_upper(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c;
}

void set_text(CalcExpr* node, const char* text, size_t n) {
    if (n > sizeof(node->text) - 1) n = sizeof(node->text) - 1;
    std::memcpy(node->text, text, n);
    node->text[n] = '\0';
}

// Value of a number token: the longest leading part that reads as a number ("1.2.3" is 1.2). A hexadecimal
// token reads its digits and points after the prefix ("0x1.8" is 1.5). Conversion is locale-independent.
double number_value(const char* text, size_t n, bool hex) {
    double value = 0.0;
    if (hex) {
        std::from_chars(text + 2, text + n, value, std::chars_format::hex);
    } else {
        std::from_chars(text, text + n, value, std::chars_format::fixed);
    }
    return value;
}

}  // namespace

CalcExpr* ecalc_new_node() {
    CalcExpr* node = static_cast<CalcExpr*>(std::calloc(1, sizeof(CalcExpr)));
    if (node) node->kind = CALC_FRESH;
    return node;
}

int ecalc_match_name(const char* text, const char* name) {
    if (!text || !name) return 0;
    for (; *name; ++name, ++text) {
        if (to_upper(static_cast<unsigned char>(*text)) != to_upper(static_cast<unsigned char>(*name)))
            return 0;
    }
    return 1;
}

// Frees a tree or chain without recursion: a node's left subtree is rotated up until the node has no
// left, a next link is moved into the empty left slot, and a node with neither is freed and replaced by
// its right. Every node is visited a bounded number of times, and no memory is needed.
void ecalc_free(CalcExpr* tree) {
    CalcExpr* node = tree;
    while (node) {
        if (node->left) {
            CalcExpr* l = node->left;
            node->left = l->right;
            l->right = node;
            node = l;
        } else if (node->next) {
            node->left = node->next;
            node->next = nullptr;
        } else {
            CalcExpr* r = node->right;
            std::free(node);
            node = r;
        }
    }
}

CalcExpr* ecalc_tokenize(const char* text) {
    return ecalc_tokenize_at(text, nullptr, false);
}

CalcExpr* ecalc_tokenize_at(const char* text, std::vector<int>* offsets, bool stored_values) {
    if (!text) text = "";
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    CalcExpr* head = nullptr;
    CalcExpr* tail = nullptr;
    for (;;) {
        unsigned char c = *p;
        if (c != '\0' && is_space(c)) {
            ++p;
            continue;
        }
        CalcExpr* node = ecalc_new_node();
        if (!node) {
            ecalc_free(head);
            return nullptr;
        }
        if (offsets) offsets->push_back(static_cast<int>(p - reinterpret_cast<const unsigned char*>(text)));
        if (tail) {
            tail->next = node;
        } else {
            head = node;
        }
        tail = node;
        if (c == '\0') {
            node->kind = CALC_END;
            return head;
        }
        if (is_digit(c)) {
            // A number: "0x" with hexadecimal digits and points, or decimal digits and points.
            bool hex = c == '0' && (p[1] == 'x' || p[1] == 'X');
            size_t n = hex ? 2 : 0;
            while (hex ? (is_hex_digit(p[n]) || p[n] == '.') : (is_digit(p[n]) || p[n] == '.'))
                ++n;
            const char* start = reinterpret_cast<const char*>(p);
            set_text(node, start, n);
            if (n > sizeof(node->text) - 1) {
                node->kind = CALC_BAD;
            } else {
                node->kind = CALC_NUMBER;
                node->value = number_value(start, n, hex);
            }
            p += n;
            continue;
        }
        if (is_letter(c)) {
            const NameEntry* match = nullptr;
            for (const NameEntry& e : kNames) {
                if (ecalc_match_name(reinterpret_cast<const char*>(p), e.name)) {
                    match = &e;
                    break;
                }
            }
            if (match) {
                node->kind = match->kind;
                node->value = match->code;
                set_text(node, match->name, std::strlen(match->name));
                p += std::strlen(match->name);
            } else {
                node->kind = CALC_LETTER;
                node->value = to_upper(c) - 'A';
                set_text(node, reinterpret_cast<const char*>(p), 1);
                ++p;
            }
            continue;
        }
        if (c == '#' && stored_values && is_letter(p[1])) {
            // "#a": the stored value of band a, a Letter node past the 26 cells.
            node->kind = CALC_LETTER;
            node->value = kCalcStoredLetterBase + (to_upper(p[1]) - 'A');
            set_text(node, reinterpret_cast<const char*>(p), 2);
            p += 2;
            continue;
        }
        int op = -1;
        size_t len = 1;
        switch (c) {
            case '(':
                node->kind = CALC_OPEN_PAREN;
                break;
            case ')':
                node->kind = CALC_CLOSE_PAREN;
                break;
            case '*':
                op = CALC_OP_MUL;
                break;
            case '/':
                op = CALC_OP_DIV;
                break;
            case '+':
                op = CALC_OP_ADD;
                break;
            case '-':
                op = CALC_OP_SUB;
                break;
            case '=':
                op = CALC_OP_ASSIGN;
                break;
            case ',':
                op = CALC_OP_SEQUENCE;
                break;
            case '@':
                op = CALC_OP_REPEAT;
                break;
            case '>':
                op = p[1] == '=' ? CALC_OP_GE : CALC_OP_GT;
                len = p[1] == '=' ? 2 : 1;
                break;
            case '<':
                op = p[1] == '=' ? CALC_OP_LE : CALC_OP_LT;
                len = p[1] == '=' ? 2 : 1;
                break;
            default:
                node->kind = CALC_BAD;
                break;
        }
        if (op >= 0) {
            node->kind = CALC_OPERATOR;
            node->value = op;
        }
        set_text(node, reinterpret_cast<const char*>(p), len);
        p += len;
    }
}

CalcExpr* ecalc_compile(const char* text) {
    CalcExpr* chain = ecalc_tokenize(text ? text : "");
    if (!chain) return nullptr;
    return ecalc_parse(chain);
}

CalcExpr* ecalc_compile_stored(const char* text) {
    CalcExpr* chain = ecalc_tokenize_at(text ? text : "", nullptr, true);
    if (!chain) return nullptr;
    return ecalc_parse(chain);
}
