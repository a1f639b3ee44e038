#pragma once

#include <QString>
#include <QStringList>

#include "bank/BankText.h"

// One question as a question bank holds it, in the pool's terms: a single-answer question with
// two to four choices (A and B always, then C, then D), or a true/false question (A "True",
// B "False", C and D empty). Texts are plain, their only control character a line break.
struct BankQuestion final {
    QString id; // stable: the JSON pool's own, else made from the bank's name or the text
    QString name; // the bank's name of the question (GIFT ::name::, Moodle <name>); often empty
    QStringList categoryPath; // as the bank gives it, outermost first; empty when it gives none
    QString question;
    QString a, b, c, d;
    QString correct; // "A" to "D", always a non-empty choice
    QString explanation; // the bank's general feedback; may be empty
    int line = 0; // where the question starts in its file, counted from 1

    // The category proper: the path's last part.
    QString category() const { return categoryPath.isEmpty() ? QString() : categoryPath.constLast(); }
    bool isTrueFalse() const
    {
        return a == QLatin1String("True") && b == QLatin1String("False") && c.isEmpty() && d.isEmpty();
    }
    const QString &choice(int index) const { return index == 0 ? a : index == 1 ? b : index == 2 ? c : d; }
    int choiceCount() const { return d.isEmpty() ? c.isEmpty() ? 2 : 3 : 4; }
    // How a message names the question: its name, else the start of its text.
    QString title() const { return BankText::title(name, question); }
};
