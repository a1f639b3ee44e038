#pragma once

#include <QSet>
#include <QString>

#include "bank/BankQuestion.h"
#include "bank/BankReadResult.h"
#include "data/ErrorList.h"

// What a reader finds goes here, and the rules every format shares are kept here: a question's
// texts cleaned and checked, its id made and kept unique, duplicates of an earlier question of
// the file skipped, faults and warnings collected with their lines.
class BankCollector final {
public:
    BankCollector() = default;
    Q_DISABLE_COPY_MOVE(BankCollector)

    // A question of a kind that is not imported, left out whole.
    void skip(const QString &kind);
    // A fault or warning: "line N: " and `what` on one line.
    void error(int line, const QString &what);
    void warning(int line, const QString &what);
    // A question that reading found to be of an importable kind, its texts as the bank gives them
    // (but plain): checked, and then added, skipped as a duplicate, or refused as an error. Its
    // id is kept when it has one (the JSON pool's), else made from its name or its text.
    void add(BankQuestion question);

    BankReadResult take();

private:
    BankReadResult m_result;
    ErrorList m_errors;
    ErrorList m_warnings;
    QSet<QString> m_texts; // normalised question texts so far
    QSet<QString> m_ids;
};
