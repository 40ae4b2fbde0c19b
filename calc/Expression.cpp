#include "calc/Expression.h"

#include <utility>

#include "calc/ecalc.h"
#include "calc/ecalc_stored.h"
#include "text/translated_text.h"

namespace orvenna {

namespace {

std::string quoted(const char* token) {
    return std::string("'") + token + "'";
}

std::string reason(const CalcExplanation& e) {
    const std::string token = quoted(e.token);
    switch (e.problem) {
        case CALC_PROBLEM_EMPTY:
            return tr_text("Expression", "式がありません");
        case CALC_PROBLEM_BAD_CHARACTER:
            // A non-ASCII character is one byte in the token: name the kind, not the broken byte.
            if (static_cast<unsigned char>(e.token[0]) >= 0x80)
                return tr_text("Expression", "全角文字などは式に使えません");
            if (std::string(e.token) == "#")
                return tr_text("Expression", "'#' の後にはバンドの文字 (a〜z) が必要です");
            return fill_text(tr_text("Expression", "%1 は式に使えない文字です"), {token});
        case CALC_PROBLEM_LONG_NUMBER:
            return tr_text("Expression", "数が長すぎます (63文字まで)");
        case CALC_PROBLEM_MISSING_CLOSE:
            return tr_text("Expression", "')' が足りません");
        case CALC_PROBLEM_UNMATCHED_CLOSE:
            return tr_text("Expression", "')' に対応する '(' がありません");
        case CALC_PROBLEM_EMPTY_GROUP:
            return tr_text("Expression", "( ) の中が空です");
        case CALC_PROBLEM_OPERAND_BEFORE:
            return fill_text(tr_text("Expression", "%1 の前に値がありません"), {token});
        case CALC_PROBLEM_OPERAND_AFTER:
            return fill_text(tr_text("Expression", "%1 の後に値がありません"), {token});
        case CALC_PROBLEM_NUMBER_AFTER_OPERAND:
            return fill_text(tr_text("Expression", "数 %1 の前に演算子が必要です"), {e.token});
        case CALC_PROBLEM_FUNCTION_OPERAND:
            return fill_text(tr_text("Expression", "%1 の後には値か ( ) が必要です"), {e.token});
        case CALC_PROBLEM_KEYWORD_OPERANDS:
            return fill_text(tr_text("Expression", "%1 の前と後には値が必要です"), {e.token});
        case CALC_PROBLEM_REPEAT_GROUP:
            return tr_text("Expression", "'@' の右は ( ) で囲んでください");
        case CALC_PROBLEM_ASSIGN_LETTER:
            return tr_text("Expression", "'=' の左には1文字の変数だけを書けます");
        default:
            return tr_text("Expression", "ここから式として読めません");
    }
}

}  // namespace

Expression::Expression(std::string text)
    : text_(std::move(text)), tree_(ecalc_compile_stored(text_.c_str())) {
    if (!tree_) problem_ = explain_expression(text_.c_str());
}

Expression::~Expression() {
    ecalc_free(tree_);
}

Expression::Expression(Expression&& other) noexcept
    : text_(std::move(other.text_)),
      tree_(std::exchange(other.tree_, nullptr)),
      problem_(std::move(other.problem_)) {}

Expression& Expression::operator=(Expression&& other) noexcept {
    if (this != &other) {
        ecalc_free(tree_);
        text_ = std::move(other.text_);
        tree_ = std::exchange(other.tree_, nullptr);
        problem_ = std::move(other.problem_);
    }
    return *this;
}

std::string expression_problem_text(const CalcExplanation& explanation) {
    if (explanation.problem == CALC_PROBLEM_NONE) return std::string();
    return fill_text(tr_text("Expression", "%1文字目: %2"),
                     {std::to_string(explanation.position), reason(explanation)});
}

std::string explain_expression(const char* text) {
    CalcExplanation explanation{};
    if (!ecalc_explain_stored(text, &explanation)) return std::string();
    return expression_problem_text(explanation);
}

}  // namespace orvenna
