// Opening files into a document without a window, through the one opener, for the tests of the document,
// the render command and the window alike.
#pragma once

#include <string>
#include <vector>

#include "document/Document.h"
#include "document/SceneOpener.h"

namespace doctest {

// Answers as a script would: histograms of large files are counted, refusals are collected and the opening
// goes on.
class CollectingQuestions : public orvenna::OpeningQuestions {
public:
    bool countHistogramsOfLargeFile(const std::string&) override { return true; }
    bool refused(const orvenna::OpeningRefusal& refusal) override {
        refusals.push_back(refusal);
        return true;
    }
    std::vector<orvenna::OpeningRefusal> refusals;
};

// Opens `files` into `document`; returns the refusals (empty when every file opened).
inline std::vector<orvenna::OpeningRefusal> OpenInto(
    orvenna::Document& document, const std::vector<std::string>& files,
    orvenna::OpeningOptions::Histograms histograms = orvenna::OpeningOptions::Histograms::All) {
    CollectingQuestions questions;
    orvenna::OpeningControl control;
    document.adopt(orvenna::OpenFiles(files, document.openingOptions(histograms), questions, control));
    return questions.refusals;
}

}  // namespace doctest
