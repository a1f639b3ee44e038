#include "data/SqlDialect.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QDateTime>
#include <QLatin1String>
#include <QString>
#include <QStringView>

#include <sqlcipher/sqlite3.h>

#include "data/DateFormat.h"

using SqlDialect::Target;

namespace {

// ---------------------------------------------------------------- tokens

enum class Kind : std::uint8_t { Space, Comment, String, QuotedName, Number, Word, Variable, Symbol };

struct Token {
    Kind kind;
    int start; // a slice of the statement: every decision looks only at this text
    int length;
};

bool isSpace(QChar c)
{
    return c.isSpace();
}
bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}
bool isHexDigit(QChar c)
{
    return isDigit(c) || (c.toLower() >= u'a' && c.toLower() <= u'f');
}
bool isWordStart(QChar c)
{
    return c.isLetter() || c == u'_';
}
bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

int skipWhile(QStringView sql, int at, bool (*accept)(QChar))
{
    while (at < sql.size() && accept(sql[at]))
        ++at;
    return at;
}

// Length of a literal or name opened by sql[0] and ended by `close`. Where `doubling`, a
// doubled `close` stands for itself ('O''Brien'); [names] have no such escape.
int quotedLength(QStringView sql, QChar close, bool doubling)
{
    for (int at = 1; at < sql.size(); ++at) {
        if (sql[at] != close)
            continue;
        if (!doubling || at + 1 >= sql.size() || sql[at + 1] != close)
            return at + 1;
        ++at;
    }
    return int(sql.size()); // unterminated: SQLite will report it
}

int commentLength(QStringView sql)
{
    if (sql.startsWith(u"--")) {
        const qsizetype newline = sql.indexOf(u'\n');
        return int(newline < 0 ? sql.size() : newline);
    }
    const qsizetype close = sql.indexOf(u"*/", 2);
    return int(close < 0 ? sql.size() : close + 2);
}

int numberLength(QStringView sql)
{
    if (sql.size() > 2 && sql[0] == u'0' && sql[1].toLower() == u'x' && isHexDigit(sql[2]))
        return skipWhile(sql, 2, isHexDigit);
    int at = skipWhile(sql, 0, isDigit);
    if (at < sql.size() && sql[at] == u'.')
        at = skipWhile(sql, at + 1, isDigit);
    if (at + 1 < sql.size() && sql[at].toLower() == u'e') {
        int digits = at + 1;
        if (sql[digits] == u'+' || sql[digits] == u'-')
            ++digits;
        if (digits < sql.size() && isDigit(sql[digits]))
            at = skipWhile(sql, digits, isDigit);
    }
    return at;
}

// @@IDENTITY, @name, :name, $name and ?n; 0 when the character is only punctuation.
int variableLength(QStringView sql)
{
    int at = 1;
    while (sql[0] == u'@' && at < sql.size() && sql[at] == u'@')
        ++at;
    const int end = skipWhile(sql, at, sql[0] == u'?' ? isDigit : isWordChar);
    return (end > at || sql[0] == u'?') ? end : 0;
}

int symbolLength(QStringView sql)
{
    static const QStringView pairs[] = {u"<=", u">=", u"<>", u"!=", u"==", u"||", u"<<", u">>"};
    for (const QStringView pair : pairs) {
        if (sql.startsWith(pair))
            return 2;
    }
    return 1;
}

struct Lexeme {
    Kind kind;
    int length;
};

Lexeme readLexeme(QStringView sql)
{
    const QChar c = sql[0];
    const QChar next = sql.size() > 1 ? sql[1] : QChar();
    if (isSpace(c))
        return {Kind::Space, skipWhile(sql, 0, isSpace)};
    if ((c == u'-' && next == u'-') || (c == u'/' && next == u'*'))
        return {Kind::Comment, commentLength(sql)};
    if (c == u'\'')
        return {Kind::String, quotedLength(sql, c, true)};
    if (c == u'"' || c == u'`')
        return {Kind::QuotedName, quotedLength(sql, c, true)};
    if (c == u'[')
        return {Kind::QuotedName, quotedLength(sql, u']', false)};
    if (isDigit(c) || (c == u'.' && isDigit(next)))
        return {Kind::Number, numberLength(sql)};
    if (isWordStart(c))
        return {Kind::Word, skipWhile(sql, 0, isWordChar)};
    if (c == u'@' || c == u':' || c == u'$' || c == u'?') {
        if (const int length = variableLength(sql))
            return {Kind::Variable, length};
    }
    return {Kind::Symbol, symbolLength(sql)};
}

std::vector<Token> tokenize(QStringView sql)
{
    std::vector<Token> tokens;
    for (int at = 0; at < sql.size();) {
        const Lexeme lexeme = readLexeme(sql.mid(at));
        tokens.push_back({lexeme.kind, at, lexeme.length});
        at += lexeme.length;
    }
    return tokens;
}

// ---------------------------------------------------------------- roles

// What a token can be to the rewrites, worked out once from its kind and text; a token may have
// several (END closes a CASE and is also a name part).
namespace Role {
constexpr std::uint32_t OpenParen = 1u << 0;
constexpr std::uint32_t CloseParen = 1u << 1;
constexpr std::uint32_t Case = 1u << 2;
constexpr std::uint32_t End = 1u << 3;
constexpr std::uint32_t NamePart = 1u << 4;
constexpr std::uint32_t Literal = 1u << 5;
constexpr std::uint32_t UnarySign = 1u << 6;
constexpr std::uint32_t Multiplicative = 1u << 7; // binds tighter than "\" in the dialect (and in SQLite)
constexpr std::uint32_t IntegerDivision = 1u << 8;
constexpr std::uint32_t Dot = 1u << 9;
constexpr std::uint32_t OperandFollows = 1u << 10; // an operand may begin right after it, so a sign there is unary
constexpr std::uint32_t WordToken = 1u << 11;
constexpr std::uint32_t Compound = 1u << 12; // UNION, EXCEPT, INTERSECT
constexpr std::uint32_t CompoundTail = 1u << 13; // ORDER, LIMIT: they end a compound's last arm
constexpr std::uint32_t Semicolon = 1u << 14;
constexpr std::uint32_t Select = 1u << 15;
constexpr std::uint32_t Top = 1u << 16;
constexpr std::uint32_t DistinctOrAll = 1u << 17;
constexpr std::uint32_t All = 1u << 18;
constexpr std::uint32_t Percent = 1u << 19;
constexpr std::uint32_t WholeNumber = 1u << 20;
constexpr std::uint32_t Identity = 1u << 21;
} // namespace Role

bool sameWord(QStringView text, QLatin1String word)
{
    return text.size() == word.size() && text.compare(word, Qt::CaseInsensitive) == 0;
}

// Words after which an operand begins: a "(" after them is no function call and a "-" no
// subtraction.
bool isClauseWord(QStringView text)
{
    static const QLatin1String words[] = {QLatin1String("all"), QLatin1String("and"), QLatin1String("as"),
        QLatin1String("between"), QLatin1String("by"), QLatin1String("case"), QLatin1String("distinct"),
        QLatin1String("else"), QLatin1String("escape"), QLatin1String("except"), QLatin1String("exists"),
        QLatin1String("from"), QLatin1String("glob"), QLatin1String("group"), QLatin1String("having"),
        QLatin1String("in"), QLatin1String("intersect"), QLatin1String("is"), QLatin1String("join"),
        QLatin1String("like"), QLatin1String("limit"), QLatin1String("mod"), QLatin1String("not"),
        QLatin1String("offset"), QLatin1String("on"), QLatin1String("or"), QLatin1String("order"),
        QLatin1String("regexp"), QLatin1String("select"), QLatin1String("set"), QLatin1String("then"),
        QLatin1String("top"), QLatin1String("union"), QLatin1String("using"), QLatin1String("values"),
        QLatin1String("when"), QLatin1String("where")};
    return std::any_of(std::begin(words), std::end(words), [&](QLatin1String word) { return sameWord(text, word); });
}

std::uint32_t symbolRoles(QStringView text)
{
    if (text == u")")
        return Role::CloseParen;
    std::uint32_t roles = Role::OperandFollows;
    if (text == u"(")
        roles |= Role::OpenParen;
    else if (text == u"-" || text == u"+" || text == u"~")
        roles |= Role::UnarySign;
    else if (text == u"*" || text == u"/" || text == u"%")
        roles |= Role::Multiplicative;
    else if (text == u"\\")
        roles |= Role::IntegerDivision;
    else if (text == u".")
        roles |= Role::Dot;
    else if (text == u";")
        roles |= Role::Semicolon;
    return roles;
}

std::uint32_t wordRoles(QStringView text)
{
    if (!isClauseWord(text))
        return Role::WordToken | Role::NamePart | (sameWord(text, QLatin1String("end")) ? Role::End : 0)
            | (sameWord(text, QLatin1String("percent")) ? Role::Percent : 0);
    const struct {
        const char *word;
        std::uint32_t roles;
    } clauses[]
        = {{"case", Role::Case}, {"union", Role::Compound}, {"except", Role::Compound}, {"intersect", Role::Compound},
            {"order", Role::CompoundTail}, {"limit", Role::CompoundTail}, {"select", Role::Select}, {"top", Role::Top},
            {"distinct", Role::DistinctOrAll}, {"all", Role::DistinctOrAll | Role::All}};
    std::uint32_t roles = Role::WordToken | Role::OperandFollows;
    for (const auto &clause : clauses) {
        if (sameWord(text, QLatin1String(clause.word)))
            roles |= clause.roles;
    }
    return roles;
}

std::uint32_t rolesOf(Kind kind, QStringView text)
{
    switch (kind) {
    case Kind::Symbol:
        return symbolRoles(text);
    case Kind::Word:
        return wordRoles(text);
    case Kind::QuotedName:
        return Role::NamePart;
    case Kind::String:
        return Role::Literal;
    case Kind::Variable:
        return Role::Literal | (sameWord(text, QLatin1String("@@identity")) ? Role::Identity : 0);
    case Kind::Number:
        return Role::Literal | (std::all_of(text.begin(), text.end(), isDigit) ? Role::WholeNumber : 0);
    case Kind::Space:
    case Kind::Comment:
        break;
    }
    return 0;
}

bool isTrivia(Kind kind)
{
    return kind == Kind::Space || kind == Kind::Comment;
}

// ---------------------------------------------------------------- translation

// One statement's rewrite. The rewrites look only at significant tokens (no spaces, no
// comments), which are addressed by their rank among them. Every operand, group and clause
// boundary is found through tables built once, so a statement costs time in proportion to its
// length however deep its groups nest or however long its chains of "\" run.
class Translation final {
public:
    Translation(QStringView sql, Target target);

    QString text() const;

private:
    // What the translation writes in place of a token.
    enum class Emit : std::uint8_t { AsWritten, Nothing, DivisionComma, LastRowId, Replaced };

    struct Limit {
        int last; // the token it is written behind
        int rows; // the TOP count
        bool arm; // closes a compound arm's subquery
    };

    static constexpr int kUnknown = -2;

    int count() const { return int(m_significant.size()); }
    bool is(int at, std::uint32_t roles) const { return at >= 0 && at < count() && (m_roles[size_t(at)] & roles); }
    QStringView textOf(int at) const;
    // The token index of a significant rank, or the end of the statement past the last one.
    int tokenAt(int at) const { return at < count() ? m_significant[size_t(at)] : int(m_tokens.size()); }

    void pair(std::uint32_t open, std::uint32_t close, std::vector<int> &partner) const;

    int dottedNameStart(int last) const;
    int dottedNameEnd(int first) const;
    int primaryStart(int last) const;
    int primaryEnd(int first) const;
    int withUnarySigns(int start) const;
    int leftOperandStart(int last);
    int rightOperandEnd(int op);
    void dropSpacesBetween(int from, int to);
    void rewriteIntegerDivisions();

    void rewriteTop();

    // The server's own spelling of what it writes differently.
    void rewriteForServer();
    void replace(int at, QString text);
    bool rewriteFormatCall(int word);
    void rewriteLimitComma(int limit);
    void nameSubquery(int open);
    void orderNullsAsTheFileDoes(int order);

    QStringView m_sql;
    Target m_target;
    std::vector<QString> m_replacement; // by token, for Emit::Replaced
    std::vector<QString> m_after; // by rank: written behind it, after any "))"
    std::vector<Token> m_tokens;
    std::vector<Emit> m_emit; // by token
    std::vector<int> m_significant; // token index by rank
    std::vector<std::uint32_t> m_roles; // by rank
    std::vector<int> m_parenPartner; // by rank; -1 when unbalanced
    std::vector<int> m_casePartner; // CASE and END, by rank
    std::vector<int> m_leftMemo; // leftOperandStart by rank
    std::vector<int> m_rightMemo; // rightOperandEnd's walk from each rank
    std::vector<int> m_walk; // ranks of the walk being resolved
    std::vector<int> m_subqueryOpens; // "SELECT * FROM (" in front of a rank
    std::vector<int> m_divisionOpens; // "vesk_intdiv((" in front of a rank
    std::vector<int> m_divisionCloses; // "))" behind a rank
    std::vector<Limit> m_limits; // in the order of their SELECTs
};

Translation::Translation(QStringView sql, Target target)
    : m_sql(sql)
    , m_target(target)
    , m_tokens(tokenize(sql))
    , m_emit(m_tokens.size(), Emit::AsWritten)
{
    for (size_t token = 0; token < m_tokens.size(); ++token) {
        const Token &t = m_tokens[token];
        if (isTrivia(t.kind))
            continue;
        m_significant.push_back(int(token));
        m_roles.push_back(rolesOf(t.kind, sql.mid(t.start, t.length)));
    }
    pair(Role::OpenParen, Role::CloseParen, m_parenPartner);
    pair(Role::Case, Role::End, m_casePartner);
    m_subqueryOpens.assign(size_t(count()), 0);
    m_divisionOpens.assign(size_t(count()), 0);
    m_divisionCloses.assign(size_t(count()), 0);

    for (int at = 0; at < count(); ++at) {
        if (is(at, Role::Identity))
            m_emit[size_t(tokenAt(at))] = Emit::LastRowId;
    }
    rewriteIntegerDivisions(); // before TOP, so a LIMIT lands outside any closing "))"
    rewriteTop();
    if (m_target == Target::PostgreSql)
        rewriteForServer();
}

// ---------------------------------------------------------------- the server's spelling

void Translation::replace(int at, QString text)
{
    const size_t token = size_t(tokenAt(at));
    if (m_replacement.empty())
        m_replacement.resize(m_tokens.size());
    m_emit[token] = Emit::Replaced;
    m_replacement[token] = std::move(text);
}

// Format(value, 'pattern') with a written pattern becomes to_char() on the value read as a moment
// (vesk_datetime gives NULL for text that is no date, as the file's Format does). False when the
// call is not of that shape.
bool Translation::rewriteFormatCall(int word)
{
    const int open = word + 1;
    if (!is(open, Role::OpenParen) || is(word - 1, Role::Dot))
        return false;
    const int close = m_parenPartner[size_t(open)];
    if (close < 0)
        return false;
    int comma = -1;
    for (int at = open + 1; at < close; ++at) {
        if (is(at, Role::OpenParen)) {
            at = m_parenPartner[size_t(at)];
            if (at < 0)
                return false;
            continue;
        }
        if (textOf(at) == u",") {
            if (comma >= 0)
                return false;
            comma = at;
        }
    }
    const int pattern = comma + 1;
    if (comma < 0 || comma == open + 1 || pattern + 1 != close)
        return false;
    const bool noPattern = sameWord(textOf(pattern), QLatin1String("null"));
    if (!noPattern && m_tokens[size_t(tokenAt(pattern))].kind != Kind::String)
        return false;
    replace(word, QStringLiteral("to_char"));
    replace(open, QStringLiteral("(vesk_datetime("));
    replace(comma, QStringLiteral("),"));
    if (noPattern)
        return true;
    QString written = textOf(pattern).mid(1, textOf(pattern).size() - 2).toString();
    written.replace(QStringLiteral("''"), QStringLiteral("'"));
    QString converted = DateFormat::toCharPattern(written);
    converted.replace(u'\'', QStringLiteral("''"));
    replace(pattern, u'\'' + converted + u'\'');
    return true;
}

// SQLite's LIMIT offset, count.
void Translation::rewriteLimitComma(int limit)
{
    if (!is(limit + 1, Role::WholeNumber) || !is(limit + 3, Role::WholeNumber) || textOf(limit + 2) != u",")
        return;
    replace(limit + 1, textOf(limit + 3).toString());
    replace(limit + 2, QStringLiteral(" OFFSET"));
    replace(limit + 3, textOf(limit + 1).toString());
}

// A subquery in FROM or JOIN needs a name there; one without gets "vesk_sub".
void Translation::nameSubquery(int open)
{
    if (open < 1 || !is(open + 1, Role::Select)
        || !(sameWord(textOf(open - 1), QLatin1String("from")) || sameWord(textOf(open - 1), QLatin1String("join"))))
        return;
    const int close = m_parenPartner[size_t(open)];
    if (close < 0 || m_emit[size_t(tokenAt(close))] != Emit::AsWritten)
        return;
    static const QLatin1String joins[] = {QLatin1String("inner"), QLatin1String("left"), QLatin1String("right"),
        QLatin1String("full"), QLatin1String("cross"), QLatin1String("natural"), QLatin1String("window"),
        QLatin1String("fetch"), QLatin1String("for")};
    const int next = close + 1;
    const bool named = next < count()
        && (sameWord(textOf(next), QLatin1String("as"))
            || (next < count() && m_tokens[size_t(tokenAt(next))].kind == Kind::QuotedName)
            || (is(next, Role::NamePart) && std::none_of(std::begin(joins), std::end(joins), [&](QLatin1String w) {
                   return sameWord(textOf(next), w);
               })));
    if (!named)
        replace(close, QStringLiteral(") AS vesk_sub"));
}

// The file sorts NULL below every value, the server above: each ORDER BY item says which.
void Translation::orderNullsAsTheFileDoes(int order)
{
    if (order + 1 >= count() || !sameWord(textOf(order + 1), QLatin1String("by")))
        return;
    static const QLatin1String ends[]
        = {QLatin1String("limit"), QLatin1String("offset"), QLatin1String("union"), QLatin1String("except"),
            QLatin1String("intersect"), QLatin1String("fetch"), QLatin1String("for"), QLatin1String("window")};
    const auto endItem = [&](int last) {
        if (last <= order + 1)
            return;
        if (sameWord(textOf(last), QLatin1String("first")) || sameWord(textOf(last), QLatin1String("last")))
            return; // says so already
        if (m_after.empty())
            m_after.resize(size_t(count()));
        m_after[size_t(last)] += sameWord(textOf(last), QLatin1String("desc")) ? QLatin1String(" NULLS LAST")
                                                                               : QLatin1String(" NULLS FIRST");
    };
    int at = order + 2;
    for (; at < count(); ++at) {
        if (is(at, Role::OpenParen)) {
            const int close = m_parenPartner[size_t(at)];
            if (close < 0)
                return;
            at = close;
            continue;
        }
        if (is(at, Role::CloseParen | Role::Semicolon))
            break;
        if (m_tokens[size_t(tokenAt(at))].kind == Kind::Word
            && std::any_of(std::begin(ends), std::end(ends), [&](QLatin1String w) { return sameWord(textOf(at), w); }))
            break;
        if (textOf(at) == u",")
            endItem(at - 1);
    }
    endItem(at - 1);
}

void Translation::rewriteForServer()
{
    for (int at = 0; at < count(); ++at) {
        const Token &token = m_tokens[size_t(tokenAt(at))];
        const QStringView text = textOf(at);
        if (token.kind == Kind::QuotedName && (text.front() == u'[' || text.front() == u'`')) {
            // [name] and `name` are "name" there, a double quote inside doubled.
            const bool closed = text.size() > 1 && text.back() == (text.front() == u'[' ? u']' : u'`');
            QString name = text.mid(1, text.size() - (closed ? 2 : 1)).toString();
            if (text.front() == u'`')
                name.replace(QStringLiteral("``"), QStringLiteral("`"));
            name.replace(u'"', QStringLiteral("\"\""));
            replace(at, u'"' + name + u'"');
        } else if (token.kind == Kind::Word && sameWord(text, QLatin1String("sqlite_master"))) {
            replace(at, QStringLiteral("vesk_master"));
        } else if (token.kind == Kind::Word && sameWord(text, QLatin1String("format"))) {
            rewriteFormatCall(at);
        } else if (token.kind == Kind::Word && sameWord(text, QLatin1String("limit"))) {
            rewriteLimitComma(at);
        } else if (is(at, Role::OpenParen)) {
            nameSubquery(at);
        } else if (token.kind == Kind::Word && sameWord(text, QLatin1String("order"))) {
            orderNullsAsTheFileDoes(at);
        }
    }
}

QStringView Translation::textOf(int at) const
{
    const Token &token = m_tokens[size_t(tokenAt(at))];
    return m_sql.mid(token.start, token.length);
}

// The partner of every opening and closing token; a group closes with the first closing token
// that brings it back to its own depth, whichever way it is read.
void Translation::pair(std::uint32_t open, std::uint32_t close, std::vector<int> &partner) const
{
    partner.assign(size_t(count()), -1);
    std::vector<int> opened;
    for (int at = 0; at < count(); ++at) {
        if (is(at, open)) {
            opened.push_back(at);
        } else if (is(at, close) && !opened.empty()) {
            partner[size_t(at)] = opened.back();
            partner[size_t(opened.back())] = at;
            opened.pop_back();
        }
    }
}

// ---------------------------------------------------------------- integer division

int Translation::dottedNameStart(int last) const
{
    while (is(last - 1, Role::Dot) && is(last - 2, Role::NamePart))
        last -= 2;
    return last;
}

int Translation::dottedNameEnd(int first) const
{
    while (is(first + 1, Role::Dot) && is(first + 2, Role::NamePart))
        first += 2;
    return first;
}

// First rank of the operand (name, literal, call, group or CASE) ending at `last`; -1 if none.
int Translation::primaryStart(int last) const
{
    if (is(last, Role::CloseParen)) {
        const int open = m_parenPartner[size_t(last)];
        const bool isCall = open >= 0 && is(open - 1, Role::WordToken) && is(open - 1, Role::NamePart);
        return isCall ? dottedNameStart(open - 1) : open;
    }
    if (is(last, Role::End))
        return m_casePartner[size_t(last)];
    if (is(last, Role::NamePart))
        return dottedNameStart(last);
    return is(last, Role::Literal) ? last : -1;
}

// Last rank of the operand starting at `first`; -1 if none.
int Translation::primaryEnd(int first) const
{
    if (is(first, Role::OpenParen))
        return m_parenPartner[size_t(first)];
    if (is(first, Role::Case))
        return m_casePartner[size_t(first)];
    if (is(first, Role::NamePart)) {
        const int end = dottedNameEnd(first);
        const bool isCall = is(first, Role::WordToken) && is(end + 1, Role::OpenParen);
        return isCall ? m_parenPartner[size_t(end + 1)] : end;
    }
    return is(first, Role::Literal) ? first : -1;
}

int Translation::withUnarySigns(int start) const
{
    // Before the first token, an operand may begin.
    while (is(start - 1, Role::UnarySign) && (start - 2 < 0 || is(start - 2, Role::OperandFollows)))
        --start;
    return start;
}

// First rank of the left operand of a "\" whose left side ends at `last`: it reaches back over
// * / % and earlier "\" (left-associative) and stops at anything binding looser. Every "\" of a
// chain shares the chain's start, so each walk stops where an earlier one is known.
int Translation::leftOperandStart(int last)
{
    m_walk.clear();
    int start = -1;
    for (int at = last; at >= 0;) {
        if (m_leftMemo[size_t(at)] != kUnknown) {
            start = m_leftMemo[size_t(at)];
            break;
        }
        m_walk.push_back(at);
        const int primary = primaryStart(at);
        if (primary < 0)
            break;
        const int operand = withUnarySigns(primary);
        if (!is(operand - 1, Role::Multiplicative | Role::IntegerDivision)) {
            start = operand;
            break;
        }
        at = operand - 2;
    }
    for (const int at : m_walk)
        m_leftMemo[size_t(at)] = start;
    return start;
}

// Last rank of the right operand of the "\" at `op`: it takes in * / % but not another "\".
// A CASE's END can be read as a name and lead a walk on past its group, so walks are
// remembered too.
int Translation::rightOperandEnd(int op)
{
    m_walk.clear();
    int end = -1;
    for (int at = op + 1;;) {
        if (m_rightMemo[size_t(at)] != kUnknown) {
            end = m_rightMemo[size_t(at)];
            break;
        }
        m_walk.push_back(at);
        int first = at;
        while (is(first, Role::UnarySign))
            ++first;
        const int primary = primaryEnd(first);
        if (primary < 0)
            break;
        if (!is(primary + 1, Role::Multiplicative)) {
            end = primary;
            break;
        }
        at = primary + 2;
    }
    for (const int at : m_walk)
        m_rightMemo[size_t(at)] = end;
    return end;
}

// Drops plain spaces between two ranks; comments (and the line ends they need) stay.
void Translation::dropSpacesBetween(int from, int to)
{
    const int first = from < 0 ? 0 : tokenAt(from) + 1;
    const int stop = tokenAt(to);
    for (int token = first; token < stop; ++token) {
        if (m_tokens[size_t(token)].kind == Kind::Comment)
            return;
    }
    for (int token = first; token < stop; ++token)
        m_emit[size_t(token)] = Emit::Nothing;
}

void Translation::rewriteIntegerDivisions()
{
    m_leftMemo.assign(size_t(count()), kUnknown);
    m_rightMemo.assign(size_t(count()) + 2, kUnknown);
    for (int op = 0; op < count(); ++op) {
        if (!is(op, Role::IntegerDivision))
            continue;
        const int first = leftOperandStart(op - 1);
        const int last = rightOperandEnd(op);
        if (first < 0 || last < 0)
            continue; // malformed: SQLite will reject the stray "\"
        // A later operator sharing this first token encloses the earlier; the openings are
        // all alike, so only their number matters.
        ++m_divisionOpens[size_t(first)];
        m_emit[size_t(tokenAt(op))] = Emit::DivisionComma;
        ++m_divisionCloses[size_t(last)];
        dropSpacesBetween(op - 1, op);
        dropSpacesBetween(op, op + 1);
    }
}

// ---------------------------------------------------------------- TOP n

void Translation::rewriteTop()
{
    struct TopSelect {
        int select, top, rows, next;
        int stop = 0; // the ")" or ";" closing its level, or the end
        int armStop = 0; // as a compound arm, also the next compound operator, ORDER or LIMIT
    };
    std::vector<TopSelect> selects;
    for (int select = 0; select < count(); ++select) {
        if (!is(select, Role::Select))
            continue;
        const int top = is(select + 1, Role::DistinctOrAll) ? select + 2 : select + 1;
        const int rows = top + 1;
        if (!is(top, Role::Top) || !is(rows, Role::WholeNumber))
            continue;
        if (is(rows + 1, Role::Percent))
            continue; // no LIMIT counterpart: SQLite will reject it
        selects.push_back({select, top, rows, rows + 1});
    }
    if (selects.empty())
        return;

    // A SELECT stops at the first of those tokens after it at its own depth (the count of open
    // parentheses before a token): one sweep from the end finds, for each depth, the nearest.
    std::vector<int> depth(size_t(count()) + 1, 0);
    for (int at = 0; at < count(); ++at)
        depth[size_t(at) + 1] = depth[size_t(at)] + (is(at, Role::OpenParen) ? 1 : is(at, Role::CloseParen) ? -1 : 0);
    const auto [lowest, highest] = std::minmax_element(depth.begin(), depth.end());
    const int base = *lowest;
    std::vector<int> nearestStop(size_t(*highest - base) + 1, count());
    std::vector<int> nearestArmEnd(nearestStop.size(), count());
    auto next = selects.rbegin();
    for (int at = count() - 1; at >= 0 && next != selects.rend(); --at) {
        const size_t level = size_t(depth[size_t(at)] - base);
        if (next->select == at) {
            next->stop = nearestStop[level];
            next->armStop = std::min(nearestStop[level], nearestArmEnd[level]);
            ++next;
        } else if (is(at, Role::CloseParen | Role::Semicolon)) {
            nearestStop[level] = at;
        } else if (is(at, Role::Compound | Role::CompoundTail)) {
            nearestArmEnd[level] = at;
        }
    }

    for (const TopSelect &s : selects) {
        for (int token = tokenAt(s.top); token < tokenAt(s.next); ++token)
            m_emit[size_t(token)] = Emit::Nothing;
        const int before = is(s.select - 1, Role::All) ? s.select - 2 : s.select - 1;
        const bool isArm = is(before, Role::Compound) || is(s.armStop, Role::Compound);
        // SQLite takes LIMIT only on a whole compound, so a limited arm becomes a subquery.
        if (isArm)
            ++m_subqueryOpens[size_t(s.select)];
        m_limits.push_back({(isArm ? s.armStop : s.stop) - 1, s.rows, isArm});
    }
    std::stable_sort(m_limits.begin(), m_limits.end(), [](const Limit &x, const Limit &y) { return x.last < y.last; });
}

QString Translation::text() const
{
    QString result;
    result.reserve(m_sql.size() + 32);
    auto limit = m_limits.begin();
    for (size_t token = 0, at = 0; token < m_tokens.size(); ++token) {
        const bool significant = at < m_significant.size() && m_significant[at] == int(token);
        if (significant) {
            for (int i = 0; i < m_subqueryOpens[at]; ++i)
                result += QLatin1String("SELECT * FROM (");
            for (int i = 0; i < m_divisionOpens[at]; ++i)
                result += QLatin1String("vesk_intdiv((");
        }
        const Token &t = m_tokens[token];
        switch (m_emit[token]) {
        case Emit::AsWritten:
            result += m_sql.mid(t.start, t.length);
            break;
        case Emit::Nothing:
            break;
        case Emit::DivisionComma:
            result += QLatin1String("), (");
            break;
        case Emit::LastRowId:
            result
                += m_target == Target::PostgreSql ? QLatin1String("lastval()") : QLatin1String("last_insert_rowid()");
            break;
        case Emit::Replaced:
            result += m_replacement[token];
            break;
        }
        if (!significant)
            continue;
        for (int i = 0; i < m_divisionCloses[at]; ++i)
            result += QLatin1String("))");
        if (!m_after.empty())
            result += m_after[at];
        for (; limit != m_limits.end() && limit->last == int(at); ++limit) {
            result += QLatin1String(" LIMIT ");
            result += textOf(limit->rows);
            if (limit->arm)
                result += m_target == Target::PostgreSql ? QLatin1String(") AS vesk_arm") : QLatin1String(")");
        }
        ++at;
    }
    return result;
}

// ---------------------------------------------------------------- SQL functions

bool anyNull(sqlite3_value **args, int argc)
{
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(args[i]) == SQLITE_NULL)
            return true;
    }
    return false;
}

QString valueText(sqlite3_value *value)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
    return QString::fromUtf8(text, sqlite3_value_bytes(value));
}

void formatDate(sqlite3_context *context, int argc, sqlite3_value **args)
{
    const QDateTime when = anyNull(args, argc) ? QDateTime() : DateFormat::parse(valueText(args[0]));
    if (!when.isValid()) {
        sqlite3_result_null(context);
        return;
    }
    const QByteArray text = DateFormat::format(when, valueText(args[1])).toUtf8();
    sqlite3_result_text(context, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}

// upper() with the full case mapping the program's own comparisons use (QString::toUpper), not
// SQLite's ASCII-only one: the score counts an answer right exactly when the screens would.
void upperCase(sqlite3_context *context, int argc, sqlite3_value **args)
{
    if (anyNull(args, argc)) {
        sqlite3_result_null(context);
        return;
    }
    const QByteArray text = valueText(args[0]).toUpper().toUtf8();
    sqlite3_result_text(context, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}

std::optional<qint64> roundHalfToEven(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    double rounded = std::round(value);
    if (std::fabs(value - std::trunc(value)) == 0.5)
        rounded = 2.0 * std::round(value / 2.0);
    constexpr double limit = 9223372036854775808.0; // 2^63, exact in a double
    if (rounded < -limit || rounded >= limit)
        return std::nullopt;
    return static_cast<qint64>(rounded);
}

// The operand as the dialect sees it: numeric text converts, fractions round half to even.
std::optional<qint64> wholeNumber(sqlite3_value *value)
{
    switch (sqlite3_value_numeric_type(value)) {
    case SQLITE_INTEGER:
        return sqlite3_value_int64(value);
    case SQLITE_FLOAT:
        return roundHalfToEven(sqlite3_value_double(value));
    default:
        return std::nullopt;
    }
}

void integerDivide(sqlite3_context *context, int argc, sqlite3_value **args)
{
    if (anyNull(args, argc)) {
        sqlite3_result_null(context);
        return;
    }
    const std::optional<qint64> dividend = wholeNumber(args[0]);
    const std::optional<qint64> divisor = wholeNumber(args[1]);
    const bool overflows = dividend && divisor && *dividend == std::numeric_limits<qint64>::min() && *divisor == -1;
    if (!dividend || !divisor || overflows) {
        sqlite3_result_error(context, "integer division needs numbers within the 64-bit range", -1);
        return;
    }
    // A zero divisor (say an exam with no questions) gives a blank, not a failed query.
    if (*divisor == 0) {
        sqlite3_result_null(context);
        return;
    }
    sqlite3_result_int64(context, *dividend / *divisor); // C++ truncates toward zero, as "\" does
}

} // namespace

namespace SqlDialect {

QString translate(const QString &sql, Target target)
{
    return Translation(sql, target).text();
}

void registerFunctions(sqlite3 *db)
{
    // Registering "format" also overrides SQLite's printf-style format() where newer builds have one.
    constexpr int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, "format", 2, flags, nullptr, formatDate, nullptr, nullptr);
    sqlite3_create_function(db, "vesk_intdiv", 2, flags, nullptr, integerDivide, nullptr, nullptr);
    sqlite3_create_function(db, "upper", 1, flags, nullptr, upperCase, nullptr, nullptr);
}

} // namespace SqlDialect
