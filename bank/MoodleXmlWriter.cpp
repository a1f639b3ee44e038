#include "bank/MoodleXmlWriter.h"

#include <QString>
#include <QStringList>
#include <QXmlStreamWriter>

#include "bank/BankIds.h"
#include "bank/BankQuestion.h"
#include "bank/CategoryPath.h"
#include "data/AnswerKey.h"

namespace MoodleXmlWriter {

namespace {
void textElement(QXmlStreamWriter &xml, const QString &element, const QString &text, const QString &format = QString())
{
    xml.writeStartElement(element);
    if (!format.isEmpty())
        xml.writeAttribute(QStringLiteral("format"), format);
    xml.writeTextElement(QStringLiteral("text"), text);
    xml.writeEndElement();
}

void answer(QXmlStreamWriter &xml, const QString &fraction, const QString &text, const QString &format)
{
    xml.writeStartElement(QStringLiteral("answer"));
    xml.writeAttribute(QStringLiteral("fraction"), fraction);
    xml.writeAttribute(QStringLiteral("format"), format);
    xml.writeTextElement(QStringLiteral("text"), text);
    textElement(xml, QStringLiteral("feedback"), QString(), format);
    xml.writeEndElement();
}
} // namespace

QByteArray write(const std::vector<BankQuestion> &questions)
{
    const QString plainText = QStringLiteral("plain_text");
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(2);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("quiz"));
    QStringList category;
    for (const BankQuestion &q : questions) {
        if (q.categoryPath != category) {
            category = q.categoryPath;
            xml.writeStartElement(QStringLiteral("question"));
            xml.writeAttribute(QStringLiteral("type"), QStringLiteral("category"));
            textElement(xml, QStringLiteral("category"), CategoryPath::format(category));
            xml.writeEndElement();
        }
        const bool trueFalse = q.isTrueFalse();
        xml.writeStartElement(QStringLiteral("question"));
        xml.writeAttribute(
            QStringLiteral("type"), trueFalse ? QStringLiteral("truefalse") : QStringLiteral("multichoice"));
        textElement(xml, QStringLiteral("name"), q.id.isEmpty() ? BankIds::fromText(q.question) : q.id);
        textElement(xml, QStringLiteral("questiontext"), q.question, plainText);
        textElement(xml, QStringLiteral("generalfeedback"), q.explanation, plainText);
        xml.writeTextElement(QStringLiteral("defaultgrade"), QStringLiteral("1"));
        xml.writeTextElement(QStringLiteral("hidden"), QStringLiteral("0"));
        const QString none = QStringLiteral("0");
        if (trueFalse) {
            const QString full = QStringLiteral("100");
            answer(xml, q.correct == QLatin1String("A") ? full : none, QStringLiteral("true"), plainText);
            answer(xml, q.correct == QLatin1String("B") ? full : none, QStringLiteral("false"), plainText);
        } else {
            // Several right answers: any of the choices may be chosen, each right one an equal share.
            const bool several = q.hasSeveralAnswers();
            const QString share = AnswerKey::share(int(q.correct.size()));
            xml.writeTextElement(QStringLiteral("single"), several ? QStringLiteral("false") : QStringLiteral("true"));
            // The letters mean something ("both A and B"): the choices keep their places.
            xml.writeTextElement(QStringLiteral("shuffleanswers"), QStringLiteral("0"));
            xml.writeTextElement(QStringLiteral("answernumbering"), QStringLiteral("ABCD"));
            for (int i = 0; i < q.choiceCount(); ++i)
                answer(xml, q.correct.contains(AnswerKey::letter(i)) ? share : none, q.choice(i), plainText);
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}

} // namespace MoodleXmlWriter
