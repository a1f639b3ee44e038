#include "bank/GiftWriter.h"

#include <QString>

#include "bank/BankIds.h"
#include "bank/BankQuestion.h"
#include "bank/CategoryPath.h"
#include "data/AnswerKey.h"

namespace GiftWriter {

namespace {
QString escaped(const QString &text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (c == u'\n')
            out += QLatin1String("\\n");
        else if (QStringView(u"~=#{}:\\").contains(c))
            out += u'\\' + QString(c);
        else
            out += c;
    }
    return out;
}

// A text that would be taken for markup under the platform's default format.
bool looksLikeMarkup(const QString &text)
{
    return text.contains(u'<') || text.contains(u'&');
}

// An answer's or the feedback's text, marked plain when its first character would make it read
// as a format of its own.
QString part(const QString &text)
{
    return (text.startsWith(u'[') ? QStringLiteral("[plain]") : QString()) + escaped(text);
}
} // namespace

QByteArray write(const std::vector<BankQuestion> &questions)
{
    QString out;
    QStringList category; // a reader's category before the first $CATEGORY: line
    for (const BankQuestion &q : questions) {
        if (q.categoryPath != category) {
            category = q.categoryPath;
            out += QStringLiteral("$CATEGORY: %1\n\n").arg(CategoryPath::format(category));
        }
        bool markup = looksLikeMarkup(q.question) || looksLikeMarkup(q.explanation) || q.question.startsWith(u'[');
        for (int i = 0; i < BankQuestion::kMaxChoices; ++i)
            markup = markup || looksLikeMarkup(q.choice(i));
        out += QLatin1String("::") + escaped(q.id.isEmpty() ? BankIds::fromText(q.question) : q.id)
            + QLatin1String(":: ") + (markup ? QLatin1String("[plain]") : QLatin1String()) + escaped(q.question);
        const QString feedback = q.explanation.isEmpty() ? QString() : QLatin1String("####") + part(q.explanation);
        if (q.isTrueFalse()) {
            out += (q.correct == QLatin1String("A") ? QLatin1String(" {TRUE") : QLatin1String(" {FALSE")) + feedback
                + QLatin1String("}\n\n");
            continue;
        }
        out += QLatin1String(" {\n");
        // Several right answers: each right choice an equal share, as the platform writes them, and
        // no "=", which would make the question one to answer with one choice.
        const bool several = q.hasSeveralAnswers();
        const QString share = several ? QLatin1Char('%') + AnswerKey::share(int(q.correct.size())) + QLatin1Char('%')
                                      : QStringLiteral("%100%");
        for (int i = 0; i < q.choiceCount(); ++i) {
            const bool right = q.correct.contains(AnswerKey::letter(i));
            out += right && !several ? QLatin1String("\t=") : QLatin1String("\t~");
            // A choice that starts with "%" would lend its start to the weight.
            if (right && (several || q.choice(i).startsWith(u'%')))
                out += share;
            else if (q.choice(i).startsWith(u'%'))
                out += QLatin1String("%0%");
            out += part(q.choice(i)) + u'\n';
        }
        if (!feedback.isEmpty())
            out += u'\t' + feedback + u'\n';
        out += QLatin1String("}\n\n");
    }
    return out.toUtf8();
}

} // namespace GiftWriter
