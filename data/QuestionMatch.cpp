#include "data/QuestionMatch.h"

#include <QRegularExpression>
#include <QStringList>

QString QuestionMatch::normalisedText(const QString &text)
{
    static const QRegularExpression spaces(QStringLiteral("\\s+"));
    return text.normalized(QString::NormalizationForm_C).toCaseFolded().replace(spaces, QStringLiteral(" ")).trimmed();
}

QString QuestionMatch::choicesKey(const PoolQuestion &question)
{
    QStringList choices;
    for (const QString *choice : {&question.a, &question.b, &question.c, &question.d}) {
        const QString text = normalisedText(*choice);
        if (!text.isEmpty())
            choices.append(text);
    }
    choices.sort();
    // A normalised text is one line, so lines keep the parts apart.
    return normalisedText(question.question) + u'\n' + choices.join(u'\n');
}

QString QuestionMatch::rightAnswer(const PoolQuestion &question)
{
    const QString letter = question.correct.trimmed().toUpper();
    const QString *const choices[] = {&question.a, &question.b, &question.c, &question.d};
    const int index = letter.size() == 1 ? letter[0].unicode() - u'A' : -1;
    return index >= 0 && index < 4 && !choices[index]->isEmpty() ? *choices[index] : letter;
}

QString QuestionMatch::duplicateKey(const PoolQuestion &question)
{
    return choicesKey(question) + QStringLiteral("\n\n") + normalisedText(rightAnswer(question));
}
