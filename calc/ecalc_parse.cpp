// The reducer: folds a token chain into a tree, class of operator by class of operator.
//
// The chain is held as a doubly linked list of slots over an array, so every pass can step back. A pass
// that restarts from the head after each reduction is run as one forward scan that, after a reduction,
// steps back only as far as a new candidate can start; a pass that reduces the rightmost candidate first
// is run as one backward scan that steps forward only as far as a new candidate can start. Both give the
// same reductions in the same order as the literal restarts, in linear time. Groups are reduced innermost
// first, each between its own parentheses as sentinels, so nesting needs no recursion.
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "calc/ecalc.h"
#include "calc/ecalc_internal.h"
#include "calc/ecalc_stored.h"

namespace {

bool is_operand_kind(int32_t kind) {
    return kind == CALC_NUMBER || kind == CALC_LETTER || kind == CALC_COMPOUND;
}

class Reducer {
public:
    std::vector<CalcExpr*> node;
    std::vector<int32_t> prv, nxt;
    bool out_of_memory = false;
    CalcStop* stop = nullptr;  // asked for an explanation of a failure

    bool operand(int32_t s) const { return is_operand_kind(node[s]->kind); }
    int32_t kind(int32_t s) const { return node[s]->kind; }
    bool is_op(int32_t s, int code) const { return node[s]->kind == CALC_OPERATOR && node[s]->value == code; }
    void unlink(int32_t s) {
        nxt[prv[s]] = nxt[s];
        prv[nxt[s]] = prv[s];
    }
    // The operator after operand x becomes a Compound of x and the operand after it, in x's place.
    void combine(int32_t x) {
        int32_t o = nxt[x];
        int32_t y = nxt[o];
        CalcExpr* op = node[o];
        op->kind = CALC_COMPOUND;
        op->left = node[x];
        op->right = node[y];
        node[x] = op;
        unlink(o);
        unlink(y);
    }
    // operand x, an Operator whose code satisfies pred, and an operand after it.
    template <class Pred>
    bool combine_if(int32_t x, int32_t end, Pred pred) {
        if (!operand(x)) return false;
        int32_t o = nxt[x];
        if (o == end || kind(o) != CALC_OPERATOR || !pred(static_cast<int>(node[o]->value))) return false;
        int32_t y = nxt[o];
        if (y == end || !operand(y)) return false;
        combine(x);
        return true;
    }
    CalcExpr* new_zero() {
        CalcExpr* z = ecalc_new_node();
        if (!z) {
            out_of_memory = true;
            return nullptr;
        }
        z->kind = CALC_NUMBER;
        z->value = 0.0;
        std::strcpy(z->text, "0");
        return z;
    }

    // Leftmost candidate first. try_at(x) reduces a candidate starting at x into slot x. A candidate spans
    // at most `reach` slots after its start, so after a reduction the scan resumes that far back.
    template <class Try>
    void restart_pass(int32_t start, int32_t end, int reach, Try try_at) {
        int32_t cur = nxt[start];
        while (cur != end && !out_of_memory) {
            if (try_at(cur)) {
                for (int i = 0; i < reach && cur != start; ++i)
                    cur = prv[cur];
                if (cur == start) cur = nxt[start];
            } else {
                cur = nxt[cur];
            }
        }
    }
    // Rightmost candidate first. A candidate looks at most `behind` slots before its start, so after a
    // reduction the backward scan resumes that far ahead.
    template <class Try>
    void rightmost_pass(int32_t start, int32_t end, int behind, Try try_at) {
        int32_t cur = prv[end];
        while (cur != start && !out_of_memory) {
            if (try_at(cur)) {
                for (int i = 0; i < behind && nxt[cur] != end; ++i)
                    cur = nxt[cur];
            } else {
                cur = prv[cur];
            }
        }
    }

    // Passes 2 to 9 and the final count on the slots strictly between start and end. Returns the result
    // node (its slot is removed from the list) or null when the slots do not reduce to one operand.
    CalcExpr* reduce(int32_t start, int32_t end);

    // Records the first problem, once.
    void explain(const CalcExpr* at, int32_t problem) {
        if (stop && stop->problem == CALC_PROBLEM_NONE) {
            stop->node = at;
            stop->problem = problem;
            if (at) std::memcpy(stop->token, at->text, sizeof stop->token);
        }
    }
    // After passes that left more than one slot: the first slot, from the left, that no pass could place.
    void explain_leftovers(int32_t start, int32_t end);
};

void Reducer::explain_leftovers(int32_t start, int32_t end) {
    if (!stop) return;
    if (nxt[start] == end) {
        // Nothing at all: an empty text, or "()" (the group's "(" is its start).
        if (node[start]->kind == CALC_OPEN_PAREN)
            explain(node[start], CALC_PROBLEM_EMPTY_GROUP);
        else
            explain(nullptr, CALC_PROBLEM_EMPTY);
        return;
    }
    // A token the language does not know explains everything around it.
    for (int32_t s = nxt[start]; s != end; s = nxt[s]) {
        const CalcExpr* n = node[s];
        if (n->kind == CALC_BAD) {
            explain(n, n->text[0] >= '0' && n->text[0] <= '9' ? CALC_PROBLEM_LONG_NUMBER
                                                              : CALC_PROBLEM_BAD_CHARACTER);
            return;
        }
    }
    for (int32_t s = nxt[start]; s != end; s = nxt[s]) {
        const CalcExpr* n = node[s];
        const int32_t after = nxt[s];
        const bool operand_before = prv[s] != start && operand(prv[s]);
        const bool operand_after = after != end && operand(after);
        switch (n->kind) {
            case CALC_OPEN_PAREN:
                explain(nullptr, CALC_PROBLEM_MISSING_CLOSE);
                return;
            case CALC_CLOSE_PAREN:
                explain(n, CALC_PROBLEM_UNMATCHED_CLOSE);
                return;
            case CALC_FUNCTION_NAME:
                explain(n, CALC_PROBLEM_FUNCTION_OPERAND);
                return;
            case CALC_KEYWORD_OPERATOR:
                explain(n, CALC_PROBLEM_KEYWORD_OPERANDS);
                return;
            case CALC_OPERATOR: {
                const bool sign = is_op(s, CALC_OP_ADD) || is_op(s, CALC_OP_SUB);
                if (!operand_before && !sign) {
                    explain(n, CALC_PROBLEM_OPERAND_BEFORE);
                } else if (!operand_after) {
                    explain(n, CALC_PROBLEM_OPERAND_AFTER);
                } else if (is_op(s, CALC_OP_REPEAT)) {
                    explain(node[after], CALC_PROBLEM_REPEAT_GROUP);
                } else if (is_op(s, CALC_OP_ASSIGN)) {
                    explain(n, CALC_PROBLEM_ASSIGN_LETTER);
                } else {
                    explain(n, CALC_PROBLEM_UNREADABLE);
                }
                return;
            }
            default:
                // Two operands side by side: only a Number can be left after another operand.
                if (operand(s) && after != end && operand(after)) {
                    explain(node[after], CALC_PROBLEM_NUMBER_AFTER_OPERAND);
                    return;
                }
                break;
        }
    }
    explain(node[nxt[start]], CALC_PROBLEM_UNREADABLE);
}

CalcExpr* Reducer::reduce(int32_t start, int32_t end) {
    // Names: constant names, function application and the keyword operators POW/POWER and IF.
    restart_pass(start, end, 2, [&](int32_t x) {
        CalcExpr* n = node[x];
        if (n->kind == CALC_CONSTANT_NAME) {
            n->kind = CALC_COMPOUND;
            return true;
        }
        if (n->kind == CALC_FUNCTION_NAME) {
            int32_t y = nxt[x];
            if (y == end || !operand(y)) return false;
            n->kind = CALC_COMPOUND;
            n->right = node[y];
            unlink(y);
            return true;
        }
        if (!operand(x)) return false;
        int32_t k = nxt[x];
        if (k == end || kind(k) != CALC_KEYWORD_OPERATOR) return false;
        int32_t y = nxt[k];
        if (y == end || !operand(y)) return false;
        combine(x);
        return true;
    });
    // Signs: "+" or "-" after a non-operand and before an operand becomes 0 + operand or 0 - operand.
    rightmost_pass(start, end, 1, [&](int32_t s) {
        if (!is_op(s, CALC_OP_ADD) && !is_op(s, CALC_OP_SUB)) return false;
        if (prv[s] != start && operand(prv[s])) return false;
        int32_t y = nxt[s];
        if (y == end || !operand(y)) return false;
        CalcExpr* zero = new_zero();
        if (!zero) return false;
        CalcExpr* n = node[s];
        n->kind = CALC_COMPOUND;
        n->left = zero;
        n->right = node[y];
        unlink(y);
        return true;
    });
    // Products: "*", "/", and the implicit product of an operand followed by a Letter or a Compound.
    restart_pass(start, end, 2, [&](int32_t x) {
        if (combine_if(x, end, [](int c) { return c == CALC_OP_MUL || c == CALC_OP_DIV; })) return true;
        if (!operand(x)) return false;
        int32_t y = nxt[x];
        if (y == end || (kind(y) != CALC_LETTER && kind(y) != CALC_COMPOUND)) return false;
        CalcExpr* moved = ecalc_new_node();
        if (!moved) {
            out_of_memory = true;
            return false;
        }
        CalcExpr* n = node[x];
        *moved = *n;
        moved->next = nullptr;
        n->kind = CALC_COMPOUND;
        n->value = CALC_OP_MUL;
        std::strcpy(n->text, "*");
        n->left = moved;
        n->right = node[y];
        unlink(y);
        return true;
    });
    // Sums: "+" and "-" between operands, left to right.
    restart_pass(start, end, 2, [&](int32_t x) {
        return combine_if(x, end, [](int c) { return c == CALC_OP_ADD || c == CALC_OP_SUB; });
    });
    // Comparisons: "<", ">", ">=", "<=", left to right.
    restart_pass(start, end, 2, [&](int32_t x) {
        return combine_if(x, end, [](int c) { return c >= CALC_OP_GT && c <= CALC_OP_LE; });
    });
    // Repeat: operand "@" Compound, right to left.
    rightmost_pass(start, end, 0, [&](int32_t x) {
        if (!operand(x)) return false;
        int32_t o = nxt[x];
        if (o == end || !is_op(o, CALC_OP_REPEAT)) return false;
        int32_t y = nxt[o];
        if (y == end || kind(y) != CALC_COMPOUND) return false;
        combine(x);
        return true;
    });
    // Assignment: Letter "=" operand, right to left; a stored value ("#a") cannot be assigned.
    rightmost_pass(start, end, 0, [&](int32_t x) {
        if (kind(x) != CALC_LETTER || node[x]->value >= kCalcStoredLetterBase) return false;
        int32_t o = nxt[x];
        if (o == end || !is_op(o, CALC_OP_ASSIGN)) return false;
        int32_t y = nxt[o];
        if (y == end || !operand(y)) return false;
        combine(x);
        return true;
    });
    // Sequence: operand "," operand, left to right.
    restart_pass(start, end, 2,
                 [&](int32_t x) { return combine_if(x, end, [](int c) { return c == CALC_OP_SEQUENCE; }); });
    if (out_of_memory) return nullptr;

    // Exactly one operand must remain; a lone Number or Letter is wrapped as 0 + operand.
    int32_t s = nxt[start];
    if (s == end || nxt[s] != end || !operand(s)) {
        explain_leftovers(start, end);
        return nullptr;
    }
    CalcExpr* result = node[s];
    if (result->kind != CALC_COMPOUND) {
        CalcExpr* wrap = ecalc_new_node();
        CalcExpr* zero = wrap ? new_zero() : nullptr;
        if (!zero) {
            std::free(wrap);
            out_of_memory = true;
            return nullptr;
        }
        wrap->kind = CALC_COMPOUND;
        wrap->value = CALC_OP_ADD;
        std::strcpy(wrap->text, "+");
        wrap->left = zero;
        wrap->right = result;
        result = wrap;
    }
    unlink(s);
    return result;
}

}  // namespace

CalcExpr* ecalc_parse(CalcExpr* chain) {
    return ecalc_parse_explained(chain, nullptr);
}

CalcExpr* ecalc_parse_explained(CalcExpr* chain, CalcStop* stop) {
    if (!chain) return nullptr;
    size_t count = 0;
    for (CalcExpr* n = chain; n; n = n->next)
        ++count;

    // A trailing End node terminates the chain; a Start and an End sentinel bracket it.
    Reducer r;
    r.stop = stop;
    CalcExpr* start_node = nullptr;
    CalcExpr* end_node = nullptr;
    try {
        r.node.reserve(count + 2);
        r.prv.resize(count + 2);
        r.nxt.resize(count + 2);
    } catch (const std::bad_alloc&) {
        ecalc_free(chain);
        return nullptr;
    }
    start_node = ecalc_new_node();
    if (!start_node) {
        ecalc_free(chain);
        return nullptr;
    }
    start_node->kind = CALC_START;
    r.node.push_back(start_node);
    for (CalcExpr* n = chain; n;) {
        CalcExpr* following = n->next;
        n->next = nullptr;
        if (!following && n->kind == CALC_END) {
            end_node = n;
        } else {
            r.node.push_back(n);
        }
        n = following;
    }
    if (!end_node) {
        end_node = ecalc_new_node();
        if (!end_node) {
            for (CalcExpr* n : r.node)
                ecalc_free(n);
            return nullptr;
        }
        end_node->kind = CALC_END;
    }
    r.node.push_back(end_node);
    const int32_t last = static_cast<int32_t>(r.node.size()) - 1;
    for (int32_t i = 0; i <= last; ++i) {
        r.prv[i] = i > 0 ? i - 1 : 0;
        r.nxt[i] = i < last ? i + 1 : last;
    }

    // Groups: innermost first. The OpenParen acts as the Start and the CloseParen as the End of the inner
    // chain; the inner result takes the OpenParen's place. An unmatched parenthesis can never be removed
    // by any pass, and a failed group fails the whole text, so either ends the compilation at once.
    CalcExpr* result = nullptr;
    bool failed = false;
    std::vector<int32_t> opens;
    for (int32_t i = 1; i < last && !failed; ++i) {
        int32_t k = r.node[i]->kind;
        if (k == CALC_OPEN_PAREN) {
            opens.push_back(i);
        } else if (k == CALC_CLOSE_PAREN) {
            if (opens.empty()) {
                r.explain(r.node[i], CALC_PROBLEM_UNMATCHED_CLOSE);
                failed = true;
                break;
            }
            int32_t o = opens.back();
            opens.pop_back();
            CalcExpr* inner = r.reduce(o, i);
            if (!inner) {
                failed = true;
                break;
            }
            std::free(r.node[o]);
            std::free(r.node[i]);
            r.node[o] = inner;
            r.node[i] = nullptr;
            r.unlink(i);
        }
    }
    if (!failed && !opens.empty()) r.explain(nullptr, CALC_PROBLEM_MISSING_CLOSE);
    if (!failed && opens.empty()) result = r.reduce(0, last);

    // Release what is left in the list: on success only the sentinels, on failure every remaining token
    // together with whatever it already holds.
    for (int32_t s = 0;; s = r.nxt[s]) {
        ecalc_free(r.node[s]);
        if (s == last) break;
    }
    return result;
}
