#include "bank/CsvWriter.h"

#include <QString>
#include <QStringList>

#include "bank/BankQuestion.h"

namespace CsvWriter {

namespace {
QString field(const QString &text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    return u'"' + QString(text).replace(u'"', QLatin1String("\"\"")) + u'"';
}
} // namespace

QByteArray write(const std::vector<BankQuestion> &questions)
{
    QString out = QStringLiteral("\uFEFFCategory,Question,A,B,C,D,Correct,Explanation\r\n");
    for (const BankQuestion &q : questions) {
        const QStringList fields{q.category(), q.question, q.a, q.b, q.c, q.d, q.correct, q.explanation};
        for (qsizetype i = 0; i < fields.size(); ++i) {
            if (i > 0)
                out += u',';
            out += field(fields[i]);
        }
        out += QLatin1String("\r\n");
    }
    return out.toUtf8();
}

} // namespace CsvWriter
