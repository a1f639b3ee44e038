#include "shell/CommandLine.h"

#include <chrono>
#include <cstdio>

#include <QTimer>

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include "VersionInfo.h"
#include "core/GenModule.h"
#include "data/DataGlobals.h"
#include "shell/frmMain.h"

namespace {
// Qt's own options, which QApplication reads after this: accepted here and passed on unseen.
struct QtOption {
    const char *name;
    bool takesValue;
};
constexpr QtOption kQtOptions[] = {
    {"platform", true},
    {"platformpluginpath", true},
    {"platformtheme", true},
    {"plugin", true},
    {"qwindowgeometry", true},
    {"qwindowicon", true},
    {"qwindowtitle", true},
    {"display", true},
    {"geometry", true},
    {"session", true},
    {"style", true},
    {"stylesheet", true},
    {"qmljsdebugger", true},
    {"reverse", false},
    {"widgetcount", false},
};

const char *roadName(frmMain::DatabaseRoad road)
{
    switch (road) {
    case frmMain::DatabaseRoad::CommandLine:
        return "command-line";
    case frmMain::DatabaseRoad::BesideProgram:
        return "beside-program";
    case frmMain::DatabaseRoad::UserFolder:
        return "user-folder";
    case frmMain::DatabaseRoad::InstalledCopy:
        return "installed-copy";
    case frmMain::DatabaseRoad::Dialog:
        return "dialog";
    case frmMain::DatabaseRoad::Classroom:
        return "classroom";
    case frmMain::DatabaseRoad::NotFound:
        break;
    }
    return "not-found";
}
} // namespace

CommandLine::CommandLine(const QStringList &arguments)
    : m_program(arguments.isEmpty() ? QCoreApplication::applicationName() : QFileInfo(arguments.first()).fileName())
{
    read(arguments);
}

void CommandLine::read(const QStringList &arguments)
{
    QCommandLineParser parser;
    // "-style fusion", as every Qt program takes it; "-h" and "-v" still work.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral("Practise a multiple-choice certification exam."));
    const QCommandLineOption help(
        {QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help and quit."));
    const QCommandLineOption version(
        {QStringLiteral("v"), QStringLiteral("version")}, QStringLiteral("Show the version and quit."));
    const QCommandLineOption database(QStringLiteral("database"),
        QStringLiteral("Use the exam database FILE, which must be named Exam.mdb, "
                       "for this run."),
        QStringLiteral("FILE"));
    const QCommandLineOption dsn(QStringLiteral("dsn"),
        QStringLiteral("Classroom mode: take the exams from the class's database server "
                       "through the ODBC data source NAME."),
        QStringLiteral("NAME"));
    const QCommandLineOption dbName(QStringLiteral("db-name"),
        QStringLiteral("With --dsn: use the server's database NAME instead of the data "
                       "source's own."),
        QStringLiteral("NAME"));
    QCommandLineOption check(QStringLiteral("check-start"),
        QStringLiteral("Run the start-up, say where Exam.mdb "
                       "was found and quit."));
    check.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({help, version, database, dsn, dbName, check});
    for (const QtOption &qt : kQtOptions) {
        QCommandLineOption option(
            QString::fromLatin1(qt.name), QString(), qt.takesValue ? QStringLiteral("value") : QString());
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    if (!parser.parse(arguments))
        return fail(parser.errorText() + QStringLiteral(" %1 --help lists the options.").arg(m_program));
    if (parser.isSet(help)) {
        m_endsAtOnce = true;
        // The parser names the program only once there is an application object: its own usage
        // line is replaced.
        const QString text = parser.helpText();
        m_output = QStringLiteral("Usage: %1 [options]").arg(m_program) + text.mid(text.indexOf(QLatin1Char('\n')))
            + QStringLiteral("\nExam.mdb is looked for beside the program, then in your data folder\n"
                             "(~/.local/share/vesk), where the installed copy is copied on the first\n"
                             "start; if it is in neither, a file dialog asks for it.\n"
                             "The settings file (~/.config/vesk/vesk.conf) may name a class's server\n"
                             "instead, with the keys dsn and db-name.\n");
        return;
    }
    if (parser.isSet(version)) {
        m_endsAtOnce = true;
        m_output = m_program + QLatin1Char(' ') + QLatin1String(VersionInfo::Version) + QLatin1Char('\n');
        return;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument '%1'. %2 --help lists the options.")
                        .arg(parser.positionalArguments().first(), m_program));
    if (parser.isSet(database)) {
        const QString path = parser.value(database);
        const QFileInfo file(path);
        if (!FileExists(path))
            return fail(QStringLiteral("%1: no such file.").arg(path));
        // The data layer opens Exam.mdb in the chosen folder, so no other name can be used.
        if (file.fileName().compare(QLatin1String("Exam.mdb"), Qt::CaseInsensitive) != 0)
            return fail(QStringLiteral("%1: the exam database must be named Exam.mdb.").arg(path));
        m_databaseFolder = file.absolutePath();
    }
    if (parser.isSet(dbName) && !parser.isSet(dsn))
        return fail(QStringLiteral("--db-name needs --dsn. %1 --help lists the options.").arg(m_program));
    if (parser.isSet(dsn) && parser.isSet(database))
        return fail(QStringLiteral("--dsn and --database cannot be used together. %1 --help lists the options.")
                        .arg(m_program));
    if (parser.isSet(dsn) && parser.value(dsn).trimmed().isEmpty())
        return fail(QStringLiteral("--dsn needs the name of an ODBC data source."));
    m_dsn = parser.value(dsn).trimmed();
    m_dbName = parser.value(dbName).trimmed();
    m_checkStart = parser.isSet(check);
}

QStringList CommandLine::fromArgv(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

void CommandLine::fail(const QString &message)
{
    m_endsAtOnce = true;
    m_exitStatus = 2;
    m_error = m_program + QStringLiteral(": ") + message + QLatin1Char('\n');
}

int CommandLine::report() const
{
    std::fputs(m_output.toLocal8Bit().constData(), stdout);
    std::fputs(m_error.toLocal8Bit().constData(), stderr);
    return m_exitStatus;
}

StartOptions CommandLine::startOptions() const
{
    StartOptions options;
    options.databaseFolder = m_databaseFolder;
    options.askWhenMissing = !m_checkStart;
    options.classroomDsn = m_dsn;
    options.classroomDatabase = m_dbName;
    return options;
}

int CommandLine::reportStart(const frmMain &window)
{
    if (window.isQuitting()) {
        std::fputs("Exam.mdb was not found\n", stderr);
        return 1;
    }
    const bool classroom = window.databaseRoad() == frmMain::DatabaseRoad::Classroom;
    std::fprintf(
        stdout, "%s %s\n", roadName(window.databaseRoad()), (classroom ? gDSN : gDbPath).toLocal8Bit().constData());
    return 0;
}

void CommandLine::probeStartUpWhenAsked(frmMain &window)
{
    if (!qEnvironmentVariableIsSet("VESK_STARTUP_PROBE"))
        return;
    QTimer::singleShot(0, &window, [&window] {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        std::printf(
            "%lld\n", static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
        std::fflush(stdout);
        gQuitNoPrompt = true;
        window.close();
    });
}
