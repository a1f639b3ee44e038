#include "bank/GiftReader.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include <QStringList>

#include "bank/BankCollector.h"
#include "bank/BankQuestion.h"
#include "bank/BankText.h"
#include "bank/CategoryPath.h"
#include "bank/HtmlText.h"
#include "data/AnswerKey.h"

namespace GiftReader {

namespace {
enum class TextFormat { Plain, Html };

// A question's text with its escapes resolved, each character marked when it was escaped, so
// that "\{" is never taken for the brace that opens the answers.
class Marked final {
public:
    explicit Marked(QStringView source)
        : m_text(source.size(), Qt::Uninitialized)
        , m_out(m_text.data())
    {
        m_escaped.reserve(size_t(source.size()));
        for (qsizetype i = 0; i < source.size(); ++i) {
            const QChar c = source[i];
            if (c == u'\\' && i + 1 < source.size()) {
                const QChar next = source[i + 1];
                if (QStringView(u"~=#{}:\\").contains(next)) {
                    append(next, true);
                    ++i;
                    continue;
                }
                if (next == u'n') {
                    append(u'\n', true);
                    ++i;
                    continue;
                }
            }
            append(c, false);
        }
        m_text.truncate(m_out - m_text.constData());
    }

    qsizetype size() const { return m_text.size(); }
    QChar at(qsizetype i) const { return m_text[i]; }
    // Which of the joined lines position i is on, counted from 0 (an escaped \n breaks no line).
    int lineIndex(qsizetype i) const
    {
        return int(std::lower_bound(m_breaks.begin(), m_breaks.end(), i) - m_breaks.begin());
    }
    // The character at i as markup: not escaped.
    bool is(qsizetype i, QChar c) const { return i < size() && m_text[i] == c && !m_escaped[size_t(i)]; }
    bool startsWith(qsizetype i, QStringView markup) const
    {
        for (qsizetype k = 0; k < markup.size(); ++k) {
            if (!is(i + k, markup[k]))
                return false;
        }
        return true;
    }
    qsizetype find(QStringView markup, qsizetype from, qsizetype to = -1) const
    {
        const qsizetype end = to < 0 ? size() : to;
        for (qsizetype i = from; i + markup.size() <= end; ++i) {
            if (startsWith(i, markup))
                return i;
        }
        return -1;
    }
    qsizetype skipSpace(qsizetype i, qsizetype to) const
    {
        while (i < to && m_text[i].isSpace() && !m_escaped[size_t(i)])
            ++i;
        return i;
    }
    qsizetype trimEnd(qsizetype from, qsizetype to) const
    {
        while (to > from && m_text[to - 1].isSpace() && !m_escaped[size_t(to - 1)])
            --to;
        return to;
    }
    QString mid(qsizetype from, qsizetype to) const { return m_text.mid(from, to - from); }
    bool isBlank(qsizetype from, qsizetype to) const { return skipSpace(from, to) == to; }

private:
    void append(QChar c, bool escaped)
    {
        if (c == u'\n' && !escaped)
            m_breaks.push_back(m_out - m_text.constData());
        *m_out++ = c;
        m_escaped.push_back(escaped);
    }

    QString m_text; // written in place: never longer than the source
    QChar *m_out;
    std::vector<bool> m_escaped;
    std::vector<qsizetype> m_breaks; // where the joined lines meet
};

// A line of the file that belongs to a question (no blank line, no comment) and its number.
struct Line {
    int number;
    QStringView text;
};

class QuestionParser final {
public:
    // `lines`: the file's number of each line joined into `text`.
    QuestionParser(const Marked &text, const std::vector<int> &lines, const QStringList &category, BankCollector &into)
        : m_text(text)
        , m_lines(lines)
        , m_line(lines.front())
        , m_category(category)
        , m_into(into)
    {
    }

    void parse();

private:
    struct Answer {
        QString text;
        double weight;
        int line;
        bool equals; // written with "=": the question is one to answer with one choice
    };

    // The file's line of position i of the text.
    int lineAt(qsizetype i) const
    {
        return m_lines[size_t(std::min<qsizetype>(m_text.lineIndex(i), m_lines.size() - 1))];
    }
    // The [format] at i, if any, and where the text after it starts.
    std::optional<TextFormat> formatAt(qsizetype *i, qsizetype to) const;
    QString converted(const QString &text, TextFormat format);
    QString plain(qsizetype from, qsizetype to, TextFormat format);
    void multipleChoice(qsizetype open, qsizetype from, qsizetype to, BankQuestion question);
    void trueFalse(bool right, BankQuestion question);

    const Marked &m_text;
    const std::vector<int> &m_lines;
    const int m_line;
    const QStringList &m_category;
    BankCollector &m_into;
    TextFormat m_format = TextFormat::Plain;
    int m_images = 0;
};

std::optional<TextFormat> QuestionParser::formatAt(qsizetype *i, qsizetype to) const
{
    static const std::pair<QLatin1String, TextFormat> kMarkers[] = {
        {QLatin1String("[html]"), TextFormat::Html},
        {QLatin1String("[moodle]"), TextFormat::Plain},
        {QLatin1String("[plain]"), TextFormat::Plain},
        {QLatin1String("[markdown]"), TextFormat::Plain},
    };
    if (!m_text.is(*i, u'['))
        return std::nullopt;
    for (const auto &[marker, format] : kMarkers) {
        if (*i + marker.size() <= to && m_text.mid(*i, *i + marker.size()).compare(marker, Qt::CaseInsensitive) == 0) {
            *i += marker.size();
            return format;
        }
    }
    return std::nullopt;
}

QString QuestionParser::converted(const QString &text, TextFormat format)
{
    if (format == TextFormat::Plain)
        return text;
    int images = 0;
    QString result = HtmlText::toPlain(text, &images);
    m_images += images;
    return result;
}

// The text from `from` to `to` as plain text; an answer or the feedback may start with a format
// of its own.
QString QuestionParser::plain(qsizetype from, qsizetype to, TextFormat format)
{
    from = m_text.skipSpace(from, to);
    if (const auto own = formatAt(&from, to))
        format = *own;
    return converted(m_text.mid(from, to), format);
}

void QuestionParser::parse()
{
    const qsizetype end = m_text.size();
    qsizetype i = m_text.skipSpace(0, end);
    BankQuestion question;
    question.line = m_line;
    question.categoryPath = m_category;
    if (m_text.startsWith(i, u"::")) {
        const qsizetype close = m_text.find(u"::", i + 2);
        if (close < 0) {
            m_into.error(m_line, QStringLiteral("the question's name is not closed by \"::\""));
            return;
        }
        question.name = m_text.mid(i + 2, close);
        i = m_text.skipSpace(close + 2, end);
    }
    if (const auto format = formatAt(&i, end))
        m_format = *format;

    const qsizetype open = m_text.find(u"{", i);
    const qsizetype close = m_text.find(u"}", i);
    if (open < 0 && close < 0) {
        m_into.skip(m_line, BankText::title(question.name, converted(m_text.mid(i, end), m_format)),
            QStringLiteral("description"));
        return;
    }
    if (open < 0 || (close >= 0 && close < open)) {
        m_into.error(
            lineAt(close), QStringLiteral("a \"}\" with no \"{\" before it (write \\} for a brace in a text)"));
        return;
    }
    if (close < 0) {
        m_into.error(lineAt(open), QStringLiteral("the answers' \"{\" is not closed by \"}\""));
        return;
    }
    const qsizetype secondOpen = m_text.find(u"{", close + 1);
    const qsizetype secondClose = m_text.find(u"}", close + 1);
    if (const qsizetype another = secondOpen < 0 ? secondClose
            : secondClose < 0                    ? secondOpen
                                                 : std::min(secondOpen, secondClose);
        another >= 0) {
        m_into.error(
            lineAt(another), QStringLiteral("more than one pair of braces (write \\{ and \\} for braces in a text)"));
        return;
    }

    // The answers, and the general feedback after "####".
    qsizetype answersEnd = close;
    const qsizetype feedback = m_text.find(u"####", open + 1, close);
    if (feedback >= 0) {
        answersEnd = feedback;
        question.explanation = plain(feedback + 4, m_text.trimEnd(feedback + 4, close), m_format);
    }
    const qsizetype answers = m_text.skipSpace(open + 1, answersEnd);
    const qsizetype answersTrimmedEnd = m_text.trimEnd(answers, answersEnd);

    // Text after the answers makes a missing-word question: a blank where the answers stand.
    QString text = m_text.mid(i, m_text.trimEnd(i, open));
    if (!m_text.isBlank(close + 1, end))
        text = m_text.mid(i, open) + QStringLiteral("_____") + m_text.mid(close + 1, end);
    text = converted(text, m_format);
    question.question = text;
    const QString title = BankText::title(question.name, text);

    if (answers == answersTrimmedEnd) {
        m_into.skip(m_line, title, QStringLiteral("essay"));
    } else if (m_text.is(answers, u'#')) {
        m_into.skip(m_line, title, QStringLiteral("numerical"));
    } else if (m_text.find(u"~", answers, answersTrimmedEnd) >= 0) {
        multipleChoice(open, answers, answersTrimmedEnd, std::move(question));
    } else if (m_text.find(u"=", answers, answersTrimmedEnd) >= 0
        && m_text.find(u"->", answers, answersTrimmedEnd) >= 0) {
        m_into.skip(m_line, title, QStringLiteral("matching"));
    } else {
        // True/false: T, TRUE, F or FALSE, with feedback after "#" for a wrong and a right answer.
        const qsizetype hash = m_text.find(u"#", answers, answersTrimmedEnd);
        const QString word
            = m_text.mid(answers, m_text.trimEnd(answers, hash < 0 ? answersTrimmedEnd : hash)).toUpper();
        if (word == QLatin1String("T") || word == QLatin1String("TRUE"))
            trueFalse(true, std::move(question));
        else if (word == QLatin1String("F") || word == QLatin1String("FALSE"))
            trueFalse(false, std::move(question));
        else
            m_into.skip(m_line, title, QStringLiteral("short answer"));
    }
}

void QuestionParser::trueFalse(bool right, BankQuestion question)
{
    question.a = QStringLiteral("True");
    question.b = QStringLiteral("False");
    question.correct = right ? QStringLiteral("A") : QStringLiteral("B");
    if (m_images > 0)
        m_into.warning(m_line,
            m_images == 1 ? QStringLiteral("an image was dropped")
                          : QStringLiteral("%1 images were dropped").arg(m_images));
    m_into.add(std::move(question));
}

// Answers from `from` to `to` (in the braces opened at `open`): each starts with "=" (right) or
// "~" (wrong), may carry a weight in percent ("~%50%") and ends with feedback of its own after
// "#", which VESK has no place for. A "~" with nothing after it is no answer, as the platform
// that defined GIFT reads it: "~=x" is the right answer x. Without any "=", equal weights that
// sum to 100 % ("~%50%a ~%50%b ~%-100%c") make a question of several right answers.
void QuestionParser::multipleChoice(qsizetype open, qsizetype from, qsizetype to, BankQuestion question)
{
    if (!m_text.is(from, u'=') && !m_text.is(from, u'~')) {
        m_into.error(lineAt(from), QStringLiteral("text before the first answer's \"=\" or \"~\""));
        return;
    }
    std::vector<Answer> answers;
    qsizetype at = from;
    while (at < to) {
        const bool right = m_text.is(at, u'=');
        qsizetype next = at + 1;
        while (next < to && !m_text.is(next, u'=') && !m_text.is(next, u'~'))
            ++next;
        qsizetype start = m_text.skipSpace(at + 1, next);
        if (!right && start == next) {
            at = next;
            continue;
        }
        double weight = right ? 100 : 0;
        // A weight: "%", an optional minus, digits, an optional fraction, "%".
        if (m_text.is(start, u'%')) {
            qsizetype k = start + 1;
            const bool negative = m_text.is(k, u'-');
            if (negative)
                ++k;
            const qsizetype digits = k;
            while (k < next && m_text.at(k).isDigit() && m_text.at(k).unicode() < 0x80)
                ++k;
            bool fraction = k > digits;
            if (fraction && m_text.is(k, u'.')) {
                ++k;
                const qsizetype decimals = k;
                while (k < next && m_text.at(k).isDigit() && m_text.at(k).unicode() < 0x80)
                    ++k;
                fraction = k > decimals;
            }
            if (fraction && m_text.is(k, u'%')) {
                weight = m_text.mid(digits, k).toDouble() * (negative ? -1 : 1);
                start = k + 1;
            }
        }
        const qsizetype hash = m_text.find(u"#", start, next);
        answers.push_back(
            {plain(start, m_text.trimEnd(start, hash < 0 ? next : hash), m_format), weight, lineAt(at), right});
        at = next;
    }

    const QString title = question.title();
    if (answers.size() > size_t(BankQuestion::kMaxChoices)) {
        m_into.skipTooManyChoices(m_line, title, int(answers.size()));
        return;
    }
    // With an "=" the question is answered with one choice, as the platform that defined GIFT
    // reads it; with weights alone, by every right choice.
    const bool pickOne = std::any_of(answers.begin(), answers.end(), [](const Answer &a) { return a.equals; });
    QString key;
    if (pickOne) {
        std::vector<int> full;
        std::optional<double> partial;
        for (size_t k = 0; k < answers.size(); ++k) {
            if (answers[k].weight >= 100)
                full.push_back(int(k));
            else if (answers[k].weight > 0 && !partial)
                partial = answers[k].weight;
        }
        if (partial) {
            m_into.skipPartialCredit(m_line, title,
                QStringLiteral("a choice worth %1 of the credit; a choice is right or wrong")
                    .arg(BankCollector::percent(*partial)));
            return;
        }
        if (full.size() > 1) {
            m_into.skipAnyOfSeveral(m_line, title, int(full.size()));
            return;
        }
        if (!full.empty())
            key = AnswerKey::letter(full.front());
    } else {
        std::vector<double> weights;
        for (const Answer &answer : answers)
            weights.push_back(answer.weight);
        const std::optional<QString> letters = m_into.rightLetters(m_line, title, weights);
        if (!letters)
            return;
        key = *letters;
    }
    if (key.isEmpty()) {
        m_into.error(lineAt(open), QStringLiteral("no right answer (\"=\")"));
        return;
    }
    if (answers.size() < 2) {
        m_into.error(lineAt(open), QStringLiteral("a multiple-choice question with one choice"));
        return;
    }
    for (size_t k = 0; k < answers.size(); ++k) {
        if (answers[k].text.trimmed().isEmpty()) {
            m_into.error(answers[k].line, QStringLiteral("choice %1 is empty").arg(AnswerKey::letter(int(k))));
            return;
        }
        question.choice(int(k)) = answers[k].text;
    }
    question.correct = key;
    if (m_images > 0)
        m_into.warning(m_line,
            m_images == 1 ? QStringLiteral("an image was dropped")
                          : QStringLiteral("%1 images were dropped").arg(m_images));
    m_into.add(std::move(question));
}

bool isBlank(QStringView line)
{
    return line.trimmed().isEmpty();
}
bool isComment(QStringView line)
{
    return line.trimmed().startsWith(u"//");
}

// The braces of the lines of a question so far, as the answers' markup (escapes are text).
struct Braces {
    bool open = false; // a "{" not closed yet
    int closed = 0; // pairs closed
    bool openedHere = false; // on the last line looked at
    bool closedHere = false;

    void look(QStringView line)
    {
        openedHere = closedHere = false;
        for (qsizetype i = 0; i < line.size(); ++i) {
            const QChar c = line[i];
            if (c == u'\\' && i + 1 < line.size() && QStringView(u"~=#{}:\\n").contains(line[i + 1])) {
                ++i;
            } else if (c == u'{') {
                open = openedHere = true;
            } else if (c == u'}' && open) {
                open = false;
                closedHere = true;
                ++closed;
            }
        }
    }
};
} // namespace

void read(const QString &text, BankCollector &into)
{
    const QStringView all(text);
    QStringList category;
    std::vector<Line> block;
    Braces braces;
    int closedOn = -1; // the index in `block` of the line that closed its last pair of braces
    bool broken = false; // a missing blank line that cannot be told: the block is not read
    const auto endBlock = [&] {
        size_t first = 0;
        // $CATEGORY: lines open a block (the platform writes them in one of their own).
        for (; first < block.size() && !broken; ++first) {
            const QStringView line = block[first].text.trimmed();
            if (!line.startsWith(u"$CATEGORY:"))
                break;
            category = CategoryPath::parse(line.mid(10).toString());
        }
        if (first < block.size() && !broken) {
            QString joined;
            std::vector<int> lines;
            for (size_t k = first; k < block.size(); ++k) {
                if (k > first)
                    joined += u'\n';
                joined += block[k].text;
                lines.push_back(block[k].number);
            }
            const Marked marked(joined);
            QuestionParser(marked, lines, category, into).parse();
        }
        block.clear();
        braces = Braces();
        closedOn = -1;
        broken = false;
    };
    int number = 0;
    for (const QStringView line : all.split(u'\n')) {
        ++number;
        if (isBlank(line)) {
            endBlock();
            continue;
        }
        if (isComment(line))
            continue;
        // A question whose answers are closed, and no blank line after it: a line that names a
        // question or a category, or one that opens answers right after that line, starts the
        // next item, as the platform that defined GIFT reads it. Lines of text between them
        // could end the one question as well as start the next: that cannot be told.
        if (!block.empty() && braces.closed > 0 && !braces.open) {
            const QStringView trimmed = line.trimmed();
            Braces next;
            next.look(line);
            if (trimmed.startsWith(u"::") || trimmed.startsWith(u"$CATEGORY:")
                || (next.openedHere && closedOn == int(block.size()) - 1)) {
                endBlock();
            } else if (next.openedHere && !broken) {
                const Line &after = block[size_t(closedOn) + 1];
                into.error(after.number,
                    QStringLiteral("a blank line is missing before this line: the question of line %1 ends "
                                   "with its answers on line %2")
                        .arg(block.front().number)
                        .arg(block[size_t(closedOn)].number));
                broken = true;
            }
        }
        block.push_back({number, line});
        braces.look(line);
        if (braces.closedHere)
            closedOn = int(block.size()) - 1;
    }
    endBlock();
}

} // namespace GiftReader
