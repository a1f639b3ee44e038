#include "data/QuestionMatch.h"

#include <QRegularExpression>
#include <QStringList>

namespace {
// The texts of the right choices, normalised and sorted, so that the order of the choices does
// not matter; none when a letter names no choice.
QStringList rightTexts(const PoolQuestion &question)
{
    QStringList texts;
    const QString key = question.correct.trimmed().toUpper();
    for (const QChar letter : key) {
        const int index = AnswerKey::index(letter);
        if (index < 0 || question.choice(index).isEmpty())
            return QStringList();
        texts.append(QuestionMatch::normalisedText(question.choice(index)));
    }
    texts.sort();
    return texts;
}
} // namespace

QString QuestionMatch::normalisedText(const QString &text)
{
    static const QRegularExpression spaces(QStringLiteral("\\s+"));
    return text.normalized(QString::NormalizationForm_C).toCaseFolded().replace(spaces, QStringLiteral(" ")).trimmed();
}

QString QuestionMatch::choicesKey(const PoolQuestion &question)
{
    QStringList choices;
    for (int i = 0; i < PoolQuestion::kMaxChoices; ++i) {
        const QString text = normalisedText(question.choice(i));
        if (!text.isEmpty())
            choices.append(text);
    }
    choices.sort();
    // A normalised text is one line, so lines keep the parts apart.
    return normalisedText(question.question) + u'\n' + choices.join(u'\n');
}

QString QuestionMatch::rightAnswer(const PoolQuestion &question)
{
    const QString key = question.correct.trimmed().toUpper();
    QStringList texts;
    for (const QChar letter : key) {
        const int index = AnswerKey::index(letter);
        if (index < 0 || question.choice(index).isEmpty())
            return key;
        texts.append(question.choice(index));
    }
    return texts.isEmpty() ? key : texts.join(QLatin1String(" + "));
}

QString QuestionMatch::duplicateKey(const PoolQuestion &question)
{
    const QStringList right = rightTexts(question);
    return choicesKey(question) + QStringLiteral("\n\n")
        + (right.isEmpty() ? normalisedText(question.correct.trimmed().toUpper()) : right.join(u'\n'));
}
