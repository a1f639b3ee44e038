#include <QTest>

#include "ClassServer.h"
#include "TestSupport.h"
#include "data/ConnectionPool.h"
#include "data/Database.h"
#include "data/ExamSchema.h"

using namespace Qt::StringLiterals;

// What the server itself lets each role do, whatever a program sends: hand-written SQL from a
// candidate's own connection can neither read, change nor delete another's exam, add rows to it,
// change a question or set a score; the server's scoring counts as the program does; a trainer
// sees and deletes every exam.
class tst_classroom_security final : public QObject {
    Q_OBJECT

    ClassServer m_class;
    std::shared_ptr<Database> m_ann, m_bob, m_tina;
    qint32 m_annExam = 0, m_bobExam = 0;

    struct Outcome {
        bool ok;
        qint64 changes;
        QString error;
    };
    static Outcome run(Database &db, const QString &sql)
    {
        Outcome outcome{false, 0, QString()};
        DbError error;
        outcome.ok = db.execute(sql, {}, &outcome.changes, &error);
        outcome.error = error.text();
        return outcome;
    }
    static QList<QVariantList> rows(Database &db, const QString &sql)
    {
        Database::Result result;
        DbError error;
        if (!db.query(sql, &result, &error))
            qFatal("%s: %s", qPrintable(sql), qPrintable(error.text()));
        QList<QVariantList> list;
        for (const auto &row : result.rows)
            list << QVariantList(row.begin(), row.end());
        return list;
    }
    static QVariant value(Database &db, const QString &sql)
    {
        const QList<QVariantList> list = rows(db, sql);
        return list.isEmpty() ? QVariant() : list.first().first();
    }
    // An exam as the program stores it, on the candidate's own connection.
    static qint32 storeExam(Database &db, const QString &name, const QStringList &answers)
    {
        if (!run(db,
                u"INSERT INTO ExamTitle(UserName,ExamDate,NumOfQuestions) VALUES('%1', '2026-12-04 09:00:00', '%2')"_s
                    .arg(name)
                    .arg(answers.size()))
                 .ok)
            return 0;
        const qint32 exam = qint32(value(db, u"SELECT lastval()"_s).toLongLong());
        for (int i = 0; i < answers.size(); ++i) {
            run(db,
                u"INSERT INTO ExamDetails(ExamID,UserName,QID) VALUES('%1','%2','%3')"_s.arg(exam).arg(name).arg(
                    i + 1));
            if (!answers.at(i).isNull())
                run(db,
                    u"UPDATE ExamDetails SET Answer = '%1', Answered = -1 WHERE ExamID = %2 AND QID = %3"_s
                        .arg(answers.at(i))
                        .arg(exam)
                        .arg(i + 1));
        }
        return exam;
    }
    QString admin(const QString &sql) { return m_class.scalar(sql); }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_class.isReady(), qPrintable(m_class.error()));
        QVERIFY(m_class.addClass());
        m_ann = ClassServer::connectAs(u"ann"_s, u"ann-pw"_s);
        m_bob = ClassServer::connectAs(u"bob"_s, u"bob-pw"_s);
        m_tina = ClassServer::connectAs(u"tina"_s, u"tina-pw"_s);
        QVERIFY(m_ann && m_bob && m_tina);
        // Questions 1-4 of Software Testing have the letters A, B, C, D.
        m_annExam = storeExam(*m_ann, u"ann"_s, {u"A"_s, u"b"_s, QString(), u"A"_s});
        m_bobExam = storeExam(*m_bob, u"bob"_s, {u"a"_s, u"B"_s, u"C"_s});
        QVERIFY(m_annExam > 0 && m_bobExam > m_annExam);
        QVERIFY(run(*m_bob, ExamQueries_flag(m_bobExam)).ok);
        QVERIFY(run(*m_bob, u"INSERT INTO PracticeExams (ExamID) VALUES (%1)"_s.arg(m_bobExam)).ok);
        QVERIFY(run(*m_bob,
            u"INSERT INTO ExamProgress (ExamID, TimeLeft, Heartbeat, Token) VALUES (%1, 60, 1, 'run')"_s.arg(m_bobExam))
                    .ok);
    }
    void cleanupTestCase()
    {
        m_ann.reset();
        m_bob.reset();
        m_tina.reset();
        ConnectionPool::clear();
    }

    // Every way ann might reach bob's exam, the questions or a score.
    void candidateIsHeldToTheirOwn_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<bool>("refused"); // an error; otherwise it changes nothing
        QTest::newRow("read his exam") << u"SELECT * FROM ExamTitle WHERE UserName = 'bob'"_s << false;
        QTest::newRow("read his answers") << u"SELECT * FROM ExamDetails WHERE ExamID = %2"_s << false;
        QTest::newRow("read his flags") << u"SELECT * FROM ExamFlags"_s << false;
        QTest::newRow("read his progress") << u"SELECT * FROM ExamProgress"_s << false;
        QTest::newRow("delete his exam") << u"DELETE FROM ExamTitle WHERE ExamID = %2"_s << false;
        QTest::newRow("delete his answers") << u"DELETE FROM ExamDetails WHERE ExamID = %2"_s << false;
        QTest::newRow("delete his flags and progress")
            << u"DELETE FROM ExamFlags; DELETE FROM ExamProgress WHERE ExamID = %2"_s << false;
        QTest::newRow("change his answers") << u"UPDATE ExamDetails SET Answer = 'D' WHERE ExamID = %2"_s << false;
        QTest::newRow("add a row to his exam")
            << u"INSERT INTO ExamDetails (ExamID, UserName, QID) VALUES (%2, 'bob', 9)"_s << true;
        QTest::newRow("add a row of hers to his exam")
            << u"INSERT INTO ExamDetails (ExamID, UserName, QID) VALUES (%2, 'ann', 9)"_s << true;
        QTest::newRow("a row of hers named as his")
            << u"INSERT INTO ExamDetails (ExamID, UserName, QID) VALUES (%1, 'bob', 9)"_s << true;
        QTest::newRow("an exam in his name")
            << u"INSERT INTO ExamTitle (UserName, NumOfQuestions) VALUES ('bob', 1)"_s << true;
        QTest::newRow("flag his question")
            << u"INSERT INTO ExamFlags (DetailID) SELECT max(DetailID) FROM ExamDetails WHERE ExamID = %2"_s << true;
        QTest::newRow("change a question") << u"UPDATE Q_A SET CorrectAnswer = 'B' WHERE QID = 1"_s << true;
        QTest::newRow("add a question") << u"INSERT INTO Q_A (QID, Question) VALUES (999, 'Mine?')"_s << true;
        QTest::newRow("delete a question") << u"DELETE FROM Q_A WHERE QID = 1"_s << true;
        QTest::newRow("change a question's key") << u"UPDATE QuestionKeys SET StableID = 'x' WHERE QID = 1"_s << true;
        QTest::newRow("set her own score") << u"UPDATE ExamTitle SET ExamResult = 4 WHERE ExamID = %1"_s << true;
        QTest::newRow("set his score") << u"UPDATE ExamTitle SET ExamResult = 0 WHERE ExamID = %2"_s << true;
        QTest::newRow("an exam with a score")
            << u"INSERT INTO ExamTitle (UserName, ExamResult) VALUES ('ann', 50)"_s << true;
        QTest::newRow("score his exam on the server") << u"SELECT vesk_score_exam(%2)"_s << true;
        QTest::newRow("become a trainer") << u"SET ROLE vesk_trainer"_s << true;
        QTest::newRow("switch the protection off") << u"SET row_security = off; SELECT * FROM ExamTitle"_s << true;
        QTest::newRow("drop a policy") << u"DROP POLICY candidate_own ON ExamTitle"_s << true;
        QTest::newRow("replace the scoring")
            << u"CREATE OR REPLACE FUNCTION vesk_score_exam(exam integer) RETURNS integer LANGUAGE sql AS 'SELECT 1'"_s
            << true;
        QTest::newRow("read his practice exams") << u"SELECT * FROM PracticeExams"_s << false;
        QTest::newRow("mark his exam as practice") << u"INSERT INTO PracticeExams (ExamID) VALUES (%2)"_s << true;
        QTest::newRow("give the exam away") << u"UPDATE ExamTitle SET UserName = 'bob' WHERE ExamID = %1"_s << true;
        QTest::newRow("use up the exam keys")
            << u"SELECT nextval(pg_get_serial_sequence('examtitle', 'examid')) FROM generate_series(1, 10)"_s << true;
        QTest::newRow("an exam in the group's name")
            << u"SET ROLE vesk_candidate; INSERT INTO ExamTitle (UserName, NumOfQuestions) VALUES ('vesk_candidate', 1)"_s
            << true;
        QTest::newRow("a table of her own") << u"CREATE TABLE mine (x integer)"_s << true;
    }
    void candidateIsHeldToTheirOwn()
    {
        QFETCH(QString, sql);
        QFETCH(bool, refused);
        const QString before
            = admin(u"SELECT md5(string_agg(t::text, ',' ORDER BY t::text)) FROM (SELECT x::text AS t FROM "
                    "ExamTitle x UNION ALL SELECT x::text FROM ExamDetails x UNION ALL SELECT x::text FROM "
                    "Q_A x UNION ALL SELECT x::text FROM ExamFlags x UNION ALL SELECT x::text FROM ExamProgress x "
                    "UNION ALL SELECT x::text FROM QuestionKeys x UNION ALL SELECT x::text FROM PracticeExams x) s"_s);
        const QString statement
            = QString(sql).replace(u"%1"_s, QString::number(m_annExam)).replace(u"%2"_s, QString::number(m_bobExam));
        if (statement.startsWith(u"SELECT * FROM"_s)) {
            QVERIFY(rows(*m_ann, statement).isEmpty());
        } else {
            const Outcome outcome = run(*m_ann, statement);
            QVERIFY2(outcome.ok != refused, qPrintable(statement + u": "_s + outcome.error));
            if (refused)
                QVERIFY2(outcome.error.startsWith(u"-2147217911 - "_s) || outcome.error.startsWith(u"-2147217900 - "_s)
                        || outcome.error.contains(u"row-level security"_s),
                    qPrintable(outcome.error));
            else
                QCOMPARE(outcome.changes, 0);
        }
        DbError ignored;
        m_ann->execute(u"RESET ROLE"_s, {}, nullptr, &ignored);
        m_ann->execute(u"RESET row_security"_s, {}, nullptr, &ignored);
        QCOMPARE(
            admin(u"SELECT md5(string_agg(t::text, ',' ORDER BY t::text)) FROM (SELECT x::text AS t FROM "
                  "ExamTitle x UNION ALL SELECT x::text FROM ExamDetails x UNION ALL SELECT x::text FROM "
                  "Q_A x UNION ALL SELECT x::text FROM ExamFlags x UNION ALL SELECT x::text FROM ExamProgress x "
                  "UNION ALL SELECT x::text FROM QuestionKeys x UNION ALL SELECT x::text FROM PracticeExams x) s"_s),
            before);
    }

    // Her own exam she sees whole; the server scores it as the program does (letters without regard
    // to case, an unanswered question wrong), and then her answers are closed.
    void serverScoresAsTheProgram()
    {
        QCOMPARE(rows(*m_ann, u"SELECT ExamID FROM ExamTitle"_s), (QList<QVariantList>{{qlonglong(m_annExam)}}));
        QCOMPARE(value(*m_ann, u"SELECT count(*) FROM ExamDetails"_s).toInt(), 4);
        // Rows she adds by hand to her unscored exam: a right answer counted once, however often it
        // is there; never more right answers than the exam has questions.
        const QString addRight
            = u"INSERT INTO ExamDetails (ExamID, UserName, QID) SELECT %1, 'ann', QID FROM Q_A WHERE QID IN (%2); "
              "UPDATE ExamDetails d SET Answer = q.CorrectAnswer FROM Q_A q WHERE q.QID = d.QID AND "
              "d.ExamID = %1 AND d.QID IN (%2) AND d.Answer IS NULL"_s;
        for (int i = 0; i < 3; ++i)
            QVERIFY(run(*m_ann, addRight.arg(m_annExam).arg(1)).ok);
        QCOMPARE(value(*m_ann, u"SELECT vesk_score_exam(%1)"_s.arg(m_annExam)).toInt(), 2);
        QVERIFY(m_class.exec(u"UPDATE ExamTitle SET ExamResult = NULL WHERE ExamID = %1"_s.arg(m_annExam)));
        QVERIFY(run(*m_ann, addRight.arg(m_annExam).arg(u"5, 6, 7, 8"_s)).ok);
        QCOMPARE(value(*m_ann, u"SELECT vesk_score_exam(%1)"_s.arg(m_annExam)).toInt(), 4);
        QVERIFY(m_class.exec(
            u"DELETE FROM ExamDetails WHERE ExamID = %1 AND DetailID > (SELECT min(DetailID) + 3 FROM "
            "ExamDetails WHERE ExamID = %1); UPDATE ExamTitle SET ExamResult = NULL WHERE ExamID = %1"_s.arg(
                m_annExam)));
        QCOMPARE(value(*m_ann, ExamSchema::scoreOnServer(m_annExam)).toInt(), 2); // A, b right; none, A wrong
        QCOMPARE(admin(u"SELECT ExamResult FROM ExamTitle WHERE ExamID = %1"_s.arg(m_annExam)), u"2"_s);
        // Scored once: asking again gives the stored score.
        QVERIFY(m_class.exec(u"UPDATE ExamTitle SET ExamResult = 1 WHERE ExamID = %1"_s.arg(m_annExam)));
        QCOMPARE(value(*m_ann, ExamSchema::scoreOnServer(m_annExam)).toInt(), 1);
        QVERIFY(m_class.exec(u"UPDATE ExamTitle SET ExamResult = 2 WHERE ExamID = %1"_s.arg(m_annExam)));
        const Outcome late = run(*m_ann, u"UPDATE ExamDetails SET Answer = 'C' WHERE ExamID = %1"_s.arg(m_annExam));
        QVERIFY(late.ok && late.changes == 0);
        QVERIFY(
            !run(*m_ann, u"INSERT INTO ExamDetails (ExamID, UserName, QID) VALUES (%1, 'ann', 9)"_s.arg(m_annExam)).ok);
        // A question whose letter is empty counts an unanswered question right, as the program's count does.
        QVERIFY(m_class.exec(u"UPDATE Q_A SET CorrectAnswer = '' WHERE QID = 3"_s));
        QCOMPARE(value(*m_tina, ExamSchema::scoreOnServer(m_annExam)).toInt(), 3);
        QVERIFY(m_class.exec(u"UPDATE Q_A SET CorrectAnswer = 'C' WHERE QID = 3"_s));
    }

    // The trainer sees every exam and deletes any; questions stay out of reach.
    void trainerSeesAll()
    {
        QCOMPARE(value(*m_tina, u"SELECT count(*) FROM ExamTitle"_s).toInt(), 2);
        QCOMPARE(value(*m_tina, u"SELECT count(*) FROM ExamDetails"_s).toInt(), 7);
        QCOMPARE(value(*m_tina, ExamSchema::scoreOnServer(m_bobExam)).toInt(), 3);
        QVERIFY(!run(*m_tina, u"UPDATE Q_A SET Question = 'x' WHERE QID = 1"_s).ok);
        for (const QString &sql : {u"DELETE FROM ExamFlags"_s, u"DELETE FROM ExamProgress"_s,
                 u"DELETE FROM PracticeExams"_s, u"DELETE FROM ExamTitle WHERE ExamID = %1"_s.arg(m_bobExam),
                 u"DELETE FROM ExamDetails WHERE ExamID = %1"_s.arg(m_bobExam)}) {
            const Outcome outcome = run(*m_tina, sql);
            QVERIFY2(outcome.ok && outcome.changes > 0, qPrintable(sql + outcome.error));
        }
        QCOMPARE(admin(u"SELECT string_agg(UserName, ',') FROM ExamTitle"_s), u"ann"_s);
    }

private:
    static QString ExamQueries_flag(qint32 exam)
    {
        return u"INSERT INTO ExamFlags (DetailID) SELECT min(DetailID) FROM ExamDetails WHERE ExamID = %1"_s.arg(exam);
    }
};

QTEST_GUILESS_MAIN(tst_classroom_security)
#include "tst_classroom_security.moc"
