// The C++ side of the expression language (letters and the stored values "#a" of ecalc_stored.h): a
// compiled expression that owns its tree (released with it), and
// the reason a text does not compile in the words the viewer and the render command show ("12文字目: ')'
// が足りません"). Qt-free; texts are UTF-8.
#pragma once

#include <memory>
#include <string>

struct CalcExpr;         // calc/ecalc.h
struct CalcExplanation;  // calc/ecalc.h

namespace orvenna {

class Expression {
public:
    // Compiles `text`; a text that does not compile gives an expression without a tree and with its problem.
    explicit Expression(std::string text = std::string());
    ~Expression();
    Expression(Expression&& other) noexcept;
    Expression& operator=(Expression&& other) noexcept;
    Expression(const Expression&) = delete;
    Expression& operator=(const Expression&) = delete;

    const std::string& text() const { return text_; }
    bool compiles() const { return tree_ != nullptr; }
    // The compiled tree, null when the text does not compile (it then evaluates as 0).
    const CalcExpr* tree() const { return tree_; }
    // Why the text does not compile; empty when it compiles.
    const std::string& problem() const { return problem_; }

private:
    std::string text_;
    CalcExpr* tree_ = nullptr;
    std::string problem_;
};

// The explanation as one line; empty when the text compiles.
std::string expression_problem_text(const CalcExplanation& explanation);

// ecalc_explain of `text` as one line; empty when it compiles.
std::string explain_expression(const char* text);

}  // namespace orvenna
