#include "data/DateFormat.h"

#include <QList>
#include <QLocale>
#include <QRegularExpression>
#include <QStringView>

namespace {

enum class Field {
    Literal,
    Year4,
    Year2,
    DayOfYear,
    MonthName,
    MonthShortName,
    Month,
    MonthOrMinute, // decided by its neighbours once the whole pattern is read
    Minute,
    DayName,
    DayShortName,
    Day,
    Hour,
    Second,
    AmPm,
};

struct Piece {
    Field field = Field::Literal;
    int width = 1; // digits shown, zero-padded, for numeric fields
    QString text; // literal text, or the AM/PM code as written
};

struct Code {
    char letter;
    int length;
    Field field;
    int width;
};

// Longest code first for each letter, so "mmm" wins over "mm".
constexpr Code kCodes[] = {
    {'y', 4, Field::Year4, 4},
    {'y', 2, Field::Year2, 2},
    {'y', 1, Field::DayOfYear, 1},
    {'m', 4, Field::MonthName, 0},
    {'m', 3, Field::MonthShortName, 0},
    {'m', 2, Field::MonthOrMinute, 2},
    {'m', 1, Field::MonthOrMinute, 1},
    {'d', 4, Field::DayName, 0},
    {'d', 3, Field::DayShortName, 0},
    {'d', 2, Field::Day, 2},
    {'d', 1, Field::Day, 1},
    {'h', 2, Field::Hour, 2},
    {'h', 1, Field::Hour, 1},
    {'n', 2, Field::Minute, 2},
    {'n', 1, Field::Minute, 1},
    {'s', 2, Field::Second, 2},
    {'s', 1, Field::Second, 1},
};

int runLength(QStringView text)
{
    const QChar letter = text.front().toLower();
    int length = 1;
    while (length < text.size() && text.at(length).toLower() == letter)
        ++length;
    return length;
}

// Each read* function returns how many characters of `rest` it consumed, 0 if not its kind.
int readQuoted(QStringView rest, Piece &piece)
{
    if (rest.front() == u'"') {
        const qsizetype close = rest.indexOf(u'"', 1);
        const qsizetype end = close < 0 ? rest.size() : close;
        piece.text = rest.mid(1, end - 1).toString();
        return int(close < 0 ? rest.size() : close + 1);
    }
    if (rest.front() == u'\\' && rest.size() > 1) {
        piece.text = rest.mid(1, 1).toString();
        return 2;
    }
    return 0;
}

int readAmPm(QStringView rest, Piece &piece)
{
    // "AMPM" always shows capitals; the other codes show the case they are written in.
    if (rest.startsWith(u"ampm", Qt::CaseInsensitive)) {
        piece = {Field::AmPm, 0, QStringLiteral("AM/PM")};
        return 4;
    }
    for (const QStringView code : {QStringView(u"am/pm"), QStringView(u"a/p")}) {
        if (rest.startsWith(code, Qt::CaseInsensitive)) {
            piece = {Field::AmPm, 0, rest.left(code.size()).toString()};
            return int(code.size());
        }
    }
    return 0;
}

int readCode(QStringView rest, Piece &piece)
{
    const QChar letter = rest.front().toLower();
    const int run = runLength(rest);
    for (const Code &code : kCodes) {
        if (letter == QLatin1Char(code.letter) && run >= code.length) {
            piece = {code.field, code.width, {}};
            return code.length;
        }
    }
    return 0;
}

int readPiece(QStringView rest, Piece &piece)
{
    if (const int used = readQuoted(rest, piece))
        return used;
    if (const int used = readAmPm(rest, piece))
        return used;
    if (const int used = readCode(rest, piece))
        return used;
    piece.text = rest.left(1).toString();
    return 1;
}

QList<Piece> splitPattern(const QString &pattern)
{
    QList<Piece> pieces;
    for (qsizetype at = 0; at < pattern.size();) {
        Piece piece;
        at += readPiece(QStringView(pattern).mid(at), piece);
        pieces.append(piece);
    }
    return pieces;
}

// The nearest non-literal piece from `from` stepping by `step`, or Literal if none.
Field neighbourField(const QList<Piece> &pieces, qsizetype from, int step)
{
    for (qsizetype at = from + step; at >= 0 && at < pieces.size(); at += step) {
        if (pieces.at(at).field != Field::Literal)
            return pieces.at(at).field;
    }
    return Field::Literal;
}

void resolveMonthOrMinute(QList<Piece> &pieces)
{
    for (qsizetype at = 0; at < pieces.size(); ++at) {
        Piece &piece = pieces[at];
        if (piece.field != Field::MonthOrMinute)
            continue;
        const bool minute
            = neighbourField(pieces, at, -1) == Field::Hour || neighbourField(pieces, at, +1) == Field::Second;
        piece.field = minute ? Field::Minute : Field::Month;
    }
}

bool hasAmPm(const QList<Piece> &pieces)
{
    for (const Piece &piece : pieces) {
        if (piece.field == Field::AmPm)
            return true;
    }
    return false;
}

QString number(int value, int width)
{
    return QString::number(value).rightJustified(width, u'0');
}

QString amPmMark(const QString &code, bool pm)
{
    const bool letterOnly = code.size() == 3; // "A/P"
    const QString mark = letterOnly ? (pm ? QStringLiteral("P") : QStringLiteral("A"))
                                    : (pm ? QStringLiteral("PM") : QStringLiteral("AM"));
    return code.front().isLower() ? mark.toLower() : mark;
}

int clockHour(int hour, bool twelveHour)
{
    if (!twelveHour)
        return hour;
    const int hour12 = hour % 12;
    return hour12 == 0 ? 12 : hour12;
}

QString render(const Piece &piece, const QDate &date, const QTime &time, bool twelveHour)
{
    // English names whatever the machine's locale, so SQL results do not depend on it.
    const QLocale names = QLocale::c();
    switch (piece.field) {
    case Field::Literal:
        return piece.text;
    case Field::Year4:
        return number(date.year(), 4);
    case Field::Year2:
        return number(date.year() % 100, 2);
    case Field::DayOfYear:
        return number(date.dayOfYear(), 1);
    case Field::MonthName:
        return names.monthName(date.month());
    case Field::MonthShortName:
        return names.monthName(date.month(), QLocale::ShortFormat);
    case Field::Month:
    case Field::MonthOrMinute:
        return number(date.month(), piece.width);
    case Field::Minute:
        return number(time.minute(), piece.width);
    case Field::DayName:
        return names.dayName(date.dayOfWeek());
    case Field::DayShortName:
        return names.dayName(date.dayOfWeek(), QLocale::ShortFormat);
    case Field::Day:
        return number(date.day(), piece.width);
    case Field::Hour:
        return number(clockHour(time.hour(), twelveHour), piece.width);
    case Field::Second:
        return number(time.second(), piece.width);
    case Field::AmPm:
        return amPmMark(piece.text, time.hour() >= 12);
    }
    return {};
}

} // namespace

namespace DateFormat {

QString format(const QDateTime &when, const QString &pattern)
{
    if (!when.isValid())
        return {};
    QList<Piece> pieces = splitPattern(pattern);
    resolveMonthOrMinute(pieces);
    const bool twelveHour = hasAmPm(pieces);
    const QDate date = when.date();
    const QTime time = when.time();
    QString text;
    for (const Piece &piece : pieces)
        text += render(piece, date, time, twelveHour);
    return text;
}

QString toCharPattern(const QString &pattern)
{
    QList<Piece> pieces = splitPattern(pattern);
    resolveMonthOrMinute(pieces);
    const bool twelveHour = hasAmPm(pieces);
    const auto numeric = [](int width, const char *code) {
        return (width == 1 ? QStringLiteral("FM") : QString()) + QLatin1String(code);
    };
    QString result;
    QString literal;
    const auto flushLiteral = [&] {
        if (literal.isEmpty())
            return;
        QString escaped = literal;
        escaped.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
        result += u'"' + escaped + u'"';
        literal.clear();
    };
    for (const Piece &piece : pieces) {
        if (piece.field == Field::Literal) {
            literal += piece.text;
            continue;
        }
        flushLiteral();
        switch (piece.field) {
        case Field::Literal:
            break;
        case Field::Year4:
            result += QStringLiteral("YYYY");
            break;
        case Field::Year2:
            result += QStringLiteral("YY");
            break;
        case Field::DayOfYear:
            result += QStringLiteral("FMDDD");
            break;
        case Field::MonthName:
            result += QStringLiteral("FMMonth");
            break;
        case Field::MonthShortName:
            result += QStringLiteral("Mon");
            break;
        case Field::Month:
        case Field::MonthOrMinute:
            result += numeric(piece.width, "MM");
            break;
        case Field::Minute:
            result += numeric(piece.width, "MI");
            break;
        case Field::DayName:
            result += QStringLiteral("FMDay");
            break;
        case Field::DayShortName:
            result += QStringLiteral("Dy");
            break;
        case Field::Day:
            result += numeric(piece.width, "DD");
            break;
        case Field::Hour:
            result += numeric(piece.width, twelveHour ? "HH12" : "HH24");
            break;
        case Field::Second:
            result += numeric(piece.width, "SS");
            break;
        case Field::AmPm:
            result += piece.text.front().isLower() ? QStringLiteral("am") : QStringLiteral("AM");
            break;
        }
    }
    flushLiteral();
    return result;
}

QDateTime parse(const QString &text)
{
    static const QRegularExpression shape(QRegularExpression::anchoredPattern(
        QStringLiteral("([0-9]{4})-([0-9]{2})-([0-9]{2})(?:[ T]([0-9]{2}):([0-9]{2}):([0-9]{2}))?")));
    const QRegularExpressionMatch match = shape.match(text);
    if (!match.hasMatch())
        return {};
    const auto field = [&match](int group) { return match.captured(group).toInt(); };
    const QDate date(field(1), field(2), field(3));
    const QTime time(field(4), field(5), field(6)); // absent time fields read as 0
    if (!date.isValid() || !time.isValid())
        return {};
    const QDateTime local(date, time);
    // A wall-clock time skipped by a daylight-saving change is invalid as local time; keep its
    // fields (as UTC) so a date written under another zone still reads and formats.
    return local.isValid() ? local : QDateTime(date, time, Qt::UTC);
}

} // namespace DateFormat
