// Compilation of a tree into register code, and the interpreter that runs it.
//
// Register code: every instruction names its destination and up to two operands. An operand is either a
// register (temporaries, the interned constants, ANS and the stored values share one register file) or a
// letter read directly through the cells at the moment the instruction runs. The tree walk reads a left
// Letter before it evaluates the right side; a letter read is therefore only deferred into the consuming
// instruction when no assignment can run in between, otherwise it is loaded into a register first. Two
// letters may share one cell, so "no assignment in between" means no assignment to any letter.
//
// Reductions that keep the result bit for bit:
// - constant subtrees are computed at compile time by the same operation functions as the tree walk;
// - a value nobody uses is not computed unless computing it assigns a letter;
// - an assignment fuses with the operation that computes its value, an IF condition that is a comparison
//   fuses with the jump (comparisons yield exactly 0 or 1);
// - "@" whose action assigns nothing gives the action's value once (every repetition gives the same
//   value), so only the count matters.
#include "calc/ecalc_program.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "calc/ecalc_ops.h"

// Binary operations by operation-code order of their families: index i has opcodes i*8 .. i*8+7.
#define ECALC_BINOPS(X) \
    X(ADD, add) X(SUB, sub) X(MUL, mul) X(DIV, div) X(GT, gt) X(GE, ge) X(LT, lt) X(LE, le) X(POW, pow)
// One-argument functions in operation-code order (ROOT = 16 ... ATAN = 26).
#define ECALC_FUNCS(X) \
    X(ROOT, root)      \
    X(LOG, log10)      \
    X(LN, ln)          \
    X(RAD, rad) X(DEG, deg) X(SIN, sin) X(COS, cos) X(TAN, tan) X(ASIN, asin) X(ACOS, acos) X(ATAN, atan)
// Comparisons that fuse with a conditional jump.
#define ECALC_CMPS(X) X(GT, gt) X(GE, ge) X(LT, lt) X(LE, le)
#define ECALC_MISC(X) \
    X(LOAD)           \
    X(STORE) X(STORE_L) X(MOV) X(JMP) X(JF_R) X(JF_L) X(REPCOUNT_R) X(REPCOUNT_L) X(JREP) X(RET_R) X(RET_L)

namespace {

// Operand modes: bit 1 set when the left operand is a letter, bit 0 when the right one is. _S variants
// store the result into the letter named by dst instead of a register.
enum Op : uint32_t {
#define X(N, F)                                                                                      \
    OP_##N##_RR, OP_##N##_RL, OP_##N##_LR, OP_##N##_LL, OP_##N##_RR_S, OP_##N##_RL_S, OP_##N##_LR_S, \
        OP_##N##_LL_S,
    ECALC_BINOPS(X)
#undef X
#define X(N, F) OP_##N##_R, OP_##N##_L,
        ECALC_FUNCS(X)
#undef X
#define X(N, F) OP_JN_##N##_RR, OP_JN_##N##_RL, OP_JN_##N##_LR, OP_JN_##N##_LL,
            ECALC_CMPS(X)
#undef X
#define X(N) OP_##N,
                ECALC_MISC(X)
#undef X
                    OP_COUNT
};

constexpr uint32_t kBinopEnd = OP_ROOT_R;
constexpr uint32_t kFuncEnd = OP_JN_GT_RR;
constexpr uint32_t kJumpCmpEnd = OP_LOAD;

int binop_index(int code) {
    switch (code) {
        case CALC_OP_ADD:
            return 0;
        case CALC_OP_SUB:
            return 1;
        case CALC_OP_MUL:
            return 2;
        case CALC_OP_DIV:
            return 3;
        case CALC_OP_GT:
            return 4;
        case CALC_OP_GE:
            return 5;
        case CALC_OP_LT:
            return 6;
        case CALC_OP_LE:
            return 7;
        case CALC_OP_POW:
            return 8;
        default:
            return -1;
    }
}

// Which fields of an instruction hold registers (bit 0 dst, bit 1 a, bit 2 b) and which read or write
// letters; used to lay out the register file and to derive the letter masks.
uint32_t reg_fields(uint32_t op) {
    if (op < kBinopEnd) {
        uint32_t m = op & 3, store = op & 4;
        return (store ? 0u : 1u) | ((m & 2) ? 0u : 2u) | ((m & 1) ? 0u : 4u);
    }
    if (op < kFuncEnd) return 1u | (((op - kBinopEnd) & 1) ? 0u : 2u);
    if (op < kJumpCmpEnd) {
        uint32_t m = (op - kFuncEnd) & 3;
        return ((m & 2) ? 0u : 2u) | ((m & 1) ? 0u : 4u);
    }
    switch (op) {
        case OP_LOAD:
            return 1;
        case OP_STORE:
            return 2;
        case OP_MOV:
            return 3;
        case OP_JF_R:
            return 2;
        case OP_REPCOUNT_R:
            return 3;
        case OP_REPCOUNT_L:
            return 1;
        case OP_JREP:
            return 2;
        case OP_RET_R:
            return 2;
        default:
            return 0;
    }
}

struct FlatNode {
    enum Type : uint8_t { kConst, kLetter, kStored, kInner };
    int32_t left = -1, right = -1;
    int32_t code = 0;
    Type type = kConst;
    bool stores = false;  // the subtree contains an assignment to a letter
    int8_t letter = 0;
    double value = 0.0;
};

struct Operand {
    enum Kind : uint8_t { kNone, kConst, kReg, kLetter };
    Kind kind = kNone;
    bool temp = false;
    uint32_t id = 0;  // register id (build numbering) or letter index
    double value = 0.0;

    static Operand none() { return Operand{}; }
    static Operand constant(double v) { return Operand{kConst, false, 0, v}; }
    static Operand reg(uint32_t id, bool temp) { return Operand{kReg, temp, id, 0.0}; }
    static Operand letter(uint32_t k) { return Operand{kLetter, false, k, 0.0}; }
};

// Build numbering of registers: temporaries from 0, constants from kConstBase, the stored value of letter k
// as kStoredId + k, ANS as kAnsId.
constexpr uint32_t kConstBase = 0x40000000u;
constexpr uint32_t kStoredId = 0x7fffff00u;
constexpr uint32_t kAnsId = 0x7fffffffu;
constexpr uint32_t kStoredSlots = 26;
constexpr size_t kNoLabel = static_cast<size_t>(-1);

}  // namespace

class EcalcProgramBuilder {
public:
    explicit EcalcProgramBuilder(EcalcProgram& program) : p_(program) {}
    void build(const CalcExpr* tree);

private:
    using Insn = EcalcProgram::Insn;
    enum Phase : uint8_t {
        kStart,
        kLeftDone,
        kRightDone,
        kRepeatOnceDone,
        kRepeatGuardDone,
        kRepeatLoopDone,
        kIfConstBodyDone,
        kIfBodyDone,
    };
    struct Frame {
        int32_t node;
        bool need;
        Phase phase;
        bool conditional = false;
        Operand lhs;
        uint32_t count_reg = 0, result_reg = 0;
        size_t loop_pos = 0, jump_pos = 0;

        static Frame start(int32_t node, bool need) {
            Frame f;
            f.node = node;
            f.need = need;
            f.phase = kStart;
            return f;
        }
    };

    void flatten(const CalcExpr* tree);
    void compile();
    void finish(const Operand& result);

    uint32_t alloc_temp() {
        if (!free_temps_.empty()) {
            uint32_t t = free_temps_.back();
            free_temps_.pop_back();
            return t;
        }
        return temp_count_++;
    }
    void release(const Operand& o) {
        if (o.kind == Operand::kReg && o.temp) free_temps_.push_back(o.id);
    }
    uint32_t const_id(double v) {
        uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        auto it = const_index_.find(bits);
        if (it != const_index_.end()) return it->second;
        uint32_t id = kConstBase + static_cast<uint32_t>(consts_.size());
        consts_.push_back(v);
        const_index_.emplace(bits, id);
        return id;
    }
    // Field value of an operand and whether it is a letter.
    uint32_t field(const Operand& o) { return o.kind == Operand::kConst ? const_id(o.value) : o.id; }
    uint32_t is_letter(const Operand& o) const { return o.kind == Operand::kLetter ? 1u : 0u; }

    void note_read(uint32_t k) {
        uint32_t bit = 1u << k;
        p_.letters_read_ |= bit;
        if (!(definitely_written_ & bit)) p_.letters_read_before_write_ |= bit;
    }
    void note_write(uint32_t k) {
        uint32_t bit = 1u << k;
        p_.letters_written_ |= bit;
        if (conditional_depth_ == 0) definitely_written_ |= bit;
    }
    size_t emit(uint32_t op, uint32_t dst, uint32_t a = 0, uint32_t b = 0) {
        if (op < kBinopEnd || (op >= kFuncEnd && op < kJumpCmpEnd)) {
            uint32_t m = op < kBinopEnd ? (op & 3) : ((op - kFuncEnd) & 3);
            if (m & 2) note_read(a);
            if (m & 1) note_read(b);
            if (op < kBinopEnd && (op & 4)) note_write(dst);
        } else if (op < kFuncEnd) {
            if ((op - kBinopEnd) & 1) note_read(a);
        } else {
            switch (op) {
                case OP_LOAD:
                case OP_JF_L:
                case OP_REPCOUNT_L:
                case OP_RET_L:
                    note_read(a);
                    break;
                case OP_STORE:
                    note_write(dst);
                    break;
                case OP_STORE_L:
                    note_read(a);
                    note_write(dst);
                    break;
                default:
                    break;
            }
        }
        code_.push_back(Insn{op, dst, a, b});
        return code_.size() - 1;
    }
    void bind(size_t jump_pos) {
        code_[jump_pos].dst = static_cast<uint32_t>(code_.size());
        label_at_ = code_.size();
    }
    // True when the last instruction can still be rewritten: it exists and no jump lands after it.
    bool last_is_open() const { return !code_.empty() && label_at_ != code_.size(); }

    Operand materialize(const Operand& o) {
        if (o.kind != Operand::kLetter) return o;
        uint32_t t = alloc_temp();
        emit(OP_LOAD, t, o.id);
        return Operand::reg(t, true);
    }
    void move_into(uint32_t dst, const Operand& v) {
        if (v.kind == Operand::kLetter) {
            emit(OP_LOAD, dst, v.id);
        } else {
            emit(OP_MOV, dst, field(v));
        }
    }
    Operand emit_binop(int code, const Operand& l, const Operand& r) {
        uint32_t op = static_cast<uint32_t>(binop_index(code)) * 8 + is_letter(l) * 2 + is_letter(r);
        uint32_t a = field(l), b = field(r);
        release(l);
        release(r);
        uint32_t dst = alloc_temp();
        emit(op, dst, a, b);
        return Operand::reg(dst, true);
    }
    Operand emit_function(int code, const Operand& r) {
        uint32_t op = OP_ROOT_R + static_cast<uint32_t>(code - CALC_OP_ROOT) * 2 + is_letter(r);
        uint32_t a = field(r);
        release(r);
        uint32_t dst = alloc_temp();
        emit(op, dst, a);
        return Operand::reg(dst, true);
    }
    Operand emit_store(uint32_t k, const Operand& v, bool need) {
        if (v.kind == Operand::kReg && v.temp && !need && last_is_open()) {
            Insn& last = code_.back();
            if (last.op < kBinopEnd && !(last.op & 4) && last.dst == v.id) {
                last.op += 4;
                last.dst = k;
                note_write(k);
                release(v);
                return Operand::none();
            }
        }
        if (v.kind == Operand::kLetter) {
            emit(OP_STORE_L, k, v.id);
        } else {
            emit(OP_STORE, k, field(v));
        }
        if (need) return v;
        release(v);
        return Operand::none();
    }
    // Conditional jump taken when the IF condition is false; target patched later.
    size_t emit_jump_unless(const Operand& cond, bool keep_value) {
        if (!keep_value && cond.kind == Operand::kReg && cond.temp && last_is_open()) {
            Insn& last = code_.back();
            if (last.op < kBinopEnd && !(last.op & 4) && last.dst == cond.id && last.op >= OP_GT_RR &&
                last.op < OP_POW_RR) {
                uint32_t cmp = (last.op - OP_GT_RR) / 8;
                last.op = OP_JN_GT_RR + cmp * 4 + (last.op & 3);
                last.dst = 0;
                release(cond);
                return code_.size() - 1;
            }
        }
        size_t pos =
            cond.kind == Operand::kLetter ? emit(OP_JF_L, 0, cond.id) : emit(OP_JF_R, 0, field(cond));
        if (!keep_value) release(cond);
        return pos;
    }

    EcalcProgram& p_;
    std::vector<FlatNode> flat_;
    std::vector<Insn> code_;
    std::vector<double> consts_;
    std::unordered_map<uint64_t, uint32_t> const_index_;
    std::vector<uint32_t> free_temps_;
    uint32_t temp_count_ = 0;
    size_t label_at_ = kNoLabel;
    int conditional_depth_ = 0;
    uint32_t definitely_written_ = 0;
};

void EcalcProgramBuilder::flatten(const CalcExpr* tree) {
    // Pre-order: a parent always precedes its children, so a reverse sweep sees children first.
    struct Pending {
        const CalcExpr* node;
        int32_t parent;
        bool is_left;
    };
    std::vector<Pending> work;
    work.push_back({tree, -1, false});
    while (!work.empty()) {
        Pending w = work.back();
        work.pop_back();
        int32_t idx = static_cast<int32_t>(flat_.size());
        flat_.emplace_back();
        FlatNode& f = flat_.back();
        const CalcExpr* n = w.node;
        if (n && n->kind == CALC_NUMBER) {
            f.value = n->value;
        } else if (n && n->kind == CALC_LETTER) {
            int k = ecalc_ops::letter_index(n->value);
            if (k >= 0) {
                f.type = FlatNode::kLetter;
                f.letter = static_cast<int8_t>(k);
            } else if ((k = ecalc_ops::letter_index(n->value - kCalcStoredLetterBase)) >= 0) {
                f.type = FlatNode::kStored;
                f.letter = static_cast<int8_t>(k);
            }
        } else if (n && n->kind == CALC_COMPOUND) {
            f.type = FlatNode::kInner;
            f.code = ecalc_ops::op_code(n->value);
            work.push_back({n->right, idx, false});
            work.push_back({n->left, idx, true});
        }
        if (w.parent >= 0) {
            if (w.is_left) {
                flat_[w.parent].left = idx;
            } else {
                flat_[w.parent].right = idx;
            }
        }
    }
    for (size_t i = flat_.size(); i-- > 0;) {
        FlatNode& f = flat_[i];
        if (f.type != FlatNode::kInner) continue;
        f.stores = flat_[f.left].stores || flat_[f.right].stores ||
                   (f.code == CALC_OP_ASSIGN && flat_[f.left].type == FlatNode::kLetter);
    }
}

void EcalcProgramBuilder::compile() {
    std::vector<Frame> stack;
    stack.push_back(Frame::start(0, true));
    Operand ret;
    auto push = [&stack](int32_t node, bool need) { stack.push_back(Frame::start(node, need)); };

    while (!stack.empty()) {
        Frame& f = stack.back();
        const FlatNode n = flat_[f.node];
        const bool need = f.need;
        switch (f.phase) {
            case kStart: {
                if (n.type == FlatNode::kConst) {
                    ret = need ? Operand::constant(n.value) : Operand::none();
                    stack.pop_back();
                    break;
                }
                if (n.type == FlatNode::kLetter) {
                    ret = need ? Operand::letter(static_cast<uint32_t>(n.letter)) : Operand::none();
                    stack.pop_back();
                    break;
                }
                if (n.type == FlatNode::kStored) {
                    // Stored values cannot change during an evaluation: each is a register filled before
                    // the program runs.
                    p_.stored_read_ |= 1u << n.letter;
                    ret = need ? Operand::reg(kStoredId + static_cast<uint32_t>(n.letter), false)
                               : Operand::none();
                    stack.pop_back();
                    break;
                }
                if (!need && !n.stores) {
                    ret = Operand::none();
                    stack.pop_back();
                    break;
                }
                bool left_need = false;
                const bool right_inner = flat_[n.right].type == FlatNode::kInner;
                if (binop_index(n.code) >= 0) {
                    left_need = need;
                } else if ((n.code == CALC_OP_REPEAT || n.code == CALC_OP_IF) && right_inner) {
                    left_need = need || flat_[n.right].stores;
                }
                f.phase = kLeftDone;
                push(n.left, left_need);
                break;
            }

            case kLeftDone: {
                f.lhs = ret;
                const FlatNode& body = flat_[n.right];
                if (n.code == CALC_OP_REPEAT && body.type == FlatNode::kInner) {
                    const Operand count = f.lhs;
                    if (!need && !body.stores) {
                        release(count);
                        ret = Operand::none();
                        stack.pop_back();
                        break;
                    }
                    if (count.kind == Operand::kConst) {
                        int64_t times = ecalc_ops::repeat_count(count.value);
                        if (times == 0) {
                            ret = need ? Operand::constant(0.0) : Operand::none();
                            stack.pop_back();
                            break;
                        }
                        if (times == 1 || !body.stores) {
                            f.phase = kRepeatOnceDone;
                            push(n.right, need);
                            break;
                        }
                        f.count_reg = alloc_temp();
                        emit(OP_MOV, f.count_reg, const_id(static_cast<double>(times)));
                    } else if (!body.stores) {
                        // Every repetition gives the same value: the action runs once when count >= 1.
                        f.result_reg = alloc_temp();
                        emit(OP_MOV, f.result_reg, const_id(0.0));
                        f.jump_pos = emit(OP_JN_GE_RR + is_letter(count) * 2, 0, field(count), const_id(1.0));
                        release(count);
                        f.conditional = true;
                        ++conditional_depth_;
                        f.phase = kRepeatGuardDone;
                        push(n.right, true);
                        break;
                    } else {
                        f.count_reg = alloc_temp();
                        emit(count.kind == Operand::kLetter ? OP_REPCOUNT_L : OP_REPCOUNT_R, f.count_reg,
                             field(count));
                        release(count);
                        f.conditional = true;
                        ++conditional_depth_;
                    }
                    if (need) {
                        f.result_reg = alloc_temp();
                        emit(OP_MOV, f.result_reg, const_id(0.0));
                    }
                    f.loop_pos = code_.size();
                    label_at_ = code_.size();
                    f.jump_pos = emit(OP_JREP, 0, f.count_reg);
                    f.phase = kRepeatLoopDone;
                    push(n.right, need);
                    break;
                }
                if (n.code == CALC_OP_IF && body.type == FlatNode::kInner) {
                    Operand cond = f.lhs;
                    if (!body.stores) {
                        if (!need) release(cond);
                        ret = need ? cond : Operand::none();
                        stack.pop_back();
                        break;
                    }
                    if (cond.kind == Operand::kConst) {
                        if (ecalc_ops::truth(cond.value)) {
                            f.phase = kIfConstBodyDone;
                            push(n.right, false);
                        } else {
                            ret = need ? cond : Operand::none();
                            stack.pop_back();
                        }
                        break;
                    }
                    if (need) cond = materialize(cond);
                    f.lhs = need ? cond : Operand::none();
                    f.jump_pos = emit_jump_unless(cond, need);
                    f.conditional = true;
                    ++conditional_depth_;
                    f.phase = kIfBodyDone;
                    push(n.right, false);
                    break;
                }
                // Every other operation: the right operand, after the left one's letter is read.
                bool right_need = need;
                if (n.code == CALC_OP_ASSIGN && flat_[n.left].type == FlatNode::kLetter) {
                    right_need = true;
                } else if (binop_index(n.code) < 0 && n.code != CALC_OP_ASSIGN &&
                           n.code != CALC_OP_SEQUENCE && n.code != CALC_OP_IF && n.code != CALC_OP_REPEAT &&
                           !ecalc_ops::is_function(n.code)) {
                    right_need = false;  // constants and unknown codes ignore their operands
                }
                if (f.lhs.kind == Operand::kLetter && body.stores) f.lhs = materialize(f.lhs);
                f.phase = kRightDone;
                push(n.right, right_need);
                break;
            }

            case kRightDone: {
                const Operand l = f.lhs;
                const Operand r = ret;
                const int code = n.code;
                if (binop_index(code) >= 0) {
                    if (!need) {
                        release(l);
                        release(r);
                        ret = Operand::none();
                    } else if (l.kind == Operand::kConst && r.kind == Operand::kConst) {
                        ret = Operand::constant(ecalc_ops::apply(code, l.value, r.value, 0.0));
                    } else {
                        ret = emit_binop(code, l, r);
                    }
                } else if (code == CALC_OP_ASSIGN && flat_[n.left].type == FlatNode::kLetter) {
                    release(l);
                    ret = emit_store(static_cast<uint32_t>(flat_[n.left].letter), r, need);
                } else if (code == CALC_OP_ASSIGN || code == CALC_OP_SEQUENCE || code == CALC_OP_IF ||
                           code == CALC_OP_REPEAT) {
                    release(l);
                    if (!need) release(r);
                    ret = need ? r : Operand::none();
                } else if (ecalc_ops::is_function(code)) {
                    release(l);
                    if (!need) {
                        release(r);
                        ret = Operand::none();
                    } else if (r.kind == Operand::kConst) {
                        ret = Operand::constant(ecalc_ops::apply(code, 0.0, r.value, 0.0));
                    } else {
                        ret = emit_function(code, r);
                    }
                } else {
                    release(l);
                    release(r);
                    if (!need) {
                        ret = Operand::none();
                    } else if (code == CALC_OP_ANS) {
                        ret = Operand::reg(kAnsId, false);
                    } else {
                        ret = Operand::constant(ecalc_ops::apply(code, 0.0, 0.0, 0.0));
                    }
                }
                stack.pop_back();
                break;
            }

            case kRepeatOnceDone:
                if (!need) release(ret);
                if (!need) ret = Operand::none();
                stack.pop_back();
                break;

            case kRepeatGuardDone: {
                move_into(f.result_reg, ret);
                release(ret);
                bind(f.jump_pos);
                --conditional_depth_;
                ret = Operand::reg(f.result_reg, true);
                stack.pop_back();
                break;
            }

            case kRepeatLoopDone: {
                if (need) move_into(f.result_reg, ret);
                release(ret);
                emit(OP_JMP, static_cast<uint32_t>(f.loop_pos));
                bind(f.jump_pos);
                free_temps_.push_back(f.count_reg);
                if (f.conditional) --conditional_depth_;
                ret = need ? Operand::reg(f.result_reg, true) : Operand::none();
                stack.pop_back();
                break;
            }

            case kIfConstBodyDone:
                release(ret);
                ret = need ? f.lhs : Operand::none();
                stack.pop_back();
                break;

            case kIfBodyDone:
                release(ret);
                bind(f.jump_pos);
                --conditional_depth_;
                ret = need ? f.lhs : Operand::none();
                stack.pop_back();
                break;
        }
    }
    finish(ret);
}

void EcalcProgramBuilder::finish(const Operand& result) {
    if (result.kind == Operand::kLetter) {
        emit(OP_RET_L, 0, result.id);
    } else {
        emit(OP_RET_R, 0, field(result.kind == Operand::kNone ? Operand::constant(0.0) : result));
    }
    // Register file: constants, then ANS, then the 26 stored values, then temporaries.
    const uint32_t n_consts = static_cast<uint32_t>(consts_.size());
    auto map = [n_consts](uint32_t id) {
        if (id == kAnsId) return n_consts;
        if (id >= kStoredId) return n_consts + 1 + (id - kStoredId);
        if (id >= kConstBase) return id - kConstBase;
        return n_consts + 1 + kStoredSlots + id;
    };
    for (Insn& insn : code_) {
        uint32_t regs = reg_fields(insn.op);
        if (regs & 1) insn.dst = map(insn.dst);
        if (regs & 2) insn.a = map(insn.a);
        if (regs & 4) insn.b = map(insn.b);
    }
    p_.regs_.assign(n_consts + 1 + kStoredSlots + temp_count_, 0.0);
    std::copy(consts_.begin(), consts_.end(), p_.regs_.begin());
    p_.ans_reg_ = n_consts;
    p_.code_ = std::move(code_);
    p_.letters_always_written_ = definitely_written_;
    p_.empty_ = false;
    // Straight-line code that assigns no letter runs over many pixels at once (evaluate_run).
    p_.runs_in_bulk_ = p_.letters_written_ == 0;
    for (const Insn& insn : p_.code_) {
        const uint32_t op = insn.op;
        const bool plain = (op < kBinopEnd && !(op & 4)) || (op >= kBinopEnd && op < kFuncEnd) ||
                           op == OP_LOAD || op == OP_MOV || op == OP_RET_R || op == OP_RET_L;
        if (!plain) p_.runs_in_bulk_ = false;
    }
}

void EcalcProgramBuilder::build(const CalcExpr* tree) {
    flatten(tree);
    compile();
}

namespace {

template <bool kCount>
double run(const EcalcProgram::Insn* code, double* r, LetterCells cells, size_t* executed,
           const std::atomic<bool>* stop) {
    static const void* const kTable[] = {
#define X(N, F)                                                                                             \
    &&H_##N##_RR, &&H_##N##_RL, &&H_##N##_LR, &&H_##N##_LL, &&H_##N##_RR_S, &&H_##N##_RL_S, &&H_##N##_LR_S, \
        &&H_##N##_LL_S,
        ECALC_BINOPS(X)
#undef X
#define X(N, F) &&H_##N##_R, &&H_##N##_L,
            ECALC_FUNCS(X)
#undef X
#define X(N, F) &&H_JN_##N##_RR, &&H_JN_##N##_RL, &&H_JN_##N##_LR, &&H_JN_##N##_LL,
                ECALC_CMPS(X)
#undef X
#define X(N) &&H_##N,
                    ECALC_MISC(X)
#undef X
    };
    static_assert(sizeof(kTable) / sizeof(kTable[0]) == OP_COUNT, "one handler per opcode");
    const EcalcProgram::Insn* ip = code;
#define NEXT                     \
    do {                         \
        if (kCount) ++*executed; \
        goto* kTable[ip->op];    \
    } while (0)
#define REG(f) r[ip->f]
#define LET(f) (*cells[ip->f])
    NEXT;

#define X(N, F)                                             \
    H_##N##_RR : REG(dst) = ecalc_ops::F(REG(a), REG(b));   \
    ++ip;                                                   \
    NEXT;                                                   \
    H_##N##_RL : REG(dst) = ecalc_ops::F(REG(a), LET(b));   \
    ++ip;                                                   \
    NEXT;                                                   \
    H_##N##_LR : REG(dst) = ecalc_ops::F(LET(a), REG(b));   \
    ++ip;                                                   \
    NEXT;                                                   \
    H_##N##_LL : REG(dst) = ecalc_ops::F(LET(a), LET(b));   \
    ++ip;                                                   \
    NEXT;                                                   \
    H_##N##_RR_S : LET(dst) = ecalc_ops::F(REG(a), REG(b)); \
    ++ip;                                                   \
    NEXT;                                                   \
    H_##N##_RL_S : LET(dst) = ecalc_ops::F(REG(a), LET(b)); \
    ++ip;                                                   \
    NEXT;                                                   \
    H_##N##_LR_S : LET(dst) = ecalc_ops::F(LET(a), REG(b)); \
    ++ip;                                                   \
    NEXT;                                                   \
    H_##N##_LL_S : LET(dst) = ecalc_ops::F(LET(a), LET(b)); \
    ++ip;                                                   \
    NEXT;
    ECALC_BINOPS(X)
#undef X

#define X(N, F)                                  \
    H_##N##_R : REG(dst) = ecalc_ops::F(REG(a)); \
    ++ip;                                        \
    NEXT;                                        \
    H_##N##_L : REG(dst) = ecalc_ops::F(LET(a)); \
    ++ip;                                        \
    NEXT;
    ECALC_FUNCS(X)
#undef X

#define JUMP_UNLESS(cond) ip = (cond) ? ip + 1 : code + ip->dst
#define X(N, F)                                                       \
    H_JN_##N##_RR : JUMP_UNLESS(ecalc_ops::F(REG(a), REG(b)) != 0.0); \
    NEXT;                                                             \
    H_JN_##N##_RL : JUMP_UNLESS(ecalc_ops::F(REG(a), LET(b)) != 0.0); \
    NEXT;                                                             \
    H_JN_##N##_LR : JUMP_UNLESS(ecalc_ops::F(LET(a), REG(b)) != 0.0); \
    NEXT;                                                             \
    H_JN_##N##_LL : JUMP_UNLESS(ecalc_ops::F(LET(a), LET(b)) != 0.0); \
    NEXT;
    ECALC_CMPS(X)
#undef X

H_LOAD:
    REG(dst) = LET(a);
    ++ip;
    NEXT;
H_STORE:
    LET(dst) = REG(a);
    ++ip;
    NEXT;
H_STORE_L:
    LET(dst) = LET(a);
    ++ip;
    NEXT;
H_MOV:
    REG(dst) = REG(a);
    ++ip;
    NEXT;
H_JMP:
    ip = code + ip->dst;
    NEXT;
H_JF_R:
    JUMP_UNLESS(ecalc_ops::truth(REG(a)));
    NEXT;
H_JF_L:
    JUMP_UNLESS(ecalc_ops::truth(LET(a)));
    NEXT;
H_REPCOUNT_R:
    REG(dst) = static_cast<double>(ecalc_ops::repeat_count(REG(a)));
    ++ip;
    NEXT;
H_REPCOUNT_L:
    REG(dst) = static_cast<double>(ecalc_ops::repeat_count(LET(a)));
    ++ip;
    NEXT;
H_JREP:
    // A raised stop flag ends every repeat at its next turn, so a runaway count cannot hold a redraw.
    if (REG(a) < 1.0 || (stop && stop->load(std::memory_order_relaxed))) {
        ip = code + ip->dst;
    } else {
        REG(a) -= 1.0;
        ++ip;
    }
    NEXT;
H_RET_R:
    return REG(a);
H_RET_L:
    return LET(a);
#undef JUMP_UNLESS
#undef NEXT
#undef REG
#undef LET
}

}  // namespace

EcalcProgram::EcalcProgram() = default;

EcalcProgram::EcalcProgram(const CalcExpr* tree) {
    if (!tree || tree->kind != CALC_COMPOUND) return;
    EcalcProgramBuilder(*this).build(tree);
}

void EcalcProgram::load_inputs(const double* stored, double ans) {
    double* values = regs_.data() + ans_reg_ + 1;
    for (uint32_t read = stored_read_; read; read &= read - 1) {
        const int k = __builtin_ctz(read);
        values[k] = stored ? stored[k] : 0.0;
    }
    regs_[ans_reg_] = ans;
}

double EcalcProgram::evaluate(LetterCells cells, double ans) {
    return evaluate(cells, nullptr, ans);
}

double EcalcProgram::evaluate(LetterCells cells, const double* stored, double ans) {
    if (empty_) return 0.0;
    load_inputs(stored, ans);
    return run<false>(code_.data(), regs_.data(), cells, nullptr, stop_);
}

size_t EcalcProgram::executed_operations(LetterCells cells, double ans) {
    if (empty_) return 0;
    size_t executed = 0;
    load_inputs(nullptr, ans);
    run<true>(code_.data(), regs_.data(), cells, &executed, stop_);
    return executed;
}

bool EcalcProgram::empty() const {
    return empty_;
}
uint32_t EcalcProgram::stored_read() const {
    return stored_read_;
}
uint32_t EcalcProgram::letters_read() const {
    return letters_read_;
}
uint32_t EcalcProgram::letters_written() const {
    return letters_written_;
}
uint32_t EcalcProgram::letters_always_written() const {
    return letters_always_written_;
}
uint32_t EcalcProgram::letters_read_before_write() const {
    return letters_read_before_write_;
}
namespace {

template <class F>
void bulk2(F f, const double* a, const double* b, double* d, int n) {
    for (int i = 0; i < n; ++i)
        d[i] = f(a[i], b[i]);
}

template <class F>
void bulk1(F f, const double* a, double* d, int n) {
    for (int i = 0; i < n; ++i)
        d[i] = f(a[i]);
}

}  // namespace

void EcalcProgram::evaluate_run(const double* const* letters, const double* const* stored, int count,
                                double* out) {
    if (empty_ || !runs_in_bulk_) {
        std::fill_n(out, std::max(count, 0), 0.0);
        return;
    }
    // Every register is a column of up to kBlock pixels: the constants and ANS (0) filled once, the stored
    // values read where they lie, the temporaries written.
    constexpr int kBlock = 256;
    const uint32_t registers = static_cast<uint32_t>(regs_.size());
    const uint32_t stored_first = ans_reg_ + 1;
    bulk_.resize(static_cast<size_t>(registers) * kBlock);
    for (uint32_t r = 0; r <= ans_reg_; ++r)
        std::fill_n(bulk_.begin() + static_cast<std::ptrdiff_t>(r) * kBlock, kBlock,
                    r == ans_reg_ ? 0.0 : regs_[r]);
    const double* zeros = bulk_.data() + static_cast<size_t>(ans_reg_) * kBlock;
    for (int from = 0; from < count; from += kBlock) {
        const int n = std::min(kBlock, count - from);
        auto reg = [&](uint32_t r) -> const double* {
            if (r >= stored_first && r < stored_first + kStoredSlots) {
                const double* column = stored ? stored[r - stored_first] : nullptr;
                return column ? column + from : zeros;
            }
            return bulk_.data() + static_cast<size_t>(r) * kBlock;
        };
        auto let = [&](uint32_t k) { return letters[k] + from; };
        for (const Insn& insn : code_) {
            const uint32_t op = insn.op;
            double* d = bulk_.data() + static_cast<size_t>(insn.dst) * kBlock;
            if (op < kBinopEnd) {
                const double* a = (op & 2) ? let(insn.a) : reg(insn.a);
                const double* b = (op & 1) ? let(insn.b) : reg(insn.b);
                switch (op / 8) {
                    case 0:
                        bulk2(ecalc_ops::add, a, b, d, n);
                        break;
                    case 1:
                        bulk2(ecalc_ops::sub, a, b, d, n);
                        break;
                    case 2:
                        bulk2(ecalc_ops::mul, a, b, d, n);
                        break;
                    case 3:
                        bulk2(ecalc_ops::div, a, b, d, n);
                        break;
                    case 4:
                        bulk2(ecalc_ops::gt, a, b, d, n);
                        break;
                    case 5:
                        bulk2(ecalc_ops::ge, a, b, d, n);
                        break;
                    case 6:
                        bulk2(ecalc_ops::lt, a, b, d, n);
                        break;
                    case 7:
                        bulk2(ecalc_ops::le, a, b, d, n);
                        break;
                    default:
                        bulk2(ecalc_ops::pow, a, b, d, n);
                        break;
                }
            } else if (op < kFuncEnd) {
                const double* a = ((op - kBinopEnd) & 1) ? let(insn.a) : reg(insn.a);
                switch ((op - kBinopEnd) / 2) {
                    case 0:
                        bulk1(ecalc_ops::root, a, d, n);
                        break;
                    case 1:
                        bulk1(ecalc_ops::log10, a, d, n);
                        break;
                    case 2:
                        bulk1(ecalc_ops::ln, a, d, n);
                        break;
                    case 3:
                        bulk1(ecalc_ops::rad, a, d, n);
                        break;
                    case 4:
                        bulk1(ecalc_ops::deg, a, d, n);
                        break;
                    case 5:
                        bulk1(ecalc_ops::sin, a, d, n);
                        break;
                    case 6:
                        bulk1(ecalc_ops::cos, a, d, n);
                        break;
                    case 7:
                        bulk1(ecalc_ops::tan, a, d, n);
                        break;
                    case 8:
                        bulk1(ecalc_ops::asin, a, d, n);
                        break;
                    case 9:
                        bulk1(ecalc_ops::acos, a, d, n);
                        break;
                    default:
                        bulk1(ecalc_ops::atan, a, d, n);
                        break;
                }
            } else if (op == OP_LOAD || op == OP_MOV) {
                std::copy_n(op == OP_LOAD ? let(insn.a) : reg(insn.a), n, d);
            } else {  // the result
                std::copy_n(op == OP_RET_L ? let(insn.a) : reg(insn.a), n, out + from);
                break;
            }
        }
    }
}

bool EcalcProgram::same_code(const EcalcProgram& other) const {
    auto same_insn = [](const Insn& x, const Insn& y) {
        return x.op == y.op && x.dst == y.dst && x.a == y.a && x.b == y.b;
    };
    return empty_ == other.empty_ && ans_reg_ == other.ans_reg_ && code_.size() == other.code_.size() &&
           regs_.size() == other.regs_.size() &&
           std::equal(code_.begin(), code_.end(), other.code_.begin(), same_insn) &&
           std::equal(regs_.begin(), regs_.begin() + ans_reg_, other.regs_.begin(), [](double x, double y) {
               return std::memcmp(&x, &y, sizeof x) == 0;  // constants bit for bit (NaN ones included)
           });
}

size_t EcalcProgram::operation_count() const {
    return code_.size();
}
