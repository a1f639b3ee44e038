#include <cstdio>
#include <memory>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sqlcipher/sqlite3.h>

#include "TestSupport.h"
#include "data/Connection.h"
#include "data/Recordset.h"
#include "data/SqliteHandle.h"
#include "data/cDBAccess.h"
#include "shell/AppExit.h"
#include "shell/DesktopShell.h"
#include "shell/GenModule.h"
#include "shell/MessageBox.h"

namespace {
constexpr std::array<int, 6> kCounts{3, 2, 2, 1, 1, 1}; // 10 questions

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// True while another connection holds the write lock of `path`.
bool writeLocked(const QString &path)
{
    sqlite3 *raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    const SqliteHandle db(raw);
    sqlite3_exec(raw, "PRAGMA key = 'QOMB';", nullptr, nullptr, nullptr);
    const int rc = sqlite3_exec(raw, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        sqlite3_exec(raw, "ROLLBACK", nullptr, nullptr, nullptr);
    return rc == SQLITE_BUSY;
}
} // namespace

class tst_connection final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // connection descriptions
    void describesProviders_data();
    void describesProviders();
    void unknownProviderFails_data();
    void unknownProviderFails();

    // opening
    void opensDatabase_data();
    void opensDatabase();
    void missingFileIsFileError_data();
    void missingFileIsFileError();
    void unreadableFileSendsToDownload_data();
    void unreadableFileSendsToDownload();

    // statements
    void executeCommits();
    void syntaxErrorIsQuiet();
    void failedStatementLeavesNothing_data();
    void failedStatementLeavesNothing();
    void failingQueryIsFatal();
    void identityGivesNewKey();
    void keysAreNeverReused();

    // lifetime of objects, connections and pooled handles
    void recordsetOutlivesAccessObject();
    void destroyingReleasesOnlyOpenConnection();
    void deletedFileIsNotReused();
    void replacedFileIsRead();

    // the file on disk
    void fileIsEncrypted();
    void secondProcessSharesDatabase();

private:
    QString dbFile() const { return m_dir->filePath(QStringLiteral("Exam.mdb")); }
    bool openProgramDb(const QString &folder);
    QVariant programScalar(const QString &sql);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_connection::init()
{
    TestSupport::resetProgramState();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_connection::cleanup()
{
    gRs.reset();
    gDB.reset();
    gConnection.reset();
    m_dir.reset();
}

// As every screen does: a new access object, then the file connection.
bool tst_connection::openProgramDb(const QString &folder)
{
    gDbPath = folder;
    gDB = std::make_unique<cDBAccess>();
    return gDB->Open_Connection(1);
}

QVariant tst_connection::programScalar(const QString &sql)
{
    const std::shared_ptr<Recordset> rs = gDB->GetRS(sql);
    return rs && !rs->Eof() ? rs->value(0, 0) : QVariant();
}

// ---------------------------------------------------------------- connection descriptions

void tst_connection::describesProviders_data()
{
    QTest::addColumn<int>("provider");
    QTest::addColumn<QString>("expected");

    QTest::newRow("0: older file engine")
        << 0
        << "Provider=Microsoft.Jet.OLEDB.3.51;Persist Security Info=False;User ID=Admin;Data Source=/x\\Exam.mdb;"
           "Mode=Share Deny None;Extended Properties=';COUNTRY=0;CP=1252;LANGID=0x0409';Locale Identifier=1033;"
           "Jet OLEDB:System database='';Jet OLEDB:Registry Path='';Jet OLEDB:Database Password='';"
           "Jet OLEDB:Global Partial Bulk Ops=2";
    QTest::newRow("1: keyed file")
        << 1
        << "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/x\\Exam.mdb;;Jet OLEDB:Database Password=QOMB;"
           "Mode=Share Deny None;Extended Properties='';Jet OLEDB:System database='';Jet OLEDB:Registry Path='';"
           "Jet OLEDB:Database Password='QOMB';Jet OLEDB:Engine Type=5;Jet OLEDB:Database Locking Mode=0;"
           "Jet OLEDB:Global Partial Bulk Ops=2;Jet OLEDB:Global Bulk Transactions=1;"
           "Jet OLEDB:New Database Password='';Jet OLEDB:Create System Database=False;"
           "Jet OLEDB:Encrypt Database=False;Jet OLEDB:Don't Copy Locale on Compact=False;"
           "Jet OLEDB:Compact Without Replica Repair=False;Jet OLEDB:SFP=False";
    QTest::newRow("2: server")
        << 2
        << "Provider=SQLOLEDB;Connect timeout=30;Integrated Security=SSPI;Persist Security Info=False;"
           "Initial Catalog=Target;Data Source=EXAMSERVER";
    QTest::newRow("3: data source name")
        << 3 << "PROVIDER=MSDASQL;dsn=ExamDSN;uid=;pwd=;database=ExamDb;";
    QTest::newRow("4: data source name, as 3")
        << 4 << "PROVIDER=MSDASQL;dsn=ExamDSN;uid=;pwd=;database=ExamDb;";
    QTest::newRow("5: shaped server")
        << 5
        << "Provider=MSDataShape;Data Provider=SQLOLEDB;Connect timeout=30;Integrated Security=SSPI;"
           "Persist Security Info=False;Initial Catalog=Target;Data Source=EXAMSERVER";
}

void tst_connection::describesProviders()
{
    QFETCH(int, provider);
    QFETCH(QString, expected);
    QCOMPARE(cDBAccess::connectionDescription(provider, QStringLiteral("/x"), QStringLiteral("ExamDb"),
                                              QStringLiteral("ExamDSN")),
             expected);
}

void tst_connection::unknownProviderFails_data()
{
    QTest::addColumn<int>("provider");
    QTest::newRow("6") << 6;
    QTest::newRow("-1") << -1;
}

void tst_connection::unknownProviderFails()
{
    QFETCH(int, provider);
    TestSupport::buildDatabase(dbFile(), kCounts);
    gDbPath = m_dir->path();
    gDB = std::make_unique<cDBAccess>();
    QCOMPARE(cDBAccess::connectionDescription(provider, gDbPath, QString(), QString()), QString());

    QVERIFY(!gDB->Open_Connection(provider));
    QVERIFY(gDB->mConnectionString.isEmpty());
    QVERIFY(!gConnection->isOpen());
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown().first().title, QStringLiteral("Database Connection"));
    QVERIFY(AppExit::requested());
}

// ---------------------------------------------------------------- opening

void tst_connection::opensDatabase_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("folderSuffix");

    QTest::newRow("folder") << "Exam.mdb" << "";
    QTest::newRow("folder with trailing separator") << "Exam.mdb" << "/";
    QTest::newRow("name in other case") << "exam.MDB" << "";
}

void tst_connection::opensDatabase()
{
    QFETCH(QString, fileName);
    QFETCH(QString, folderSuffix);
    TestSupport::buildDatabase(m_dir->filePath(fileName), kCounts);

    QVERIFY(openProgramDb(m_dir->path() + folderSuffix));
    QVERIFY(gConnection->isOpen());
    QVERIFY(MessageBox::shown().isEmpty());
    QVERIFY(!AppExit::requested());
    QCOMPARE(programScalar(QStringLiteral("SELECT count(*) FROM Q_A")), QVariant(qlonglong(10)));
    // Opening never leaves a second file behind under the spelling asked for.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{fileName});
}

void tst_connection::missingFileIsFileError_data()
{
    QTest::addColumn<bool>("folderInstead");
    QTest::newRow("no file") << false;
    QTest::newRow("folder named Exam.mdb") << true;
}

void tst_connection::missingFileIsFileError()
{
    QFETCH(bool, folderInstead);
    if (folderInstead)
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("Exam.mdb")));

    QVERIFY(!openProgramDb(m_dir->path()));
    QCOMPARE(MessageBox::shown().size(), 1);
    const MessageBox::Shown box = MessageBox::shown().first();
    QCOMPARE(box.title, QStringLiteral("File Error"));
    QCOMPARE(box.icon, MessageBox::NoIcon);
    QCOMPARE(box.buttons, MessageBox::OkOnly);
    QVERIFY2(box.text.startsWith(QStringLiteral("-2147467259 - ")), qPrintable(box.text));
    QCOMPARE(gDB->mLastError, box.text);
    QVERIFY(DesktopShell::requests().isEmpty());
    QVERIFY(AppExit::requested());
    // A missing database must never be created empty.
    QCOMPARE(QFileInfo(dbFile()).isDir(), folderInstead);
    QCOMPARE(QFileInfo::exists(dbFile()), folderInstead);
}

void tst_connection::unreadableFileSendsToDownload_data()
{
    QTest::addColumn<bool>("otherKey");
    QTest::newRow("random bytes") << false;
    QTest::newRow("database with another key") << true;
}

void tst_connection::unreadableFileSendsToDownload()
{
    QFETCH(bool, otherKey);
    if (otherKey) {
        TestSupport::buildDatabase(dbFile(), kCounts);
        TestSupport::exec(dbFile(), QStringLiteral("PRAGMA rekey = 'other';"));
    } else {
        QFile file(dbFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        QByteArray noise(8192, '\0');
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
        file.write(noise);
    }
    const QByteArray before = fileBytes(dbFile());
    QVERIFY(!before.isEmpty());

    QVERIFY(!openProgramDb(m_dir->path()));
    QCOMPARE(MessageBox::shown().size(), 1);
    const MessageBox::Shown box = MessageBox::shown().first();
    QCOMPARE(box.text, QStringLiteral("The database connection could not be estibleshed.\n"
                                      "You don't have Microsoft MDAC 2.5 installed on your system or\n"
                                      ".mdb file is corrupted."));
    QCOMPARE(box.title, QStringLiteral("Database Connection"));
    QCOMPARE(box.icon, MessageBox::Critical);
    QCOMPARE(box.buttons, MessageBox::OkOnly);
    QCOMPARE(gMsgResult, QStringLiteral("1"));
    QCOMPARE(DesktopShell::requests().size(), 1);
    QCOMPARE(DesktopShell::requests().first().file, QString::fromLatin1(cDBAccess::kDownloadPage));
    QVERIFY(AppExit::requested());
    QCOMPARE(fileBytes(dbFile()), before);
}

// ---------------------------------------------------------------- statements

void tst_connection::executeCommits()
{
    TestSupport::buildDatabase(dbFile(), kCounts);
    QVERIFY(openProgramDb(m_dir->path()));
    QVERIFY(gDB->ExecuteSQL(QStringLiteral("INSERT INTO ExamTitle(UserName,ExamDate,NumOfQuestions)  "
                                           "VALUES('O''Brien',  '2026-12-04 00:30:00','10') ")));
    QVERIFY(sqlite3_get_autocommit(gConnection->handle()->get()));
    // Another connection sees it at once: it was committed.
    QCOMPARE(TestSupport::scalar(dbFile(), QStringLiteral("SELECT UserName FROM ExamTitle")).toString(),
             QStringLiteral("O'Brien"));
}

void tst_connection::syntaxErrorIsQuiet()
{
    TestSupport::buildDatabase(dbFile(), kCounts);
    QVERIFY(openProgramDb(m_dir->path()));
    QVERIFY(!gDB->ExecuteSQL(QStringLiteral("UPDATE ExamTitle SET WHERE")));
    QVERIFY(MessageBox::shown().isEmpty());
    QVERIFY(!AppExit::requested());
    QVERIFY2(QRegularExpression(QStringLiteral("^-?\\d+ - .+")).match(gDB->mLastError).hasMatch(),
             qPrintable(gDB->mLastError));
    // The connection is still usable afterwards.
    QVERIFY(gDB->ExecuteSQL(QStringLiteral("DELETE FROM ExamTitle")));
}

void tst_connection::failedStatementLeavesNothing_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("statement");

    // RAISE(FAIL) keeps the rows changed before the failing one unless the transaction is undone.
    QTest::newRow("UPDATE failing at its second row")
        << "CREATE TRIGGER NoNegative BEFORE UPDATE ON ExamTitle WHEN NEW.ExamResult < 0 "
           "BEGIN SELECT RAISE(FAIL, 'negative result'); END;"
        << "UPDATE ExamTitle SET ExamResult = ExamResult - 1";
    QTest::newRow("INSERT ... SELECT hitting a unique index")
        << "CREATE UNIQUE INDEX OneExamPerUser ON ExamTitle (UserName);"
        << "INSERT INTO ExamTitle (UserName, ExamResult) SELECT 'carol', 1 UNION ALL SELECT 'ann', 2";
}

void tst_connection::failedStatementLeavesNothing()
{
    QFETCH(QString, setup);
    QFETCH(QString, statement);
    TestSupport::buildDatabase(dbFile(), kCounts);
    TestSupport::exec(dbFile(), setup + QStringLiteral(
        "INSERT INTO ExamTitle (UserName, ExamResult) VALUES ('ann', 5), ('bob', 0);"));
    const QString contents = QStringLiteral("SELECT ExamID, UserName, ExamResult FROM ExamTitle ORDER BY ExamID");
    const QList<QVariantList> before = TestSupport::query(dbFile(), contents);

    QVERIFY(openProgramDb(m_dir->path()));
    QVERIFY(!gDB->ExecuteSQL(statement));
    QVERIFY(!gDB->mLastError.isEmpty());
    QVERIFY(sqlite3_get_autocommit(gConnection->handle()->get()));
    QCOMPARE(TestSupport::query(dbFile(), contents), before);
    QVERIFY(MessageBox::shown().isEmpty());
}

void tst_connection::failingQueryIsFatal()
{
    TestSupport::buildDatabase(dbFile(), kCounts);
    QVERIFY(openProgramDb(m_dir->path()));
    QCOMPARE(gDB->GetRS(QStringLiteral("SELECT * FROM NoSuchTable"), 3, 0, 1, 1), nullptr);
    QCOMPARE(MessageBox::shown().size(), 1);
    const MessageBox::Shown box = MessageBox::shown().first();
    QCOMPARE(box.title, QStringLiteral("Class DBAccess"));
    QCOMPARE(box.icon, MessageBox::NoIcon);
    QCOMPARE(box.buttons, MessageBox::OkOnly);
    QVERIFY2(box.text.contains(QStringLiteral("NoSuchTable")), qPrintable(box.text));
    QVERIFY(AppExit::requested());
}

void tst_connection::identityGivesNewKey()
{
    TestSupport::buildDatabase(dbFile(), kCounts);
    TestSupport::exec(dbFile(), QStringLiteral("INSERT INTO ExamTitle (ExamID, UserName) VALUES (41, 'old');"));
    QVERIFY(openProgramDb(m_dir->path()));
    QVERIFY(gDB->ExecuteSQL(QStringLiteral("INSERT INTO ExamTitle(UserName) VALUES('ann')")));
    QCOMPARE(programScalar(QStringLiteral("SELECT @@IDENTITY")), QVariant(qlonglong(42)));
    QCOMPARE(gDB->lastInsertId(), qlonglong(42));
    QCOMPARE(TestSupport::scalar(dbFile(), QStringLiteral("SELECT UserName FROM ExamTitle WHERE ExamID = 42")),
             QVariant(QStringLiteral("ann")));
}

void tst_connection::keysAreNeverReused()
{
    TestSupport::buildDatabase(dbFile(), kCounts);
    QVERIFY(openProgramDb(m_dir->path()));
    for (const char *user : {"ann", "bob", "carol"})
        QVERIFY(gDB->ExecuteSQL(QStringLiteral("INSERT INTO ExamTitle(UserName) VALUES('%1')").arg(user)));
    QVERIFY(gDB->ExecuteSQL(QStringLiteral("DELETE FROM ExamTitle WHERE ExamID = 3")));
    QVERIFY(gDB->ExecuteSQL(QStringLiteral("INSERT INTO ExamTitle(UserName) VALUES('dave')")));
    QCOMPARE(programScalar(QStringLiteral("SELECT @@IDENTITY")), QVariant(qlonglong(4)));
}

// ---------------------------------------------------------------- lifetime

void tst_connection::recordsetOutlivesAccessObject()
{
    TestSupport::buildDatabase(dbFile(), kCounts);
    TestSupport::exec(dbFile(), QStringLiteral("INSERT INTO ExamDetails (ExamID, UserName, QID) "
                                               "VALUES (1, 'ann', 1), (1, 'ann', 2);"));
    QVERIFY(openProgramDb(m_dir->path()));
    const std::shared_ptr<Recordset> answers =
        gDB->GetRS(QStringLiteral("SELECT DetailID, Answer FROM ExamDetails ORDER BY DetailID"), 3, 3, 3, 0);
    const std::shared_ptr<Recordset> questions =
        gDB->GetRS(QStringLiteral("SELECT QID, Question FROM Q_A ORDER BY QID"));
    QVERIFY(answers && questions);

    // Screens replace the access object while their recordsets stay in use.
    gDB = std::make_unique<cDBAccess>();
    QVERIFY(gConnection);
    QVERIFY(!gConnection->isOpen());
    questions->MoveLast();
    QCOMPARE(questions->Fields(QStringLiteral("QID")), QVariant(qlonglong(10)));

    gDB.reset();
    questions->MoveFirst();
    questions->MoveNext();
    QCOMPARE(questions->Fields(QStringLiteral("Question")), QVariant(QStringLiteral("Software Testing question 2")));
    // An updatable one still writes its rows back.
    QVERIFY(answers->setField(QStringLiteral("Answer"), QStringLiteral("B")));
    answers->MoveNext();
    QCOMPARE(answers->AbsolutePosition(), 2);
    QCOMPARE(TestSupport::scalar(dbFile(), QStringLiteral("SELECT Answer FROM ExamDetails WHERE DetailID = 1")),
             QVariant(QStringLiteral("B")));
}

void tst_connection::destroyingReleasesOnlyOpenConnection()
{
    TestSupport::buildDatabase(dbFile(), kCounts);
    QVERIFY(openProgramDb(m_dir->path()));
    gDB.reset();
    QVERIFY(!gConnection);

    gDB = std::make_unique<cDBAccess>();
    const std::shared_ptr<Connection> unopened = gConnection;
    QVERIFY(unopened && !unopened->isOpen());
    gDB.reset();
    QCOMPARE(gConnection, unopened);
}

void tst_connection::deletedFileIsNotReused()
{
    TestSupport::buildDatabase(dbFile(), kCounts);
    QVERIFY(openProgramDb(m_dir->path()));
    const std::shared_ptr<Recordset> held = gDB->GetRS(QStringLiteral("SELECT * FROM Q_A"));
    QVERIFY(QFile::remove(dbFile()));

    QVERIFY(!openProgramDb(m_dir->path()));
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown().first().title, QStringLiteral("File Error"));
    QVERIFY(!QFileInfo::exists(dbFile()));
}

void tst_connection::replacedFileIsRead()
{
    TestSupport::buildDatabase(dbFile(), kCounts);
    QVERIFY(openProgramDb(m_dir->path()));
    QCOMPARE(programScalar(QStringLiteral("SELECT count(*) FROM Q_A")), QVariant(qlonglong(10)));

    const QString other = m_dir->filePath(QStringLiteral("other.mdb"));
    TestSupport::buildDatabase(other, {2, 1, 0, 0, 0, 0});
    QCOMPARE(std::rename(QFile::encodeName(other).constData(), QFile::encodeName(dbFile()).constData()), 0);

    QVERIFY(openProgramDb(m_dir->path()));
    QCOMPARE(programScalar(QStringLiteral("SELECT count(*) FROM Q_A")), QVariant(qlonglong(3)));
}

// ---------------------------------------------------------------- the file on disk

void tst_connection::fileIsEncrypted()
{
    const QString plain = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    const QString keyed = QStandardPaths::findExecutable(QStringLiteral("sqlcipher"));
    if (plain.isEmpty() || keyed.isEmpty())
        QSKIP("the sqlite3 and sqlcipher command-line tools are needed");
    TestSupport::buildDatabase(dbFile(), kCounts);

    QProcess unkeyed;
    unkeyed.setProcessChannelMode(QProcess::MergedChannels);
    unkeyed.start(plain, {dbFile(), QStringLiteral("SELECT count(*) FROM Q_A;")});
    QVERIFY(unkeyed.waitForFinished(30000));
    const QString output = QString::fromLocal8Bit(unkeyed.readAll());
    QVERIFY2(unkeyed.exitCode() != 0 || output.contains(QStringLiteral("file is not a database"))
                 || output.contains(QStringLiteral("encrypted")),
             qPrintable(output));

    QProcess withKey;
    withKey.start(keyed, {dbFile()});
    QVERIFY(withKey.waitForStarted());
    withKey.write("PRAGMA key='QOMB';\nSELECT count(*) FROM Q_A;\n");
    withKey.closeWriteChannel();
    QVERIFY(withKey.waitForFinished(30000));
    QCOMPARE(withKey.exitCode(), 0);
    QCOMPARE(QString::fromLocal8Bit(withKey.readAllStandardOutput()).trimmed(), QStringLiteral("10"));
}

void tst_connection::secondProcessSharesDatabase()
{
    const QString keyed = QStandardPaths::findExecutable(QStringLiteral("sqlcipher"));
    if (keyed.isEmpty())
        QSKIP("the sqlcipher command-line tool is needed");
    TestSupport::buildDatabase(dbFile(), kCounts);
    QVERIFY(openProgramDb(m_dir->path()));
    QCOMPARE(programScalar(QStringLiteral("SELECT count(*) FROM ExamTitle")), QVariant(qlonglong(0)));

    QProcess other;
    other.start(keyed, {dbFile()});
    QVERIFY(other.waitForStarted());
    other.write("PRAGMA key='QOMB';\nINSERT INTO ExamTitle(UserName) VALUES('other');\n");
    other.closeWriteChannel();
    QVERIFY(other.waitForFinished(30000));
    QCOMPARE(other.exitCode(), 0);
    QCOMPARE(programScalar(QStringLiteral("SELECT UserName FROM ExamTitle")), QVariant(QStringLiteral("other")));

    // The other process holds the write lock for a moment; this one waits for it instead of failing.
    QProcess locker;
    locker.start(keyed, {dbFile()});
    QVERIFY(locker.waitForStarted());
    locker.write("PRAGMA key='QOMB';\n.timeout 5000\nBEGIN IMMEDIATE;\n"
                 "INSERT INTO ExamTitle(UserName) VALUES('locker');\n.shell sleep 1\nCOMMIT;\n");
    locker.closeWriteChannel();
    QVERIFY(QTest::qWaitFor([&] { return writeLocked(dbFile()); }, 5000));
    QVERIFY2(gDB->ExecuteSQL(QStringLiteral("INSERT INTO ExamTitle(UserName) VALUES('me')")),
             qPrintable(gDB->mLastError));
    QVERIFY(locker.waitForFinished(30000));
    QCOMPARE(locker.exitCode(), 0);
    QCOMPARE(TestSupport::query(dbFile(), QStringLiteral("SELECT UserName FROM ExamTitle ORDER BY ExamID")),
             (QList<QVariantList>{{QStringLiteral("other")}, {QStringLiteral("locker")}, {QStringLiteral("me")}}));
}

QTEST_MAIN(tst_connection)
#include "tst_connection.moc"
