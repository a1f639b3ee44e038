#pragma once

#include <optional>
#include <vector>

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
    // its line, `title` (BankText::title) and `reason`, which names the limit it breaks ("7
    // choices; at most 6"); an empty reason says that only multiple-choice and true/false
    // questions are read.
    void skip(int line, const QString &title, const QString &kind, const QString &reason = QString());
    // The same for the limits of the pool's questions: more than six choices; several right
    // answers of which any one scores (VESK's ask for all of them); a share of the credit.
    void skipTooManyChoices(int line, const QString &title, int choices);
    void skipAnyOfSeveral(int line, const QString &title, int right);
    void skipPartialCredit(int line, const QString &title, const QString &why);
    // The right letters of a multiple-choice question whose choices carry weights in percent
    // (GIFT's "~%50%", Moodle XML's fractions where several answers may be chosen): every positive
    // weight the same and together 100 % within kWeightTolerance (files write 33.33333), "AC" for
    // the first and third. Negative weights on wrong choices are dropped, with a warning when
    // several are right. Empty when no weight is positive; none when the question is skipped for
    // weights of another kind.
    static constexpr double kWeightTolerance = 0.01;
    std::optional<QString> rightLetters(int line, const QString &title, const std::vector<double> &weights);
    // A weight as messages give it: "33.33333 %".
    static QString percent(double weight);
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
