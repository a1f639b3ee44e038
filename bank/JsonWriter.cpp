#include "bank/JsonWriter.h"

#include <utility>
#include <vector>

#include <QString>

#include "bank/BankIds.h"
#include "bank/BankQuestion.h"

namespace JsonWriter {

namespace {
QString quoted(const QString &text)
{
    QString out(1, u'"');
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'"':
            out += QLatin1String("\\\"");
            break;
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u'\n':
            out += QLatin1String("\\n");
            break;
        case u'\r':
            out += QLatin1String("\\r");
            break;
        case u'\t':
            out += QLatin1String("\\t");
            break;
        case u'\b':
            out += QLatin1String("\\b");
            break;
        case u'\f':
            out += QLatin1String("\\f");
            break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out += u'"';
}
} // namespace

QByteArray write(const std::vector<BankQuestion> &questions)
{
    if (questions.empty())
        return "[]\n";
    QString out = QStringLiteral("[\n");
    bool first = true;
    for (const BankQuestion &q : questions) {
        if (!first)
            out += QLatin1String(",\n");
        first = false;
        std::vector<std::pair<const char *, QString>> fields{
            {"id", q.id.isEmpty() ? BankIds::fromText(q.question) : q.id},
            {"category", q.category()},
            {"question", q.question},
            {"a", q.a},
            {"b", q.b},
            {"c", q.c},
            {"d", q.d},
        };
        // "e" and "f" only for a question that has them: a pool file of four choices stays as it is.
        if (q.choiceCount() > 4)
            fields.emplace_back("e", q.e);
        if (q.choiceCount() > 5)
            fields.emplace_back("f", q.f);
        fields.emplace_back("correct", q.correct);
        fields.emplace_back("explanation", q.explanation);
        out += QLatin1String("  {\n");
        for (size_t i = 0; i < fields.size(); ++i) {
            out += QLatin1String("    \"") + QLatin1String(fields[i].first) + QLatin1String("\": ")
                + quoted(fields[i].second) + (i + 1 < fields.size() ? QLatin1String(",\n") : QLatin1String("\n"));
        }
        out += QLatin1String("  }");
    }
    out += QLatin1String("\n]\n");
    return out.toUtf8();
}

} // namespace JsonWriter
