#include <cstdio>

#include "QuestionCases.h"
#include "ScreenSuite.h"

#include "data/Connection.h"
#include "data/ConnectionPool.h"
#include "data/Database.h"
#include "data/SqliteHandle.h"
#include "platform/DesktopShell.h"

constexpr std::array<int, 6> kCounts{3, 2, 2, 1, 1, 1}; // 10 questions

class tst_connection final : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString dbFile() const { return m_dir->filePath(u"Exam.mdb"_s); }
    // As every screen does: a new access object, then the connection.
    bool openProgramDb(const QString &folder, int provider = 1)
    {
        gDbPath = folder;
        return (gDB = std::make_unique<cDBAccess>())->Open_Connection(provider);
    }
    bool buildAndOpen()
    {
        TestSupport::buildDatabase(dbFile(), kCounts);
        return openProgramDb(m_dir->path());
    }
    QVariant programScalar(const QString &sql)
    {
        const std::shared_ptr<Recordset> rs = gDB->GetRS(sql);
        return rs && !rs->Eof() ? rs->value(0, 0) : QVariant();
    }

private slots:
    void init()
    {
        TestSupport::resetProgramState();
        m_dir = std::make_unique<QTemporaryDir>();
    }
    void cleanup()
    {
        gRs.reset();
        gDB.reset();
        gConnection.reset();
        m_dir.reset();
    }

    void describesProviders_data() { TestSupport::addCases(u"sessions/connection-providers.tsv"_s); }
    void describesProviders()
    {
        QFETCH(QString, expected);
        QCOMPARE(cDBAccess::connectionDescription(SessionCases::number("provider"), u"/x"_s, u"ExamDb"_s, u"ExamDSN"_s),
            expected);
    }

    void opensDatabaseAndItsReplacement_data() { TestSupport::addCases(u"sessions/connection-open.tsv"_s); }
    void opensDatabaseAndItsReplacement()
    {
        const auto [fileName, folderSuffix] = SessionCases::texts("fileName", "folderSuffix");
        const QString file = m_dir->filePath(fileName), other = m_dir->filePath(u"other.mdb"_s);
        TestSupport::buildDatabase(file, kCounts);
        QVERIFY(openProgramDb(m_dir->path() + folderSuffix));
        QVERIFY(MessageBox::shown().isEmpty() && !AppExit::requested());
        QCOMPARE(programScalar(u"SELECT count(*) FROM Q_A"_s), QVariant(qlonglong(10)));
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{fileName}); // no second file
        TestSupport::buildDatabase(other, {2, 1, 0, 0, 0, 0});
        QCOMPARE(std::rename(QFile::encodeName(other).constData(), QFile::encodeName(file).constData()), 0);
        QVERIFY(openProgramDb(m_dir->path() + folderSuffix));
        QCOMPARE(programScalar(u"SELECT count(*) FROM Q_A"_s), QVariant(qlonglong(3)));
    }

    void fatalFailureExits_data() { TestSupport::addCases(u"sessions/connection-fatal.tsv"_s); }
    void fatalFailureExits()
    {
        const auto [setup, title, text] = SessionCases::texts("setup", "title", "text");
        const int provider = SessionCases::number("provider");
        const bool fileError = title == "File Error"_L1, unusable = title == "Database Connection"_L1;
        std::shared_ptr<Recordset> held;
        if (setup == "folder"_L1) {
            QVERIFY(QDir(m_dir->path()).mkdir(u"Exam.mdb"_s));
        } else if (setup == "noise"_L1 || setup == "empty"_L1 || setup == "schemaless"_L1) {
            QFile file(dbFile());
            QVERIFY(
                file.open(QIODevice::WriteOnly) && file.write(QByteArray(setup == "noise"_L1 ? 8192 : 0, 'Z')) >= 0);
            file.close();
            if (setup == "schemaless"_L1)
                TestSupport::exec(dbFile(), u"CREATE TABLE Notes (Text TEXT)"_s);
        } else if (setup == "deleted"_L1) {
            QVERIFY(buildAndOpen());
            held = gDB->GetRS(u"SELECT * FROM Q_A"_s);
            QVERIFY(held && QFile::remove(dbFile()));
        } else if (setup != "none"_L1) {
            TestSupport::buildDatabase(dbFile(), kCounts);
            if (setup == "rekeyed"_L1)
                TestSupport::exec(dbFile(), u"PRAGMA rekey = 'other';"_s);
            if (setup == "query"_L1)
                QVERIFY(openProgramDb(m_dir->path()));
        }
        const QByteArray before = QuestionCases::bytesOf(dbFile());
        QCOMPARE(before.isEmpty(), fileError || setup == "empty"_L1);

        if (setup == "query"_L1)
            QCOMPARE(gDB->GetRS(u"SELECT * FROM NoSuchTable"_s), nullptr);
        else
            QVERIFY(!openProgramDb(m_dir->path(), provider));
        QCOMPARE(gDB->mConnectionString.isEmpty(), provider != 1);
        QCOMPARE(MessageBox::shown().size(), 1);
        const MessageBox::Shown box = MessageBox::shown().first();
        QCOMPARE(box.title, title);
        QCOMPARE(box.icon, unusable ? MessageBox::Critical : MessageBox::NoIcon);
        QCOMPARE(box.buttons, MessageBox::OkOnly);
        QCOMPARE(unusable ? box.text : box.text.left(text.size()), text);
        if (!unusable)
            QCOMPARE(gDB->mLastError, box.text);
        QCOMPARE(DesktopShell::requests().size(), unusable ? 1 : 0);
        QCOMPARE(DesktopShell::requests().value(0).file,
            unusable ? QString::fromLatin1(cDBAccess::kDownloadPage) : QString());
        QVERIFY(AppExit::requested());
        // Nothing is written, and a missing database is never created empty.
        QCOMPARE(QuestionCases::bytesOf(dbFile()), before);
        QCOMPARE(QFileInfo(dbFile()).isDir(), setup == "folder"_L1);
        QCOMPARE(QFileInfo::exists(dbFile()), setup == "folder"_L1 || !fileError);
    }

    void failedStatementLeavesNothing_data() { TestSupport::addCases(u"sessions/connection-failed-statement.tsv"_s); }
    void failedStatementLeavesNothing()
    {
        const auto [setup, statement] = SessionCases::texts("setup", "statement");
        QVERIFY(buildAndOpen());
        TestSupport::exec(
            dbFile(), setup + u"INSERT INTO ExamTitle (UserName, ExamResult) VALUES ('ann', 5), ('bob', 0)"_s);
        QVERIFY(!gDB->ExecuteSQL(statement));
        QVERIFY(MessageBox::shown().isEmpty() && !AppExit::requested());
        QVERIFY2(gDB->mLastError.contains(QRegularExpression(u"^-?\\d+ - .+"_s)), qPrintable(gDB->mLastError));
        QCOMPARE(TestSupport::query(dbFile(), u"SELECT ExamID, UserName, ExamResult FROM ExamTitle ORDER BY ExamID"_s),
            (QList<QVariantList>{{1, u"ann"_s, 5}, {2, u"bob"_s, 0}}));
        QVERIFY(gDB->ExecuteSQL(u"DELETE FROM ExamTitle"_s)); // no transaction left open
    }

    // A write the file refuses for want of its lock is out of reach: the pool opens the file anew
    // for the next use, which the lock's release lets write. A write the file refuses for what it
    // holds leaves the connection as it was.
    void unreachableFileIsOpenedAnew_data() { TestSupport::addCases(u"sessions/connection-unreachable.tsv"_s); }
    void unreachableFileIsOpenedAnew()
    {
        const bool unreachable = SessionCases::flag("unreachable");
        ConnectionPool::setBusyTimeout(20);
        QVERIFY(buildAndOpen());
        const std::shared_ptr<Database> db = gConnection->database();
        std::shared_ptr<SqliteHandle> lock;
        if (unreachable)
            lock = TestSupport::holdWriteLock(dbFile());
        else
            TestSupport::exec(
                dbFile(), u"CREATE TRIGGER refusing BEFORE INSERT ON ExamTitle BEGIN SELECT RAISE(ABORT, 'no'); END"_s);
        const QString insert = u"INSERT INTO ExamTitle (UserName, ExamDate, NumOfQuestions) VALUES ('Ann', "
                               "'2026-12-04 10:00:00', 10)"_s;
        DbError error;
        QVERIFY(!db->execute(insert, {}, nullptr, &error));
        QCOMPARE(error.unreachable, unreachable);
        QCOMPARE(db->isUsable(), !unreachable);
        lock.reset();
        TestSupport::exec(dbFile(), u"DROP TRIGGER IF EXISTS refusing"_s);
        Connection again;
        QVERIFY(again.open(cDBAccess::connectionDescription(1, m_dir->path(), QString(), QString()), &error));
        QCOMPARE(again.database() != db, unreachable);
        QVERIFY(again.database()->execute(insert, {}, nullptr, &error));
        QCOMPARE(TestSupport::scalar(dbFile(), u"SELECT count(*) FROM ExamTitle WHERE UserName = 'Ann'"_s).toInt(), 1);
    }

    // Screens drop or replace the access object while their recordsets stay in use.
    void recordsetsOutliveAccessObjects()
    {
        QVERIFY(buildAndOpen());
        QVERIFY(gDB->ExecuteSQL(u"INSERT INTO ExamDetails (ExamID, UserName, QID) VALUES (1, 'a', 1), (1, 'a', 2)"_s));
        const std::shared_ptr<Recordset> answers
            = gDB->GetRS(u"SELECT DetailID, Answer FROM ExamDetails ORDER BY DetailID"_s, CursorLocation::UseClient,
                CursorType::Static, LockType::Optimistic, CommandType::Unstated);
        const std::shared_ptr<Recordset> questions = gDB->GetRS(u"SELECT QID, Question FROM Q_A ORDER BY QID"_s);
        QVERIFY(answers && questions);

        gDB.reset(); // releases the open connection
        QVERIFY(!gConnection);
        gDB = std::make_unique<cDBAccess>();
        const std::shared_ptr<Connection> unopened = gConnection;
        QVERIFY(unopened && !unopened->isOpen());
        gDB.reset(); // keeps an unopened one
        QCOMPARE(gConnection, unopened);
        questions->MoveNext();
        QCOMPARE(questions->Fields(u"Question"_s), QVariant(u"Software Testing question 2"_s));
        QVERIFY(answers->setField(u"Answer"_s, u"B"_s)); // still writes back
        answers->MoveNext();
        QCOMPARE(
            TestSupport::scalar(dbFile(), u"SELECT Answer FROM ExamDetails WHERE DetailID = 1"_s), QVariant(u"B"_s));
    }

    // Other processes: the file is encrypted, and writers wait for each other.
    void otherProcesses()
    {
        const QString plain = QStandardPaths::findExecutable(u"sqlite3"_s);
        const QString keyed = QStandardPaths::findExecutable(u"sqlcipher"_s);
        if (plain.isEmpty() || keyed.isEmpty())
            QSKIP("the sqlite3 and sqlcipher command-line tools are needed");
        QVERIFY(buildAndOpen());
        const TestSupport::Run unkeyed = TestSupport::run(plain, {dbFile(), u"SELECT count(*) FROM Q_A;"_s});
        QVERIFY2(unkeyed.status > 0 && unkeyed.err.contains(u"file is not a database"_s), qPrintable(unkeyed.err));
        const TestSupport::Run other = TestSupport::run(keyed,
            {dbFile(),
                u"PRAGMA key='QOMB'; SELECT count(*) FROM Q_A; INSERT INTO ExamTitle(UserName) VALUES('other');"_s});
        QVERIFY2(other.status == 0, qPrintable(other.err));
        QCOMPARE(other.out.trimmed(), u"10"_s);
        QCOMPARE(programScalar(u"SELECT UserName FROM ExamTitle"_s), QVariant(u"other"_s));
        // Writers wait for each other's lock rather than fail at once.
        QCOMPARE(programScalar(u"PRAGMA busy_timeout"_s), QVariant(qlonglong(5000)));
    }
};

QTEST_MAIN(tst_connection)
#include "tst_connection.moc"
