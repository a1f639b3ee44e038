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
    return line.size() >= 2 && line[0] == u'A' && (line[1] == u'.' || line[1] == u')')
        && (line.size() == 2 || line[2] == u' ' || line[2] == u'\t');
}
} // namespace

QByteArray write(const std::vector<BankQuestion> &questions)
{
    QString out;
    for (const BankQuestion &q : questions) {
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
