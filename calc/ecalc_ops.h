// The arithmetic of the calculator, shared by the tree walk and the compiled program so that both give
// the same bits. Internal to calc/.
#pragma once

#include <cmath>
#include <cstdint>

#include "calc/ecalc.h"

namespace ecalc_ops {

constexpr double kPi = 3.141592653589793;
constexpr double kEps0 = 8.85418782e-12;

// Addition and multiplication are commutative, so a compiler may swap their operands; with two NaN
// operands the x86 result carries the first operand's payload, so the order is pinned here to keep the
// tree walk and the compiled program bit-identical.
inline double add(double x, double y) {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    __asm__("addsd %1, %0" : "+x"(x) : "x"(y));
    return x;
#else
    return x + y;
#endif
}

inline double mul(double x, double y) {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    __asm__("mulsd %1, %0" : "+x"(x) : "x"(y));
    return x;
#else
    return x * y;
#endif
}

inline double sub(double x, double y) {
    return x - y;
}
// Division by zero (or by NaN) yields 0.
inline double div(double x, double y) {
    return (y == 0.0 || y != y) ? 0.0 : x / y;
}
// Comparisons with a NaN side: ">" and ">=" give 0, "<" and "<=" give 1.
inline double gt(double x, double y) {
    return x > y ? 1.0 : 0.0;
}
inline double ge(double x, double y) {
    return x >= y ? 1.0 : 0.0;
}
inline double lt(double x, double y) {
    return !(x >= y) ? 1.0 : 0.0;
}
inline double le(double x, double y) {
    return !(x > y) ? 1.0 : 0.0;
}
inline double pow(double x, double y) {
    return std::pow(x, y);
}
inline double root(double x) {
    return std::sqrt(x);
}
inline double log10(double x) {
    return std::log10(x);
}
inline double ln(double x) {
    return std::log(x);
}
inline double rad(double x) {
    return x * (1.0 / 180.0) * kPi;
}
inline double deg(double x) {
    return x * (1.0 / kPi) * 180.0;
}
inline double sin(double x) {
    return std::sin(x);
}
inline double cos(double x) {
    return std::cos(x);
}
inline double tan(double x) {
    return std::tan(x);
}
inline double asin(double x) {
    return std::asin(x);
}
inline double acos(double x) {
    return std::acos(x);
}
inline double atan(double x) {
    return std::atan(x);
}

// IF treats any non-zero value as true and NaN as false.
inline bool truth(double x) {
    return x != 0.0 && x == x;
}

// Number of repetitions of "@": trunc(x), none for NaN or below 1, at most ECALC_REPEAT_LIMIT.
inline int64_t repeat_count(double x) {
    if (!(x >= 1.0)) return 0;
    if (x >= static_cast<double>(ECALC_REPEAT_LIMIT)) return ECALC_REPEAT_LIMIT;
    return static_cast<int64_t>(x);
}

// Operation code stored in a node value, truncated; -1 when it names no operation.
inline int op_code(double v) {
    return (v > -1.0 && v < 64.0) ? static_cast<int>(v) : -1;
}
// Letter index stored in a node value, truncated; -1 when out of range.
inline int letter_index(double v) {
    return (v > -1.0 && v < 26.0) ? static_cast<int>(v) : -1;
}

inline bool is_function(int code) {
    return code >= CALC_OP_ROOT && code <= CALC_OP_ATAN;
}

// Result of one operation from its operand values (assignment, repeat and IF deliver R; the caller does
// the storing and repeating).
inline double apply(int code, double l, double r, double ans) {
    switch (code) {
        case CALC_OP_ADD:
            return add(l, r);
        case CALC_OP_SUB:
            return sub(l, r);
        case CALC_OP_MUL:
            return mul(l, r);
        case CALC_OP_DIV:
            return div(l, r);
        case CALC_OP_ASSIGN:
        case CALC_OP_SEQUENCE:
        case CALC_OP_REPEAT:
        case CALC_OP_IF:
            return r;
        case CALC_OP_GT:
            return gt(l, r);
        case CALC_OP_GE:
            return ge(l, r);
        case CALC_OP_LT:
            return lt(l, r);
        case CALC_OP_LE:
            return le(l, r);
        case CALC_OP_PI:
            return kPi;
        case CALC_OP_EPS0:
            return kEps0;
        case CALC_OP_ANS:
            return ans;
        case CALC_OP_POW:
            return pow(l, r);
        case CALC_OP_ROOT:
            return root(r);
        case CALC_OP_LOG:
            return log10(r);
        case CALC_OP_LN:
            return ln(r);
        case CALC_OP_RAD:
            return rad(r);
        case CALC_OP_DEG:
            return deg(r);
        case CALC_OP_SIN:
            return sin(r);
        case CALC_OP_COS:
            return cos(r);
        case CALC_OP_TAN:
            return tan(r);
        case CALC_OP_ASIN:
            return asin(r);
        case CALC_OP_ACOS:
            return acos(r);
        case CALC_OP_ATAN:
            return atan(r);
        default:
            return 0.0;
    }
}

}  // namespace ecalc_ops
