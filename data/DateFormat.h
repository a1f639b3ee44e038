#pragma once

#include <QDateTime>
#include <QString>

// Date text as the stored queries expect it: the user-defined format codes of the query
// dialect the data layer speaks, and the ISO text the database holds.
namespace DateFormat {

// Renders `when` with format codes: yyyy yy y (day of year), mmmm mmm mm m, dddd ddd dd d,
// hh h, nn n, ss s, AMPM AM/PM am/pm A/P a/p. "mm"/"m" mean minutes right after an hour code
// or right before a seconds code. Hours are 12-hour when an AM/PM code is present.
// "quoted text" and \x are copied literally, as is any other character.
// Returns an empty string for an invalid `when`.
QString format(const QDateTime &when, const QString &pattern);

// The same format codes as a PostgreSQL to_char() pattern, every other character quoted. "A/P"
// and "a/p" have no single-letter counterpart there and show as "AM"/"PM" ("am"/"pm").
QString toCharPattern(const QString &pattern);

// Reads "yyyy-MM-dd HH:mm:ss", "yyyy-MM-ddTHH:mm:ss" or "yyyy-MM-dd" as local time.
// Anything else gives an invalid QDateTime.
QDateTime parse(const QString &text);

} // namespace DateFormat
