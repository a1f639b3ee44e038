#include "bank/BankIds.h"

#include <QCryptographicHash>
#include <QRegularExpression>

#include "bank/QuestionBank.h"

namespace BankIds {

namespace {
constexpr qsizetype kSlugLength = 48;
constexpr qsizetype kIdLength = 64;

QString hashed(const QString &text)
{
    return QStringLiteral("imp-")
        + QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha1).toHex().left(12));
}
} // namespace

bool isIdShaped(const QString &text)
{
    static const QRegularExpression shape(QStringLiteral("^[a-z0-9]+(-[a-z0-9]+)+$"));
    return text.size() <= kIdLength && shape.match(text).hasMatch();
}

QString fromName(const QString &name)
{
    if (isIdShaped(name))
        return name;
    QString slug;
    bool hyphen = false;
    for (const QChar c : name.normalized(QString::NormalizationForm_KD)) {
        if (c.isMark())
            continue; // the accent of a decomposed letter
        const QChar lower = c.toLower();
        if ((lower >= u'a' && lower <= u'z') || (lower >= u'0' && lower <= u'9')) {
            if (hyphen && !slug.isEmpty())
                slug += u'-';
            slug += lower;
            hyphen = false;
        } else {
            hyphen = true;
        }
        if (slug.size() >= kSlugLength)
            break;
    }
    while (slug.endsWith(u'-'))
        slug.chop(1);
    return slug.isEmpty() ? hashed(QuestionBank::normalisedText(name)) : QStringLiteral("imp-") + slug;
}

QString fromText(const QString &questionText)
{
    return hashed(QuestionBank::normalisedText(questionText));
}

QString fromNormalisedText(const QString &normalised)
{
    return hashed(normalised);
}

QString fromTextAndChoices(const QString &questionText, const QStringList &choices, const QString &correct)
{
    // A normalised text is one line: a line break cannot make two lists of texts the same.
    QString all = QuestionBank::normalisedText(questionText);
    for (const QString &choice : choices)
        all += u'\n' + QuestionBank::normalisedText(choice);
    // Only several right letters take part, which no question had when these ids were first made:
    // every question of one right letter keeps the id it had.
    if (correct.size() > 1)
        all += QLatin1String("\n\n") + correct;
    return hashed(all);
}

} // namespace BankIds
