#include "bank/QuestionBank.h"

#include <QFileInfo>
#include <QRegularExpression>

#include "bank/AikenReader.h"
#include "bank/AikenWriter.h"
#include "bank/BankCollector.h"
#include "bank/BankText.h"
#include "bank/CsvReader.h"
#include "bank/CsvWriter.h"
#include "bank/GiftReader.h"
#include "bank/GiftWriter.h"
#include "bank/JsonReader.h"
#include "bank/JsonWriter.h"
#include "bank/MoodleXmlReader.h"
#include "bank/MoodleXmlWriter.h"

namespace QuestionBank {

namespace {
// How much of a file detection looks at: enough for a header and a few questions.
constexpr qsizetype kSniffBytes = 64 * 1024;

std::optional<Format> fromExtension(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("gift"))
        return Format::Gift;
    if (suffix == QLatin1String("aiken"))
        return Format::Aiken;
    if (suffix == QLatin1String("xml"))
        return Format::MoodleXml;
    if (suffix == QLatin1String("csv"))
        return Format::Csv;
    if (suffix == QLatin1String("json"))
        return Format::Json;
    return std::nullopt; // .txt is GIFT as often as Aiken
}
} // namespace

std::optional<Format> detect(const QByteArray &bytes, const QString &fileName)
{
    QByteArray head = bytes.left(kSniffBytes);
    if (head.startsWith("\xEF\xBB\xBF"))
        head.remove(0, 3);
    const QString text
        = QString::fromUtf8(head).replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    static const QRegularExpression json(QStringLiteral("^\\s*\\[\\s*(\\{|\\]|$)"));
    static const QRegularExpression xml(QStringLiteral("^\\s*<(\\?xml|quiz|!--)"));
    static const QRegularExpression csv(
        QStringLiteral("^\"?category\"?\\s*,\\s*\"?question\"?\\s*,"), QRegularExpression::CaseInsensitiveOption);
    if (json.match(text).hasMatch())
        return Format::Json;
    if (xml.match(text).hasMatch())
        return Format::MoodleXml;
    if (csv.match(text).hasMatch())
        return Format::Csv;

    // GIFT and Aiken are both lines of text: count what only each of them writes.
    static const QRegularExpression aikenAnswer(QStringLiteral("^[ \\t]*ANSWER:[ \\t]*[A-Za-z][ \\t]*$"));
    static const QRegularExpression giftMarkup(QStringLiteral("^[ \\t]*(::|\\$CATEGORY:|//)|(?<!\\\\)\\}"));
    int aiken = 0, gift = 0;
    for (const QStringView line : QStringView(text).split(u'\n')) {
        if (aikenAnswer.match(line).hasMatch())
            ++aiken;
        else if (giftMarkup.match(line).hasMatch())
            ++gift;
    }
    if (aiken > gift)
        return Format::Aiken;
    if (gift > aiken)
        return Format::Gift;
    return fromExtension(fileName);
}

BankReadResult read(const QByteArray &bytes, Format format)
{
    BankCollector collector;
    QString error;
    const std::optional<QString> text = BankText::decode(bytes, &error);
    if (!text) {
        BankReadResult refused;
        refused.errors.append(error);
        return refused;
    }
    switch (format) {
    case Format::Gift:
        GiftReader::read(*text, collector);
        break;
    case Format::Aiken:
        AikenReader::read(*text, collector);
        break;
    case Format::MoodleXml:
        MoodleXmlReader::read(*text, collector);
        break;
    case Format::Csv:
        CsvReader::read(*text, collector);
        break;
    case Format::Json:
        JsonReader::read(bytes, collector);
        break;
    }
    return collector.take();
}

QByteArray write(const std::vector<BankQuestion> &questions, Format format)
{
    switch (format) {
    case Format::Gift:
        return GiftWriter::write(questions);
    case Format::Aiken:
        return AikenWriter::write(questions);
    case Format::MoodleXml:
        return MoodleXmlWriter::write(questions);
    case Format::Csv:
        return CsvWriter::write(questions);
    case Format::Json:
        return JsonWriter::write(questions);
    }
    return QByteArray();
}

QString formatName(Format format)
{
    switch (format) {
    case Format::Gift:
        return QStringLiteral("GIFT");
    case Format::Aiken:
        return QStringLiteral("Aiken");
    case Format::MoodleXml:
        return QStringLiteral("Moodle XML");
    case Format::Csv:
        return QStringLiteral("CSV");
    case Format::Json:
        return QStringLiteral("JSON");
    }
    return QString();
}

std::optional<Format> formatFromName(const QString &name)
{
    const QString key = name.trimmed().toLower().remove(u' ').remove(u'-');
    if (key == QLatin1String("gift"))
        return Format::Gift;
    if (key == QLatin1String("aiken"))
        return Format::Aiken;
    if (key == QLatin1String("moodlexml") || key == QLatin1String("moodle") || key == QLatin1String("xml"))
        return Format::MoodleXml;
    if (key == QLatin1String("csv"))
        return Format::Csv;
    if (key == QLatin1String("json"))
        return Format::Json;
    return std::nullopt;
}

QString fileExtension(Format format)
{
    switch (format) {
    case Format::Gift:
        return QStringLiteral("gift");
    case Format::Aiken:
        return QStringLiteral("txt");
    case Format::MoodleXml:
        return QStringLiteral("xml");
    case Format::Csv:
        return QStringLiteral("csv");
    case Format::Json:
        return QStringLiteral("json");
    }
    return QString();
}

QString fileFilter(Format format)
{
    const QString patterns
        = format == Format::Gift ? QStringLiteral("*.gift *.txt") : QStringLiteral("*.") + fileExtension(format);
    return QStringLiteral("%1 (%2)").arg(formatName(format), patterns);
}

QStringList fileFilters()
{
    QStringList filters{QStringLiteral("Question banks (*.gift *.txt *.xml *.csv *.json)")};
    for (const Format format : kFormats)
        filters.append(fileFilter(format));
    filters.append(QStringLiteral("All files (*)"));
    return filters;
}

QString normalisedText(const QString &text)
{
    return text.normalized(QString::NormalizationForm_C).toCaseFolded().simplified();
}

QString skippedReport(const std::map<QString, int> &skippedByKind)
{
    QStringList parts;
    for (const auto &[kind, count] : skippedByKind) {
        if (count > 0)
            parts.append(QStringLiteral("%1 %2").arg(count).arg(kind));
    }
    return parts.isEmpty() ? QString() : QStringLiteral("skipped: ") + parts.join(QLatin1String(", "));
}

} // namespace QuestionBank
