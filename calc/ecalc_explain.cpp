// Explaining a text that does not compile: the reducer runs on a chain whose tokens know their offsets and
// reports the first node it could not place.
#include <cstring>
#include <unordered_map>
#include <vector>

#include "calc/ecalc.h"
#include "calc/ecalc_internal.h"
#include "calc/ecalc_stored.h"

namespace {

// 1-based position of the character that starts at byte `offset` (UTF-8 continuation bytes not counted).
int32_t character_position(const char* text, int offset) {
    int32_t characters = 0;
    for (int i = 0; i < offset && text[i]; ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++characters;
    return characters + 1;
}

}  // namespace

namespace {

int explain(const char* text, CalcExplanation* out, bool stored_values) {
    if (!text) text = "";
    CalcExplanation result{};
    std::vector<int> offsets;
    CalcExpr* chain = ecalc_tokenize_at(text, &offsets, stored_values);
    // Where each token starts, by node: the reducer keeps the nodes it cannot place as they were.
    std::unordered_map<const CalcExpr*, int> where;
    int i = 0;
    for (const CalcExpr* n = chain; n && i < static_cast<int>(offsets.size()); n = n->next)
        where[n] = offsets[static_cast<size_t>(i++)];
    CalcStop stop;
    CalcExpr* tree = chain ? ecalc_parse_explained(chain, &stop) : nullptr;
    if (tree) {
        ecalc_free(tree);
        if (out) *out = result;
        return 0;
    }
    result.problem = stop.problem == CALC_PROBLEM_NONE ? CALC_PROBLEM_UNREADABLE : stop.problem;
    const int length = static_cast<int>(std::strlen(text));
    int offset = length;  // problems at the end of the text
    if (stop.node && stop.problem != CALC_PROBLEM_EMPTY) {
        const auto found = where.find(stop.node);
        if (found != where.end()) {
            offset = found->second;
            std::memcpy(result.token, stop.token, sizeof result.token);
            result.token[sizeof result.token - 1] = '\0';
        }
    }
    result.position = result.problem == CALC_PROBLEM_EMPTY ? 1 : character_position(text, offset);
    if (out) *out = result;
    return 1;
}

}  // namespace

int ecalc_explain(const char* text, CalcExplanation* out) {
    return explain(text, out, false);
}

int ecalc_explain_stored(const char* text, CalcExplanation* out) {
    return explain(text, out, true);
}
