#pragma once

#include <QString>

#include "data/AnswerKey.h"

// One question of the question-pool source, as its file gives it: two to six choices, A and B
// always, and one right letter or several in order ("AC").
struct PoolQuestion final {
    static constexpr int kMaxChoices = AnswerKey::kMaxChoices;

    QString category;
    QString question;
    QString a, b, c, d;
    QString correct; // the right letters in order: "B", or "AC" for a question of several right answers
    QString explanation;
    QString source; // file and position, for messages
    QString id = {}; // stable across edits ("st-001"); empty in files written before ids
    // The fifth and sixth choices, empty for a question of fewer; after the id, so that a question
    // written out member by member as before still is one.
    QString e = {}, f = {};

    const QString &choice(int index) const
    {
        const QString *const choices[] = {&a, &b, &c, &d, &e, &f};
        return *choices[index];
    }
    QString &choice(int index) { return const_cast<QString &>(static_cast<const PoolQuestion &>(*this).choice(index)); }
    // Up to the last choice that is not empty.
    int choiceCount() const
    {
        int count = kMaxChoices;
        while (count > 0 && choice(count - 1).isEmpty())
            --count;
        return count;
    }
};
