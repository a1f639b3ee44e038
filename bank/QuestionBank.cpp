#include "bank/QuestionBank.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

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
    if (suffix == QLatin1String("aiken") || suffix == QLatin1String("txt"))
        return Format::Aiken; // a .txt of GIFT has GIFT's markup: only a .txt of neither gets here
    if (suffix == QLatin1String("xml"))
        return Format::MoodleXml;
    if (suffix == QLatin1String("csv"))
        return Format::Csv;
    if (suffix == QLatin1String("json"))
        return Format::Json;
    return std::nullopt;
}

// UTF-16 as a file's start shows it: its byte-order mark, or "<" of an XML document written
// without one. None for anything else.
std::optional<QStringDecoder::Encoding> utf16Of(const QByteArray &bytes)
{
    if (bytes.startsWith(QByteArray("\xFF\xFE\0\0", 4)))
        return std::nullopt; // UTF-32
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith(QByteArray("<\0", 2)))
        return QStringDecoder::Utf16LE;
    if (bytes.startsWith("\xFE\xFF") || bytes.startsWith(QByteArray("\0<", 2)))
        return QStringDecoder::Utf16BE;
    return std::nullopt;
}

// Whether an XML document is in an encoding of its own that the XML reader must decode: UTF-16,
// or another encoding its declaration names (ISO-8859-1, windows-1252...). UTF-8 is read as
// every bank is, so that its faults are told alike.
bool decodesItself(const QByteArray &bytes)
{
    if (utf16Of(bytes))
        return true;
    QByteArray start = bytes.left(512);
    if (start.startsWith("\xEF\xBB\xBF"))
        start.remove(0, 3);
    static const QRegularExpression declared(
        QStringLiteral("^\\s*<\\?xml\\s[^>]*?\\bencoding\\s*=\\s*[\"']([^\"']*)[\"']"));
    const QRegularExpressionMatch m = declared.match(QString::fromLatin1(start));
    if (!m.hasMatch())
        return false;
    const QString encoding = m.captured(1).trimmed().toLower();
    return encoding != QLatin1String("utf-8") && encoding != QLatin1String("utf8");
}

// Where the content proper starts: past blank lines, XML processing instructions
// (<?xml ...?>, <?latexml ...?>), XML comments and GIFT's "//" comment lines, which a file of
// several formats may start with. `xml` tells whether XML's own were among them.
qsizetype contentStart(const QString &text, bool *xml)
{
    qsizetype at = 0;
    *xml = false;
    for (;;) {
        while (at < text.size() && text[at].isSpace())
            ++at;
        const QStringView rest = QStringView(text).mid(at);
        qsizetype end = -1;
        if (rest.startsWith(u"<?")) {
            end = rest.indexOf(u"?>");
            end = end < 0 ? -1 : end + 2;
            *xml = *xml || end >= 0;
        } else if (rest.startsWith(u"<!--")) {
            end = rest.indexOf(u"-->");
            end = end < 0 ? -1 : end + 3;
            *xml = *xml || end >= 0;
        } else if (rest.startsWith(u"//")) {
            end = rest.indexOf(u'\n');
            end = end < 0 ? rest.size() : end;
        }
        if (end < 0)
            return at;
        at += end;
    }
}
} // namespace

std::optional<Format> detect(const QByteArray &bytes, const QString &fileName)
{
    const QByteArray head = bytes.left(kSniffBytes);
    QString text;
    if (const std::optional<QStringDecoder::Encoding> utf16 = utf16Of(head)) {
        QStringDecoder decoder(*utf16);
        text = decoder(head);
    } else {
        text = QString::fromUtf8(head);
    }
    if (text.startsWith(u'\uFEFF'))
        text.remove(0, 1);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');

    bool xmlMarkup = false;
    const QString content = text.mid(contentStart(text, &xmlMarkup));
    static const QRegularExpression json(QStringLiteral("^\\[\\s*(\\{|\\]|$)"));
    static const QRegularExpression csv(
        QStringLiteral("^\"?category\"?\\s*,\\s*\"?question\"?\\s*,"), QRegularExpression::CaseInsensitiveOption);
    if (json.match(content).hasMatch())
        return Format::Json;
    if (content.startsWith(QLatin1String("<quiz")) || (xmlMarkup && (content.isEmpty() || content.startsWith(u'<'))))
        return Format::MoodleXml;
    if (csv.match(content).hasMatch())
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
    if (format == Format::MoodleXml && decodesItself(bytes)) {
        MoodleXmlReader::read(bytes, collector);
        return collector.take();
    }
    QString error;
    const std::optional<QByteArray> utf8 = BankText::asUtf8(bytes, &error);
    const std::optional<QString> text = utf8 ? BankText::decode(*utf8, &error) : std::nullopt;
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
        JsonReader::read(*utf8, collector);
        break;
    }
    return collector.take();
}

QByteArray write(const std::vector<BankQuestion> &questions, Format format, QStringList *warnings)
{
    switch (format) {
    case Format::Gift:
        return GiftWriter::write(questions);
    case Format::Aiken:
        return AikenWriter::write(questions, warnings);
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
