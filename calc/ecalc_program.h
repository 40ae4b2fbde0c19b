// EcalcProgram: the fast form of a compiled expression. The tree is flattened once into register code
// (constant subtrees folded, letter reads fused into the operations that use them, IF and "@" turned into
// jumps), and evaluate() runs that code. Results, including NaN bit patterns, and every assignment to the
// cells are identical to ecalc_evaluate on the same tree.
//
// evaluate() keeps its temporaries in the program's own register file, so one program must not be
// evaluated by two threads at once (copy it per thread instead).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "calc/ecalc.h"
#include "calc/ecalc_stored.h"

class EcalcProgram {
public:
    EcalcProgram();                               // empty program: evaluates like a null tree (0)
    explicit EcalcProgram(const CalcExpr* tree);  // from a tree that ecalc_compile produced (null ok)

    double evaluate(LetterCells cells, double ans);  // bit-identical to ecalc_evaluate; allocates nothing
    // With stored values (ecalc_stored.h): bit-identical to ecalc_evaluate_stored.
    double evaluate(LetterCells cells, const double* stored, double ans);
    bool empty() const;
    uint32_t stored_read() const;                // bit k set: the stored value "#" + ('a'+k) may be read
    uint32_t letters_read() const;               // bit k set: letter 'a'+k may be read
    uint32_t letters_written() const;            // bit k: may be assigned
    uint32_t letters_always_written() const;     // bit k: assigned on every execution path
    uint32_t letters_read_before_write() const;  // bit k: may be read before being assigned (superset)
    size_t operation_count() const;              // instructions in the program
    // Straight-line programs that assign no letter (IF and "@" jump, so neither is in one; most band
    // arithmetic, the NDVI preset) can run over many pixels at once.
    bool runs_in_bulk() const { return runs_in_bulk_; }
    // evaluate() of `count` pixels with ANS 0: out[i] has the bits evaluate() gives with letter k reading
    // letters[k][i] and stored value k reading stored[k][i] (null columns of stored values read 0; letters
    // not read may be null). A program that does not run in bulk gives zeros.
    void evaluate_run(const double* const* letters, const double* const* stored, int count, double* out);
    // Whether `other` was made from a tree that computes the same: the same instructions over the same
    // constants (two channels of one text). Compares programs not evaluated since they were made.
    bool same_code(const EcalcProgram& other) const;

    // While `flag` (not owned; null for none) is raised, every repeat ends at its next turn: the result is
    // then meaningless, but evaluate() returns soon whatever the counts.
    void set_stop_flag(const std::atomic<bool>* flag) { stop_ = flag; }

    // Runs the program once like evaluate() and returns how many instructions it executed (for
    // benchmarks and diagnosis; slower than evaluate).
    size_t executed_operations(LetterCells cells, double ans);

    struct Insn {
        uint32_t op;
        uint32_t dst;  // register, letter index or jump target, by op
        uint32_t a;    // register or letter index
        uint32_t b;    // register or letter index
    };

private:
    friend class EcalcProgramBuilder;
    bool empty_ = true;
    void load_inputs(const double* stored, double ans);

    uint32_t stored_read_ = 0;
    bool runs_in_bulk_ = false;
    std::vector<double> bulk_;  // evaluate_run's register columns
    uint32_t letters_read_ = 0;
    uint32_t letters_written_ = 0;
    uint32_t letters_always_written_ = 0;
    uint32_t letters_read_before_write_ = 0;
    uint32_t ans_reg_ = 0;
    std::vector<Insn> code_;
    std::vector<double> regs_;  // constants first, then ANS, then temporaries
    const std::atomic<bool>* stop_ = nullptr;
};
