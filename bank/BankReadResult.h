#pragma once

#include <map>
#include <vector>

#include <QString>
#include <QStringList>

#include "bank/BankQuestion.h"

// What reading one question bank gave. Faults never stop the reading: the questions are the good
// ones, each fault is in `errors`, and the caller decides whether to take the good ones alone.
// A file that is not text VESK can read gives no questions and one error.
struct BankReadResult final {
    static constexpr int kSkippedListed = 20;

    std::vector<BankQuestion> questions; // in file order
    // Questions left out whole, by kind: "essay", "matching", "short answer", "numerical",
    // "cloze", "description", "too many choices" (more than six), "partial credit" (right choices
    // of unequal weights, or a choice worth a share of the credit), "any of several right" (one
    // choice to pick, several of them right), "duplicate" (the same text, choices and right
    // answers as an earlier question of the file), or a Moodle XML type of no other kind
    // ("calculated").
    std::map<QString, int> skippedByKind;
    // The same questions one by one, each with its line, how it is named and why it is left out:
    // "line 62 (Private address): 7 choices; at most 6" (no parentheses for a question of no name
    // and no text). The first kSkippedListed, then "and N more".
    QStringList skipped;
    QStringList errors; // "line 12: ...", at most 50 and then "and N more"
    QStringList warnings; // what was dropped from a question that was read ("line 7: an image was dropped")
};
