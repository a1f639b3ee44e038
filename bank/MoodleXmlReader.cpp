#include "bank/MoodleXmlReader.h"

#include <optional>
#include <utility>
#include <vector>

#include <QHash>
#include <QStringList>
#include <QXmlStreamReader>

#include "bank/BankCollector.h"
#include "bank/BankQuestion.h"
#include "bank/BankText.h"
#include "bank/CategoryPath.h"
#include "bank/HtmlText.h"
#include "data/AnswerKey.h"

namespace MoodleXmlReader {

namespace {
struct Text {
    QString text;
    QString format;
};

struct Answer {
    Text text;
    QString fraction;
    int line = 0;
};

// A <question> element as read, before its type decides what it is.
struct Element {
    int line = 0;
    QString type;
    Text name, questionText, generalFeedback, category;
    std::vector<Answer> answers;
    QString single;
};

// The kind of skipped question each type of the platform is counted as; another type counts as
// itself.
QString kindOf(const QString &type)
{
    static const QHash<QString, QString> kinds{
        {QStringLiteral("essay"), QStringLiteral("essay")},
        {QStringLiteral("matching"), QStringLiteral("matching")},
        {QStringLiteral("randomsamatch"), QStringLiteral("matching")},
        {QStringLiteral("shortanswer"), QStringLiteral("short answer")},
        {QStringLiteral("numerical"), QStringLiteral("numerical")},
        {QStringLiteral("cloze"), QStringLiteral("cloze")},
        {QStringLiteral("multianswer"), QStringLiteral("cloze")},
        {QStringLiteral("description"), QStringLiteral("description")},
    };
    return kinds.value(type, type);
}

class Reader final {
public:
    Reader(const QString &text, BankCollector &into)
        : m_xml(text)
        , m_into(into)
    {
    }
    // Bytes in the encoding the document declares, which the XML reader decodes.
    Reader(const QByteArray &bytes, BankCollector &into)
        : m_xml(bytes)
        , m_into(into)
    {
    }

    void read();

private:
    void readQuiz();
    void readQuestion();
    Text readText(const QString &defaultFormat = QString());
    void take(const Element &element);
    QString plain(const Text &text, const QString &defaultFormat);
    QString titleOf(const Element &element) const;
    void multipleChoice(const Element &element, BankQuestion question);
    void trueFalse(const Element &element, BankQuestion question);
    void addWithWarnings(BankQuestion question);

    QXmlStreamReader m_xml;
    BankCollector &m_into;
    QStringList m_category;
    int m_images = 0;
};

void Reader::read()
{
    while (!m_xml.atEnd()) {
        m_xml.readNext();
        if (m_xml.isDTD()) {
            m_into.error(
                int(m_xml.lineNumber()), QStringLiteral("a document type declaration, which banks do not have"));
            return;
        }
        if (m_xml.isStartElement()) {
            if (m_xml.name() != QLatin1String("quiz")) {
                m_into.error(int(m_xml.lineNumber()),
                    QStringLiteral("the document is a <%1>, not a <quiz>").arg(m_xml.name().left(40)));
                return;
            }
            readQuiz();
        }
    }
    if (m_xml.hasError())
        m_into.error(int(m_xml.lineNumber()),
            QStringLiteral("not well-formed XML: %1").arg(BankText::singleLine(m_xml.errorString())));
}

void Reader::readQuiz()
{
    while (m_xml.readNextStartElement()) {
        if (m_xml.name() == QLatin1String("question"))
            readQuestion();
        else
            m_xml.skipCurrentElement();
    }
}

// The <text> child of the current element, in the format the element names.
Text Reader::readText(const QString &defaultFormat)
{
    Text text;
    text.format = m_xml.attributes().hasAttribute(QLatin1String("format"))
        ? m_xml.attributes().value(QLatin1String("format")).toString()
        : defaultFormat;
    while (m_xml.readNextStartElement()) {
        if (m_xml.name() == QLatin1String("text"))
            text.text = m_xml.readElementText(QXmlStreamReader::IncludeChildElements);
        else
            m_xml.skipCurrentElement(); // <file>, <feedback>: nothing VESK keeps
    }
    return text;
}

void Reader::readQuestion()
{
    Element element;
    element.line = int(m_xml.lineNumber());
    element.type = m_xml.attributes().value(QLatin1String("type")).toString();
    while (m_xml.readNextStartElement()) {
        const QStringView name = m_xml.name();
        if (name == QLatin1String("name")) {
            element.name = readText();
        } else if (name == QLatin1String("questiontext")) {
            element.questionText = readText(QStringLiteral("html"));
        } else if (name == QLatin1String("generalfeedback")) {
            element.generalFeedback = readText();
        } else if (name == QLatin1String("category")) {
            element.category = readText();
        } else if (name == QLatin1String("answer")) {
            Answer answer;
            answer.line = int(m_xml.lineNumber());
            answer.fraction = m_xml.attributes().value(QLatin1String("fraction")).toString();
            answer.text = readText();
            element.answers.push_back(std::move(answer));
        } else if (name == QLatin1String("single")) {
            element.single = m_xml.readElementText(QXmlStreamReader::IncludeChildElements);
        } else {
            m_xml.skipCurrentElement();
        }
    }
    if (!m_xml.hasError())
        take(element);
}

// A text made plain as its format says; a part with no format of its own (an answer, the
// feedback) has the question text's.
QString Reader::plain(const Text &text, const QString &defaultFormat)
{
    const QString format = text.format.isEmpty() ? defaultFormat : text.format;
    if (format.compare(QLatin1String("html"), Qt::CaseInsensitive) != 0)
        return text.text;
    int images = 0;
    QString result = HtmlText::toPlain(text.text, &images);
    m_images += images;
    return result;
}

// How a message names a question: its name, else the start of its text.
QString Reader::titleOf(const Element &element) const
{
    const Text &text = element.questionText;
    const bool html = text.format.isEmpty() || text.format.compare(QLatin1String("html"), Qt::CaseInsensitive) == 0;
    return BankText::title(element.name.text, html ? HtmlText::toPlain(text.text, nullptr) : text.text);
}

void Reader::take(const Element &element)
{
    if (element.type == QLatin1String("category")) {
        m_category = CategoryPath::parse(element.category.text);
        return;
    }
    if (element.type.isEmpty()) {
        m_into.error(element.line, QStringLiteral("a question without a type"));
        return;
    }
    if (element.type != QLatin1String("multichoice") && element.type != QLatin1String("multichoiceset")
        && element.type != QLatin1String("truefalse")) {
        m_into.skip(element.line, titleOf(element), kindOf(element.type));
        return;
    }
    m_images = 0;
    const QString format = element.questionText.format;
    BankQuestion question;
    question.line = element.line;
    question.name = element.name.text;
    question.categoryPath = m_category;
    question.question = plain(element.questionText, format);
    question.explanation = plain(element.generalFeedback, format);
    if (element.type == QLatin1String("truefalse"))
        trueFalse(element, std::move(question));
    else
        multipleChoice(element, std::move(question));
}

void Reader::multipleChoice(const Element &element, BankQuestion question)
{
    std::vector<double> fractions;
    for (size_t k = 0; k < element.answers.size(); ++k) {
        bool number = false;
        fractions.push_back(element.answers[k].fraction.trimmed().toDouble(&number));
        if (!number) {
            m_into.error(element.answers[k].line,
                QStringLiteral("answer %1's fraction \"%2\" is not a number")
                    .arg(k + 1)
                    .arg(BankText::quoted(element.answers[k].fraction)));
            return;
        }
    }
    const QString title = titleOf(element);
    if (element.answers.size() > size_t(BankQuestion::kMaxChoices)) {
        m_into.skipTooManyChoices(element.line, title, int(element.answers.size()));
        return;
    }
    const QString single = element.single.trimmed().toLower();
    QString key;
    if (element.type == QLatin1String("multichoiceset")) {
        // All or nothing by its kind: every choice of a positive fraction is right.
        for (size_t k = 0; k < fractions.size(); ++k) {
            if (fractions[k] > 0)
                key += AnswerKey::letter(int(k));
        }
    } else if (single == QLatin1String("false") || single == QLatin1String("0")) {
        const std::optional<QString> letters = m_into.rightLetters(element.line, title, fractions);
        if (!letters)
            return;
        key = *letters;
    } else {
        // One choice to pick: one of fraction 100, no share of the credit for another.
        std::vector<int> full;
        std::optional<double> partial;
        for (size_t k = 0; k < fractions.size(); ++k) {
            if (fractions[k] >= 100)
                full.push_back(int(k));
            else if (fractions[k] > 0 && !partial)
                partial = fractions[k];
        }
        if (partial) {
            m_into.skipPartialCredit(element.line, title,
                QStringLiteral("a choice worth %1 of the credit; a choice is right or wrong")
                    .arg(BankCollector::percent(*partial)));
            return;
        }
        if (full.size() > 1) {
            m_into.skipAnyOfSeveral(element.line, title, int(full.size()));
            return;
        }
        if (!full.empty())
            key = AnswerKey::letter(full.front());
    }
    if (key.isEmpty()) {
        m_into.error(element.line, QStringLiteral("no right answer (fraction 100)"));
        return;
    }
    if (element.answers.size() < 2) {
        m_into.error(element.line, QStringLiteral("a multiple-choice question with one choice"));
        return;
    }
    for (size_t k = 0; k < element.answers.size(); ++k) {
        QString &choice = question.choice(int(k));
        choice = plain(element.answers[k].text, element.questionText.format);
        if (choice.trimmed().isEmpty()) {
            m_into.error(element.answers[k].line, QStringLiteral("choice %1 is empty").arg(AnswerKey::letter(int(k))));
            return;
        }
    }
    question.correct = key;
    addWithWarnings(std::move(question));
}

void Reader::trueFalse(const Element &element, BankQuestion question)
{
    QString right;
    int rightLine = element.line;
    for (const Answer &answer : element.answers) {
        bool number = false;
        if (answer.fraction.trimmed().toDouble(&number) >= 100 && number) {
            right = plain(answer.text, element.questionText.format).trimmed().toLower();
            rightLine = answer.line;
        }
    }
    if (right != QLatin1String("true") && right != QLatin1String("false")) {
        m_into.error(rightLine,
            QStringLiteral("a true/false question whose right answer (fraction 100) is "
                           "neither \"true\" nor \"false\""));
        return;
    }
    question.a = QStringLiteral("True");
    question.b = QStringLiteral("False");
    question.correct = right == QLatin1String("true") ? QStringLiteral("A") : QStringLiteral("B");
    addWithWarnings(std::move(question));
}

void Reader::addWithWarnings(BankQuestion question)
{
    if (m_images > 0)
        m_into.warning(question.line,
            m_images == 1 ? QStringLiteral("an image was dropped")
                          : QStringLiteral("%1 images were dropped").arg(m_images));
    m_into.add(std::move(question));
}
} // namespace

void read(const QString &text, BankCollector &into)
{
    Reader(text, into).read();
}

void read(const QByteArray &bytes, BankCollector &into)
{
    Reader(bytes, into).read();
}

} // namespace MoodleXmlReader
