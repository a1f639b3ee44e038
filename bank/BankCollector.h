#pragma once

#include <QHash>
#include <QSet>
#include <QString>

#include "bank/BankQuestion.h"
#include "bank/BankReadResult.h"
#include "data/ErrorList.h"

// What a reader finds goes here, and the rules every format shares are kept here: a question's
// texts cleaned and checked, its id made and kept unique, duplicates of an earlier question of
// the file skipped, faults, warnings and skipped questions collected with their lines.
class BankCollector final {
public:
    BankCollector() = default;
    Q_DISABLE_COPY_MOVE(BankCollector)

    // A question of a kind that is not imported, left out whole: counted by `kind` and listed with
    // its line, `title` (BankText::title) and `reason`, which names the limit it breaks ("5
    // choices; at most 4"); an empty reason says that only multiple-choice and true/false
    // questions are read.
    void skip(int line, const QString &title, const QString &kind, const QString &reason = QString());
    // The same for the two limits of the pool's questions.
    void skipTooManyChoices(int line, const QString &title, int choices);
    void skipSeveralRightAnswers(int line, const QString &title);
    // A fault or warning: "line N: " and `what` on one line.
    void error(int line, const QString &what);
    void warning(int line, const QString &what);
    // A question that reading found to be of an importable kind, its texts as the bank gives them
    // (but plain): checked, and then added, skipped as a duplicate (the same text, choices and
    // right answer as an earlier question), or refused as an error. Its id is kept when it has one
    // (the JSON pool's), else made from its name, or from its text, or, when an earlier question
    // has that text, from its text and choices.
    void add(BankQuestion question);

    BankReadResult take();

private:
    // An earlier question as messages name it.
    struct Earlier {
        int line = 0;
        QString title;
        QString rightAnswer;
    };

    BankReadResult m_result;
    ErrorList m_errors;
    ErrorList m_warnings;
    qsizetype m_skipped = 0; // listed or not
    QSet<QString> m_texts; // normalised question texts so far
    QHash<QString, Earlier> m_questions; // by QuestionMatch::duplicateKey
    QHash<QString, Earlier> m_choices; // by QuestionMatch::choicesKey
    QSet<QString> m_ids;
};
