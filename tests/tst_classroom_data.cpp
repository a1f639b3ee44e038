#include <algorithm>
#include <map>

#include "ScreenSuite.h"

#include "PgServer.h"
#include "core/SignIn.h"
#include "data/Connection.h"
#include "data/ConnectionPool.h"
#include "data/Database.h"
#include "data/ExamQueries.h"
#include "data/ExamSchema.h"
#include "data/OdbcDatabase.h"
#include "widgets/DataBinder.h"
#include "widgets/RecordsetModel.h"

namespace {
struct Outcome {
    bool ok = false;
    QStringList columns;
    QList<QVariantList> rows;
    int affected = 0;
    QString error;
};
enum class Check { Everything, RowsOnly, RowsInAnyOrder };
} // namespace

// The data layer on a real server through ODBC: connecting, pooling, statements, failures, batches;
// the recordset's moves and write-back on the keyed file and the server; and every statement the
// program sends, run on both side by side: the same rows, headings and counts.
class tst_classroom_data final : public QObject {
    Q_OBJECT

    PgServer m_server;
    QTemporaryDir m_dir;
    const QString m_file = m_dir.filePath(u"Exam.mdb"_s); // its pool copied to the server's "exams"
    bool m_onServer = false;

    bool open(const QString &dsn = u"Exams"_s)
    {
        return (gDB = std::make_unique<cDBAccess>())->Open_Connection(3, QString(), u"exams"_s, dsn);
    }
    QString sql(const QString &statement) { return m_server.scalar(statement, u"exams"_s); }
    // The pool's session for the Exams source, as the program's access objects get it.
    static std::shared_ptr<Database> pooled()
    {
        DbError error;
        const std::shared_ptr<Database> db
            = ConnectionPool::acquireServer(u"PROVIDER=MSDASQL;dsn=Exams;uid=;pwd=;database=exams;"_s, &error);
        if (!db)
            qWarning("%s", qPrintable(error.text()));
        return db;
    }
    // The one box of a connection that failed, and the program asked to end.
    static bool refusedToConnect()
    {
        return MessageBox::shown().size() == 1 && MessageBox::shown().first().title == u"Database Connection"_s
            && AppExit::requested();
    }
    // A new file each time, its exam tables empty as the server's after cleanup(): its keys count on
    // from every row it ever held. Ten questions, the last a true/false one.
    void freshFile()
    {
        QFile::remove(m_file);
        TestSupport::buildDatabase(m_file, {4, 3, 2, 0, 0, 1}, {0, 0, 0, 0, 0, 1});
        gDbPath = m_dir.path();
    }
    // The access object on the engine a recordset case runs on, holding the exams below: exam 1 asks
    // all ten questions (details 1-10), exam 2 one (detail 11), exam 3 none.
    bool openEngine()
    {
        m_onServer = SessionCases::text("engine") == u"server"_s;
        if (!m_onServer)
            freshFile();
        if (!(m_onServer ? open() : (gDB = std::make_unique<cDBAccess>())->Open_Connection(1)))
            return false;
        beside(u"INSERT INTO ExamTitle (ExamID, UserName, ExamResult) VALUES (1, 'ann', NULL), (2, 'bob', 1), "
               "(3, 'carol', 0)"_s);
        beside(u"INSERT INTO ExamDetails (ExamID, UserName, QID) SELECT 1, 'ann', QID FROM Q_A ORDER BY QID"_s);
        beside(u"INSERT INTO ExamDetails (ExamID, UserName, QID, Answer, Answered) VALUES (2, 'bob', 5, 'A', -1)"_s);
        return !QTest::currentTestFailed();
    }
    // SQL run beside the program on the engine.
    void beside(const QString &statement)
    {
        if (m_onServer)
            QVERIFY(m_server.psql(statement, nullptr, u"exams"_s, u"bob"_s, u"b;o}b"_s));
        else
            TestSupport::exec(m_file, statement);
    }
    QString besideValue(const QString &statement)
    {
        return m_onServer ? sql(statement) : TestSupport::scalar(m_file, statement).toString();
    }
    // Answer and Answered of one stored exam row.
    QString detail(int id)
    {
        return besideValue(
            u"SELECT coalesce(Answer, '-') || ' ' || Answered FROM ExamDetails WHERE DetailID = %1"_s.arg(id));
    }
    // As the exam screen reads an exam: its rows joined with its title and its questions.
    static QString examSql(int examId)
    {
        return u"SELECT ExamTitle.ExamID, ExamTitle.UserName, ExamTitle.ExamResult AS [Correct Answers], "
               "ExamDetails.DetailID, ExamDetails.QID, ExamDetails.Answer, ExamDetails.Answered, Q_A.Question, "
               "ExamTitle.ExamResult * 2 AS Twice FROM (ExamTitle INNER JOIN ExamDetails ON ExamTitle.ExamID = "
               "ExamDetails.ExamID) INNER JOIN Q_A ON ExamDetails.QID = Q_A.QID WHERE ExamTitle.ExamID = %1 ORDER BY "
               "ExamDetails.DetailID"_s.arg(examId);
    }
    // A recordset whose changes are written back, as the exam screen opens one.
    static std::shared_ptr<Recordset> editable(const QString &sql)
    {
        return gDB->GetRS(
            sql, CursorLocation::UseClient, CursorType::Static, LockType::Optimistic, CommandType::Unstated);
    }
    // One exam of ann's with a row for each QID given, unanswered.
    void storeExam(const QString &qids)
    {
        QVERIFY(m_server.psql(u"INSERT INTO ExamTitle (UserName, NumOfQuestions) VALUES ('ann', 1); INSERT INTO "
                              "ExamDetails (ExamID, UserName, QID) SELECT 1, 'ann', unnest(ARRAY[%1])"_s.arg(qids),
            nullptr, u"exams"_s));
    }

    // A statement through a new access object, as the screens do; provider 1 is the file, 3 the server.
    Outcome run(int provider, const QString &sql, bool query, const QVariantList &values = {})
    {
        Outcome outcome;
        gDB = std::make_unique<cDBAccess>();
        gDB->Open_Connection(provider, QString(), u"exams"_s, u"Exams"_s);
        if (!query) {
            outcome.ok = gDB->ExecuteSQL(sql, values);
            outcome.affected = gDB->mRecordsAffected;
            outcome.error = gDB->mLastError;
        } else if (const std::shared_ptr<Recordset> rs = gDB->GetRS(sql)) {
            outcome.ok = true;
            for (int c = 0; c < rs->fieldCount(); ++c)
                outcome.columns << rs->column(c).name;
            for (int r = 0; r < rs->RecordCount(); ++r) {
                QVariantList row;
                for (int c = 0; c < rs->fieldCount(); ++c)
                    row << rs->value(r, c);
                outcome.rows << row;
            }
        } else {
            outcome.error = MessageBox::shown().value(0).text;
        }
        gDB.reset();
        return outcome;
    }
    // The statement on both; the server's outcome when they agree.
    Outcome same(
        const QString &sql, bool query = true, Check check = Check::Everything, const QVariantList &values = {})
    {
        Outcome file = run(1, sql, query, values);
        Outcome server = run(3, sql, query, values);
        [&] {
            QVERIFY2(file.ok && server.ok && MessageBox::shown().isEmpty() && !AppExit::requested(),
                qPrintable(sql + u"\nfile: "_s + file.error + u"\nserver: "_s + server.error));
            if (check == Check::Everything)
                QCOMPARE(server.columns, file.columns);
            if (check == Check::RowsInAnyOrder) {
                const auto byFirst = [](auto &a, auto &b) { return a.first().toString() < b.first().toString(); };
                std::sort(file.rows.begin(), file.rows.end(), byFirst);
                std::sort(server.rows.begin(), server.rows.end(), byFirst);
            }
            QCOMPARE(server.rows, file.rows);
            QCOMPARE(server.affected, file.affected);
        }();
        if (QTest::currentTestFailed())
            qWarning("in: %s", qPrintable(sql));
        return server;
    }
    void change(const QString &sql, const QVariantList &values = {}) { same(sql, false, Check::Everything, values); }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_server.isRunning(), qPrintable(m_server.error()));
        // The file's pool on the server, copied row by row.
        freshFile();
        QStringList schema
            = ExamSchema::createStatements(SqlDialect::Target::PostgreSql) + ExamSchema::serverSupportStatements();
        for (const QVariantList &row : TestSupport::query(m_file, u"SELECT * FROM Q_A"_s)) {
            QStringList values;
            for (const QVariant &value : row)
                values << (value.isNull() ? u"NULL"_s
                        : value.typeId() == QMetaType::LongLong
                        ? value.toString()
                        : u"'"_s + value.toString().replace(u"'"_s, u"''"_s) + u"'"_s);
            schema << u"INSERT INTO Q_A VALUES (%1)"_s.arg(values.join(u", "_s));
        }
        schema << u"GRANT ALL ON ALL TABLES IN SCHEMA public TO ann, bob"_s
               << u"GRANT ALL ON ALL SEQUENCES IN SCHEMA public TO ann, bob"_s;
        QVERIFY(m_server.psql(u"CREATE DATABASE exams"_s));
        QVERIFY(m_server.psql(u"CREATE ROLE ann LOGIN PASSWORD 'ann-pw'; CREATE ROLE bob LOGIN PASSWORD 'b;o}b'"_s));
        QVERIFY2(m_server.psql(schema.join(u";\n"_s), nullptr, u"exams"_s), qPrintable(m_server.error()));
        m_server.addDsn(u"Exams"_s, u"exams"_s, u"ann"_s, u"ann-pw"_s);
        m_server.addDsn(u"Anyone"_s, u"postgres"_s);
    }
    void init() { TestSupport::resetProgramState(); }
    void cleanup()
    {
        TestSupport::resetProgramState(); // every connection dropped
        QVERIFY(
            m_server.psql(u"TRUNCATE ExamTitle, ExamDetails, ExamFlags, ExamProgress, PracticeExams RESTART IDENTITY"_s,
                nullptr, u"exams"_s));
    }

    void connectionString_data() { TestSupport::addCases(u"classroom/connection-strings.tsv"_s); }
    void connectionString()
    {
        const auto [database, dsn, user, password] = SessionCases::texts("database", "dsn", "user", "password");
        QCOMPARE(ConnectionPool::odbcConnectionString(
                     cDBAccess::connectionDescription(SessionCases::number("provider"), QString(), database, dsn), user,
                     password),
            SessionCases::text("expected"));
    }

    // One server session per data source, database and user, however many access objects come and
    // go. A source without a user: the person signs in once a run; a wrong password, a cancel or a
    // server out of reach (its box's text is tst_connection's) ends the program.
    void connects()
    {
        QVERIFY(open());
        const std::shared_ptr<Database> first = gConnection->database();
        QVERIFY(open() && first->userName() == u"ann"_s);
        QCOMPARE(gConnection->database(), first);
        QVERIFY(SignIn::asked().isEmpty() && MessageBox::shown().isEmpty());

        SignIn::setNextAnswer(SignIn::Credentials{u"bob"_s, u"b;o}b"_s});
        QVERIFY(open(u"Anyone"_s));
        QCOMPARE(SignIn::asked(), QList<QString>{u"Anyone"_s});
        QCOMPARE(gConnection->database()->userName(), u"bob"_s);
        QVERIFY(open(u"Anyone"_s));
        QCOMPARE(SignIn::asked().size(), 1);
        QVERIFY(!AppExit::requested());

        ConnectionPool::clear();
        SignIn::setNextAnswer(SignIn::Credentials{u"bob"_s, u"wrong"_s});
        QVERIFY(!open(u"Anyone"_s) && refusedToConnect());
        QVERIFY2(gDB->mLastError.startsWith(u"-2147217843 - "_s) && gDB->mLastError.contains(u"bob"_s),
            qPrintable(gDB->mLastError));
        TestSupport::resetProgramState();
        QVERIFY(!open(u"Anyone"_s) && refusedToConnect()); // no answer queued: cancelled

        TestSupport::resetProgramState();
        QVERIFY(m_server.stop());
        const bool opened = open();
        QVERIFY(m_server.start());
        QVERIFY(!opened && refusedToConnect());
        QVERIFY(gDB->mLastError.startsWith(u"-2147217843 - "_s));
    }

    // A session the server ended, or lost to a restart, is out of reach and no longer handed out: the
    // pool opens a fresh one. A statement that merely ran too long leaves the session as it was.
    void lostSessionIsReplaced_data() { TestSupport::addCases(u"classroom/session-losses.tsv"_s); }
    void lostSessionIsReplaced()
    {
        const auto [loss, statement, lost] = SessionCases::texts("loss", "statement", "lost");
        const bool unreachable = lost == u"yes"_s;
        Connection first;
        DbError error;
        const QString description = cDBAccess::connectionDescription(3, QString(), u"exams"_s, u"Exams"_s);
        QVERIFY(first.open(description, &error));
        const std::shared_ptr<Database> db = first.database();
        QVERIFY(db->execute(u"SET statement_timeout = 10"_s, {}, nullptr, &error));
        if (loss == u"terminate"_s)
            QVERIFY(m_server.psql(
                u"SELECT pg_terminate_backend(pid, 60000) FROM pg_stat_activity WHERE usename = 'ann'"_s));
        else if (loss == u"restart"_s)
            QVERIFY(m_server.stop() && m_server.start());
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
        QVERIFY(gDB->ExecuteSQL(ExamQueries::insertExam(u"O'Brien"_s, u"2026-12-04 00:30:00"_s, 10)));
        QCOMPARE(gDB->lastInsertId(), 1);
        // A failing statement leaves nothing and says why; no message box, the program goes on.
        QVERIFY(!gDB->ExecuteSQL(u"UPDATE ExamTitle SET WHERE"_s));
        QVERIFY2(gDB->mLastError.startsWith(u"-2147217900 - "_s), qPrintable(gDB->mLastError));
        QVERIFY(!gDB->ExecuteSQL(u"UPDATE ExamTitle SET NumOfQuestions = 10 / (NumOfQuestions - 10)"_s));
        QCOMPARE(sql(u"SELECT NumOfQuestions FROM ExamTitle"_s), u"10"_s);
        QVERIFY(MessageBox::shown().isEmpty() && !AppExit::requested());

        // A batch: a failing statement inside it is undone alone; the rest is stored at once or not at all.
        QVERIFY(gDB->BeginBatch());
        QVERIFY(gDB->ExecuteSQL(ExamQueries::insertExamQuestion(1, u"O'Brien"_s, 3)));
        QVERIFY(!gDB->ExecuteSQL(u"INSERT INTO NoSuchTable VALUES (1)"_s));
        QVERIFY(gDB->ExecuteSQL(ExamQueries::insertExamQuestion(1, u"O'Brien"_s, 4)));
        QCOMPARE(sql(u"SELECT count(*) FROM ExamDetails"_s), u"0"_s); // not yet
        QVERIFY(gDB->CommitBatch());
        QCOMPARE(sql(u"SELECT string_agg(QID::text, ',' ORDER BY DetailID) FROM ExamDetails"_s), u"3,4"_s);
        QVERIFY(gDB->BeginBatch());
        QVERIFY(gDB->ExecuteSQL(u"DELETE FROM ExamDetails"_s));
        gDB->RollbackBatch();
        QCOMPARE(sql(u"SELECT count(*) FROM ExamDetails"_s), u"2"_s);
    }

    void navigates_data() { TestSupport::addCases(u"classroom/navigation.tsv"_s); }
    void navigates()
    {
        const int examId = SessionCases::number("exam"), rows = SessionCases::number("count");
        QVERIFY(openEngine());
        const std::shared_ptr<Recordset> rs = gDB->GetRS(examSql(examId));
        QVERIFY(rs);
        QSignalSpy moves(rs.get(), &Recordset::moveComplete);
        QCOMPARE(rs->RecordCount(), rows);
        // Fields by name in any case; NULL and unknown names give no value. Read-only: no changes taken.
        const QVariant answer = examId == 2 ? QVariant(u"A"_s) : QVariant();
        QCOMPARE(rs->Fields(u"ANSWER"_s), answer);
        QVERIFY(rs->fieldIndex(u"NoSuchField"_s) == -1 && !rs->Fields(u"NoSuchField"_s).isValid());
        QVERIFY(!rs->isUpdatable() && !rs->setField(u"Answer"_s, u"D"_s) && !rs->isDirty());
        QCOMPARE(rs->Fields(u"answer"_s), answer);

        const std::map<QChar, void (Recordset::*)()> move{{u'F', &Recordset::MoveFirst}, {u'L', &Recordset::MoveLast},
            {u'N', &Recordset::MoveNext}, {u'P', &Recordset::MovePrevious}};
        int completed = 0;
        for (const QString &step : SessionCases::text("steps").split(u' ')) {
            if (step.at(0) != u'.')
                (rs.get()->*move.at(step.at(0)))();
            completed += step.endsWith(u'*') ? 1 : 0;
            const int position = QString(step).remove(u'*').mid(1).toInt();
            QCOMPARE(moves.count(), completed);
            QCOMPARE(rs->AbsolutePosition(), position);
            QCOMPARE(rs->BOF(), position == -1 || position == -2);
            QCOMPARE(rs->Eof(), position == -1 || position == -3);
            QCOMPARE(rs->Fields(u"qid"_s), position > 0 ? QVariant(qlonglong(rows == 1 ? 5 : position)) : QVariant());
        }
        QCOMPARE(besideValue(u"SELECT count(*) FROM ExamDetails WHERE Answer = 'D'"_s), u"0"_s);
    }

    // Bound controls show the row on every move; a value put into one goes into the row, written back
    // when it is left unless another writer changed it since it was read (theirs wins, ours waits for a
    // retry). A table of the same recordset heads columns as the program spells them, NULL as empty.
    void binderAndWriteBack_data() { TestSupport::addCases(u"classroom/engines.tsv"_s); }
    void binderAndWriteBack()
    {
        QVERIFY(openEngine());
        beside(u"UPDATE ExamDetails SET Answer = 'A', Answered = -1 WHERE DetailID = 2"_s);
        const std::shared_ptr<Recordset> rs = editable(examSql(1));
        QVERIFY(rs && rs->isUpdatable());
        RecordsetModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRecordset(rs);
        QCOMPARE(model.rowCount(), 10);
        QStringList headings;
        for (int c = 0; c < model.columnCount(); ++c)
            headings << model.headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headings,
            (QStringList{u"ExamID"_s, u"UserName"_s, u"Correct Answers"_s, u"DetailID"_s, u"QID"_s, u"Answer"_s,
                u"Answered"_s, u"Question"_s, u"Twice"_s}));
        QCOMPARE(rs->column(5).table + u'.' + rs->column(5).origin, u"ExamDetails.Answer"_s);
        QVERIFY(rs->column(8).table.isEmpty());
        QCOMPARE(model.data(model.index(0, 2)).toString(), QString());
        QVERIFY(model.data(model.index(0, 2), Qt::EditRole).isNull());
        QSignalSpy failures(rs.get(), &Recordset::writeFailed);
        QLineEdit question, answer;
        QCheckBox answered;
        DataBinder binder;
        binder.bind(&question, u"Question"_s);
        binder.bind(&answer, u"Answer"_s);
        binder.bind(&answered, u"Answered"_s);
        binder.setRecordset(rs);
        const auto shows = [&](int number, const QString &letter, bool checked) {
            QCOMPARE(question.text(), u"Software Testing question %1"_s.arg(number));
            QCOMPARE(answer.text(), letter);
            QCOMPARE(answered.isChecked(), checked);
        };
        shows(1, QString(), false);
        rs->MoveNext();
        shows(2, u"A"_s, true);
        binder.refresh();
        QVERIFY(!rs->isDirty()); // showing a row never changes it

        answer.setText(u"D"_s);
        answered.setChecked(false);
        QVERIFY(rs->isDirty());
        QCOMPARE(rs->Fields(u"Answer"_s), QVariant(u"D"_s));
        QCOMPARE(detail(2), u"A -1"_s); // not yet
        rs->MoveNext();
        shows(3, QString(), false);
        QVERIFY(failures.isEmpty());
        // Only that row changed; the joined title rows were not touched.
        QCOMPARE(detail(2), u"D 0"_s);
        QCOMPARE(detail(11), u"A -1"_s);
        QCOMPARE(besideValue(u"SELECT count(*) FROM ExamDetails WHERE Answer IS NOT NULL OR Answered <> 0"_s), u"2"_s);
        QCOMPARE(besideValue(u"SELECT count(*) FROM ExamTitle WHERE ExamResult IS NULL"_s), u"1"_s);
        rs->MovePrevious();
        QVERIFY(!rs->isDirty());
        shows(2, u"D"_s, false);
        QCOMPARE(model.data(model.index(1, 5)).toString(), u"D"_s);

        rs->MoveNext();
        beside(u"UPDATE ExamDetails SET Answer = 'C' WHERE DetailID = 3"_s);
        answer.setText(u"D"_s);
        rs->MoveNext();
        QCOMPARE(failures.count(), 1);
        QVERIFY2(failures.first().first().toString().startsWith(u"-2147217864 - "_s),
            qPrintable(failures.first().first().toString()));
        QCOMPARE(rs->AbsolutePosition(), 4);
        QCOMPARE(detail(3), u"C 0"_s);
        rs->MovePrevious();
        QVERIFY(rs->isDirty());
        QCOMPARE(rs->Fields(u"Answer"_s), QVariant(u"D"_s));
        QVERIFY(!rs->Update()); // still in conflict
        QCOMPARE(failures.count(), 2);
        QCOMPARE(detail(3), u"C 0"_s);
        // Once the row holds what was read again, Update() stores it, without moving.
        beside(u"UPDATE ExamDetails SET Answer = NULL WHERE DetailID = 3"_s);
        QSignalSpy moves(rs.get(), &Recordset::moveComplete);
        QVERIFY(rs->Update() && !rs->isDirty());
        QCOMPARE(detail(3), u"D 0"_s);
        QCOMPARE(failures.count(), 2);
        QCOMPARE(rs->AbsolutePosition(), 3);
        QVERIFY(moves.isEmpty());
        QVERIFY(MessageBox::shown().isEmpty());
        model.setRecordset(gDB->GetRS(examSql(3)));
        QCOMPARE(model.rowCount(), 0);
        model.setRecordset(nullptr);
        QCOMPARE(model.columnCount(), 0);
    }

    // Values longer than one piece of the driver's come back whole: text with characters beyond
    // Latin-1 (a surrogate pair among them) and bytes; an empty text is not NULL.
    void readsLongValues()
    {
        const std::shared_ptr<Database> db = pooled();
        QVERIFY(db);
        DbError error;
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

    // The server turns the COMMIT of a transaction with a failed statement into a silent rollback: a
    // failing heartbeat must not take the answer with it, and a failure is never reported as stored.
    void failuresInsideATransaction()
    {
        storeExam(u"5, 6"_s);
        QVERIFY(open());
        const std::shared_ptr<Recordset> rs
            = editable(u"SELECT DetailID, Answer, Answered FROM ExamDetails ORDER BY DetailID"_s);
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

        const std::shared_ptr<Database> db = pooled();
        QVERIFY(db);
        DbError error;
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
        storeExam(u"5"_s);
        DbError error;
        const std::shared_ptr<OdbcDatabase> other = OdbcDatabase::connect(
            ConnectionPool::odbcConnectionString(u"dsn=Exams;database=exams;"_s, QString(), QString()), &error);
        QVERIFY2(other, qPrintable(error.text()));
        QVERIFY(other->begin(&error));
        QVERIFY(other->execute(u"UPDATE ExamDetails SET Answer = 'A' WHERE DetailID = 1"_s, {}, nullptr, &error));
        const std::shared_ptr<Database> db = pooled();
        QVERIFY(db);
        QVERIFY(!db->execute(u"UPDATE ExamDetails SET Answer = 'B' WHERE DetailID = 1"_s, {}, nullptr, &error));
        QVERIFY2(error.text().contains(u"lock timeout"_s), qPrintable(error.text()));
        other->rollback();
        QVERIFY(db->execute(u"UPDATE ExamDetails SET Answer = 'B' WHERE DetailID = 1"_s, {}, nullptr, &error));
        QCOMPARE(sql(u"SELECT Answer FROM ExamDetails"_s), u"B"_s);
    }

    // In the order an exam lives through them: set-up, creation, questions, flags, the heartbeat,
    // resuming, scoring, the list, review and deletion.
    void programStatements()
    {
        freshFile();
        same(ExamQueries::questionsPerCategory(), true, Check::RowsInAnyOrder);
        change(ExamQueries::insertExam(u"O'Brien"_s, u"2026-12-04 23:20:05"_s, 10));
        QCOMPARE(same(ExamQueries::lastIdentity(), true, Check::RowsOnly).rows, (QList<QVariantList>{{qlonglong(1)}}));
        for (const QString &sql : {ExamQueries::allQuestions(), ExamQueries::poolInOrder(),
                 ExamQueries::questionsOfCategory(u"Software Testing"_s)})
            same(sql);
        for (int qid : {1, 3, 4})
            change(ExamQueries::insertExamQuestion(1, u"O'Brien"_s, qid));
        change(ExamQueries::createProgress(1, 720, 1796000000, u"run-1"_s));

        for (const bool running : {false, true})
            same(ExamQueries::examQuestions(1, running));
        for (const QString &table : {u"ExamProgress"_s, u"ExamFlags"_s, u"PracticeExams"_s, u"NoSuchTable"_s})
            same(ExamQueries::tableExists(table));
        same(ExamQueries::flagsOfExam(1));
        change(ExamQueries::setFlag(2, true));
        change(ExamQueries::setFlag(2, true)); // no second row
        change(ExamQueries::setFlag(3, true));
        QCOMPARE(same(ExamQueries::flagsOfExam(1), true, Check::RowsInAnyOrder).rows.size(), 2);
        change(ExamQueries::setFlag(3, false));
        change(ExamQueries::updateProgress(1, 600, 1796000030, u"run-1"_s));

        // An answer stored by the recordset's write-back, with the heartbeat in its transaction.
        for (int provider : {1, 3}) {
            gDB = std::make_unique<cDBAccess>();
            gDB->Open_Connection(provider, QString(), u"exams"_s, u"Exams"_s);
            const std::shared_ptr<Recordset> rs = editable(ExamQueries::examQuestions(1, false));
            QVERIFY(rs);
            rs->setWriteBackCompanion([] { return ExamQueries::updateProgress(1, 590, 1796000040, u"run-1"_s); });
            QVERIFY(rs->setField(u"Answer"_s, u"a"_s) && rs->setField(u"Answered"_s, true));
            rs->MoveNext();
            QVERIFY(rs->setField(u"Answer"_s, u"B"_s) && rs->setField(u"Answered"_s, true));
            QVERIFY(rs->Update());
            gDB.reset();
        }
        same(u"SELECT * FROM ExamDetails ORDER BY DetailID"_s);
        same(u"SELECT * FROM ExamProgress"_s);
        same(ExamQueries::unansweredOf(1));

        // A crashed run's exam, offered and claimed once.
        for (const qint64 now : {1796000100, 1796000000})
            same(ExamQueries::staleExam(now));
        QCOMPARE(same(ExamQueries::claimProgress(1, 1796000200, u"run-2"_s, 1796000100), false).affected, 1);
        QCOMPARE(same(ExamQueries::claimProgress(1, 1796000300, u"run-3"_s, 1796000100), false).affected, 0);

        // A practice exam, drawn from the candidate's mistakes.
        change(ExamQueries::markPractice(1));
        for (const qint32 exam : {1, 2})
            same(ExamQueries::isPractice(exam));

        // The one statement that scores on the file, its ExamID bound: 'a' for A counts, B for C
        // and no answer do not.
        change(ExamQueries::scoreExam(), {1});
        QCOMPARE(same(u"SELECT ExamResult FROM ExamTitle WHERE ExamID = 1"_s).rows.value(0).value(0).toInt(), 1);
        change(ExamQueries::deleteProgress(1));

        // The results list, review and deletion.
        change(
            u"INSERT INTO ExamTitle(UserName, ExamDate, NumOfQuestions, ExamResult) VALUES "
            "('alice', '2002-03-05 10:00:00', 30, 2), ('bob', '2003-03-05', 30, 7), ('carol', '2004-06-30T08:15:00', "
            "10, 10), ('dave', '2001-01-01 09:00:00', 10, NULL), ('erin', NULL, 0, 0), ('fay', 'last week', 3, 1)"_s);
        // The results list, a page at a time by exam number.
        const Outcome firstPage = same(ExamQueries::examListPage(0, 4));
        const Outcome lastPage = same(ExamQueries::examListPage(firstPage.rows.last().first().toInt(), 4));
        QCOMPARE(firstPage.rows.size() + lastPage.rows.size(), 7);
        QCOMPARE(same(ExamQueries::examListPage(lastPage.rows.last().first().toInt(), 4)).rows.size(), 0);
        // The study figures: candidates, their scored exams and answers, their practice exams.
        same(ExamQueries::candidateNames(), true, Check::RowsInAnyOrder);
        for (const QString &name : {u"O'Brien"_s, u"bob"_s, u"nobody"_s}) {
            same(ExamQueries::scoredExamsOf(name));
            same(ExamQueries::scoredAnswersOf(name));
            same(ExamQueries::practiceExamsOf(name));
        }
        for (const QString &sql : ExamQueries::deleteSideRows(1) + ExamQueries::deleteExam(1))
            change(sql);
        same(u"SELECT (SELECT COUNT(*) FROM ExamTitle) AS Titles, (SELECT COUNT(*) FROM ExamDetails) AS Details, "
             "(SELECT COUNT(*) FROM ExamFlags) AS Flags, (SELECT COUNT(*) FROM PracticeExams) AS Practice"_s);
    }

    // The dialect's own constructs, evaluated by each engine (tst_sqldialect holds the file to the values).
    void dialectConstructs_data() { TestSupport::addCases(u"classroom/evaluations.tsv"_s); }
    void dialectConstructs()
    {
        freshFile();
        same(SessionCases::text("sql"));
    }
};

QTEST_MAIN(tst_classroom_data)
#include "tst_classroom_data.moc"
