#include "bank/AikenWriter.h"

#include <QString>
#include <QStringList>

#include "bank/BankQuestion.h"
#include "data/AnswerKey.h"

namespace AikenWriter {

namespace {
// A line the reader would take for a choice that starts the choices, or for the ANSWER line: told
// as the reader tells it, past spaces and tabs before it and any white space after it.
bool wouldBeMarkup(QStringView line)
{
    while (!line.isEmpty() && (line[0] == u' ' || line[0] == u'\t'))
        line = line.mid(1);
    while (!line.isEmpty() && line.back().isSpace())
        line.chop(1);
    if (line.startsWith(u"ANSWER:"))
        return true;
    return line.size() >= 2 && line[0] == u'A' && (line[1] == u'.' || line[1] == u')');
}

// How a warning names a question: its line in the bank it was read from, else its id.
QString who(const BankQuestion &q)
{
    return q.line > 0 ? QStringLiteral("line %1").arg(q.line) : q.id;
}

// What Aiken cannot hold of a question, for the export's warnings.
void leftOut(const BankQuestion &q, QStringList *warnings)
{
    const QString name = who(q);
    QStringList parts;
    if (!q.explanation.isEmpty())
        parts << QStringLiteral("explanation");
    if (!q.categoryPath.isEmpty())
        parts << QStringLiteral("category");
    if (!parts.isEmpty())
        *warnings << QStringLiteral("%1: %2 not written: Aiken cannot hold %3")
                         .arg(name, parts.join(QLatin1String(" and ")),
                             parts.size() > 1 ? QStringLiteral("them") : QStringLiteral("it"));
    for (int i = 0; i < q.choiceCount(); ++i) {
        if (q.choice(i).contains(u'\n'))
            *warnings << QStringLiteral("%1: the line breaks of choice %2 written as spaces: Aiken holds a choice "
                                        "on one line")
                             .arg(name, QChar(u'A' + i));
    }
}
} // namespace

QByteArray write(const std::vector<BankQuestion> &questions, QStringList *warnings)
{
    QString out;
    for (const BankQuestion &q : questions) {
        // One right answer is all Aiken holds: a question of several is not written at all.
        if (q.hasSeveralAnswers()) {
            if (warnings)
                *warnings << QStringLiteral("%1: not written: Aiken cannot hold several right answers (%2)")
                                 .arg(who(q), q.correct);
            continue;
        }
        if (warnings)
            leftOut(q, warnings);
        for (const QStringView line : QStringView(q.question).split(u'\n')) {
            if (wouldBeMarkup(line))
                out += QChar(0xa0);
            out += line;
            out += u'\n';
        }
        for (int i = 0; i < q.choiceCount(); ++i)
            out += AnswerKey::letter(i) + QLatin1String(". ") + QString(q.choice(i)).replace(u'\n', u' ') + u'\n';
        out += QLatin1String("ANSWER: ") + q.correct + QLatin1String("\n\n");
    }
    return out.toUtf8();
}

} // namespace AikenWriter
