#include "TestSupport.h"

#include <deque>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QSettings>
#include <QTableView>
#include <QTest>
#include <QWidget>

#include <sqlcipher/sqlite3.h>

#include "core/AppExit.h"
#include "core/Clock.h"
#include "core/GenModule.h"
#include "core/SignIn.h"
#include "data/ConnectionPool.h"
#include "data/DataGlobals.h"
#include "data/ExamSchema.h"
#include "data/PoolBuilder.h"
#include "data/Recordset.h"
#include "data/SqliteHandle.h"
#include "data/cDBAccess.h"
#include "exam/frmExam.h"
#include "platform/CoreHandlers.h"
#include "platform/DesktopShell.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "platform/PrintDialog.h"
#include "platform/SystemBeep.h"
#include "review/ExamListModel.h"
#include "review/frmViewExam.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"

using namespace Qt::StringLiterals;

namespace {
std::shared_ptr<SqliteHandle> openKeyed(const QString &path)
{
    SqliteHandle::Opened opened = SqliteHandle::openKeyed(path, SQLITE_OPEN_READWRITE, u"QOMB"_s, 5000);
    if (!opened.handle)
        qFatal("cannot open %s: %s", qPrintable(path), qPrintable(opened.message));
    return opened.handle;
}
} // namespace

void TestSupport::pointHomeAt(const QString &root)
{
    const std::pair<const char *, const char *> folders[]
        = {{"HOME", "/home"}, {"XDG_DATA_HOME", "/data"}, {"XDG_CONFIG_HOME", "/config"}, {"XDG_CACHE_HOME", "/cache"},
            {"XDG_DATA_DIRS", "/system"}, {"XDG_CONFIG_DIRS", "/system-config"}};
    for (const auto &[variable, folder] : folders)
        qputenv(variable, QFile::encodeName(root + QLatin1String(folder)));
}

QString TestSupport::settingsFolder()
{
    static QTemporaryDir folder; // one a process: settings never reach the real home
    return folder.path();
}

void TestSupport::resetProgramState()
{
    static const QTemporaryDir home; // where a program without Exam.mdb beside it looks next
    pointHomeAt(home.path());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsFolder());
    QSettings(QStringLiteral("vesk"), QStringLiteral("vesk")).clear();
    PrintDialog::resetTestState();
    InstallCoreHandlers();
    MessageBox::setTestMode(true);
    SignIn::setTestMode(true);
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
    gDbProvider = 1;
    gDSN.clear();
    gDbName.clear();
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

void TestSupport::fillPool(PoolBuilder &builder, const std::array<int, 6> &counts, const std::array<int, 6> &trueFalse)
{
    const QStringList categories = ExamSchema::categories();
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
                q.correct = u"ABCD"_s.at((i - 1) % 4);
            }
            builder.addQuestion(q);
        }
    }
}

void TestSupport::buildDatabase(
    const QString &path, const std::array<int, 6> &counts, const std::array<int, 6> &trueFalse)
{
    PoolBuilder builder;
    fillPool(builder, counts, trueFalse);
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
    return query(path, sql).value(0).value(0);
}

std::shared_ptr<SqliteHandle> TestSupport::holdWriteLock(const QString &path)
{
    auto db = openKeyed(path);
    if (sqlite3_exec(db->get(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        qFatal("cannot lock %s: %s", qPrintable(path), qPrintable(db->lastMessage()));
    return db;
}

qint32 TestSupport::storeExam(const QString &path, const QString &name, const QString &date, int questions,
    const QVariant &result, const QList<std::pair<int, QString>> &answers)
{
    const QString quoted = QString(name).replace(u'\'', u"''"_s);
    exec(path,
        u"INSERT INTO ExamTitle (UserName, ExamDate, NumOfQuestions, ExamResult) VALUES ('%1', '%2', %3, %4)"_s
            .arg(quoted, date)
            .arg(questions)
            .arg(result.isNull() ? u"NULL"_s : result.toString()));
    const qint32 examId = scalar(path, u"SELECT max(ExamID) FROM ExamTitle"_s).toInt();
    for (const auto &[qid, answer] : answers)
        exec(path,
            u"INSERT INTO ExamDetails (ExamID, UserName, QID, Answer, Answered) "
            "VALUES (%1, '%2', %3, NULLIF('%4', ''), -('%4' <> ''))"_s.arg(
                QString::number(examId), quoted, QString::number(qid), answer));
    return examId;
}

qint32 TestSupport::storeAnswered(
    const QString &path, const QString &name, const QString &blocks, bool scored, bool practice, const QString &date)
{
    const QString quoted = QString(name).replace(u'\'', u"''"_s);
    int count = 0, right = 0;
    QString details; // one script, one keyed connection: opening one costs the key's derivation
    for (const QString &block : blocks.split(u' ', Qt::SkipEmptyParts)) {
        const QString head = block.section(u':', 0, 0), outcomes = block.section(u':', 1);
        const QString category = ExamSchema::categories().at(head.section(u'@', 0, 0).toInt());
        const int first = head.contains(u'@') ? head.section(u'@', 1).toInt() : 1;
        for (int k = 0; k < outcomes.size(); ++k, ++count) {
            const int key = (first + k - 1) % 4; // fillPool's correct letter
            const QChar outcome = outcomes.at(k);
            right += outcome.toUpper() == u'R' ? 1 : 0;
            const QString answer = outcome == u'-' ? QString()
                : outcome == u'W'                  ? QString(u"ABCD"_s.at((key + 1) % 4))
                : outcome == u'r'                  ? QString(u"abcd"_s.at(key))
                                                   : QString(u"ABCD"_s.at(key));
            details += u"INSERT INTO ExamDetails (ExamID, UserName, QID, Answer, Answered) SELECT max(ExamID), '%1', "
                       "(SELECT QID FROM Q_A WHERE Question = '%2 question %3'), NULLIF('%4', ''), -('%4' <> '') "
                       "FROM ExamTitle;"_s.arg(quoted, category, QString::number(first + k), answer);
        }
    }
    exec(path,
        u"BEGIN; INSERT INTO ExamTitle (UserName, ExamDate, NumOfQuestions, ExamResult) VALUES ('%1', '%2', %3, %4);"_s
                .arg(quoted, date)
                .arg(count)
                .arg(scored ? QString::number(right) : u"NULL"_s)
            + details
            + (practice ? u"INSERT INTO PracticeExams (ExamID) SELECT max(ExamID) FROM ExamTitle;"_s : QString())
            + u"COMMIT;"_s);
    return scalar(path, u"SELECT max(ExamID) FROM ExamTitle"_s).toInt();
}

void TestSupport::click(QWidget *widget)
{
    QTest::mouseClick(widget, Qt::LeftButton);
}

frmExam *TestSupport::openExam(frmMain *window, int answer)
{
    if (answer >= 0)
        MessageBox::setNextAnswer(answer);
    window->menuForm()->OpenScreen(MenuCommand::StartExam);
    return window->examForm();
}

frmExam *TestSupport::startExam(frmMain *window, const QString &name, const QList<int> &categories, int countIndex)
{
    frmExam *exam = window->examForm() ? window->examForm() : openExam(window);
    QTest::keyClicks(exam->Text1(ExamText::User), name);
    for (const int c : categories)
        click(exam->chkCategory(c));
    click(exam->optTask(countIndex));
    click(exam->Command1(ExamCommand::StartExam));
    return exam;
}

void TestSupport::key(int key)
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
}

void TestSupport::endExam(frmExam *exam, int answer)
{
    if (answer >= 0)
        MessageBox::setNextAnswer(answer);
    click(exam->Command1(ExamCommand::EndExam));
}

frmViewExam *TestSupport::openResults(frmMain *window)
{
    window->menuForm()->OpenScreen(MenuCommand::ViewExam);
    return window->viewExamForm();
}

frmViewExam *TestSupport::review(frmMain *window, int row)
{
    frmViewExam *view = window->viewExamForm() ? window->viewExamForm() : openResults(window);
    const QPoint where = view->Grid1()->visualRect(view->gridModel()->index(row, 1)).center();
    // A double click counts on the line its first press chose.
    QTest::mouseClick(view->Grid1()->viewport(), Qt::LeftButton, {}, where);
    QTest::mouseDClick(view->Grid1()->viewport(), Qt::LeftButton, {}, where);
    return view;
}

std::unique_ptr<frmMain> TestSupport::startProgram(const QString &folder)
{
    SetAppFolder(folder);
    auto window = std::make_unique<frmMain>();
    window->start();
    return window;
}

QStringList TestSupport::installedFiles(const QString &appId)
{
    QStringList files;
    for (const QStringList &row : caseTable(u"sessions/installed-files.tsv"_s).rows)
        files << row.first().arg(appId);
    files.sort();
    return files;
}

QStringList TestSupport::filesUnder(const QString &root)
{
    QStringList files;
    for (QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
        files << QDir(root).relativeFilePath(it.next());
    files.sort();
    return files;
}

TestSupport::Run TestSupport::run(
    const QString &program, const QStringList &arguments, const QProcessEnvironment &environment, int timeoutSeconds)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Run result;
    if (!process.waitForFinished(timeoutSeconds < 0 ? -1 : timeoutSeconds * 1000)) {
        process.kill();
        process.waitForFinished();
        result.err = u"%1 did not end: %2"_s.arg(program, process.errorString());
        return result;
    }
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    if (process.exitStatus() == QProcess::NormalExit)
        result.status = process.exitCode();
    return result;
}

QVariantList TestSupport::box(int i)
{
    const MessageBox::Shown shown = MessageBox::shown().value(i < 0 ? MessageBox::shown().size() + i : i);
    return {shown.text, shown.title, int(shown.icon)};
}

QString TestSupport::pdfText(const QString &path)
{
    const Run extract = run(u"pdftotext"_s, {u"-layout"_s, path, u"-"_s}, QProcessEnvironment::systemEnvironment(), 30);
    return extract.status == 0 ? extract.out : QString();
}

void TestSupport::screenshotPdf(const QString &path, const QString &name)
{
    const QString folder = qEnvironmentVariable("VESK_SCREENSHOTS");
    if (!folder.isEmpty() && QDir().mkpath(folder)) // pdftoppm names the first page <prefix>-1.png
        QProcess::execute(u"pdftoppm"_s,
            {u"-png"_s, u"-r"_s, u"60"_s, u"-f"_s, u"1"_s, u"-l"_s, u"1"_s, path, QDir(folder).filePath(name)});
}

void TestSupport::screenshot(QWidget *widget, const QString &name)
{
    const QString folder = qEnvironmentVariable("VESK_SCREENSHOTS");
    if (!folder.isEmpty() && widget && QDir().mkpath(folder))
        widget->grab().save(QDir(folder).filePath(name + u".png"_s));
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

QString TestSupport::testData(const QString &relativePath)
{
    const QString root
        = qEnvironmentVariableIsSet("VESK_TEST_DATA") ? qEnvironmentVariable("VESK_TEST_DATA") : QFINDTESTDATA("data");
    return QDir(root).filePath(relativePath);
}

TestSupport::CaseTable TestSupport::caseTable(const QString &relativePath)
{
    QFile file(testData(relativePath));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read the case table %s", qPrintable(file.fileName()));
    CaseTable table;
    const auto unescape = [](const QString &cell) {
        QString out;
        for (qsizetype i = 0; i < cell.size(); ++i) {
            const bool escaped = cell.at(i) == u'\\' && i + 1 < cell.size();
            const QChar c = cell.at(escaped ? ++i : i);
            out += !escaped ? c : c == u't' ? QChar(u'\t') : c == u'n' ? QChar(u'\n') : c;
        }
        return out;
    };
    for (const QByteArray &raw : file.readAll().split('\n')) {
        QString line = QString::fromUtf8(raw);
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(u'#'))
            continue;
        QStringList cells = line.split(u'\t');
        for (QString &cell : cells)
            cell = unescape(cell);
        if (table.columns.isEmpty())
            table.columns = cells;
        else if (cells.size() != table.columns.size())
            qFatal("%s: the row \"%s\" has %d cells, the table %d columns", qPrintable(relativePath),
                qPrintable(cells.value(0)), int(cells.size()), int(table.columns.size()));
        else
            table.rows.append(cells);
    }
    return table;
}

void TestSupport::addCases(const QString &relativePath)
{
    static std::deque<QByteArray> names; // Qt Test keeps the names' pointers
    const CaseTable table = caseTable(relativePath);
    for (const QString &column : table.columns)
        QTest::addColumn<QString>(names.emplace_back(column.toUtf8()).constData());
    for (const QStringList &row : table.rows) {
        QTestData &data = QTest::newRow(row.first().toUtf8().constData());
        for (const QString &cell : row)
            data << cell;
    }
}
