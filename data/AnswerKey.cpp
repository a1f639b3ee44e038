#include "data/AnswerKey.h"

bool AnswerKey::isWellFormed(QStringView key)
{
    if (key.isEmpty() || key.size() > kMaxChoices)
        return false;
    int last = -1;
    for (const QChar c : key) {
        const int i = index(c);
        if (i <= last)
            return false;
        last = i;
    }
    return true;
}

QString AnswerKey::fromWritten(QStringView written)
{
    bool seen[kMaxChoices] = {};
    for (const QChar c : written) {
        if (QStringView(u" ,;/").contains(c))
            continue;
        const int i = index(c.toUpper());
        if (i < 0 || seen[i])
            return QString();
        seen[i] = true;
    }
    QString key;
    for (int i = 0; i < kMaxChoices; ++i) {
        if (seen[i])
            key += letter(i);
    }
    return key;
}

QString AnswerKey::share(int right)
{
    QString text = QString::number(100.0 / right, 'f', 5);
    while (text.endsWith(u'0'))
        text.chop(1);
    if (text.endsWith(u'.'))
        text.chop(1);
    return text;
}

QString AnswerKey::chooseLine(int right)
{
    static const char *const words[] = {"one", "two", "three", "four", "five", "six"};
    return QStringLiteral("Choose ")
        + (right >= 1 && right <= kMaxChoices ? QString::fromLatin1(words[right - 1]) : QString::number(right));
}
