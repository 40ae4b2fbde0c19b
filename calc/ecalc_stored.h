// Stored values in the expression language. A letter stands for its band's display byte (0..255 during a
// redraw); "#a" .. "#z" (case-insensitive) stand for the value band a .. z stores at the pixel, with the
// file's own scale and offset applied. The texts that ecalc_compile reads keep their meaning: "#" is a
// character it does not know, and only the entry points below read it.
//
// A stored-value read is a Letter node whose value is kCalcStoredLetterBase + the letter's index (text "#a").
// It is an operand like a letter (implicit products included) but cannot be assigned ("#a = 1" does not
// compile). ecalc_evaluate reads it as 0.
#pragma once

#include "calc/ecalc.h"

constexpr int kCalcStoredLetterBase = 26;

// ecalc_compile that also reads "#a" .. "#z".
CalcExpr* ecalc_compile_stored(const char* text);

// ecalc_explain of ecalc_compile_stored. A "#" that no letter follows is a bad character (token "#").
int ecalc_explain_stored(const char* text, CalcExplanation* out);

// ecalc_evaluate with the stored values: stored[k] is read for "#" + letter k (26 values; null reads them
// all as 0). Results are identical to ecalc_evaluate for trees without stored-value reads.
double ecalc_evaluate_stored(const CalcExpr* expr, LetterCells cells, const double* stored, double ans);
