#include "bank/BankText.h"

#include <algorithm>

#include <QStringDecoder>
#include <QStringList>

#include "data/Utf8.h"

namespace BankText {

namespace {
QString codePoint(char32_t c)
{
    return QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
}

QString atLine(int line, const QString &what)
{
    return QStringLiteral("line %1: %2").arg(line).arg(what);
}

// Whether cleaned() would give `text` back as it is.
bool isClean(QStringView text)
{
    if (text.isEmpty())
        return true;
    if (text.front().isSpace() || text.back().isSpace())
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\n') {
            if (text[i - 1].isSpace() && !(text[i - 1] == u'\n' && text[i - 2] != u'\n'))
                return false; // white space ending a line, or a second blank line
        } else if (c == u'\uFEFF' || c == u'\uFFFE' || c == u'\uFFFF' || isControl(c.unicode())) {
            return false;
        }
    }
    return true;
}
} // namespace

std::optional<QByteArray> asUtf8(const QByteArray &bytes, QString *error)
{
    const auto refuse = [&](int line, const QString &what) {
        if (error)
            *error = atLine(line, what);
        return std::nullopt;
    };
    // UTF-32's little-endian mark starts like UTF-16's: told apart first.
    if (bytes.startsWith(QByteArray("\xFF\xFE\0\0", 4)) || bytes.startsWith(QByteArray("\0\0\xFE\xFF", 4)))
        return refuse(1, QStringLiteral("UTF-32 text; save the file as UTF-8"));
    const bool little = bytes.startsWith("\xFF\xFE");
    if (!little && !bytes.startsWith("\xFE\xFF"))
        return bytes;
    QStringDecoder decoder(little ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
    const QString text = decoder(QByteArrayView(bytes).sliced(2));
    // The line of a fault: line breaks before it, CRLF counted once.
    const auto lineBefore = [&](qsizetype end) {
        int line = 1;
        for (qsizetype i = 0; i < end; ++i) {
            if (text[i] == u'\n' || (text[i] == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n')))
                ++line;
        }
        return line;
    };
    if (bytes.size() % 2 != 0)
        return refuse(lineBefore(text.size()),
            QStringLiteral("UTF-16 text cut short (an odd number of bytes); "
                           "save the file as UTF-8"));
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
        } else if (text[i].isSurrogate()) {
            return refuse(lineBefore(i),
                QStringLiteral("not UTF-16 text (half a surrogate pair, %1); save the file as UTF-8")
                    .arg(codePoint(text[i].unicode())));
        }
    }
    return text.toUtf8();
}

std::optional<QString> decode(const QByteArray &original, QString *error)
{
    const std::optional<QByteArray> utf8 = asUtf8(original, error);
    if (!utf8)
        return std::nullopt;
    const QByteArray &bytes = *utf8;
    const auto *const begin = reinterpret_cast<const unsigned char *>(bytes.constData());
    const auto *const end = begin + bytes.size();
    const auto *at = begin;
    const auto refuse = [&](int line, const QString &what) {
        if (error)
            *error = atLine(line, what);
        return std::nullopt;
    };
    if (bytes.startsWith("\xEF\xBB\xBF"))
        at += 3;

    // Never more UTF-16 units than bytes; written in place, as a file may hold megabytes.
    QString text(end - at, Qt::Uninitialized);
    QChar *out = text.data();
    int line = 1;
    while (at < end) {
        const unsigned char lead = *at;
        if (lead < 0x80) {
            if (lead == '\r' || lead == '\n') {
                *out++ = u'\n';
                ++line;
                at += (lead == '\r' && at + 1 < end && at[1] == '\n') ? 2 : 1;
                continue;
            }
            if (lead == 0)
                return refuse(
                    line, QStringLiteral("a NUL byte: the file is not UTF-8 text (UTF-16?); save it as UTF-8"));
            if (isControl(lead) && lead != '\t')
                return refuse(line, QStringLiteral("a control character (%1)").arg(codePoint(lead)));
            *out++ = QChar(char16_t(lead)); // ASCII: the byte is the code unit
            ++at;
            continue;
        }
        char32_t c = 0;
        const int length = decodeUtf8(at, end - at, &c);
        if (length == 0)
            return refuse(line,
                QStringLiteral("not UTF-8 text (byte 0x%1); save the file as UTF-8")
                    .arg(QString::number(lead, 16).toUpper()));
        if (isControl(c))
            return refuse(line, QStringLiteral("a control character (%1)").arg(codePoint(c)));
        if (c == 0xfffe || c == 0xffff)
            return refuse(line, QStringLiteral("a character that is not text (%1)").arg(codePoint(c)));
        if (c == 0xfeff) {
            at += length; // a byte-order mark of a file pasted into this one: nothing to read
            continue;
        }
        if (c > 0xffff) {
            *out++ = QChar(char16_t(0xd800 + ((c - 0x10000) >> 10)));
            *out++ = QChar(char16_t(0xdc00 + ((c - 0x10000) & 0x3ff)));
        } else {
            *out++ = QChar(char16_t(c));
        }
        at += length;
    }
    text.truncate(out - text.constData());
    return text;
}

QString cleaned(const QString &text)
{
    if (isClean(text))
        return text; // most are: no copy
    QString flat;
    flat.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'\t')
            flat += u' ';
        else if (c == u'\uFEFF')
            continue; // a byte-order mark of a file pasted into another, shown as nothing
        else if (c == u'\uFFFE' || c == u'\uFFFF')
            flat += QChar(QChar::ReplacementCharacter); // no text: written, no file could be read back
        else if (c == u'\n' || !isControl(c.unicode()))
            flat += c;
    }
    QString result;
    result.reserve(flat.size());
    int blankLines = 0;
    for (QStringView line : QStringView(flat).split(u'\n')) {
        qsizetype length = line.size();
        while (length > 0 && line[length - 1].isSpace())
            --length;
        line = line.left(length);
        if (line.isEmpty()) {
            ++blankLines;
            continue;
        }
        if (!result.isEmpty())
            result += blankLines > 0 ? QLatin1String("\n\n") : QLatin1String("\n");
        blankLines = 0;
        result += line;
    }
    qsizetype start = 0;
    while (start < result.size() && result[start].isSpace())
        ++start;
    return result.mid(start);
}

QString singleLine(const QString &text)
{
    return cleaned(text).simplified();
}

QString quoted(const QString &text)
{
    const QString line = singleLine(text);
    qsizetype length = std::min<qsizetype>(line.size(), 40);
    if (length < line.size() && line[length - 1].isHighSurrogate())
        --length; // not half a character
    return line.left(length) + (length < line.size() ? QLatin1String("...") : QLatin1String());
}

QString title(const QString &name, const QString &text)
{
    const QString named = quoted(name);
    return named.isEmpty() ? quoted(text) : named;
}

} // namespace BankText
