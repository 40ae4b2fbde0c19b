// How the viewer (and the render command) tells the user why an expression does not compile: the character
// where the text stops making sense and the reason, as in "12文字目: ')' が足りません". Qt-free; UTF-8.
#pragma once

#include <string>

struct CalcExplanation;  // calc/ecalc.h

namespace orvenna {

// The explanation as one line; empty when the text compiles.
std::string expression_problem_text(const CalcExplanation& explanation);

// ecalc_explain of `text` as one line; empty when it compiles.
std::string explain_expression(const char* text);

}  // namespace orvenna
