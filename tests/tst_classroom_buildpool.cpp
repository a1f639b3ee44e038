#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include "PgServer.h"
#include "TestSupport.h"
#include "data/ConnectionPool.h"
#include "data/Database.h"
#include "data/ExamSchema.h"
#include "data/ServerRules.h"
#include "data/cDBAccess.h"

using namespace Qt::StringLiterals;

namespace {
using Rows = QList<QVariantList>;

QStringList poolFiles(const QString &folder)
{
    QStringList files;
    for (const QString &name : QDir(folder).entryList({u"*.json"_s}, QDir::Files, QDir::Name))
        files << QDir(folder).filePath(name);
    return files;
}
} // namespace

// vesk-buildpool --dsn: the schema made on the server, the pool loaded and replaced with the same
// numbering and rules as in a file built from the same sources.
class tst_classroom_buildpool final : public QObject {
    Q_OBJECT

    PgServer m_server;
    QTemporaryDir m_dir;

    static TestSupport::Run tool(const QStringList &args)
    {
        return TestSupport::run(QCoreApplication::applicationDirPath() + u"/../vesk-buildpool"_s, args);
    }
    QString file() const { return m_dir.filePath(u"Exam.mdb"_s); }
    // Every question with its key, and every stored answer with its question's text, as in the file.
    void sameAsTheFile(const QString &dsn = u"Trainer"_s, const QString &path = QString())
    {
        DbError error;
        const std::shared_ptr<Database> db
            = ConnectionPool::acquireServer(cDBAccess::connectionDescription(3, QString(), QString(), dsn), &error);
        QVERIFY2(db, qPrintable(error.text()));
        for (const QString &sql :
            {u"SELECT q.QID, q.Question, q.A, q.B, q.C, q.D, q.E, q.F, q.CorrectAnswer, q.Category, q.Description, "
             "k.StableID, k.Origin FROM Q_A q LEFT JOIN QuestionKeys k ON k.QID = q.QID ORDER BY q.QID"_s,
                u"SELECT d.DetailID, d.ExamID, d.QID, q.Question, d.Answer FROM ExamDetails d INNER JOIN Q_A q ON "
                "q.QID = d.QID ORDER BY d.DetailID"_s}) {
            Database::Result result;
            QVERIFY2(db->query(db->translate(sql), &result, &error), qPrintable(error.text()));
            Rows onServer;
            for (const auto &row : result.rows)
                onServer << QVariantList(row.begin(), row.end());
            QVERIFY(!onServer.isEmpty() || sql.contains(u"ExamDetails"_s));
            QCOMPARE(onServer, TestSupport::query(path.isEmpty() ? file() : path, sql));
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_server.isRunning(), qPrintable(m_server.error()));
        QVERIFY(m_server.psql(u"CREATE DATABASE class1"_s));
        m_server.addDsn(u"Trainer"_s, u"class1"_s, QString::fromLatin1(PgServer::kSuperuser),
            QString::fromLatin1(PgServer::kSuperPassword));
        m_server.addDsn(u"Nobody"_s, u"class1"_s);
    }
    void cleanupTestCase() { ConnectionPool::clear(); }

    void createsLoadsAndReplaces()
    {
        const QStringList first = poolFiles(QFINDTESTDATA("data/pool-v1"));
        const QStringList now = poolFiles(QFINDTESTDATA("../pool"));
        QVERIFY(!first.isEmpty() && !now.isEmpty());
        QCOMPARE(tool(QStringList{u"--out"_s, file()} + first).status, 0);

        TestSupport::Run run = tool(QStringList{u"--dsn"_s, u"Trainer"_s} + first);
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(run.out.trimmed(),
            u"Trainer written: %1 questions, 0 stored exam(s) kept."_s.arg(
                TestSupport::scalar(file(), u"SELECT count(*) FROM Q_A"_s).toInt()));
        sameAsTheFile();
        // Stored exams on both, the same, of sizes an earlier version stored and the server's rules
        // now refuse; then a build without --replace-pool is refused, changing nothing.
        const QString exams = u"INSERT INTO ExamTitle (UserName, NumOfQuestions) VALUES ('ann', 3), ('bob', 2); "
                              "INSERT INTO ExamDetails (ExamID, UserName, QID, Answer) VALUES (1, 'ann', 1, 'A'), "
                              "(1, 'ann', 2, 'B'), (1, 'ann', 200, NULL), (2, 'bob', 7, 'C'), (2, 'bob', 630, 'D')"_s;
        TestSupport::exec(file(), exams);
        QVERIFY(!m_server.psql(exams, nullptr, u"class1"_s));
        QCOMPARE(m_server.scalar(u"SELECT count(*) FROM ExamTitle"_s, u"class1"_s), u"0"_s);
        // As an earlier version stored them (the refused insert used up a key).
        QVERIFY(m_server.psql(u"ALTER TABLE ExamTitle DROP CONSTRAINT examtitle_size; ALTER TABLE ExamTitle ALTER "
                              "COLUMN ExamID RESTART WITH 1; "_s
                + exams,
            nullptr, u"class1"_s));
        run = tool(QStringList{u"--dsn"_s, u"Trainer"_s} + now);
        QVERIFY(run.status != 0);
        QVERIFY2(run.err.contains(u"holds 2 stored exam(s); it was left unchanged"_s), qPrintable(run.err));
        run = tool(QStringList{u"--if-absent"_s, u"--dsn"_s, u"Trainer"_s} + now);
        QVERIFY(run.status == 0 && run.out.contains(u"left unchanged"_s));
        sameAsTheFile();

        // Today's pool into both: renumbered alike, every stored answer still on its question.
        QCOMPARE(tool(QStringList{u"--replace-pool"_s, u"--out"_s, file()} + now).status, 0);
        run = tool(QStringList{u"--replace-pool"_s, u"--dsn"_s, u"Trainer"_s} + now);
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QVERIFY(run.out.contains(u"2 stored exam(s) kept"_s));
        // Kept, and named: the upgrade brings the rule back for every new exam.
        QVERIFY2(run.out.contains(u"Kept as they are, though the server's rules no longer allow them:\n"
                                  "  exam 1 of ann: 3 questions, not 10, 30 or 50\n"
                                  "  exam 2 of bob: 2 questions, not 10, 30 or 50"_s),
            qPrintable(run.out));
        QVERIFY(!m_server.psql(
            u"INSERT INTO ExamTitle (UserName, NumOfQuestions) VALUES ('ann', 3)"_s, nullptr, u"class1"_s));
        sameAsTheFile();

        // A source without a user, a wrong database, a wrong password: refused with the reason.
        run = tool(QStringList{u"--dsn"_s, u"Nobody"_s} + now);
        QVERIFY(run.status != 0 && run.err.contains(u"cannot reach the data source Nobody"_s));
        run = tool(QStringList{u"--dsn"_s, u"Trainer"_s, u"--db-name"_s, u"nosuchdb"_s} + now);
        QVERIFY2(run.status != 0 && run.err.contains(u"nosuchdb"_s), qPrintable(run.err));
        QVERIFY(tool(QStringList{u"--dsn"_s, u"Trainer"_s, u"--out"_s, file()} + now).status != 0);
    }

    // A class database of the first version (Q_A without E, F and Retired) gains them through --dsn, readable
    // by candidates and trainers as the other columns are, and takes a pool of five and six choices
    // and several right answers as a file does. The server scores several right answers as one:
    // right only when the answer holds every right letter and no other.
    void firstVersionClassGainsTheChoices()
    {
        QVERIFY(m_server.psql(u"CREATE DATABASE class2"_s));
        m_server.addDsn(u"Class2"_s, u"class2"_s, QString::fromLatin1(PgServer::kSuperuser),
            QString::fromLatin1(PgServer::kSuperPassword));
        QStringList first = ExamSchema::createStatements(SqlDialect::Target::PostgreSql);
        const QString added = u", E TEXT, F TEXT, Retired INTEGER NOT NULL DEFAULT 0)"_s;
        QCOMPARE(first.filter(added).size(), 1);
        first.replaceInStrings(added, u")"_s);
        QVERIFY(m_server.psql(first.join(u";\n"_s), nullptr, u"class2"_s));
        // The questions' own table, wherever it is kept (not the view of the same name).
        const QString columns = u"SELECT string_agg(c.column_name, ',' ORDER BY c.ordinal_position) FROM "
                                "information_schema.columns c JOIN information_schema.tables t ON t.table_schema = "
                                "c.table_schema AND t.table_name = c.table_name WHERE c.table_name = 'q_a' AND "
                                "t.table_type = 'BASE TABLE'"_s;

        const QStringList pool = poolFiles(QFINDTESTDATA("data/pool-v1"))
            << TestSupport::testData(u"classroom/wide.json"_s); // five and six choices, three right
        const QString path = m_dir.filePath(u"Wide.mdb"_s);
        QCOMPARE(tool(QStringList{u"--out"_s, path} + pool).status, 0);
        // An exam that version left running: kept through the upgrade, given the server's clock of
        // its size, and named, as it has none of its question rows.
        QVERIFY(m_server.psql(u"INSERT INTO ExamTitle (UserName, ExamDate, NumOfQuestions) VALUES ('ann', "
                              "'2026-12-01 09:00:00', 10)"_s,
            nullptr, u"class2"_s));
        const TestSupport::Run run = tool(QStringList{u"--replace-pool"_s, u"--dsn"_s, u"Class2"_s} + pool);
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QVERIFY2(run.out.contains(u"1 stored exam(s) kept"_s)
                && run.out.contains(u"\n  exam 1 of ann: 0 question rows for 10 questions"_s),
            qPrintable(run.out));
        QCOMPARE(m_server.scalar(u"SELECT extract(epoch FROM Deadline - StartedAt)::integer || ' ' || (EndedBy IS "
                                 "NULL) FROM ExamClock WHERE ExamID = 1"_s,
                     u"class2"_s),
            u"%1 true"_s.arg(ServerRules::durationOf(10)));
        QCOMPARE(m_server.scalar(columns, u"class2"_s),
            u"qid,question,a,b,c,d,correctanswer,category,description,e,f,retired"_s);
        sameAsTheFile(u"Class2"_s, path);
        for (const char *role : {"vesk_candidate", "vesk_trainer"}) {
            QCOMPARE(m_server.scalar(u"SELECT has_column_privilege('%1', 'q_a', 'e', 'SELECT') AND "
                                     "has_column_privilege('%1', 'q_a', 'f', 'SELECT') AND NOT "
                                     "has_column_privilege('%1', 'q_a', 'e', 'UPDATE')"_s.arg(QLatin1String(role)),
                         u"class2"_s),
                u"t"_s);
        }

        // Ann's exams: the five-choice question right each time, the six-choice one with every right
        // letter, with two of its three, and with a wrong one more. A scored exam stays as scored,
        // so each answer is an exam of its own.
        const QStringList answers{u"ACE"_s, u"AC"_s, u"ACDE"_s};
        const QStringList scores{u"2"_s, u"1"_s, u"1"_s};
        for (int i = 0; i < int(answers.size()); ++i) {
            const int exam = i + 2; // after the running one
            QVERIFY(m_server.psql(u"INSERT INTO ExamTitle (UserName, NumOfQuestions) VALUES ('ann', 10); "
                                  "INSERT INTO ExamDetails (ExamID, UserName, QID, Answer) SELECT %1, 'ann', QID, "
                                  "CASE WHEN E = 'OSPF' THEN 'B' ELSE '%2' END FROM Q_A WHERE E IS NOT NULL"_s.arg(exam)
                                      .arg(answers.at(i)),
                nullptr, u"class2"_s));
            QCOMPARE(m_server.scalar(ServerRules::scoreExam(exam), u"class2"_s), scores.at(i));
        }
        ConnectionPool::clear();
    }
};

QTEST_GUILESS_MAIN(tst_classroom_buildpool)
#include "tst_classroom_buildpool.moc"
