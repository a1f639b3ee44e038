#include "bank/HtmlText.h"

#include <algorithm>

#include <QHash>
#include <QLatin1String>

#include "bank/BankText.h"

namespace HtmlText {

namespace {
struct Entity {
    const char *name;
    char32_t code;
};

// The named character references of HTML 4 and &apos;: what rich-text editors write.
constexpr Entity kEntities[] = {
    {"AElig", 198},
    {"Aacute", 193},
    {"Acirc", 194},
    {"Agrave", 192},
    {"Alpha", 913},
    {"Aring", 197},
    {"Atilde", 195},
    {"Auml", 196},
    {"Beta", 914},
    {"Ccedil", 199},
    {"Chi", 935},
    {"Dagger", 8225},
    {"Delta", 916},
    {"ETH", 208},
    {"Eacute", 201},
    {"Ecirc", 202},
    {"Egrave", 200},
    {"Epsilon", 917},
    {"Eta", 919},
    {"Euml", 203},
    {"Gamma", 915},
    {"Iacute", 205},
    {"Icirc", 206},
    {"Igrave", 204},
    {"Iota", 921},
    {"Iuml", 207},
    {"Kappa", 922},
    {"Lambda", 923},
    {"Mu", 924},
    {"Ntilde", 209},
    {"Nu", 925},
    {"OElig", 338},
    {"Oacute", 211},
    {"Ocirc", 212},
    {"Ograve", 210},
    {"Omega", 937},
    {"Omicron", 927},
    {"Oslash", 216},
    {"Otilde", 213},
    {"Ouml", 214},
    {"Phi", 934},
    {"Pi", 928},
    {"Prime", 8243},
    {"Psi", 936},
    {"Rho", 929},
    {"Scaron", 352},
    {"Sigma", 931},
    {"THORN", 222},
    {"Tau", 932},
    {"Theta", 920},
    {"Uacute", 218},
    {"Ucirc", 219},
    {"Ugrave", 217},
    {"Upsilon", 933},
    {"Uuml", 220},
    {"Xi", 926},
    {"Yacute", 221},
    {"Yuml", 376},
    {"Zeta", 918},
    {"aacute", 225},
    {"acirc", 226},
    {"acute", 180},
    {"aelig", 230},
    {"agrave", 224},
    {"alefsym", 8501},
    {"alpha", 945},
    {"amp", 38},
    {"and", 8743},
    {"ang", 8736},
    {"apos", 39},
    {"aring", 229},
    {"asymp", 8776},
    {"atilde", 227},
    {"auml", 228},
    {"bdquo", 8222},
    {"beta", 946},
    {"brvbar", 166},
    {"bull", 8226},
    {"cap", 8745},
    {"ccedil", 231},
    {"cedil", 184},
    {"cent", 162},
    {"chi", 967},
    {"circ", 710},
    {"clubs", 9827},
    {"cong", 8773},
    {"copy", 169},
    {"crarr", 8629},
    {"cup", 8746},
    {"curren", 164},
    {"dArr", 8659},
    {"dagger", 8224},
    {"darr", 8595},
    {"deg", 176},
    {"delta", 948},
    {"diams", 9830},
    {"divide", 247},
    {"eacute", 233},
    {"ecirc", 234},
    {"egrave", 232},
    {"empty", 8709},
    {"emsp", 8195},
    {"ensp", 8194},
    {"epsilon", 949},
    {"equiv", 8801},
    {"eta", 951},
    {"eth", 240},
    {"euml", 235},
    {"euro", 8364},
    {"exist", 8707},
    {"fnof", 402},
    {"forall", 8704},
    {"frac12", 189},
    {"frac14", 188},
    {"frac34", 190},
    {"frasl", 8260},
    {"gamma", 947},
    {"ge", 8805},
    {"gt", 62},
    {"hArr", 8660},
    {"harr", 8596},
    {"hearts", 9829},
    {"hellip", 8230},
    {"iacute", 237},
    {"icirc", 238},
    {"iexcl", 161},
    {"igrave", 236},
    {"image", 8465},
    {"infin", 8734},
    {"int", 8747},
    {"iota", 953},
    {"iquest", 191},
    {"isin", 8712},
    {"iuml", 239},
    {"kappa", 954},
    {"lArr", 8656},
    {"lambda", 955},
    {"lang", 9001},
    {"laquo", 171},
    {"larr", 8592},
    {"lceil", 8968},
    {"ldquo", 8220},
    {"le", 8804},
    {"lfloor", 8970},
    {"lowast", 8727},
    {"loz", 9674},
    {"lrm", 8206},
    {"lsaquo", 8249},
    {"lsquo", 8216},
    {"lt", 60},
    {"macr", 175},
    {"mdash", 8212},
    {"micro", 181},
    {"middot", 183},
    {"minus", 8722},
    {"mu", 956},
    {"nabla", 8711},
    {"nbsp", 160},
    {"ndash", 8211},
    {"ne", 8800},
    {"ni", 8715},
    {"not", 172},
    {"notin", 8713},
    {"nsub", 8836},
    {"ntilde", 241},
    {"nu", 957},
    {"oacute", 243},
    {"ocirc", 244},
    {"oelig", 339},
    {"ograve", 242},
    {"oline", 8254},
    {"omega", 969},
    {"omicron", 959},
    {"oplus", 8853},
    {"or", 8744},
    {"ordf", 170},
    {"ordm", 186},
    {"oslash", 248},
    {"otilde", 245},
    {"otimes", 8855},
    {"ouml", 246},
    {"para", 182},
    {"part", 8706},
    {"permil", 8240},
    {"perp", 8869},
    {"phi", 966},
    {"pi", 960},
    {"piv", 982},
    {"plusmn", 177},
    {"pound", 163},
    {"prime", 8242},
    {"prod", 8719},
    {"prop", 8733},
    {"psi", 968},
    {"quot", 34},
    {"rArr", 8658},
    {"radic", 8730},
    {"rang", 9002},
    {"raquo", 187},
    {"rarr", 8594},
    {"rceil", 8969},
    {"rdquo", 8221},
    {"real", 8476},
    {"reg", 174},
    {"rfloor", 8971},
    {"rho", 961},
    {"rlm", 8207},
    {"rsaquo", 8250},
    {"rsquo", 8217},
    {"sbquo", 8218},
    {"scaron", 353},
    {"sdot", 8901},
    {"sect", 167},
    {"shy", 173},
    {"sigma", 963},
    {"sigmaf", 962},
    {"sim", 8764},
    {"spades", 9824},
    {"sub", 8834},
    {"sube", 8838},
    {"sum", 8721},
    {"sup", 8835},
    {"sup1", 185},
    {"sup2", 178},
    {"sup3", 179},
    {"supe", 8839},
    {"szlig", 223},
    {"tau", 964},
    {"there4", 8756},
    {"theta", 952},
    {"thetasym", 977},
    {"thinsp", 8201},
    {"thorn", 254},
    {"tilde", 732},
    {"times", 215},
    {"trade", 8482},
    {"uArr", 8657},
    {"uacute", 250},
    {"uarr", 8593},
    {"ucirc", 251},
    {"ugrave", 249},
    {"uml", 168},
    {"upsih", 978},
    {"upsilon", 965},
    {"uuml", 252},
    {"weierp", 8472},
    {"xi", 958},
    {"yacute", 253},
    {"yen", 165},
    {"yuml", 255},
    {"zeta", 950},
    {"zwj", 8205},
    {"zwnj", 8204},
};

const QHash<QString, char32_t> &entities()
{
    static const QHash<QString, char32_t> table = [] {
        QHash<QString, char32_t> t;
        for (const Entity &e : kEntities)
            t.insert(QLatin1String(e.name), e.code);
        return t;
    }();
    return table;
}

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}
bool isHtmlSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

enum class Layout { Inline, Block, Break, Cell, Image, Raw, Pre };

// What a tag does to the text around it; every tag not named is inline and simply dropped.
Layout layoutOf(const QString &name)
{
    static const QHash<QString, Layout> table{
        {QStringLiteral("p"), Layout::Block},
        {QStringLiteral("div"), Layout::Block},
        {QStringLiteral("li"), Layout::Block},
        {QStringLiteral("ul"), Layout::Block},
        {QStringLiteral("ol"), Layout::Block},
        {QStringLiteral("dl"), Layout::Block},
        {QStringLiteral("dt"), Layout::Block},
        {QStringLiteral("dd"), Layout::Block},
        {QStringLiteral("h1"), Layout::Block},
        {QStringLiteral("h2"), Layout::Block},
        {QStringLiteral("h3"), Layout::Block},
        {QStringLiteral("h4"), Layout::Block},
        {QStringLiteral("h5"), Layout::Block},
        {QStringLiteral("h6"), Layout::Block},
        {QStringLiteral("table"), Layout::Block},
        {QStringLiteral("tr"), Layout::Block},
        {QStringLiteral("blockquote"), Layout::Block},
        {QStringLiteral("hr"), Layout::Block},
        {QStringLiteral("section"), Layout::Block},
        {QStringLiteral("article"), Layout::Block},
        {QStringLiteral("header"), Layout::Block},
        {QStringLiteral("footer"), Layout::Block},
        {QStringLiteral("figure"), Layout::Block},
        {QStringLiteral("figcaption"), Layout::Block},
        {QStringLiteral("address"), Layout::Block},
        {QStringLiteral("center"), Layout::Block},
        {QStringLiteral("br"), Layout::Break},
        {QStringLiteral("td"), Layout::Cell},
        {QStringLiteral("th"), Layout::Cell},
        {QStringLiteral("img"), Layout::Image},
        {QStringLiteral("script"), Layout::Raw},
        {QStringLiteral("style"), Layout::Raw},
        {QStringLiteral("pre"), Layout::Pre},
    };
    return table.value(name, Layout::Inline);
}

class Converter final {
public:
    explicit Converter(QStringView html)
        : m_html(html)
    {
    }

    QString run(int *droppedImages);

private:
    void text(QChar c);
    void space();
    void blockBoundary();
    void lineBreak();
    bool tag();
    bool entity();
    void skipPast(QStringView end);

    QStringView m_html;
    qsizetype m_at = 0;
    QString m_out;
    bool m_pendingSpace = false;
    int m_preDepth = 0;
    int m_images = 0;
};

QString Converter::run(int *droppedImages)
{
    while (m_at < m_html.size()) {
        const QChar c = m_html[m_at];
        if (c == u'<' && tag())
            continue;
        if (c == u'&' && entity())
            continue;
        ++m_at;
        if (isHtmlSpace(c))
            m_preDepth > 0 ? text(c == u'\r' ? u'\n' : c) : space();
        else
            text(c);
    }
    if (droppedImages)
        *droppedImages = m_images;
    return BankText::cleaned(m_out);
}

void Converter::text(QChar c)
{
    if (m_pendingSpace && !m_out.isEmpty() && !m_out.endsWith(u'\n'))
        m_out += u' ';
    m_pendingSpace = false;
    if (c.isSurrogate() || !BankText::isControl(c.unicode()) || c == u'\n' || c == u'\t')
        m_out += c;
}

void Converter::space()
{
    m_pendingSpace = true;
}

void Converter::blockBoundary()
{
    if (!m_out.isEmpty() && !m_out.endsWith(u'\n'))
        m_out += u'\n';
    m_pendingSpace = false;
}

void Converter::lineBreak()
{
    m_out += u'\n';
    m_pendingSpace = false;
}

// A tag, comment or declaration at m_at, passed over with its effect on the text; false when
// the "<" starts none, as in "a < b", and is text.
bool Converter::tag()
{
    const QStringView rest = m_html.mid(m_at);
    if (rest.startsWith(u"<!--")) {
        m_at += 4;
        skipPast(u"-->");
        return true;
    }
    if (rest.size() < 2)
        return false;
    const bool closing = rest[1] == u'/';
    if (rest[1] == u'!' || rest[1] == u'?') {
        skipPast(u">");
        return true;
    }
    qsizetype i = closing ? 2 : 1;
    if (i >= rest.size() || !isAsciiLetter(rest[i]))
        return false;
    const qsizetype nameStart = i;
    while (i < rest.size() && (isAsciiLetter(rest[i]) || isAsciiDigit(rest[i]) || rest[i] == u'-' || rest[i] == u':'))
        ++i;
    const QString name = rest.mid(nameStart, i - nameStart).toString().toLower();
    // The attributes, quoted values may hold ">".
    QChar quote;
    for (; i < rest.size(); ++i) {
        const QChar c = rest[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u'>') {
            break;
        }
    }
    if (i >= rest.size())
        return false; // never closed: text, as far as can be told
    m_at += i + 1;

    switch (layoutOf(name)) {
    case Layout::Inline:
        break;
    case Layout::Block:
        blockBoundary();
        break;
    case Layout::Break:
        lineBreak();
        break;
    case Layout::Cell:
        space();
        break;
    case Layout::Image:
        ++m_images;
        break;
    case Layout::Raw:
        if (!closing)
            skipPast(QString(QLatin1String("</") + name));
        break;
    case Layout::Pre:
        blockBoundary();
        if (closing) {
            m_preDepth = std::max(0, m_preDepth - 1);
        } else {
            ++m_preDepth;
            if (m_at < m_html.size() && m_html[m_at] == u'\n')
                ++m_at; // a line break right after <pre> is not shown
        }
        break;
    }
    return true;
}

// A character reference at m_at, decoded into the text; false when the "&" starts none.
bool Converter::entity()
{
    const QStringView rest = m_html.mid(m_at);
    qsizetype i = 1;
    char32_t code = 0;
    if (i < rest.size() && rest[i] == u'#') {
        ++i;
        const bool hex = i < rest.size() && (rest[i] == u'x' || rest[i] == u'X');
        if (hex)
            ++i;
        const qsizetype digitsStart = i;
        quint64 value = 0;
        for (; i < rest.size(); ++i) {
            const QChar c = rest[i];
            int digit = -1;
            if (isAsciiDigit(c))
                digit = c.unicode() - u'0';
            else if (hex && c >= u'a' && c <= u'f')
                digit = c.unicode() - u'a' + 10;
            else if (hex && c >= u'A' && c <= u'F')
                digit = c.unicode() - u'A' + 10;
            if (digit < 0)
                break;
            value = std::min<quint64>(value * (hex ? 16 : 10) + quint64(digit), 0x110000);
        }
        if (i == digitsStart || i >= rest.size() || rest[i] != u';')
            return false;
        code = value == 0 || value > 0x10ffff || (value >= 0xd800 && value <= 0xdfff) || value == 0xfffe
                || value == 0xffff || (BankText::isControl(char32_t(value)) && !isHtmlSpace(QChar(char16_t(value))))
            ? 0xfffd
            : char32_t(value);
    } else {
        const qsizetype nameStart = i;
        while (i < rest.size() && i - nameStart < 10 && (isAsciiLetter(rest[i]) || isAsciiDigit(rest[i])))
            ++i;
        if (i == nameStart || i >= rest.size() || rest[i] != u';')
            return false;
        const auto found = entities().constFind(rest.mid(nameStart, i - nameStart).toString());
        if (found == entities().cend())
            return false;
        code = *found;
    }
    m_at += i + 1;
    if (code == 0xa0) {
        text(u' '); // a space that is never folded away, but a plain one
    } else if (code < 0x10000 && isHtmlSpace(QChar(char16_t(code)))) {
        m_preDepth > 0 ? text(QChar(char16_t(code == u'\r' ? u'\n' : code))) : space();
    } else if (code > 0xffff) {
        text(QChar(char16_t(0xd800 + ((code - 0x10000) >> 10))));
        m_out += QChar(char16_t(0xdc00 + ((code - 0x10000) & 0x3ff)));
    } else {
        text(QChar(char16_t(code)));
    }
    return true;
}

void Converter::skipPast(QStringView end)
{
    const qsizetype found = m_html.indexOf(end, m_at, Qt::CaseInsensitive);
    if (found < 0) {
        m_at = m_html.size();
        return;
    }
    m_at = found + end.size();
    if (end.startsWith(u"</")) { // the rest of the closing tag
        const qsizetype close = m_html.indexOf(u'>', m_at);
        m_at = close < 0 ? m_html.size() : close + 1;
    }
}
} // namespace

QString toPlain(QStringView html, int *droppedImages)
{
    return Converter(html).run(droppedImages);
}

} // namespace HtmlText
