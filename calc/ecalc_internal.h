// Internals shared by the tokeniser, the reducer and the explanation of texts that do not compile.
#pragma once

#include <vector>

#include "calc/ecalc.h"

// ecalc_tokenize that also records, for every node of the chain in order, the byte offset of its token in
// the text (the End node's offset is the text's length), and with `stored_values` reads "#a" .. "#z" as
// stored-value letters (ecalc_stored.h).
CalcExpr* ecalc_tokenize_at(const char* text, std::vector<int>* offsets, bool stored_values);

// What the reducer found where it stopped: the first node it could not place, and why.
struct CalcStop {
    const CalcExpr* node = nullptr;  // null: the problem lies at the end of the text; released by the time
                                     // the parse returns, so only good as a key
    int32_t problem = CALC_PROBLEM_NONE;
    char token[64] = {};  // the node's text, copied while it lived
};

// ecalc_parse that, when the chain does not reduce, tells where and why in *stop.
CalcExpr* ecalc_parse_explained(CalcExpr* chain, CalcStop* stop);
