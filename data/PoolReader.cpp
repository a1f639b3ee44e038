#include "data/PoolReader.h"

#include <algorithm>
#include <iterator>

#include <QLatin1String>
#include <QStringList>

#include "data/Utf8.h"

namespace {
struct Field {
    QLatin1String key;
    QLatin1String name; // in messages: the choices are A to F there, as everywhere else
    bool multiline; // the only control character a text may hold is a line break, and only here
    bool required;
    QString PoolQuestion::*member;
};

// The keys of a question, in the order messages list them. The id and the fifth and sixth choices
// may be left out, so that a file of four-choice questions reads as it always has.
const Field kFields[] = {
    {QLatin1String("id"), QLatin1String("id"), false, false, &PoolQuestion::id},
    {QLatin1String("category"), QLatin1String("category"), false, true, &PoolQuestion::category},
    {QLatin1String("question"), QLatin1String("question"), true, true, &PoolQuestion::question},
    {QLatin1String("a"), QLatin1String("A"), true, true, &PoolQuestion::a},
    {QLatin1String("b"), QLatin1String("B"), true, true, &PoolQuestion::b},
    {QLatin1String("c"), QLatin1String("C"), true, true, &PoolQuestion::c},
    {QLatin1String("d"), QLatin1String("D"), true, true, &PoolQuestion::d},
    {QLatin1String("e"), QLatin1String("E"), true, false, &PoolQuestion::e},
    {QLatin1String("f"), QLatin1String("F"), true, false, &PoolQuestion::f},
    {QLatin1String("correct"), QLatin1String("correct"), false, true, &PoolQuestion::correct},
    {QLatin1String("explanation"), QLatin1String("explanation"), true, true, &PoolQuestion::explanation},
};
constexpr size_t kFieldCount = std::size(kFields);
const unsigned kRequired = [] {
    unsigned bits = 0;
    for (size_t field = 0; field < kFieldCount; ++field)
        bits |= kFields[field].required ? 1u << field : 0u;
    return bits;
}();

bool isControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7f && c <= 0x9f);
}

QString codePoint(char32_t c)
{
    return QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
}

// What a value that is not text is, told by its first character.
QLatin1String kindOf(char first)
{
    switch (first) {
    case '{':
        return QLatin1String("an object");
    case '[':
        return QLatin1String("an array");
    case 't':
    case 'f':
        return QLatin1String("a boolean");
    case 'n':
        return QLatin1String("null");
    default:
        return QLatin1String("a number");
    }
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}
} // namespace

PoolReader::PoolReader(QByteArrayView json, const QString &source)
    : m_begin(json.data())
    , m_end(json.data() + json.size())
    , m_at(json.data())
    , m_source(source)
{
    if (json.startsWith("\xEF\xBB\xBF")) // a byte-order mark, as some editors write
        m_at += 3;
    readPool();
    if (!ok())
        m_questions.clear();
}

QString PoolReader::quoted(QStringView text)
{
    qsizetype length = std::min<qsizetype>(text.size(), kQuotedLength);
    if (length < text.size() && text[length - 1].isHighSurrogate() && text[length].isLowSurrogate())
        --length; // not half a character
    QString result(1, u'"');
    for (qsizetype i = 0; i < length; ++i) {
        const QChar c = text[i];
        const bool unpaired = (c.isHighSurrogate() && !(i + 1 < text.size() && text[i + 1].isLowSurrogate()))
            || (c.isLowSurrogate() && !(i > 0 && text[i - 1].isHighSurrogate()));
        if (c == u'\n')
            result += QLatin1String("\\n");
        else if (c == u'\t')
            result += QLatin1String("\\t");
        else if (isControl(c.unicode()) || c.category() == QChar::Other_Format || unpaired)
            result += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            result += c;
    }
    if (length < text.size())
        result += QLatin1String("...");
    return result += u'"';
}

template <typename MakeFault> void PoolReader::refuse(qsizetype number, MakeFault &&makeFault)
{
    m_errors.report(
        [&] { return QStringLiteral("%1, question %2: %3").arg(m_source, QString::number(number), makeFault()); });
}

bool PoolReader::syntaxError(const char *what)
{
    m_errors.add(QStringLiteral("%1: not valid JSON at offset %2: %3")
                     .arg(m_source, QString::number(m_at - m_begin), QLatin1String(what)));
    return false;
}

void PoolReader::readPool()
{
    skipSpace();
    if (atEnd()) {
        syntaxError("illegal value");
        return;
    }
    if (*m_at != '[') {
        if (!skipValue())
            return;
        skipSpace();
        if (!atEnd())
            syntaxError("garbage at the end of the document");
        else
            m_errors.add(QStringLiteral("%1: the pool must be a JSON array of questions").arg(m_source));
        return;
    }
    ++m_at;
    skipSpace();
    if (!atEnd() && *m_at == ']') {
        ++m_at;
    } else {
        for (qsizetype number = 1;; ++number) {
            skipSpace();
            if (atEnd()) {
                syntaxError("unterminated array");
                return;
            }
            if (*m_at == '{') {
                if (!readQuestion(number))
                    return;
            } else {
                if (!skipValue())
                    return;
                refuse(number, [] { return QStringLiteral("not a JSON object"); });
            }
            skipSpace();
            if (atEnd()) {
                syntaxError("unterminated array");
                return;
            }
            if (*m_at == ']') {
                ++m_at;
                break;
            }
            if (*m_at != ',') {
                syntaxError("missing value separator");
                return;
            }
            ++m_at;
        }
    }
    skipSpace();
    if (!atEnd())
        syntaxError("garbage at the end of the document");
}

// Reads the object at m_at as question `number` (counted from 1); false on a syntax error.
bool PoolReader::readQuestion(qsizetype number)
{
    ++m_at;
    PoolQuestion question;
    unsigned seen = 0;
    skipSpace();
    if (!atEnd() && *m_at == '}') {
        ++m_at;
    } else {
        for (;;) {
            Text key;
            if (!readName(&key))
                return false;
            skipSpace();
            if (atEnd())
                return syntaxError("unterminated object");

            size_t field = 0;
            while (field < kFieldCount && key.text != kFields[field].key)
                ++field;
            const bool known = field < kFieldCount;
            if (!known)
                refuse(number, [&] { return QStringLiteral("unknown key %1").arg(quoted(key.text)); });
            else if (seen & (1u << field))
                refuse(number, [&] { return QStringLiteral("duplicate key %1").arg(quoted(key.text)); });
            if (known)
                seen |= 1u << field;

            if (known && *m_at == '"') {
                Text value;
                if (!readString(&value, true))
                    return false;
                checkText(number, field, value);
                question.*kFields[field].member = std::move(value.text);
            } else {
                const char first = *m_at;
                if (!skipValue())
                    return false;
                if (known)
                    refuse(number, [&] {
                        return QStringLiteral("%1 must be text, found %2").arg(kFields[field].name, kindOf(first));
                    });
            }

            skipSpace();
            if (atEnd())
                return syntaxError("unterminated object");
            if (*m_at == '}') {
                ++m_at;
                break;
            }
            if (*m_at != ',')
                return syntaxError("missing value separator");
            ++m_at;
        }
    }
    if (const unsigned missing = kRequired & ~seen) {
        refuse(number, [&] {
            QStringList keys;
            for (size_t field = 0; field < kFieldCount; ++field) {
                if (missing & (1u << field))
                    keys.append(quoted(QString(kFields[field].key)));
            }
            return QStringLiteral("missing %1 %2")
                .arg(keys.size() > 1 ? QLatin1String("keys") : QLatin1String("key"), keys.join(QLatin1String(", ")));
        });
    }
    // A refused file's questions are of no use, and a file of garbage must not fill the memory.
    if (ok()) {
        question.source = QStringLiteral("%1, question %2").arg(m_source, QString::number(number));
        m_questions.push_back(std::move(question));
    }
    return true;
}

void PoolReader::checkText(qsizetype number, size_t field, const Text &value)
{
    const Field &f = kFields[field];
    if (value.rawControl >= 0) {
        refuse(number, [&] {
            return QStringLiteral("%1 holds an unescaped control character (%2)")
                .arg(f.name, codePoint(char32_t(value.rawControl)));
        });
        return;
    }
    const QString &text = value.text;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
        } else if (c.isSurrogate()) {
            refuse(number, [&] {
                return QStringLiteral("%1 holds an unpaired surrogate (%2)").arg(f.name, codePoint(c.unicode()));
            });
            return;
        } else if (isControl(c.unicode()) && !(c == u'\n' && f.multiline)) {
            refuse(number, [&] {
                return QStringLiteral("%1 holds a control character (%2)").arg(f.name, codePoint(c.unicode()));
            });
            return;
        }
    }
}

// A name and its ":" inside an object; `name` may be null where the object is only skipped.
bool PoolReader::readName(Text *name)
{
    skipSpace();
    if (atEnd())
        return syntaxError("unterminated object");
    if (*m_at != '"')
        return syntaxError("illegal value");
    Text skipped;
    if (!readString(name ? name : &skipped, false))
        return false;
    skipSpace();
    if (atEnd())
        return syntaxError("unterminated object");
    if (*m_at != ':')
        return syntaxError("missing name separator");
    ++m_at;
    return true;
}

// Reads the string at m_at. A raw control character is a syntax error unless
// `rawControlsAllowed`: in a question's text it is told as that field's fault instead.
bool PoolReader::readString(Text *text, bool rawControlsAllowed)
{
    ++m_at;
    m_buffer.clear();
    for (;;) {
        if (atEnd())
            return syntaxError("unterminated string");
        const auto byte = static_cast<unsigned char>(*m_at);
        if (byte == '"') {
            ++m_at;
            break;
        }
        if (byte == '\\') {
            if (!readEscape())
                return false;
        } else if (byte < 0x20) {
            if (!rawControlsAllowed)
                return syntaxError("unescaped control character in a string");
            if (text->rawControl < 0)
                text->rawControl = byte;
            m_buffer.push_back(byte);
            ++m_at;
        } else if (byte < 0x80) {
            m_buffer.push_back(byte);
            ++m_at;
        } else if (!readUtf8()) {
            return syntaxError("invalid UTF8 string");
        }
    }
    // As read: fromUtf16() would take a leading U+FEFF or U+FFFE for a byte-order mark, drop it
    // and even swap the bytes of the rest. An empty text allocates nothing.
    text->text = m_buffer.empty()
        ? QString()
        : QString(reinterpret_cast<const QChar *>(m_buffer.data()), qsizetype(m_buffer.size()));
    return true;
}

// The escape at m_at. A \u escape goes in as the UTF-16 unit it names, so that a pair of them
// makes one character and a lone one is found as such.
bool PoolReader::readEscape()
{
    ++m_at;
    if (atEnd())
        return syntaxError("unterminated string");
    const char escape = *m_at++;
    switch (escape) {
    case '"':
    case '\\':
    case '/':
        m_buffer.push_back(char16_t(escape));
        return true;
    case 'b':
        m_buffer.push_back(u'\b');
        return true;
    case 'f':
        m_buffer.push_back(u'\f');
        return true;
    case 'n':
        m_buffer.push_back(u'\n');
        return true;
    case 'r':
        m_buffer.push_back(u'\r');
        return true;
    case 't':
        m_buffer.push_back(u'\t');
        return true;
    case 'u':
        break;
    default:
        --m_at;
        return syntaxError("invalid escape sequence");
    }
    char16_t unit = 0;
    for (int i = 0; i < 4; ++i, ++m_at) {
        if (atEnd())
            return syntaxError("unterminated string");
        const char c = *m_at;
        const int digit = isDigit(c) ? c - '0'
            : (c >= 'a' && c <= 'f') ? c - 'a' + 10
            : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                     : -1;
        if (digit < 0)
            return syntaxError("invalid escape sequence");
        unit = char16_t(unit * 16 + digit);
    }
    m_buffer.push_back(unit);
    return true;
}

// One character of two to four bytes in well-formed UTF-8: no overlong forms, no surrogates,
// nothing past U+10FFFF.
bool PoolReader::readUtf8()
{
    char32_t c = 0;
    const int length = decodeUtf8(reinterpret_cast<const unsigned char *>(m_at), m_end - m_at, &c);
    if (length == 0)
        return false;
    if (c > 0xffff) {
        m_buffer.push_back(char16_t(0xd800 + ((c - 0x10000) >> 10)));
        m_buffer.push_back(char16_t(0xdc00 + ((c - 0x10000) & 0x3ff)));
    } else {
        m_buffer.push_back(char16_t(c));
    }
    m_at += length;
    return true;
}

// Passes over the value at m_at, whatever it holds. Nesting is kept on the heap, not the stack,
// so no depth of brackets can overflow it.
bool PoolReader::skipValue()
{
    std::u16string awaited; // the closing brackets, innermost last
    for (;;) {
        skipSpace();
        if (atEnd())
            return syntaxError(awaited.empty() ? "illegal value"
                    : awaited.back() == u']'   ? "unterminated array"
                                               : "unterminated object");
        const char first = *m_at;
        if (first == '[' || first == '{') {
            ++m_at;
            const char16_t close = first == '[' ? u']' : u'}';
            skipSpace();
            if (!atEnd() && *m_at == char(close)) {
                ++m_at;
            } else {
                awaited.push_back(close);
                if (first == '{' && !readName(nullptr))
                    return false;
                continue;
            }
        } else if (first == '"') {
            Text ignored;
            if (!readString(&ignored, false))
                return false;
        } else if (!skipScalar()) {
            return false;
        }
        // A value has ended: close what ends with it, or go on to the next one.
        for (;;) {
            if (awaited.empty())
                return true;
            skipSpace();
            if (atEnd())
                return syntaxError(awaited.back() == u']' ? "unterminated array" : "unterminated object");
            if (*m_at == char(awaited.back())) {
                ++m_at;
                awaited.pop_back();
                continue;
            }
            if (*m_at != ',')
                return syntaxError("missing value separator");
            ++m_at;
            if (awaited.back() == u'}' && !readName(nullptr))
                return false;
            break;
        }
    }
}

bool PoolReader::skipScalar()
{
    if (*m_at == '-' || isDigit(*m_at))
        return skipNumber();
    for (const QLatin1String word : {QLatin1String("true"), QLatin1String("false"), QLatin1String("null")}) {
        if (m_end - m_at >= word.size() && std::equal(word.begin(), word.end(), m_at)) {
            m_at += word.size();
            return true;
        }
    }
    return syntaxError("illegal value");
}

bool PoolReader::skipNumber()
{
    const auto digits = [&] {
        const char *const start = m_at;
        while (!atEnd() && isDigit(*m_at))
            ++m_at;
        return m_at > start;
    };
    if (*m_at == '-')
        ++m_at;
    if (!atEnd() && *m_at == '0')
        ++m_at;
    else if (!digits())
        return syntaxError("illegal number");
    if (!atEnd() && *m_at == '.') {
        ++m_at;
        if (!digits())
            return syntaxError("illegal number");
    }
    if (!atEnd() && (*m_at == 'e' || *m_at == 'E')) {
        ++m_at;
        if (!atEnd() && (*m_at == '+' || *m_at == '-'))
            ++m_at;
        if (!digits())
            return syntaxError("illegal number");
    }
    return true;
}

void PoolReader::skipSpace()
{
    while (!atEnd() && (*m_at == ' ' || *m_at == '\t' || *m_at == '\n' || *m_at == '\r'))
        ++m_at;
}
