#include <QSignalSpy>
#include <QTest>

#include "PgServer.h"
#include "TestSupport.h"
#include "core/AppExit.h"
#include "core/SignIn.h"
#include "data/Connection.h"
#include "data/ConnectionPool.h"
#include "data/DataGlobals.h"
#include "data/Database.h"
#include "data/ExamSchema.h"
#include "data/OdbcDatabase.h"
#include "data/Recordset.h"
#include "data/cDBAccess.h"
#include "platform/DesktopShell.h"
#include "platform/MessageBox.h"
#include "widgets/RecordsetModel.h"

using namespace Qt::StringLiterals;

// The data layer on a real server through ODBC: connecting by data source, pooling, statements
// and their failures, batches, keys, and the recordset's moves and write-back.
class tst_classroom_data final : public QObject {
    Q_OBJECT

    PgServer m_server;

    bool open(const QString &dsn = u"Exams"_s, const QString &database = u"exams"_s)
    {
        return (gDB = std::make_unique<cDBAccess>())->Open_Connection(3, QString(), database, dsn);
    }
    QString sql(const QString &statement) { return m_server.scalar(statement, u"exams"_s); }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_server.isRunning(), qPrintable(m_server.error()));
        QVERIFY(m_server.psql(u"CREATE DATABASE exams"_s));
        QVERIFY(m_server.psql(u"CREATE ROLE ann LOGIN PASSWORD 'ann-pw'; CREATE ROLE bob LOGIN PASSWORD 'b;o}b'"_s));
        QStringList schema = ExamSchema::createStatements(SqlDialect::Target::PostgreSql);
        schema << u"GRANT ALL ON ALL TABLES IN SCHEMA public TO ann, bob"_s
               << u"GRANT ALL ON ALL SEQUENCES IN SCHEMA public TO ann, bob"_s
               << u"INSERT INTO Q_A (QID, Question, A, B, CorrectAnswer, Category) SELECT n, 'Question ' || n, 'yes', "
                  "'no', 'A', 'Software Testing' FROM generate_series(1, 10) n"_s;
        QVERIFY2(m_server.psql(schema.join(u";\n"_s), nullptr, u"exams"_s), qPrintable(m_server.error()));
        m_server.addDsn(u"Exams"_s, u"exams"_s, u"ann"_s, u"ann-pw"_s);
        m_server.addDsn(u"Anyone"_s, u"postgres"_s);
    }
    void init() { TestSupport::resetProgramState(); }
    void cleanup()
    {
        gRs.reset();
        gDB.reset();
        gConnection.reset();
        ConnectionPool::clear();
        QVERIFY(m_server.psql(
            u"TRUNCATE ExamTitle, ExamDetails, ExamFlags, ExamProgress RESTART IDENTITY"_s, nullptr, u"exams"_s));
    }

    void connectionString_data()
    {
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("expected");
        const QString options = u"Protocol=7.4-0;BoolsAsChar=0;pqopt={keepalives_idle=10 keepalives_interval=5 "
                                "keepalives_count=3 tcp_user_timeout=30000};"_s;
        QTest::newRow("as built, with a database") << cDBAccess::connectionDescription(3, QString(), u"exams"_s,
            u"Class"_s) << QString() << QString() << u"dsn=Class;database=exams;"_s + options;
        QTest::newRow("no database: the source's own stays") << cDBAccess::connectionDescription(4, QString(),
            QString(), u"Class"_s) << QString() << QString() << u"dsn=Class;"_s + options;
        QTest::newRow("signed in, odd characters braced") << cDBAccess::connectionDescription(3, QString(), u"exams"_s,
            u"Class"_s) << u"bob"_s << u"b;o}b"_s << u"dsn=Class;database=exams;UID=bob;PWD={b;o}}b};"_s + options;
        QTest::newRow("a source named with ';' stays one item")
            << cDBAccess::connectionDescription(3, QString(), u"x;uid=eve"_s, u"Class;Driver=/tmp/evil.so"_s)
            << QString() << QString() << u"dsn={Class;Driver=/tmp/evil.so};database={x;uid=eve};"_s + options;
    }
    void connectionString()
    {
        QFETCH(QString, description);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, expected);
        QCOMPARE(ConnectionPool::odbcConnectionString(description, user, password), expected);
    }

    // One server session per data source, database and user, however many access objects come and go.
    void connectsAndPools()
    {
        QVERIFY(open());
        QCOMPARE(gDB->mConnectionString, u"PROVIDER=MSDASQL;dsn=Exams;uid=;pwd=;database=exams;"_s);
        const std::shared_ptr<Database> first = gConnection->database();
        QCOMPARE(first->userName(), u"ann"_s);
        const QString backend = gDB->GetRS(u"SELECT pg_backend_pid() AS pid"_s)->Fields(u"pid"_s).toString();
        QVERIFY(open());
        QCOMPARE(gConnection->database(), first);
        QCOMPARE(gDB->GetRS(u"SELECT pg_backend_pid() AS pid"_s)->Fields(u"pid"_s).toString(), backend);
        QVERIFY(SignIn::asked().isEmpty() && MessageBox::shown().isEmpty());
    }

    // A source without a user: the person signs in once a run; a wrong password or a cancel ends the program.
    void signsIn()
    {
        SignIn::setNextAnswer(SignIn::Credentials{u"bob"_s, u"b;o}b"_s});
        QVERIFY(open(u"Anyone"_s, u"exams"_s));
        QCOMPARE(SignIn::asked(), QList<QString>{u"Anyone"_s});
        QCOMPARE(gConnection->database()->userName(), u"bob"_s);
        QVERIFY(open(u"Anyone"_s, u"exams"_s));
        QCOMPARE(SignIn::asked().size(), 1);
        QVERIFY(!AppExit::requested());

        ConnectionPool::clear();
        SignIn::setNextAnswer(SignIn::Credentials{u"bob"_s, u"wrong"_s});
        QVERIFY(!open(u"Anyone"_s, u"exams"_s));
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().first().title, u"Database Connection"_s);
        QVERIFY(AppExit::requested());
        QVERIFY2(gDB->mLastError.startsWith(u"-2147217843 - "_s) && gDB->mLastError.contains(u"bob"_s),
            qPrintable(gDB->mLastError));

        AppExit::setTestMode(true);
        MessageBox::clearShown();
        QVERIFY(!open(u"Anyone"_s, u"exams"_s)); // no answer queued: cancelled
        QCOMPARE(MessageBox::shown().value(0).title, u"Database Connection"_s);
        QVERIFY(AppExit::requested());
    }

    // A server that cannot be reached: the three-line box, the download page, the end.
    void unreachableServer()
    {
        QVERIFY(m_server.stop());
        const bool opened = open();
        QVERIFY(m_server.start());
        QVERIFY(!opened);
        QCOMPARE(MessageBox::shown().size(), 1);
        const MessageBox::Shown box = MessageBox::shown().first();
        QCOMPARE(box.title, u"Database Connection"_s);
        QCOMPARE(box.icon, MessageBox::Critical);
        QCOMPARE(box.text,
            u"The database connection could not be estibleshed.\n"
            "You don't have Microsoft MDAC 2.5 installed on your system or\n"
            ".mdb file is corrupted."_s);
        QCOMPARE(DesktopShell::requests().size(), 1);
        QVERIFY(AppExit::requested());
        QVERIFY(gDB->mLastError.startsWith(u"-2147217843 - "_s));
    }

    // A session the server ended, or lost to a restart, fails its next statement as out of reach
    // and is no longer handed out: the pool opens a fresh one. A statement that merely ran too
    // long leaves the session as it was.
    void lostSessionIsReplaced_data()
    {
        QTest::addColumn<QString>("loss");
        QTest::addColumn<QString>("statement");
        QTest::addColumn<bool>("unreachable");
        QTest::newRow("session terminated") << u"terminate"_s << u"SELECT 1"_s << true;
        QTest::newRow("server restarted") << u"restart"_s << u"SELECT 1"_s << true;
        QTest::newRow("statement timed out") << QString() << u"SELECT pg_sleep(30)"_s << false;
    }
    void lostSessionIsReplaced()
    {
        QFETCH(QString, loss);
        QFETCH(QString, statement);
        QFETCH(bool, unreachable);
        Connection first;
        DbError error;
        const QString description = cDBAccess::connectionDescription(3, QString(), u"exams"_s, u"Exams"_s);
        QVERIFY(first.open(description, &error));
        const std::shared_ptr<Database> db = first.database();
        QVERIFY(db->execute(u"SET statement_timeout = 10"_s, {}, nullptr, &error));
        if (loss == u"terminate"_s) {
            QVERIFY(m_server.psql(
                u"SELECT pg_terminate_backend(pid, 60000) FROM pg_stat_activity WHERE usename = 'ann'"_s));
        } else if (loss == u"restart"_s) {
            QVERIFY(m_server.stop());
            QVERIFY(m_server.start());
        }
        Database::Result result;
        QVERIFY(!db->query(statement, &result, &error));
        QCOMPARE(error.unreachable, unreachable);
        QCOMPARE(db->isUsable(), !unreachable);
        Connection second;
        QVERIFY(second.open(description, &error));
        QCOMPARE(second.database() != db, unreachable);
        QVERIFY(second.database()->query(u"SELECT 1"_s, &result, &error));
    }

    void statementsAndBatches()
    {
        QVERIFY(open());
        QVERIFY(gDB->ExecuteSQL(u"INSERT INTO ExamTitle(UserName,ExamDate,NumOfQuestions)  VALUES('O''Brien',  "
                                "'2026-12-04 00:30:00','10') "_s));
        QCOMPARE(gDB->mRecordsAffected, 1);
        QCOMPARE(gDB->lastInsertId(), 1);
        QCOMPARE(sql(u"SELECT UserName || NumOfQuestions FROM ExamTitle"_s), u"O'Brien10"_s);
        // A failing statement leaves nothing and says why; no message box, the program goes on.
        QVERIFY(!gDB->ExecuteSQL(u"UPDATE ExamTitle SET WHERE"_s));
        QVERIFY2(gDB->mLastError.startsWith(u"-2147217900 - "_s), qPrintable(gDB->mLastError));
        QVERIFY(!gDB->ExecuteSQL(u"UPDATE ExamTitle SET NumOfQuestions = 10 / (NumOfQuestions - 10)"_s));
        QCOMPARE(sql(u"SELECT NumOfQuestions FROM ExamTitle"_s), u"10"_s);
        QVERIFY(MessageBox::shown().isEmpty() && !AppExit::requested());

        // A batch: a failing statement inside it is undone alone; the rest is stored at once or not at all.
        QVERIFY(gDB->BeginBatch());
        QVERIFY(gDB->ExecuteSQL(u"INSERT INTO ExamDetails(ExamID,UserName,QID) VALUES('1','O''Brien','3')"_s));
        QVERIFY(!gDB->ExecuteSQL(u"INSERT INTO NoSuchTable VALUES (1)"_s));
        QVERIFY(gDB->ExecuteSQL(u"INSERT INTO ExamDetails(ExamID,UserName,QID) VALUES('1','O''Brien','4')"_s));
        QCOMPARE(sql(u"SELECT count(*) FROM ExamDetails"_s), u"0"_s); // not yet
        QVERIFY(gDB->CommitBatch());
        QCOMPARE(sql(u"SELECT string_agg(QID::text, ',' ORDER BY DetailID) FROM ExamDetails"_s), u"3,4"_s);
        QVERIFY(gDB->BeginBatch());
        QVERIFY(gDB->ExecuteSQL(u"DELETE FROM ExamDetails"_s));
        gDB->RollbackBatch();
        QCOMPARE(sql(u"SELECT count(*) FROM ExamDetails"_s), u"2"_s);
        // A failing query is fatal.
        QCOMPARE(gDB->GetRS(u"SELECT * FROM NoSuchTable"_s), nullptr);
        QCOMPARE(MessageBox::shown().value(0).title, u"Class DBAccess"_s);
        QVERIFY(MessageBox::shown().value(0).text.startsWith(u"-2147217900 - "_s));
        QVERIFY(AppExit::requested());
    }

    // Moves, the program's spelling of names, and an optimistic write-back that meets another writer.
    void recordsetOverTheServer()
    {
        QVERIFY(m_server.psql(u"INSERT INTO ExamTitle (UserName, NumOfQuestions) VALUES ('ann', 3); "
                              "INSERT INTO ExamDetails (ExamID, UserName, QID) VALUES (1, 'ann', 5), (1, 'ann', 6), "
                              "(1, 'ann', 7)"_s,
            nullptr, u"exams"_s));
        QVERIFY(open());
        const QString examSql
            = u"SELECT ExamTitle.ExamID, ExamTitle.UserName, ExamDetails.DetailID, ExamDetails.Answer, "
              "ExamDetails.Answered, Q_A.Question, ExamTitle.ExamResult * 2 AS Twice FROM (ExamTitle "
              "INNER JOIN ExamDetails ON ExamTitle.ExamID = ExamDetails.ExamID) INNER JOIN Q_A ON "
              "ExamDetails.QID = Q_A.QID WHERE ExamTitle.ExamID = 1 ORDER BY ExamDetails.DetailID"_s;
        const std::shared_ptr<Recordset> rs = gDB->GetRS(examSql, 3, 3, 3, 0);
        QVERIFY(rs && rs->isUpdatable());
        RecordsetModel model;
        model.setRecordset(rs);
        QStringList headings;
        for (int c = 0; c < model.columnCount(); ++c)
            headings << model.headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headings,
            (QStringList{
                u"ExamID"_s, u"UserName"_s, u"DetailID"_s, u"Answer"_s, u"Answered"_s, u"Question"_s, u"Twice"_s}));
        QCOMPARE(rs->column(3).table, u"ExamDetails"_s);
        QCOMPARE(rs->column(3).origin, u"Answer"_s);
        QVERIFY(rs->column(6).table.isEmpty());
        QCOMPARE(rs->RecordCount(), 3);
        QCOMPARE(rs->Fields(u"QUESTION"_s), QVariant(u"Question 5"_s));
        QCOMPARE(rs->Fields(u"Answered"_s), QVariant(qlonglong(0)));
        QVERIFY(rs->Fields(u"Answer"_s).isNull() && rs->Fields(u"Twice"_s).isNull());
        rs->MoveLast();
        QCOMPARE(rs->AbsolutePosition(), 3);
        rs->MoveNext();
        QVERIFY(rs->Eof());
        rs->MoveFirst();

        QSignalSpy failures(rs.get(), &Recordset::writeFailed);
        QVERIFY(rs->setField(u"Answer"_s, u"B"_s) && rs->setField(u"Answered"_s, true));
        rs->MoveNext();
        QVERIFY(failures.isEmpty());
        QCOMPARE(sql(u"SELECT Answer || Answered FROM ExamDetails WHERE DetailID = 1"_s), u"B-1"_s);

        // Another connection changes the next row after it was read: its value stays, ours waits.
        QVERIFY(m_server.psql(
            u"UPDATE ExamDetails SET Answer = 'C' WHERE DetailID = 2"_s, nullptr, u"exams"_s, u"bob"_s, u"b;o}b"_s));
        QVERIFY(rs->setField(u"Answer"_s, u"D"_s));
        rs->MoveNext();
        QCOMPARE(failures.count(), 1);
        QVERIFY(failures.first().first().toString().startsWith(u"-2147217864 - "_s));
        QCOMPARE(sql(u"SELECT Answer FROM ExamDetails WHERE DetailID = 2"_s), u"C"_s);
        rs->MovePrevious();
        QVERIFY(rs->isDirty());
        QVERIFY(m_server.psql(u"UPDATE ExamDetails SET Answer = NULL WHERE DetailID = 2"_s, nullptr, u"exams"_s));
        QVERIFY(rs->Update() && !rs->isDirty());
        QCOMPARE(sql(u"SELECT Answer FROM ExamDetails WHERE DetailID = 2"_s), u"D"_s);
        QCOMPARE(failures.count(), 1);
    }

    // Values longer than one piece of the driver's come back whole: text with characters beyond
    // Latin-1 (a surrogate pair among them) and bytes; an empty text is not NULL.
    void readsLongValues()
    {
        DbError error;
        const std::shared_ptr<Database> db
            = ConnectionPool::acquireServer(u"PROVIDER=MSDASQL;dsn=Exams;uid=;pwd=;database=exams;"_s, &error);
        QVERIFY(db);
        Database::Result result;
        QVERIFY2(
            db->query(u"SELECT repeat('Zoë ✓ 漢 😀 ', 700) AS t, decode(repeat('00ff7f', 5000), 'hex') AS b, '' AS e, "
                      "NULL::text AS n, 12.5::numeric AS d, 42::numeric AS w"_s,
                &result, &error),
            qPrintable(error.text()));
        QCOMPARE(result.rows.size(), size_t(1));
        const std::vector<QVariant> &row = result.rows.front();
        QCOMPARE(row[0].toString(), u"Zoë ✓ 漢 😀 "_s.repeated(700));
        QCOMPARE(row[1].toByteArray(), QByteArray::fromHex("00ff7f").repeated(5000));
        QVERIFY(!row[2].isNull() && row[2].toString().isEmpty());
        QVERIFY(row[3].isNull());
        QCOMPARE(row[4], QVariant(12.5));
        QCOMPARE(row[5], QVariant(qlonglong(42)));
    }

    // The server aborts a transaction at its first failing statement and then turns its COMMIT into
    // a rollback without an error: a failing heartbeat must not take the answer with it, and a
    // failure must never be reported as stored.
    void failuresInsideATransaction()
    {
        QVERIFY(m_server.psql(u"INSERT INTO ExamTitle (UserName, NumOfQuestions) VALUES ('ann', 2); "
                              "INSERT INTO ExamDetails (ExamID, UserName, QID) VALUES (1, 'ann', 5), (1, 'ann', 6)"_s,
            nullptr, u"exams"_s));
        QVERIFY(open());
        const std::shared_ptr<Recordset> rs
            = gDB->GetRS(u"SELECT DetailID, Answer, Answered FROM ExamDetails ORDER BY DetailID"_s, 3, 3, 3, 0);
        QVERIFY(rs);
        QSignalSpy failures(rs.get(), &Recordset::writeFailed);
        rs->setWriteBackCompanion([] { return u"UPDATE NoSuchTable SET TimeLeft = 1"_s; });
        QVERIFY(rs->setField(u"Answer"_s, u"B"_s) && rs->setField(u"Answered"_s, true));
        rs->MoveNext();
        QVERIFY(failures.isEmpty());
        QCOMPARE(sql(u"SELECT Answer FROM ExamDetails WHERE DetailID = 1"_s), u"B"_s);
        rs->setWriteBackCompanion([] { return u"UPDATE ExamTitle SET NumOfQuestions = 3"_s; });
        QVERIFY(rs->setField(u"Answer"_s, u"C"_s));
        QVERIFY(rs->Update());
        QCOMPARE(sql(u"SELECT NumOfQuestions || Answer FROM ExamTitle, ExamDetails WHERE DetailID = 2"_s), u"3C"_s);

        DbError error;
        const std::shared_ptr<Database> db
            = ConnectionPool::acquireServer(u"PROVIDER=MSDASQL;dsn=Exams;uid=;pwd=;database=exams;"_s, &error);
        QVERIFY(db);
        QVERIFY(db->begin(&error));
        QVERIFY(db->execute(u"UPDATE ExamDetails SET Answer = 'D'"_s, {}, nullptr, &error));
        QVERIFY(!db->execute(u"UPDATE ExamDetails SET Answer = 1 / 0"_s, {}, nullptr, &error));
        QVERIFY(!db->commit(&error));
        QVERIFY2(error.text().contains(u"none of its changes were stored"_s), qPrintable(error.text()));
        db->rollback();
        QCOMPARE(sql(u"SELECT string_agg(Answer, '' ORDER BY DetailID) FROM ExamDetails"_s), u"BC"_s);
        // Undone back to a savepoint, the rest of the transaction is stored.
        QVERIFY(db->begin(&error));
        QVERIFY(db->execute(u"UPDATE ExamDetails SET Answer = 'A' WHERE DetailID = 1"_s, {}, nullptr, &error));
        QVERIFY(!db->executeAside(u"UPDATE ExamDetails SET Answer = 1 / 0"_s, &error));
        QVERIFY(db->commit(&error));
        QCOMPARE(sql(u"SELECT string_agg(Answer, '' ORDER BY DetailID) FROM ExamDetails"_s), u"AC"_s);
    }

    // A row another session keeps locked fails the program's statement after a while, with the
    // server's reason, instead of freezing the screen until the statement's own limit.
    void aLockHeldElsewhereGivesUp()
    {
        QVERIFY(m_server.psql(u"INSERT INTO ExamTitle (UserName, NumOfQuestions) VALUES ('ann', 1); "
                              "INSERT INTO ExamDetails (ExamID, UserName, QID) VALUES (1, 'ann', 5)"_s,
            nullptr, u"exams"_s));
        DbError error;
        const std::shared_ptr<OdbcDatabase> other = OdbcDatabase::connect(
            ConnectionPool::odbcConnectionString(u"dsn=Exams;database=exams;"_s, QString(), QString()), &error);
        QVERIFY2(other, qPrintable(error.text()));
        QVERIFY(other->begin(&error));
        QVERIFY(other->execute(u"UPDATE ExamDetails SET Answer = 'A' WHERE DetailID = 1"_s, {}, nullptr, &error));
        const std::shared_ptr<Database> db
            = ConnectionPool::acquireServer(u"PROVIDER=MSDASQL;dsn=Exams;uid=;pwd=;database=exams;"_s, &error);
        QVERIFY(db);
        QVERIFY(!db->execute(u"UPDATE ExamDetails SET Answer = 'B' WHERE DetailID = 1"_s, {}, nullptr, &error));
        QVERIFY2(error.text().contains(u"lock timeout"_s), qPrintable(error.text()));
        other->rollback();
        QVERIFY(db->execute(u"UPDATE ExamDetails SET Answer = 'B' WHERE DetailID = 1"_s, {}, nullptr, &error));
        QCOMPARE(sql(u"SELECT Answer FROM ExamDetails"_s), u"B"_s);
    }
};

QTEST_MAIN(tst_classroom_data)
#include "tst_classroom_data.moc"
