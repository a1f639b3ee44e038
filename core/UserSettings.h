#pragma once

#include <QString>
#include <QStringList>

// The candidate's choices kept between runs, in the program's one settings file
// (~/.config/vesk/vesk.conf): the pass mark and the study views' choices.
class UserSettings final {
public:
    static constexpr int kDefaultPassMark = 65;

    // Percent a category or an exam needs to pass, 1 to 100.
    static int passMark();
    static void setPassMark(int percent);

    // The review's filter: 0 all questions, 1 wrong only, 2 flagged only.
    static int reviewFilter();
    static void setReviewFilter(int filter);

    // The set-up's "Only questions I answered wrong before".
    static bool practiseMistakes();
    static void setPractiseMistakes(bool on);

    // The progress chart's lines the legend turned off.
    static QStringList hiddenChartLines();
    static void setHiddenChartLines(const QStringList &names);

    // The run that ended through a fatal failure (its RunToken), empty when none is pending.
    static QString endedRun();
    static void setEndedRun(const QString &token);

    // The folder the last report was saved in.
    static QString reportFolder();
    static void setReportFolder(const QString &folder);

private:
    UserSettings() = delete;
};
