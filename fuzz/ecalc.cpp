// Compiles arbitrary bytes as an expression text, evaluates the result with the tree walk and with the
// compiled program over a few sets of cells, and aborts when the two differ in any bit of the value or
// of a cell. Texts whose repeat counts depend on cell values, or would run very long, are compiled and
// released but not evaluated. The explanation of a text must agree with its compilation.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "calc/ecalc.h"
#include "calc/ecalc_program.h"

namespace {

bool same_bits(double x, double y) {
    return std::memcmp(&x, &y, sizeof x) == 0;
}

constexpr double kUnbounded = std::numeric_limits<double>::infinity();

// True when a subtree reads a letter or ANS (or is too deep to tell).
bool reads_cells(const CalcExpr* n, int depth) {
    if (!n) return false;
    if (depth > 3000 || n->kind == CALC_LETTER) return true;
    if (n->kind != CALC_COMPOUND) return false;
    if (static_cast<int>(n->value) == CALC_OP_ANS) return true;
    return reads_cells(n->left, depth + 1) || reads_cells(n->right, depth + 1);
}

// Upper bound of nodes visited by one evaluation, or infinity when unknown or too deep to judge.
double work_bound(const CalcExpr* n, int depth) {
    if (!n || n->kind != CALC_COMPOUND) return 1;
    if (depth > 3000) return kUnbounded;
    double w = 1 + work_bound(n->left, depth + 1);
    if (!(w < 1e6)) return kUnbounded;
    if (static_cast<int>(n->value) == CALC_OP_REPEAT && n->right && n->right->kind == CALC_COMPOUND) {
        double count = 0;
        const CalcExpr* l = n->left;
        if (l && l->kind == CALC_NUMBER) {
            count = l->value;
        } else if (l && l->kind == CALC_LETTER) {
            return kUnbounded;
        } else if (l && l->kind == CALC_COMPOUND) {
            // Only a count that reads no letter and no ANS is known before evaluating.
            if (reads_cells(l, 0)) return kUnbounded;
            double zero[26] = {};
            LetterCells cells;
            for (int i = 0; i < 26; ++i)
                cells[i] = &zero[i];
            count = ecalc_evaluate(l, cells, 0);
        }
        if (!(count < 1e5)) return count >= 1e5 ? kUnbounded : w + work_bound(n->right, depth + 1);
        return w + (count > 0 ? count : 0) * work_bound(n->right, depth + 1);
    }
    return w + work_bound(n->right, depth + 1);
}

const double kValues[] = {0.0,
                          -0.0,
                          1.0,
                          -1.0,
                          255.0,
                          0.5,
                          1e300,
                          -1e300,
                          std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity(),
                          std::numeric_limits<double>::quiet_NaN(),
                          17.0};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);  // the text ends at the first NUL
    // The language with stored values ("#a"), of which the one without is a part.
    CalcExpr* tree = ecalc_compile_stored(text.c_str());
    EcalcProgram program(tree);
    if (tree && work_bound(tree, 0) < 2e5) {
        double walk[26], fast[26], stored[26];
        double walk_results[3];
        std::vector<double> letter_columns[26], stored_columns[26];
        LetterCells cw, cf;
        for (int i = 0; i < 26; ++i) {
            walk[i] = fast[i] = kValues[(i * 7 + size) % (sizeof kValues / sizeof kValues[0])];
            cw[i] = &walk[i];
            cf[i] = &fast[i];
        }
        for (int round = 0; round < 3; ++round) {
            for (int band = 0; band < 4; ++band) {
                walk[band] = fast[band] =
                    kValues[(band + round * 5 + size) % (sizeof kValues / sizeof kValues[0])];
                stored[band] = kValues[(band * 3 + round + size) % (sizeof kValues / sizeof kValues[0])];
            }
            double ans = round == 2 ? std::numeric_limits<double>::quiet_NaN() : round;
            double expected = ecalc_evaluate_stored(tree, cw, stored, ans);
            double got = program.evaluate(cf, stored, ans);
            if (!same_bits(expected, got)) std::abort();
            if (std::memcmp(walk, fast, sizeof walk) != 0) std::abort();
            // A program that runs in bulk assigns nothing: the walk with ANS 0 leaves the cells alone.
            if (program.runs_in_bulk()) {
                walk_results[round] = ecalc_evaluate_stored(tree, cw, stored, 0);
                for (int k = 0; k < 26; ++k) {
                    letter_columns[k].push_back(walk[k]);
                    stored_columns[k].push_back(stored[k]);
                }
            }
        }
        if (program.runs_in_bulk()) {
            const double* letters[26];
            const double* stored_values[26];
            for (int k = 0; k < 26; ++k) {
                letters[k] = letter_columns[k].data();
                stored_values[k] = stored_columns[k].data();
            }
            double bulk[3];
            program.evaluate_run(letters, stored_values, 3, bulk);
            for (int round = 0; round < 3; ++round)
                if (!same_bits(bulk[round], walk_results[round])) std::abort();
        }
    }
    // The explanation of a text finds a problem exactly when the text does not compile, and points into it.
    CalcExplanation why{};
    const int explained = ecalc_explain_stored(text.c_str(), &why);
    if (explained != (tree ? 0 : 1)) std::abort();
    if (explained && (why.position < 1 || why.position > static_cast<int32_t>(text.size()) + 1)) std::abort();
    ecalc_free(tree);
    return 0;
}
