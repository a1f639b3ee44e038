#pragma once

#include <array>

#include <QList>
#include <QString>
#include <QTest>

#include "data/ExamDraw.h"

// Readers of the current case's cells (all text): as text, several at once for a structured binding,
// a number, a flag; "2 4" as {2, 4}; "0 4" as the categories ticked (6: all of them).
namespace SessionCases {

inline QString text(const char *column)
{
    return *static_cast<QString *>(QTest::qData(column, qMetaTypeId<QString>()));
}
template <typename... Column> std::array<QString, sizeof...(Column)> texts(const Column &...columns)
{
    return {text(columns)...};
}
inline int number(const char *column)
{
    return text(column).toInt();
}
inline bool flag(const char *column)
{
    return number(column) != 0;
}

inline QList<int> numbers(const QString &text)
{
    QList<int> parsed;
    for (const QString &n : text.split(u' ', Qt::SkipEmptyParts))
        parsed << n.toInt();
    return parsed;
}

inline ExamDraw::Ticked ticked(const QString &categories)
{
    ExamDraw::Ticked result{};
    for (const int c : numbers(categories))
        result[size_t(c)] = true;
    return result;
}

} // namespace SessionCases
