#pragma once

#include <QString>

#include "data/PoolQuestion.h"

// When two questions are one: for the pool store's import and for the bank readers alike, so that
// a bank that reads without a duplicate imports without one. Needs nothing but Qt Core.
class QuestionMatch final {
public:
    // A text as questions are compared: canonical composition, case folded, runs of white space
    // made one space, none at the ends. One line, whatever the text.
    static QString normalisedText(const QString &text);
    // What makes two questions one: the same text, the same choices (all six places) in any order
    // and the same right answers. The same text with other choices is another question.
    static QString duplicateKey(const PoolQuestion &question);
    // The same but the right answers: two questions of one such key whose right answers differ
    // contradict each other (a true/false statement given as both true and false).
    static QString choicesKey(const PoolQuestion &question);
    // The text of the right choice ("False"), the texts of several joined by " + " ("SSH + HTTPS"),
    // or the letters when one names no choice.
    static QString rightAnswer(const PoolQuestion &question);

private:
    QuestionMatch() = delete;
};
