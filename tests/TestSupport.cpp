#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QMdiArea>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QWidget>

#include <sqlcipher/sqlite3.h>

#include "data/ConnectionPool.h"
#include "data/DataGlobals.h"
#include "data/ExamSchema.h"
#include "data/PoolBuilder.h"
#include "data/Recordset.h"
#include "data/SqliteHandle.h"
#include "data/cDBAccess.h"
#include "platform/AppExit.h"
#include "platform/Clock.h"
#include "platform/DesktopShell.h"
#include "platform/FileDialog.h"
#include "platform/GenModule.h"
#include "platform/MessageBox.h"
#include "platform/PrintDialog.h"
#include "platform/SystemBeep.h"
#include "shell/frmMain.h"

namespace {
std::unique_ptr<SqliteHandle> openKeyed(const QString &path)
{
    sqlite3 *raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    auto db = std::make_unique<SqliteHandle>(raw);
    if (rc != SQLITE_OK)
        qFatal("cannot open %s", qPrintable(path));
    sqlite3_busy_timeout(raw, 5000);
    sqlite3_exec(raw, "PRAGMA key = 'QOMB';", nullptr, nullptr, nullptr);
    return db;
}
} // namespace

QString TestSupport::settingsFolder()
{
    // One folder a test process: the program's settings never reach the real home.
    static QTemporaryDir folder;
    return folder.path();
}

void TestSupport::resetProgramState()
{
    QStandardPaths::setTestModeEnabled(true);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsFolder());
    QSettings(QStringLiteral("vesk"), QStringLiteral("vesk")).clear();
    PrintDialog::resetTestState();
    MessageBox::setTestMode(true);
    AppExit::setTestMode(true);
    Clock::setManual(true);
    Clock::setNow(QDateTime(QDate(2026, 12, 4), QTime(0, 30, 0)));
    DesktopShell::setHandler([](const DesktopShell::Request &) { return int(DesktopShell::Opened); });
    FileDialog::resetTestState();
    SystemBeep::resetCount();
    ConnectionPool::clear();
    ConnectionPool::setBusyTimeout(5000);
    gRs.reset();
    gDB.reset();
    gConnection.reset();
    gDbPath.clear();
    gQuitNoPrompt = false;
    gMenuLoaded = gExamLoaded = gViewExamLoaded = false;
    gMsgResult.clear();
    gNumOfQuestions = 0;
    gTimeLeft = 0;
    gExamID = 0;
    gUserName.clear();
    gSQL.clear();
    SetAppFolder(QString());
}

void TestSupport::buildDatabase(const QString &path, const std::array<int, 6> &counts,
                                const std::array<int, 6> &trueFalse)
{
    PoolBuilder builder;
    const QStringList categories = ExamSchema::categories();
    const QString letters = QStringLiteral("ABCD");
    for (int c = 0; c < 6; ++c) {
        for (int i = 1; i <= counts[size_t(c)]; ++i) {
            PoolBuilder::Question q;
            q.category = categories.at(c);
            q.question = QStringLiteral("%1 question %2").arg(categories.at(c)).arg(i);
            q.explanation = QStringLiteral("Because of %1.").arg(i);
            if (i <= trueFalse[size_t(c)]) {
                q.a = QStringLiteral("True");
                q.b = QStringLiteral("False");
                q.correct = i % 2 ? QStringLiteral("A") : QStringLiteral("B");
            } else {
                q.a = QStringLiteral("Choice A of %1").arg(i);
                q.b = QStringLiteral("Choice B of %1").arg(i);
                q.c = QStringLiteral("Choice C of %1").arg(i);
                q.d = QStringLiteral("Choice D of %1").arg(i);
                q.correct = letters.at((i - 1) % 4);
            }
            builder.addQuestion(q);
        }
    }
    if (!builder.build(path, PoolBuilder::Mode::Create))
        qFatal("cannot build %s: %s", qPrintable(path), qPrintable(builder.errors().join(QLatin1Char('\n'))));
}

void TestSupport::exec(const QString &path, const QString &sql)
{
    auto db = openKeyed(path);
    char *message = nullptr;
    if (sqlite3_exec(db->get(), sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        const QString text = QString::fromUtf8(message);
        sqlite3_free(message);
        qFatal("statement failed: %s: %s", qPrintable(sql), qPrintable(text));
    }
}

QList<QVariantList> TestSupport::query(const QString &path, const QString &sql)
{
    auto db = openKeyed(path);
    SqliteStatement stmt(db->get(), sql);
    if (!stmt.isValid())
        qFatal("query failed: %s: %s", qPrintable(sql), qPrintable(db->lastMessage()));
    QList<QVariantList> rows;
    while (stmt.step() == SQLITE_ROW) {
        QVariantList row;
        for (int i = 0; i < stmt.columnCount(); ++i)
            row.append(stmt.column(i));
        rows.append(row);
    }
    return rows;
}

QVariant TestSupport::scalar(const QString &path, const QString &sql)
{
    const QList<QVariantList> rows = query(path, sql);
    return rows.isEmpty() || rows.first().isEmpty() ? QVariant() : rows.first().first();
}

std::unique_ptr<frmMain> TestSupport::startProgram(const QString &folder)
{
    SetAppFolder(folder);
    auto window = std::make_unique<frmMain>();
    window->start();
    return window;
}

QVariantList TestSupport::box(int i)
{
    const MessageBox::Shown shown = MessageBox::shown().value(i < 0 ? MessageBox::shown().size() + i : i);
    return {shown.text, shown.title, int(shown.icon)};
}

QString TestSupport::pdfText(const QString &path)
{
    QProcess extract;
    extract.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!extract.waitForFinished(30000) || extract.exitCode() != 0)
        return QString();
    return QString::fromUtf8(extract.readAllStandardOutput());
}

void TestSupport::screenshotPdf(const QString &path, const QString &name)
{
    const QString folder = qEnvironmentVariable("VESK_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    // The first page at 60 dpi: pdftoppm names it <prefix>-1.png.
    const QString prefix = QDir(folder).filePath(name);
    QProcess::execute(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("60"),
                                                   QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                                   QStringLiteral("1"), path, prefix});
}

void TestSupport::screenshot(QWidget *widget, const QString &name)
{
    const QString folder = qEnvironmentVariable("VESK_SCREENSHOTS");
    if (folder.isEmpty() || !widget)
        return;
    QDir().mkpath(folder);
    widget->grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

TestSupport::Program::Program(const QString &folder)
    : m_folder(folder.isEmpty() ? m_dir.path() : m_dir.filePath(folder))
{
    if (!QDir().mkpath(m_folder))
        qFatal("cannot make the folder %s", qPrintable(m_folder));
}

TestSupport::Program::~Program()
{
    if (m_window) {
        gQuitNoPrompt = true;
        m_window->close();
        m_window.reset();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestSupport::Program::build(const std::array<int, 6> &counts, const std::array<int, 6> &trueFalse)
{
    buildDatabase(dbPath(), counts, trueFalse);
}

frmMain *TestSupport::Program::start()
{
    m_window = startProgram(m_folder);
    m_window->resize(1000, 760);
    return m_window.get();
}

QString TestSupport::Program::dbPath() const
{
    return QDir(m_folder).filePath(QStringLiteral("Exam.mdb"));
}
