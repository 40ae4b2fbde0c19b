// The tree walk: evaluates a compiled tree against the letter cells. The walk keeps its own stack of
// frames (one per Compound node being evaluated), so depth is limited by memory, not by the C stack. The
// frame stack is kept per thread and reused, so steady-state evaluation allocates nothing.
#include <vector>

#include "calc/ecalc.h"
#include "calc/ecalc_ops.h"
#include "calc/ecalc_stored.h"

namespace {

enum Phase : int32_t {
    kStart,        // nothing evaluated yet
    kAfterLeft,    // the left Compound has just delivered L
    kAfterRepeat,  // one repetition of the right Compound has delivered a value
    kAfterIf,      // the IF action has run; its value is discarded
    kAfterRight,   // the right Compound has delivered R
};

struct Frame {
    const CalcExpr* node;
    double* target;     // cell of a left Letter: where an assignment at this node stores
    double left;        // L
    int64_t remaining;  // repetitions still to run ("@")
    int32_t code;
    int32_t phase;
};

// Value of a non-Compound operand; a Letter also names the assignment target. A stored-value letter reads
// `stored` (0 without) and is no target.
inline double leaf_value(const CalcExpr* n, LetterCells cells, const double* stored, double** target) {
    if (n->kind == CALC_NUMBER) return n->value;
    if (n->kind == CALC_LETTER) {
        int k = ecalc_ops::letter_index(n->value);
        if (k < 0) {
            k = ecalc_ops::letter_index(n->value - kCalcStoredLetterBase);
            return k >= 0 && stored ? stored[k] : 0.0;
        }
        if (target) *target = cells[k];
        return *cells[k];
    }
    return 0.0;
}

double evaluate(const CalcExpr* expr, LetterCells cells, const double* stored, double ans);

}  // namespace

double ecalc_evaluate(const CalcExpr* expr, LetterCells cells, double ans) {
    return evaluate(expr, cells, nullptr, ans);
}

double ecalc_evaluate_stored(const CalcExpr* expr, LetterCells cells, const double* stored, double ans) {
    return evaluate(expr, cells, stored, ans);
}

namespace {

double evaluate(const CalcExpr* expr, LetterCells cells, const double* stored, double ans) {
    if (!expr || expr->kind != CALC_COMPOUND) return 0.0;
    thread_local std::vector<Frame> stack;
    stack.clear();
    stack.push_back(Frame{expr, nullptr, 0.0, 0, 0, kStart});
    double ret = 0.0;  // value delivered by the frame that finished last

    for (;;) {
        Frame& f = stack.back();
        const CalcExpr* n = f.node;
        double right = 0.0;
        switch (f.phase) {
            case kStart: {
                f.code = ecalc_ops::op_code(n->value);
                const CalcExpr* l = n->left;
                if (l && l->kind == CALC_COMPOUND) {
                    f.phase = kAfterLeft;
                    stack.push_back(Frame{l, nullptr, 0.0, 0, 0, kStart});
                    continue;
                }
                f.left = l ? leaf_value(l, cells, stored, &f.target) : 0.0;
                break;
            }
            case kAfterLeft:
                f.left = ret;
                break;
            case kAfterRepeat:
                if (f.remaining > 0) {
                    --f.remaining;
                    stack.push_back(Frame{n->right, nullptr, 0.0, 0, 0, kStart});
                    continue;
                }
                right = ret;
                goto finish;
            case kAfterIf:
                right = f.left;
                goto finish;
            case kAfterRight:
                right = ret;
                goto finish;
        }

        // L is known: now the right operand.
        {
            const CalcExpr* r = n->right;
            if (!r) {
                right = 0.0;
            } else if (r->kind != CALC_COMPOUND) {
                right = leaf_value(r, cells, stored, nullptr);
            } else if (f.code == CALC_OP_REPEAT) {
                f.remaining = ecalc_ops::repeat_count(f.left);
                if (f.remaining > 0) {
                    --f.remaining;
                    f.phase = kAfterRepeat;
                    stack.push_back(Frame{r, nullptr, 0.0, 0, 0, kStart});
                    continue;
                }
                right = 0.0;
            } else if (f.code == CALC_OP_IF) {
                if (ecalc_ops::truth(f.left)) {
                    f.phase = kAfterIf;
                    stack.push_back(Frame{r, nullptr, 0.0, 0, 0, kStart});
                    continue;
                }
                right = f.left;
            } else {
                f.phase = kAfterRight;
                stack.push_back(Frame{r, nullptr, 0.0, 0, 0, kStart});
                continue;
            }
        }

    finish:
        if (f.code == CALC_OP_ASSIGN && f.target) *f.target = right;
        ret = ecalc_ops::apply(f.code, f.left, right, ans);
        stack.pop_back();
        if (stack.empty()) return ret;
    }
}

}  // namespace
