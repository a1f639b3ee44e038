#pragma once

#include <QString>
#include <QStringList>

#include "bank/BankText.h"
#include "data/PoolQuestion.h"

// One question as a question bank holds it, in the pool's terms: two to six choices (A and B
// always, then C to F in a row) with one right letter or several in order ("AC": every one of
// them must be chosen), or a true/false question (A "True", B "False", the others empty). Texts
// are plain, their only control character a line break.
struct BankQuestion final {
    static constexpr int kMaxChoices = PoolQuestion::kMaxChoices;

    QString id; // stable: the JSON pool's own, else made from the bank's name or the text
    QString name; // the bank's name of the question (GIFT ::name::, Moodle <name>); often empty
    QStringList categoryPath; // as the bank gives it, outermost first; empty when it gives none
    QString question;
    QString a, b, c, d, e, f;
    QString correct; // "A" to "F", or several in order ("AC"); each a non-empty choice
    QString explanation; // the bank's general feedback; may be empty
    int line = 0; // where the question starts in its file, counted from 1

    // The category proper: the path's last part.
    QString category() const { return categoryPath.isEmpty() ? QString() : categoryPath.constLast(); }
    bool isTrueFalse() const
    {
        return a == QLatin1String("True") && b == QLatin1String("False") && choiceCount() == 2 && correct.size() == 1;
    }
    bool hasSeveralAnswers() const { return correct.size() > 1; }
    const QString &choice(int index) const
    {
        const QString *const choices[] = {&a, &b, &c, &d, &e, &f};
        return *choices[index];
    }
    QString &choice(int index) { return const_cast<QString &>(static_cast<const BankQuestion &>(*this).choice(index)); }
    // Up to the last choice that is not empty, two at least.
    int choiceCount() const
    {
        int count = kMaxChoices;
        while (count > 2 && choice(count - 1).isEmpty())
            --count;
        return count;
    }
    // How a message names the question: its name, else the start of its text.
    QString title() const { return BankText::title(name, question); }
    // The question as the pool holds it, without category and source.
    PoolQuestion toPool() const
    {
        PoolQuestion q;
        q.id = id;
        q.question = question;
        for (int i = 0; i < kMaxChoices; ++i)
            q.choice(i) = choice(i);
        q.correct = correct;
        q.explanation = explanation;
        return q;
    }
};
