#pragma once

#include <QChar>
#include <QString>
#include <QStringView>

// A question's right letters: one of A to F, or several in order, each once ("AC"), as Q_A's
// CorrectAnswer holds them and a candidate's Answer holds the ticked letters. The pool, the bank
// readers and the store read and check them alike. Needs nothing but Qt Core.
class AnswerKey final {
public:
    static constexpr int kMaxChoices = 6;

    // The letter of choice `index` (0 is A).
    static QChar letter(int index) { return QChar(char16_t(u'A' + index)); }
    // The choice a capital letter names (A is 0), or -1 for any other character.
    static int index(QChar letter)
    {
        const int i = letter.unicode() - u'A';
        return i >= 0 && i < kMaxChoices ? i : -1;
    }
    // Whether `key` is one to six capital letters A to F, in order, each once.
    static bool isWellFormed(QStringView key);
    // Letters as a person writes them ("c, a", "A/C", "ca"): in order, each once, in capitals,
    // spaces, commas, semicolons and slashes passed over. Empty when anything else is there or a
    // letter comes twice.
    static QString fromWritten(QStringView written);
    // The share in percent of each of `right` right choices, as banks write weights: "50",
    // "33.33333", "16.66667" (to five places, which sum to 100 within a thousandth).
    static QString share(int right);
    // What a question of `right` right answers tells the candidate: "Choose two", "Choose three".
    static QString chooseLine(int right);

private:
    AnswerKey() = delete;
};
