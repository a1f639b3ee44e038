#include "data/SqlDialect.h"

#include "data/DateFormat.h"

#include <sqlcipher/sqlite3.h>

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QStringList>
#include <QStringView>

#include <cmath>
#include <limits>
#include <optional>

namespace {

// ---------------------------------------------------------------- tokens

enum class Kind { Space, Comment, String, QuotedName, Number, Word, Variable, Symbol };

struct Token {
    Kind kind = Kind::Symbol;
    QString text;    // as written; every decision looks only at this
    QString emitted; // what the translation writes in its place
    QString before;  // inserted in front of it
    QString after;   // inserted behind it
};

using Tokens = QList<Token>;

bool isSpace(QChar c) { return c.isSpace(); }
bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }
bool isHexDigit(QChar c) { return isDigit(c) || (c.toLower() >= u'a' && c.toLower() <= u'f'); }
bool isWordStart(QChar c) { return c.isLetter() || c == u'_'; }
bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$'; }

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

Tokens tokenize(const QString& sql)
{
    Tokens tokens;
    for (qsizetype at = 0; at < sql.size();) {
        const Lexeme lexeme = readLexeme(QStringView(sql).mid(at));
        const QString text = sql.mid(at, lexeme.length);
        tokens.append({lexeme.kind, text, text, {}, {}});
        at += lexeme.length;
    }
    return tokens;
}

// ---------------------------------------------------------------- token queries

int count(const Tokens& tokens) { return int(tokens.size()); }
bool exists(const Tokens& tokens, int at) { return at >= 0 && at < count(tokens); }
bool isTrivia(const Token& token) { return token.kind == Kind::Space || token.kind == Kind::Comment; }

bool isWord(const Token& token, QLatin1String word)
{
    return token.kind == Kind::Word && token.text.compare(word, Qt::CaseInsensitive) == 0;
}

bool isSymbol(const Token& token, QLatin1String symbol)
{
    return token.kind == Kind::Symbol && token.text == symbol;
}

int nextSignificant(const Tokens& tokens, int from)
{
    int at = from + 1;
    while (at < count(tokens) && isTrivia(tokens[at]))
        ++at;
    return at;
}

int previousSignificant(const Tokens& tokens, int from)
{
    int at = from - 1;
    while (at >= 0 && isTrivia(tokens[at]))
        --at;
    return at;
}

bool isOpenParen(const Token& token) { return isSymbol(token, QLatin1String("(")); }
bool isCloseParen(const Token& token) { return isSymbol(token, QLatin1String(")")); }
bool isCase(const Token& token) { return isWord(token, QLatin1String("case")); }
bool isEnd(const Token& token) { return isWord(token, QLatin1String("end")); }

// The token closing the group that `open` starts, walking by `step`; -1 if unbalanced.
int matching(const Tokens& tokens, int open, int step, bool (*opens)(const Token&),
             bool (*closes)(const Token&))
{
    int depth = 0;
    for (int at = open; exists(tokens, at); at += step) {
        if (opens(tokens[at]))
            ++depth;
        else if (closes(tokens[at]) && --depth == 0)
            return at;
    }
    return -1;
}

// Words after which an operand begins: a "(" after them is no function call and a "-" no
// subtraction.
bool isClauseWord(const Token& token)
{
    static const QStringList words = QStringLiteral(
        "all and as between by case distinct else escape except exists from glob group having in "
        "intersect is join like limit mod not offset on or order regexp select set then top "
        "union using values when where").split(u' ');
    return token.kind == Kind::Word && words.contains(token.text, Qt::CaseInsensitive);
}

bool isNamePart(const Token& token)
{
    return token.kind == Kind::QuotedName || (token.kind == Kind::Word && !isClauseWord(token));
}

bool isLiteral(const Token& token)
{
    return token.kind == Kind::String || token.kind == Kind::Number || token.kind == Kind::Variable;
}

bool isUnarySign(const Token& token)
{
    return isSymbol(token, QLatin1String("-")) || isSymbol(token, QLatin1String("+"))
           || isSymbol(token, QLatin1String("~"));
}

bool isIntegerDivision(const Token& token) { return isSymbol(token, QLatin1String("\\")); }

// Operators that bind tighter than "\" in the dialect (and in SQLite).
bool isMultiplicative(const Token& token)
{
    return isSymbol(token, QLatin1String("*")) || isSymbol(token, QLatin1String("/"))
           || isSymbol(token, QLatin1String("%"));
}

bool isCompoundOperator(const Token& token)
{
    return isWord(token, QLatin1String("union")) || isWord(token, QLatin1String("except"))
           || isWord(token, QLatin1String("intersect"));
}

// ---------------------------------------------------------------- integer division

// Whether an operand may begin right after the token at `at` (so a sign there is unary).
bool startsOperand(const Tokens& tokens, int at)
{
    if (!exists(tokens, at))
        return true;
    const Token& token = tokens[at];
    return (token.kind == Kind::Symbol && !isCloseParen(token)) || isClauseWord(token);
}

int dottedNameStart(const Tokens& tokens, int last)
{
    for (;;) {
        const int dot = previousSignificant(tokens, last);
        const int part = previousSignificant(tokens, dot);
        if (!exists(tokens, part) || !isSymbol(tokens[dot], QLatin1String("."))
            || !isNamePart(tokens[part]))
            return last;
        last = part;
    }
}

int dottedNameEnd(const Tokens& tokens, int first)
{
    for (;;) {
        const int dot = nextSignificant(tokens, first);
        const int part = nextSignificant(tokens, dot);
        if (!exists(tokens, part) || !isSymbol(tokens[dot], QLatin1String("."))
            || !isNamePart(tokens[part]))
            return first;
        first = part;
    }
}

// First token of the operand (name, literal, call, group or CASE) ending at `last`; -1 if none.
int primaryStart(const Tokens& tokens, int last)
{
    const Token& token = tokens[last];
    if (isCloseParen(token)) {
        const int open = matching(tokens, last, -1, isCloseParen, isOpenParen);
        const int callee = previousSignificant(tokens, open);
        const bool isCall = open >= 0 && exists(tokens, callee) && tokens[callee].kind == Kind::Word
                            && isNamePart(tokens[callee]);
        return isCall ? dottedNameStart(tokens, callee) : open;
    }
    if (isEnd(token))
        return matching(tokens, last, -1, isEnd, isCase);
    if (isNamePart(token))
        return dottedNameStart(tokens, last);
    return isLiteral(token) ? last : -1;
}

// Last token of the operand starting at `first`; -1 if none.
int primaryEnd(const Tokens& tokens, int first)
{
    if (!exists(tokens, first))
        return -1;
    const Token& token = tokens[first];
    if (isOpenParen(token))
        return matching(tokens, first, +1, isOpenParen, isCloseParen);
    if (isCase(token))
        return matching(tokens, first, +1, isCase, isEnd);
    if (isNamePart(token)) {
        const int end = dottedNameEnd(tokens, first);
        const int open = nextSignificant(tokens, end);
        const bool isCall = token.kind == Kind::Word && exists(tokens, open) && isOpenParen(tokens[open]);
        return isCall ? matching(tokens, open, +1, isOpenParen, isCloseParen) : end;
    }
    return isLiteral(token) ? first : -1;
}

int withUnarySigns(const Tokens& tokens, int start)
{
    for (int sign = previousSignificant(tokens, start);
         exists(tokens, sign) && isUnarySign(tokens[sign])
         && startsOperand(tokens, previousSignificant(tokens, sign));
         sign = previousSignificant(tokens, sign))
        start = sign;
    return start;
}

// First token of the left operand of the "\" at `op`: it reaches back over * / % and earlier
// "\" (left-associative) and stops at anything binding looser.
int leftOperandStart(const Tokens& tokens, int op)
{
    for (int last = previousSignificant(tokens, op); exists(tokens, last);) {
        const int primary = primaryStart(tokens, last);
        if (primary < 0)
            return -1;
        const int start = withUnarySigns(tokens, primary);
        const int before = previousSignificant(tokens, start);
        if (!exists(tokens, before)
            || !(isMultiplicative(tokens[before]) || isIntegerDivision(tokens[before])))
            return start;
        last = previousSignificant(tokens, before);
    }
    return -1;
}

// Last token of the right operand of the "\" at `op`: it takes in * / % but not another "\".
int rightOperandEnd(const Tokens& tokens, int op)
{
    for (int first = nextSignificant(tokens, op);;) {
        while (exists(tokens, first) && isUnarySign(tokens[first]))
            first = nextSignificant(tokens, first);
        const int end = primaryEnd(tokens, first);
        if (end < 0)
            return -1;
        const int after = nextSignificant(tokens, end);
        if (!exists(tokens, after) || !isMultiplicative(tokens[after]))
            return end;
        first = nextSignificant(tokens, after);
    }
}

// Drops plain spaces strictly between two tokens; comments (and the line ends they need) stay.
void dropSpacesBetween(Tokens& tokens, int from, int to)
{
    for (int at = from + 1; at < to; ++at) {
        if (tokens[at].kind == Kind::Comment)
            return;
    }
    for (int at = from + 1; at < to; ++at)
        tokens[at].emitted.clear();
}

void rewriteIntegerDivisions(Tokens& tokens)
{
    for (int op = 0; op < count(tokens); ++op) {
        if (!isIntegerDivision(tokens[op]))
            continue;
        const int first = leftOperandStart(tokens, op);
        const int last = rightOperandEnd(tokens, op);
        if (first < 0 || last < 0)
            continue; // malformed: SQLite will reject the stray "\"
        // Operators are met left to right, so a later one sharing this first token encloses the
        // earlier: prepend.
        tokens[first].before.prepend(QStringLiteral("vesk_intdiv(("));
        tokens[op].emitted = QStringLiteral("), (");
        tokens[last].after.append(QStringLiteral("))"));
        dropSpacesBetween(tokens, previousSignificant(tokens, op), op);
        dropSpacesBetween(tokens, op, nextSignificant(tokens, op));
    }
}

// ---------------------------------------------------------------- TOP n

// Where the SELECT at `select` stops: the ")" or ";" closing its level, or the end. As a
// compound arm it also stops at the next compound operator or the compound's ORDER BY / LIMIT.
int selectStop(const Tokens& tokens, int select, bool asArm)
{
    int depth = 0;
    for (int at = select + 1; at < count(tokens); ++at) {
        const Token& token = tokens[at];
        if (isOpenParen(token))
            ++depth;
        else if (isCloseParen(token) && depth-- == 0)
            return at;
        else if (depth == 0 && isSymbol(token, QLatin1String(";")))
            return at;
        else if (depth == 0 && asArm
                 && (isCompoundOperator(token) || isWord(token, QLatin1String("order"))
                     || isWord(token, QLatin1String("limit"))))
            return at;
    }
    return count(tokens);
}

bool followsCompoundOperator(const Tokens& tokens, int select)
{
    int before = previousSignificant(tokens, select);
    if (exists(tokens, before) && isWord(tokens[before], QLatin1String("all")))
        before = previousSignificant(tokens, before);
    return exists(tokens, before) && isCompoundOperator(tokens[before]);
}

void appendLimit(Tokens& tokens, int select, const QString& rows)
{
    const int armStop = selectStop(tokens, select, true);
    const bool isArm = followsCompoundOperator(tokens, select)
                       || (exists(tokens, armStop) && isCompoundOperator(tokens[armStop]));
    const int last = previousSignificant(tokens, isArm ? armStop : selectStop(tokens, select, false));
    if (!exists(tokens, last))
        return;
    if (isArm) {
        // SQLite takes LIMIT only on a whole compound, so a limited arm becomes a subquery.
        tokens[select].before.prepend(QStringLiteral("SELECT * FROM ("));
        tokens[last].after.append(QStringLiteral(" LIMIT %1)").arg(rows));
    } else {
        tokens[last].after.append(QStringLiteral(" LIMIT %1").arg(rows));
    }
}

bool isWholeNumber(const Token& token)
{
    if (token.kind != Kind::Number)
        return false;
    for (const QChar c : token.text) {
        if (!isDigit(c))
            return false;
    }
    return true;
}

void rewriteTop(Tokens& tokens)
{
    for (int select = 0; select < count(tokens); ++select) {
        if (!isWord(tokens[select], QLatin1String("select")))
            continue;
        int top = nextSignificant(tokens, select);
        if (exists(tokens, top)
            && (isWord(tokens[top], QLatin1String("distinct")) || isWord(tokens[top], QLatin1String("all"))))
            top = nextSignificant(tokens, top);
        const int rows = nextSignificant(tokens, top);
        if (!exists(tokens, rows) || !isWord(tokens[top], QLatin1String("top")) || !isWholeNumber(tokens[rows]))
            continue;
        const int next = nextSignificant(tokens, rows);
        if (exists(tokens, next) && isWord(tokens[next], QLatin1String("percent")))
            continue; // no LIMIT counterpart: SQLite will reject it
        for (int at = top; at < next; ++at)
            tokens[at].emitted.clear();
        appendLimit(tokens, select, tokens[rows].text);
    }
}

// ---------------------------------------------------------------- @@IDENTITY

void rewriteIdentity(Tokens& tokens)
{
    for (Token& token : tokens) {
        if (token.kind == Kind::Variable
            && token.text.compare(QLatin1String("@@identity"), Qt::CaseInsensitive) == 0)
            token.emitted = QStringLiteral("last_insert_rowid()");
    }
}

// ---------------------------------------------------------------- SQL functions

bool anyNull(sqlite3_value** args, int argc)
{
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(args[i]) == SQLITE_NULL)
            return true;
    }
    return false;
}

QString valueText(sqlite3_value* value)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return QString::fromUtf8(text, sqlite3_value_bytes(value));
}

void formatDate(sqlite3_context* context, int argc, sqlite3_value** args)
{
    const QDateTime when = anyNull(args, argc) ? QDateTime() : DateFormat::parse(valueText(args[0]));
    if (!when.isValid()) {
        sqlite3_result_null(context);
        return;
    }
    const QByteArray text = DateFormat::format(when, valueText(args[1])).toUtf8();
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
std::optional<qint64> wholeNumber(sqlite3_value* value)
{
    switch (sqlite3_value_numeric_type(value)) {
    case SQLITE_INTEGER: return sqlite3_value_int64(value);
    case SQLITE_FLOAT: return roundHalfToEven(sqlite3_value_double(value));
    default: return std::nullopt;
    }
}

void integerDivide(sqlite3_context* context, int argc, sqlite3_value** args)
{
    if (anyNull(args, argc)) {
        sqlite3_result_null(context);
        return;
    }
    const std::optional<qint64> dividend = wholeNumber(args[0]);
    const std::optional<qint64> divisor = wholeNumber(args[1]);
    const bool overflows = dividend && divisor && *dividend == std::numeric_limits<qint64>::min()
                           && *divisor == -1;
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

QString translate(const QString& sql)
{
    Tokens tokens = tokenize(sql);
    rewriteIdentity(tokens);
    rewriteIntegerDivisions(tokens); // before TOP, so a LIMIT lands outside any closing "))"
    rewriteTop(tokens);
    QString result;
    result.reserve(sql.size() + 32);
    for (const Token& token : tokens)
        result += token.before + token.emitted + token.after;
    return result;
}

void registerFunctions(sqlite3* db)
{
    // Registering "format" also overrides SQLite's printf-style format() where newer builds have one.
    constexpr int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, "format", 2, flags, nullptr, formatDate, nullptr, nullptr);
    sqlite3_create_function(db, "vesk_intdiv", 2, flags, nullptr, integerDivide, nullptr, nullptr);
}

} // namespace SqlDialect
