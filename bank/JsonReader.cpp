#include "bank/JsonReader.h"

#include <algorithm>
#include <utility>
#include <vector>

#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include "bank/BankCollector.h"
#include "bank/BankQuestion.h"
#include "data/ErrorList.h"
#include "data/PoolReader.h"

namespace JsonReader {

namespace {
// Where each element of the top-level array starts, in bytes: the pool reader counts questions,
// a bank's reader names lines.
std::vector<qsizetype> elementStarts(const QByteArray &bytes)
{
    std::vector<qsizetype> starts;
    int depth = 0;
    bool inString = false;
    bool expecting = false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
            continue;
        }
        const bool space = c == ' ' || c == '\t' || c == '\n' || c == '\r';
        if (depth == 1 && expecting && !space && c != ']') {
            starts.push_back(i);
            expecting = false;
        }
        if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth == 1)
                expecting = true;
        } else if (c == ']' || c == '}') {
            --depth;
        } else if (c == ',' && depth == 1) {
            expecting = true;
        }
    }
    return starts;
}

// The line of each byte offset asked for, offsets counted from the file's start.
class Lines final {
public:
    explicit Lines(const QByteArray &bytes)
    {
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n')))
                m_breaks.push_back(i);
        }
    }

    int of(qsizetype offset) const
    {
        return int(std::lower_bound(m_breaks.begin(), m_breaks.end(), offset) - m_breaks.begin()) + 1;
    }

private:
    std::vector<qsizetype> m_breaks;
};

const QString kSource = QStringLiteral("json");
} // namespace

void read(const QByteArray &bytes, BankCollector &into)
{
    PoolReader reader(bytes, kSource);
    const Lines lines(bytes);
    const std::vector<qsizetype> starts = elementStarts(bytes);
    const auto lineOfQuestion = [&](qsizetype number) {
        return number >= 1 && size_t(number) <= starts.size() ? lines.of(starts[size_t(number - 1)]) : 1;
    };

    static const QRegularExpression atOffset(QStringLiteral("^json: not valid JSON at offset (\\d+): (.*)$"));
    static const QRegularExpression inQuestion(QStringLiteral("^json, question (\\d+): (.*)$"));
    const ErrorList &errors = reader.errors();
    const QStringList messages = errors.lines();
    const qsizetype kept = std::min<qsizetype>(errors.total(), ErrorList::kKept);
    for (qsizetype i = 0; i < kept; ++i) {
        const QString &error = messages[i];
        if (const QRegularExpressionMatch m = atOffset.match(error); m.hasMatch())
            into.error(lines.of(m.captured(1).toLongLong()), QStringLiteral("not valid JSON: %1").arg(m.captured(2)));
        else if (const QRegularExpressionMatch q = inQuestion.match(error); q.hasMatch())
            into.error(lineOfQuestion(q.captured(1).toLongLong()), q.captured(2));
        else
            into.error(1, error.startsWith(kSource + QLatin1String(": ")) ? error.mid(kSource.size() + 2) : error);
    }
    for (qsizetype more = errors.total() - kept; more > 0; --more)
        into.error(0, QString()); // only counted, as the pool reader did
    if (!reader.ok())
        return;

    qsizetype number = 0;
    for (PoolQuestion &q : reader.takeQuestions()) {
        BankQuestion question;
        question.id = std::move(q.id);
        question.categoryPath = QStringList{std::move(q.category)};
        question.question = std::move(q.question);
        question.a = std::move(q.a);
        question.b = std::move(q.b);
        question.c = std::move(q.c);
        question.d = std::move(q.d);
        question.e = std::move(q.e);
        question.f = std::move(q.f);
        question.correct = std::move(q.correct);
        question.explanation = std::move(q.explanation);
        question.line = lineOfQuestion(++number);
        into.add(std::move(question));
    }
}

} // namespace JsonReader
