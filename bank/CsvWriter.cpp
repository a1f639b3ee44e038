#include "bank/CsvWriter.h"

#include <algorithm>

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
    // The columns E and F only when a question needs them, so that a bank of four choices stays
    // as every earlier reader reads it.
    const bool sixChoices
        = std::any_of(questions.begin(), questions.end(), [](const BankQuestion &q) { return q.choiceCount() > 4; });
    QString out = sixChoices ? QStringLiteral("\uFEFFCategory,Question,A,B,C,D,E,F,Correct,Explanation\r\n")
                             : QStringLiteral("\uFEFFCategory,Question,A,B,C,D,Correct,Explanation\r\n");
    for (const BankQuestion &q : questions) {
        QStringList fields{q.category(), q.question, q.a, q.b, q.c, q.d};
        if (sixChoices)
            fields << q.e << q.f;
        fields << q.correct << q.explanation;
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
