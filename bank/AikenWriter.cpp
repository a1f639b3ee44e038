#include "bank/AikenWriter.h"

#include <QString>
#include <QStringList>

#include "bank/BankQuestion.h"

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

// What Aiken cannot hold of a question, for the export's warnings.
void leftOut(const BankQuestion &q, QStringList *warnings)
{
    const QString who = q.line > 0 ? QStringLiteral("line %1").arg(q.line) : q.id;
    QStringList parts;
    if (!q.explanation.isEmpty())
        parts << QStringLiteral("explanation");
    if (!q.categoryPath.isEmpty())
        parts << QStringLiteral("category");
    if (!parts.isEmpty())
        *warnings << QStringLiteral("%1: %2 not written: Aiken cannot hold %3")
                         .arg(who, parts.join(QLatin1String(" and ")),
                             parts.size() > 1 ? QStringLiteral("them") : QStringLiteral("it"));
    for (int i = 0; i < 4; ++i) {
        if (q.choice(i).contains(u'\n'))
            *warnings << QStringLiteral("%1: the line breaks of choice %2 written as spaces: Aiken holds a choice "
                                        "on one line")
                             .arg(who, QChar(u'A' + i));
    }
}
} // namespace

QByteArray write(const std::vector<BankQuestion> &questions, QStringList *warnings)
{
    QString out;
    for (const BankQuestion &q : questions) {
        if (warnings)
            leftOut(q, warnings);
        for (const QStringView line : QStringView(q.question).split(u'\n')) {
            if (wouldBeMarkup(line))
                out += QChar(0xa0);
            out += line;
            out += u'\n';
        }
        for (int i = 0; i < 4 && !q.choice(i).isEmpty(); ++i)
            out += QChar(u'A' + i) + QLatin1String(". ") + QString(q.choice(i)).replace(u'\n', u' ') + u'\n';
        out += QLatin1String("ANSWER: ") + q.correct + QLatin1String("\n\n");
    }
    return out.toUtf8();
}

} // namespace AikenWriter
