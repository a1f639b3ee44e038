#include "core/UserSettings.h"

#include <QSettings>

namespace {
// Organisation and application both "vesk": the file is vesk/vesk.conf in the user's config folder.
QSettings settings()
{
    return QSettings(QStringLiteral("vesk"), QStringLiteral("vesk"));
}
} // namespace

int UserSettings::passMark()
{
    bool ok = false;
    const int mark = settings().value(QStringLiteral("insight/passMark"), kDefaultPassMark).toInt(&ok);
    return ok && mark >= 1 && mark <= 100 ? mark : kDefaultPassMark;
}

void UserSettings::setPassMark(int percent)
{
    settings().setValue(QStringLiteral("insight/passMark"), qBound(1, percent, 100));
}

int UserSettings::reviewFilter()
{
    const int filter = settings().value(QStringLiteral("insight/reviewFilter"), 0).toInt();
    return filter >= 0 && filter <= 2 ? filter : 0;
}

void UserSettings::setReviewFilter(int filter)
{
    settings().setValue(QStringLiteral("insight/reviewFilter"), filter);
}

bool UserSettings::practiseMistakes()
{
    return settings().value(QStringLiteral("insight/practiseMistakes"), false).toBool();
}

void UserSettings::setPractiseMistakes(bool on)
{
    settings().setValue(QStringLiteral("insight/practiseMistakes"), on);
}

QStringList UserSettings::hiddenChartLines()
{
    return settings().value(QStringLiteral("insight/hiddenChartLines")).toStringList();
}

void UserSettings::setHiddenChartLines(const QStringList &names)
{
    settings().setValue(QStringLiteral("insight/hiddenChartLines"), names);
}

QString UserSettings::reportFolder()
{
    return settings().value(QStringLiteral("insight/reportFolder")).toString();
}

void UserSettings::setReportFolder(const QString &folder)
{
    settings().setValue(QStringLiteral("insight/reportFolder"), folder);
}

QString UserSettings::endedRun()
{
    return settings().value(QStringLiteral("exam/endedRun")).toString();
}

void UserSettings::setEndedRun(const QString &token)
{
    if (token.isEmpty())
        settings().remove(QStringLiteral("exam/endedRun"));
    else
        settings().setValue(QStringLiteral("exam/endedRun"), token);
}
