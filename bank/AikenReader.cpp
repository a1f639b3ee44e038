#include "bank/AikenReader.h"

#include <optional>
#include <utility>
#include <vector>

#include <QStringList>

#include "bank/BankCollector.h"
#include "bank/BankQuestion.h"
#include "bank/BankText.h"
#include "data/AnswerKey.h"

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
    int line = 0;
};

// "A. text" or "A) text": a capital letter, "." or ")", then the text, with or without a space
// before it ("B.Right"), as the platform that defined Aiken reads it.
std::optional<Choice> choiceOf(QStringView line, int number)
{
    if (line.size() < 2 || line[0] < u'A' || line[0] > u'Z' || (line[1] != u'.' && line[1] != u')'))
        return std::nullopt;
    return Choice{line[0], line.mid(2).trimmed().toString(), number};
}

bool isAnswer(QStringView line)
{
    return line.startsWith(u"ANSWER:");
}

class Parser final {
public:
    Parser(const QList<QStringView> &lines, BankCollector &into);

    void read();

private:
    enum class State { Text, Choices, Skipping };

    void line(size_t index);
    void unexpected(size_t index, QStringView line);
    bool startsQuestion(size_t index) const;
    void answer(int number, QStringView value);
    void fail(int line, const QString &what, State next);
    void startText(int number, QStringView raw);
    void reset();
    void end();
    QString title() const { return BankText::title(QString(), m_text.join(u'\n')); }

    const QList<QStringView> &m_lines;
    // For each line, the first at or after it that is a choice or an ANSWER line (or the count of
    // lines): startsQuestion() in one step, however long a run of text.
    std::vector<qsizetype> m_nextMarkup;
    BankCollector &m_into;
    State m_state = State::Text;
    bool m_blankBefore = false; // the line before this one was blank
    int m_start = 0; // the question's first line
    QStringList m_text;
    std::vector<Choice> m_choices;
};

Parser::Parser(const QList<QStringView> &lines, BankCollector &into)
    : m_lines(lines)
    , m_nextMarkup(size_t(lines.size()) + 1, lines.size())
    , m_into(into)
{
    for (qsizetype k = lines.size() - 1; k >= 0; --k) {
        const QStringView line = trimmedLine(lines[k]);
        m_nextMarkup[size_t(k)] = isAnswer(line) || choiceOf(line, 0) ? k : m_nextMarkup[size_t(k) + 1];
    }
}

void Parser::read()
{
    for (size_t i = 0; i < size_t(m_lines.size()); ++i) {
        line(i);
        m_blankBefore = trimmedLine(m_lines[qsizetype(i)]).isEmpty();
    }
    end();
}

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

void Parser::startText(int number, QStringView raw)
{
    reset();
    m_start = number;
    m_text.append(raw.toString());
}

// Whether the line at `index`, of text, starts a question: the next line that is not text is a
// choice A, or the file ends first.
bool Parser::startsQuestion(size_t index) const
{
    const qsizetype next = m_nextMarkup[index + 1];
    if (next >= m_lines.size())
        return true;
    const QStringView line = trimmedLine(m_lines[next]);
    return !isAnswer(line) && line[0] == u'A';
}

void Parser::line(size_t index)
{
    const int number = int(index) + 1;
    const QStringView raw = m_lines[qsizetype(index)];
    const QStringView line = trimmedLine(raw);
    if (m_state == State::Skipping) {
        // A broken question ends with its ANSWER line, or where a question plainly starts.
        if (isAnswer(line))
            reset();
        else if (m_blankBefore && !line.isEmpty() && !choiceOf(line, number) && startsQuestion(index))
            startText(number, raw);
        return;
    }
    if (line.isEmpty()) {
        if (m_state == State::Text && !m_text.isEmpty())
            m_text.append(QString()); // a paragraph of the question
        return;
    }
    const std::optional<Choice> choice = choiceOf(line, number);
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
        unexpected(index, raw);
    }
}

// A line of text among the choices: the next question when choices follow it (the ANSWER line is
// missing), else a stray line of this one ("NUMBERING: abc").
void Parser::unexpected(size_t index, QStringView raw)
{
    const int number = int(index) + 1;
    if (startsQuestion(index)) {
        m_into.error(m_choices.back().line + 1,
            QStringLiteral("an ANSWER line is missing here, after the choices of the question of line %1")
                .arg(m_start));
        startText(number, raw);
        return;
    }
    fail(number,
        QStringLiteral("\"%1\" is neither a choice nor the ANSWER line of the question of line %2")
            .arg(BankText::quoted(raw.toString()))
            .arg(m_start),
        State::Skipping);
}

void Parser::answer(int number, QStringView value)
{
    const QStringView letter = value.trimmed();
    const qsizetype index = letter.size() == 1 ? letter[0].toUpper().unicode() - u'A' : -1;
    if (AnswerKey::fromWritten(letter).size() > 1) {
        fail(number,
            QStringLiteral("the ANSWER \"%1\" names several choices; Aiken holds one right answer")
                .arg(BankText::quoted(letter.toString())),
            State::Text);
        return;
    }
    if (index < 0 || index >= qsizetype(m_choices.size())) {
        fail(number,
            QStringLiteral("the ANSWER \"%1\" is not one of the choices").arg(BankText::quoted(letter.toString())),
            State::Text);
        return;
    }
    if (m_choices.size() > size_t(BankQuestion::kMaxChoices)) {
        m_into.skipTooManyChoices(m_start, title(), int(m_choices.size()));
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
    for (size_t k = 0; k < m_choices.size(); ++k) {
        if (m_choices[k].text.isEmpty()) {
            fail(m_choices[k].line, QStringLiteral("choice %1 is empty").arg(m_choices[k].letter), State::Text);
            return;
        }
        question.choice(int(k)) = m_choices[k].text;
    }
    question.correct = AnswerKey::letter(int(index));
    m_into.add(std::move(question));
    reset();
}

void Parser::end()
{
    if (m_state == State::Choices)
        m_into.error(m_choices.back().line + 1,
            QStringLiteral("an ANSWER line is missing here, after the choices of the question of line %1")
                .arg(m_start));
    else if (m_state == State::Text && !m_text.isEmpty())
        m_into.error(m_start, QStringLiteral("the question has no choices"));
    reset();
}
} // namespace

void read(const QString &text, BankCollector &into)
{
    const QList<QStringView> lines = QStringView(text).split(u'\n');
    Parser(lines, into).read();
}

} // namespace AikenReader
