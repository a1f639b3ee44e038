#include "bank/AikenReader.h"

#include <optional>
#include <utility>

#include <QStringList>

#include "bank/BankCollector.h"
#include "bank/BankQuestion.h"
#include "bank/BankText.h"

namespace AikenReader {

namespace {
// A line as its kind is told: without spaces and tabs before it, so that a line a writer starts
// with a no-break space is text whatever follows, and without any white space after it, as the
// text it becomes has none.
QStringView trimmedLine(QStringView line)
{
    qsizetype from = 0, to = line.size();
    while (from < to && (line[from] == u' ' || line[from] == u'\t'))
        ++from;
    while (to > from && line[to - 1].isSpace())
        --to;
    return line.mid(from, to - from);
}

struct Choice {
    QChar letter;
    QString text;
};

// "A. text" or "A) text": a capital letter, "." or ")", then white space or the line's end.
std::optional<Choice> choiceOf(QStringView line)
{
    if (line.size() < 2 || line[0] < u'A' || line[0] > u'Z' || (line[1] != u'.' && line[1] != u')'))
        return std::nullopt;
    if (line.size() > 2 && line[2] != u' ' && line[2] != u'\t')
        return std::nullopt;
    return Choice{line[0], line.mid(2).trimmed().toString()};
}

bool isAnswer(QStringView line)
{
    return line.startsWith(u"ANSWER:");
}

class Parser final {
public:
    explicit Parser(BankCollector &into)
        : m_into(into)
    {
    }

    void line(int number, QStringView line);
    void end();

private:
    enum class State { Text, Choices, Skipping };

    void answer(int number, QStringView value);
    void fail(int line, const QString &what, State next);
    void reset();

    BankCollector &m_into;
    State m_state = State::Text;
    int m_start = 0; // the question's first line
    QStringList m_text;
    std::vector<Choice> m_choices;
};

void Parser::reset()
{
    m_state = State::Text;
    m_text.clear();
    m_choices.clear();
}

void Parser::fail(int line, const QString &what, State next)
{
    m_into.error(line, what);
    reset();
    m_state = next;
}

void Parser::line(int number, QStringView raw)
{
    const QStringView line = trimmedLine(raw);
    if (m_state == State::Skipping) {
        // A broken question ends with its ANSWER line.
        if (isAnswer(line))
            reset();
        return;
    }
    if (line.isEmpty()) {
        if (m_state == State::Text && !m_text.isEmpty())
            m_text.append(QString()); // a paragraph of the question
        return;
    }
    const std::optional<Choice> choice = choiceOf(line);
    if (m_state == State::Text) {
        if (isAnswer(line)) {
            fail(number,
                m_text.isEmpty() ? QStringLiteral("an ANSWER line without a question")
                                 : QStringLiteral("an ANSWER line without choices"),
                State::Text);
        } else if (choice && choice->letter == u'A') {
            if (m_text.isEmpty()) {
                fail(number, QStringLiteral("a choice without a question"), State::Skipping);
                return;
            }
            m_state = State::Choices;
            m_choices.push_back(*choice);
        } else {
            // Any other line is the question's, "B. ..." too: choices start with A.
            if (m_text.isEmpty())
                m_start = number;
            m_text.append(raw.toString());
        }
        return;
    }
    // State::Choices
    if (isAnswer(line)) {
        answer(number, line.mid(7));
    } else if (choice) {
        const QChar expected(u'A' + int(m_choices.size()));
        if (choice->letter != expected) {
            fail(number, QStringLiteral("choice %1 where %2 was expected").arg(choice->letter).arg(expected),
                State::Skipping);
            return;
        }
        m_choices.push_back(*choice);
    } else {
        // A question whose ANSWER line is missing; this line starts the next one.
        fail(m_start, QStringLiteral("the question has no ANSWER line"), State::Text);
        m_start = number;
        m_text.append(raw.toString());
    }
}

void Parser::answer(int number, QStringView value)
{
    const QStringView letter = value.trimmed();
    const qsizetype index = letter.size() == 1 ? letter[0].toUpper().unicode() - u'A' : -1;
    if (index < 0 || index >= qsizetype(m_choices.size())) {
        fail(number,
            QStringLiteral("the ANSWER \"%1\" is not one of the choices").arg(BankText::quoted(letter.toString())),
            State::Text);
        return;
    }
    if (m_choices.size() > 4) {
        m_into.skip(QStringLiteral("too many choices"));
        reset();
        return;
    }
    if (m_choices.size() < 2) {
        fail(m_start, QStringLiteral("a question with one choice"), State::Text);
        return;
    }
    BankQuestion question;
    question.line = m_start;
    question.question = m_text.join(u'\n');
    QString *const choices[] = {&question.a, &question.b, &question.c, &question.d};
    for (size_t k = 0; k < m_choices.size(); ++k) {
        if (m_choices[k].text.isEmpty()) {
            fail(m_start, QStringLiteral("choice %1 is empty").arg(m_choices[k].letter), State::Text);
            return;
        }
        *choices[k] = m_choices[k].text;
    }
    question.correct = QChar(u'A' + int(index));
    m_into.add(std::move(question));
    reset();
}

void Parser::end()
{
    if (m_state == State::Choices)
        m_into.error(m_start, QStringLiteral("the question has no ANSWER line"));
    else if (m_state == State::Text && !m_text.isEmpty())
        m_into.error(m_start, QStringLiteral("the question has no choices"));
    reset();
}
} // namespace

void read(const QString &text, BankCollector &into)
{
    Parser parser(into);
    int number = 0;
    for (const QStringView line : QStringView(text).split(u'\n'))
        parser.line(++number, line);
    parser.end();
}

} // namespace AikenReader
