#pragma once

#include <QString>
#include <QStringList>

#include "shell/StartOptions.h"

class frmMain;

// What the program is asked on its command line, read before any window is made (so that --help
// works without a display): --help, --version, --database FILE (an exam database for this run),
// --dsn NAME and --db-name NAME (classroom mode: the exams on a server, through an ODBC data source),
// and --check-start, left out of the help, which runs the start-up alone and says where Exam.mdb
// was found (the install checks use it).
class CommandLine final {
    Q_DISABLE_COPY_MOVE(CommandLine)

public:
    explicit CommandLine(const QStringList &arguments);
    static QStringList fromArgv(int argc, char *argv[]);

    // The program ends before any window: after help or version (status 0), or a mistake (status 2).
    bool endsAtOnce() const { return m_endsAtOnce; }
    int exitStatus() const { return m_exitStatus; }
    // Text for standard output (help, version), and the one line for standard error.
    QString output() const { return m_output; }
    QString error() const { return m_error; }
    // Prints output() and error(), and gives exitStatus().
    int report() const;

    StartOptions startOptions() const;
    bool checkStart() const { return m_checkStart; }
    // For --check-start: after the start-up, prints how Exam.mdb was found and gives 0, or says
    // that it was not found and gives 1.
    static int reportStart(const frmMain &window);
    // The benchmark's start-up probe (VESK_STARTUP_PROBE set): once the main window is shown and
    // the start-up sequence is done, prints the steady clock (nanoseconds, shared by every process
    // of the machine) and ends the program.
    static void probeStartUpWhenAsked(frmMain &window);

private:
    void read(const QStringList &arguments);
    void fail(const QString &message);

    QString m_program;
    QString m_output;
    QString m_error;
    QString m_databaseFolder;
    QString m_dsn;
    QString m_dbName;
    int m_exitStatus = 0;
    bool m_endsAtOnce = false;
    bool m_checkStart = false;
};
