#include <algorithm>

#include <QTest>

#include "ClassServer.h"
#include "PgServer.h"
#include "TestSupport.h"
#include "core/AppExit.h"
#include "core/GenModule.h"
#include "data/Connection.h"
#include "data/ConnectionPool.h"
#include "data/DataGlobals.h"
#include "data/Database.h"
#include "data/ExamQueries.h"
#include "data/ExamSchema.h"
#include "data/Recordset.h"
#include "data/ReviewSession.h"
#include "data/ServerRules.h"
#include "data/cDBAccess.h"
#include "platform/MessageBox.h"

using namespace Qt::StringLiterals;

namespace {
using Rows = QList<QVariantList>;

struct Outcome {
    bool ok = false;
    QStringList columns;
    Rows rows;
    int affected = 0;
    QString error;
};

enum class Check { Everything, RowsOnly, RowsInAnyOrder };
} // namespace

// Every statement the program sends, as its query functions write it, through the data layer on the
// keyed file and on the server side by side: the same rows, the same headings, the same counts.
class tst_classroom_statements final : public QObject {
    Q_OBJECT

    // The class's database for what only a server runs; the server's "exams" database for the rest.
    ClassServer m_class{{10, 0, 0, 0, 0, 0}};
    PgServer &m_server = m_class.server();
    QTemporaryDir m_dir;

    // Through a new access object, as the screens do; provider 1 is the file, 3 the server.
    static Outcome run(int provider, const QString &sql, bool query, const QVariantList &values = {},
        const QString &dsn = u"Exams"_s, const QString &database = u"exams"_s)
    {
        Outcome outcome;
        gDB = std::make_unique<cDBAccess>();
        gDB->Open_Connection(provider, QString(), database, dsn);
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
            QVERIFY2(
                file.ok && server.ok, qPrintable(sql + u"\nfile: "_s + file.error + u"\nserver: "_s + server.error));
            if (check == Check::Everything)
                QCOMPARE(server.columns, file.columns);
            if (check == Check::RowsInAnyOrder) {
                std::sort(file.rows.begin(), file.rows.end(),
                    [](auto &a, auto &b) { return a.first().toString() < b.first().toString(); });
                std::sort(server.rows.begin(), server.rows.end(),
                    [](auto &a, auto &b) { return a.first().toString() < b.first().toString(); });
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
        QVERIFY2(m_class.isReady(), qPrintable(m_class.error()));
        QVERIFY(m_server.psql(u"CREATE DATABASE exams"_s));
        const QStringList schema
            = ExamSchema::createStatements(SqlDialect::Target::PostgreSql) + ExamSchema::serverSupportStatements();
        QVERIFY2(m_server.psql(schema.join(u";\n"_s), nullptr, u"exams"_s), qPrintable(m_server.error()));
        m_server.addDsn(u"Exams"_s, u"exams"_s, QString::fromLatin1(PgServer::kSuperuser),
            QString::fromLatin1(PgServer::kSuperPassword));
        TestSupport::resetProgramState();
        const QString file = m_dir.filePath(u"Exam.mdb"_s);
        TestSupport::buildDatabase(file, {2, 1, 0, 0, 0, 1}, {0, 0, 0, 0, 0, 1});
        // The same pool on the server, copied row by row.
        QStringList copy;
        for (const QVariantList &row : TestSupport::query(file, u"SELECT * FROM Q_A"_s)) {
            QStringList values;
            for (const QVariant &value : row)
                values << (value.isNull() ? u"NULL"_s
                        : value.typeId() == QMetaType::LongLong
                        ? value.toString()
                        : u"'"_s + value.toString().replace(u"'"_s, u"''"_s) + u"'"_s);
            copy << u"INSERT INTO Q_A VALUES (%1)"_s.arg(values.join(u", "_s));
        }
        QVERIFY(m_server.psql(copy.join(u";\n"_s), nullptr, u"exams"_s));
        gDbPath = m_dir.path();
    }
    void init()
    {
        MessageBox::clearShown();
        AppExit::resetRequested();
    }
    void cleanup() { QVERIFY(MessageBox::shown().isEmpty() && !AppExit::requested()); }
    void cleanupTestCase()
    {
        gDB.reset();
        gConnection.reset();
        ConnectionPool::clear();
    }

    // In the order an exam lives through them: set-up, creation, questions, flags, the heartbeat,
    // resuming, scoring, the list, review and deletion.
    void programStatements()
    {
        same(ExamQueries::questionsPerCategory(), true, Check::RowsInAnyOrder);
        change(ExamQueries::insertExam(u"O'Brien"_s, u"2026-12-04 23:20:05"_s, 10));
        QCOMPARE(same(ExamQueries::lastIdentity(), true, Check::RowsOnly).rows, (Rows{{qlonglong(1)}}));
        same(ExamQueries::allQuestions());
        same(ExamQueries::poolInOrder());
        same(ExamQueries::questionsOfCategory(u"Software Testing"_s));
        for (int qid : {1, 3, 4})
            change(ExamQueries::insertExamQuestion(1, u"O'Brien"_s, qid));
        change(ExamQueries::createProgress(1, 720, 1796000000, u"run-1"_s));

        same(ExamQueries::examQuestions(1, false));
        same(ExamQueries::examQuestions(1, true));
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
            const std::shared_ptr<Recordset> rs = gDB->GetRS(ExamQueries::examQuestions(1, false),
                CursorLocation::UseClient, CursorType::Static, LockType::Optimistic, CommandType::Unstated);
            QVERIFY(rs);
            rs->setWriteBackCompanion([] { return ExamQueries::updateProgress(1, 590, 1796000040, u"run-1"_s); });
            QVERIFY(rs->setField(u"Answer"_s, u"a"_s) && rs->setField(u"Answered"_s, true));
            rs->MoveNext();
            QVERIFY(rs->setField(u"Answer"_s, u"C"_s) && rs->setField(u"Answered"_s, true));
            QVERIFY(rs->Update());
            gDB.reset();
        }
        same(u"SELECT * FROM ExamDetails ORDER BY DetailID"_s);
        same(u"SELECT * FROM ExamProgress"_s);
        same(ExamQueries::unansweredOf(1));

        // A crashed run's exam, offered and claimed once.
        same(ExamQueries::staleExam(1796000100));
        same(ExamQueries::staleExam(1796000000));
        QCOMPARE(same(ExamQueries::claimProgress(1, 1796000200, u"run-2"_s, 1796000100), false).affected, 1);
        QCOMPARE(same(ExamQueries::claimProgress(1, 1796000300, u"run-3"_s, 1796000100), false).affected, 0);

        // A practice exam, drawn from the candidate's mistakes.
        change(ExamQueries::markPractice(1));
        same(ExamQueries::isPractice(1));
        same(ExamQueries::isPractice(2));

        // The one statement that scores on the file, its ExamID bound: 'a' for A counts, C for A
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
        QCOMPARE(firstPage.columns,
            (QStringList{
                u"ExamID"_s, u"Date"_s, u"User Name"_s, u"No of Questions"_s, u"Correct Answers"_s, u"Result (%)"_s}));
        QCOMPARE(firstPage.rows.size() + lastPage.rows.size(), 7);
        QCOMPARE(same(ExamQueries::examListPage(lastPage.rows.last().first().toInt(), 4)).rows.size(), 0);
        // The study figures: candidates, their scored exams and answers, their practice exams.
        same(ExamQueries::candidateNames(), true, Check::RowsInAnyOrder);
        for (const QString &name : {u"O'Brien"_s, u"bob"_s, u"nobody"_s}) {
            same(ExamQueries::scoredExamsOf(name));
            same(ExamQueries::scoredAnswersOf(name));
            same(ExamQueries::practiceExamsOf(name));
        }
        for (const QString &side : ExamQueries::deleteSideRows(1))
            change(side);
        for (const QString &sql : ExamQueries::deleteExam(1))
            change(sql);
        same(u"SELECT (SELECT COUNT(*) FROM ExamTitle) AS Titles, (SELECT COUNT(*) FROM ExamDetails) AS Details, "
             "(SELECT COUNT(*) FROM ExamFlags) AS Flags, (SELECT COUNT(*) FROM PracticeExams) AS Practice"_s);
    }

    // What the program sends only to a class's server, through the same data layer, on a database
    // the pool builder made: the server's functions and the look-ups beside them, each with the
    // columns and values the program reads.
    void serverOnlyStatements()
    {
        const QString dsn = QString::fromLatin1(ClassServer::kAdminDsn),
                      db = QString::fromLatin1(ClassServer::kDatabase);
        const auto server = [&](const QString &sql) { return run(3, sql, true, {}, dsn, db); };
        // The functions' calls go to the connection as written: they are the server's own SQL.
        const auto call = [&](const QString &sql) {
            gDB = std::make_unique<cDBAccess>();
            gDB->Open_Connection(3, QString(), db, dsn);
            const QVariant value = ClassServer::value(*gDB->GetConnection()->database(), sql);
            gDB.reset();
            return value;
        };
        const qint32 exam = call(ServerRules::startExam({0}, 10, false, u"run-1"_s)).toInt();
        QVERIFY(exam > 0);
        const Outcome questions = server(ExamQueries::runningExamQuestions(exam));
        QCOMPARE(questions.rows.size(), 10);
        QVERIFY(!questions.columns.contains(u"CorrectAnswer"_s));
        QVERIFY(questions.columns.contains(u"DetailID"_s) && questions.columns.contains(u"Answer"_s));
        const qint32 detail = questions.rows.first().at(questions.columns.indexOf(u"DetailID"_s)).toInt();
        for (const QString &sql : {ServerRules::answer(detail, u"a"_s), ServerRules::flag(detail, true),
                 ServerRules::heartbeat(exam, u"run-1"_s)}) {
            const int left = call(sql).toInt();
            QVERIFY2(left > 0 && left <= ServerRules::durationOf(10), qPrintable(sql));
        }
        QCOMPARE(server(ExamQueries::serverOffer(90)).columns,
            (QStringList{u"ExamID"_s, u"UserName"_s, u"ExamDate"_s, u"NumOfQuestions"_s, u"TimeLeft"_s}));
        QCOMPARE(server(ServerRules::mistakeCounts()).columns, (QStringList{u"Category"_s, u"Questions"_s}));
        // Scoring what is overdue is both: the results screen reads it through the data layer.
        const Outcome overdue = server(ServerRules::scoreOverdue());
        QVERIFY(overdue.ok && overdue.rows.size() == 1);
        QCOMPARE(overdue.rows.first().first().toInt(), 0);
        QCOMPARE(call(ServerRules::scoreOverdue()).toInt(), 0);
        const QVariant scored = call(ServerRules::scoreExam(exam));
        QVERIFY(scored.isValid());
        QCOMPARE(scored.toString(), m_class.scalar(u"SELECT ExamResult FROM ExamTitle WHERE ExamID = %1"_s.arg(exam)));
        const int previous = gDbProvider;
        gDbProvider = 3;
        gDbName = db;
        gDSN = dsn;
        QVERIFY(ReviewSession::mayDelete()); // the database's administrator may
        gDbProvider = previous;
        gDbName.clear();
        gDSN.clear();
    }

    // The dialect's own constructs, evaluated by each engine (tst_sqldialect holds the file to the values).
    void dialectConstructs_data() { TestSupport::addCases(u"classroom/evaluations.tsv"_s); }
    void dialectConstructs()
    {
        QFETCH(QString, sql);
        same(sql);
    }
};

QTEST_MAIN(tst_classroom_statements)
#include "tst_classroom_statements.moc"
