#include <QTest>

#include "SessionCases.h"
#include "TestSupport.h"
#include "core/Clock.h"
#include "core/GenModule.h"
#include "core/UserSettings.h"
#include "data/ConnectionPool.h"
#include "data/DataGlobals.h"
#include "data/ExamSession.h"
#include "data/Recordset.h"
#include "data/SqliteHandle.h"

using namespace Qt::StringLiterals;

using SessionCases::ticked;

namespace {
// A value of a case table as SQL text: NULL stands for none.
QString sqlText(const QString &value)
{
    return value == u"NULL"_s ? value : u"'%1'"_s.arg(QString(value).replace(u'\'', u"''"_s));
}
} // namespace

// The exam's database work without its screen, on a real Exam.mdb: creation in one transaction,
// answers, flags, the score and the offer of an exam a stopped run left.
class tst_examsession final : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString dbPath() const { return m_dir.filePath(u"Exam.mdb"_s); }
    QVariant scalar(const QString &sql) const { return TestSupport::scalar(dbPath(), sql); }
    int count(const QString &from) const { return scalar(u"SELECT count(*) FROM "_s + from).toInt(); }
    void exec(const QString &sql) const { TestSupport::exec(dbPath(), sql); }
    qint64 now() const { return Clock::now().toSecsSinceEpoch(); }
    // An unscored exam of Ann's with two questions, whose run stopped `age` seconds ago.
    qint32 leftBehind(qint64 age, const QString &token)
    {
        const qint32 examId
            = TestSupport::storeExam(dbPath(), u"Ann"_s, u"2026-12-03 09:15:00"_s, 2, QVariant(), {{1, {}}, {2, {}}});
        exec(u"INSERT INTO ExamProgress VALUES (%1, 437, %2, '%3')"_s.arg(examId).arg(now() - age).arg(token));
        return examId;
    }

private slots:
    void init()
    {
        TestSupport::resetProgramState();
        QFile::remove(dbPath());
        TestSupport::buildDatabase(dbPath(), {12, 12, 0, 12, 12, 12});
        gDbPath = m_dir.path();
        SetRunToken(u"this-run"_s);
        gTimeLeft = 720;
    }

    // The title, the drawn questions, the practice mark and the progress row are stored together,
    // or nothing is.
    void create_data() { TestSupport::addCases(u"sessions/exam-create.tsv"_s); }
    void create()
    {
        QFETCH(QString, categories);
        const int questions = SessionCases::number("questions");
        const bool practise = SessionCases::flag("practise");
        QFETCH(QString, failingTable);
        QFETCH(QString, failure);
        // Ann's scored exam got the first ten Software Testing questions wrong.
        QList<std::pair<int, QString>> wrong;
        for (int qid = 1; qid <= 10; ++qid)
            wrong.append({qid, u"X"_s});
        TestSupport::storeExam(dbPath(), u"Ann"_s, u"2026-12-01 10:00:00"_s, 10, 0, wrong);
        if (!failingTable.isEmpty())
            exec(u"CREATE TRIGGER failing BEFORE INSERT ON %1 BEGIN SELECT RAISE(ABORT, 'disk is full'); END"_s.arg(
                failingTable));

        ExamSession session;
        const bool created = session.create(u"Ann"_s, questions, ticked(categories), practise);
        QCOMPARE(created, failure.isEmpty());
        QVERIFY(!gDB);
        if (!created) {
            QVERIFY(session.failure() && session.failure()->contains(failure));
            QCOMPARE(session.examId(), 0);
            QCOMPARE(count(u"ExamTitle"_s) + count(u"ExamProgress"_s) + count(u"PracticeExams"_s), 1);
            QCOMPARE(count(u"ExamDetails"_s), 10);
            return;
        }
        const qint32 examId = session.examId();
        QCOMPARE(examId, 2);
        QCOMPARE(scalar(u"SELECT UserName || ' ' || NumOfQuestions || ' ' || ExamDate FROM ExamTitle "
                        "WHERE ExamID = 2"_s)
                     .toString(),
            u"Ann %1 2026-12-04 00:30:00"_s.arg(questions));
        QCOMPARE(count(u"ExamDetails WHERE ExamID = 2 AND UserName = 'Ann'"_s), questions);
        QCOMPARE(count(u"(SELECT DISTINCT QID FROM ExamDetails WHERE ExamID = 2)"_s), questions);
        QCOMPARE(scalar(u"SELECT TimeLeft || ' ' || Heartbeat || ' ' || Token FROM ExamProgress"_s).toString(),
            u"720 %1 this-run"_s.arg(now()));
        QCOMPARE(count(u"PracticeExams WHERE ExamID = 2"_s), int(practise));
        if (practise)
            QCOMPARE(count(u"ExamDetails WHERE ExamID = 2 AND QID <= 10"_s), 10);
    }

    // An answer the file does not take stays with the session, marked by its question, told once,
    // and is tried again: one the file could not be reached for at every move (though not right
    // after a write found it out of reach), one it refused only at the end.
    void unstoredAnswers_data()
    {
        QTest::addColumn<bool>("locked"); // else a trigger refuses the write
        QTest::newRow("file locked") << true;
        QTest::newRow("write refused") << false;
    }
    void unstoredAnswers()
    {
        QFETCH(bool, locked);
        const auto result = locked ? ExamSession::StoreResult::NotStored : ExamSession::StoreResult::Refused;
        const QString reason = locked ? u"database is locked"_s : u"no answers today"_s;
        ConnectionPool::setBusyTimeout(20);
        ExamSession session;
        QVERIFY(session.create(u"Ann"_s, 10, ticked(u"3"_s), false));
        const std::shared_ptr<Recordset> rs = session.openQuestions();
        QVERIFY(session.openSideTables());
        const qint32 first = rs->Fields(u"DetailID"_s).toInt();
        std::shared_ptr<SqliteHandle> lock;
        if (locked)
            lock = TestSupport::holdWriteLock(dbPath());
        else
            exec(u"CREATE TRIGGER refusing BEFORE UPDATE ON ExamDetails BEGIN SELECT RAISE(ABORT, 'no answers today'); "
                 "END"_s);
        QVERIFY(rs->setField(u"Answer"_s, u"B"_s) && rs->setField(u"Answered"_s, true));
        QCOMPARE(session.storeAnswer(), result);
        QVERIFY(session.isUnstored(0) && !session.isUnstored(1));
        QCOMPARE(session.unstoredCount(), 1);
        const std::optional<QString> notice = session.takeStoreNotice();
        QVERIFY(notice && notice->contains(reason));
        QVERIFY(!session.takeStoreNotice());
        // A second failure of the same outage is not told again.
        QCOMPARE(session.storeAnswer(), result);
        QVERIFY(!session.takeStoreNotice());
        QCOMPARE(session.unanswered(), 10); // counted from the file all the same
        lock.reset();
        exec(u"DROP TRIGGER IF EXISTS refusing"_s);
        QCOMPARE(session.retryUnstored(false), result);
        QVERIFY(session.isUnstored(0));
        QCOMPARE(scalar(u"SELECT Answer FROM ExamDetails WHERE DetailID = %1"_s.arg(first)), QVariant());
        // Stored, the answer carries the exam's progress with it: the time left and the heartbeat.
        gTimeLeft = 611;
        Clock::setNow(Clock::now().addSecs(100));
        QCOMPARE(session.retryUnstored(!locked), ExamSession::StoreResult::Stored);
        QCOMPARE(scalar(u"SELECT TimeLeft || ' ' || Heartbeat FROM ExamProgress"_s).toString(), u"611 %1"_s.arg(now()));
        QVERIFY(!session.hasUnstored() && !session.isUnstored(0));
        QCOMPARE(scalar(u"SELECT Answer FROM ExamDetails WHERE DetailID = %1"_s.arg(first)), QVariant(u"B"_s));
        QVERIFY(!session.takeStoreNotice());
        // Stored at last, it leaves the count as the file has it.
        QCOMPARE(session.unanswered(), 9);
        QCOMPARE(count(u"ExamDetails WHERE ExamID = %1 AND Answered = 0"_s.arg(session.examId())), 9);
    }

    // One statement scores the exam: a row counts when its stored answer is the question's correct
    // answer, case aside and blanks kept, a missing answer taken as an empty one.
    void score_data() { TestSupport::addCases(u"sessions/exam-score.tsv"_s); }
    void score()
    {
        QFETCH(QString, details);
        const int score = SessionCases::number("score");
        const QStringList rows = details.split(u'|');
        // The designed exam, and another of the same questions all answered right.
        exec(u"INSERT INTO ExamTitle (UserName, ExamDate, NumOfQuestions) VALUES ('Kim', '2026-12-01 10:00:00', %1), "
             "('Lou', '2026-12-01 11:00:00', %1)"_s.arg(rows.size()));
        for (const QString &row : rows) {
            const QStringList d = row.split(u';'); // QID, correct answer, answer
            exec(u"UPDATE Q_A SET CorrectAnswer = %1 WHERE QID = %2"_s.arg(sqlText(d[1]), d[0]));
            exec(u"INSERT INTO ExamDetails (ExamID, UserName, QID, Answer, Answered) VALUES (1, 'Kim', %1, %2, -1), "
                 "(2, 'Lou', %1, %3, -1)"_s.arg(d[0], sqlText(d[2]), sqlText(d[1] == u"NULL"_s ? u"A"_s : d[1])));
        }
        ExamSession session;
        QVERIFY(session.score(1));
        QVERIFY(!session.failure());
        QCOMPARE(scalar(u"SELECT ExamResult FROM ExamTitle WHERE ExamID = 1"_s), QVariant(qlonglong(score)));
        QVERIFY(scalar(u"SELECT ExamResult FROM ExamTitle WHERE ExamID = 2"_s).isNull());
    }

    // The exam offered at the next start: the newest unscored one whose run stopped more than 90
    // seconds ago or ended through a failure, only the candidate's own on a class's server.
    void offer_data() { TestSupport::addCases(u"sessions/exam-offer.tsv"_s); }
    void offer()
    {
        const QList<int> ages = SessionCases::numbers(SessionCases::text("ages"));
        QFETCH(QString, endedRun);
        QFETCH(QString, user);
        const int offered = SessionCases::number("offered");
        for (int i = 0; i < ages.size(); ++i)
            leftBehind(ages.at(i), i == ages.size() - 1 && !endedRun.isEmpty() ? endedRun : u"old-run"_s);
        // A scored exam is never offered, however old its heartbeat.
        const qint32 scored = leftBehind(5000, u"crashed-run"_s);
        exec(u"UPDATE ExamTitle SET ExamResult = 1 WHERE ExamID = %1"_s.arg(scored));
        UserSettings::setEndedRun(endedRun);

        ExamSession session;
        const std::optional<ExamSession::Offer> offer = session.findOffer(user);
        QVERIFY(!gDB);
        QCOMPARE(offer ? offer->examId : 0, offered);
        if (!offer)
            return;
        QVERIFY(UserSettings::endedRun().isEmpty());
        // Taken over, a run that ended but a moment ago too (a race lost to another window: tst_exam).
        QVERIFY(session.claim(*offer));
        QCOMPARE(scalar(u"SELECT Token FROM ExamProgress WHERE ExamID = %1"_s.arg(offered)).toString(), u"this-run"_s);
    }
};

QTEST_GUILESS_MAIN(tst_examsession)
#include "tst_examsession.moc"
