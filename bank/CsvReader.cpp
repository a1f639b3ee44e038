#include "bank/CsvReader.h"

#include <utility>

#include <QStringList>

#include "bank/BankCollector.h"
#include "bank/BankQuestion.h"
#include "data/AnswerKey.h"

namespace CsvReader {

namespace {
// The header of four choices, and the one of six.
const QStringList &header(bool sixChoices = false)
{
    static const QStringList four{QStringLiteral("Category"), QStringLiteral("Question"), QStringLiteral("A"),
        QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D"), QStringLiteral("Correct"),
        QStringLiteral("Explanation")};
    static const QStringList six = [] {
        QStringList names = four;
        names.insert(6, QStringLiteral("E"));
        names.insert(7, QStringLiteral("F"));
        return names;
    }();
    return sixChoices ? six : four;
}

struct Record {
    int line = 0;
    QStringList fields;
};

// The records of RFC 4180 text, one at a time; a fault is reported and its record passed over.
class Records final {
public:
    Records(const QString &text, BankCollector &into)
        : m_text(text)
        , m_into(into)
    {
    }

    // The next record; false at the end of the text.
    bool next(Record *record);

private:
    void skipLine();

    const QString &m_text;
    BankCollector &m_into;
    qsizetype m_at = 0;
    int m_line = 1;
};

bool Records::next(Record *record)
{
    while (m_at < m_text.size()) {
        record->line = m_line;
        record->fields.clear();
        bool broken = false;
        for (;;) {
            QString field;
            if (m_at < m_text.size() && m_text[m_at] == u'"') {
                const int opened = m_line;
                ++m_at;
                for (;;) {
                    if (m_at >= m_text.size()) {
                        m_into.error(opened, QStringLiteral("a quoted field is not closed"));
                        return false;
                    }
                    // The run up to the next quote at once.
                    qsizetype quote = m_text.indexOf(u'"', m_at);
                    if (quote < 0)
                        quote = m_text.size();
                    const QStringView run = QStringView(m_text).mid(m_at, quote - m_at);
                    m_line += int(run.count(u'\n'));
                    field += run;
                    m_at = quote;
                    if (m_at >= m_text.size())
                        continue;
                    ++m_at;
                    if (m_at < m_text.size() && m_text[m_at] == u'"') {
                        field += u'"';
                        ++m_at;
                        continue;
                    }
                    break;
                }
                if (m_at < m_text.size() && m_text[m_at] != u',' && m_text[m_at] != u'\n') {
                    m_into.error(m_line,
                        QStringLiteral("text after a field's closing quote (a quote inside a "
                                       "quoted field is written twice)"));
                    skipLine();
                    broken = true;
                    break;
                }
            } else {
                const qsizetype start = m_at;
                while (m_at < m_text.size() && m_text[m_at] != u',' && m_text[m_at] != u'\n')
                    ++m_at;
                field = m_text.mid(start, m_at - start);
            }
            record->fields.append(field);
            if (m_at < m_text.size() && m_text[m_at] == u',') {
                ++m_at;
                continue;
            }
            if (m_at < m_text.size()) { // the line break ending the record
                ++m_at;
                ++m_line;
            }
            break;
        }
        if (broken)
            continue;
        if (record->fields.size() == 1 && record->fields[0].trimmed().isEmpty())
            continue; // an empty line
        return true;
    }
    return false;
}

void Records::skipLine()
{
    while (m_at < m_text.size() && m_text[m_at] != u'\n')
        ++m_at;
    if (m_at < m_text.size()) {
        ++m_at;
        ++m_line;
    }
}

bool isHeader(const QStringList &fields, const QStringList &names)
{
    if (fields.size() != names.size())
        return false;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (fields[i].trimmed().compare(names[i], Qt::CaseInsensitive) != 0)
            return false;
    }
    return true;
}
} // namespace

void read(const QString &text, BankCollector &into)
{
    Records records(text, into);
    Record record;
    if (!records.next(&record))
        return;
    const bool sixChoices = isHeader(record.fields, header(true));
    if (!sixChoices && !isHeader(record.fields, header())) {
        const bool semicolons = record.fields.size() == 1 && record.fields[0].contains(u';');
        into.error(record.line,
            semicolons ? QStringLiteral("the fields are separated by \";\"; save the file with commas")
                       : QStringLiteral("the first row must be the header %1 (with E,F after D for five or six "
                                        "choices)")
                             .arg(header().join(u',')));
        return;
    }
    const QStringList &names = header(sixChoices);
    const int choices = sixChoices ? 6 : 4;
    while (records.next(&record)) {
        const QStringList &f = record.fields;
        if (f.size() != names.size()) {
            into.error(record.line, QStringLiteral("%1 fields where %2 were expected").arg(f.size()).arg(names.size()));
            continue;
        }
        BankQuestion question;
        question.line = record.line;
        question.categoryPath = QStringList{f[0]};
        question.question = f[1];
        for (int i = 0; i < choices; ++i)
            question.choice(i) = f[2 + i];
        // The right letters as people write them ("AC", "A, C", "c"); anything else as written,
        // for the fault to quote it.
        const QString written = f[2 + choices];
        const QString key = AnswerKey::fromWritten(written);
        question.correct = key.isEmpty() ? written : key;
        question.explanation = f[3 + choices];
        into.add(std::move(question));
    }
}

} // namespace CsvReader
