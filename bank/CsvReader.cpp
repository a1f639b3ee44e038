#include "bank/CsvReader.h"

#include <utility>

#include <QStringList>

#include "bank/BankCollector.h"
#include "bank/BankQuestion.h"
#include "bank/BankText.h"

namespace CsvReader {

namespace {
const QStringList &header()
{
    static const QStringList names{QStringLiteral("Category"), QStringLiteral("Question"), QStringLiteral("A"),
        QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D"), QStringLiteral("Correct"),
        QStringLiteral("Explanation")};
    return names;
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

bool isHeader(const QStringList &fields)
{
    if (fields.size() != header().size())
        return false;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (fields[i].trimmed().compare(header()[i], Qt::CaseInsensitive) != 0)
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
    if (!isHeader(record.fields)) {
        const bool semicolons = record.fields.size() == 1 && record.fields[0].contains(u';');
        into.error(record.line,
            semicolons ? QStringLiteral("the fields are separated by \";\"; save the file with commas")
                       : QStringLiteral("the first row must be the header %1").arg(header().join(u',')));
        return;
    }
    while (records.next(&record)) {
        const QStringList &f = record.fields;
        if (f.size() != header().size()) {
            into.error(
                record.line, QStringLiteral("%1 fields where %2 were expected").arg(f.size()).arg(header().size()));
            continue;
        }
        // Several letters ("A,C", "AC"): a question with more than one right answer.
        QString letters;
        for (const QChar c : f[6]) {
            if (!QStringView(u" ,;/").contains(c))
                letters += c.toUpper();
        }
        if (letters.size() > 1 && letters.size() <= 4) {
            bool allLetters = true;
            for (const QChar c : letters)
                allLetters = allLetters && c >= u'A' && c <= u'D' && letters.count(c) == 1;
            if (allLetters) {
                into.skipSeveralRightAnswers(record.line, BankText::title(QString(), f[1]));
                continue;
            }
        }
        BankQuestion question;
        question.line = record.line;
        question.categoryPath = QStringList{f[0]};
        question.question = f[1];
        question.a = f[2];
        question.b = f[3];
        question.c = f[4];
        question.d = f[5];
        question.correct = f[6];
        question.explanation = f[7];
        into.add(std::move(question));
    }
}

} // namespace CsvReader
